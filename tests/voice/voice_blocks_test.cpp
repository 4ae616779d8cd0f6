// The blocks of a voice upload: 0xFF reserved for the end mark, the partial last block, the
// boundary case and the 255-block budget.

#include "k6media/voice_blocks.h"

#include <gtest/gtest.h>

using namespace dalvex::k6media;

namespace {

std::vector<std::uint8_t> Samples(std::size_t n, std::uint8_t fill = 0x40) {
    return std::vector<std::uint8_t>(n, fill);
}

TEST(VoiceBlocks, CountAndEndFollowTheSampleLength) {
    struct Case {
        std::size_t samples;
        std::size_t blocks;
        VoiceEnd end;
    };
    const Case cases[] = {
        {0, 1, VoiceEnd::EndMark}, // nothing to play: the end mark alone
        {1, 1, VoiceEnd::Partial},
        {255, 1, VoiceEnd::Partial},
        {256, 2, VoiceEnd::EndMark}, // boundary: the full block and an end-mark block
        {300, 2, VoiceEnd::Partial},
        {512, 3, VoiceEnd::EndMark},
        {254 * 256, 255, VoiceEnd::EndMark}, // the end-mark block still fits the budget
        {254 * 256 + 10, 255, VoiceEnd::Partial},
        {255 * 256, 255, VoiceEnd::Budget}, // boundary at the budget: no room for the end mark
        {255 * 256 + 1, 255, VoiceEnd::Budget},
        {10 * 60 * 8000, 255, VoiceEnd::Budget}, // ten minutes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.samples);
        const VoiceBlocks b = BuildVoiceBlocks(Samples(c.samples));
        EXPECT_EQ(b.blocks.size(), c.blocks);
        EXPECT_EQ(b.end, c.end);
    }
}

TEST(VoiceBlocks, FullBlocksTurnFfIntoFePartialBlockKeepsItsBytesAndEndsInTheMark) {
    std::vector<std::uint8_t> s(300);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint8_t>(i);
    s[10] = 0xFF;  // inside the full block
    s[270] = 0xFF; // inside the partial block
    const VoiceBlocks b = BuildVoiceBlocks(s);
    ASSERT_EQ(b.blocks.size(), 2u);
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint8_t want = s[i] == 0xFF ? 0xFE : s[i];
        ASSERT_EQ(b.blocks[0][i], want) << i;
    }
    EXPECT_EQ(b.blocks[0][10], 0xFE);
    EXPECT_EQ(b.blocks[0][255], 0xFE) << "sample 255 is 0xFF too";
    for (std::size_t i = 0; i < 44; ++i)
        ASSERT_EQ(b.blocks[1][i], s[256 + i]) << i;
    EXPECT_EQ(b.blocks[1][14], 0xFF) << "a partial block's own 0xFF stays";
    for (std::size_t i = 44; i < 256; ++i)
        ASSERT_EQ(b.blocks[1][i], 0xFF) << i;
}

TEST(VoiceBlocks, PartialBlockBytes253To255AreTheEndMarkWhateverTheSamples) {
    const VoiceBlocks b = BuildVoiceBlocks(Samples(255, 0x11));
    ASSERT_EQ(b.blocks.size(), 1u);
    EXPECT_EQ(b.blocks[0][252], 0x11);
    for (std::size_t i = kEndMarkFrom; i < 256; ++i)
        EXPECT_EQ(b.blocks[0][i], 0xFF) << i;
}

TEST(VoiceBlocks, BoundaryEndsWithAWholeEndMarkBlockAfterTheLastSamples) {
    const VoiceBlocks b = BuildVoiceBlocks(Samples(512, 0x33));
    ASSERT_EQ(b.blocks.size(), 3u);
    EXPECT_EQ(b.blocks[1], b.blocks[0]) << "the last full block is sent";
    EXPECT_EQ(b.blocks[1][255], 0x33);
    VoiceBlock mark;
    mark.fill(0xFF);
    EXPECT_EQ(b.blocks[2], mark);
}

TEST(VoiceBlocks, BudgetSendsTheFirst255BlocksOnly) {
    std::vector<std::uint8_t> s(300 * 256);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint8_t>(i / 256); // block number
    const VoiceBlocks b = BuildVoiceBlocks(s);
    ASSERT_EQ(b.blocks.size(), 255u);
    EXPECT_EQ(b.blocks[0][0], 0x00);
    EXPECT_EQ(b.blocks[253][0], 0xFD);
    EXPECT_EQ(b.blocks[254][255], 0xFE) << "a full block, no end mark";
}

} // namespace
