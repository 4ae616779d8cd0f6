#pragma once
// The simulator's failure modes: one table, looked up by name from the command line and from
// tests. The transport applies a failure to the module's replies as they leave; the module itself
// stays healthy, except under drop-write, which the module carries out itself: it acknowledges one
// block write as usual and stores nothing of it.
//
// Counting: for the faults that take a count N, exchanges count from the moment the fault is set.
// The first N exchanges are answered normally; the fault strikes from exchange N + 1 on.
// drop-ack counts memory-write blocks instead: the acknowledgement of block N + 1 after the fault
// was set is lost, once. drop-write counts 256-byte block writes: block write N + 1 is lost, once.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dalvex::sim {

enum class Fault {
    None,
    Silent,
    WrongCheck,
    Split,
    Extra,
    StopAfter,
    HangUp,
    WrongSum,
    NoProcessorReply,
    DropAck,
    NoAck,
    WrongAck,
    Short,
    Unsolicited,
    Vanish,
    DropWrite,
};

struct FaultInfo {
    std::string_view name;
    Fault fault;
    std::string_view description;
    bool takesCount;
};

inline constexpr std::array<FaultInfo, 16> kFaults{{
    {"none", Fault::None, "answers every command correctly", false},
    {"silent", Fault::Silent, "never answers", false},
    {"wrong-check", Fault::WrongCheck, "six-byte replies carry a wrong check byte", false},
    {"split", Fault::Split, "each reply is written in three pieces about 30 ms apart", false},
    {"extra", Fault::Extra, "two extra bytes follow each reply", false},
    {"stop-after", Fault::StopAfter, "answers N exchanges, then none", true},
    {"hang-up", Fault::HangUp, "answers N exchanges, then closes the line on the next command", true},
    {"wrong-sum", Fault::WrongSum, "block sums and block acknowledgements are off by one", false},
    {"no-processor", Fault::NoProcessorReply, "never answers the processor query", false},
    {"drop-ack", Fault::DropAck, "loses the acknowledgement of memory-write block N + 1, once", true},
    {"no-ack", Fault::NoAck, "answers N exchanges, then sends no memory-write acknowledgements", true},
    {"wrong-ack", Fault::WrongAck, "answers N exchanges, then memory-write acknowledgements are off by one",
     true},
    {"short", Fault::Short, "block replies (256 bytes or more) lose their last byte", false},
    {"unsolicited", Fault::Unsolicited,
     "answers N exchanges, then a modem line arrives unasked right before the next reply, once", true},
    {"vanish", Fault::Vanish,
     "answers N exchanges, then the adapter is pulled on the next command: the line closes and its comN "
     "links disappear",
     true},
    {"drop-write", Fault::DropWrite, "acknowledges block write N + 1 as usual but stores nothing of it, once",
     true},
}};

// The shortest reply the short fault cuts: a block.
inline constexpr std::size_t kShortFrom = 256;
// The pause between the pieces of a split reply, and how many pieces there are at most.
inline constexpr std::chrono::milliseconds kSplitGap{30};
inline constexpr int kSplitPieces = 3;
// What the unsolicited fault puts in front of a reply: a call coming in on the module's modem.
inline constexpr std::string_view kUnsolicitedLine = "\r\nRING\r\n";
// What the extra fault appends to a reply.
inline constexpr std::array<std::uint8_t, 2> kExtraBytes{0x00, 0xFF};

// The entry of a name, or nothing.
const FaultInfo* findFault(std::string_view name);
const FaultInfo& faultInfo(Fault fault);

struct FaultSetting {
    Fault fault = Fault::None;
    int count = 0;
};

// Parses "NAME" or "NAME:N". N is allowed only for faults that take a count and defaults to 0.
// On failure returns nothing and, when `error` is given, a message for the user.
std::optional<FaultSetting> parseFault(std::string_view text, std::string* error = nullptr);

// One line per fault, for --help, each starting with `indent` blanks.
std::string faultHelp(int indent = 2);

} // namespace dalvex::sim
