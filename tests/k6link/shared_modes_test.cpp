// The modes several operations share: the modem-mode entry, the monitor mode and the two sends of
// the memory-write transfer, driven tick by tick with the module's bytes fed in by hand.

#include "fakes.h"
#include "k6link/core_states.h"
#include "k6link/memory_write.h"
#include "k6link/modem_mode.h"
#include "k6link/monitor_mode.h"

#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;
using namespace dalvex::k6link::test;

namespace {

struct SharedModesTest : ::testing::Test {
    FakePort port;
    FakeHost host;
    Engine engine{port, host};
    ModemMode modem{engine};
    MonitorMode monitor{engine};
    MemoryWrite memoryWrite{engine};

    void feed(const Bytes& bytes) {
        port.waiting.insert(port.waiting.end(), bytes.begin(), bytes.end());
        engine.AsynComm321RxChar(static_cast<int>(bytes.size()));
    }
    void feedText(const std::string& text) { feed(Bytes(text.begin(), text.end())); }
    void tick() { engine.tick(); }
};

TEST_F(SharedModesTest, ModemModeSwitchesThenWaitsForOkAtPositionsFiveAndSix) {
    engine.BlockIndex = 7;
    engine.ConfigImage.set(7, 0x42);
    modem.Enter(300);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes.back(), FrameBytes(0, 0xFD, 0, 0x42));
    EXPECT_EQ(host.panels[3], modem.Texts.Switching);

    // Either mark is enough: R1 = 0xAC without R0 = 0xAB.
    feed(FrameBytes(0, kModeMark, 0, 0));
    EXPECT_EQ(engine.OpState, state::ModemAt);
    EXPECT_EQ(host.panels[3], modem.Texts.ModemMode);

    engine.TimeoutTicks = 0;
    tick();
    EXPECT_EQ(port.writes.back(), (Bytes{'A', 'T', '\r'}));
    EXPECT_EQ(engine.TimeoutTicks, ModemMode::kAtTicks);

    // The echo arrives first: no "OK" yet, so nothing moves.
    feedText("AT\r\r\n");
    EXPECT_EQ(engine.OpState, state::ModemAt);
    feedText("OK\r\n");
    EXPECT_EQ(engine.OpState, 300);
    EXPECT_EQ(engine.RxCount, 1);
    EXPECT_EQ(engine.RxBuffer[5], 'x');
    EXPECT_EQ(host.panels[3], modem.Texts.Ready);
}

TEST_F(SharedModesTest, ModemModeIgnoresAnAnswerThatIsNotOk) {
    modem.Enter(290);
    feed(FrameBytes(kAckMark, 0, 0, 0));
    feedText("AT\r\r\nERROR\r\n");
    EXPECT_EQ(engine.OpState, state::ModemAt);
}

TEST_F(SharedModesTest, MonitorStreamsUntilSwitchedOffThenReadsStatusAndGoesIdle) {
    std::string shown;
    monitor.OnText = [&](std::span<const std::uint8_t> b) { shown.append(b.begin(), b.end()); };
    monitor.Start();
    tick();
    ASSERT_EQ(port.writes.back(), FrameBytes(0, 0xFB, 1, 0));
    feed(FrameBytes(kAckMark, 0, 0, 0)); // no mode mark: not the answer
    EXPECT_EQ(engine.OpState, state::MonitorOn);
    feed(FrameBytes(kAckMark, kModeMark, 0, 0));
    EXPECT_EQ(engine.OpState, state::MonitorStream);

    feedText("GSM: ");
    feed(Bytes{'o', 'k', 0x00, 0xFF, '\r'});
    EXPECT_EQ(shown, std::string("GSM: ok\0\xFF\r", 10));
    EXPECT_EQ(engine.RxCount, 0);
    const std::size_t sentWhileStreaming = port.writes.size();
    for (int i = 0; i < 20; ++i)
        tick();
    EXPECT_EQ(port.writes.size(), sentWhileStreaming) << "nothing is sent while streaming";

    monitor.Stop();
    engine.TimeoutTicks = 0;
    tick();
    EXPECT_EQ(port.writes.back(), FrameBytes(0, 0xFB, 0, 0));
    feed(FrameBytes(kAckMark, kModeMark, 0, 0));
    EXPECT_EQ(port.writes.back(), FrameBytes(2, 2, 0, 0));
    EXPECT_EQ(engine.OpState, state::Idle);
}

TEST_F(SharedModesTest, MemoryWriteStartNamesThePageAndBlocksGoOutRaw) {
    memoryWrite.TransferError = true;
    memoryWrite.SendStart(0x0300);
    EXPECT_EQ(port.writes.back(), (Bytes{0x00, 0xFA, 0x03, 0x00, 0x03, 0xFC}));
    EXPECT_EQ(engine.TimeoutTicks, MemoryWrite::kStartTicks);
    EXPECT_FALSE(memoryWrite.TransferError);

    std::array<std::uint8_t, kBlockSize> block;
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i);
    memoryWrite.SendBlock(block);
    EXPECT_EQ(port.writes.back(), Bytes(block.begin(), block.end()));
    EXPECT_EQ(engine.TimeoutTicks, MemoryWrite::kBlockTicks);
    EXPECT_EQ(engine.RxCount, 0);
}

} // namespace
