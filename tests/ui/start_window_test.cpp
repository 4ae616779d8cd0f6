// The start window against the module simulator on a pseudo-terminal, through the real serial
// component. The test drives the send tick itself instead of waiting for the window's timers.

#include "serial/line_control.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "ui/windows.h"
#include "ui/forms.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

struct StartWindowFixture : ::testing::Test {
    QTemporaryDir home;
    QTemporaryDir ports;
    QTemporaryDir startDir;
    QString oldDir = QDir::currentPath();
    sim::PtyModule module;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        QDir::setCurrent(startDir.path());
        ASSERT_TRUE(module.start()) << module.error();
    }
    void TearDown() override {
        DestroyForms();
        module.stop();
        QDir::setCurrent(oldDir);
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }

    void linkModule(int com) {
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), com)) << module.error();
    }
    // Ports that lead nowhere, so the search never touches a real device of this machine.
    void deadPorts(std::initializer_list<int> coms) {
        for (int n : coms)
            symlink("/nonexistent/tty",
                    (ports.path() + QStringLiteral("/com%1").arg(n)).toLocal8Bit().constData());
    }
    void setting(const char* name, const QString& value) { WriteSetting(kKey, name, value); }
    QString setting(const char* name) { return ReadSetting(kKey, name); }

    // Creates the windows and activates the start window, with its timers held by the test.
    void start() {
        CreateForms();
        startWindow->SendTimer->stop();
        startWindow->IndicatorTimer->stop();
        startWindow->Activate();
    }
    // One send tick, and the module's answer to a probe let in before the next tick (on a busy
    // machine the answer can take longer than a tick; the window's search would then rightly move
    // on, which is not what these tests are about).
    void tick() {
        test::SettleWindowsLine(module);
        startWindow->SendTick();
        test::SettleWindowsLine(module);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            tick();
    }
    // Ticks until the module has been identified.
    bool identify() {
        for (int i = 0; i < 12 && !startWindow->StartButton->isEnabled(); ++i)
            tick();
        return startWindow->StartButton->isEnabled();
    }
    int lineBaud() {
        const int fd = ::open(module.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const int baud = line::CurrentBaud(fd);
        ::close(fd);
        return baud;
    }
};

} // namespace

TEST_F(StartWindowFixture, FirstStartWritesDefaultsOpensCom1AndFindsTheModule) {
    linkModule(1);
    start();
    EXPECT_EQ(setting("Device"), "0");
    EXPECT_EQ(setting("Language"), "1");
    EXPECT_EQ(setting("StartDir"), QDir::currentPath());
    EXPECT_EQ(setting("comport"), "") << "the default port is used, not written";
    EXPECT_EQ(startWindow->LanguageChoice->currentIndex(), 1);
    EXPECT_EQ(startWindow->PortChoice->currentIndex(), 0);
    EXPECT_EQ(startWindow->PortChoice->count(), 512);
    EXPECT_EQ(startWindow->SerialPort->DeviceName(), "COM1");
    EXPECT_TRUE(startWindow->SerialPort->IsOpen());
    EXPECT_EQ(lineBaud(), 9600);
    EXPECT_EQ(startWindow->VersionLabel->text(), "version: 2012.03");
    EXPECT_EQ(startWindow->ToolLabel->text(), "Dalvex");
    EXPECT_EQ(startWindow->windowTitle(), "Dalvex");
    EXPECT_FALSE(startWindow->StartButton->isEnabled());

    ASSERT_TRUE(identify());
    EXPECT_EQ(startWindow->Search.ModuleCode, 72);
    EXPECT_EQ(startWindow->FoundModel->text(), "Telgor GSM");
    for (QPushButton* b : {startWindow->ProTryOutButton, startWindow->LineTryOutButton,
                           startWindow->MiniTryOutButton, startWindow->DoorTryOutButton})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_FALSE(startWindow->IndicatorTimer->isActive());
}

TEST_F(StartWindowFixture, StoredDeviceNamespacePortIsSelectedAndOpened) {
    linkModule(12);
    setting("comport", "\\\\.\\COM12");
    start();
    EXPECT_EQ(startWindow->PortChoice->currentIndex(), 11);
    EXPECT_EQ(startWindow->SerialPort->DeviceName(), "\\\\.\\COM12");
    EXPECT_TRUE(startWindow->SerialPort->IsOpen());
    EXPECT_TRUE(identify());
}

TEST_F(StartWindowFixture, RallyModeSearchesAt4800Baud) {
    linkModule(1);
    setting("mode", "RALLY");
    start();
    EXPECT_EQ(startWindow->SerialPort->BaudRate(), cbr4800);
    EXPECT_EQ(lineBaud(), 4800);
    EXPECT_TRUE(identify());
}

TEST_F(StartWindowFixture, Code71IsOnlyTakenWithTheAllFilter) {
    linkModule(1);
    module.withModule([](sim::ModuleSim& m) { m.setTypeCode(71); });
    start();
    EXPECT_FALSE(identify());
    EXPECT_EQ(startWindow->Search.ModuleCode, 71);
    DestroyForms();

    setting("Device", "ALL");
    start();
    ASSERT_TRUE(identify());
    EXPECT_EQ(startWindow->Search.ModuleCode, 72);
    EXPECT_EQ(startWindow->FoundModel->text(), "Other module!");
}

TEST_F(StartWindowFixture, AutomaticSearchFindsTheModuleOnCom3) {
    deadPorts({1, 2});
    linkModule(3);
    start();
    EXPECT_FALSE(startWindow->SerialPort->IsOpen());
    EXPECT_FALSE(startWindow->PortStatus->text().isEmpty()) << "the saved port's failure is explained";
    startWindow->AutoSearchClick();
    EXPECT_FALSE(startWindow->AutoSearchButton->isEnabled());
    // Three ticks a port at the least; more only when a busy machine delays an answer.
    for (int i = 0; i < 60 && setting("comport").isEmpty(); ++i)
        tick();
    EXPECT_EQ(setting("comport"), "COM3");
    EXPECT_EQ(startWindow->PortChoice->currentIndex(), 2);
    EXPECT_TRUE(startWindow->AutoSearchButton->isEnabled());
    // Probing restarts on the port found.
    EXPECT_TRUE(identify());
    EXPECT_EQ(startWindow->SerialPort->DeviceName(), "COM3");
}

TEST_F(StartWindowFixture, ImplausibleCodesDoNotCountDuringTheSearch) {
    for (std::uint8_t code : {std::uint8_t{10}, std::uint8_t{254}}) {
        SCOPED_TRACE(int(code));
        linkModule(1);
        module.withModule([code](sim::ModuleSim& m) { m.setTypeCode(code); });
        start();
        startWindow->AutoSearchClick();
        ticks(2); // COM1: open, probe
        EXPECT_EQ(startWindow->Search.ReplyDelay, 3) << "the module answered";
        ticks(4); // three silent ticks, then close and judge
        EXPECT_FALSE(startWindow->Search.PortFound);
        EXPECT_EQ(startWindow->Search.PortNumber, 2);
        EXPECT_EQ(setting("comport"), "");
        DestroyForms();
    }
}

TEST_F(StartWindowFixture, TryOutOpensTheK6WindowWithoutAModule) {
    deadPorts({1});
    start();
    startWindow->LineTryOutButton->click(); // row 2: the line-simulator model
    EXPECT_TRUE(startWindow->HandOverTimer->isActive());
    startWindow->HandOverTick();
    EXPECT_TRUE(configWindow->isVisible());
    EXPECT_FALSE(startWindow->isVisible());
    EXPECT_EQ(configWindow->ModuleType, 74);
    EXPECT_TRUE(configWindow->DemoMode);
    EXPECT_EQ(configWindow->StatusPanel(1), "Varnet GSM");
    struct Page {
        const char* name;
        bool visible;
    };
    for (const Page& p : {Page{"TabSheet21", true}, Page{"TabSheet25", true}, Page{"TabSheet11", true},
                          Page{"TabSheet4", false}, Page{"TabSheet9", false}, Page{"TabSheet16", false},
                          Page{"TabSheet20", false}, Page{"TabSheet22", true}, Page{"TabSheet1", true}}) {
        EXPECT_EQ(configWindow->IsPageVisible(p.name), p.visible) << p.name;
    }
    EXPECT_FALSE(statusWindow->findChild<QWidget*>("Edit3")->isVisibleTo(statusWindow));
}

TEST_F(StartWindowFixture, DoorPhoneIsHandedOverAsType72AndThePortIsReleasedClosed) {
    linkModule(1);
    module.withModule([](sim::ModuleSim& m) { m.setTypeCode(75); });
    start();
    ASSERT_TRUE(identify());
    EXPECT_EQ(startWindow->FoundModel->text(), "Portun");
    startWindow->StartButton->click();
    EXPECT_FALSE(startWindow->SerialPort->IsOpen()) << "Indít closes the port";
    EXPECT_FALSE(startWindow->StartButton->isEnabled());
    startWindow->HandOverTick();
    EXPECT_TRUE(doorPhoneWindow->isVisible());
    EXPECT_FALSE(configWindow->isVisible());
    EXPECT_EQ(configWindow->ModuleType, 72);
    EXPECT_EQ(startWindow->Search.SearchState, DeviceSearch::Stopped);
    EXPECT_FALSE(startWindow->Search.PortReleased);

    startWindow->SendTick();
    EXPECT_TRUE(startWindow->Search.PortReleased);
    EXPECT_FALSE(startWindow->SerialPort->IsOpen());
    // Another window can now take the port.
    TAsynComm32 k6port;
    k6port.SetDeviceName("COM1");
    k6port.Open();
    EXPECT_TRUE(k6port.IsOpen());
}

TEST_F(StartWindowFixture, ChosenPortIsSavedInTheDeviceNamespaceFormFrom10On) {
    deadPorts({1});
    start();
    for (int position : {8, 11}) {
        startWindow->PortChoice->setCurrentIndex(position);
        startWindow->PortChosen();
        EXPECT_EQ(setting("comport"), position == 8 ? "COM9" : "\\\\.\\COM12");
    }
    startWindow->LanguageChoice->setCurrentIndex(3);
    startWindow->LanguageChosen();
    EXPECT_EQ(setting("Language"), "3");
    EXPECT_EQ(startWindow->FoundModel->text(), "");
}

TEST_F(StartWindowFixture, LogoFromTheStartDirectoryOrTheBuiltInOne) {
    deadPorts({1});
    QFile bad(startDir.path() + "/logo.jpg");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\xff\xd8\xff\xe0 not really a picture");
    bad.close();
    start(); // a corrupt picture neither crashes nor ends the program
    ASSERT_NE(startWindow->Logo->pixmap().isNull(), true);
}

TEST_F(StartWindowFixture, ClosingTheK6WindowClosesTheStartWindow) {
    deadPorts({1});
    start();
    startWindow->show();
    bool closed = false;
    QObject::connect(startWindow, &StartWindow::FormClosed, [&] { closed = true; });
    configWindow->show();
    configWindow->close();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(startWindow->isVisible());
}
