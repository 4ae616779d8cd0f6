#pragma once
// The memory-write transfer shared by the voice upload and the firmware download: a start frame
// F(0, 0xFA, page high, page low) names the first 256-byte page of the module's memory, then raw
// 256-byte blocks follow (no header, no sum), each acknowledged by the module with one byte, the
// low byte of the page just written. Any reply to the start frame moves the transfer on.
//
// The operations own their states (voice 1000/1001, firmware 1100..1102) and decide what an
// acknowledgement must be; this holds what they share: the two sends and TransferError.

#include "k6link/engine.h"

#include <cstdint>
#include <span>

namespace dalvex::k6link {

class MemoryWrite {
public:
    static constexpr std::int32_t kStartTicks = 50;  // countdown after the start frame
    static constexpr std::int32_t kBlockTicks = 120; // countdown after a block
    static constexpr std::int32_t kAckTicks = 100;   // countdown when an acknowledgement arrives

    explicit MemoryWrite(Engine& engine)
        : e_(engine) {}

    // F(0, 0xFA, startPage >> 8, startPage & 0xFF); RxCount := 0, TimeoutTicks := 50,
    // TransferError := false.
    void SendStart(std::uint16_t startPage);
    // One raw block; RxCount := 0, TimeoutTicks := 120.
    void SendBlock(std::span<const std::uint8_t, kBlockSize> block);

    // Set when an acknowledgement differed from the one expected.
    bool TransferError = false;

private:
    Engine& e_;
};

} // namespace dalvex::k6link
