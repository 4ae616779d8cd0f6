// The log read, the signal read and the erase driven by hand: the test ticks the engine, plays the
// module's replies into the port and looks at what was sent and shown.

#include "k6link/core_states.h"
#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/signal_memory.h"
#include "tests/k6link/fakes.h"

#include <gtest/gtest.h>

using namespace dalvex::k6link;
using namespace dalvex::k6link::test;

namespace {

// A log record whose code and note say which it is.
Bytes Record(std::uint8_t code, int n) {
    Bytes r(64, 0);
    r[0] = code;
    const std::string date = "240305140709";
    std::copy(date.begin(), date.end(), r.begin() + 2);
    r[17] = static_cast<std::uint8_t>(n % 32);
    r[18] = 1;
    const std::string note = "rec" + std::to_string(n);
    std::copy(note.begin(), note.end(), r.begin() + 20);
    return r;
}

// A block of four records, given as record 0 .. 3.
Bytes Block(const std::vector<Bytes>& records) {
    Bytes b;
    for (const Bytes& r : records)
        b.insert(b.end(), r.begin(), r.end());
    return b;
}

Bytes SignalBlock(const Bytes& data) {
    Bytes b = data;
    b.resize(256, 10);
    b.push_back(BlockSum(b));
    return b;
}

struct HistoryFixture : ::testing::Test {
    FakePort port;
    FakeHost host;
    Engine engine{port, host};
    dalvex::test::RecordingEventLogHost logWindow;
    dalvex::test::RecordingSignalHost chart;
    EventLog log{engine, logWindow};
    SignalMemory signal{engine, chart};
    HistoryErase erase{engine};

    void reply(const Bytes& bytes) {
        port.waiting.insert(port.waiting.end(), bytes.begin(), bytes.end());
        engine.AsynComm321RxChar(static_cast<int>(bytes.size()));
    }
    const Bytes& lastSent() const { return port.writes.back(); }
    // Ticks until something is sent; false when nothing is within `ticks`.
    bool tickUntilSent(int ticks = 60) {
        const std::size_t before = port.writes.size();
        for (int i = 0; i < ticks && port.writes.size() == before; ++i)
            engine.tick();
        return port.writes.size() > before;
    }
    std::vector<QString> notes() const {
        std::vector<QString> out;
        for (const LogRow& r : logWindow.rows)
            out.push_back(r.Note);
        return out;
    }
};

} // namespace

TEST_F(HistoryFixture, LogRecordsComeNewestFirstBlockByBlockUntilTheEndMark) {
    log.Start();
    EXPECT_EQ(engine.OpState, state::LogStart);
    EXPECT_TRUE(logWindow.progressVisible);
    EXPECT_EQ(logWindow.progress, 0);
    logWindow.updates = 0;
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 8, 4, 0));
    EXPECT_EQ(engine.OpState, state::LogBlock);
    EXPECT_EQ(engine.TimeoutTicks, 50);

    // Records 3, 2, 1, 0 of the block for record number 4 land in rows 1, 2, 3, 4.
    reply(Block({Record(51, 4), Record(50, 3), Record(49, 2), Record(48, 1)}));
    EXPECT_EQ(notes(), (std::vector<QString>{"rec1", "rec2", "rec3", "rec4"}));
    EXPECT_EQ(logWindow.rows[0].Event, "GSM leszakadt");
    EXPECT_EQ(log.LogRecordNo, 8);
    EXPECT_EQ(logWindow.progress, 20);
    EXPECT_EQ(logWindow.updates, 1) << "one grid update per block";
    EXPECT_EQ(lastSent(), FrameBytes(0, 8, 8, 0)) << "the next block is asked for at once";

    // The end mark in record 2 of the second block: record 3 is shown, records 1 and 0 are not.
    reply(Block({Record(66, 99), Record(66, 99), Record(0xFF, 0), Record(9, 5)}));
    EXPECT_EQ(notes(), (std::vector<QString>{"rec1", "rec2", "rec3", "rec4", "rec5"}));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(logWindow.progressVisible);
    EXPECT_EQ(logWindow.progress, 25);
    EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(HistoryFixture, AnEndMarkInRecord3OfTheFirstBlockShowsNothing) {
    for (std::uint8_t end : {std::uint8_t{0xFF}, std::uint8_t{0}}) {
        SCOPED_TRACE(int(end));
        logWindow.rows = {LogRow{"old", "", "", "", ""}};
        log.Start();
        EXPECT_TRUE(logWindow.rows.empty()) << "a new read starts from an empty grid";
        ASSERT_TRUE(tickUntilSent());
        reply(Block({Record(1, 1), Record(2, 2), Record(3, 3), Record(end, 0)}));
        EXPECT_TRUE(logWindow.rows.empty());
        EXPECT_EQ(engine.OpState, 0);
        EXPECT_FALSE(logWindow.progressVisible);
    }
}

TEST_F(HistoryFixture, ABlockOfTheWrongLengthIsAskedForAgain) {
    log.Start();
    ASSERT_TRUE(tickUntilSent());
    const Bytes full = Block({Record(1, 4), Record(1, 3), Record(1, 2), Record(1, 1)});

    // Short: 255 bytes wait for more and are never taken; the countdown repeats the command.
    reply(Bytes(full.begin(), full.end() - 1));
    EXPECT_TRUE(logWindow.rows.empty());
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 8, 4, 0));

    // Long: 257 bytes in one piece are not a block either.
    Bytes longer = full;
    longer.push_back(0);
    reply(longer);
    EXPECT_TRUE(logWindow.rows.empty());
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 8, 4, 0));

    // In pieces, it is taken once it is whole.
    reply(Bytes(full.begin(), full.begin() + 100));
    reply(Bytes(full.begin() + 100, full.end()));
    EXPECT_EQ(logWindow.rows.size(), 4u);
    EXPECT_EQ(lastSent(), FrameBytes(0, 8, 8, 0));
}

TEST_F(HistoryFixture, StopEndsTheReadAndALateBlockIsIgnored) {
    log.Start();
    ASSERT_TRUE(tickUntilSent());
    log.Stop();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(logWindow.progressVisible);
    EXPECT_EQ(logWindow.progress, 0);
    reply(Block({Record(1, 4), Record(1, 3), Record(1, 2), Record(1, 1)}));
    EXPECT_TRUE(logWindow.rows.empty());
    EXPECT_EQ(port.writes.size(), 1u);
    for (int i = 0; i < 100; ++i)
        engine.tick();
    EXPECT_EQ(port.writes.size(), 1u) << "nothing is asked for after the stop";
}

TEST_F(HistoryFixture, TheLogEndsAtRecord16384AndTheProgressWraps) {
    engine.OpState = state::LogBlock;
    log.LogRecordNo = 16380;
    log.Progress = 90;
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 8, 16380 & 0xFF, 16380 >> 8));
    reply(Block({Record(1, 4), Record(1, 3), Record(1, 2), Record(1, 1)}));
    EXPECT_EQ(log.LogRecordNo, 16384);
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(log.Progress, 10) << "95, 100 -> 0, 5, 10";
    EXPECT_EQ(logWindow.rows.size(), 16380u) << "rows 16377 to 16380";
}

TEST_F(HistoryFixture, SignalSamplesUntilTheEndMark) {
    signal.Start();
    EXPECT_EQ(chart.clears, 1);
    EXPECT_EQ(engine.OpState, state::SignalRead);
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 0xF7, 0, 0x30));
    EXPECT_EQ(engine.TimeoutTicks, 50);

    Bytes first(256);
    for (int i = 0; i < 256; ++i)
        first[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 32);
    reply(SignalBlock(first));
    ASSERT_EQ(chart.samples.size(), 256u);
    EXPECT_EQ(chart.samples[23], (SignalSample{23, 1})) << "sample 24";
    EXPECT_EQ(chart.samples[22], (SignalSample{22, -1}));
    EXPECT_EQ(signal.SignalBlock, 1);
    EXPECT_EQ(lastSent(), FrameBytes(0, 0xF7, 1, 0x30)) << "the next block at once";

    Bytes second(10, 7);
    second.push_back(0xFF);
    reply(SignalBlock(second));
    EXPECT_EQ(chart.samples.size(), 266u);
    EXPECT_EQ(chart.updates, 2);
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(signal.SampleCount, 0);
    EXPECT_EQ(signal.SignalBlock, 0);
}

TEST_F(HistoryFixture, ASignalBlockThatFailsItsSumIsAskedForAgain) {
    signal.Start();
    ASSERT_TRUE(tickUntilSent());
    Bytes bad = SignalBlock(Bytes(256, 5));
    ++bad.back();
    reply(bad);
    EXPECT_TRUE(chart.samples.empty());
    EXPECT_EQ(port.writes.size(), 1u);
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 0xF7, 0, 0x30));
    reply(SignalBlock(Bytes{4, 0xFF}));
    EXPECT_EQ(chart.samples.size(), 1u);
    EXPECT_EQ(engine.OpState, 0);
}

TEST_F(HistoryFixture, AReadThatEndsAfterBlock1278KeepsItsCounters) {
    signal.SignalBlock = 1278;
    signal.SampleCount = 1278 * 256;
    signal.Start();
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 0xF7, 1278 & 0xFF, (1278 >> 8) + 0x30));
    reply(SignalBlock(Bytes(256, 9)));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(signal.SignalBlock, 1279);
    EXPECT_EQ(signal.SampleCount, 1279 * 256);
    EXPECT_EQ(chart.samples.back().label, -1);
    EXPECT_EQ(chart.samples[256 - 8].label, (1278 * 256 + 256 - 7) / 24);

    // The next read asks for one more block and stops.
    signal.Start();
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), FrameBytes(0, 0xF7, 1279 & 0xFF, (1279 >> 8) + 0x30));
    reply(SignalBlock(Bytes(256, 9)));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(signal.SignalBlock, 1280);
}

TEST_F(HistoryFixture, EraseWritesBothFirstBlocksThenRestarts) {
    Bytes erased = FrameBytes(0, 0xF6, 0x10, 0);
    erased.insert(erased.end(), 256, 0xFF);
    ASSERT_EQ(erased.size(), 262u);

    // With the port still open from an earlier exchange the block goes out at once.
    engine.PortOpen = true;
    erase.Start();
    EXPECT_EQ(engine.OpState, state::EraseLog);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(lastSent(), erased);
    EXPECT_EQ(engine.TimeoutTicks, 50);

    reply({1}); // not the block's sum 0: ignored, the block goes again after the countdown
    EXPECT_EQ(engine.OpState, state::EraseLog);
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(lastSent(), erased);
    // Each acknowledgement comes at once; the next command still waits for the whole countdown of
    // the block before it (50 ticks, then the send at the tick after).
    reply({0});
    EXPECT_EQ(engine.OpState, state::EraseSignal);
    EXPECT_FALSE(tickUntilSent(50)) << "the second block waits for the countdown";
    ASSERT_TRUE(tickUntilSent(1));
    erased = FrameBytes(0, 0xF6, 0x30, 0);
    erased.insert(erased.end(), 256, 0xFF);
    EXPECT_EQ(lastSent(), erased);

    reply({0});
    EXPECT_EQ(engine.OpState, state::Restart);
    EXPECT_EQ(host.panels[3], "Sikeres napló és térerő törlés");
    EXPECT_FALSE(tickUntilSent(50)) << "the restart waits for the countdown";
    ASSERT_TRUE(tickUntilSent(1));
    EXPECT_EQ(lastSent(), FrameBytes(0, 0xFF, 0xAA, 0));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(port.writes.size(), 4u);
}

TEST_F(HistoryFixture, EraseWithThePortClosedGoesAtTheFirstTick) {
    erase.Start();
    EXPECT_TRUE(port.writes.empty());
    engine.tick();
    EXPECT_TRUE(port.open);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0].size(), 262u);
}

TEST_F(HistoryFixture, DemoModeSendsNothing) {
    engine.DemoMode = true;
    for (auto start :
         {+[](HistoryFixture& f) { f.log.Start(); }, +[](HistoryFixture& f) { f.signal.Start(); },
          +[](HistoryFixture& f) { f.erase.Start(); }}) {
        start(*this);
        for (int i = 0; i < 10 && engine.OpState != 0; ++i)
            engine.tick();
        EXPECT_EQ(engine.OpState, 0);
    }
    EXPECT_TRUE(port.writes.empty());
}
