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

    k6link::Engine& engine() { return K6Form1->Engine(); }
    TAsynComm32& k6Port() { return *K6Form1->AsynComm321; }

    // Found by the start window, handed over, the version query answered.
    void connect() {
        test::CreateFormsWithTimersHeld();
        ASSERT_TRUE(test::HandOverFoundModule(*module));
        K6Form1->FormActivate();
        Form1->adasTimer();
        ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    }
    // What is on its way arrives and the windows' ports hand it over (pty_quiet.h).
    void settle() { EXPECT_TRUE(test::SettleWindowsLine(*module)) << "the line did not become quiet"; }
    // Ticks the engine as its timer would until `done`, each tick once the line is quiet.
    template <typename Pred> bool runUntil(Pred done, int ticks = 600) {
        bool settled = true;
        const bool reached = test::TickWindowUntil(*module, *K6Form1, done, ticks, &settled);
        EXPECT_TRUE(settled) << "the line did not become quiet";
        return reached;
    }
    void k6Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            settle();
            K6Form1->adasTimer();
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
        Form1->adasTimer();
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
            K6Form1->BitBtn2Click();
        else
            K6Form1->BitBtn1Click();
        // After the click: a send builds the image from the pages first. Nothing has gone out yet.
        const k6link::ConfigImageType before = engine().ConfigImage;
        EXPECT_TRUE(K6Form1->kijelzo->isVisible());
        EXPECT_FALSE(K6Form1->BitBtn1->isEnabled());
        EXPECT_FALSE(K6Form1->BitBtn2->isEnabled());
        ASSERT_TRUE(runUntil([&] { return k6Port().Lost(); }));
        K6Form1->adasTimer();
        EXPECT_EQ(engine().OpState, 0);
        EXPECT_EQ(K6Form1->StatusPanel(3), c.lost);
        EXPECT_FALSE(K6Form1->kijelzo->isVisible());
        EXPECT_TRUE(K6Form1->BitBtn1->isEnabled()) << "Elküldés";
        EXPECT_TRUE(K6Form1->BitBtn2->isEnabled()) << "Olvasás";
        EXPECT_FALSE(k6Port().IsOpen());
        EXPECT_TRUE(engine().ConfigImage == before);
        EXPECT_TRUE(shown.empty()) << "no message box for a pulled adapter";

        // Away for a while: the window stays as it is.
        k6Ticks(20);
        EXPECT_EQ(K6Form1->StatusPanel(3), c.lost);
        EXPECT_FALSE(k6Port().IsOpen());

        // Plugged back in: a read works at once.
        plugIn(72, 2);
        K6Form1->BitBtn2Click();
        ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
        EXPECT_EQ(K6Form1->StatusPanel(3), K6Form1->Transfer().Texts.ReadDone);
        EXPECT_FALSE(K6Form1->kijelzo->isVisible());
        EXPECT_TRUE(K6Form1->BitBtn2->isEnabled());
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
    K6Form1->FormActivate();
    Form1->adasTimer();
    ASSERT_TRUE(runUntil([&] { return k6Port().Lost(); }));
    K6Form1->adasTimer();
    EXPECT_EQ(K6Form1->StatusPanel(3), "COM port lost");
    EXPECT_FALSE(k6Port().IsOpen());
    EXPECT_FALSE(K6Form1->BitBtn2->isEnabled()) << "the version is not known yet";
    k6Ticks(30);
    EXPECT_EQ(K6Form1->StatusPanel(3), "COM port lost");

    plugIn(72, 2);
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    EXPECT_EQ(K6Form1->StatusPanel(2), "Sw: 8.4");
    EXPECT_TRUE(K6Form1->BitBtn1->isEnabled());
    EXPECT_TRUE(K6Form1->BitBtn2->isEnabled());
    K6Form1->BitBtn2Click();
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    EXPECT_EQ(K6Form1->StatusPanel(3), K6Form1->Transfer().Texts.ReadDone);
    EXPECT_TRUE(imageHoldsModule());
}

TEST_F(PulledAdapterWindows, StartWindowWithdrawsThePulledModuleAndIdentifiesTheNextOne) {
    plugIn(72, 1);
    test::CreateFormsWithTimersHeld();
    Form1->FormActivate();
    // The first start's language, English, applied by the K6 window's language timer.
    ASSERT_TRUE(K6Form1->Language->isActive());
    ASSERT_TRUE(waitFor([] { return !K6Form1->Language->isActive(); }, 3000));
    for (int i = 0; i < 12 && !Form1->Button5->isEnabled(); ++i)
        startTick();
    ASSERT_TRUE(Form1->Button5->isEnabled());
    EXPECT_EQ(Form1->Label10->text(), "Telgor GSM");

    pull();
    for (int i = 0; i < 5 && Form1->Button5->isEnabled(); ++i)
        startTick();
    EXPECT_FALSE(Form1->Button5->isEnabled());
    EXPECT_NE(Form1->Label10->text(), "Telgor GSM");
    EXPECT_EQ(Form1->Search.ModuleCode, 0);
    EXPECT_TRUE(Form1->Kereso->isActive()) << "the indicator runs again";
    for (QPushButton* b : {Form1->Button4, Form1->Button6, Form1->Button7, Form1->Button8})
        EXPECT_TRUE(b->isEnabled()) << "try-out is offered again";
    const QString lost = QStringLiteral("COM port lost, waiting for the adapter to come back.");
    EXPECT_TRUE(Form1->PortStatus->text().startsWith("COM1")) << Form1->PortStatus->text().toStdString();
    EXPECT_TRUE(Form1->PortStatus->text().endsWith(lost)) << Form1->PortStatus->text().toStdString();

    // Away: the reopen keeps failing and the hint stays.
    for (int i = 0; i < 3 * DeviceSearch::kReopenTicks; ++i)
        startTick();
    EXPECT_FALSE(Form1->AsynComm321->IsOpen());
    EXPECT_TRUE(Form1->PortStatus->text().endsWith(lost));
    EXPECT_FALSE(Form1->Button5->isEnabled());

    // Another model plugged in under the same name.
    plugIn(74, 2);
    for (int i = 0; i < 40 && !Form1->Button5->isEnabled(); ++i)
        startTick();
    ASSERT_TRUE(Form1->Button5->isEnabled());
    EXPECT_EQ(Form1->Search.ModuleCode, 74);
    EXPECT_EQ(Form1->Label10->text(), "Varnet GSM");
    EXPECT_TRUE(Form1->PortStatus->text().isEmpty());
    EXPECT_FALSE(Form1->Kereso->isActive());

    // And it is handed over as any module found.
    Form1->Button5->click();
    Form1->ablakSTARTTimer();
    EXPECT_TRUE(K6Form1->isVisible());
    EXPECT_EQ(K6Form1->ModuleType, 74);
}

TEST_F(PulledAdapterWindows, StatusWindowPollsAgainByItselfOnceTheAdapterIsBack) {
    WriteSetting(kKey, QStringLiteral("Language"), QStringLiteral("0"));
    plugIn(72, 1);
    module->withModule([](sim::ModuleSim& m) {
        const auto s = Healthy(5);
        std::copy(s.begin(), s.end(), m.status().registers.begin());
    });
    connect();
    k6link::StatusPoll& poll = K6Form1->Status->Poll();
    const k6link::ConfigImageType before = engine().ConfigImage;

    K6Form1->MenuItem(QStringLiteral("Modulllapotmegjelentse1"))->trigger();
    ASSERT_TRUE(K6Form2->isVisible());
    waitFor([&] { return K6Form2->isActiveWindow(); }, 1000);
    K6Form2->FormActivate();
    K6Form2->Timer1->stop();
    ASSERT_EQ(engine().OpState, k6state::StatusPollState);
    ASSERT_TRUE(runUntil([&] { return poll.ConnectCount > 0; }));
    K6Form2->Timer1Timer();
    EXPECT_EQ(K6Form2->StatusPanel(1), "COM OK");
    EXPECT_EQ(K6Form2->Gauge1->value(), 5);

    pull();
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    EXPECT_EQ(K6Form1->StatusPanel(3), "COM port elveszett");
    EXPECT_FALSE(k6Port().IsOpen());

    // Away: the window's second timer starts the poll again; it waits for the port and says so.
    for (int i = 0; i < 4; ++i) {
        K6Form2->Timer1Timer();
        k6Ticks(10);
    }
    EXPECT_EQ(engine().OpState, k6state::StatusPollState);
    EXPECT_FALSE(k6Port().IsOpen());
    EXPECT_EQ(K6Form2->StatusPanel(1), "COM ERROR");
    EXPECT_TRUE(K6Form2->StatusBarRed());

    // Back, with other readings: the window refreshes without the technician doing anything.
    plugIn(72, 2);
    module->withModule([](sim::ModuleSim& m) {
        const auto s = Healthy(21);
        std::copy(s.begin(), s.end(), m.status().registers.begin());
    });
    const int passes = poll.ConnectCount;
    ASSERT_TRUE(runUntil([&] { return poll.ConnectCount > passes; }));
    K6Form2->Timer1Timer();
    EXPECT_EQ(K6Form2->StatusPanel(1), "COM OK");
    EXPECT_FALSE(K6Form2->StatusBarRed());
    EXPECT_EQ(K6Form2->Gauge1->value(), 21);

    // Closing puts back the image bytes the poll used, also those of the pass cut off.
    K6Form2->close();
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_TRUE(engine().ConfigImage == before);
}

TEST_F(PulledAdapterWindows, StatusWindowInTryOutIsNotStartedAgainEachSecond) {
    plugIn(72, 1);
    test::CreateFormsWithTimersHeld();
    Form1->FormActivate();
    Form1->Button4->click(); // try-out
    Form1->ablakSTARTTimer();
    ASSERT_TRUE(K6Form1->DemoMode);
    K6Form1->FormActivate();
    Form1->adasTimer();
    K6Form1->adasTimer();
    QAction* item = K6Form1->MenuItem(QStringLiteral("Modulllapotmegjelentse1"));
    ASSERT_TRUE(item->isEnabled()) << "the status window opens in try-out";
    item->trigger();
    ASSERT_TRUE(K6Form2->isVisible());
    waitFor([&] { return K6Form2->isActiveWindow(); }, 1000);
    K6Form2->FormActivate();
    K6Form2->Timer1->stop();
    for (int i = 0; i < 200 && engine().OpState != 0; ++i)
        K6Form1->adasTimer();
    ASSERT_EQ(engine().OpState, 0) << "try-out ends the poll when its command is due";
    for (int i = 0; i < 3; ++i) {
        K6Form2->Timer1Timer();
        EXPECT_EQ(engine().OpState, 0);
        K6Form1->adasTimer();
    }
    test::pumpFor(30);
    EXPECT_TRUE(module->receivedBytes().empty());
}
