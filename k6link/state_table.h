#pragma once
// The engine's table of operation states. Each operation registers its own states: what SendStep
// sends in the state, the countdown it leaves, the state it moves to at once without waiting, and
// how the receive handler recognises and handles the reply. The engine itself knows none of the
// operations; a state nobody registered sends nothing and takes no reply.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <utility>

namespace dalvex::k6link {

class Engine;

// The countdown a send leaves unless the state asks for another.
inline constexpr std::int32_t kDefaultTimeoutTicks = 5;

// How the receive handler collects a state's reply, in the order it tests them. A state has one
// kind, so for any OpState exactly one of these applies.
enum class ReplyKind {
    AnyBytes,   // any bytes at all complete the step (start of a bulk download)
    EveryChunk, // every received chunk is the acknowledgement of the block just sent
    Length,     // exactly replyLength bytes (block read 257, event log block 256)
    BlockAck,   // one byte equal to the block sum in TxBuffer[0]; any other byte is ignored
    Text,       // modem text, examined on every chunk
    SixByte,    // one reply frame: checked, then handed over (every other state)
};

// Builds the command of the state in TxBuffer and writes it (Engine::SendFrame and friends).
using SendFn = std::function<void(Engine&)>;
// Handles a reply. `bytes` is what the kind collected: the six-byte frame, the chunk just
// received (EveryChunk) or RxBuffer[0 .. RxCount). Returns whether the reply was the one awaited;
// a six-byte frame that was not is dropped (RxCount := 0) so the right one can still arrive.
using ReplyFn = std::function<bool(Engine&, std::span<const std::uint8_t> bytes)>;

struct StateDef {
    explicit StateDef(std::int32_t s)
        : state(s) {}

    std::int32_t state;
    SendFn send;                                      // empty: nothing is sent
    std::int32_t timeoutTicks = kDefaultTimeoutTicks; // the countdown SendStep leaves
    std::optional<std::int32_t> nextAtOnce;           // OpState right after sending, without a reply
    ReplyKind reply = ReplyKind::SixByte;
    int replyLength = 0; // for ReplyKind::Length
    ReplyFn onReply;     // empty: a reply in this state is discarded

    // Written as StateDef(99).sends(...).replies(...), one line per state.
    StateDef& sends(SendFn fn) {
        send = std::move(fn);
        return *this;
    }
    StateDef& countdown(std::int32_t ticks) {
        timeoutTicks = ticks;
        return *this;
    }
    StateDef& thenAtOnce(std::int32_t next) {
        nextAtOnce = next;
        return *this;
    }
    StateDef& replies(ReplyFn fn, ReplyKind kind = ReplyKind::SixByte, int length = 0) {
        onReply = std::move(fn);
        reply = kind;
        replyLength = length;
        return *this;
    }
};

class StateTable {
public:
    // Registers a state. False, and the table unchanged, when the state is already registered:
    // two operations must never claim one state.
    bool add(StateDef def);
    const StateDef* find(std::int32_t state) const;
    bool contains(std::int32_t state) const { return find(state) != nullptr; }

private:
    std::map<std::int32_t, StateDef> states_;
};

} // namespace dalvex::k6link
