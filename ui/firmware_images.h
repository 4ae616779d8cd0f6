#pragma once
// The hidden data window of the firmware download: it carries the images of the firmware folders
// with their row labels, the buffer an image is converted into, the slot chosen for the module and
// the module's identification values. It is never shown. Its timer runs the conversion one tick after
// "Download Start", so the click returns before the work starts.
// Design name: TFirmware; objectName "TFirmware", by which the catalogue and the tests find it.

#include "k6media/firmware_image.h"

#include <QWidget>
#include <functional>

class QLabel;
class QTimer;

namespace dalvex {

class FirmwareImages : public QWidget {
    Q_OBJECT
public:
    explicit FirmwareImages(QWidget* parent = nullptr);

    k6media::FirmwareData Store;
    std::vector<std::uint8_t>& FirmwareImage;
    int& FirmwareSlot;

    // Row labels: Label1/Label2 for slot 10 ("Telgor", "8.3 J10"), Label3/Label4 for slot 11 and so
    // on; the image versions in Label11 to Label14.
    QLabel* Label(const QString& name) const;
    QLabel* MainImageLabel = nullptr; // design: Label2
    // Puts the images' labels and versions of the firmware folders' manifests on the rows (empty
    // for a slot without an image).
    void ShowImages();

    QTimer* ConversionTimer = nullptr; // design: Timer1; 100 ms, off; switches itself off at its first tick
    void ConversionTick();             // design: Timer1Timer
    // What the first tick does (set by the K6 window's firmware side).
    std::function<void()> OnFirstTick;
};

} // namespace dalvex
