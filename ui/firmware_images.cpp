#include "firmware_images.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>

namespace dalvex {

namespace {

constexpr int kConvertDelay = 100;

// The labels that show the slots' image versions; a slot not named here has none.
struct VersionLabel {
    int slot;
    const char* name;
};
constexpr VersionLabel kVersionLabels[] = {
    {10, "Label11"}, {12, "Label12"}, {13, "Label13"}, {14, "Label14"}};

const char* VersionLabelOf(int slot) {
    for (const VersionLabel& v : kVersionLabels)
        if (v.slot == slot) return v.name;
    return "";
}

} // namespace

FirmwareImages::FirmwareImages(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , FirmwareImage(Store.FirmwareImage)
    , FirmwareSlot(Store.FirmwareSlot) {
    setObjectName(QStringLiteral("TFirmware"));
    setWindowTitle(QStringLiteral("Firmware"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const k6media::FirmwareSlotDef& s : k6media::kFirmwareSlots) {
        const auto add = [&](const QString& name, const QString& caption, int column) {
            auto* l = new QLabel(caption, this);
            l->setObjectName(name);
            grid->addWidget(l, row, column);
        };
        add(QStringLiteral("Label%1").arg(2 * row + 1), QString::fromUtf8(s.company), 0);
        add(QStringLiteral("Label%1").arg(2 * row + 2), QString(), 1);
        if (const char* version = VersionLabelOf(s.slot); *version)
            add(QString::fromLatin1(version), QString(), 2);
        ++row;
    }
    MainImageLabel = Label(QStringLiteral("Label2"));
    ShowImages();

    ConversionTimer = new QTimer(this);
    ConversionTimer->setObjectName(QStringLiteral("Timer1"));
    ConversionTimer->setInterval(kConvertDelay);
    connect(ConversionTimer, &QTimer::timeout, this, &FirmwareImages::ConversionTick);
}

void FirmwareImages::ShowImages() {
    int row = 0;
    for (const k6media::FirmwareSlotDef& s : k6media::kFirmwareSlots) {
        if (QLabel* l = Label(QStringLiteral("Label%1").arg(2 * row + 2))) l->setText(Store.ImageLabel(s.slot));
        if (const char* version = VersionLabelOf(s.slot); *version)
            if (QLabel* l = Label(QString::fromLatin1(version))) {
                const std::optional<int> version = Store.ImageVersion(s.slot);
                l->setText(version ? QString::number(*version) : QString());
            }
        ++row;
    }
}

QLabel* FirmwareImages::Label(const QString& name) const {
    return findChild<QLabel*>(name);
}

void FirmwareImages::ConversionTick() {
    ConversionTimer->stop();
    if (OnFirstTick) OnFirstTick();
}

} // namespace dalvex
