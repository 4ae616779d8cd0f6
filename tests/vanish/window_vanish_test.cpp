// The windows when the adapter is pulled out and plugged back in, against the module simulator
// through the real serial component: the K6 window mid-transfer, the start window after it has
// identified a module, and the status window while it polls. Nothing is restarted in between:
// the technician only plugs the adapter back in and goes on.

#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6link/status_poll.h"
#include "serial/async32.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/k6_status_side.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/status_window.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace dalvex;
using dalvex::test::waitFor;
namespace k6state = dalvex::k6link::state;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

k6link::StatusBytes Healthy(std::uint8_t signal) {
    return {0x00, 1, 0, signal, 0x80, '0', '9', '4', '5', 21, 0, 0, 33, 1, 0xFF, 0};
}

struct PulledAdapterWindows : ::testing::Test {
    QTemporaryDir home;
    QTemporaryDir ports;
    QTemporaryDir startDir;
    QString oldDir = QDir::currentPath();
    std::unique_ptr<sim::PtyModule> module;
    std::vector<QString> shown;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        QDir::setCurrent(startDir.path());
        ConfigWindow::MessageBoxHook = [this](const QString& text, QMessageBox::StandardButtons) {
            shown.push_back(text);
            return QMessageBox::Ok;
        };
    }
    void TearDown() override {
        DestroyForms();
        ConfigWindow::MessageBoxHook = nullptr;
        if (module) module->stop();
        QDir::setCurrent(oldDir);
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }

    // An adapter with a module of this type on COM1; the one before it, if any, is gone for good.
    void plugIn(int type, std::uint8_t seed) {
        if (module) module->stop();
        module = std::make_unique<sim::PtyModule>();
        module->withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(type));
            m.setVersion(84);
            auto mem = m.memory();
            for (std::uint32_t a = 0; a < 0x600; ++a)
                mem[a] = static_cast<std::uint8_t>(a * 7 + seed);
            for (std::uint32_t a = 0x350000; a < 0x350400; ++a)
                mem[a] = static_cast<std::uint8_t>(a * 5 + seed);
        });
        ASSERT_TRUE(module->start()) << module->error();
        ASSERT_TRUE(module->linkAs(ports.path().toStdString(), 1)) << module->error();
    }
    void pull() {
        module->vanish();
        ASSERT_TRUE(module->lineClosed());
    }

    k6link::Engine& engine() { return configWindow->Engine(); }
    TAsynComm32& k6Port() { return *configWindow->SerialPort; }

    // Found by the start window, handed over, the version query answered.
    void connect() {
        test::CreateFormsWithTimersHeld();
        ASSERT_TRUE(test::HandOverFoundModule(*module));
        configWindow->Activate();
        startWindow->SendTick();
        ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    }
    // What is on its way arrives and the windows' ports hand it over (pty_quiet.h).
    void settle() { EXPECT_TRUE(test::SettleWindowsLine(*module)) << "the line did not become quiet"; }
    // Ticks the engine as its timer would until `done`, each tick once the line is quiet.
    template <typename Pred> bool runUntil(Pred done, int ticks = 600) {
        bool settled = true;
        const bool reached = test::TickWindowUntil(*module, *configWindow, done, ticks, &settled);
        EXPECT_TRUE(settled) << "the line did not become quiet";
        return reached;
    }
    void k6Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            settle();
            configWindow->EngineTick();
        }
        settle();
    }
    ::testing::AssertionResult imageHoldsModule() {
        ::testing::AssertionResult result = ::testing::AssertionSuccess();
        const auto& image = engine().ConfigImage;
        module->withModule([&](sim::ModuleSim& m) {
            const auto mem = m.memory();
            for (std::uint32_t a = 0x100; a < 0x110 && result; ++a)
                if (image.at(a) != mem[a]) result = ::testing::AssertionFailure() << "address " << a;
            for (std::uint32_t a = 0x350000; a < 0x350400 && result; ++a)
                if (image.at(a) != mem[a])
                    result = ::testing::AssertionFailure() << "address 0x" << std::hex << a;
        });
        return result;
    }

    // The start window's send tick, with the module's answer to a probe let in before the next.
    void startTick() {
        settle();
        startWindow->SendTick();
        settle();
    }
};

} // namespace

TEST_F(PulledAdapterWindows, K6WindowTransferCutOffShowsThePortLostAndTheNextReadWorks) {
    enum class Op { Read, Send };
    struct Case {
        const char* name;
        const char* language;
        Op op;
        QString lost; // status panel 3 in the window's language
    };
    const Case cases[] = {
        {"read, Hungarian", "0", Op::Read, QStringLiteral("COM port elveszett")},
        {"read, English", "1", Op::Read, QStringLiteral("COM port lost")},
        {"send, English", "1", Op::Send, QStringLiteral("COM port lost")},
        {"send, German", "2", Op::Send, QStringLiteral("COM-Port verloren")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSetting(kKey, QStringLiteral("Language"), QString::fromLatin1(c.language));
        plugIn(72, 1);
        connect();
        module->setFault(sim::Fault::Vanish, 3);
        if (c.op == Op::Read)
            configWindow->ReadClick();
        else
            configWindow->SendClick();
        // After the click: a send builds the image from the pages first. Nothing has gone out yet.
        const k6link::ConfigImageType before = engine().ConfigImage;
        EXPECT_TRUE(configWindow->TransferProgress->isVisible());
        EXPECT_FALSE(configWindow->SendButton->isEnabled());
        EXPECT_FALSE(configWindow->ReadButton->isEnabled());
        ASSERT_TRUE(runUntil([&] { return k6Port().Lost(); }));
        configWindow->EngineTick();
        EXPECT_EQ(engine().OpState, 0);
        EXPECT_EQ(configWindow->StatusPanel(3), c.lost);
        EXPECT_FALSE(configWindow->TransferProgress->isVisible());
        EXPECT_TRUE(configWindow->SendButton->isEnabled()) << "Elküldés";
        EXPECT_TRUE(configWindow->ReadButton->isEnabled()) << "Olvasás";
        EXPECT_FALSE(k6Port().IsOpen());
        EXPECT_TRUE(engine().ConfigImage == before);
        EXPECT_TRUE(shown.empty()) << "no message box for a pulled adapter";

        // Away for a while: the window stays as it is.
        k6Ticks(20);
        EXPECT_EQ(configWindow->StatusPanel(3), c.lost);
        EXPECT_FALSE(k6Port().IsOpen());

        // Plugged back in: a read works at once.
        plugIn(72, 2);
        configWindow->ReadClick();
        ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
        EXPECT_EQ(configWindow->StatusPanel(3), configWindow->Transfer().Texts.ReadDone);
        EXPECT_FALSE(configWindow->TransferProgress->isVisible());
        EXPECT_TRUE(configWindow->ReadButton->isEnabled());
        EXPECT_TRUE(imageHoldsModule());
        DestroyForms();
    }
}

TEST_F(PulledAdapterWindows, K6WindowPulledDuringTheVersionQueryOffersTheTransfersOnceItIsBack) {
    WriteSetting(kKey, QStringLiteral("Language"), QStringLiteral("1"));
    plugIn(72, 1);
    test::CreateFormsWithTimersHeld();
    ASSERT_TRUE(test::HandOverFoundModule(*module));
    module->setFault(sim::Fault::Vanish, 0); // the version query is the next command
    configWindow->Activate();
    startWindow->SendTick();
    ASSERT_TRUE(runUntil([&] { return k6Port().Lost(); }));
    configWindow->EngineTick();
    EXPECT_EQ(configWindow->StatusPanel(3), "COM port lost");
    EXPECT_FALSE(k6Port().IsOpen());
    EXPECT_FALSE(configWindow->ReadButton->isEnabled()) << "the version is not known yet";
    k6Ticks(30);
    EXPECT_EQ(configWindow->StatusPanel(3), "COM port lost");

    plugIn(72, 2);
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    EXPECT_EQ(configWindow->StatusPanel(2), "Sw: 8.4");
    EXPECT_TRUE(configWindow->SendButton->isEnabled());
    EXPECT_TRUE(configWindow->ReadButton->isEnabled());
    configWindow->ReadClick();
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    EXPECT_EQ(configWindow->StatusPanel(3), configWindow->Transfer().Texts.ReadDone);
    EXPECT_TRUE(imageHoldsModule());
}

TEST_F(PulledAdapterWindows, StartWindowWithdrawsThePulledModuleAndIdentifiesTheNextOne) {
    plugIn(72, 1);
    test::CreateFormsWithTimersHeld();
    startWindow->Activate();
    // The first start's language, English, applied by the K6 window's language timer.
    ASSERT_TRUE(configWindow->Language->isActive());
    ASSERT_TRUE(waitFor([] { return !configWindow->Language->isActive(); }, 3000));
    for (int i = 0; i < 12 && !startWindow->StartButton->isEnabled(); ++i)
        startTick();
    ASSERT_TRUE(startWindow->StartButton->isEnabled());
    EXPECT_EQ(startWindow->FoundModel->text(), "Telgor GSM");

    pull();
    for (int i = 0; i < 5 && startWindow->StartButton->isEnabled(); ++i)
        startTick();
    EXPECT_FALSE(startWindow->StartButton->isEnabled());
    EXPECT_NE(startWindow->FoundModel->text(), "Telgor GSM");
    EXPECT_EQ(startWindow->Search.ModuleCode, 0);
    EXPECT_TRUE(startWindow->IndicatorTimer->isActive()) << "the indicator runs again";
    for (QPushButton* b : {startWindow->ProTryOutButton, startWindow->LineTryOutButton,
                           startWindow->MiniTryOutButton, startWindow->DoorTryOutButton})
        EXPECT_TRUE(b->isEnabled()) << "try-out is offered again";
    const QString lost = QStringLiteral("COM port lost, waiting for the adapter to come back.");
    EXPECT_TRUE(startWindow->PortStatus->text().startsWith("COM1"))
        << startWindow->PortStatus->text().toStdString();
    EXPECT_TRUE(startWindow->PortStatus->text().endsWith(lost))
        << startWindow->PortStatus->text().toStdString();

    // Away: the reopen keeps failing and the hint stays.
    for (int i = 0; i < 3 * DeviceSearch::kReopenTicks; ++i)
        startTick();
    EXPECT_FALSE(startWindow->SerialPort->IsOpen());
    EXPECT_TRUE(startWindow->PortStatus->text().endsWith(lost));
    EXPECT_FALSE(startWindow->StartButton->isEnabled());

    // Another model plugged in under the same name.
    plugIn(74, 2);
    for (int i = 0; i < 40 && !startWindow->StartButton->isEnabled(); ++i)
        startTick();
    ASSERT_TRUE(startWindow->StartButton->isEnabled());
    EXPECT_EQ(startWindow->Search.ModuleCode, 74);
    EXPECT_EQ(startWindow->FoundModel->text(), "Varnet GSM");
    EXPECT_TRUE(startWindow->PortStatus->text().isEmpty());
    EXPECT_FALSE(startWindow->IndicatorTimer->isActive());

    // And it is handed over as any module found.
    startWindow->StartButton->click();
    startWindow->HandOverTick();
    EXPECT_TRUE(configWindow->isVisible());
    EXPECT_EQ(configWindow->ModuleType, 74);
}

TEST_F(PulledAdapterWindows, StatusWindowPollsAgainByItselfOnceTheAdapterIsBack) {
    WriteSetting(kKey, QStringLiteral("Language"), QStringLiteral("0"));
    plugIn(72, 1);
    module->withModule([](sim::ModuleSim& m) {
        const auto s = Healthy(5);
        std::copy(s.begin(), s.end(), m.status().registers.begin());
    });
    connect();
    k6link::StatusPoll& poll = configWindow->Status->Poll();
    const k6link::ConfigImageType before = engine().ConfigImage;

    configWindow->MenuItem(QStringLiteral("Modulllapotmegjelentse1"))->trigger();
    ASSERT_TRUE(statusWindow->isVisible());
    waitFor([&] { return statusWindow->isActiveWindow(); }, 1000);
    statusWindow->Activate();
    statusWindow->PollTimer->stop();
    ASSERT_EQ(engine().OpState, k6state::StatusPollState);
    ASSERT_TRUE(runUntil([&] { return poll.ConnectCount > 0; }));
    statusWindow->PollTick();
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM OK");
    EXPECT_EQ(statusWindow->SignalGauge->value(), 5);

    pull();
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    EXPECT_EQ(configWindow->StatusPanel(3), "COM port elveszett");
    EXPECT_FALSE(k6Port().IsOpen());

    // Away: the window's second timer starts the poll again; it waits for the port and says so.
    for (int i = 0; i < 4; ++i) {
        statusWindow->PollTick();
        k6Ticks(10);
    }
    EXPECT_EQ(engine().OpState, k6state::StatusPollState);
    EXPECT_FALSE(k6Port().IsOpen());
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM ERROR");
    EXPECT_TRUE(statusWindow->StatusBarRed());

    // Back, with other readings: the window refreshes without the technician doing anything.
    plugIn(72, 2);
    module->withModule([](sim::ModuleSim& m) {
        const auto s = Healthy(21);
        std::copy(s.begin(), s.end(), m.status().registers.begin());
    });
    const int passes = poll.ConnectCount;
    ASSERT_TRUE(runUntil([&] { return poll.ConnectCount > passes; }));
    statusWindow->PollTick();
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM OK");
    EXPECT_FALSE(statusWindow->StatusBarRed());
    EXPECT_EQ(statusWindow->SignalGauge->value(), 21);

    // Closing puts back the image bytes the poll used, also those of the pass cut off.
    statusWindow->close();
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_TRUE(engine().ConfigImage == before);
}

TEST_F(PulledAdapterWindows, StatusWindowInTryOutIsNotStartedAgainEachSecond) {
    plugIn(72, 1);
    test::CreateFormsWithTimersHeld();
    startWindow->Activate();
    startWindow->ProTryOutButton->click(); // try-out
    startWindow->HandOverTick();
    ASSERT_TRUE(configWindow->DemoMode);
    configWindow->Activate();
    startWindow->SendTick();
    configWindow->EngineTick();
    QAction* item = configWindow->MenuItem(QStringLiteral("Modulllapotmegjelentse1"));
    ASSERT_TRUE(item->isEnabled()) << "the status window opens in try-out";
    item->trigger();
    ASSERT_TRUE(statusWindow->isVisible());
    waitFor([&] { return statusWindow->isActiveWindow(); }, 1000);
    statusWindow->Activate();
    statusWindow->PollTimer->stop();
    for (int i = 0; i < 200 && engine().OpState != 0; ++i)
        configWindow->EngineTick();
    ASSERT_EQ(engine().OpState, 0) << "try-out ends the poll when its command is due";
    for (int i = 0; i < 3; ++i) {
        statusWindow->PollTick();
        EXPECT_EQ(engine().OpState, 0);
        configWindow->EngineTick();
    }
    test::pumpFor(30);
    EXPECT_TRUE(module->receivedBytes().empty());
}
