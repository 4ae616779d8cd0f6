#include "gsm_info_window.h"

#include "forms.h"
#include "k6_modem_side.h"
#include "config_window.h"
#include "own_activation.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dalvex {

namespace {

constexpr const char* kCaptions[] = {
    "Network:",         "SIM900 software:",    "Jammer detect:", "IMEI number:",
    "SIM card number:", "SMS service number:", "Network type:",  "Network name:"};

} // namespace

GsmInfoWindow::GsmInfoWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form10"));
    setWindowTitle(QStringLiteral("GSM információk"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    for (int i = 0; i < 8; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        edit->setReadOnly(true);
        edit->setMinimumWidth(280);
        auto* caption = new QLabel(QString::fromLatin1(kCaptions[i]), this);
        caption->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        caption->setBuddy(edit);
        fields->addWidget(caption, i, 0);
        fields->addWidget(edit, i, 1);
        Edits[static_cast<std::size_t>(i)] = edit;
    }
    layout->addLayout(fields);
    auto* buttons = new QHBoxLayout;
    RereadButton = new QPushButton(QStringLiteral("Újraolvasás"), this);
    RereadButton->setObjectName(QStringLiteral("BitBtn1"));
    ExitButton = new QPushButton(QStringLiteral("Kilépés"), this);
    ExitButton->setObjectName(QStringLiteral("BitBtn3"));
    buttons->addWidget(RereadButton);
    buttons->addStretch(1);
    buttons->addWidget(ExitButton);
    layout->addLayout(buttons);
    connect(RereadButton, &QPushButton::clicked, this, &GsmInfoWindow::RereadClick);
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
}

void GsmInfoWindow::SetField(int field, const QString& text) {
    if (field >= 1 && field <= 8) Edits[static_cast<std::size_t>(field - 1)]->setText(text);
}

QString GsmInfoWindow::Field(int field) const {
    return field >= 1 && field <= 8 ? Edits[static_cast<std::size_t>(field - 1)]->text() : QString();
}

void GsmInfoWindow::ClearFields() {
    for (QLineEdit* e : Edits)
        e->clear();
}

void GsmInfoWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

void GsmInfoWindow::Activate() {
    ClearFields();
}

void GsmInfoWindow::RereadClick() {
    ClearFields();
    if (configWindow && configWindow->ModemSide) configWindow->ModemSide->RereadGsmInfo();
}

} // namespace dalvex
