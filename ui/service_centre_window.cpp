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
    Label1 = new QLabel(QStringLiteral("SMS központ telefonszáma:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    row->addWidget(Label1);
    row->addWidget(Edit1, 1);
    layout->addLayout(row);

    auto* presets = new QHBoxLayout;
    QPushButton** presetButtons[] = {&Button1, &Button2, &Button3};
    for (std::size_t i = 0; i < std::size(kServiceCentrePresets); ++i) {
        const ServiceCentrePreset& p = kServiceCentrePresets[i];
        auto* b = new QPushButton(QString::fromLatin1(p.caption), this);
        b->setObjectName(QString::fromLatin1(p.button));
        connect(b, &QPushButton::clicked, this,
                [this, number = QString::fromLatin1(p.number)] { Edit1->setText(number); });
        presets->addWidget(b);
        *presetButtons[i] = b;
    }
    layout->addLayout(presets);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(Label2);

    auto* buttons = new QHBoxLayout;
    Button4 = new QPushButton(QStringLiteral("Beállítás / Újrainditás"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    Button5 = new QPushButton(QStringLiteral("Kilépés"), this);
    Button5->setObjectName(QStringLiteral("Button5"));
    buttons->addWidget(Button4);
    buttons->addStretch(1);
    buttons->addWidget(Button5);
    layout->addLayout(buttons);
    connect(Button4, &QPushButton::clicked, this, &ServiceCentreWindow::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &QWidget::close);
}

void ServiceCentreWindow::Button4Click() {
    if (K6Form1 && K6Form1->ModemSide) K6Form1->ModemSide->SetServiceCentre(Edit1->text());
}

void ServiceCentreWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // Only a window the user had open sends the monitor off.
    if (isVisible() && K6Form1 && K6Form1->ModemSide) K6Form1->ModemSide->ServiceCentreClosed();
}

} // namespace dalvex
