// The engine against the module simulator on a pseudo-terminal, through the real serial
// component. The test ticks the engine itself and waits, with a deadline, only for replies.

#include "fakes.h"
#include "k6link/core_states.h"
#include "serial/async32.h"
#include "sim/pty_module.h"
#include "tests/support/counting_port.h"
#include "tests/support/wait.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;
using namespace dalvex::k6link::test;
using dalvex::test::waitFor;

namespace {

const Bytes kVersionQuery = {0, 0, 254, 0, 2, 253};

struct EngineWithModule : ::testing::Test {
    QTemporaryDir ports;
    sim::PtyModule module;
    TAsynComm32 comm;
    dalvex::test::CountingPort port{comm};
    FakeHost host;
    Engine engine{port, host};

    void SetUp() override {
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        ASSERT_TRUE(module.start()) << module.error();
        link(1);
        comm.OnRxChar = [this](TCustomAsynComm32*, int count) { engine.AsynComm321RxChar(count); };
    }
    void TearDown() override {
        comm.Close();
        module.stop();
        unsetenv("DALVEX_PORTS");
    }
    void link(int com) { ASSERT_TRUE(module.linkAs(ports.path().toStdString(), com)) << module.error(); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            engine.tick();
    }
    bool idle() {
        return waitFor([&] { return engine.OpState == 0; });
    }
};

} // namespace

TEST_F(EngineWithModule, VersionQueryIsAnsweredAndThePortClosesAfterTheCountdown) {
    module.withModule([](sim::ModuleSim& m) { m.setVersion(77); });
    engine.OpState = state::VersionQuery;
    engine.tick();
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(comm.DeviceName(), "COM1");
    EXPECT_EQ(host.panels[0], "COM1");
    ASSERT_TRUE(idle());
    EXPECT_EQ(engine.Version, 77);
    EXPECT_EQ(host.panels[2], "Sw: 7.7");
    EXPECT_EQ(module.receivedBytes(), kVersionQuery);
    ticks(5);
    EXPECT_TRUE(comm.IsOpen());
    engine.tick();
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(EngineWithModule, StoredDeviceNamespacePortIsOpenedWithItsPrefixAndShownWithout) {
    link(12);
    host.settings[QStringLiteral("comport")] = QStringLiteral("\\\\.\\COM12");
    engine.OpState = state::VersionQuery;
    engine.tick();
    EXPECT_EQ(comm.DeviceName(), "\\\\.\\COM12");
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(host.panels[0], "COM12");
    ASSERT_TRUE(idle());
    EXPECT_EQ(engine.Version, 84);
}

TEST_F(EngineWithModule, ReplyInSeveralPiecesIsAssembled) {
    module.setFault(sim::Fault::Split);
    engine.OpState = state::VersionQuery;
    engine.tick();
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
        module.setFault(c.fault);
        engine.OpState = state::VersionQuery;
        engine.TimeoutTicks = 0;
        engine.tick();
        ASSERT_TRUE(waitFor([&] { return port.received.size() >= c.bytes; }));
        EXPECT_EQ(engine.OpState, state::VersionQuery);
        EXPECT_EQ(engine.RxCount, 0);
        EXPECT_EQ(engine.Version, 0);

        module.setFault(sim::Fault::None);
        ticks(5);
        EXPECT_EQ(port.writes, 1);
        engine.tick();
        EXPECT_EQ(port.writes, 2);
        ASSERT_TRUE(idle());
        EXPECT_EQ(engine.Version, 84);
    }
}

TEST_F(EngineWithModule, RestartReachesTheModule) {
    engine.OpState = state::Restart;
    engine.tick();
    EXPECT_EQ(engine.OpState, 0);
    ASSERT_TRUE(waitFor([&] {
        std::uint64_t n = 0;
        module.withModule([&](sim::ModuleSim& m) { n = m.restarts(); });
        return n == 1;
    }));
}

TEST_F(EngineWithModule, Send256BlockIsStoredByTheModuleAndAcknowledgedWithItsSum) {
    engine.OpState = state::Send256;
    engine.tick();
    EXPECT_EQ(engine.OpState, 0);
    ASSERT_TRUE(waitFor([&] { return port.received.size() == 1; }));
    EXPECT_EQ(port.received[0], 0x00);
    bool stored = false;
    module.withModule([&](sim::ModuleSim& m) {
        const auto mem = m.memory().subspan(0x300000, 256);
        stored = std::all_of(mem.begin(), mem.end(), [](std::uint8_t b) { return b == 1; });
    });
    EXPECT_TRUE(stored);
}
