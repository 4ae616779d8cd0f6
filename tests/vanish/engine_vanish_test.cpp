// The engine and the configuration transfer when the adapter is pulled out mid-transfer, against
// the module simulator on a pty through the real serial component: the operation ends with "COM
// port elveszett", the port is closed, the image is as before the read, nothing more is written,
// and the next operation works on the adapter plugged back in, without anything being restarted.

#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "tests/support/sim_rig.h"

#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;
using dalvex::test::Line;
using dalvex::test::SimRig;

namespace {

// What a module holds, different for each adapter so a read shows whose memory it got.
void FillMemory(sim::ModuleSim& m, std::uint8_t seed) {
    auto mem = m.memory();
    for (std::uint32_t a = 0; a < 0x600; ++a)
        mem[a] = static_cast<std::uint8_t>(a * 7 + seed);
    for (std::uint32_t a = 0x350000; a < 0x350500; ++a)
        mem[a] = static_cast<std::uint8_t>(a * 5 + seed);
}

enum class Op { Read, Send };

struct EnginePulledAdapter : ::testing::Test {
    SimRig rig{Line::Pty, 2};
    Engine& engine = rig.engine;
    dalvex::test::RecordingEngineHost& host = rig.host;
    dalvex::test::CountingPort& port = rig.port;
    dalvex::test::RecordingTransferHost side;
    ConfigTransfer transfer{engine, side};

    void SetUp() override {
        host.settings[QStringLiteral("comport")] = QStringLiteral("COM2");
        side.contactIdTicked = false;
        plugIn(1);
    }
    void TearDown() override { EXPECT_TRUE(rig.healthy()) << "the line never became quiet"; }
    // A new adapter with its module on COM2.
    void plugIn(std::uint8_t seed) {
        ASSERT_TRUE(rig.plugIn([seed](sim::ModuleSim& s) { FillMemory(s, seed); })) << rig.error();
    }
    void setVersion(int version) {
        engine.Version = version;
        rig.withModule([version](sim::ModuleSim& s) { s.setVersion(static_cast<std::uint8_t>(version)); });
    }
    void start(Op op) {
        if (op == Op::Read)
            transfer.StartRead();
        else
            transfer.StartSend();
    }
    // Ticks as the window's timer would, each command's reply in before the next tick.
    bool runToIdle() { return rig.runToIdle(600); }
    // Ticks until the device has gone under the running operation.
    bool runToLoss() {
        rig.run([&] { return port.Lost() || engine.OpState == 0; }, 200);
        return port.Lost();
    }
    void ticks(int n) { rig.ticks(n); }
    // The configuration area and bank 0x35 of the image hold what the module's memory holds.
    ::testing::AssertionResult ImageHolds(const ConfigImageType& image, bool bytewise) {
        ::testing::AssertionResult result = ::testing::AssertionSuccess();
        rig.withModule([&](sim::ModuleSim& s) {
            const auto mem = s.memory();
            const std::uint32_t end = bytewise ? 1024 : 1536;
            for (std::uint32_t a = 0; a < end && result; ++a) {
                if (a == 254 || a == 255) continue; // the identity registers
                if (image.at(a) != mem[a]) result = ::testing::AssertionFailure() << "address " << a;
            }
            for (std::uint32_t a = 0x350000; !bytewise && a < 0x350400 && result; ++a)
                if (image.at(a) != mem[a])
                    result = ::testing::AssertionFailure() << "address 0x" << std::hex << a;
        });
        return result;
    }
};

} // namespace

TEST_F(EnginePulledAdapter, TransferCutOffEndsCleanlyAndTheNextOneWorksOnTheAdapterPluggedBackIn) {
    struct Case {
        const char* name;
        Op op;
        int version;   // below 73 the configuration moves byte by byte
        int exchanges; // answered before the adapter goes
        QString done;  // the status of the operation completed afterwards
    };
    const TransferTexts texts;
    const Case cases[] = {
        {"block read", Op::Read, 84, 3, texts.ReadDone},
        {"block read, bank 0x35", Op::Read, 84, 7, texts.ReadDone},
        {"byte-wise read", Op::Read, 72, 40, texts.ReadDone},
        {"block send", Op::Send, 84, 2, texts.SendDone},
        {"block send, bank 0x35", Op::Send, 84, 8, texts.SendDone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plugIn(1);
        setVersion(c.version);
        for (std::uint32_t a = 0; a < 0x600; ++a)
            engine.ConfigImage.set(a, static_cast<std::uint8_t>(a ^ 0x5A));
        for (std::uint32_t a = 0x350000; a < 0x350500; ++a)
            engine.ConfigImage.set(a, static_cast<std::uint8_t>(a ^ 0xA5));
        const ConfigImageType before = engine.ConfigImage;

        rig.setFault(sim::Fault::Vanish, c.exchanges);
        start(c.op);
        ASSERT_TRUE(runToLoss());
        EXPECT_NE(engine.OpState, 0) << "the engine learns of the loss at its next tick";
        EXPECT_GT(side.steps, 0) << "the transfer had moved";

        const std::size_t deadGot = rig.receivedCount();
        const int writes = port.writes;
        rig.tick();
        EXPECT_EQ(engine.OpState, 0);
        EXPECT_EQ(host.panels[3], engine.Texts.PortLost);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(engine.PortOpen);
        EXPECT_FALSE(side.progressVisible);
        EXPECT_TRUE(side.buttonsEnabled);
        EXPECT_EQ(side.decodes, 0) << "the pages are not refreshed from a read cut off";
        EXPECT_TRUE(engine.ConfigImage == before) << "the image is as it was before the operation";

        // Idle ticks with the adapter gone: nothing is written, nothing is opened.
        const int opens = port.opens;
        ticks(30);
        EXPECT_EQ(port.writes, writes);
        EXPECT_EQ(port.writesWhileLost, 0);
        EXPECT_EQ(port.opens, opens);
        EXPECT_EQ(rig.receivedCount(), deadGot);

        // Plugged back in: the new adapter hears nothing until the technician starts again.
        plugIn(2);
        ticks(10);
        EXPECT_TRUE(rig.receivedBytes().empty());
        setVersion(c.version);
        start(c.op);
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(host.panels[3], c.done);
        EXPECT_FALSE(side.progressVisible);
        EXPECT_TRUE(side.buttonsEnabled);
        if (c.op == Op::Read) {
            EXPECT_EQ(side.decodes, 1);
            EXPECT_TRUE(ImageHolds(engine.ConfigImage, c.version < 73));
        } else {
            EXPECT_TRUE(engine.ConfigImage == before) << "a send leaves the image alone";
            rig.withModule([&](sim::ModuleSim& s) {
                const auto mem = s.memory();
                for (std::uint32_t a = 0; a < 1536; ++a) {
                    if (a == 254 || a == 255) continue;
                    ASSERT_EQ(mem[a], before.at(a)) << "address " << a;
                }
                for (std::uint32_t a = 0x350000; a < 0x350500; ++a)
                    ASSERT_EQ(mem[a], before.at(a)) << std::hex << a;
            });
        }
        ticks(60); // the port closes after the countdown
        EXPECT_FALSE(port.IsOpen());
        side.steps = 0;
        side.decodes = 0;
    }
}

TEST_F(EnginePulledAdapter, ReadStartedWhileTheAdapterIsAwayGoesOutOnceItIsBack) {
    setVersion(84);
    rig.vanish();
    ASSERT_TRUE(rig.lineClosed());
    transfer.StartRead();
    ticks(120); // more than two countdowns of a block read
    EXPECT_EQ(engine.OpState, state::ReadBlocks) << "the read waits for the port";
    EXPECT_FALSE(port.IsOpen());
    EXPECT_GE(port.opens, 3) << "the open is tried again when the command is due";
    EXPECT_EQ(port.writesWhileLost, 0);

    plugIn(3);
    setVersion(84);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(host.panels[3], transfer.Texts.ReadDone);
    EXPECT_TRUE(ImageHolds(engine.ConfigImage, false));
}

TEST_F(EnginePulledAdapter, LossWhileIdleWithThePortStillOpenIsNoOperationLost) {
    // The port stays open for a countdown after an operation; a pull then ends nothing, but the
    // port is closed and the next operation opens it afresh.
    setVersion(84);
    engine.OpState = state::VersionQuery;
    ASSERT_TRUE(runToIdle());
    ASSERT_TRUE(port.IsOpen());
    host.panels[3].clear();
    rig.vanish();
    ASSERT_TRUE(rig.settledTo([&] { return port.Lost(); }));
    rig.tick();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(engine.OpState, 0);

    plugIn(4);
    setVersion(77);
    engine.OpState = state::VersionQuery;
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(engine.Version, 77);
}

TEST_F(EnginePulledAdapter, VersionQueryCutOffWaitsForThePortAndIsAnsweredOnceItIsBack) {
    // The window offers the transfers only once it knows the version: the query outlives the loss.
    rig.setFault(sim::Fault::Vanish, 0);
    engine.OpState = state::VersionQuery;
    rig.tick();
    ASSERT_TRUE(rig.settledTo([&] { return port.Lost(); }));
    rig.tick();
    EXPECT_EQ(engine.OpState, state::VersionQuery);
    EXPECT_TRUE(engine.PortGone);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(host.panels[3], engine.Texts.PortLost);

    const int writes = port.writes;
    const int opens = port.opens;
    ticks(3 * Engine::kTimeoutTicks);
    EXPECT_EQ(port.writes, writes) << "nothing is sent while the device is away";
    EXPECT_GE(port.opens, opens + 2) << "the open is tried again when the query is due";
    EXPECT_EQ(host.panels[3], engine.Texts.PortLost) << "the reason stays in view";

    plugIn(2);
    rig.withModule([](sim::ModuleSim& s) { s.setVersion(77); });
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(engine.Version, 77);
    EXPECT_EQ(host.panels[2], "Sw: 7.7");
    EXPECT_TRUE(host.panels[3].isEmpty());
    EXPECT_FALSE(engine.PortGone);
}
