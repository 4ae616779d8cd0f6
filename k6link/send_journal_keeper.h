#pragma once
// Keeps the send journal (k6config/send_journal.h) for the configuration sends of one engine: the
// entry right before a send's first write, its count of acknowledged units as they come, its
// removal when the send completes. A completed read of the module removes its entry too: what the
// module holds is known again (the pages, the file and the backup show it), whatever mix it is.
//
// Which sends are recorded: those that write the configuration, "Elküldés" whole or by what
// changed (from the K6 window, the door-phone window or dalvex-cli send) and the PSTN send; the
// clock set writes none. A send that writes only part of the configuration (by what changed, the
// PSTN send) leaves an older entry of its module as it is, also when it completes: the module may
// still hold the older send's mix. Only a whole send replaces it, and clears it by completing.
//
// The keeper follows the engine (Engine::AddObserver) and asks the transfer only what the send in
// progress writes; it never changes how a send runs. A journal that cannot be written leaves the
// send going: LastError says why, and OnError is told at once.

#include "k6config/send_journal.h"
#include "k6link/config_transfer.h"
#include "k6link/engine.h"

#include <QString>
#include <functional>
#include <optional>

namespace dalvex::k6link {

// The port as entries name it: "COM12" for any spelling of a COM name, otherwise the name as given.
QString JournalPortName(const QString& port);

// What an entry tells the user, catalogue texts that the language pass replaces: %1 the date and
// %2 the time the send began, %3 the units acknowledged, %4 the units it writes.
struct JournalTexts {
    QString InterruptedBlocks = QStringLiteral(
        "Az utolsó adatküldés ebbe a modulba (%1 %2) %4 blokkból %3 elküldése után megszakadt: a "
        "modulban régi és új beállítások keveredhetnek");
    QString InterruptedBytes = QStringLiteral(
        "Az utolsó adatküldés ebbe a modulba (%1 %2) %4 bájtból %3 elküldése után megszakadt: a "
        "modulban régi és új beállítások keveredhetnek");
    QString Text(const k6config::JournalEntry& entry, int language) const;
};

class SendJournalKeeper {
public:
    // The module the engine talks to, as the host knows it: the type code it answered (75 for a
    // door phone, which the engine serves as 72), its model name, and the customer fields that
    // go into the recorded image.
    struct Module {
        int code = 0;
        QString model;
        k6config::CustomerFields customer;
    };
    using ModuleFn = std::function<Module()>;

    // Follows `engine` from now on; the keeper lives at least as long as the engine is used.
    SendJournalKeeper(Engine& engine, ConfigTransfer& transfer, ModuleFn module,
                      QString folder = k6config::DefaultJournalFolder());

    // The port of the engine's sends, as entries name it.
    QString Port() const;
    // The entry of the module with type code `moduleCode` on the engine's port.
    std::optional<k6config::JournalEntry> Recorded(int moduleCode) const;
    k6config::SendJournal& Journal() { return journal_; }

    // Why the last send's entry could not be written or kept up; empty while all is well.
    QString LastError;
    std::function<void(const QString&)> OnError;

private:
    bool IsWriteState(std::int32_t state) const;
    void BeforeWrite();
    void BlockDone();
    void Ended(const OperationEnd& end);
    void Failed(const QString& why);

    Engine& e_;
    ConfigTransfer& transfer_;
    ModuleFn module_;
    k6config::SendJournal journal_;

    // The send in progress.
    struct Send {
        bool active = false; // it has begun writing
        bool whole = false;
        bool recorded = false; // its entry is the one in hand
        int code = 0;
        QString port;
        int planned = 0;
        int written = 0;
        bool bytes = false;
    };
    Send send_;
};

} // namespace dalvex::k6link
