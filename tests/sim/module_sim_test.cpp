#include "sim/module_sim.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <vector>

namespace dalvex::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const auto f = SixByteFrame::make(b0, b1, b2, b3);
    return Bytes(f.bytes.begin(), f.bytes.end());
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kProbe(kIdentificationProbe.bytes.begin(), kIdentificationProbe.bytes.end());
const Bytes kAltProbe(kAlternateProbe.bytes.begin(), kAlternateProbe.bytes.end());

Bytes feedChunks(ModuleSim& sim, const std::vector<Bytes>& chunks) {
    Bytes out;
    for (const Bytes& c : chunks) {
        const Bytes r = sim.feed(c);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

TEST(ModuleSim, AnswersCommandsAsAModuleDoes) {
    struct Case {
        const char* what;
        std::vector<Bytes> chunks; // fed one feed() call each
        Bytes expected;
    };
    const std::vector<Case> cases = {
        // The reply bytes written out once, so that the frame builder is not its own judge.
        {"identification probe answers the type code", {kProbe}, {171, 0, 255, 72, 14, 241}},
        {"address 254 reads the version", {frame(0, 0, 254, 0)}, frame(0xAB, 0, 0xFE, 84)},
        {"other addresses read memory", {frame(0x12, 0, 0x34, 0)}, frame(0xAB, 0, 0x34, 0x5A)},
        {"0x01FF is memory, not the type register", {frame(0x01, 0, 0xFF, 0)}, frame(0xAB, 0, 0xFF, 0x11)},
        {"alternate probe answers with the type code", {kAltProbe}, frame(0xAB, 254, 0, 72)},
        {"byte write is acknowledged and reads back",
         {frame(0x20, 1, 0x10, 0x42), frame(0x20, 0, 0x10, 0)},
         join({frame(0xAB, 1, 0x10, 0x42), frame(0xAB, 0, 0x10, 0x42)})},
        {"write to the type register is acknowledged, type unchanged",
         {frame(0, 1, 255, 9), kProbe},
         join({frame(0xAB, 1, 255, 9), frame(0xAB, 0, 255, 72)})},
        {"write to the version register is acknowledged, version unchanged",
         {frame(0, 1, 254, 9), frame(0, 0, 254, 0)},
         join({frame(0xAB, 1, 254, 9), frame(0xAB, 0, 254, 84)})},
        {"unknown command is consumed silently", {frame(0, 0x77, 0, 0), kProbe}, frame(0xAB, 0, 255, 72)},
        {"frame with a wrong check byte is not answered", {{0, 0, 255, 0, 1, 253}}, {}},
        {"garbage before a frame is skipped", {join({{1, 2, 3, 0xFF, 0}, kProbe})}, frame(0xAB, 0, 255, 72)},
        {"a bad frame does not swallow the next one",
         {{0, 0, 255, 0, 1, 253}, kProbe},
         frame(0xAB, 0, 255, 72)},
        {"command split over several feeds", {{0, 0}, {255}, {0, 1}, {254}}, frame(0xAB, 0, 255, 72)},
        {"garbage and a frame split over feeds", {{7, 0, 0}, {255, 0, 1, 254}}, frame(0xAB, 0, 255, 72)},
        {"two commands in one feed",
         {join({kProbe, frame(0, 0, 254, 0)})},
         join({frame(0xAB, 0, 255, 72), frame(0xAB, 0, 254, 84)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ModuleSim sim;
        sim.memory()[0x1234] = 0x5A;
        sim.memory()[0x01FF] = 0x11;
        // The identity registers hide the memory beneath them.
        sim.memory()[254] = 0x99;
        sim.memory()[255] = 0x98;
        EXPECT_EQ(feedChunks(sim, c.chunks), c.expected);
    }
}

TEST(ModuleSim, IdentityAndMemoryAsConfigured) {
    ModuleSim sim;
    EXPECT_EQ(sim.memory().size(), 4u * 1024u * 1024u);
    EXPECT_TRUE(std::all_of(sim.memory().begin(), sim.memory().end(), [](std::uint8_t b) { return b == 0; }));
    sim.setTypeCode(75);
    sim.setVersion(91);
    EXPECT_EQ(sim.feed(kProbe), frame(0xAB, 0, 255, 75));
    EXPECT_EQ(sim.feed(frame(0, 0, 254, 0)), frame(0xAB, 0, 254, 91));
    sim.feed(frame(0xFF, 1, 0xFF, 0x77));
    EXPECT_EQ(sim.memory()[0xFFFF], 0x77);
}

TEST(ModuleSim, NeverStaysStuckOnGarbage) {
    ModuleSim sim;
    std::mt19937 random(20120301);
    Bytes garbage(5000);
    for (auto& b : garbage)
        b = static_cast<std::uint8_t>(random());
    sim.feed(garbage);
    const Bytes reply = sim.feed(join({kProbe, kProbe}));
    // The first probe may be eaten by the garbage's tail; the second is answered in any case.
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(Bytes(reply.end() - 6, reply.end()), frame(0xAB, 0, 255, 72));
}

TEST(ModuleSim, ReportsEachExchangeSeparately) {
    ModuleSim sim;
    std::vector<Reply> replies;
    sim.feed(join({kProbe, frame(0, 0x77, 0, 0), {0, 0, 255, 0, 1, 253}, frame(0, 1, 0x10, 5)}),
             [&](const Reply& r) { replies.push_back(r); });
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, frame(0xAB, 0, 255, 72));
    EXPECT_EQ(replies[0].kind, ReplyKind::Frame);
    EXPECT_EQ(replies[0].exchange, 1u);
    EXPECT_EQ(replies[1].bytes, frame(0xAB, 1, 0x10, 5));
    EXPECT_EQ(replies[1].exchange, 2u);
    EXPECT_EQ(sim.exchanges(), 2u);
}

// A command with a payload, registered the way later commands are: F(0, 0x42, 0, 0) takes four raw
// bytes and answers with their sum.
class PayloadCommand : public ::testing::Test {
protected:
    static constexpr std::uint8_t kSumCommand = 0x42;
    // F(0, 0x43, 0, 0) takes two-byte blocks, acknowledges each with its first byte, and ends
    // after a block that starts with 0.
    static constexpr std::uint8_t kStreamCommand = 0x43;

    void SetUp() override {
        sim.registerCommand(kSumCommand, [](Exchange& ex) {
            ex.expectPayload(4, [](Exchange& step, std::span<const std::uint8_t> payload) {
                const std::uint8_t sum = std::accumulate(payload.begin(), payload.end(), std::uint8_t{0});
                step.reply(std::span<const std::uint8_t>(&sum, 1), ReplyKind::Sum);
            });
        });
        sim.registerCommand(kStreamCommand, [](Exchange& ex) { expectBlock(ex); });
    }
    static void expectBlock(Exchange& ex) {
        ex.expectPayload(2, [](Exchange& step, std::span<const std::uint8_t> block) {
            step.reply(block.first(1), ReplyKind::Sum);
            if (block[0] != 0) expectBlock(step);
        });
    }

    ModuleSim sim;
};

TEST_F(PayloadCommand, PayloadBytesAreNotFramed) {
    // The payload is the start of a probe; it must be summed, not taken for a frame.
    EXPECT_TRUE(sim.feed(frame(0, kSumCommand, 0, 0)).empty());
    EXPECT_TRUE(sim.awaitingPayload());
    EXPECT_TRUE(sim.feed(Bytes{0, 0}).empty());
    EXPECT_EQ(sim.feed(Bytes{255, 0}), Bytes{255});
    EXPECT_FALSE(sim.awaitingPayload());
    EXPECT_EQ(sim.feed(kProbe), frame(0xAB, 0, 255, 72));
    // The frame alone was not an exchange; frame with payload and the probe were.
    EXPECT_EQ(sim.exchanges(), 2u);
}

TEST_F(PayloadCommand, PayloadAndNextFrameInOneFeed) {
    std::vector<Reply> replies;
    sim.feed(join({frame(0, kSumCommand, 0, 0), {1, 2, 3, 4}, kProbe}),
             [&](const Reply& r) { replies.push_back(r); });
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, Bytes{10});
    EXPECT_EQ(replies[0].kind, ReplyKind::Sum);
    EXPECT_EQ(replies[1].bytes, frame(0xAB, 0, 255, 72));
}

TEST_F(PayloadCommand, AcknowledgedBlocksChainPayloads) {
    const Bytes out = feedChunks(sim, {frame(0, kStreamCommand, 0, 0), {5, 1}, {6}, {1, 0, 0}, kProbe});
    EXPECT_EQ(out, join({{5, 6, 0}, frame(0xAB, 0, 255, 72)}));
    // Each acknowledged block is an exchange, and so is the probe.
    EXPECT_EQ(sim.exchanges(), 4u);
}

} // namespace
} // namespace dalvex::sim

namespace dalvex::sim {
namespace {

TEST(ModuleSimMemoryWrite, StoresPagesAcknowledgesEachAndFramesAgainAfter255Blocks) {
    ModuleSim sim;
    const Bytes start = {0x00, 0xFA, 0x03, 0x00, 0x03, 0xFC};
    EXPECT_EQ(sim.feed(start), frame(kAckMark, 0xFA, 0x03, 0x00));
    Bytes acks;
    for (int b = 0; b < kMemoryWriteBlocks; ++b) {
        const Bytes block(kBlockSize, static_cast<std::uint8_t>(b));
        const Bytes out = sim.feed(block);
        acks.insert(acks.end(), out.begin(), out.end());
    }
    ASSERT_EQ(acks.size(), static_cast<std::size_t>(kMemoryWriteBlocks));
    for (int b = 0; b < kMemoryWriteBlocks; ++b)
        EXPECT_EQ(acks[static_cast<std::size_t>(b)], static_cast<std::uint8_t>(b)) << b;
    EXPECT_EQ(sim.memory()[0x0300 * kBlockSize], 0);
    EXPECT_EQ(sim.memory()[(0x0300 + 254) * kBlockSize + 255], 254);
    EXPECT_EQ(sim.memoryWriteBlocks(), static_cast<std::uint64_t>(kMemoryWriteBlocks));
    EXPECT_FALSE(sim.awaitingPayload());
    EXPECT_EQ(sim.feed(frame(0, 0, 254, 0)), frame(kAckMark, 0, 254, kDefaultVersion));
}

TEST(ModuleSimMemoryWrite, EndingEarlyFramesAgain) {
    ModuleSim sim;
    sim.feed(Bytes{0x00, 0xFA, 0x3E, 0x00, 0xC8, 0x37});
    sim.feed(Bytes(kBlockSize, 0x11));
    EXPECT_TRUE(sim.awaitingPayload());
    sim.endMemoryWrite();
    EXPECT_EQ(sim.feed(frame(0, 0, 254, 0)), frame(kAckMark, 0, 254, kDefaultVersion));
    EXPECT_EQ(sim.memory()[0x3E00 * kBlockSize], 0x11);
}

} // namespace
} // namespace dalvex::sim
