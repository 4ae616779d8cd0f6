#pragma once
// The module status window "Modul állapot": inputs, tamper, supply, outputs and arming as KI/BE
// pictures, the network and GSM state, the signal gauge, the Contact ID dialler, temperature and
// the line values of the line-simulator model, "COM OK" / "COM ERROR", and the hidden developer
// button "Tesztelés END". The poll itself is the K6 window's engine operation (k6link/status_poll);
// this window paints what StatusDisplayOf makes of the status bytes.
// Design name: TK6Form2; objectName "TK6Form2", by which the catalogue and the tests find it.

#include "k6link/status_poll.h"

#include <QWidget>
#include <array>
#include <optional>
#include <span>

class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace dalvex {

// The controls of a part of the window that the version reply's rules show or hide.
std::span<const char* const> StatusPartControls(k6link::StatusPart part);

class StatusWindow : public QWidget {
    Q_OBJECT
public:
    explicit StatusWindow(QWidget* parent = nullptr);

    // Opening from the K6 window: the input panels greyed, the first pass prepared, shown modally.
    void Open();
    // Handlers of the controls and events; the design names their handlers as noted.
    void Activate();     // design: FormActivate
    void PollTick();     // design: Timer1Timer
    void TestEndClick(); // design: Button1Click; "Tesztelés END"

    // A completed pass; the module's identity chooses what is shown.
    void Refresh(const k6link::StatusBytes& s);
    // The acknowledgement of "Tesztelés END".
    void ShowRegOk();
    // The version reply's rules for this window.
    void ApplyVersionRules(int version, int moduleType);

    // Status bar: 0 GSM time, 1 "COM OK" / "COM ERROR" / "REG ok".
    QString StatusPanel(int panel) const;
    // Whether the status bar shows red.
    bool StatusBarRed() const { return statusRed_; }
    // What a picture shows now.
    k6link::Picture PictureOf(const QString& name) const;

    k6link::StatusTexts Texts;
    QTimer* PollTimer = nullptr;          // design: Timer1
    QPushButton* TestEndButton = nullptr; // design: Button1; "Tesztelés END", developer access code only
    QProgressBar* SignalGauge = nullptr;  // design: Gauge1; signal level
    QLineEdit* GsmStatus = nullptr;       // design: Edit1; "GSM Státusz:"
    QLineEdit* ErrorCode = nullptr;       // design: Edit2; "Hibakód/CID:"
    QLineEdit* Temperature = nullptr;     // design: Edit3; "Hőméséklet:"
    QLabel* LineVoltage = nullptr;        // design: VONFESZ; line voltage
    QLabel* ConnectLabel = nullptr; // "Connect: " and the count
    QLabel* ModulePicture = nullptr; // design: Image1; the module picture, copied from the K6 window

    // The on/off pictures drawn again in the pictures' language.
    void RedrawPictures();
    // After a language pass: the pictures, the last pass's texts and the link state in the new
    // language, so that nothing waits for the next poll to follow it.
    void ApplyTexts();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* AddPicture(QGridLayout* grid, int row, const char* name, const char* labelName,
                       const QString& caption);
    void SetPicture(QLabel* picture, k6link::Picture p);
    void SetStatusBarRed(bool red);
    void SetPanelColour(QFrame* panel, const char* colour);
    k6link::StatusPoll* Poll() const;

    std::array<QLabel*, 4> inputs_{};
    std::array<QLabel*, 4> inputLabels_{};
    QLabel *tamper_ = nullptr, *supply_ = nullptr, *out1_ = nullptr, *out2_ = nullptr, *arming_ = nullptr,
           *line_ = nullptr;
    QLabel *tamperLabel_ = nullptr, *out2Label_ = nullptr, *armingLabel_ = nullptr, *lineLabel_ = nullptr;
    std::array<QFrame*, 4> inputPanels_{};
    QFrame* SupplyPanel = nullptr;    // design: Panel7; supply
    QFrame* Output2Panel = nullptr;   // design: Panel8; output 2
    QStatusBar* StatusLine = nullptr; // design: StatusBar1
    QLabel* panels_[2] = {};
    bool statusRed_ = false;
    // What the window shows, to be shown again in another language.
    std::optional<k6link::StatusBytes> lastShown_;
    enum class Link { None, Ok, Error, RegOk } link_ = Link::None;
    void ShowLink(Link link);
};

} // namespace dalvex
