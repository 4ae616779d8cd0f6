#include "voice_blocks.h"

#include <algorithm>

namespace dalvex::k6media {

VoiceBlocks BuildVoiceBlocks(std::span<const std::uint8_t> samples) {
    VoiceBlocks out;
    std::size_t at = 0;
    while (static_cast<int>(out.blocks.size()) < kMaxVoiceBlocks) {
        VoiceBlock block;
        block.fill(kEndMark);
        const std::size_t n = std::min(kVoiceBlockSize, samples.size() - at);
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(at), n, block.begin());
        at += n;
        if (n < kVoiceBlockSize) {
            std::fill(block.begin() + kEndMarkFrom, block.end(), kEndMark);
            out.blocks.push_back(block);
            out.end = n == 0 ? VoiceEnd::EndMark : VoiceEnd::Partial;
            return out;
        }
        std::replace(block.begin(), block.end(), kEndMark, kEndMarkStandIn);
        out.blocks.push_back(block);
    }
    out.end = VoiceEnd::Budget;
    return out;
}

} // namespace dalvex::k6media
