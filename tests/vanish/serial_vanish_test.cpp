// The serial component when the adapter is pulled out: the hang-up is reported once as CE_IOE,
// nothing more is written to the dead device, the name does not open while it is gone, and the
// same name opens again once an adapter is back.

#include "serial/async32.h"
#include "sim/pty_module.h"
#include "startup/six_byte_frame.h"
#include "tests/support/wait.h"

#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

struct SerialPulledAdapter : ::testing::Test {
    QTemporaryDir ports;
    sim::PtyModule module;
    TAsynComm32 port;
    std::vector<std::uint32_t> errors; // OnError's flags, one entry per event
    std::vector<std::uint8_t> bytes;   // everything received

    void SetUp() override {
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        ASSERT_TRUE(module.start()) << module.error();
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 3)) << module.error();
        port.SetDeviceName("COM3");
        // evError is among the events monitored by default.
        port.OnError = [this](TCustomAsynComm32*, std::uint32_t flags) { errors.push_back(flags); };
        port.OnRxChar = [this](TCustomAsynComm32* s, int count) {
            std::vector<std::uint8_t> chunk(static_cast<std::size_t>(count));
            chunk.resize(static_cast<std::size_t>(std::max(0, s->Read(chunk.data(), count))));
            bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        };
        port.Open();
        ASSERT_TRUE(port.IsOpen());
    }
    void TearDown() override {
        port.Close();
        module.stop();
        unsetenv("DALVEX_PORTS");
    }
    bool probeAnswered() {
        bytes.clear();
        if (port.Write(kIdentificationProbe.bytes.data(), 6) != 6) return false;
        return waitFor([&] { return bytes.size() >= 6; });
    }
};

} // namespace

TEST_F(SerialPulledAdapter, IsReportedOnceWritesNothingAndTheNameOpensAgainWhenItIsBack) {
    ASSERT_TRUE(probeAnswered());
    EXPECT_FALSE(port.Lost());

    module.vanish();
    ASSERT_TRUE(waitFor([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<std::uint32_t>{CE_IOE});
    EXPECT_TRUE(port.Lost());
    EXPECT_TRUE(port.IsOpen()) << "the owner closes it";

    const std::size_t sent = module.receivedBytes().size();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(port.Write(kIdentificationProbe.bytes.data(), 6), 1);
    test::pumpFor(50);
    EXPECT_EQ(errors.size(), 1u) << "the loss is told once";
    EXPECT_EQ(module.receivedBytes().size(), sent);

    port.Close();
    EXPECT_FALSE(port.Lost());
    port.Open();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastError(), ENOENT);
    EXPECT_FALSE(port.Lost());
    EXPECT_EQ(port.Write(kIdentificationProbe.bytes.data(), 6), 1);

    // Plugged back in: another adapter under the same name.
    sim::PtyModule back;
    ASSERT_TRUE(back.start()) << back.error();
    ASSERT_TRUE(back.linkAs(ports.path().toStdString(), 3)) << back.error();
    back.withModule([](sim::ModuleSim& m) { m.setTypeCode(74); });
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.Lost());
    ASSERT_TRUE(probeAnswered());
    EXPECT_EQ(bytes[3], 74);
    EXPECT_EQ(back.receivedBytes().size(), 6u) << "the new adapter got only the probe sent to it";
    EXPECT_EQ(errors.size(), 1u);
    port.Close();
    back.stop();
}

TEST_F(SerialPulledAdapter, OpenStraightAfterTheLossWithoutCloseStartsAfresh) {
    // Open on an open port reopens it; a lost port must not stay lost across that.
    module.vanish();
    ASSERT_TRUE(waitFor([&] { return port.Lost(); }));
    sim::PtyModule back;
    ASSERT_TRUE(back.start()) << back.error();
    ASSERT_TRUE(back.linkAs(ports.path().toStdString(), 3)) << back.error();
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.Lost());
    ASSERT_TRUE(probeAnswered());
    port.Close();
    back.stop();
}

TEST_F(SerialPulledAdapter, LossIsKnownAlsoWhenLineErrorsAreNotMonitored) {
    port.Close();
    port.SetMonitorEvents(TC32EventState{evRxChar});
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    module.vanish();
    ASSERT_TRUE(waitFor([&] { return port.Lost(); }));
    test::pumpFor(30);
    EXPECT_TRUE(errors.empty()) << "OnError only when asked for";
    EXPECT_EQ(port.Write(kIdentificationProbe.bytes.data(), 6), 1);
}
