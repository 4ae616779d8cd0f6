#pragma once
// The signal-strength read: one byte per sample, the signal level, in the module's blocks 0x3000
// onwards; the byte 0xFF marks the end.
//
//   510  F(0, 0xF7, SignalBlock & 0xFF, (SignalBlock >> 8) + 0x30), countdown 50; a 257-byte block
//        whose sum matches. Its bytes are taken in order up to an end mark, which ends the read
//        and sets SampleCount and SignalBlock back to 0. After the 256th byte SignalBlock moves on;
//        the read ends after block 1278 and asks for the next block at once otherwise.
//
// The counters are kept from one read to the next: a read that ended after block 1278, or was
// abandoned for another operation, goes on from where it was; only an end mark sets them back.
// A sample whose SampleCount (counted from 1) has SampleCount mod 32 in 24 .. 31 carries the label
// SampleCount div 24; the others carry none. The samples of a block go to the chart together.

#include "k6link/engine.h"

#include <cstdint>
#include <span>
#include <vector>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t SignalRead = 510;
} // namespace state

struct SignalSample {
    std::uint8_t value = 0;
    int label = -1; // -1: no label

    bool operator==(const SignalSample&) const = default;
};

// The label a sample carries, -1 for none; sampleCount counts from 1.
constexpr int SignalLabel(std::int32_t sampleCount) {
    return (sampleCount & 0x18) == 0x18 ? sampleCount / 24 : -1;
}

// What the signal read needs from the chart window.
class SignalHost {
public:
    virtual ~SignalHost() = default;
    // Every point of the chart goes.
    virtual void ClearSignalChart() = 0;
    // Points added after the last ones, in order.
    virtual void AddSignalSamples(std::span<const SignalSample> samples) = 0;
};

class SignalMemory {
public:
    static constexpr std::int32_t kFirstBlock = 0x3000;
    static constexpr std::int32_t kBlocks = 1279;
    static constexpr std::int32_t kBlockTicks = 50;
    static constexpr std::uint8_t kEndMark = 0xFF;

    // Registers state 510 with the engine.
    SignalMemory(Engine& engine, SignalHost& host);

    // "Olvasás" of the chart window: the chart cleared, OpState := 510.
    void Start(EndFn onEnd = {});

    std::int32_t SignalBlock = 0; // the next block, 0 to 1278
    std::int32_t SampleCount = 0; // samples added so far

private:
    bool OnBlock(std::span<const std::uint8_t> reply);

    Engine& e_;
    SignalHost& host_;
    std::vector<SignalSample> samples_; // the samples of the block in hand
};

} // namespace dalvex::k6link
