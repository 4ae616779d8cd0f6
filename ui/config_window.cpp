#include "config_window.h"

#include "help_panel.h"

#include "windows.h"
#include "forms.h"
#include "k6_backup_side.h"
#include "k6_text_side.h"
#include "k6_activation.h"
#include "k6_file_commands.h"
#include "k6_firmware_side.h"
#include "k6_voice_side.h"
#include "k6_status_side.h"
#include "k6_modem_side.h"
#include "k6_history_side.h"
#include "k6_journal_side.h"
#include "k6link/send_journal_keeper.h"
#include "i18n/module_models.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6link/memory_write.h"
#include "k6pages/k6pages.h"
#include "language_pass.h"
#include "serial/async32.h"
#include "serial/settings.h"
#include "serial_trace_switch.h"
#include "start_window.h"
#include "wiring_window.h"
#include "resolution_window.h"
#include "contact_window.h"
#include "firmware_window.h"
#include "k6_send_switch.h"
#include "status_window.h"
#include "own_activation.h"
#include "page_tabs.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace dalvex {

namespace k6state = k6link::state;

ConfigWindow::MessageBoxFn ConfigWindow::MessageBoxHook;

namespace {

// The menus of the window. A row with a null parent is a menu of the menu bar; a row named "-"
// is a separator. Items whose function is not built yet stay disabled (see kMenuHandlers).
struct MenuDef {
    const char* parent;
    const char* name;
    const char* caption;
    bool visible = true;
};
constexpr MenuDef kMenus[] = {
    {nullptr, "Funcik1", "Funkciók"},
    {"Funcik1", "Olvass1", "Olvasás"},
    {"Funcik1", "rs1", "Elküldés"},
    {"Funcik1", "raszinkronizlsa1", "Óra szinkronizálása"},
    {"Funcik1", "jraindts1", "Újraindítás"},
    {"Funcik1", "-", ""},
    {"Funcik1", "GSMsoftververzi1", "GSM szoftver verzió"},
    {"Funcik1", "Modulllapotmegjelentse1", "Modul állapot megjelenítése"},
    {"Funcik1", "GSMraszinkronozsa1", "GSM óra szinkronozása"},
    {"Funcik1", "GSMinformcik1", "GSM információk"},
    {"Funcik1", "SMSszervizszmbelltsa1", "SMS szerviz szám beállítása"},
    {"Funcik1", "SIMPINkdkikapcsolsa1", "SIM PIN kód kikapcsolása"},
    {"Funcik1", "Voicehvstest1", "Voice hívás test", false},
    {"Funcik1", "Adathvsellenrzs1", "Adathívás test", false},
    {"Funcik1", "SMStest1", "SMS test"},
    {"Funcik1", "IMEInumber1", "IMEI number"},
    {"Funcik1", "ResetGSM1", "Reset GSM"},
    {"Funcik1", "Hibakeress1", "Monitor"},
    {"Funcik1", "MonitorAT1", "Monitor+AT"},
    {"Funcik1", "Naplokiolvassa1", "Naplo kiolvasása", false},
    {"Funcik1", "FirmwareDownload1", "Firmware Download", false},
    {"Funcik1", "-", ""},
    {"Funcik1", "Kilps1", "Kilépés"},
    {nullptr, "Ments2", "Fájlműveletek"},
    {"Ments2", "BitBtn7", "Mentés fájlba"},
    {"Ments2", "BitBtn8", "Megnyitás fájlból"},
    {"Ments2", "Ments1", "Mentés", false},
    {nullptr, "Karbantarts1", "Karbantartás", false},
    {"Karbantarts1", "rer1", "Térerő"},
    {nullptr, "Lersok1", "Leírások"},
    {"Lersok1", "Bektsirajz1", "Bekötési rajz"},
    {nullptr, "Belltsok1", "Beállítások"},
    {"Belltsok1", "Kpernyfelbontsbelltsa1", "Képernyő felbontás beállítása"},
    {"Belltsok1", "Nyelvek1", "Nyelv (Language)"},
    {"Nyelvek1", "Magyar1", "Magyar"},
    {"Nyelvek1", "angol1", "English"},
    {"Nyelvek1", "German1", "Deutsch"},
    {"Nyelvek1", "Slovensk1", "Slovenský SK"},
    {"Nyelvek1", "Italy1", "Italiano"},
    {"Nyelvek1", "Sloven1", "Slovenský SI"},
    {"Nyelvek1", "Franch1", "Dutch"},
    {"Nyelvek1", "eskjazyk1", "Český"},
    {"Belltsok1", "HelpPanel1", "Súgó panel"},
    {"Belltsok1", "ilts1", "Beállítás", false},
    {nullptr, "Help1", "Help", false},
    {"Help1", "SajtProfil1", "Saját profil", false},
    {nullptr, "Verzi1", "Verzió"},
    {"Verzi1", "Contact1", "Kapcsolat"},
    {nullptr, "Fejlesztiparancsok1", "Fejlesztői parancsok", false},
    {"Fejlesztiparancsok1", "FPGAdownloadteszt1", "FPGA download teszt"},
    {"Fejlesztiparancsok1", "FPGAVER21", "FPGA_VER2"},
    {"Fejlesztiparancsok1", "Send2561", "Send_256"},
    {nullptr, "KlnlegesPARANCSOK1", "Különleges PARANCSOK", false},
    {"KlnlegesPARANCSOK1", "NaplTrerTRLSE1", "Napló/Térerő TÖRLÉSE"},
};

// The menu items that work; every other item is disabled until its function is built.
struct MenuHandler {
    const char* name;
    void (ConfigWindow::*click)();
};

constexpr int kTimerInterval = 1000;
constexpr int kRunningInterval = 50;

} // namespace

ConfigWindow::ConfigWindow(QWidget* parent)
    : QMainWindow(parent)
    , SerialPort(new TAsynComm32(this))
    , port_(*SerialPort)
    , engine_(port_, *this)
    , ModuleType(engine_.ModuleType)
    , DemoMode(engine_.DemoMode) {
    setObjectName(QStringLiteral("K6Form1"));
    resize(900, 720); // the pages, with the help panel below them
    SerialPort->setObjectName(QStringLiteral("AsynComm321"));
    SerialPort->OnRxChar = [this](TCustomAsynComm32*, int Count) { PortReceived(Count); };

    BuildControls();
    BuildMenus();
    Adapt = new K6Activation(*this);
    Status = new K6StatusSide(*this);
    ModemSide = new K6ModemSide(*this);
    ModemSide->ConnectPage(); // the pages may be built already
    History = new K6HistorySide(*this);
    ConnectLanguageMenu(*this);

    Language = new QTimer(this);
    Language->setObjectName(QStringLiteral("Language"));
    Language->setInterval(300);
    connect(Language, &QTimer::timeout, this, &ConfigWindow::LanguageTimer);

    // All five engine timers run from the start; each tick of any of them is one engine tick.
    QTimer** timers[] = {&EngineTimer, &EngineTimer1, &EngineTimer2, &EngineTimer3, &EngineTimer4};
    const char* timerNames[] = {"adas", "Timer1", "Timer2", "Timer3", "Timer4"};
    for (int i = 0; i < 5; ++i) {
        QTimer* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(timerNames[i]));
        t->setInterval(kTimerInterval);
        connect(t, &QTimer::timeout, this, &ConfigWindow::EngineTick);
        t->start();
        *timers[i] = t;
    }

    Prepare();
    Help->Connect(MenuItem(QStringLiteral("HelpPanel1")));
    TraceSwitch = new SerialTraceSwitch(*this);
    SendSwitch = new SendChangedSwitch(*this);
    Backups = new K6BackupSide(*this);
    TextSide = new K6TextSide(*this);
    Journal = new K6JournalSide(*this);
}

ConfigWindow::~ConfigWindow() {
    // No received-bytes handler may reach the engine once its window is going.
    SerialPort->Close();
}

void ConfigWindow::BuildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    layout->addWidget(K6Activation::BuildHeader(central));
    auto* header = new QHBoxLayout;
    CustomerLabel = new QLabel(central);
    CustomerLabel->setObjectName(QStringLiteral("CustomerLabel"));
    ClockLabel = new QLabel(central);
    ClockLabel->setObjectName(QStringLiteral("Label99"));
    header->addWidget(CustomerLabel, 1);
    header->addWidget(ClockLabel);
    layout->addLayout(header);

    PageTabs = new PageTabWidget(central);
    PageTabs->setObjectName(QStringLiteral("PageControl1"));
    Values = new k6config::PageValues(k6config::K6Controls(), this);
    LocalValues = new k6config::PageValues(k6config::K6LocalControls(), this);
    DoorPhoneValues = new k6config::PageValues(k6config::DoorPhoneControls(), this);
    if (!DeferPages) EnsurePages();
    layout->addWidget(PageTabs, 1);
    // Below the pages, the help for the page in front.
    Help = new HelpPanel(*this, *PageTabs, central);
    layout->addWidget(Help);

    auto* buttons = new QHBoxLayout;
    auto makeButton = [central](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), central);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    ReadButton = makeButton("BitBtn2", "Olvasás");
    SendButton = makeButton("BitBtn1", "Elküldés");
    RestartButton = makeButton("BitBtn4", "Újraindítás");
    ExitButton = makeButton("BitBtn3", "Kilépés");
    // Read and send wait for the module's software version, which chooses the transfer method.
    SendButton->setEnabled(false);
    ReadButton->setEnabled(false);
    for (QPushButton* b : {ReadButton, SendButton, RestartButton})
        buttons->addWidget(b);
    TransferProgress = new QProgressBar(central);
    TransferProgress->setObjectName(QStringLiteral("kijelzo"));
    TransferProgress->setTextVisible(false);
    TransferProgress->hide();
    buttons->addWidget(TransferProgress, 1);
    StopButton = makeButton("StopButton", "Leállítás");
    StopButton->hide();
    buttons->addWidget(StopButton);
    buttons->addStretch(1);
    buttons->addWidget(ExitButton);
    layout->addLayout(buttons);
    setCentralWidget(central);

    connect(SendButton, &QPushButton::clicked, this, &ConfigWindow::SendClick);
    connect(ReadButton, &QPushButton::clicked, this, &ConfigWindow::ReadClick);
    connect(RestartButton, &QPushButton::clicked, this, &ConfigWindow::RestartClick);
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(StopButton, &QPushButton::clicked, this, &ConfigWindow::StopClick);

    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName(QStringLiteral("StatusBar1"));
    static constexpr int kPanelWidths[] = {80, 110, 70, 300, 120};
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(StatusLine);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setMinimumWidth(kPanelWidths[i]);
        StatusLine->addWidget(panels_[i], i == 3 ? 1 : 0);
    }
    setStatusBar(StatusLine);
}

void ConfigWindow::BuildMenus() {
    static const MenuHandler kHandlers[] = {
        {"GSMsoftververzi1", &ConfigWindow::GsmSoftwareVersionClick},
        {"jraindts1", &ConfigWindow::RestartClick},
        {"Send2561", &ConfigWindow::Send256Click},
        {"BitBtn7", &ConfigWindow::SaveFileClick},
        {"Olvass1", &ConfigWindow::ReadClick},
        {"rs1", &ConfigWindow::SendClick},
        {"raszinkronizlsa1", &ConfigWindow::ClockSyncClick},
        {"GSMraszinkronozsa1", &ConfigWindow::ClockSyncClick},
        {"BitBtn8", &ConfigWindow::OpenFileClick},
        {"Bektsirajz1", &ConfigWindow::WiringClick},
        {"Kpernyfelbontsbelltsa1", &ConfigWindow::ResolutionClick},
        {"Contact1", &ConfigWindow::ContactClick},
        {"FirmwareDownload1", &ConfigWindow::FirmwareDownloadClick},
        {"FPGAdownloadteszt1", &ConfigWindow::FpgaDownloadTestClick},
        {"FPGAVER21", &ConfigWindow::FpgaVer2Click},
        {"Modulllapotmegjelentse1", &ConfigWindow::ModuleStatusClick},
        {"Hibakeress1", &ConfigWindow::MonitorClick},
        {"MonitorAT1", &ConfigWindow::MonitorAtClick},
        {"Kilps1", nullptr}, // closes the window
    };
    QHash<QString, QMenu*> menus;
    for (const MenuDef& m : kMenus) {
        const QString name = QString::fromLatin1(m.name);
        const QString caption = QString::fromUtf8(m.caption);
        QMenu* parent = m.parent ? menus.value(QString::fromLatin1(m.parent)) : nullptr;
        if (name == QLatin1String("-")) {
            if (parent) parent->addSeparator();
            continue;
        }
        const bool isMenu =
            !m.parent || std::any_of(std::begin(kMenus), std::end(kMenus), [&](const MenuDef& c) {
                return c.parent && name == QLatin1String(c.parent);
            });
        QAction* action = nullptr;
        if (isMenu) {
            QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus.insert(name, menu);
            action = menu->menuAction();
        } else {
            action = parent->addAction(caption);
            const auto* h = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                                         [&](const MenuHandler& x) { return name == QLatin1String(x.name); });
            if (h == std::end(kHandlers))
                action->setEnabled(false);
            else if (h->click)
                connect(action, &QAction::triggered, this, h->click);
            else
                connect(action, &QAction::triggered, this, &QWidget::close);
        }
        action->setObjectName(name);
        action->setVisible(m.visible);
    }
}

void ConfigWindow::Prepare() {
    const BrandFields b = MakeBrandFields();
    ProModelName = b.ProModelName;
    MiniModelName = b.MiniModelName;
    LineModelName = b.LineModelName;
    DoorModelName = b.DoorModelName;
    ToolName = b.ToolName;
    DefaultLanguage = b.DefaultLanguage;
    ContactText = b.ContactText;
    RegKey = MakeRegKey(b);
    ShowTitle();
    PageTabs->setCurrentIndex(0);
}

void ConfigWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

bool ConfigWindow::DeferPages = false;

void ConfigWindow::EnsurePages() {
    if (Pages) return;
    Pages = new k6pages::K6Pages(this, PageTabs, *Values, *LocalValues);
    Files = new K6FileCommands(*this);
    Voice = new K6VoiceSide(*this);
    if (ModemSide) ModemSide->ConnectPage();
    const auto button = [this](const char* name, void (ConfigWindow::*click)()) {
        if (auto* b = qobject_cast<QPushButton*>(Pages->Control(QString::fromLatin1(name))))
            connect(b, &QPushButton::clicked, this, click);
    };
    button("Button12", &ConfigWindow::ClockSyncClick);                      // "Szinkronizálás"
    button("Button5", &ConfigWindow::PstnSendClick);                        // "PSTN send"
    button("Button19", &ConfigWindow::ModuleStatusClick);                   // "Modul állapotok"
    if (QWidget* b = Pages->Control(QStringLiteral("Button19"))) b->hide(); // developer mode only
    MarkEditsKept();
}

void ConfigWindow::Activate() {
    // What the activation itself puts into the pages is no edit.
    const bool kept = !HasUnsentEdits();
    Adapt->Run();
    if (kept) MarkEditsKept();
}

QByteArray ConfigWindow::EditsSnapshot() const {
    return Values->Snapshot() + LocalValues->Snapshot() + DoorPhoneValues->Snapshot();
}

bool ConfigWindow::HasUnsentEdits() const {
    return Pages && EditsSnapshot() != keptEdits_;
}

void ConfigWindow::MarkEditsKept() {
    if (Pages) keptEdits_ = EditsSnapshot();
}

void ConfigWindow::ShowTitle() {
    QString title = ToolName + QStringLiteral(" Firmware: ") + QString::fromLatin1(BuildDate);
    if (!titleFile_.isEmpty()) title += QStringLiteral(" – ") + QFileInfo(titleFile_).fileName();
    setWindowTitle(title);
}

void ConfigWindow::SetTitleFile(const QString& path) {
    titleFile_ = path;
    ShowTitle();
}

bool ConfigWindow::OperationInProgress() const {
    return engine_.OpState != k6state::Idle && engine_.OpState != k6state::VersionQuery;
}

bool ConfigWindow::MayLeaveEdits() {
    // Try-out sends nothing; before the version reply nothing can be sent yet.
    if (DemoMode || !SendButton->isEnabled() || !HasUnsentEdits() ||
        ReadSetting(QStringLiteral("ConfirmSend")) == QLatin1String("0"))
        return true;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    const QMessageBox::StandardButtons buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    if (MessageBoxHook) {
        answer = MessageBoxHook(Texts.UnsentEdits, buttons);
    } else {
        QMessageBox box(QMessageBox::Question, windowTitle(), Texts.UnsentEdits, buttons, this);
        box.button(QMessageBox::Save)->setText(Texts.SendEdits);
        box.button(QMessageBox::Discard)->setText(Texts.DiscardEdits);
        box.button(QMessageBox::Cancel)->setText(Texts.CancelEdits);
        box.setDefaultButton(QMessageBox::Save);
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
    }
    if (answer == QMessageBox::Save) {
        SendClick();
        return false;
    }
    return answer != QMessageBox::Cancel;
}

// The auxiliary windows open modally.
static void ShowModal(QWidget* window) {
    if (!window) return;
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
}
void ConfigWindow::WiringClick() {
    ShowModal(wiringWindow);
}
void ConfigWindow::ResolutionClick() {
    ShowModal(resolutionWindow);
}
void ConfigWindow::ContactClick() {
    ShowModal(contactWindow);
}

void ConfigWindow::SaveFileClick() {
    EnsurePages();
    Files->SaveFileClick();
}

void ConfigWindow::OpenFileClick() {
    EnsurePages();
    if (!MayLeaveEdits()) return;
    Files->OpenFileClick();
}

// The transfer's side of the window: progress, buttons, and the pages around the image.
class ConfigWindow::TransferSide : public k6link::TransferHost {
public:
    explicit TransferSide(ConfigWindow& w)
        : w_(w) {}
    void SetProgress(int maximum, int position) override {
        for (QProgressBar* p : bars()) {
            p->setMaximum(maximum);
            p->setValue(position);
        }
    }
    void StepProgress() override {
        for (QProgressBar* p : bars())
            p->setValue(std::min(p->value() + 1, p->maximum()));
    }
    void ShowProgress(bool visible) override {
        for (QProgressBar* p : bars())
            p->setVisible(visible);
        w_.StopButton->setVisible(visible);
    }
    void EnableTransferButtons(bool enabled) override {
        w_.SendButton->setEnabled(enabled);
        w_.ReadButton->setEnabled(enabled);
        // The door-phone window's send and read start the same transfer.
        if (doorPhoneWindow)
            for (const char* name : {"BitBtn1", "BitBtn2"})
                if (auto* b = doorPhoneWindow->findChild<QWidget*>(QString::fromLatin1(name)))
                    b->setEnabled(enabled);
    }
    bool ContactIdTicked() override { return w_.LocalValues->checked("CheckBox14"); }
    void EncodeImage() override {
        if (!w_.imageAsItStands_) w_.EncodePagesIntoImage();
    }
    void DecodeImage() override {
        w_.EnsurePages();
        k6config::DecodeConfigImage(w_.engine_.ConfigImage, *w_.Values, *w_.DoorPhoneValues,
                                    w_.CodecContext());
        w_.Values->setIndex("KI2SECMIN", 0);
    }
    QDateTime Now() override { return w_.Clock ? w_.Clock() : QDateTime::currentDateTime(); }
    bool SendChangedOnly() override { return SendChangedSwitch::On(w_.RegKey); }

private:
    // The window's progress bar and the door-phone window's gauge of the same name.
    std::vector<QProgressBar*> bars() const {
        std::vector<QProgressBar*> out{w_.TransferProgress};
        if (doorPhoneWindow)
            if (auto* g = doorPhoneWindow->findChild<QProgressBar*>(QStringLiteral("kijelzo")))
                out.push_back(g);
        return out;
    }
    ConfigWindow& w_;
};

k6link::ConfigTransfer& ConfigWindow::Transfer() {
    if (!transfer_) {
        transferSide_ = std::make_unique<TransferSide>(*this);
        transfer_ = std::make_unique<k6link::ConfigTransfer>(engine_, *transferSide_);
        transfer_->OnReadDone = [this] {
            if (Backups) Backups->ReadCompleted();
        };
        transfer_->OnEnded = [this](const k6link::TransferEnd& end) {
            using k6link::TransferKind;
            if (end.outcome == k6link::TransferOutcome::Done &&
                (end.kind == TransferKind::Read || end.kind == TransferKind::Send))
                MarkEditsKept();
            // The pages hold the module's configuration now, not a file's.
            if (end.outcome == k6link::TransferOutcome::Done && end.kind == TransferKind::Read)
                SetTitleFile(QString());
            emit TransferEnded(end);
        };
        // Every send is on record while it writes, so that one cut off is known at the next start.
        journalKeeper_ = std::make_unique<k6link::SendJournalKeeper>(engine_, *transfer_, [this] {
            const QString model = dalvex::ModelName(ModuleCode, Brand());
            return k6link::SendJournalKeeper::Module{ModuleCode, model.isEmpty() ? ProModelName : model,
                                                     K6FileCommands::Customer(*this)};
        });
    }
    return *transfer_;
}

k6link::SendJournalKeeper& ConfigWindow::JournalKeeper() {
    Transfer();
    return *journalKeeper_;
}

void ConfigWindow::RunPageShowHandlers() {
    for (const char* page :
         {"TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5", "TabSheet6", "TabSheet7", "TabSheet8",
          "TabSheet9", "TabSheet11", "TabSheet12", "TabSheet13", "TabSheet14", "TabSheet16", "TabSheet18"})
        Pages->RunShowHandler(QString::fromLatin1(page));
}

void ConfigWindow::EncodePagesIntoImage() {
    EnsurePages();
    // The show handlers and the encoder tidy some values (the pages show it); that is no edit.
    const bool kept = !HasUnsentEdits();
    RunPageShowHandlers();
    k6config::EncodeConfigImage(engine_.ConfigImage, *Values, *DoorPhoneValues, CodecContext());
    if (kept) MarkEditsKept();
}

k6config::ImageContext ConfigWindow::CodecContext() const {
    return {ModuleType,
            k6config::BrandName(dalvex::ReadSetting(RegKey, QStringLiteral("company")), ProModelName)};
}

void ConfigWindow::ReadClick() {
    if (!MayLeaveEdits()) return;
    Transfer().StartRead();
}
void ConfigWindow::SendClick() {
    if (Backups && !Backups->ConfirmSend()) return;
    Transfer().StartSend();
}
void ConfigWindow::SendImageAsItStands(bool contactId) {
    imageAsItStands_ = true;
    Transfer().StartSend(k6link::SendOptions{true, contactId});
    imageAsItStands_ = false;
}
void ConfigWindow::ClockSyncClick() {
    Transfer().StartClockSync();
}
void ConfigWindow::PstnSendClick() {
    Transfer().StartPstnSend();
}

K6FirmwareSide* ConfigWindow::FirmwareSide() {
    // Making the windows gives them the language, which may make the download already.
    if (!firmwareSide_ && firmwareImages && firmwareWindow && !firmwareSide_)
        firmwareSide_ = std::make_unique<K6FirmwareSide>(*this, memoryWrite_);
    return firmwareSide_.get();
}
void ConfigWindow::FirmwareDownloadClick() {
    if (K6FirmwareSide* f = FirmwareSide()) f->FirmwareDownloadClick();
}
void ConfigWindow::FpgaDownloadTestClick() {
    if (K6FirmwareSide* f = FirmwareSide()) f->FpgaDownloadTestClick();
}
void ConfigWindow::FpgaVer2Click() {
    if (K6FirmwareSide* f = FirmwareSide()) f->FpgaVer2Click();
}
void ConfigWindow::ModuleStatusClick() {
    Status->ModuleStatusClick();
}
void ConfigWindow::MonitorClick() {
    Status->MonitorClick();
}
void ConfigWindow::MonitorAtClick() {
    Status->MonitorAtClick();
}

void ConfigWindow::LanguageTimer() {
    Language->stop();
    RunStartLanguagePass(*this);
}

void ConfigWindow::EngineTick() {
    engine_.tick();
    WatchAnswers();
}

void ConfigWindow::PortReceived(int Count) {
    if (Count > 0) answerWatch_.Heard(NowMs());
    engine_.AsynComm321RxChar(Count);
    // The reply that finished the block in flight has ended a transfer stopped between blocks.
    if (stopPending_ && engine_.OpState == k6state::Idle) FinishStop();
}

std::int64_t ConfigWindow::NowMs() const {
    if (MonotonicMs) return MonotonicMs();
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

void ConfigWindow::WatchAnswers() {
    if (stopPending_ && engine_.OpState == k6state::Idle) FinishStop();
    // A transfer runs while its progress bar shows; the engine keeps repeating its command.
    if (TransferProgress->isHidden() || engine_.OpState == k6state::Idle) {
        answerWatch_.Reset();
        noAnswerShown_ = false;
        return;
    }
    const bool silent = answerWatch_.Silent(engine_, NowMs());
    if (silent && !noAnswerShown_) {
        statusBeforeNotice_ = StatusPanel(3);
        SetStatusPanel(3, Texts.NoAnswer);
        noAnswerShown_ = true;
    } else if (!silent && noAnswerShown_) {
        noAnswerShown_ = false;
        if (StatusPanel(3) == Texts.NoAnswer) SetStatusPanel(3, statusBeforeNotice_);
    }
}

void ConfigWindow::StopClick() {
    if (engine_.OpState == k6state::Idle) return;
    // A module that answers finishes the block in flight first, so a stopped send leaves no block
    // half written; a silent one, or a second press, stops at once.
    if (noAnswerShown_ || stopPending_) {
        engine_.Stop(k6link::StopMode::AtOnce);
    } else {
        stopPending_ = true;
        engine_.Stop(k6link::StopMode::BetweenBlocks);
    }
    if (engine_.OpState == k6state::Idle) FinishStop();
}

void ConfigWindow::FinishStop() {
    stopPending_ = false;
    noAnswerShown_ = false;
    answerWatch_.Reset();
    Transfer().Stopped(Texts.Stopped);
}

void ConfigWindow::GsmSoftwareVersionClick() {
    engine_.StartVersionQuery(k6link::VersionNotice::FromMenu);
}

void ConfigWindow::RestartClick() {
    if (Ask(Texts.RestartQuestion) == QMessageBox::Yes) engine_.StartRestart();
}

void ConfigWindow::Send256Click() {
    engine_.StartSend256();
}

void ConfigWindow::SetPageVisible(const QString& name, bool visible) {
    if (QWidget* page = Page(name)) PageTabs->setTabVisible(PageTabs->indexOf(page), visible);
}

bool ConfigWindow::IsPageVisible(const QString& name) const {
    QWidget* page = Page(name);
    return page && PageTabs->isTabVisible(PageTabs->indexOf(page));
}

QWidget* ConfigWindow::Page(const QString& name) const {
    return PageTabs->findChild<QWidget*>(name);
}

QAction* ConfigWindow::MenuItem(const QString& name) const {
    return findChild<QAction*>(name);
}

void ConfigWindow::SetStatusPanel(int panel, const QString& text) {
    if (panel >= 0 && panel < 5) panels_[panel]->setText(text);
}

QString ConfigWindow::StatusPanel(int panel) const {
    return panel >= 0 && panel < 5 ? panels_[panel]->text() : QString();
}

QMessageBox::StandardButton ConfigWindow::Ask(const QString& text) {
    const QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (MessageBoxHook) return MessageBoxHook(text, buttons);
    return QMessageBox::question(this, windowTitle(), text, buttons);
}

void ConfigWindow::closeEvent(QCloseEvent* event) {
    if (engine_.OpState != k6state::Idle ? Ask(Texts.ExitQuestion) != QMessageBox::Yes : !MayLeaveEdits()) {
        event->ignore();
        return;
    }
    event->accept();
    if (startWindow) startWindow->close();
}

// EngineHost

void ConfigWindow::ShowClockAndCustomer() {
    ClockLabel->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    // The customer name is the "Ügyfél név:" field of the first page.
    const auto* field = findChild<QLineEdit*>(QStringLiteral("Edit2"));
    CustomerLabel->setText(Texts.Customer + QLatin1Char(' ') + (field ? field->text() : QString()));
}

bool ConfigWindow::PortReleased() {
    return startWindow && startWindow->Search.PortReleased;
}

QString ConfigWindow::ReadSetting(const QString& name) {
    return dalvex::ReadSetting(RegKey, name);
}

void ConfigWindow::ShowMessage(const QString& text) {
    if (MessageBoxHook)
        MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::information(this, windowTitle(), text);
}

void ConfigWindow::OperationRunning() {
    if (EngineTimer->interval() != kRunningInterval) EngineTimer->setInterval(kRunningInterval);
}

void ConfigWindow::EnableTransferButtons() {
    SendButton->setEnabled(true);
    ReadButton->setEnabled(true);
    if (doorPhoneWindow) {
        for (const char* name : {"BitBtn1", "BitBtn2"})
            if (auto* b = doorPhoneWindow->findChild<QWidget*>(QString::fromLatin1(name)))
                b->setEnabled(true);
    }
    if (Journal) Journal->VersionKnown();
}

void ConfigWindow::CloseFirmwareWindow() {
    if (firmwareWindow) firmwareWindow->close();
}

void ConfigWindow::ApplyVersionRules(int, int) {
    // The reply's steps take the engine's Version, which the device filter may raise first; what
    // they put into the pages is no edit.
    const bool kept = !HasUnsentEdits();
    Adapt->VersionReply();
    if (kept) MarkEditsKept();
}

} // namespace dalvex
