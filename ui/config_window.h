#pragma once
// The K6 configuration window: the page control with the editing pages, the menus, the status
// bar, the fields the start window hands a module over with, and the operation engine with its
// port and timers. The window shows what the engine asks for (it is the engine's host) and starts
// operations by setting the engine's OpState; it never writes to the port itself.
// Design name: TK6Form1; objectName "K6Form1", by which the catalogue and the tests find it.

#include "i18n/product_variant.h"
#include "k6link/answer_watch.h"
#include "k6link/config_transfer.h"
#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/memory_write.h"
#include "k6link/port.h"

#include <QDateTime>
#include <QMainWindow>
#include <QMessageBox>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace dalvex {

class HelpPanel;

namespace k6config {
class PageValues;
struct ImageContext;
} // namespace k6config
namespace k6pages {
class K6Pages;
}

class TAsynComm32;
class K6Activation;
class K6FileCommands;
class SerialTraceSwitch;
class SendChangedSwitch;
class K6BackupSide;
class K6TextSide;
class K6FirmwareSide;
class K6VoiceSide;
class K6StatusSide;
class K6ModemSide;
class K6HistorySide;
class K6JournalSide;
namespace k6link {
class ConfigTransfer;
class MemoryWrite;
class SendJournalKeeper;
} // namespace k6link

// Catalogue texts of the window; the language pass replaces them.
struct K6FormTexts {
    QString Customer = QStringLiteral("Ügyfél:");
    QString RestartQuestion = QStringLiteral("Biztosan újra akarja indítani az eszközt?");
    QString ExitQuestion = QStringLiteral("Művelet van folyamatban, biztosan ki akar lépni?!");
    QString NoAnswer = QStringLiteral("Nincs válasz a modultól: ellenőrizze a kábelt és a tápellátását");
    QString Stop = QStringLiteral("Leállítás");
    QString Stopped = QStringLiteral("A művelet leállítva.");
    QString UnsentEdits = QStringLiteral("Az oldalakon el nem küldött módosítások vannak. Elküldi őket a modulba?");
    QString SendEdits = QStringLiteral("Elküldés");
    QString DiscardEdits = QStringLiteral("Elvetés");
    QString CancelEdits = QStringLiteral("Mégse");
    QString FileSaved = QStringLiteral("A beállítások fájlba mentve: %1");
    QString FileOpened = QStringLiteral("A beállítások megnyitva fájlból: %1");
    QString AssignToAllEvents =
        QStringLiteral("Az összes eseményhez hozzárendeljük a fenti lista telefonszámait! Biztosan folytatja?");
};

class ConfigWindow : public QMainWindow, private k6link::EngineHost {
    Q_OBJECT
public:
    explicit ConfigWindow(QWidget* parent = nullptr);
    ~ConfigWindow() override;

    // The page with component name `name` ("TabSheet20") shown or hidden in the page control.
    void SetPageVisible(const QString& name, bool visible);
    bool IsPageVisible(const QString& name) const;
    QWidget* Page(const QString& name) const;

    // Status bar: 0 port, 1 model, 2 software version, 3 operation, 4 program version.
    void SetStatusPanel(int panel, const QString& text) override;
    QString StatusPanel(int panel) const;

    // The menu item (or menu) with component name `name`.
    QAction* MenuItem(const QString& name) const;

    k6link::Engine& Engine() { return engine_; }

    // Handlers of the controls and events; the design names their handlers as noted.
    void Activate();                // design: FormActivate
    void EngineTick();              // design: adasTimer
    void PortReceived(int Count);   // design: AsynComm321RxChar
    void GsmSoftwareVersionClick(); // design: GSMsoftververzi1Click; "GSM szoftver verzió"
    void RestartClick();            // design: BitBtn4Click; restart, also the menu item "Újraindítás"
    void Send256Click();            // design: Send2561Click; developer menu "Send_256"
    void ReadClick();               // design: BitBtn2Click; "Olvasás"
    void SendClick();               // design: BitBtn1Click; "Elküldés"
    // A send of the image as it stands, not encoded from the pages first: a recorded send made
    // again goes byte for byte as it went. The Contact ID tables as `contactId` says.
    void SendImageAsItStands(bool contactId);
    // Clock sync: "Szinkronizálás", "GSM óra szinkronozása", ...
    void ClockSyncClick();  // design: GSMraszinkronozsa1Click
    void PstnSendClick();   // design: Button5Click; "PSTN send"
    void SaveFileClick();   // design: BitBtn7Click; "Mentés fájlba"
    void OpenFileClick();   // design: BitBtn8Click; "Megnyitás fájlból"
    void WiringClick();     // design: Bektsirajz1Click; "Bekötési rajz"
    void ResolutionClick(); // design: Kpernyfelbontsbelltsa1Click; "Képernyő felbontás beállítása"
    void ContactClick();    // design: Contact1Click; "Kapcsolat"
    void FirmwareDownloadClick(); // design: FirmwareDownload1Click; "Firmware Download"
    void FpgaDownloadTestClick(); // design: FPGAdownloadteszt1Click; developer "FPGA download teszt"
    void FpgaVer2Click();         // design: FPGAVER21Click; developer "FPGA_VER2"

    // Message boxes go through this when it is set (tests answer them without a modal dialog):
    // it gets the text and the buttons offered and returns the button chosen.
    using MessageBoxFn =
        std::function<QMessageBox::StandardButton(const QString& text, QMessageBox::StandardButtons buttons)>;
    static MessageBoxFn MessageBoxHook;

    QTabWidget* PageTabs = nullptr;   // design: PageControl1
    QStatusBar* StatusLine = nullptr; // design: StatusBar1
    QTimer* Language = nullptr; // applies the chosen language to every window

    // The engine's port and its five timers, all ticking adasTimer.
    TAsynComm32* const SerialPort;   // design: AsynComm321
    QTimer* EngineTimer = nullptr;   // design: adas
    QTimer* EngineTimer1 = nullptr;  // design: Timer1
    QTimer* EngineTimer2 = nullptr;  // design: Timer2
    QTimer* EngineTimer3 = nullptr;  // design: Timer3
    QTimer* EngineTimer4 = nullptr;  // design: Timer4
    QLabel* ClockLabel = nullptr;    // design: Label99; clock
    QLabel* CustomerLabel = nullptr; // "Ügyfél:" and the customer name
    QProgressBar* TransferProgress = nullptr; // design: kijelzo; transfer progress
    // The PC clock the clock set sends; tests set a fixed moment.
    std::function<QDateTime()> Clock;
    // The configuration transfer (read, send, clock set, PSTN send), created on first use.
    k6link::ConfigTransfer& Transfer();
    // The send journal's keeper of the transfer's sends, made with the transfer.
    k6link::SendJournalKeeper& JournalKeeper();
    QPushButton* SendButton = nullptr;    // design: BitBtn1; "Elküldés"
    QPushButton* ReadButton = nullptr;    // design: BitBtn2; "Olvasás"
    QPushButton* ExitButton = nullptr;    // design: BitBtn3; "Kilépés"
    QPushButton* RestartButton = nullptr; // design: BitBtn4; "Újraindítás"
    // Edits on the pages that no read, send, file or backup has caught up with. Before something
    // replaces the pages or ends the program, MayLeaveEdits asks "send / discard / cancel" (unless
    // the setting ConfirmSend is "0"): true when the action may go on; "send" starts the send and
    // the action waits for the user to ask again.
    bool HasUnsentEdits() const;
    bool MayLeaveEdits();
    // The pages as they are now count as sent or kept.
    void MarkEditsKept();
    // The window title: the tool, its build, and the configuration file saved or opened last
    // (until the next read).
    void ShowTitle();
    void SetTitleFile(const QString& path);

    // Whether an operation the user would miss runs (the version query of an activation does not
    // count).
    bool OperationInProgress() const;

    // "Leállítás" beside the progress bar, shown while a transfer runs: it stops the transfer.
    QPushButton* StopButton = nullptr;
    void StopClick();
    // The clock the no-answer notice is measured on, in milliseconds; tests set their own.
    std::function<std::int64_t()> MonotonicMs;

    K6FormTexts Texts;

    // The pages' values: those the configuration image holds, the window's others (customer
    // records, caller-ID list ...), and the door-phone window's, which the image holds as well.
    k6config::PageValues* Values = nullptr;
    k6config::PageValues* LocalValues = nullptr;
    k6config::PageValues* DoorPhoneValues = nullptr;
    // The editing pages with their handlers, activation defaults and version rules.
    k6pages::K6Pages* Pages = nullptr;
    // The help beside the pages.
    HelpPanel* Help = nullptr;
    // Builds the editing pages if they are not built yet. The program entry sets DeferPages so
    // that the start window appears first and the pages are built right after it, while the
    // start window searches; everything that needs them calls EnsurePages first.
    void EnsurePages();
    static bool DeferPages;
    // File commands and the Contact ID page's handlers (built with the pages).
    K6FileCommands* Files = nullptr;
    // "Soros forgalom naplózása": the serial trace of both windows' ports.
    SerialTraceSwitch* TraceSwitch = nullptr;
    // "Csak a változások elküldése": a send after a read writes only what changed.
    SendChangedSwitch* SendSwitch = nullptr;
    // Automatic backups of every read, what a send will change, restore.
    K6BackupSide* Backups = nullptr;
    // The configuration sheet (PDF, printer) and the configuration as text (JSON).
    K6TextSide* TextSide = nullptr;
    // A send that was cut off: said at the next start, and offered again.
    K6JournalSide* Journal = nullptr;
    // The image from the pages, as a send builds it: the pages' show handlers in their order, then
    // the encoder.
    void EncodePagesIntoImage();
    // What the codec needs beside the values: the module type, and the brand name from the
    // "company" setting as it stands now (the setting is read at every call, nothing is kept).
    k6config::ImageContext CodecContext() const;
    // The adaptation to variant, module type, version and try-out: activation and version reply.
    K6Activation* Adapt = nullptr;

    // The memory-write transfer the voice upload and the firmware download share.
    k6link::MemoryWrite& MemWrite() { return memoryWrite_; }
    // The firmware download, created on first use; null without the firmware windows.
    K6FirmwareSide* FirmwareSide();
    // The "Hangok" page: voice messages (built with the pages).
    K6VoiceSide* Voice = nullptr;
    // The status poll, the monitor and the terminal.
    K6StatusSide* Status = nullptr;
    void ModuleStatusClick(); // design: Modulllapotmegjelentse1Click; also the button "Modul állapotok"
    void MonitorClick();      // design: Hibakeress1Click; "Monitor"
    void MonitorAtClick();    // design: MonitorAT1Click; "Monitor+AT"
    // The GSM modem operations: phonebook buttons, modem menu items, GSM information and SMS
    // service-centre windows.
    K6ModemSide* ModemSide = nullptr;
    // The event log, signal chart and erase menu items with their operations.
    K6HistorySide* History = nullptr;

    // Brand fields and the settings key, set at creation.
    QString ProModelName, MiniModelName, LineModelName, DoorModelName, ToolName, ContactText;
    int DefaultLanguage = 1;
    QString RegKey;
    // The brand fields above, for the model table's names.
    BrandFields Brand() const {
        BrandFields b;
        b.ProModelName = ProModelName;
        b.MiniModelName = MiniModelName;
        b.LineModelName = LineModelName;
        b.DoorModelName = DoorModelName;
        b.ToolName = ToolName;
        b.DefaultLanguage = DefaultLanguage;
        b.ContactText = ContactText;
        return b;
    }
    // The type code the module answered (75 for a door phone, which the engine serves as 72), set
    // at hand-over.
    int ModuleCode = 72;

private:
    k6link::AsynCommPort port_;
    k6link::Engine engine_;
    class TransferSide;
    std::unique_ptr<TransferSide> transferSide_;
    std::unique_ptr<k6link::ConfigTransfer> transfer_;
    std::unique_ptr<k6link::SendJournalKeeper> journalKeeper_;
    bool imageAsItStands_ = false; // the send being started keeps the image
    k6link::MemoryWrite memoryWrite_{engine_};
    std::unique_ptr<K6FirmwareSide> firmwareSide_;

public:
    // The engine's; the start window hands them over through Engine().
    const int& ModuleType;
    const bool& DemoMode;

signals:
    // A read, send, clock sync or PSTN send has ended, after this window shows its end: the
    // door-phone window, which starts reads and sends here, shows the end in its own place.
    void TransferEnded(const dalvex::k6link::TransferEnd& end);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Prepare(); // design: FormCreate
    void LanguageTimer();
    void BuildMenus();
    void BuildControls();
    QMessageBox::StandardButton Ask(const QString& text);

    // EngineHost
    void ShowClockAndCustomer() override;
    bool PortReleased() override;
    QString ReadSetting(const QString& name) override;
    void ShowMessage(const QString& text) override;
    void OperationRunning() override;
    void EnableTransferButtons() override;
    void CloseFirmwareWindow() override;
    void ApplyVersionRules(int version, int moduleType) override;

    QLabel* panels_[5] = {};

    // A transfer whose module has gone silent is said so in status panel 3, and can be stopped.
    void WatchAnswers();
    void FinishStop();
    std::int64_t NowMs() const;
    k6link::AnswerWatch answerWatch_;
    bool noAnswerShown_ = false;
    QString statusBeforeNotice_;
    bool stopPending_ = false; // stopped between blocks: the block in flight is being finished
    QByteArray EditsSnapshot() const;
    void RunPageShowHandlers();
    QByteArray keptEdits_; // the pages as last read, sent, saved or opened
    QString titleFile_;
};

} // namespace dalvex
