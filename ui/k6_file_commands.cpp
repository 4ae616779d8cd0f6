#include "k6_file_commands.h"

#include "k6config/cid_tables.h"
#include "k6config/config_codec.h"
#include "k6config/page_values.h"
#include "k6link/engine.h"
#include "k6pages/k6pages.h"
#include "serial/settings.h"
#include "config_window.h"
#include "k6_text_side.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>

namespace dalvex {

K6FileCommands::FileDialogFn K6FileCommands::FileDialogHook;

namespace {

const char* const kCustomerFields[k6config::kCustomerFields] = {"Edit2", "Edit3", "Edit4",
                                                                "Edit5", "Edit6", "Edit7"};

} // namespace

K6FileCommands::K6FileCommands(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {
    auto& v = *w_.Values;
    const auto button = [&](const char* name, void (K6FileCommands::*click)()) {
        if (auto* b = w_.Pages->Control<QPushButton>(QString::fromLatin1(name)))
            connect(b, &QPushButton::clicked, this, click);
    };
    button("Button3", &K6FileCommands::SaveCallerIdsClick);
    button("Button4", &K6FileCommands::LoadCallerIdsClick);
    button("Button6", &K6FileCommands::MemoryLoadClick);
    button("Button20", &K6FileCommands::AssignToAllEventsClick);
    button("BitBtn16", &K6FileCommands::DefaultContactIdCodesClick);
    button("BitBtn17", &K6FileCommands::ZoneTemplateClick);
    if (QWidget* b6 = w_.Pages->Control(QStringLiteral("Button6"))) b6->hide(); // developer mode only

    // The grids' pop-up menus.
    const auto popup = [&](const char* grid, const char* menu, const char* item, const QString& caption,
                           void (K6FileCommands::*click)()) {
        auto* g = w_.Pages->Control(QString::fromLatin1(grid));
        if (!g) return;
        auto* a = new QAction(caption, g);
        a->setObjectName(QString::fromLatin1(item));
        a->setProperty("menu", QString::fromLatin1(menu));
        g->addAction(a);
        g->setContextMenuPolicy(Qt::ActionsContextMenu);
        connect(a, &QAction::triggered, this, click);
    };
    popup("StringGrid3", "PopupMenu2", "AlapContactIDkdokbetltse1",
          QStringLiteral("Alap ContactID kódok betöltése"), &K6FileCommands::DefaultContactIdCodesClick);
    popup("StringGrid2", "PopupMenu3", "SablonBetltse1", QStringLiteral("Sablon Betöltése"),
          &K6FileCommands::ZoneTemplateClick);

    // Cell edits keep to the grids' rules.
    connect(&v, &k6config::PageValues::cellChanged, this, [this](const QString& grid, int row, int column) {
        auto& values = *w_.Values;
        const QString text = values.cell(grid.toStdString(), row, column);
        QString kept = text;
        if (grid == QLatin1String("StringGrid2"))
            kept = k6config::EditedZoneCell(column, text);
        else if (grid == QLatin1String("StringGrid3"))
            kept = k6config::EditedEventCell(column, text);
        if (kept != text) values.setCell(grid.toStdString(), row, column, kept);
    });
    if (auto* g3 = w_.Pages->Control<QTableWidget>(QStringLiteral("StringGrid3")))
        connect(g3, &QTableWidget::currentCellChanged, this, [this](int row) { EventRowClick(row + 1); });
    connect(&v, &k6config::PageValues::valueChanged, this, [this](const QString& name) {
        if (name == QLatin1String("SMSst7")) EventSmsMaskClick();
    });
    connect(w_.LocalValues, &k6config::PageValues::valueChanged, this, [this](const QString& name) {
        if (name == QLatin1String("CheckBox14")) ContactIdSendClick();
    });
}

// --- Messages and dialogs -------------------------------------------------------------------------

QString K6FileCommands::AskFile(bool save, const QString& title, const QStringList& filters,
                                const QString& suffix, int& filter) {
    filter = 0;
    if (FileDialogHook) return FileDialogHook(save, title, filters, suffix, filter);
    QFileDialog dialog(&w_, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    filter = std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    return dialog.selectedFiles().front();
}

void K6FileCommands::Message(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::warning(&w_, w_.windowTitle(), text);
}

bool K6FileCommands::Confirm(const QString& text) {
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    if (ConfigWindow::MessageBoxHook) return ConfigWindow::MessageBoxHook(text, buttons) == QMessageBox::Yes;
    return QMessageBox::question(&w_, w_.windowTitle(), text, buttons) == QMessageBox::Yes;
}

k6config::ConfigFileTexts& K6FileCommands::LanguageTexts() {
    static k6config::ConfigFileTexts texts;
    return texts;
}

QString K6FileCommands::ErrorText(const k6config::FileResult& r, const QString& path) {
    return ErrorText(r, path, LanguageTexts());
}

QString K6FileCommands::ErrorText(const k6config::FileResult& r, const QString& path,
                                  const k6config::ConfigFileTexts& texts) {
    return k6config::FileResultText(r, path, texts);
}

QString K6FileCommands::MenuCaption(const char* item) const {
    // The dialog is titled as the menu item that opened it reads in the chosen language.
    const QAction* a = w_.MenuItem(QString::fromLatin1(item));
    return a ? QString(a->text()).remove(QLatin1Char('&')) : QString();
}

int K6FileCommands::LanguageIndex() const {
    bool ok = false;
    const int i = ReadSetting(w_.RegKey, QStringLiteral("Language")).toInt(&ok);
    return ok && i >= 0 && i <= 7 ? i : 1;
}

// --- Configuration files -----------------------------------------------------------------------

void K6FileCommands::SaveFileClick() {
    auto& engine = w_.Engine();
    k6config::EncodeConfigImage(engine.ConfigImage, *w_.Values, *w_.DoorPhoneValues, w_.CodecContext());
    int filter = 0;
    const QString path = AskFile(true, MenuCaption("BitBtn7"), {Texts.ConfigFilter}, QStringLiteral("dat"), filter);
    if (path.isEmpty()) return;
    k6config::CustomerFields fields;
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        fields[i] = w_.LocalValues->text(kCustomerFields[i]);
    k6config::FillEmptyCustomerFields(fields);
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        w_.LocalValues->setText(kCustomerFields[i], fields[i]);
    if (const auto r = k6config::SaveConfigFile(path, engine.ConfigImage, fields); !r) {
        Message(ErrorText(r, path));
        return;
    }
    w_.MarkEditsKept();
    w_.SetStatusPanel(3, w_.Texts.FileSaved.arg(QDir::toNativeSeparators(path)));
    w_.SetTitleFile(path);
}

void K6FileCommands::OpenFileClick() {
    int filter = 0;
    const QString path =
        AskFile(false, MenuCaption("BitBtn8"), {Texts.ConfigFilter, Texts.AllFilter}, QStringLiteral("dat"), filter);
    if (path.isEmpty()) return;
    OpenFile(path);
}

k6config::CustomerFields K6FileCommands::Customer(const ConfigWindow& window) {
    k6config::CustomerFields fields;
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        fields[i] = window.LocalValues->text(kCustomerFields[i]);
    return fields;
}

bool K6FileCommands::OpenFile(const QString& path) {
    auto& engine = w_.Engine();
    k6config::CustomerFields fields;
    const auto r = k6config::OpenConfigFile(path, engine.ConfigImage, fields);
    if (r.error == k6config::FileError::ConfigurationText && w_.TextSide) {
        // A configuration text opens as its import does.
        if (!w_.TextSide->ImportFile(path)) return false;
    } else if (!r) {
        Message(ErrorText(r, path, Texts));
        return false;
    } else {
        for (int i = 0; i < k6config::kCustomerFields; ++i)
            w_.LocalValues->setText(kCustomerFields[i], fields[i]);
        k6config::DecodeConfigImage(engine.ConfigImage, *w_.Values, *w_.DoorPhoneValues, w_.CodecContext());
    }
    w_.Transfer().FileOpened(); // the pages no longer start from what was read: the next send goes whole
    w_.MarkEditsKept();
    w_.SetStatusPanel(3, w_.Texts.FileOpened.arg(QDir::toNativeSeparators(path)));
    w_.SetTitleFile(path);
    return true;
}

// --- Caller-ID list --------------------------------------------------------------------------------

k6config::CallerIdList K6FileCommands::CallerIds() const {
    // The grid's row count ends after its last row with any text.
    const auto& v = *w_.LocalValues;
    k6config::CallerIdList list;
    int last = 0;
    for (int row = 1; row <= k6config::kCallerIdRows; ++row)
        if (!v.cell("StringGrid1", row, 1).isEmpty() || !v.cell("StringGrid1", row, 2).isEmpty()) last = row;
    list.rowCount = last + 1;
    for (int row = 1; row <= last; ++row)
        list.rows.push_back({v.cell("StringGrid1", row, 1), v.cell("StringGrid1", row, 2)});
    return list;
}

void K6FileCommands::SetCallerIds(const k6config::CallerIdList& list) {
    auto& v = *w_.LocalValues;
    for (int row = 1; row <= k6config::kCallerIdRows; ++row) {
        const auto i = static_cast<std::size_t>(row - 1);
        const bool present = row < list.rowCount && i < list.rows.size();
        v.setCell("StringGrid1", row, 0, QString());
        v.setCell("StringGrid1", row, 1, present ? list.rows[i].number : QString());
        v.setCell("StringGrid1", row, 2, present ? list.rows[i].name : QString());
    }
}

void K6FileCommands::SaveCallerIdsClick() {
    int filter = 0;
    const QString path = AskFile(true, QStringLiteral("Fájlba mentés"),
                                 {QStringLiteral("Excel CSV (*.csv)"), QStringLiteral("SIM nevek (*.sim)")},
                                 QStringLiteral("csv"), filter);
    if (path.isEmpty()) return;
    const auto format = filter == 1 ? k6config::CallerIdFormat::Sim : k6config::CallerIdFormat::Csv;
    if (const auto r = k6config::SaveCallerIdFile(path, CallerIds(), format); !r) Message(ErrorText(r, path));
}

void K6FileCommands::LoadCallerIdsClick() {
    int filter = 0;
    const QString path = AskFile(false, QStringLiteral("Fájlból betöltés"),
                                 {QStringLiteral("CSV (*.csv)"), QStringLiteral("SIM (*.sim)")},
                                 QStringLiteral("csv"), filter);
    if (path.isEmpty()) return;
    if (QWidget* upload = w_.findChild<QWidget*>(QStringLiteral("BitBtn6"))) upload->setEnabled(true);
    const auto format = filter == 1 ? k6config::CallerIdFormat::Sim : k6config::CallerIdFormat::Csv;
    k6config::CallerIdList list;
    if (const auto r = k6config::OpenCallerIdFile(path, format, list); !r) {
        Message(ErrorText(r, path));
        return;
    }
    SetCallerIds(list);
}

void K6FileCommands::MemoryLoadClick() {
    w_.Values->setText("Edit10", QString::fromLatin1(kDeveloperApn));
    w_.Values->setText("Edit11", QString::fromLatin1(kDeveloperServer));
    ZoneTemplateClick();
    DefaultContactIdCodesClick();
}

// --- Contact ID page --------------------------------------------------------------------------------

void K6FileCommands::EventRowClick(int row) {
    if (row < 1 || row > k6config::kGridRecords) return;
    eventRow_ = row;
    syncing_ = true;
    w_.Values->setMask("SMSst7", w_.Values->eventSmsMask(row));
    syncing_ = false;
    if (auto* label = w_.Pages->Control(QStringLiteral("Label87")))
        label->setProperty("text", w_.Values->cell("StringGrid3", row, 1));
}

void K6FileCommands::EventSmsMaskClick() {
    if (syncing_) return;
    w_.Values->setEventSmsMask(eventRow_, w_.Values->mask("SMSst7"));
}

void K6FileCommands::AssignToAllEventsClick() {
    if (!Confirm(w_.Texts.AssignToAllEvents)) return;
    k6config::ApplySmsMaskToAllEvents(*w_.Values, w_.Values->mask("SMSst7"));
}

void K6FileCommands::DefaultContactIdCodesClick() {
    k6config::LoadDefaultEventTable(*w_.Values, LanguageIndex());
}

void K6FileCommands::ZoneTemplateClick() {
    k6config::LoadZoneTemplate(*w_.Values, LanguageIndex());
}

void K6FileCommands::ContactIdSendClick() {
    if (syncing_) return;
    WriteSetting(w_.RegKey, QStringLiteral("ContactIdSend"),
                 w_.LocalValues->checked("CheckBox14") ? QStringLiteral("1") : QStringLiteral("0"));
}

void K6FileCommands::ApplyContactIdSetting() {
    const QString v = ReadSetting(w_.RegKey, QStringLiteral("ContactIdSend"));
    syncing_ = true;
    w_.LocalValues->setChecked("CheckBox14", v.isEmpty() || v == QLatin1String("1"));
    syncing_ = false;
}

} // namespace dalvex
