#pragma once
// The blocks a voice upload sends, built from the file's sample bytes (from the first sample byte
// to the end of the file).
//
//   - A full block of 256 samples goes out with every 0xFF turned into 0xFE: 0xFF is the module's
//     end mark.
//   - The last, partial block keeps its samples as they are, is filled up with 0xFF, and its bytes
//     253 to 255 are 0xFF whatever the samples were: the block always ends in the end mark.
//   - When the samples end exactly on a block boundary, the last full block goes out and an
//     end-mark block (256 x 0xFF) follows, so the module neither loses the last 32 ms nor plays on
//     into the next message. A file without samples is that end-mark block alone.
//   - At most 255 blocks in all: when the full blocks reach that budget the rest of the file is
//     not sent and no end mark follows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dalvex::k6media {

inline constexpr std::size_t kVoiceBlockSize = 256;
inline constexpr int kMaxVoiceBlocks = 255;
inline constexpr std::uint8_t kEndMark = 0xFF;
inline constexpr std::uint8_t kEndMarkStandIn = 0xFE;
inline constexpr std::size_t kEndMarkFrom = 253; // bytes 253..255 of the last block
// More sample bytes than this never change the blocks.
inline constexpr std::size_t kVoiceBytesUsed = kVoiceBlockSize * kMaxVoiceBlocks;

using VoiceBlock = std::array<std::uint8_t, kVoiceBlockSize>;

enum class VoiceEnd {
    Partial, // the last block is a partial one ending in the end mark
    EndMark, // the samples ended on a boundary: an end-mark block follows the last full block
    Budget,  // 255 full blocks: the rest of the file is not sent, no end mark
};

struct VoiceBlocks {
    std::vector<VoiceBlock> blocks;
    VoiceEnd end = VoiceEnd::Partial;
};

VoiceBlocks BuildVoiceBlocks(std::span<const std::uint8_t> samples);

} // namespace dalvex::k6media
