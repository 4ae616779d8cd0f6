// The engine against the module simulator. The engine's own behaviour runs on the in-process line
// (deterministic: the test ticks the engine and the replies come on the line's own clock); what
// depends on the serial component (the device name it opens) runs on a pseudo-terminal.

#include "fakes.h"
#include "k6link/core_states.h"
#include "serial/async32.h"
#include "sim/pty_module.h"
#include "tests/support/sim_rig.h"

#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;
using namespace dalvex::k6link::test;
using dalvex::test::Line;
using dalvex::test::SimRig;

namespace {

const Bytes kVersionQuery = {0, 0, 254, 0, 2, 253};

struct EngineWithModule : ::testing::Test {
    SimRig rig;
    Engine& engine = rig.engine;
    dalvex::test::RecordingEngineHost& host = rig.host;
    dalvex::test::CountingPort& port = rig.port;

    void ticks(int n) { rig.ticks(n); }
    bool idle() { return rig.runToIdle(200); }
};

} // namespace

TEST_F(EngineWithModule, VersionQueryIsAnsweredAndThePortClosesAfterTheCountdown) {
    rig.withModule([](sim::ModuleSim& m) { m.setVersion(77); });
    engine.OpState = state::VersionQuery;
    rig.tick();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(rig.simPort()->deviceName(), "COM1");
    EXPECT_EQ(host.panels[0], "COM1");
    ASSERT_TRUE(idle());
    EXPECT_EQ(engine.Version, 77);
    EXPECT_EQ(host.panels[2], "Sw: 7.7");
    EXPECT_EQ(rig.receivedBytes(), kVersionQuery);
    ticks(5);
    EXPECT_TRUE(port.IsOpen());
    rig.tick();
    EXPECT_FALSE(port.IsOpen());
}

TEST(EngineOnThePty, StoredDeviceNamespacePortIsOpenedWithItsPrefixAndShownWithout) {
    SimRig rig(Line::Pty);
    ASSERT_TRUE(rig.error().empty()) << rig.error();
    ASSERT_TRUE(rig.ptyModule()->linkAs(rig.portsPath(), 12)) << rig.ptyModule()->error();
    rig.host.settings[QStringLiteral("comport")] = QStringLiteral("\\\\.\\COM12");
    rig.engine.OpState = state::VersionQuery;
    rig.tick();
    EXPECT_EQ(rig.comm()->DeviceName(), "\\\\.\\COM12");
    EXPECT_TRUE(rig.comm()->IsOpen());
    EXPECT_EQ(rig.host.panels[0], "COM12");
    ASSERT_TRUE(rig.runToIdle(200));
    EXPECT_EQ(rig.engine.Version, 84);
    EXPECT_TRUE(rig.healthy());
}

TEST_F(EngineWithModule, ReplyInSeveralPiecesIsAssembled) {
    rig.setFault(sim::Fault::Split);
    engine.OpState = state::VersionQuery;
    rig.tick();
    ASSERT_TRUE(idle());
    EXPECT_EQ(engine.Version, 84);
    EXPECT_GT(port.readEvents, 1);
    EXPECT_EQ(port.writes, 1);
}

TEST_F(EngineWithModule, SpoiltRepliesAreDroppedAndTheQueryRepeatsUntilAGoodOneArrives) {
    struct Case {
        sim::Fault fault;
        std::size_t bytes; // what reaches the engine
    };
    for (const Case& c : {Case{sim::Fault::WrongCheck, 6}, Case{sim::Fault::Extra, 8}}) {
        SCOPED_TRACE(std::string(sim::faultInfo(c.fault).name));
        port.received.clear();
        port.writes = 0;
        engine.Version = 0;
        rig.setFault(c.fault);
        engine.OpState = state::VersionQuery;
        engine.TimeoutTicks = 0;
        rig.tick();
        ASSERT_EQ(port.received.size(), c.bytes);
        EXPECT_EQ(engine.OpState, state::VersionQuery);
        EXPECT_EQ(engine.RxCount, 0);
        EXPECT_EQ(engine.Version, 0);

        rig.setFault(sim::Fault::None);
        ticks(5);
        EXPECT_EQ(port.writes, 1);
        rig.tick();
        EXPECT_EQ(port.writes, 2);
        ASSERT_TRUE(idle());
        EXPECT_EQ(engine.Version, 84);
    }
}

TEST_F(EngineWithModule, RestartReachesTheModule) {
    engine.OpState = state::Restart;
    rig.tick();
    EXPECT_EQ(engine.OpState, 0);
    std::uint64_t restarts = 0;
    rig.withModule([&](sim::ModuleSim& m) { restarts = m.restarts(); });
    EXPECT_EQ(restarts, 1u);
}

TEST_F(EngineWithModule, Send256BlockIsStoredByTheModuleAndAcknowledgedWithItsSum) {
    engine.OpState = state::Send256;
    rig.tick();
    EXPECT_EQ(engine.OpState, 0);
    ASSERT_EQ(port.received.size(), 1u);
    EXPECT_EQ(port.received[0], 0x00);
    bool stored = false;
    rig.withModule([&](sim::ModuleSim& m) {
        const auto mem = m.memory().subspan(0x300000, 256);
        stored = std::all_of(mem.begin(), mem.end(), [](std::uint8_t b) { return b == 1; });
    });
    EXPECT_TRUE(stored);
}
