#pragma once
// The firmware window: a borderless, rounded, slightly transparent window that shows the module's
// processor and versions, offers the download of the matching image and shows its progress. The
// download itself is an operation of the K6 window's engine (k6media/firmware_download.h); this
// window only starts it and shows what it reports.
// Design name: TK6Form9; objectName "TK6Form9", by which the catalogue and the tests find it.

#include <QWidget>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace dalvex {

namespace k6media {
class FirmwareDownload;
}

class FirmwareWindow : public QWidget {
    Q_OBJECT
public:
    explicit FirmwareWindow(QWidget* parent = nullptr);

    static constexpr double kOpacity = 220.0 / 255.0;
    static constexpr int kCornerEllipse = 20;

    QLabel* Headline = nullptr;              // design: Label1; headline
    QLabel* ProcessorLabel = nullptr;        // design: Label2; processor
    QLabel* SoftwareVersionLabel = nullptr;  // design: Label3; software version
    QLabel* HardwareCodeLabel = nullptr;     // design: Label4; hardware code
    QLabel* SoftwareVersion2Label = nullptr; // design: Label5; second version byte
    QLabel* NoNewFirmwareLabel =
        nullptr; // design: Label6; "Nincs elérhető új Firmware!", with the pop-up menu
    QAction* OldFirmwareItem = nullptr;    // design: DownloadOLDfirmware1
    QPushButton* DownloadButton = nullptr; // design: Button1; "Download Start (8.3 J10)"
    QPushButton* ExitButton = nullptr;     // design: BitBtn3; "Kilépés"
    QProgressBar* Progress = nullptr;      // design: ProgressBar1
    QTimer* ProgrammingTimer =
        nullptr; // design: Timer1; 300 ms, moves the bar while the module programs itself

    // The download this window starts (set by the K6 window).
    k6media::FirmwareDownload* Operation = nullptr;

    void Activate();         // design: FormActivate
    void DownloadClick();    // design: Button1Click
    void OldFirmwareClick(); // design: DownloadOLDfirmware1Click
    void ExitClick();        // design: BitBtn3Click
    void ProgrammingTick();  // design: Timer1Timer

    // What the download shows.
    void ShowMessage(const QString& text);
    // The window's own texts in the current language (the language pass; opening the window).
    void ApplyTexts();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Prepare(); // design: FormCreate
    // "Download Start" with the main model's image label, when there is an image.
    void ShowDownloadButton(const QString& caption);
    void Closing(); // design: FormClose

};

} // namespace dalvex
