#include "session.h"

#include "i18n/module_models.h"

#include "i18n/catalogue.h"
#include "i18n/product_variant.h"
#include "cli/config_files.h"
#include "k6config/file_access.h"
#include "k6link/core_states.h"
#include "k6link/frame_names.h"
#include "serial/com_names.h"
#include "serial/settings.h"
#include "startup/device_search.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

namespace dalvex::cli {

namespace {

// The engine timer's rate while an operation runs, as in the K6 window.
constexpr int kTickMs = 50;
// The start window's send tick.
constexpr int kSearchTickMs = 100;

volatile std::sig_atomic_t gInterrupts = 0;
volatile std::sig_atomic_t gSignal = SIGINT; // the last of them

void OnInterrupt(int signal) {
    gSignal = signal;
    gInterrupts = gInterrupts + 1;
}

// How the messages name what stopped the session.
QString InterruptName() {
    switch (gSignal) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP, the terminal closed");
    default:
        return QStringLiteral("Ctrl-C");
    }
}

// The start window's side of the search, for one port and no window.
class SearchSide final : public SearchHost {
public:
    SearchSide(TAsynComm32& comm, CheckedPort& port, QString portName)
        : comm_(comm)
        , port_(port)
        , portName_(std::move(portName)) {}
    void SetPortName(const std::string& deviceName) override { port_.SetDeviceName(deviceName); }
    void OpenPort() override { port_.Open(); }
    void ClosePort() override { comm_.Close(); }
    void WriteFrame(const SixByteFrame& frame) override {
        comm_.Write(frame.bytes.data(), static_cast<int>(frame.bytes.size()));
    }
    QString ReadSetting(const QString& name) override {
        return name == QLatin1String("comport") ? portName_ : QString();
    }
    void WriteSetting(const QString&, const QString&) override {}
    void SelectPortPosition(int) override {}
    void EnableAutoSearchButton() override {}
    QString ModuleLabel() override { return label_; }
    void SetModuleLabel(const QString& text) override { label_ = text; }
    void ModuleIdentified() override {}
    void EnableIndicator() override {}
    bool PortIsOpen() override { return comm_.IsOpen(); }
    bool PortLost() override { return comm_.Lost(); }
    void ModuleWithdrawn() override {}

private:
    TAsynComm32& comm_;
    CheckedPort& port_;
    QString portName_;
    QString label_;
};

std::string NameChunk(SerialTrace::Direction d, std::span<const std::uint8_t> bytes) {
    return d == SerialTrace::Direction::Out ? k6link::DescribeCommand(bytes) : k6link::DescribeReply(bytes);
}

} // namespace

void CatchInterrupts() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        // Writes and waits carry on: the session looks at the count on its next tick.
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
}

int InterruptedExit() {
    return 128 + gSignal;
}

void CheckedPort::Open() {
    AsynCommPort::Open();
    OpenError = comm_.IsOpen() ? 0 : (comm_.LastError() ? comm_.LastError() : EIO);
}

QString PortErrorText(const QString& port, int error) {
    const auto device = resolveComDevice(port.toStdString());
    const QString where =
        port + (device ? QStringLiteral(" (%1)").arg(QString::fromStdString(*device)) : QString());
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("cannot open %1: permission denied. Add your user to the \"dialout\" group "
                              "(sudo usermod -aG dialout $USER) and log in again.")
            .arg(where);
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("cannot open %1: the port is busy (another program is using it).").arg(where);
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return QStringLiteral("cannot open %1: no such device (is the cable plugged in?).").arg(where);
    default:
        return QStringLiteral("cannot open %1: %2").arg(where, QString::fromLocal8Bit(std::strerror(error)));
    }
}

Session::Session(Options options)
    : options_(std::move(options))
    , port_(comm_)
    , engine_(port_, *this)
    , transfer_(engine_, *this)
    , journal_(engine_, transfer_,
               [this] {
                   return k6link::SendJournalKeeper::Module{ModuleCode, ModelName, Customer};
               })
    , progress_(options_.quiet) {
    journal_.OnError = [this](const QString& why) {
        progress_.Say(QStringLiteral("Warning: this send is not recorded in the send journal (%1); were it cut "
                                     "off, the next start would not know")
                          .arg(why),
                      true);
    };
    comm_.SetBaudRate(options_.baud);
    comm_.OnRxChar = [this](TCustomAsynComm32*, int n) {
        alive_ = true;
        engine_.AsynComm321RxChar(n);
    };
    const QString v = dalvex::ReadSetting(MakeRegKey(MakeBrandFields()), QStringLiteral("ContactIdSend"));
    ContactId = v.isEmpty() || v == QLatin1String("1");
}

int Session::Language() const {
    // Looked up only when a message is shown, so the first frame does not wait for it.
    if (language_ < 0)
        language_ = i18n::ActivationLanguage(
            dalvex::ReadSetting(MakeRegKey(MakeBrandFields()), QStringLiteral("Language")));
    return language_;
}

QString Session::Localise(const QString& text) const {
    return i18n::Catalogue::Builtin().Message(text, Language()).value_or(text);
}

bool Session::SayCutOffSend() {
    const auto entry = journal_.Recorded(ModuleCode);
    if (!entry) return false;
    k6link::JournalTexts texts;
    texts.InterruptedBlocks = Localise(texts.InterruptedBlocks);
    texts.InterruptedBytes = Localise(texts.InterruptedBytes);
    progress_.Say(texts.Text(*entry, Language()), true);
    return true;
}

Session::~Session() {
    comm_.Close();
    progress_.End();
    if (trace_) {
        trace_->Stop();
        // A trace that a full disk ended says so; what the command did stands.
        if (trace_->errorCode() != 0)
            progress_.Say(QStringLiteral("dalvex-cli: trace: %1")
                              .arg(FileErrorText(k6config::FileResultOf(trace_->errorCode()), options_.trace)),
                          true);
        else if (!trace_->error().empty())
            progress_.Say(QStringLiteral("dalvex-cli: trace: %1").arg(QString::fromStdString(trace_->error())), true);
    }
}

int Session::Prepare() {
    if (!resolveComDevice(options_.port.toStdString())) {
        progress_.Say(QStringLiteral("dalvex-cli: \"%1\" is no port name (COM1, COM2 ... or a device path)")
                          .arg(options_.port),
                      true);
        return kUsageError;
    }
    if (!options_.trace.isEmpty()) {
        trace_ = std::make_shared<SerialTrace>();
        trace_->SetNamer(NameChunk);
        if (!trace_->Start(k6config::NameBytes(options_.trace).toStdString())) {
            progress_.Say(
                QStringLiteral("dalvex-cli: trace: %1").arg(QString::fromStdString(trace_->error())), true);
            return kUsageError;
        }
        comm_.SetTrace(trace_);
    }
    return kOk;
}

QString Session::ReadSetting(const QString& name) {
    return name == QLatin1String("comport") ? options_.port : QString();
}

void Session::SetStatusPanel(int, const QString&) {
    alive_ = true;
}

void Session::ShowMessage(const QString& text) {
    progress_.Say(Localise(text));
}

void Session::CountProgressOver(int units) {
    countedProgress_ = true;
    progress_.Set(units, 0);
}

void Session::SetProgress(int maximum, int position) {
    alive_ = true;
    if (!countedProgress_) progress_.Set(maximum, position);
}

void Session::StepProgress() {
    alive_ = true;
    progress_.Step();
}

void Session::Alive() {
    alive_ = true;
}

int Session::Identify() {
    SearchSide side(comm_, port_, options_.port);
    DeviceSearch search(side, MakeBrandFields());
    QEventLoop loop;
    comm_.OnRxChar = [&](TCustomAsynComm32*, int n) {
        std::uint8_t buffer[512];
        while (n > 0) {
            const int got = comm_.Read(buffer, std::min(n, static_cast<int>(sizeof buffer)));
            if (got <= 0) break;
            search.ReceiveBytes(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(got)));
            n -= got;
        }
        if (search.ModuleCode != 0) loop.quit();
    };
    int result = -1;
    const auto started = std::chrono::steady_clock::now();
    const auto step = [&] {
        search.SendTick();
        if (port_.OpenError) {
            progress_.Say(QStringLiteral("dalvex-cli: ") + PortErrorText(options_.port, port_.OpenError),
                          true);
            result = kModuleError;
        } else if (gInterrupts) {
            progress_.Say(QStringLiteral("Stopped (%1) before the module answered").arg(InterruptName()), true);
            StoppedByUser = true;
            result = InterruptedExit();
        } else if (std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() >
                   options_.timeoutSeconds) {
            progress_.Say(QStringLiteral("dalvex-cli: no answer from a module on %1 within %2 s")
                              .arg(options_.port)
                              .arg(options_.timeoutSeconds),
                          true);
            result = kModuleError;
        }
        if (result >= 0) loop.quit();
    };
    // The saved port is opened and the first probe goes out at once.
    search.SearchState = DeviceSearch::ReopenPort;
    step();
    if (result < 0) step();
    QTimer ticks;
    ticks.setInterval(kSearchTickMs);
    QObject::connect(&ticks, &QTimer::timeout, step);
    if (result < 0 && search.ModuleCode == 0) {
        ticks.start();
        loop.exec();
        ticks.stop();
    }
    comm_.OnRxChar = [this](TCustomAsynComm32*, int n) {
        alive_ = true;
        engine_.AsynComm321RxChar(n);
    };
    if (result >= 0 && search.ModuleCode == 0) return result;
    ModuleCode = search.ModuleCode;
    ModelName = side.ModuleLabel();
    if (!DeviceSearch::IsSupported(ModuleCode)) {
        progress_.Say(
            QStringLiteral("dalvex-cli: the module on %1 answered with type code %2, which this tool "
                           "does not serve")
                .arg(options_.port)
                .arg(ModuleCode),
            true);
        return kModuleError;
    }
    // A door phone is talked to as the main model, as the windows do.
    engine_.SetModuleType(FindModel(ModuleCode)->engineType);
    const int r = Run(QStringLiteral("version"), [this](k6link::EndFn done) {
        engine_.ClearRx();
        engine_.StartVersionQuery(k6link::VersionNotice::None, std::move(done));
    });
    return r;
}

int Session::Run(const QString& what, const std::function<void(k6link::EndFn)>& start, bool stopAfterBlock) {
    progress_.Begin(what);
    countedProgress_ = false;
    stopRequested_ = false;
    Ended.reset();
    // The port the probe opened stays open for the operation.
    engine_.AdoptOpenPort(comm_.IsOpen());
    start([this](const k6link::OperationEnd& end) { Ended = end; });
    if (!engine_.Running()) { // the start refused, or ended what it began at once (and said why)
        progress_.End();
        return Ended && Ended->outcome == k6link::Outcome::Failed ? kModuleError : kOk;
    }
    // The first command goes out now, not after the countdown the start leaves.
    engine_.TickNow();
    const int r = Loop(what, stopAfterBlock);
    progress_.End();
    return r;
}

int Session::Loop(const QString& what, bool stopAfterBlock) {
    using Clock = std::chrono::steady_clock;
    QEventLoop loop;
    QTimer ticks;
    ticks.setInterval(kTickMs);
    int result = -1;
    auto snapshot = [this] {
        return std::array<std::int32_t, 4>{engine_.OpState, engine_.BlockIndex, engine_.MemAddr,
                                           engine_.Remaining};
    };
    auto last = snapshot();
    auto lastAlive = Clock::now();
    const auto check = [&] {
        if ((Ended && Ended->outcome == k6link::Outcome::PortLost) || engine_.PortGone) {
            progress_.Say(
                QStringLiteral("dalvex-cli: %1: COM port lost (%2): the adapter has gone; %1 did not "
                               "complete")
                    .arg(what, options_.port),
                true);
            result = kModuleError;
            return;
        }
        if (port_.OpenError) {
            progress_.Say(QStringLiteral("dalvex-cli: ") + PortErrorText(options_.port, port_.OpenError),
                          true);
            result = kModuleError;
            return;
        }
        if (gInterrupts) {
            if (stopAfterBlock && gInterrupts == 1) {
                if (!stopRequested_) {
                    stopRequested_ = true;
                    engine_.Stop(k6link::StopMode::BetweenBlocks);
                    progress_.Say(QStringLiteral("Interrupted (%1): stopping after the current block (Ctrl-C "
                                                 "again to stop at once)...")
                                      .arg(InterruptName()),
                                  true);
                }
            } else {
                progress_.Say(QStringLiteral("Stopped (%1): %2 did not complete").arg(InterruptName(), what), true);
                StoppedByUser = true;
                result = InterruptedExit();
                return;
            }
        }
        if (Ended) {
            switch (Ended->outcome) {
            case k6link::Outcome::Done:
                result = kOk;
                return;
            case k6link::Outcome::Failed: // the operation's host has said why
                result = kModuleError;
                return;
            case k6link::Outcome::Stopped:
                StoppedByUser = stopRequested_;
                if (stopRequested_)
                    result = InterruptedExit();
                else {
                    progress_.Say(QStringLiteral("dalvex-cli: %1 was abandoned").arg(what), true);
                    result = kModuleError;
                }
                return;
            case k6link::Outcome::PortLost: // said above
                break;
            }
        }
        const auto now = Clock::now();
        if (alive_ || snapshot() != last) {
            alive_ = false;
            last = snapshot();
            lastAlive = now;
        } else if (std::chrono::duration<double>(now - lastAlive).count() > options_.timeoutSeconds) {
            progress_.Say(
                QStringLiteral("dalvex-cli: %1: no answer from the module on %2 for %3 s; giving up")
                    .arg(what, options_.port)
                    .arg(options_.timeoutSeconds),
                true);
            result = kModuleError;
        }
    };
    check();
    if (result >= 0) return result;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        engine_.tick();
        if (OnTick) OnTick();
        check();
        if (result >= 0) loop.quit();
    });
    ticks.start();
    loop.exec();
    ticks.stop();
    if (result != kOk && engine_.OpState != k6link::state::Idle) engine_.Stop();
    return result;
}

} // namespace dalvex::cli
