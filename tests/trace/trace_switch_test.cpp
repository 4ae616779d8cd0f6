// The K6 window's trace switch: tracing on records the engine's traffic with the simulator,
// an unwritable folder leaves the transfer going untraced with a message.

#include "k6link/core_states.h"
#include "serial/async32.h"
#include "serial/serial_trace.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/serial_trace_switch.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

struct TraceSwitchTest : ::testing::Test {
    QTemporaryDir config, ports;
    sim::PtyModule module;
    std::vector<QString> messages;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        ASSERT_TRUE(module.start() && module.linkAs(ports.path().toStdString(), 1));
        ConfigWindow::MessageBoxHook = [this](const QString& text, QMessageBox::StandardButtons) {
            messages.push_back(text);
            return QMessageBox::Ok;
        };
    }
    // Every window, with the timers held by the test and the port released to the K6 window.
    void start() {
        test::CreateFormsWithTimersHeld();
        startWindow->Search.PortReleased = true;
    }
    void TearDown() override {
        DestroyForms();
        ConfigWindow::MessageBoxHook = nullptr;
        module.stop();
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }
    // A version query through the window's engine.
    bool QueryVersion(ConfigWindow& w) {
        w.Engine().OpState = k6link::state::VersionQuery;
        w.Engine().TimeoutTicks = 0;
        test::TickWindowUntil(
            module, w, [&] { return w.Engine().OpState == 0; }, 200);
        return w.Engine().OpState == 0 && w.Engine().Version == 84;
    }
};

TEST_F(TraceSwitchTest, TracingOnRecordsTheEnginesExchangeAndIsRemembered) {
    start();
    ConfigWindow& w = *configWindow;
    ASSERT_NE(w.TraceSwitch, nullptr);
    ASSERT_NE(w.TraceSwitch->TraceItem, nullptr);
    w.TraceSwitch->Folder = std::filesystem::path(config.path().toStdString()) / "trace";
    w.TraceSwitch->TraceItem->trigger();
    ASSERT_TRUE(w.TraceSwitch->Tracing());
    EXPECT_TRUE(w.TraceSwitch->TraceItem->isChecked());
    ASSERT_TRUE(QueryVersion(w));
    const auto file = w.TraceSwitch->Trace()->File();
    w.TraceSwitch->Trace()->Flush();
    std::ifstream in(file);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("version query"), std::string::npos) << all;
    EXPECT_NE(all.find("reply: 0x54 at 0xFE"), std::string::npos) << all;
    EXPECT_NE(file.filename().string().find("_COM1.trace"), std::string::npos);

    // The start window's search traffic goes into the same trace.
    EXPECT_EQ(startWindow->SerialPort->Trace(), w.TraceSwitch->Trace());

    // The next start traces again without being asked.
    DestroyForms();
    start();
    EXPECT_TRUE(configWindow->TraceSwitch->Tracing());
    configWindow->TraceSwitch->SetTracing(false);
    EXPECT_FALSE(configWindow->TraceSwitch->TraceItem->isChecked());
    EXPECT_EQ(startWindow->SerialPort->Trace(), nullptr);
}

TEST_F(TraceSwitchTest, UnwritableFolderSaysSoAndTheTransferGoesOnUntraced) {
    start();
    ConfigWindow& w = *configWindow;
    const auto blocker = std::filesystem::path(config.path().toStdString()) / "file";
    std::ofstream(blocker) << "x";
    w.TraceSwitch->Folder = blocker / "trace";
    EXPECT_FALSE(w.TraceSwitch->SetTracing(true));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(w.TraceSwitch->Texts.Failed));
    EXPECT_FALSE(w.TraceSwitch->TraceItem->isChecked());
    EXPECT_EQ(w.SerialPort->Trace(), nullptr);
    EXPECT_TRUE(QueryVersion(w));
}

} // namespace
