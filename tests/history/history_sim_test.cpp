// The three operations against the simulated module on the in-process line: the module's log,
// signal memory and erase as the engine reads and writes them.

#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/signal_memory.h"
#include "sim/history_data.h"
#include "sim/module_sim.h"
#include "tests/support/sim_rig.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;

namespace {

struct SimFixture : ::testing::Test {
    dalvex::test::SimRig rig;
    Engine& engine = rig.engine;
    dalvex::test::RecordingEngineHost& host = rig.host;
    sim::ModuleSim& module = rig.simPort()->module();
    dalvex::test::RecordingEventLogHost grid;
    dalvex::test::RecordingSignalHost chart;
    EventLog log{engine, grid};
    SignalMemory signal{engine, chart};
    HistoryErase erase{engine};
    int ticked = 0;                  // engine ticks so far
    std::vector<int> receivedAtTick; // when the module got each command, in ticks

    SimFixture() {
        rig.ticker = [this] {
            ++ticked;
            engine.tick();
        };
        rig.port.onWrite = [this](const void*, int) { receivedAtTick.push_back(ticked); };
    }

    // Ticks the engine until it is idle.
    bool run() { return rig.runToIdle(100000); }
};

} // namespace

TEST_F(SimFixture, ALogOfTenRecordsReadsNewestFirstAndStopsAtItsEnd) {
    sim::fillLog(module, 10);
    log.Start();
    ASSERT_TRUE(run());
    ASSERT_EQ(grid.rows.size(), 10u);
    // Record k of the module's log (0 the newest) is row k + 1, in the order fillLog wrote them.
    const auto codes = sim::logEventCodes();
    for (std::size_t k = 0; k < 10; ++k)
        EXPECT_EQ(grid.rows[k].Event, LogEventText(codes[k], LogTexts{})) << k;
    EXPECT_EQ(grid.rows[0].Date, "2024.03.05.   14:07:09");
    for (std::size_t k = 1; k < 10; ++k)
        EXPECT_LT(grid.rows[k].Date, grid.rows[k - 1].Date) << "older and older";
    EXPECT_EQ(rig.port.writes, 3) << "records 4, 8 and 12";
    EXPECT_EQ(log.LogRecordNo, 14);
}

TEST_F(SimFixture, AFilledLogHoldsEveryCodeAndNetworkStateAndA44CharacterNote) {
    sim::fillLog(module, 200);
    log.Start();
    ASSERT_TRUE(run());
    ASSERT_EQ(grid.rows.size(), 200u);
    QSet<QString> events, networks;
    bool longNote = false;
    for (const LogRow& r : grid.rows) {
        events.insert(r.Event);
        networks.insert(r.Network);
        EXPECT_FALSE(r.Event.startsWith("Ismeretlen/")) << r.Event.toStdString();
        longNote |= r.Note.size() == 44;
    }
    EXPECT_EQ(events.size(), 31);
    EXPECT_TRUE(networks.contains("Csatlakozva") && networks.contains("Nincs csatlakozva") &&
                networks.contains("Roaming") && networks.contains("Fault:2"));
    EXPECT_TRUE(longNote);
}

TEST_F(SimFixture, AFullLogEndsAtRecord16384) {
    sim::fillLog(module, sim::kLogCapacity);
    log.Start();
    ASSERT_TRUE(run());
    EXPECT_EQ(grid.rows.size(), 16380u);
    EXPECT_EQ(rig.port.writes, 16380 / 4);
}

TEST_F(SimFixture, SignalMemoryWithAHundredSamples) {
    sim::fillSignal(module, 100);
    signal.Start();
    ASSERT_TRUE(run());
    ASSERT_EQ(chart.samples.size(), 100u);
    for (std::size_t i = 0; i < 100; ++i) {
        const int n = static_cast<int>(i) + 1;
        const bool labelled = (n >= 24 && n <= 31) || (n >= 56 && n <= 63) || (n >= 88 && n <= 95);
        EXPECT_EQ(chart.samples[i].label >= 0, labelled) << n;
        EXPECT_LE(chart.samples[i].value, 31);
        EXPECT_EQ(chart.samples[i].value, module.memory()[sim::kSignalAddress + i]);
    }
    EXPECT_EQ(signal.SampleCount, 0);
    EXPECT_EQ(rig.port.writes, 1);
}

TEST_F(SimFixture, EraseEmptiesBothHistoriesAndRestartsTheModule) {
    sim::fillLog(module, 50);
    sim::fillSignal(module, 1000);
    erase.Start();
    ASSERT_TRUE(run());
    EXPECT_EQ(module.restarts(), 1u);
    EXPECT_EQ(host.panels[3], "Sikeres napló és térerő törlés");
    // The module acknowledges each block at once, yet gets the next command only when the block's
    // 50-tick countdown has run out, time for it to finish writing its flash.
    ASSERT_EQ(receivedAtTick.size(), 3u) << "log block, signal block, restart";
    EXPECT_GE(receivedAtTick[1] - receivedAtTick[0], HistoryErase::kBlockTicks);
    EXPECT_GE(receivedAtTick[2] - receivedAtTick[1], HistoryErase::kBlockTicks);

    log.Start();
    ASSERT_TRUE(run());
    EXPECT_TRUE(grid.rows.empty());
    signal.Start();
    ASSERT_TRUE(run());
    EXPECT_TRUE(chart.samples.empty());
}

TEST_F(SimFixture, Command8AnswersEndMarksOutsideTheLog) {
    sim::fillLog(module, sim::kLogCapacity);
    const auto isErased = [](std::span<const std::uint8_t> bytes) {
        return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
    };
    for (int n : {0, 16388, 65535})
        EXPECT_TRUE(isErased(sim::logBlock(module.memory(), n))) << n;
    // Record number 3 reaches one record before the log: record 3 of the block.
    const auto block = sim::logBlock(module.memory(), 3);
    EXPECT_TRUE(isErased(std::span(block).subspan(192)));
    EXPECT_TRUE(
        std::equal(block.begin(), block.begin() + 64, module.memory().begin() + sim::kLogAddress + 2 * 64))
        << "record 0: log record 2";
}
