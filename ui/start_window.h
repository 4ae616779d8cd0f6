#pragma once
// The start window: finds the module on a serial port, shows which model answered, and hands it
// over to the K6 window (or the door-phone window) with "Indít" or a try-out button.
// Design name: TForm1; objectName "Form1", by which the catalogue and the tests find it.

#include "k6link/send_journal_keeper.h"
#include "serial/async32.h"
#include "startup/device_search.h"

#include <QWidget>
#include <utility>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace dalvex {

// Catalogue texts of the window; the language pass replaces them. %1 is the port, %2 the device
// it stands for, %3 the system's reason.
struct StartWindowTexts {
    QString NoPermission = QStringLiteral("%1%2: nincs jogosultság. Lépjen be a dialout csoportba "
                                          "(sudo usermod -aG dialout $USER), majd jelentkezzen be újra.");
    QString PortBusy = QStringLiteral("%1%2: egy másik program használja.");
    QString NoSuchPort = QStringLiteral("%1%2: a port nem létezik.");
    QString CannotOpen = QStringLiteral("%1%2: nem nyitható meg (%3).");
    QString PortLost = QStringLiteral("%1%2: a COM port elveszett, az adapter újracsatlakoztatására vár.");
};

class StartWindow : public QWidget, private SearchHost {
    Q_OBJECT
public:
    explicit StartWindow(QWidget* parent = nullptr);
    ~StartWindow() override;

    // Handlers of the controls and events; the design names their handlers as noted.
    void Prepare();                   // design: FormCreate
    void Activate();                  // design: FormActivate
    void SendTick();                  // design: adasTimer
    void PortReceived(int Count);     // design: AsynComm321RxChar
    void IndicatorTick();             // design: KeresoTimer
    void HandOverTick();              // design: ablakSTARTTimer
    void PortChosen();                // design: ComboBox3Change
    void LanguageChosen();            // design: ComboBox4Change
    void AutoSearchClick();           // design: Button2Click
    void StartClick();                // design: Button5Click
    void TryOutClick(int moduleCode); // Button4, Button6, Button7, Button8
    void ExitClick();                 // design: Button3Click

    // The search word of the indicator, set by the language pass.
    void SetSearchWord(const QString& word);

    StartWindowTexts Texts;
    // What the send journal says of a module's last send that did not complete.
    k6link::JournalTexts CutOffTexts;
    DeviceSearch Search;
    TAsynComm32* SerialPort = nullptr; // design: AsynComm321
    QString StartDirectory;

    QTimer* SendTimer = nullptr;      // design: adas
    QTimer* IndicatorTimer = nullptr; // design: Kereso
    QTimer* HandOverTimer = nullptr;  // design: ablakSTART
    QLabel* ToolLabel;                // design: Label5
    QLabel* VersionLabel;             // design: Label6
    QLabel* LanguageLabel;            // design: Label7
    QLabel* ProModelLabel;            // design: Label8
    QLabel* LineModelLabel;           // design: Label9
    QLabel* FoundModel;               // design: Label10
    QLabel* MiniModelLabel;           // design: Label11
    QLabel* ProVersionLabel;          // design: Label12
    QLabel* LineVersionLabel;         // design: Label13
    QLabel* MiniVersionLabel;         // design: Label14
    QLabel* DoorModelLabel;           // design: Label15
    QLabel* DoorVersionLabel;         // design: Label16
    QLabel* Logo;                     // design: Image2
    QComboBox* PortChoice;            // design: ComboBox3
    QComboBox* LanguageChoice;        // design: ComboBox4
    QPushButton* AutoSearchButton;    // design: Button2
    QPushButton* ExitButton;          // design: Button3
    QPushButton* ProTryOutButton;     // design: Button4
    QPushButton* StartButton;         // design: Button5
    QPushButton* LineTryOutButton;    // design: Button6
    QPushButton* MiniTryOutButton;    // design: Button7
    QPushButton* DoorTryOutButton;    // design: Button8
    QGroupBox* ConnectBox;            // design: GroupBox1
    QGroupBox* TryOutBox;             // design: GroupBox2
    QLabel* PortStatus; // why the saved port could not be opened; or that the module's last send was cut off

signals:
    // The start window has closed: the program ends.
    void FormClosed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // SearchHost
    void SetPortName(const std::string& deviceName) override;
    void OpenPort() override;
    void ClosePort() override;
    void WriteFrame(const SixByteFrame& frame) override;
    QString ReadSetting(const QString& name) override;
    void WriteSetting(const QString& name, const QString& value) override;
    void SelectPortPosition(int position) override;
    void EnableAutoSearchButton() override;
    QString ModuleLabel() override;
    void SetModuleLabel(const QString& text) override;
    void ModuleIdentified() override;
    void EnableIndicator() override;
    bool PortIsOpen() override;
    bool PortLost() override;
    void ModuleWithdrawn() override;

    void BuildControls();
    void ShowLogo();
    void ShowOpenResult(int error);
    // The module found has a send on record that did not complete: PortStatus says so.
    void ShowCutOffSend();
    // The port's COM name and, when it stands for a device, " (device)": %1 and %2 of the texts.
    std::pair<QString, QString> PortWords() const;
    QString RegKey() const;

    SearchIndicator indicator_;
    QString logoKey_;
    QString searchWord_;    // the indicator's word in the current language
    bool portLost_ = false; // the port went away; until it opens again a missing port says so
    QString cutOffAsked_;   // the port and module the journal was last asked about
};

} // namespace dalvex
