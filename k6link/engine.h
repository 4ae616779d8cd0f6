#pragma once
// The operation engine of the K6 window: every exchange with a K6 module runs through it.
//
// A user action starts an operation by setting OpState (and the operation's counters); it never
// writes bytes itself. tick() is the body of the window's engine timers: it opens the port when an
// operation needs it, counts TimeoutTicks down and calls SendStep whenever the countdown has run
// out, so a command without a good reply is sent again, without limit. SendStep sends the command
// of the current state. AsynComm321RxChar collects the reply in RxBuffer and hands it to the state
// once it is complete. One command is outstanding at a time; starting an operation abandons the
// one in progress. When the engine is idle again, tick() closes the port after the countdown.
//
// The states live with their operations, which register them in States(); the engine registers
// only its own: 0 (idle), 99 (version query), 200 (restart) and 100000 (the block-write test).
// Everything the engine shows goes through EngineHost. Everything runs on one thread.
//
// Port loss: when the open port's device goes away (an adapter pulled out), the next tick closes
// the port, ends the operation in progress with "COM port lost" in status panel 3 and tells the
// operations through their abandon handlers, so their windows stop showing a transfer. The next
// operation opens the port again. While an operation runs on a port that would not open, the
// open is tried again each time its command is due, so a returning adapter is taken up at once.
// Only the version query outlives the loss: the window offers the transfers once it knows the
// version, so the query waits for the port and goes out when the adapter is back. Until a good
// open after a loss nothing is sent (PortGone), so "COM port lost" stays in panel 3 meanwhile.
//
// Operations and outcomes: a host begins an operation through the operation's own start (or the
// engine's StartVersionQuery, StartRestart, StartSend256), which calls Begin with the host's EndFn.
// The operation ends when OpState is idle again: Done, or Failed when the operation called Fail.
// A lost port ends it as PortLost; Stop ends it as Stopped, at once or after the block in flight;
// the start of another operation abandons it as Stopped. Each EndFn is called once, at the end of
// the tick or receive event in which the operation ended.
//
// Receive buffer: a chunk that would not fit into what is left of RxBuffer is read off the port
// and dropped, and the receive side is cleared (ClearRx), as if the line had been garbled. A state
// that keeps receiving without ever recognising its reply therefore never writes past RxBuffer;
// its command is repeated when the countdown runs out, as for any lost reply.

#include "k6link/commands.h"
#include "k6link/engine_image.h"
#include "k6link/outcome.h"
#include "k6link/state_table.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace dalvex::k6link {

class EngineHost;
class Port;

// What the engine has seen on the line since it was made that may part a module from what was last
// read from it. Each count only grows; an operation that keeps what it read compares the counts
// with their values at its read.
struct LineEvents {
    std::uint64_t portLosses = 0;   // the open port's device went away, or an open failed
    std::uint64_t restarts = 0;     // restart and programmable-logic load commands sent
    std::uint64_t memoryWrites = 0; // byte writes, block writes and memory writes sent
    friend bool operator==(const LineEvents&, const LineEvents&) = default;
};

// Catalogue texts the engine shows; the language pass replaces them.
struct EngineTexts {
    QString VersionCheck = QStringLiteral("GSM ellenőrzése");
    QString ModuleVersion = QStringLiteral("Modul szoftver verzió: ");
    QString PortLost = QStringLiteral("COM port elveszett");
};

class Engine {
public:
    static constexpr int kRxBufferSize = 5000;
    static constexpr int kTxBufferSize = 264;
    static constexpr std::int32_t kTimeoutTicks = kDefaultTimeoutTicks;
    static constexpr int kRxClearedBytes = 256; // what ClearRx fills with 0xFF
    static constexpr const char* kDefaultPort = "COM1";

    Engine(Port& port, EngineHost& host);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Engine variables.
    std::int32_t OpState = 0;     // operation step in progress; 0 idle
    std::int32_t NextOpState = 0; // entered when a preparatory step completes
    std::int32_t TimeoutTicks = 0;
    std::array<std::uint8_t, kRxBufferSize> RxBuffer{};
    std::int32_t RxCount = 0;
    std::array<std::uint8_t, kTxBufferSize> TxBuffer{};
    ConfigImageType ConfigImage;
    std::int32_t BlockIndex = 0; // byte or block being transferred
    std::int32_t MemAddr = 0;    // module address of the byte command in progress
    std::int32_t Remaining = 0;  // bytes still to go in a byte-wise transfer
    bool PortOpen = false;       // opened by the engine and not yet closed
    bool PortGone = false;       // the port's device went away; cleared by the next good open
    bool DemoMode = false;       // demonstration: nothing is ever sent
    std::uint8_t StatusPoll = 0; // command of the byte read: 2 while the status window is open
    VersionNotice Notice = VersionNotice::None; // what the next version reply does beside storing it
    std::int32_t Version = 0;    // module software version times ten
    bool CompanyMark = false;    // the byte-wise write includes image bytes 384 to 399
    std::int32_t ModuleType = 72;
    LineEvents Events; // counted by the engine as it opens, loses and writes

    EngineTexts Texts;

    // Begins an operation at `state`; one in progress is abandoned (its EndFn told Stopped).
    // `onEnd` is told once how it ended.
    void Begin(std::int32_t state, EndFn onEnd = {});
    // Ends the operation in progress as Stopped: at once, or once the block in flight is done.
    void Stop(StopMode mode = StopMode::AtOnce);
    // For operations: the operation in progress gives up; idle at once.
    void Fail(FailReason reason);
    // For operations that move blocks: a block has been acknowledged (or given up on), so a stop
    // between blocks may take effect before the next command.
    void BlockDone();
    // Whether an operation begun with Begin has not ended yet.
    bool Running() const { return current_.active; }

    // The engine's own operations.
    void StartVersionQuery(VersionNotice notice = VersionNotice::None, EndFn onEnd = {});
    void StartRestart(EndFn onEnd = {});
    void StartSend256(EndFn onEnd = {});
    // What the start window hands over: the model the engine talks to, and try-out (nothing sent).
    void SetModuleType(std::int32_t type) { ModuleType = type; }
    void SetDemoMode(bool demo) { DemoMode = demo; }
    // A host that opened the port itself (to probe the module) hands it to the engine open.
    void AdoptOpenPort(bool open) { PortOpen = open; }
    // The command of the operation just begun goes out now, not after the countdown its start left.
    void TickNow() {
        TimeoutTicks = 0;
        tick();
    }

    // One tick of any of the engine timers.
    void tick();
    // Sends the command of the current state.
    void SendStep();
    // The port's received-bytes handler: Count bytes are waiting.
    void AsynComm321RxChar(int Count);

    // RxBuffer[0 .. 255] := 0xFF, RxCount := 0.
    void ClearRx();
    // Byte read at MemAddr with the command StatusPoll.
    void ReadByte();
    // Byte write of ConfigImage[BlockIndex] to MemAddr; image bytes that are never written are
    // passed over at once, so the next tick writes the following byte.
    void WriteByte();

    // For the states' send steps: each puts the bytes into TxBuffer, writes them and sets RxCount
    // to 0.
    void SendFrame(const SixByteFrame& frame);
    // Block write: F(S, 0xF6, p1, p2) and the 256 bytes, S their sum.
    void SendBlock(std::uint8_t p1, std::uint8_t p2, std::span<const std::uint8_t, kBlockSize> data);
    // Any other bytes (modem lines, clock digits). More than TxBuffer holds sends nothing.
    bool SendBytes(std::span<const std::uint8_t> bytes);
    // How many bytes of TxBuffer the last send wrote.
    int TxCount() const { return txCount_; }
    // The operation's text in status panel 3.
    void ShowStatus(const QString& text);

    // Called when the operation in progress is abandoned because the port has gone, with the
    // state it was in and its NextOpState (an operation may be in a shared preparatory state).
    // Each operation tidies what its windows show when either state is one of its own.
    using AbandonFn = std::function<void(std::int32_t state, std::int32_t next)>;
    void AddAbandonHandler(AbandonFn fn) { abandonHandlers_.push_back(std::move(fn)); }

    // Told beside the operations, never changing them: right before a command that writes the
    // module's memory goes out on the open port, when an operation's block or byte is done
    // (BlockDone), and when an operation begun with Begin ends (before its EndFn). A record kept
    // outside the program, the send journal, follows the configuration sends so.
    struct LineObserver {
        std::function<void()> beforeMemoryWrite;
        std::function<void()> blockDone;
        std::function<void(const OperationEnd&)> ended;
    };
    void AddObserver(LineObserver observer) { observers_.push_back(std::move(observer)); }

    StateTable& States() { return states_; }
    const StateTable& States() const { return states_; }
    EngineHost& Host() { return host_; }

    // "8.4" for 84.
    static QString VersionText(int version);
    // Image bytes the byte-wise write never sends: 75, 254, 255 and, unless companyMark, 384..399.
    static bool IsSkippedImageByte(std::int32_t index, bool companyMark);

private:
    struct Current {
        bool active = false;
        std::int32_t startState = 0;
        EndFn onEnd;
        FailReason failure = FailReason::None;
    };
    // Tells the operation's starter how it ended, once.
    void End(Outcome outcome);
    // An operation that has reached idle has ended.
    void Settle();

    void OpenPort();
    void PortLost();
    void Write(int count);
    void Dispatch(const StateDef* def, int chunkStart, int chunkLength);
    void DiscardWaiting(int count);

    Port& port_;
    EngineHost& host_;
    StateTable states_;
    int txCount_ = 0;
    std::vector<AbandonFn> abandonHandlers_;
    std::vector<LineObserver> observers_;
    Current current_;
    bool stopAfterBlock_ = false; // Stop(BetweenBlocks) waits for the block in flight
    bool haltBeforeSend_ = false; // that block is done: the next command is not sent
};

} // namespace dalvex::k6link
