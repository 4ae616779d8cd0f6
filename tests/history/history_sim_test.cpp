// The three operations against the simulated module in-process: the module's log, signal memory
// and erase as the engine reads and writes them.

#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/signal_memory.h"
#include "sim/history_data.h"
#include "sim/module_sim.h"
#include "tests/k6link/fakes.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;
using namespace dalvex::k6link::test;

namespace {

struct Rows final : EventLogHost {
    void ShowLogProgress(bool) override {}
    void SetLogProgress(int) override {}
    void SetLogRows(int firstRow, std::span<const LogRow> r) override {
        rows.resize(static_cast<std::size_t>(firstRow - 1));
        rows.insert(rows.end(), r.begin(), r.end());
    }
    std::vector<LogRow> rows;
};

struct Samples final : SignalHost {
    void ClearSignalChart() override { samples.clear(); }
    void AddSignalSamples(std::span<const SignalSample> s) override {
        samples.insert(samples.end(), s.begin(), s.end());
    }
    std::vector<SignalSample> samples;
};

struct SimFixture : ::testing::Test {
    FakePort port;
    FakeHost host;
    Engine engine{port, host};
    Rows grid;
    Samples chart;
    EventLog log{engine, grid};
    SignalMemory signal{engine, chart};
    HistoryErase erase{engine};
    sim::ModuleSim module;
    std::size_t fed = 0;
    int ticked = 0;                  // engine ticks so far
    std::vector<int> receivedAtTick; // when the module got each command, in ticks

    // Ticks the engine, hands what it sent to the module and the module's replies back, until
    // the engine is idle.
    bool run(int ticks = 100000) {
        for (int i = 0; i < ticks && engine.OpState != 0; ++i) {
            engine.tick();
            ++ticked;
            while (fed < port.writes.size()) {
                receivedAtTick.push_back(ticked);
                const Bytes& sent = port.writes[fed++];
                const std::vector<std::uint8_t> replyBytes = module.feed(sent);
                if (replyBytes.empty()) continue;
                port.waiting.insert(port.waiting.end(), replyBytes.begin(), replyBytes.end());
                engine.AsynComm321RxChar(static_cast<int>(replyBytes.size()));
            }
        }
        return engine.OpState == 0;
    }
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
    EXPECT_EQ(port.writes.size(), 3u) << "records 4, 8 and 12";
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
    EXPECT_EQ(port.writes.size(), 16380u / 4);
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
    EXPECT_EQ(port.writes.size(), 1u);
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
