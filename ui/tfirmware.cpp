#include "tfirmware.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>

namespace dalvex {

namespace {
constexpr int kConvertDelay = 100;
}

TFirmware::TFirmware(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , FirmwareImage(Store.FirmwareImage)
    , FirmwareSlot(Store.FirmwareSlot) {
    setObjectName(QStringLiteral("TFirmware"));
    setWindowTitle(QStringLiteral("Firmware"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const k6media::FirmwareSlotDef& s : k6media::kFirmwareSlots) {
        const auto add = [&](const QString& name, const char* caption, int column) {
            auto* l = new QLabel(QString::fromUtf8(caption), this);
            l->setObjectName(name);
            grid->addWidget(l, row, column);
        };
        add(QStringLiteral("Label%1").arg(2 * row + 1), s.company, 0);
        add(QStringLiteral("Label%1").arg(2 * row + 2), s.imageLabel, 1);
        if (*s.versionName) add(QString::fromLatin1(s.versionName), s.versionLabel, 2);
        ++row;
    }
    Label2 = Label(QStringLiteral("Label2"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kConvertDelay);
    connect(Timer1, &QTimer::timeout, this, &TFirmware::Timer1Timer);
}

QLabel* TFirmware::Label(const QString& name) const {
    return findChild<QLabel*>(name);
}

void TFirmware::Timer1Timer() {
    Timer1->stop();
    if (OnFirstTick) OnFirstTick();
}

} // namespace dalvex
