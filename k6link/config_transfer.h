#pragma once
// Configuration read and write, the clock set and the partial "PSTN send": the operation's states
// registered with the engine, and the start of each action.
//
//   read   byte-wise (Version below 73): 100;  blocks: 110, then 112 (Contact ID bank, line
//          simulator model with the Contact ID option) and 114 (bank 0x35, 4 blocks)
//   write  byte-wise: 101, then 102 and 104 (line simulator model) or 210;  blocks: 111, then
//          102 (with the Contact ID option) and 104 (bank 0x35, 5 blocks), then 210
//   clock  210: F(0, 0xFC, 0, 0) + "yymmddhhnnss"
//   changed send (send_plan.h): 120 or 121 (reads before writing), 122 or 123 (the changed bytes or
//          blocks), 124 (the written blocks read back); then, byte-wise on the line simulator
//          model, 102 and 104 whole; then 210
//
// Configuration blocks are numbered in 16-byte units (0, 16 .. 80), the banks in 256-byte units
// (0x3400 + k, 0x3500 + k). A read carries the number low byte first, a write high byte first.

#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6link/send_plan.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t ReadBytes = 100;
inline constexpr std::int32_t WriteBytes = 101;
inline constexpr std::int32_t WriteContactId = 102;
inline constexpr std::int32_t WriteBank35 = 104;
inline constexpr std::int32_t ReadBlocks = 110;
inline constexpr std::int32_t WriteBlocks = 111;
inline constexpr std::int32_t ReadContactId = 112;
inline constexpr std::int32_t ReadBank35 = 114;
inline constexpr std::int32_t SetClock = 210;
inline constexpr std::int32_t CheckBlocks = 120;
inline constexpr std::int32_t CheckBytes = 121;
inline constexpr std::int32_t WriteChangedBytes = 122;
inline constexpr std::int32_t WriteChangedBlocks = 123;
inline constexpr std::int32_t ReadBackBlocks = 124;
} // namespace state

// What the transfer needs from its windows beside the engine host.
class TransferHost {
public:
    virtual ~TransferHost() = default;
    // The progress bar (and the door-phone gauge): maximum, position, visibility.
    virtual void SetProgress(int maximum, int position) = 0;
    virtual void StepProgress() = 0;
    virtual void ShowProgress(bool visible) = 0;
    // The read and send buttons.
    virtual void EnableTransferButtons(bool enabled) = 0;
    // "Contact ID tábla küldése/olvasása" is ticked.
    virtual bool ContactIdTicked() = 0;
    // Before a send: the pages' show handlers in their order, then the image from the pages.
    virtual void EncodeImage() = 0;
    // After a completed read: the pages from the image, and the output-2 unit to its first item.
    virtual void DecodeImage() = 0;
    // The PC's clock.
    virtual QDateTime Now() = 0;
    // "SendChangedOnly": a send after a read from the same module writes only what changed.
    virtual bool SendChangedOnly() { return true; }
};

// Which of the transfer's actions ended, and how. An action ends when its last reply has come in
// or when the engine abandons it because the port has gone. One still repeating its command has
// not ended, and one replaced by another operation started meanwhile reports nothing.
enum class TransferKind { Read, Send, ClockSync, PstnSend };
enum class TransferOutcome { Done, PortLost, Failed, Stopped };
struct TransferEnd {
    TransferKind kind;
    TransferOutcome outcome;
    QString text; // what status panel 3 shows for this end
};

// How a send ends: with the clock set (as "Elküldés" does) or not; with the Contact ID tables of a
// line simulator model or not (unset: as "Contact ID tábla küldése/olvasása" is ticked). Whether it
// goes by what changed when nothing speaks against it is the host's SendChangedOnly.
struct SendOptions {
    bool setClock = true;
    std::optional<bool> contactId;
};

// How the last send went.
struct SendReport {
    WholeReason whole = WholeReason::NoRead; // None: by what changed
    int written = 0; // units written by what changed (the whole banks that follow bytes not counted)
    int checked = 0; // units read before writing
    std::optional<SendUnit> notHeld; // the unit that differed from the knowledge asserted
};

struct TransferTexts {
    QString Reading = QStringLiteral("Összes adat kiolvasása folyamatban...");
    QString ReadDone = QStringLiteral("Összes adat kiolvasása sikeres!");
    QString Sending = QStringLiteral("Összes adat elküldése folyamatban...");
    QString SendDone = QStringLiteral("Adatküldés sikeres!");
    QString ContactId = QStringLiteral("Send all ContactID code");
    QString ClockRunning = QStringLiteral("Óra szinkronizálása a PC órájával folyamatban...");
    QString ClockDone = QStringLiteral("Óra szinkronizálása a PC órájával sikeres");
    QString ChangedSending = QStringLiteral("Változások elküldése folyamatban...");
    QString ReadingBack = QStringLiteral("Elküldött adatok visszaolvasása...");
    QString ChangedBlocksDone = QStringLiteral("Adatküldés sikeres! Elküldött blokkok: %1");
    QString ChangedBytesDone = QStringLiteral("Adatküldés sikeres! Elküldött bájtok: %1");
    QString NothingChanged = QStringLiteral("Nincs változás az olvasás óta: csak az óra lett beállítva.");
    QString NothingSent = QStringLiteral("Nincs változás az olvasás óta: semmi sem lett elküldve.");
    QString ReadBackFailed = QStringLiteral("Az elküldött adatok visszaolvasva eltérnek! Küldje el újra az "
                                            "adatokat: a következő küldés teljes lesz.");
};

class ConfigTransfer {
public:
    static constexpr std::int32_t kBytewiseBelowVersion = 73;
    static constexpr std::int32_t kConfigBytes = 1024;  // byte-wise transfer
    static constexpr std::int32_t kConfigBlockEnd = 96; // blocks 0, 16 .. 80
    static constexpr std::int32_t kConfigBlocksWritten = 6;
    static constexpr std::int32_t kContactIdBank = 0x34;
    static constexpr std::int32_t kContactIdBlocks = 128;
    static constexpr std::int32_t kBank35 = 0x35;
    static constexpr std::int32_t kBank35Read = 4;
    static constexpr std::int32_t kBank35Written = 5;
    static constexpr std::int32_t kPstnAddress = 94; // bytes 94 and 95
    static constexpr std::int32_t kPstnBytes = 2;

    // Registers the states with the engine.
    ConfigTransfer(Engine& engine, TransferHost& host);

    // "Olvasás"; the Contact ID tables as `contactId` says (unset: as the box is ticked).
    void StartRead(EndFn onEnd = {}, std::optional<bool> contactId = std::nullopt);
    void StartSend(SendOptions options = {}, EndFn onEnd = {}); // "Elküldés"
    // "Szinkronizálás", "GSM óra szinkronozása", "Óra szinkronizálása"
    void StartClockSync(EndFn onEnd = {});
    void StartPstnSend(EndFn onEnd = {}); // "PSTN send"

    // What "Elküldés" with `options` would do now, with the image as it stands (the caller encodes
    // the pages first).
    SendPlan Plan(const SendOptions& options = {});
    const SendReport& LastSend() const { return report_; }
    // What the send in progress writes, for a record of how far it got: its units in all (bytes on
    // the byte-wise protocol, where a bank's block counts 256), whether they are the whole
    // configuration, and whether the Contact ID tables are among them. No units: no send.
    struct Writes {
        int units = 0;
        bool bytes = false;
        bool whole = false;
        bool contactId = false;
    };
    Writes SendWrites() const;
    // A configuration file was opened into the pages: the next send goes whole.
    void FileOpened();
    // The technician asserts that the module holds `image` wherever a read would have brought
    // something in (the Contact ID bank only when `contactId`). The next send checks one unchanged
    // unit-span of each area first, and goes whole when one differs.
    void AssumeHeld(const k6config::ConfigImage& image, bool contactId);

    // How many bytes (byte-wise) or blocks a read started now moves, each one step of the host's
    // progress: what a host that counts by what goes over the line shows as the whole.
    int ReadUnits(std::optional<bool> contactId = std::nullopt);

    // The engine has stopped the action in progress at the user's word: the windows as after an
    // end (progress hidden, buttons enabled), `text` in the status panel, and OnEnded told.
    void Stopped(const QString& text);

    // The twelve digits of the clock set for a moment: yy mm dd hh nn ss.
    static QByteArray ClockDigits(const QDateTime& when);

    bool EngineActive = false; // the transfer was started while another operation ran
    bool ClockOnly = false;    // the clock set was asked for on its own
    bool PartialWrite = false; // the PSTN send: straight to the clock set after its two bytes
    TransferTexts Texts;
    WholeReasonTexts ReasonTexts;
    // Runs after a read has completed and the pages show it (backups keep a copy from here).
    std::function<void()> OnReadDone;
    // Runs once at the end of each action started here, completed or abandoned, after the
    // transfer's own windows have been told (progress hidden, buttons enabled, status shown).
    std::function<void(const TransferEnd&)> OnEnded;

    // True for the states of the transfers above.
    static bool IsTransferState(std::int32_t s);

private:
    void Register();
    // A read keeps what it receives aside and puts it into the image only once it has read
    // everything, so a read that is abandoned or never completes leaves the image as it was.
    void Stage(std::uint32_t address, std::span<const std::uint8_t> bytes);
    void CommitStaged();
    void Abandoned();
    void Ended(TransferOutcome outcome, const QString& text);
    void FinishRead();
    void AfterConfigBlocksRead();
    void AfterBytesWritten();
    void AfterConfigBlocksWritten();
    void StartClockSet();
    // A send's last step: its status, the progress down, the buttons back.
    void SendDone();
    bool ContactIdTables();
    // After a block's acknowledgement: the progress, and a stop between blocks may take effect.
    void BlockStepped();

    // The send by what changed.
    enum class Phase { Check, Write, ReadBack, Finish };
    void RegisterChangedSend();
    SendShape Shape(const SendOptions& options);
    KnownSince Circumstances(bool contactId);
    std::int32_t SetUpWholeSend(); // OpState and counters of the whole send; the progress maximum
    void EnterPhase(Phase phase, bool atOnce);
    void PointAt(const SendUnit& unit);
    // The unit in hand is done: the next one of its phase, or the next phase.
    void UnitDone();
    void CheckedBlock(std::span<const std::uint8_t> bytes);
    // The send goes whole from here: what is known turned out wrong (a unit read first differed,
    // `unit`), or the line changed after the plan was made. `atOnce`: from a reply; otherwise the
    // whole send's first command goes out at the next tick.
    void GoWhole(WholeReason why, std::optional<SendUnit> unit, bool atOnce);
    void ReadBackFailed();

    Engine& e_;
    TransferHost& host_;
    TransferKind kind_ = TransferKind::Read; // the action in progress, or the last one
    bool setClock_ = true;
    std::optional<bool> contactId_;
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> staged_;
    bool readContactId_ = false; // the read in progress brings in the Contact ID bank

    KnownMemory known_;               // what the module holds as far as this session knows
    std::optional<KnownSince> since_; // and since when
    bool changed_ = false;            // the send in progress goes by what changed
    SendPlan plan_;
    LineEvents planEvents_; // the engine's at the plan
    SendReport report_;
    Phase phase_ = Phase::Check;
    std::vector<SendUnit> queue_;
    std::size_t at_ = 0;
    int progress_ = 0;
};

} // namespace dalvex::k6link
