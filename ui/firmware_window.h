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

    QLabel* Label1 = nullptr; // headline
    QLabel* Label2 = nullptr; // processor
    QLabel* Label3 = nullptr; // software version
    QLabel* Label4 = nullptr; // hardware code
    QLabel* Label5 = nullptr; // second version byte
    QLabel* Label6 = nullptr; // "Nincs elérhető új Firmware!", with the pop-up menu
    QAction* DownloadOLDfirmware1 = nullptr;
    QPushButton* Button1 = nullptr; // "Download Start (8.3 J10)"
    QPushButton* BitBtn3 = nullptr; // "Kilépés"
    QProgressBar* ProgressBar1 = nullptr;
    QTimer* Timer1 = nullptr; // 300 ms, moves the bar while the module programs itself

    // The download this window starts (set by the K6 window).
    k6media::FirmwareDownload* Operation = nullptr;

    void FormActivate();
    void Button1Click();
    void DownloadOLDfirmware1Click();
    void BitBtn3Click();
    void Timer1Timer();

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
    void FormCreate();
    // "Download Start" with the main model's image label, when there is an image.
    void ShowDownloadButton(const QString& caption);
    void FormClose();
};

} // namespace dalvex
