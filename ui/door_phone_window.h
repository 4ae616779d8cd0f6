#pragma once
// The door-phone window "Kompakt nézet": the few settings a door phone needs. The K6 window stays
// loaded behind it and does all the work: this window's values are the K6 window's door-phone
// values (the image codec reads and writes five of them and copies the mirrored ones in after a
// read), its send copies them into the K6 window's values before the K6 window sends, and its
// other buttons click the K6 window's buttons and menu items.
// Design name: TDPhone1; objectName "TDPhone1", by which the catalogue and the tests find it.

#include <QColor>
#include <QWidget>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;

namespace dalvex {

namespace k6config {
class PageValues;
}
namespace k6link {
struct TransferEnd;
}
namespace k6pages {
class Bindings;
}

class DoorPhoneWindow : public QWidget {
    Q_OBJECT
public:
    explicit DoorPhoneWindow(QWidget* parent = nullptr);
    ~DoorPhoneWindow() override;

    // The control with component name `name` ("MaskEdit3", "SpinEdit2", "kijelzo" ...).
    QWidget* Control(const QString& name) const;

    // Handlers of the controls and events; the design names their handlers as noted.
    void Activate();          // design: FormActivate
    void SendClick();         // design: BitBtn1Click; "Elküldés"
    void ReadClick();         // design: BitBtn2Click; "Olvasás"
    void ExitClick();         // design: BitBtn3Click; "Kilépés"
    void RestartClick();      // design: BitBtn4Click; "Újrainditás"
    void NormalViewClick();   // design: Button1Click; "Normál nézetre vált"
    void ModuleStatusClick(); // design: Button2Click; "Modul állapotok megjelenítése"
    void EventLogClick();     // design: Button3Click; "Napló kiolvasása"
    void SignalClick();       // design: Button4Click; "Térerő"
    // Pop-up of the model label: "Eszköz Programfrissítése".
    void FirmwareUpdateClick();   // design: EszkzProgramfrisstse1Click
    void ForwardingClick();       // design: CheckEgyeb2Click
    void ForwardingTargetEnter(); // design: ComboBox11Enter

    // The window's values: the K6 window's door-phone values when the K6 window exists.
    k6config::PageValues* Values = nullptr;

    QPushButton* SendButton = nullptr;         // design: BitBtn1
    QPushButton* ReadButton = nullptr;         // design: BitBtn2
    QPushButton* ExitButton = nullptr;         // design: BitBtn3
    QPushButton* RestartButton = nullptr;      // design: BitBtn4
    QPushButton* NormalViewButton = nullptr;   // design: Button1
    QPushButton* ModuleStatusButton = nullptr; // design: Button2
    QPushButton* EventLogButton = nullptr;     // design: Button3
    QPushButton* SignalButton = nullptr;       // design: Button4
    QComboBox* ForwardingTarget = nullptr;     // design: ComboBox11
    QSlider* MicrophoneLevel = nullptr;        // design: TrackBar1; microphone level
    QSlider* SpeakerLevel = nullptr;           // design: TrackBar2; speaker level
    QProgressBar* TransferProgress = nullptr;  // design: kijelzo; the K6 window's transfer drives it
    QLabel* ModelLabel = nullptr;              // design: Label12; the model's name, with the firmware pop-up
    QMenu* ModelMenu = nullptr;                // design: PopupMenu1
    QAction* FirmwareUpdateItem = nullptr;     // design: EszkzProgramfrisstse1
    QLabel* Background = nullptr;              // design: Image1; background
    QLabel* ModelEmblem = nullptr;             // design: Image17; the model emblem
    QLabel* Logo = nullptr;                    // design: Image2; logo
    // The K6 window's text for the read or send in progress, then for how it ended: the K6
    // window's status bar is hidden behind this window.
    QLabel* TransferStatus = nullptr;

    // The colour a field takes while the mouse is over it; set on activation.
    QColor HoverColor;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // The K6 window's activation handler, run with this window as the sender. The language pass
    // and the adaptation rules reach this window's controls through it, and the K6 window asks for
    // the module's software version from there (its reply enables "Elküldés" and "Olvasás").
    void RunK6Activation();
    // Clicks the K6 window's menu item `name`, as the K6 window's menu would.
    void ClickK6MenuItem(const char* name);
    // After "Elküldés" or "Olvasás" has been passed on: what the K6 window shows for it.
    void ShowTransferStarted();
    // The K6 window's read or send has ended, completed or cut off.
    void K6TransferEnded(const k6link::TransferEnd& end);

    // Hover feedback.
    void ShowFieldHover(QWidget* field);
    void SetFieldColour(QWidget* field, const QColor& colour);
    void SetBold(QPushButton* button, bool bold);
    void ResetHover();

    std::unique_ptr<k6pages::Bindings> bindings_;
    QList<QWidget*> hoverFields_;
    QList<QPushButton*> buttons_;
};

} // namespace dalvex
