#include "tk6form10.h"

#include "forms.h"
#include "k6_modem_side.h"
#include "tk6form1.h"
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

TK6Form10::TK6Form10(QWidget* parent)
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
    BitBtn1 = new QPushButton(QStringLiteral("Újraolvasás"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn3 = new QPushButton(QStringLiteral("Kilépés"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn3);
    layout->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &TK6Form10::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &QWidget::close);
}

void TK6Form10::SetField(int field, const QString& text) {
    if (field >= 1 && field <= 8) Edits[static_cast<std::size_t>(field - 1)]->setText(text);
}

QString TK6Form10::Field(int field) const {
    return field >= 1 && field <= 8 ? Edits[static_cast<std::size_t>(field - 1)]->text() : QString();
}

void TK6Form10::ClearFields() {
    for (QLineEdit* e : Edits)
        e->clear();
}

void TK6Form10::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        FormActivate();
}

void TK6Form10::FormActivate() {
    ClearFields();
}

void TK6Form10::BitBtn1Click() {
    ClearFields();
    if (K6Form1 && K6Form1->ModemSide) K6Form1->ModemSide->RereadGsmInfo();
}

} // namespace dalvex
