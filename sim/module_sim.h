#pragma once
// The K6 module's side of the serial protocol, without any I/O: bytes from the PC go in, the
// module's reply bytes come out. The transport (pty_module.h) moves the bytes and applies the
// failure modes; this class only knows what a healthy module answers.
//
// What the module holds
//   - 4 MiB of memory at module addresses, all zero at start.
//   - a type code (72 main communicator, 73 compact, 74 line simulator, 75 door phone; default 72)
//   - a software version times ten (84 means 8.4; default 84)
//   - the number of completed exchanges (see Exchange below).
//
// Receiving
//   Commands arrive as six-byte frames. The module collects bytes until it has six; when they fail
//   the check rule it drops the first byte and tries again with the next one, so garbage on the line,
//   a half frame or a frame that started mid-stream never blocks the frames behind it. A command may
//   ask for a raw payload that follows its frame (a block of data, clock digits); while a payload is
//   awaited, bytes go to it unframed, then framing resumes.
//
// Commands answered here (further commands are added with registerCommand, one table entry each):
//   0    byte read:  F(A >> 8, 0, A & 0xFF, 0) -> F(0xAB, 0, A & 0xFF, value)
//        Address 255 is the type-code register and 254 the version register: reading 255 is the
//        identification probe (0, 0, 255, 0, 1, 254) and answers the type code, reading 254 answers
//        the version. Every other address reads memory. A byte command reaches only the first
//        64 KiB; the rest of the memory is for block commands.
//   1    byte write: F(A >> 8, 1, A & 0xFF, V) -> F(0xAB, 1, A & 0xFF, V)
//        Stores V in memory. 254 and 255 are read-only registers: the write is acknowledged in the
//        same way, but neither the identity nor the memory beneath it changes.
//   254  probe (the start window's alternate probe is 160, 254, 0, 0, 98, 157):
//        -> F(0xAB, 254, 0, type code) whatever the address and data bytes. The type code in the
//        data byte means that even a reply taken for an identification answer names the module
//        correctly.
//   8    event log block: F(0, 8, N & 0xFF, N >> 8) -> 256 bytes, four log records (history_data.h)
//   0xF6 block write: F(S, 0xF6, P1, P2) followed by 256 data bytes -> the one byte
//        (sum of the data bytes) mod 256, which the PC compares with its S. The block is stored in
//        memory at blockAddress(P1, P2), whatever S says: a wrong S only shows in the answer; a
//        block write dropped by dropBlockWrite() is answered alike and stores nothing.
//   0xF7 block read: F(0, 0xF7, low, high) -> the 256 bytes at blockAddress(high, low), then
//        their sum mod 256.
//   0xFC clock set: F(0, 0xFC, 0, 0) followed by twelve ASCII digits (yy mm dd hh nn ss)
//        -> F(0xAB, 0xAA, 0, 0). The module keeps the digits (clockDigits()).
//   0xFA memory write: F(0, 0xFA, page high, page low) -> F(0xAB, 0xFA, page high, page low); then
//        raw 256-byte blocks, stored at 256 * page and acknowledged each with the one byte
//        page & 0xFF, the page counting up from the start page. After 255 blocks, or when
//        endMemoryWrite() is called (the transport does after a second without bytes), the module
//        takes frames again.
//   0xF8, 0xF9 processor query and programmable-logic load: firmware_cmds.h.
//   0xFF restart: F(0, 0xFF, 0xAA, 0) -> no answer; the module counts it (restarts()). A restart
//        frame with another key byte is ignored.
//   2, 0xFB status read and monitor mode: sim/status_monitor.h.
//   Byte 1 of every six-byte reply echoes the command code. The PC side checks only the acknowledgement
//   mark in byte 0, the address echo in byte 2 and the data in byte 3.
//
//   A valid frame with a command that has no table entry is consumed and left unanswered, as a
//   module does with a command its firmware does not know; it is not an exchange.
//
// Raw mode: a command may hand the byte stream to a raw handler (the GSM modem pass-through of
// command 0xFD, sim/gsm_modem.h). While one is set, every byte goes to it instead of the framer;
// it answers with sendRaw() and returns to frames with clearRawHandler().

#include "sim/firmware_cmds.h"
#include "sim/status_monitor.h"
#include "startup/six_byte_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dalvex::sim {

inline constexpr std::size_t kMemorySize = 4u * 1024u * 1024u;
inline constexpr std::uint8_t kDefaultTypeCode = 72;
inline constexpr std::uint8_t kDefaultVersion = 84;

// Byte 0 of every six-byte reply: the module's acknowledgement mark.
inline constexpr std::uint8_t kAckMark = 0xAB;

inline constexpr std::uint16_t kVersionAddress = 254;
inline constexpr std::uint16_t kTypeAddress = 255;

inline constexpr std::uint8_t kCmdReadByte = 0;
inline constexpr std::uint8_t kCmdWriteByte = 1;
inline constexpr std::uint8_t kCmdProbe = 254;
inline constexpr std::uint8_t kCmdBlockWrite = 0xF6;
inline constexpr std::uint8_t kCmdBlockRead = 0xF7;
inline constexpr std::uint8_t kCmdSetClock = 0xFC;
inline constexpr std::uint8_t kClockAck = 0xAA;
inline constexpr std::size_t kClockDigits = 12;
inline constexpr std::uint8_t kCmdRestart = 0xFF;
inline constexpr std::uint8_t kRestartKey = 0xAA;
inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::uint8_t kCmdMemoryWrite = 0xFA;
// The most blocks one memory write takes; bytes after them are framed again.
inline constexpr int kMemoryWriteBlocks = 255;

// Where a block of the 256-byte protocol lies in memory. The block number is P1 * 256 + P2. The
// configuration area (P1 = 0) is numbered in 16-byte units, so block n starts at 16 * n; every
// other block is numbered in 256-byte units and starts at 256 * n (the Contact ID bank 0x34xx,
// the event log 0x10xx, the signal-strength memory 0x30xx).
constexpr std::uint32_t blockAddress(std::uint8_t p1, std::uint8_t p2) {
    const std::uint32_t n = static_cast<std::uint32_t>(p1) << 8 | p2;
    return p1 == 0 ? 16u * n : 256u * n;
}

// What a reply is, so that the transport can spoil the right byte for a failure mode.
enum class ReplyKind {
    None,  // the exchange produced no bytes
    Frame, // one six-byte reply frame
    Sum,   // data whose last byte is a block sum or a block acknowledgement
    Ack,   // the one-byte acknowledgement of a memory-write block
    Raw,   // anything else (modem text, streamed data)
};

// The module's answer to one exchange.
struct Reply {
    std::vector<std::uint8_t> bytes;
    ReplyKind kind = ReplyKind::None;
    // Which exchange this was, counting from 1 since the module was created.
    std::uint64_t exchange = 0;
    // The command code of the exchange (for a payload's reply, of the frame that asked for it).
    std::uint8_t command = 0;
};

class ModuleSim;
class Exchange;
class GsmModem;

// Runs when the command's frame has arrived.
using CommandHandler = std::function<void(Exchange&)>;
// Runs when the payload asked for with Exchange::expectPayload has arrived.
using PayloadHandler = std::function<void(Exchange&, std::span<const std::uint8_t> payload)>;
// Receives each completed exchange's reply in order.
using ReplySink = std::function<void(const Reply&)>;
// Takes the PC's bytes one at a time while the module is in a raw mode.
using RawHandler = std::function<void(ModuleSim&, std::uint8_t byte)>;

// One step of a command as its handler sees it. A step ends when the handler returns. It
// completes an exchange when it replied or when it asked for no further payload; a step that only
// asks for a payload (a block write's frame) is completed by the step that handles the payload.
class Exchange {
public:
    const SixByteFrame& frame() const { return frame_; }
    ModuleSim& module() { return module_; }

    // Appends bytes to the reply. The kind of the last call decides the reply's kind.
    void reply(std::span<const std::uint8_t> bytes, ReplyKind kind = ReplyKind::Raw);
    // Replies with a six-byte frame built from bytes 0..3.
    void replyFrame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
    // The next n raw bytes belong to this command; `then` runs once they are all there. `then` may
    // reply and may ask for a further payload, which is how a stream of acknowledged blocks works.
    void expectPayload(std::size_t n, PayloadHandler then);

private:
    friend class ModuleSim;
    Exchange(ModuleSim& module, const SixByteFrame& frame)
        : module_(module)
        , frame_(frame) {}

    ModuleSim& module_;
    SixByteFrame frame_;
    std::vector<std::uint8_t> replyBytes_;
    ReplyKind replyKind_ = ReplyKind::None;
    std::optional<std::size_t> payloadSize_;
    PayloadHandler payloadHandler_;
};

class ModuleSim {
public:
    ModuleSim();
    ~ModuleSim();
    ModuleSim(const ModuleSim&) = delete;
    ModuleSim& operator=(const ModuleSim&) = delete;

    // Takes in bytes from the PC and returns the replies they caused, one after the other.
    std::vector<std::uint8_t> feed(std::span<const std::uint8_t> bytes);
    // The same, handing each completed exchange's reply to `sink` separately (also exchanges
    // that produced no bytes).
    void feed(std::span<const std::uint8_t> bytes, const ReplySink& sink);

    // Sets (or replaces) the handler of a command code.
    void registerCommand(std::uint8_t code, CommandHandler handler);
    bool hasCommand(std::uint8_t code) const { return static_cast<bool>(commands_[code]); }

    std::span<std::uint8_t> memory() { return memory_; }
    std::span<const std::uint8_t> memory() const { return memory_; }

    std::uint8_t typeCode() const { return typeCode_; }
    void setTypeCode(std::uint8_t code) { typeCode_ = code; }
    std::uint8_t version() const { return version_; }
    void setVersion(std::uint8_t version) { version_ = version; }

    std::uint64_t exchanges() const { return exchanges_; }
    // How many restart commands the module has received.
    std::uint64_t restarts() const { return restarts_; }
    // The digits of the last clock set, empty before the first.
    const std::string& clockDigits() const { return clockDigits_; }
    std::uint64_t clockSets() const { return clockSets_; }
    // True while a command waits for the rest of its payload.
    bool awaitingPayload() const { return pending_.has_value(); }
    // Drops a payload still awaited (a memory write whose sender went quiet); bytes are framed
    // again from here on.
    void endMemoryWrite() { pending_.reset(); }
    // True while a memory write waits for its next block.
    bool awaitingMemoryWrite() const { return pending_ && pending_->frame.command() == kCmdMemoryWrite; }
    // Memory-write blocks stored since start, and the page of the last one.
    std::uint64_t memoryWriteBlocks() const { return memoryWriteBlocks_; }
    // Block writes (0xF6) taken in since start, the dropped one included.
    std::uint64_t blockWrites() const { return blockWrites_; }
    // The block write n + 1 from now on is acknowledged as usual but stores nothing, once (the
    // drop-write fault); nothing: every block write is stored.
    void dropBlockWrite(std::optional<int> n) {
        dropAt_ = n ? std::optional<std::uint64_t>(blockWrites_ + static_cast<std::uint64_t>(*n) + 1)
                    : std::nullopt;
    }

    // Processor reply and programming count (firmware_cmds.h).
    FirmwareState& firmware() { return firmware_; }
    const FirmwareState& firmware() const { return firmware_; }
    // The status registers and the monitor mode.
    StatusMonitor& status() { return status_; }
    // Time passes: returns what the module sends without being asked (the monitor's trace) up to
    // nowNs (CLOCK_MONOTONIC). The transport calls it every few milliseconds.
    std::vector<std::uint8_t> tick(std::int64_t nowNs) { return status_.tick(nowNs); }
    // Raw mode: while a handler is set, bytes go to it instead of the framer (a payload still
    // awaited takes its bytes first). Setting or clearing it from within the handler is allowed.
    void setRawHandler(RawHandler handler) { rawHandler_ = std::move(handler); }
    void clearRawHandler() { rawHandler_ = nullptr; }
    bool rawMode() const { return static_cast<bool>(rawHandler_); }
    // A reply the module sends outside a framed command (a raw handler's answer): one exchange.
    // Outside feed() it is kept and handed out first by the next feed().
    void sendRaw(std::span<const std::uint8_t> bytes, ReplyKind kind = ReplyKind::Raw);
    // Handles a frame as if the framer had taken it (a raw handler that recognises one).
    void handleFrame(const SixByteFrame& frame);

    // The module's GSM modem (command 0xFD).
    GsmModem& modem() { return *modem_; }
    const GsmModem& modem() const { return *modem_; }

    // The value a byte read at a 16-bit address answers.
    std::uint8_t readByte(std::uint16_t address) const;
    // What a byte write does to the module.
    void writeByte(std::uint16_t address, std::uint8_t value);

private:
    struct PendingPayload {
        SixByteFrame frame;
        std::size_t size = 0;
        PayloadHandler handler;
        std::vector<std::uint8_t> data;
    };

    void registerBuiltInCommands();
    void expectMemoryBlock(Exchange& ex, std::uint32_t page, int blocksLeft);
    void dispatch(const SixByteFrame& frame, const ReplySink& sink);
    // Ends a handler's step: records a payload request, counts and hands on a completed exchange.
    void finishStep(Exchange& step, const ReplySink& sink);
    void runPayloadIfComplete(const ReplySink& sink);

    std::vector<std::uint8_t> memory_;
    std::uint8_t typeCode_ = kDefaultTypeCode;
    std::uint8_t version_ = kDefaultVersion;
    std::uint64_t exchanges_ = 0;
    std::uint64_t restarts_ = 0;
    std::string clockDigits_;
    std::uint64_t clockSets_ = 0;
    std::uint64_t memoryWriteBlocks_ = 0;
    std::uint64_t blockWrites_ = 0;
    std::optional<std::uint64_t> dropAt_; // the block write that stores nothing
    FirmwareState firmware_;

    StatusMonitor status_;
    std::array<CommandHandler, 256> commands_;
    std::array<std::uint8_t, 6> frameBuffer_{};
    std::size_t frameCount_ = 0;
    std::optional<PendingPayload> pending_;
    RawHandler rawHandler_;
    const ReplySink* sink_ = nullptr;   // while feed() runs
    std::vector<Reply> unaskedReplies_; // sent outside feed()
    std::unique_ptr<GsmModem> modem_;
};

} // namespace dalvex::sim
