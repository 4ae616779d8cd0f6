// The engine and the configuration transfer when the adapter is pulled out mid-transfer, against
// the module simulator through the real serial component: the operation ends with "COM port
// elveszett", the port is closed, the image is as before the read, nothing more is written, and
// the next operation works on the adapter plugged back in, without anything being restarted.

#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "serial/async32.h"
#include "sim/pty_module.h"
#include "tests/support/wait.h"

#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace dalvex;
using namespace dalvex::k6link;
using dalvex::test::waitFor;

namespace {

// The real component, counting every write the engine asks for (also those it refuses).
class CountingPort final : public AsynCommPort {
public:
    explicit CountingPort(TAsynComm32& comm)
        : AsynCommPort(comm)
        , comm_(comm) {}
    void Open() override {
        ++opens;
        AsynCommPort::Open();
    }
    int Write(const void* buffer, int count) override {
        ++writes;
        if (comm_.Lost()) ++writesWhileLost;
        return AsynCommPort::Write(buffer, count);
    }

    int opens = 0;
    int writes = 0;
    int writesWhileLost = 0; // writes asked for after the device had gone and before a close

private:
    TAsynComm32& comm_;
};

class Host final : public EngineHost, public TransferHost {
public:
    // EngineHost
    void ShowClockAndCustomer() override {}
    bool PortReleased() override { return true; }
    QString ReadSetting(const QString& name) override {
        return name == QLatin1String("comport") ? QStringLiteral("COM2") : QString();
    }
    void SetStatusPanel(int panel, const QString& text) override { panels[panel] = text; }
    void ShowMessage(const QString&) override {}
    void OperationRunning() override {}
    void EnableTransferButtons() override { buttonsEnabled = true; }
    void CloseFirmwareWindow() override {}
    void ApplyVersionRules(int, int) override {}
    // TransferHost
    void SetProgress(int, int) override {}
    void StepProgress() override { ++steps; }
    void ShowProgress(bool visible) override { progressShown = visible; }
    void EnableTransferButtons(bool enabled) override { buttonsEnabled = enabled; }
    bool ContactIdTicked() override { return false; }
    void EncodeImage() override {}
    void DecodeImage() override { ++decoded; }
    QDateTime Now() override { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); }

    QString panels[5];
    bool buttonsEnabled = true;
    bool progressShown = false;
    int steps = 0;
    int decoded = 0;
};

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
    QTemporaryDir ports;
    std::unique_ptr<sim::PtyModule> module = std::make_unique<sim::PtyModule>();
    TAsynComm32 comm;
    CountingPort port{comm};
    Host host;
    Engine engine{port, host};
    ConfigTransfer transfer{engine, host};

    void SetUp() override {
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        comm.OnRxChar = [this](TCustomAsynComm32*, int count) { engine.AsynComm321RxChar(count); };
        plugIn(module, 1);
    }
    void TearDown() override {
        comm.Close();
        module->stop();
        unsetenv("DALVEX_PORTS");
    }
    void plugIn(std::unique_ptr<sim::PtyModule>& m, std::uint8_t seed) {
        m = std::make_unique<sim::PtyModule>();
        ASSERT_TRUE(m->start()) << m->error();
        ASSERT_TRUE(m->linkAs(ports.path().toStdString(), 2)) << m->error();
        m->withModule([seed](sim::ModuleSim& s) { FillMemory(s, seed); });
    }
    void setVersion(int version) {
        engine.Version = version;
        module->withModule(
            [version](sim::ModuleSim& s) { s.setVersion(static_cast<std::uint8_t>(version)); });
    }
    void start(Op op) {
        if (op == Op::Read)
            transfer.StartRead();
        else
            transfer.StartSend();
    }
    // Ticks as the window's timer would, letting each command's reply in before the next tick.
    bool runToIdle() {
        for (int i = 0; i < 600 && engine.OpState != 0; ++i) {
            const bool sends = engine.TimeoutTicks <= 0;
            engine.tick();
            waitFor([&] { return engine.OpState == 0 || engine.TimeoutTicks <= 0; }, sends ? 2000 : 5);
        }
        return engine.OpState == 0;
    }
    // Ticks until the device has gone under the running operation.
    bool runToLoss() {
        for (int i = 0; i < 200 && !comm.Lost() && engine.OpState != 0; ++i) {
            engine.tick();
            waitFor([&] { return comm.Lost() || engine.TimeoutTicks <= 0; }, 2000);
        }
        return comm.Lost();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            engine.tick();
    }
    // The configuration area and bank 0x35 of the image hold what a module's memory holds.
    static ::testing::AssertionResult ImageHolds(const ConfigImageType& image, sim::PtyModule& m,
                                                 bool bytewise) {
        ::testing::AssertionResult result = ::testing::AssertionSuccess();
        m.withModule([&](sim::ModuleSim& s) {
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
        plugIn(module, 1);
        setVersion(c.version);
        for (std::uint32_t a = 0; a < 0x600; ++a)
            engine.ConfigImage.set(a, static_cast<std::uint8_t>(a ^ 0x5A));
        for (std::uint32_t a = 0x350000; a < 0x350500; ++a)
            engine.ConfigImage.set(a, static_cast<std::uint8_t>(a ^ 0xA5));
        const ConfigImageType before = engine.ConfigImage;

        module->setFault(sim::Fault::Vanish, c.exchanges);
        start(c.op);
        ASSERT_TRUE(runToLoss());
        EXPECT_NE(engine.OpState, 0) << "the engine learns of the loss at its next tick";
        EXPECT_GT(host.steps, 0) << "the transfer had moved";

        const std::size_t deadGot = module->receivedBytes().size();
        const int writes = port.writes;
        engine.tick();
        EXPECT_EQ(engine.OpState, 0);
        EXPECT_EQ(host.panels[3], engine.Texts.PortLost);
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_FALSE(engine.PortOpen);
        EXPECT_FALSE(host.progressShown);
        EXPECT_TRUE(host.buttonsEnabled);
        EXPECT_EQ(host.decoded, 0) << "the pages are not refreshed from a read cut off";
        EXPECT_TRUE(engine.ConfigImage == before) << "the image is as it was before the operation";

        // Idle ticks with the adapter gone: nothing is written, nothing is opened.
        const int opens = port.opens;
        ticks(30);
        EXPECT_EQ(port.writes, writes);
        EXPECT_EQ(port.writesWhileLost, 0);
        EXPECT_EQ(port.opens, opens);
        EXPECT_EQ(module->receivedBytes().size(), deadGot);

        // Plugged back in: the new adapter hears nothing until the technician starts again.
        module->stop();
        plugIn(module, 2);
        ticks(10);
        EXPECT_TRUE(module->receivedBytes().empty());
        setVersion(c.version);
        start(c.op);
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(host.panels[3], c.done);
        EXPECT_FALSE(host.progressShown);
        EXPECT_TRUE(host.buttonsEnabled);
        if (c.op == Op::Read) {
            EXPECT_EQ(host.decoded, 1);
            EXPECT_TRUE(ImageHolds(engine.ConfigImage, *module, c.version < 73));
        } else {
            EXPECT_TRUE(engine.ConfigImage == before) << "a send leaves the image alone";
            module->withModule([&](sim::ModuleSim& s) {
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
        EXPECT_FALSE(comm.IsOpen());
        host.steps = 0;
        host.decoded = 0;
    }
}

TEST_F(EnginePulledAdapter, ReadStartedWhileTheAdapterIsAwayGoesOutOnceItIsBack) {
    setVersion(84);
    module->vanish();
    ASSERT_TRUE(waitFor([&] { return module->lineClosed(); }));
    transfer.StartRead();
    ticks(120); // more than two countdowns of a block read
    EXPECT_EQ(engine.OpState, state::ReadBlocks) << "the read waits for the port";
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_GE(port.opens, 3) << "the open is tried again when the command is due";
    EXPECT_EQ(port.writesWhileLost, 0);

    module->stop();
    plugIn(module, 3);
    setVersion(84);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(host.panels[3], transfer.Texts.ReadDone);
    EXPECT_TRUE(ImageHolds(engine.ConfigImage, *module, false));
}

TEST_F(EnginePulledAdapter, LossWhileIdleWithThePortStillOpenIsNoOperationLost) {
    // The port stays open for a countdown after an operation; a pull then ends nothing, but the
    // port is closed and the next operation opens it afresh.
    setVersion(84);
    engine.OpState = state::VersionQuery;
    ASSERT_TRUE(runToIdle());
    ASSERT_TRUE(comm.IsOpen());
    host.panels[3].clear();
    module->vanish();
    ASSERT_TRUE(waitFor([&] { return comm.Lost(); }));
    engine.tick();
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(engine.OpState, 0);

    module->stop();
    plugIn(module, 4);
    setVersion(77);
    engine.OpState = state::VersionQuery;
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(engine.Version, 77);
}

TEST_F(EnginePulledAdapter, VersionQueryCutOffWaitsForThePortAndIsAnsweredOnceItIsBack) {
    // The window offers the transfers only once it knows the version: the query outlives the loss.
    module->setFault(sim::Fault::Vanish, 0);
    engine.OpState = state::VersionQuery;
    engine.tick();
    ASSERT_TRUE(waitFor([&] { return comm.Lost(); }));
    engine.tick();
    EXPECT_EQ(engine.OpState, state::VersionQuery);
    EXPECT_TRUE(engine.PortGone);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(host.panels[3], engine.Texts.PortLost);

    const int writes = port.writes;
    const int opens = port.opens;
    ticks(3 * Engine::kTimeoutTicks);
    EXPECT_EQ(port.writes, writes) << "nothing is sent while the device is away";
    EXPECT_GE(port.opens, opens + 2) << "the open is tried again when the query is due";
    EXPECT_EQ(host.panels[3], engine.Texts.PortLost) << "the reason stays in view";

    module->stop();
    plugIn(module, 2);
    module->withModule([](sim::ModuleSim& s) { s.setVersion(77); });
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(engine.Version, 77);
    EXPECT_EQ(host.panels[2], "Sw: 7.7");
    EXPECT_TRUE(host.panels[3].isEmpty());
    EXPECT_FALSE(engine.PortGone);
}
