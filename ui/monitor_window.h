#pragma once
// The monitor window "Monitor": in monitor mode the module streams its trace, in terminal mode
// ("Monitor+AT") the window talks to the module's GSM modem. Everything received is shown as text.
//
// Hours of streaming: received text is collected and put into the view in batches (at most every
// kFlushMs), and the view keeps only the last kViewLimit characters, cut at a line start. Every
// batch also goes to a spool file (0600, in a private 0700 folder), so "Mentés fájlba" saves
// everything since the window was opened or last cleared, not only what the view still shows.
// Design name: TK6Form3; objectName "TK6Form3", by which the catalogue and the tests find it.

#include "k6link/monitor_text.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <span>

class QFile;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTemporaryDir;
class QTimer;

namespace dalvex {

// Catalogue texts of the monitor window; the language pass replaces them.
struct MonitorTexts {
    QString Warning = QStringLiteral("Monitorozás után, kérem indítsa újra a GSM modult!");
    QString SaveTitle = QStringLiteral("Mentés fájlba");
    QString TextFilter = QStringLiteral("Szöveges File (*.TXT *.txt)");
    QString SpoolLost =
        QStringLiteral("A monitor szöveg ideiglenes fájlja nem írható; csak a látható szöveg menthető.");
};

class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Monitor, Terminal };
    static constexpr qsizetype kViewLimit = 1 << 20; // characters the view keeps
    static constexpr int kFlushMs = 100;
    static constexpr int kFirstStampMs = 1000;
    static constexpr int kStampMs = 600000;
    static constexpr int kLineBuffer = 256; // the module's line buffer: 255 characters and CR

    explicit MonitorWindow(QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // Opening from the K6 window's menu: shown modally; the operation starts at its activation.
    void Open(Mode mode);
    Mode CurrentMode() const { return mode_; }

    // Handlers of the controls and events; the design names their handlers as noted.
    void Activate();    // design: FormActivate
    void StampTick();   // design: Timer1Timer
    void ClearClick();  // design: Button1Click; "Monitorablak törlése"
    void SaveClick();   // design: Button2Click; "Mentés fájlba"
    void SendAtClick(); // design: Button4Click; "Send AT"
    // A chunk received in state 82.
    void AsynText(std::span<const std::uint8_t> bytes);
    // Puts the collected text into the view now (the batch timer does it otherwise).
    void Flush();

    // What the view shows.
    QString ViewText() const;

    MonitorTexts Texts;
    QPlainTextEdit* TextView = nullptr;  // design: Memo1
    QLabel* WarningLabel = nullptr;      // design: Label1; the warning
    QPushButton* ClearButton = nullptr;  // design: Button1
    QPushButton* SaveButton = nullptr;   // design: Button2
    QPushButton* ExitButton = nullptr;   // design: Button3
    QPushButton* SendAtButton = nullptr; // design: Button4
    QLineEdit* AtCommand = nullptr;      // design: Edit1; the line "Send AT" sends
    QTimer* StampTimer = nullptr;        // design: Timer1

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Append(const QString& text);
    void TrimView();
    void ResetSpool();
    void Message(const QString& text);

    Mode mode_ = Mode::Monitor;
    bool startPending_ = false;
    k6link::MonitorTextDecoder decoder_;
    QString pending_;
    qsizetype viewChars_ = 0;
    QTimer* flush_ = nullptr;
    std::unique_ptr<QTemporaryDir> spoolDir_;
    std::unique_ptr<QFile> spool_;
    bool spoolOk_ = false;
};

} // namespace dalvex
