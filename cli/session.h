#pragma once
// One module on one port, driven from a terminal: the real serial component, the engine and the
// operations, ticked by a timer instead of the windows. The session is the host of every operation
// it runs; what the windows would show goes to the progress display or is kept for the command.
//
// Where the windows repeat a command without limit, the session gives up once nothing has moved
// (no reply handled, no state change) for the time-out, so a script never hangs on a dead module.

#include "cli/progress.h"
#include "k6link/config_transfer.h"
#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "k6link/send_journal_keeper.h"
#include "serial/async32.h"
#include "serial/serial_trace.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace dalvex::cli {

enum ExitCode : int { kOk = 0, kModuleError = 1, kUsageError = 2, kInterrupted = 130 };

struct Options {
    QString port = QStringLiteral("COM1");
    TBaudRate baud = cbr9600;
    double timeoutSeconds = 10;
    bool quiet = false;
    QString trace; // trace file, empty for none
};

// The engine's port, remembering whether the last open failed and why.
class CheckedPort final : public k6link::AsynCommPort {
public:
    explicit CheckedPort(TAsynComm32& comm)
        : AsynCommPort(comm)
        , comm_(comm) {}
    void Open() override;

    int OpenError = 0; // errno of the last failed open, 0 after a good one

private:
    TAsynComm32& comm_;
};

// The words for a port that cannot be opened, with the hint a technician needs.
QString PortErrorText(const QString& port, int error);

// Asks for Ctrl-C, SIGTERM and SIGHUP (the terminal closed) to be noticed by the sessions instead of
// ending the program at once: a send finishes the block in flight and stops, and says so.
void CatchInterrupts();
// The exit status of a session stopped by one of them: 128 + the signal's number (130 for Ctrl-C).
int InterruptedExit();

class Session final : public k6link::EngineHost, public k6link::TransferHost {
public:
    explicit Session(Options options);
    ~Session() override;

    // The port name resolves and the trace (when asked for) is running; otherwise a message and
    // kUsageError.
    int Prepare();
    // Identifies the module (the start window's probe) and asks its software version.
    int Identify();

    // Runs the operation that `start` begins, handing it the EndFn to begin it with, until its
    // outcome comes (kOk when the start begins nothing: it has said why). `stopAfterBlock`: a first
    // Ctrl-C lets the block in flight finish and then stops (a send); otherwise Ctrl-C stops at once.
    int Run(const QString& what, const std::function<void(k6link::EndFn)>& start, bool stopAfterBlock = false);
    // How the operation of the last Run ended; nothing when it was not begun or has not ended.
    std::optional<k6link::OperationEnd> Ended;

    k6link::Engine& Engine() { return engine_; }
    k6link::ConfigTransfer& Transfer() { return transfer_; }
    k6link::SendJournalKeeper& Journal() { return journal_; }
    // Says on standard error, in the user's language, when the last send to the module identified
    // on this port did not complete; true when one is recorded.
    bool SayCutOffSend();
    Progress& Bar() { return progress_; }
    const Options& Opts() const { return options_; }

    int ModuleCode = 0;
    QString ModelName;
    bool ContactId = true; // the "ContactIdSend" rule or --contact-id
    bool StoppedByUser = false;
    // The customer fields of the configuration a send writes, kept with it in the send journal.
    k6config::CustomerFields Customer;
    // Called on every tick while an operation runs (the operations that need more than the
    // engine poll from here).
    std::function<void()> OnTick;

    // k6link::EngineHost
    void ShowClockAndCustomer() override {}
    bool PortReleased() override { return true; }
    QString ReadSetting(const QString& name) override;
    void SetStatusPanel(int panel, const QString& text) override;
    void ShowMessage(const QString& text) override;
    void OperationRunning() override {}
    void EnableTransferButtons() override {}
    void CloseFirmwareWindow() override {}
    void ApplyVersionRules(int, int) override {}
    // k6link::TransferHost
    // From here to the end of the operation the progress counts over `units` steps, whatever
    // the operation's own gauge says (the window's gauge jumps between phases).
    void CountProgressOver(int units);
    void SetProgress(int maximum, int position) override;
    void StepProgress() override;
    void ShowProgress(bool) override {}
    void EnableTransferButtons(bool) override {}
    bool ContactIdTicked() override { return ContactId; }
    void EncodeImage() override {}
    void DecodeImage() override {}
    QDateTime Now() override { return QDateTime::currentDateTime(); }

    // An operation's catalogue text in the "Language" setting's language (English when unset).
    QString Localise(const QString& text) const;
    int Language() const;

    // Marks progress for the time-out (operations whose host is not this one call it).
    void Alive();

private:
    int Loop(const QString& what, bool stopAfterBlock);

    Options options_;
    TAsynComm32 comm_;
    CheckedPort port_;
    k6link::Engine engine_;
    k6link::ConfigTransfer transfer_;
    k6link::SendJournalKeeper journal_;
    Progress progress_;
    std::shared_ptr<SerialTrace> trace_;
    bool alive_ = false;
    bool countedProgress_ = false; // CountProgressOver holds the maximum
    bool stopRequested_ = false;
    mutable int language_ = -1;
};

} // namespace dalvex::cli
