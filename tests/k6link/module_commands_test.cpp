// The simulated module's side of the engine's own commands: the block write and the restart.

#include "sim/module_sim.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace dalvex::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const auto f = SixByteFrame::make(b0, b1, b2, b3);
    return Bytes(f.bytes.begin(), f.bytes.end());
}

TEST(ModuleCommands, BlockWriteIsStoredWhereItsNumberSaysAndAnsweredWithItsSum) {
    struct Case {
        std::uint8_t p1, p2;
        std::uint32_t address;
    };
    // The configuration area counts in 16-byte units, every other block in 256-byte units.
    for (const Case& c : {Case{0, 0, 0}, Case{0, 80, 1280}, Case{0x34, 0x7F, 0x347F00},
                          Case{0x30, 0, 0x300000}, Case{0x10, 0, 0x100000}}) {
        SCOPED_TRACE(c.address);
        ModuleSim module;
        Bytes block(256);
        std::iota(block.begin(), block.end(), std::uint8_t{c.p2});
        const unsigned sum = std::accumulate(block.begin(), block.end(), 0u) & 0xFFu;
        // The frame's S is deliberately wrong: the module answers what it received.
        Bytes head = frame(static_cast<std::uint8_t>(sum + 1), 0xF6, c.p1, c.p2);
        std::vector<Reply> replies;
        module.feed(head, [&](const Reply& r) { replies.push_back(r); });
        EXPECT_TRUE(replies.empty());
        EXPECT_TRUE(module.awaitingPayload());
        module.feed(Bytes(block.begin(), block.begin() + 100), [&](const Reply& r) { replies.push_back(r); });
        module.feed(Bytes(block.begin() + 100, block.end()), [&](const Reply& r) { replies.push_back(r); });
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0].bytes, Bytes{static_cast<std::uint8_t>(sum)});
        EXPECT_EQ(replies[0].kind, ReplyKind::Sum);
        const auto mem = module.memory().subspan(c.address, 256);
        EXPECT_TRUE(std::equal(mem.begin(), mem.end(), block.begin()));
        // Framing resumes after the payload.
        EXPECT_EQ(module.feed(frame(0, 0, 254, 0)), frame(0xAB, 0, 254, 84));
    }
}

TEST(ModuleCommands, RestartIsCountedOnlyWithItsKeyAndNotAnswered) {
    ModuleSim module;
    EXPECT_TRUE(module.feed(frame(0, 0xFF, 0xAA, 0)).empty());
    EXPECT_EQ(module.restarts(), 1u);
    EXPECT_TRUE(module.feed(frame(0, 0xFF, 0x55, 0)).empty());
    EXPECT_EQ(module.restarts(), 1u);
}

} // namespace
} // namespace dalvex::sim
