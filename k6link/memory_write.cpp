#include "memory_write.h"

namespace dalvex::k6link {

void MemoryWrite::SendStart(std::uint16_t startPage) {
    e_.SendFrame(Frame(0, Cmd::BulkStart, static_cast<std::uint8_t>(startPage >> 8),
                       static_cast<std::uint8_t>(startPage & 0xFF)));
    e_.TimeoutTicks = kStartTicks;
    TransferError = false;
}

void MemoryWrite::SendBlock(std::span<const std::uint8_t, kBlockSize> block) {
    e_.SendBytes(block);
    e_.TimeoutTicks = kBlockTicks;
}

} // namespace dalvex::k6link
