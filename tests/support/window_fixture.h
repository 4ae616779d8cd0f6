#pragma once
// What the window tests share: private settings, ports and start folders, the windows in Hungarian
// (their design-time texts, which the tests name) and the message boxes answered by the test; for
// the tests against the simulator, a simulated module on a pty and the engine ticked as its timer
// would, once the line is quiet.

#include "k6link/engine.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/pty_quiet.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/k6_file_commands.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace dalvex::test {

// The windows in private settings, ports and start folders, in Hungarian, with the message boxes
// answered by the test.
struct WindowsEnvironment : ::testing::Test {
    QTemporaryDir home;
    QTemporaryDir ports;
    QTemporaryDir startDir;
    QString oldDir = QDir::currentPath();
    std::vector<QString> shown;                      // every message box text
    std::deque<QMessageBox::StandardButton> answers; // for the questions, in order; then "No"

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        WriteSetting(QStringLiteral("\\software\\GSM\\Dalvex"), QStringLiteral("Language"),
                     QStringLiteral("0"));
        QDir::setCurrent(startDir.path());
        ConfigWindow::MessageBoxHook = [this](const QString& text, QMessageBox::StandardButtons buttons) {
            shown.push_back(text);
            if (buttons == QMessageBox::Ok) return QMessageBox::Ok;
            if (answers.empty()) return QMessageBox::No;
            const QMessageBox::StandardButton a = answers.front();
            answers.pop_front();
            return a;
        };
    }
    void TearDown() override {
        DestroyForms();
        ConfigWindow::MessageBoxHook = nullptr;
        K6FileCommands::FileDialogHook = nullptr;
        QDir::setCurrent(oldDir);
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
    }
};

// A simulated module answers, linked as COM1 when the test connects.
struct SimWindowFixture : WindowsEnvironment {
    sim::PtyModule module;

    void SetUp() override {
        WindowsEnvironment::SetUp();
        ASSERT_TRUE(module.start()) << module.error();
    }
    void TearDown() override {
        EXPECT_TRUE(lineSettled) << "the line did not become quiet within " << kSettleLimitMs << " ms";
        WindowsEnvironment::TearDown();
        module.stop();
    }

    k6link::Engine& engine() { return configWindow->Engine(); }

    // What is on its way arrives and the windows' ports hand it over: the line is quiet
    // (pty_quiet.h). False, and the test fails at its end, when it was not within the limit.
    bool settle() {
        const bool quiet = SettleWindowsLine(module);
        lineSettled = lineSettled && quiet;
        return quiet;
    }
    // Ticks the engine as its timer would until `done`, each tick once the line is quiet: a reply
    // is always in before the next tick, however busy the machine, and a command that gets none
    // is repeated after its countdown of ticks, as on the window's timer.
    template <typename Pred> bool runUntil(Pred done, int ticks = 2000) {
        return TickWindowUntil(module, *configWindow, done, ticks, &lineSettled);
    }
    bool runToIdle(int ticks = 2000) {
        return runUntil([this] { return engine().OpState == 0; }, ticks);
    }
    bool lineSettled = true; // every settle() found the line quiet within the limit

    // The module on COM1, found by the start window and handed over with "Indít", the port released
    // and the first version query answered, with every timer held by the test.
    void connect() {
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        CreateFormsWithTimersHeld();
        ASSERT_TRUE(HandOverFoundModule(module));
        ASSERT_TRUE(configWindow->isVisible());
        configWindow->Activate();
        startWindow->SendTick();
        ASSERT_TRUE(runToIdle());
    }
};

} // namespace dalvex::test
