#include "service_centre_window.h"

#include "forms.h"
#include "k6_modem_side.h"
#include "config_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dalvex {

ServiceCentreWindow::ServiceCentreWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TSMSk"));
    setWindowTitle(QStringLiteral("SMS szerviz szám"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    NumberLabel = new QLabel(QStringLiteral("SMS központ telefonszáma:"), this);
    NumberLabel->setObjectName(QStringLiteral("Label1"));
    NumberEdit = new QLineEdit(this);
    NumberEdit->setObjectName(QStringLiteral("Edit1"));
    NumberLabel->setBuddy(NumberEdit);
    row->addWidget(NumberLabel);
    row->addWidget(NumberEdit, 1);
    layout->addLayout(row);

    auto* presets = new QHBoxLayout;
    QPushButton** presetButtons[] = {&Preset1Button, &Preset2Button, &Preset3Button};
    for (std::size_t i = 0; i < std::size(kServiceCentrePresets); ++i) {
        const ServiceCentrePreset& p = kServiceCentrePresets[i];
        auto* b = new QPushButton(QString::fromLatin1(p.caption), this);
        b->setObjectName(QString::fromLatin1(p.button));
        connect(b, &QPushButton::clicked, this,
                [this, number = QString::fromLatin1(p.number)] { NumberEdit->setText(number); });
        presets->addWidget(b);
        *presetButtons[i] = b;
    }
    layout->addLayout(presets);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(StatusLabel);

    auto* buttons = new QHBoxLayout;
    SetButton = new QPushButton(QStringLiteral("Beállítás / Újrainditás"), this);
    SetButton->setObjectName(QStringLiteral("Button4"));
    ExitButton = new QPushButton(QStringLiteral("Kilépés"), this);
    ExitButton->setObjectName(QStringLiteral("Button5"));
    buttons->addWidget(SetButton);
    buttons->addStretch(1);
    buttons->addWidget(ExitButton);
    layout->addLayout(buttons);
    connect(SetButton, &QPushButton::clicked, this, &ServiceCentreWindow::SetClick);
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
}

void ServiceCentreWindow::SetClick() {
    if (configWindow && configWindow->ModemSide)
        configWindow->ModemSide->SetServiceCentre(NumberEdit->text());
}

void ServiceCentreWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // Only a window the user had open sends the monitor off.
    if (isVisible() && configWindow && configWindow->ModemSide)
        configWindow->ModemSide->ServiceCentreClosed();
}

} // namespace dalvex
