#include "k6_modem_side.h"

#include "k6_status_side.h"

#include "forms.h"
#include "k6config/page_values.h"
#include "k6pages/k6pages.h"
#include "config_window.h"
#include "gsm_info_window.h"
#include "service_centre_window.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

namespace dalvex {

namespace {

constexpr const char* kGrid = "StringGrid1";

// The menu items this side answers.
struct MenuItem {
    const char* name;
    void (K6ModemSide::*click)();
};
constexpr MenuItem kMenuItems[] = {
    {"SIMPINkdkikapcsolsa1", &K6ModemSide::SimPinOffClick},
    {"Adathvsellenrzs1", &K6ModemSide::DataCallTestClick},
    {"Voicehvstest1", &K6ModemSide::VoiceCallTestClick},
    {"SMStest1", &K6ModemSide::SmsTestClick},
    {"IMEInumber1", &K6ModemSide::ImeiClick},
    {"ResetGSM1", &K6ModemSide::ResetGsmClick},
    {"GSMinformcik1", &K6ModemSide::GsmInfoClick},
    {"SMSszervizszmbelltsa1", &K6ModemSide::ServiceCentreClick},
};

// The K6 window's other windows open modally: nothing else of the program takes input meanwhile.
void ShowModal(QWidget* window) {
    if (!window) return;
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

K6ModemSide::InputDialogFn K6ModemSide::InputDialogHook;

K6ModemSide::K6ModemSide(ConfigWindow& window)
    : QObject(&window)
    , w_(window)
    , modem_(window.Status->Modem())
    , monitor_(window.Status->Monitor())
    , ops_(window.Engine(), modem_, *this) {
    for (const MenuItem& m : kMenuItems) {
        QAction* a = w_.MenuItem(QString::fromLatin1(m.name));
        if (!a) continue;
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, m.click);
    }
}

K6ModemSide::~K6ModemSide() = default;

void K6ModemSide::ConnectPage() {
    if (pageConnected_ || !w_.Pages) return;
    pageConnected_ = true;
    const auto button = [&](const char* name, void (K6ModemSide::*click)()) {
        if (auto* b = w_.Pages->Control<QPushButton>(QString::fromLatin1(name)))
            connect(b, &QPushButton::clicked, this, click);
    };
    button("BitBtn5", &K6ModemSide::PhonebookReadClick);
    button("BitBtn6", &K6ModemSide::PhonebookWriteClick);
    button("Button2", &K6ModemSide::PhonebookAddRowClick);
}

std::optional<QString> K6ModemSide::Ask(const QString& caption, const QString& prompt) {
    if (InputDialogHook) return InputDialogHook(caption, prompt);
    bool ok = false;
    const QString text = QInputDialog::getText(&w_, caption, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return text;
}

QTableWidget* K6ModemSide::Grid() const {
    return w_.Pages ? w_.Pages->Control<QTableWidget>(QString::fromLatin1(kGrid)) : nullptr;
}

QProgressBar* K6ModemSide::Progress() const {
    return w_.Pages ? w_.Pages->Control<QProgressBar>(QStringLiteral("ProgressBar1")) : nullptr;
}

void K6ModemSide::EnableButton(const char* name, bool enabled) {
    if (!w_.Pages) return;
    if (QWidget* b = w_.Pages->Control(QString::fromLatin1(name))) b->setEnabled(enabled);
}

// Handlers

void K6ModemSide::PhonebookReadClick() {
    w_.EnsurePages();
    ops_.StartPhonebookRead();
}

void K6ModemSide::PhonebookWriteClick() {
    w_.EnsurePages();
    ops_.StartPhonebookWrite();
}

void K6ModemSide::PhonebookAddRowClick() {
    // The grid always holds its 250 entry rows; a new row is the first one after the last filled
    // row, opened for typing the number.
    w_.EnsurePages();
    QTableWidget* grid = Grid();
    if (!grid) return;
    int last = 0;
    for (int row = 1; row <= k6link::ModemOps::kPhonebookRows; ++row)
        if (!PhonebookNumber(row).isEmpty() || !PhonebookName(row).isEmpty()) last = row;
    if (last >= k6link::ModemOps::kPhonebookRows) return;
    grid->setCurrentCell(last, 1);
    if (QTableWidgetItem* item = grid->item(last, 1)) {
        grid->scrollToItem(item);
        grid->editItem(item);
    }
}

void K6ModemSide::SimPinOffClick() {
    if (const auto pin = Ask(Texts.PinCaption, Texts.PinPrompt)) ops_.StartPinSwitchOff(*pin);
}

void K6ModemSide::DataCallTestClick() {
    // A cancelled or empty answer still starts the test: the D line goes out without digits.
    ops_.StartDataCall(Ask(Texts.DataCallCaption, Texts.CallPrompt).value_or(QString()));
}

void K6ModemSide::VoiceCallTestClick() {
    ops_.StartVoiceCall(Ask(Texts.VoiceCallCaption, Texts.CallPrompt).value_or(QString()));
}

void K6ModemSide::SmsTestClick() {
    QAction* item = w_.MenuItem(QStringLiteral("SMStest1"));
    const QString caption = item ? item->text() : QStringLiteral("SMS test");
    if (const auto number = Ask(caption, Texts.SmsPrompt)) ops_.StartSmsTest(*number);
}

void K6ModemSide::ImeiClick() {
    ops_.StartImei();
}

void K6ModemSide::ResetGsmClick() {
    ops_.StartGsmReset();
}

void K6ModemSide::GsmInfoClick() {
    ShowModal(gsmInfoWindow);
}

void K6ModemSide::ServiceCentreClick() {
    ShowModal(serviceCentreWindow);
}

void K6ModemSide::RereadGsmInfo() {
    ops_.StartGsmInfo();
}

void K6ModemSide::SetServiceCentre(const QString& number) {
    ops_.StartServiceCentre(number);
}

void K6ModemSide::ServiceCentreClosed() {
    monitor_.Stop();
}

// ModemHost

void K6ModemSide::ClearPhonebook() {
    for (int row = 1; row <= k6link::ModemOps::kPhonebookRows; ++row)
        for (int column = 0; column < 3; ++column)
            w_.LocalValues->setCell(kGrid, row, column, QString());
}

void K6ModemSide::SetPhonebookRow(int row, const QString& index, const QString& number, const QString& name) {
    w_.LocalValues->setCell(kGrid, row, 0, index);
    w_.LocalValues->setCell(kGrid, row, 1, number);
    w_.LocalValues->setCell(kGrid, row, 2, name);
}

QString K6ModemSide::PhonebookNumber(int row) {
    return w_.LocalValues->cell(kGrid, row, 1);
}

QString K6ModemSide::PhonebookName(int row) {
    return w_.LocalValues->cell(kGrid, row, 2);
}

void K6ModemSide::SetPhonebookProgress(int maximum, int position) {
    if (QProgressBar* p = Progress()) {
        p->setMaximum(maximum);
        p->setValue(position);
    }
}

void K6ModemSide::StepPhonebookProgress() {
    if (QProgressBar* p = Progress()) p->setValue(std::min(p->value() + 1, p->maximum()));
}

void K6ModemSide::ShowPhonebookProgress(bool visible) {
    if (QProgressBar* p = Progress()) p->setVisible(visible);
}

void K6ModemSide::EnablePhonebookRead(bool enabled) {
    EnableButton("BitBtn5", enabled);
}

void K6ModemSide::EnablePhonebookWrite(bool enabled) {
    EnableButton("BitBtn6", enabled);
}

void K6ModemSide::SetInfoField(int field, const QString& text) {
    if (gsmInfoWindow) gsmInfoWindow->SetField(field, text);
}

void K6ModemSide::SetServiceCentreStatus(const QString& text) {
    if (serviceCentreWindow) serviceCentreWindow->StatusLabel->setText(text);
}

} // namespace dalvex
