// The module status window and the monitor window against the module simulator on a
// pseudo-terminal, through the K6 window's engine and the real serial component. The test ticks
// the engine and the windows' second timers itself; file dialogs and message boxes are answered
// through the hooks.

#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6link/monitor_mode.h"
#include "k6link/status_poll.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "startup/six_byte_frame.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/k6_file_commands.h"
#include "ui/k6_status_side.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/status_window.h"
#include "ui/monitor_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>

using namespace dalvex;
using dalvex::test::waitFor;
namespace k6state = dalvex::k6link::state;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FrameBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const SixByteFrame f = SixByteFrame::make(b0, b1, b2, b3);
    return Bytes(f.bytes.begin(), f.bytes.end());
}

// Where `needle` starts in `hay` from `from` on, or npos.
std::size_t Find(const Bytes& hay, const Bytes& needle, std::size_t from = 0) {
    const auto it = std::search(hay.begin() + static_cast<std::ptrdiff_t>(std::min(from, hay.size())),
                                hay.end(), needle.begin(), needle.end());
    return it == hay.end() ? std::string::npos : static_cast<std::size_t>(it - hay.begin());
}

k6link::StatusBytes Healthy() {
    return {0x00, 1, 0, 18, 0x80, '0', '9', '4', '5', 21, 0, 0, 33, 1, 0xFF, 0};
}

struct StatusWindowFixture : test::SimWindowFixture {
    k6link::StatusPoll& poll() { return configWindow->Status->Poll(); }
    void setRegisters(const k6link::StatusBytes& s) {
        module.withModule(
            [&](sim::ModuleSim& m) { std::copy(s.begin(), s.end(), m.status().registers.begin()); });
    }

    // A module of the type and version found and handed over, its version query answered.
    void connect(int type = 72, int version = 84) {
        module.withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(type));
            m.setVersion(static_cast<std::uint8_t>(version));
        });
        test::SimWindowFixture::connect();
        ASSERT_EQ(engine().Version, version);
    }
    // Opens the status window from the menu and lets its activation arrive; its second timer is
    // the test's.
    void openStatus() {
        configWindow->MenuItem(QStringLiteral("Modulllapotmegjelentse1"))->trigger();
        ASSERT_TRUE(statusWindow->isVisible());
        waitFor([&] { return statusWindow->isActiveWindow(); }, 1000);
        statusWindow->Activate();
        statusWindow->PollTimer->stop();
        ASSERT_EQ(engine().OpState, k6state::StatusPollState);
    }
    bool nextPass() {
        const int target = poll().ConnectCount + 1;
        return runUntil([&] { return poll().ConnectCount >= target; });
    }
    void openMonitor(const char* menuItem) {
        QAction* item = configWindow->MenuItem(QString::fromLatin1(menuItem));
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
        ASSERT_TRUE(monitorWindow->isVisible());
        waitFor([&] { return monitorWindow->isActiveWindow(); }, 1000);
        monitorWindow->Activate(); // starts the mode once, whether the activation came or not
        monitorWindow->StampTimer->stop();
    }
    QWidget* statusControl(const char* name) {
        return statusWindow->findChild<QWidget*>(QString::fromLatin1(name));
    }
};

TEST_F(StatusWindowFixture, StatusBytesFromTheModuleShowInTheWindow) {
    connect();
    openStatus();
    EXPECT_TRUE(statusWindow->StatusBarRed()) << "red until a pass has come";

    struct Case {
        const char* what;
        int index;
        std::uint8_t value;
        const char* field; // the control that shows it
        QString text;
    };
    const Case cases[] = {
        {"negative temperature", 9, 0x85, "Edit3", QStringLiteral("-5")},
        {"positive temperature", 9, 0x05, "Edit3", QStringLiteral("5")},
        {"unknown network", 1, 9, "Edit1", QStringLiteral("Ismeretlen állapot: 9")},
        {"roaming", 1, 3, "Edit1", QStringLiteral("Roaming hálózatra feljelentkezve")},
        {"unknown GSM state", 2, 99, "Edit2", QStringLiteral("Ismeretlen hiba: 99")},
        {"dialler", 11, 2, "Edit2", QStringLiteral("CID: Felvéve a vonal")},
        {"memory fault", 4, 0x00, "Edit2", QStringLiteral("MEMORY FAULT")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        k6link::StatusBytes s = Healthy();
        s[static_cast<std::size_t>(c.index)] = c.value;
        setRegisters(s);
        ASSERT_TRUE(nextPass());
        ASSERT_TRUE(nextPass()) << "a whole pass after the change";
        EXPECT_EQ(statusWindow->findChild<QLineEdit*>(QString::fromLatin1(c.field))->text(), c.text);
    }

    struct Gauge {
        int signal;
        const char* colour;
    };
    for (const Gauge g : {Gauge{5, "red"}, Gauge{16, "green"}, Gauge{21, "lime"}}) {
        k6link::StatusBytes s = Healthy();
        s[3] = static_cast<std::uint8_t>(g.signal);
        s[0] = 0x06; // inputs 2 and 3
        s[4] = 0x80 | 0x02;
        setRegisters(s);
        ASSERT_TRUE(nextPass());
        ASSERT_TRUE(nextPass());
        EXPECT_EQ(statusWindow->SignalGauge->value(), g.signal);
        EXPECT_EQ(statusWindow->SignalGauge->property("colour").toString(), QString::fromLatin1(g.colour));
    }
    using k6link::Picture;
    EXPECT_EQ(statusWindow->PictureOf("ImageBe1"), Picture::Be);
    EXPECT_EQ(statusWindow->PictureOf("ImageBe2"), Picture::Ki);
    EXPECT_EQ(statusWindow->PictureOf("ImageBe3"), Picture::Ki);
    EXPECT_EQ(statusWindow->PictureOf("ImageTap"), Picture::Ki);
    EXPECT_EQ(statusWindow->PictureOf("ImageElesit"), Picture::Be);
    EXPECT_EQ(statusWindow->findChild<QWidget*>("Panel7")->property("colour").toString(), "#e03030");
    EXPECT_EQ(statusWindow->findChild<QWidget*>("Panel8")->property("colour").toString(), "#30b040");
    EXPECT_EQ(statusWindow->StatusPanel(0), QStringLiteral("GSM idő: 09:45"));
    EXPECT_TRUE(statusWindow->findChild<QLabel*>("ConnectLabel")->text().startsWith("Connect: "));
    EXPECT_EQ(statusWindow->findChild<QLabel*>("ConnectLabel")->text(),
              QStringLiteral("Connect: %1").arg(poll().ConnectCount));

    // Closing goes back to idle and to plain byte reads.
    statusWindow->close();
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_EQ(engine().StatusPoll, 0);
}

TEST_F(StatusWindowFixture, LineModelShowsLineVoltageAndSlicAndBlanksArming) {
    connect(74, 80);
    openStatus();
    k6link::StatusBytes s = Healthy();
    s[4] = 0x80 | 0x10; // arming set, but this model shows none
    s[12] = 33;
    s[14] = 200;
    setRegisters(s);
    ASSERT_TRUE(nextPass());
    ASSERT_TRUE(nextPass());
    EXPECT_EQ(statusWindow->LineVoltage->text(), QStringLiteral("Vonali feszültség: 49"));
    EXPECT_FALSE(statusWindow->LineVoltage->isHidden());
    EXPECT_EQ(statusWindow->ErrorCode->text(), QStringLiteral("SLIC statusz:200"));
    EXPECT_EQ(statusWindow->PictureOf("ImageElesit"), k6link::Picture::Blank);
    EXPECT_EQ(statusWindow->PictureOf("ImageVonal"), k6link::Picture::Ki);
}

TEST_F(StatusWindowFixture, CompactModelBlanksWhatItLacks) {
    connect(73, 84);
    openStatus();
    k6link::StatusBytes s = Healthy();
    s[0] = 0x0F;
    s[4] = 0xFF;
    setRegisters(s);
    ASSERT_TRUE(nextPass());
    ASSERT_TRUE(nextPass());
    using k6link::Picture;
    EXPECT_EQ(statusWindow->PictureOf("ImageBe1"), Picture::Ki);
    EXPECT_EQ(statusWindow->PictureOf("ImageBe3"), Picture::Blank);
    EXPECT_EQ(statusWindow->PictureOf("ImageBe4"), Picture::Blank);
    EXPECT_EQ(statusWindow->PictureOf("ImageTamper"), Picture::Blank);
    EXPECT_EQ(statusWindow->PictureOf("ImageKi2"), Picture::Blank);
    EXPECT_EQ(statusWindow->PictureOf("ImageElesit"), Picture::Blank);
    EXPECT_EQ(statusWindow->PictureOf("ImageKi1"), Picture::Ki);
    EXPECT_FALSE(statusControl("LabelBe3")->isEnabled());
    EXPECT_FALSE(statusControl("Label9")->isEnabled());
    EXPECT_TRUE(statusControl("LabelBe1")->isEnabled());
    EXPECT_TRUE(statusWindow->LineVoltage->isHidden());
    EXPECT_TRUE(statusControl("Panel8")->isHidden()) << "the version rule of type 73";
    EXPECT_TRUE(statusControl("Label13")->isHidden());
}

TEST_F(StatusWindowFixture, VersionRulesForTheStatusWindow) {
    struct Case {
        int type, version;
        bool lineShown;
    };
    for (const Case c : {Case{74, 77, true}, Case{72, 77, false}}) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.version));
        connect(c.type, c.version);
        for (const char* name : {"VONFESZ", "Label20", "Label21", "Label22"})
            EXPECT_EQ(!statusControl(name)->isHidden(), c.lineShown) << name;
        EXPECT_FALSE(statusControl("Panel8")->isHidden());
        DestroyForms();
        module.stop(); // the next case's module starts afresh
        ASSERT_TRUE(module.start()) << module.error();
    }
}

// Each rule of the version reply reaches the controls of its part and no others.
TEST(StatusWindowParts, VersionRulesHideTheControlsOfTheirParts) {
    const char* const controls[] = {"Label20", "Label21", "Label22", "VONFESZ",    "Panel8",
                                    "Label13", "Label11", "Edit3",   "ImageVonal", "ImageKi2"};
    struct Case {
        int version, type;
        std::set<std::string> hidden;
    };
    const Case cases[] = {
        {80, 72, {}},
        {77, 74, {}}, // hidden by the first rule, shown again by the line model's
        {77, 72, {"Label20", "Label21", "Label22", "VONFESZ"}},
        {80, 73, {"Panel8", "Label13"}},
        {17, 74, {"Label20", "Label21", "Label22", "VONFESZ", "Label11", "Edit3"}},
        {17, 73, {"Label20", "Label21", "Label22", "VONFESZ", "Panel8", "Label13", "Label11", "Edit3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.version) + "/" + std::to_string(c.type));
        StatusWindow window;
        window.ApplyVersionRules(c.version, c.type);
        for (const char* name : controls) {
            const auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(control, nullptr) << name;
            EXPECT_EQ(control->isHidden(), c.hidden.count(name) == 1) << name;
        }
    }
}

TEST_F(StatusWindowFixture, ComErrorThreeSecondsAfterTheModuleFallsSilent) {
    connect();
    openStatus();
    setRegisters(Healthy());
    ASSERT_TRUE(nextPass());
    statusWindow->PollTick();
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM OK");
    EXPECT_FALSE(statusWindow->StatusBarRed());
    const QString network = statusWindow->GsmStatus->text();

    module.setFault(sim::Fault::Silent);
    // The pass in progress stalls; its reads are repeated without end.
    runUntil([] { return false; }, 30);
    statusWindow->PollTick();
    statusWindow->PollTick();
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM OK") << "three seconds after the last pass";
    statusWindow->PollTick();
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM ERROR");
    EXPECT_TRUE(statusWindow->StatusBarRed());
    EXPECT_EQ(statusWindow->GsmStatus->text(), network) << "the last display stays";
    EXPECT_EQ(engine().OpState, k6state::StatusPollState);

    // The module answers again: the next completed pass brings "COM OK" back.
    module.setFault(sim::Fault::None);
    ASSERT_TRUE(nextPass());
    statusWindow->PollTick();
    EXPECT_EQ(statusWindow->StatusPanel(1), "COM OK");
}

TEST_F(StatusWindowFixture, TestEndWritesToAddress75AndShowsRegOk) {
    WriteSetting(QStringLiteral("\\software\\GSM\\Dalvex"), QStringLiteral("mode"),
                 QStringLiteral("7302518"));
    connect();
    openStatus();
    EXPECT_FALSE(statusWindow->TestEndButton->isHidden()) << "developer access code";
    ASSERT_TRUE(nextPass());
    statusWindow->TestEndButton->click();
    ASSERT_TRUE(runUntil([&] { return statusWindow->StatusPanel(1) == "REG ok"; }));
    std::uint8_t at75 = 0;
    module.withModule([&](sim::ModuleSim& m) { at75 = m.memory()[75]; });
    EXPECT_EQ(at75, 0xBB);
    EXPECT_TRUE(nextPass()) << "the poll goes on while the window is open";
}

TEST_F(StatusWindowFixture, MonitorStreamsUntilClosedThenReadsStatus) {
    connect();
    // A slow trace: the acknowledgement of monitor on, a six-byte reply, must reach the engine
    // apart from the first trace line even on a loaded machine.
    module.withModule([](sim::ModuleSim& m) { m.status().traceLinesPerSecond = 5; });
    openMonitor("Hibakeress1");
    EXPECT_TRUE(monitorWindow->AtCommand->isHidden()) << "no terminal controls in monitor mode";
    EXPECT_EQ(monitorWindow->WarningLabel->text(),
              QStringLiteral("Monitorozás után, kérem indítsa újra a GSM modult!"));
    ASSERT_TRUE(runUntil([&] { return engine().OpState == k6state::MonitorStream; }));
    const std::uint8_t odd[] = {0x00, 0xFF, '\r', 'z', '\r', '\n'};
    module.withModule([&](sim::ModuleSim& m) { m.status().queueTrace(odd); });
    ASSERT_TRUE(waitFor([&] {
        monitorWindow->Flush();
        return monitorWindow->ViewText().contains(QStringLiteral("#000003 IN="));
    }));
    const QString text = monitorWindow->ViewText();
    EXPECT_TRUE(text.contains(QString(QChar(0x2400)) + QChar(0x02D9) + QStringLiteral("\nz\n")))
        << text.left(200).toStdString();

    // The time-stamp line starts a line of its own.
    monitorWindow->StampTick();
    monitorWindow->Flush();
    EXPECT_TRUE(monitorWindow->ViewText().contains(
        QRegularExpression(QStringLiteral("\n########## \\d{4}\\.\\d\\d\\.\\d\\d"))));
    EXPECT_EQ(monitorWindow->StampTimer->interval(), 600000);

    monitorWindow->close();
    EXPECT_EQ(engine().OpState, k6state::MonitorOff);
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    const Bytes statusRead = FrameBytes(2, 2, 0, 0);
    const auto afterOff = [&](const Bytes& sent) {
        const std::size_t off = Find(sent, FrameBytes(0, 0xFB, 0, 0));
        return off == std::string::npos ? off : Find(sent, statusRead, off);
    };
    EXPECT_TRUE(waitFor([&] { return afterOff(module.receivedBytes()) != std::string::npos; }))
        << "the status read after monitor off";
    const Bytes sent = module.receivedBytes();
    EXPECT_LT(Find(sent, FrameBytes(0, 0xFB, 1, 0)), Find(sent, FrameBytes(0, 0xFB, 0, 0)));
    bool streaming = true;
    module.withModule([&](sim::ModuleSim& m) { streaming = m.status().monitorOn(); });
    EXPECT_FALSE(streaming);
}

TEST_F(StatusWindowFixture, SaveKeepsEverythingWhileTheViewKeepsTheLastMegabyte) {
    CreateForms();
    QTemporaryDir out;
    monitorWindow->Open(MonitorWindow::Mode::Monitor);
    monitorWindow->close(); // no module: only the text side is tried here
    const std::string line = "trace line with some words in it, number 0123456789\r\n";
    std::string all;
    for (int i = 0; all.size() < 3 * (1u << 20) / 2; ++i)
        all += line;
    for (std::size_t at = 0; at < all.size(); at += 4000) {
        const std::size_t n = std::min<std::size_t>(4000, all.size() - at);
        monitorWindow->AsynText(std::span(reinterpret_cast<const std::uint8_t*>(all.data()) + at, n));
        if (at % 200000 == 0) monitorWindow->Flush();
    }
    monitorWindow->Flush();
    const QString view = monitorWindow->ViewText();
    EXPECT_LE(view.size(), MonitorWindow::kViewLimit);
    EXPECT_GT(view.size(), MonitorWindow::kViewLimit / 2);
    EXPECT_TRUE(view.startsWith(QStringLiteral("trace line"))) << "cut at a line start";

    const QString path = out.filePath(QStringLiteral("monitor.TXT"));
    QStringList filters;
    QString suffix;
    K6FileCommands::FileDialogHook = [&](bool save, const QString&, const QStringList& f, const QString& s,
                                         int&) {
        EXPECT_TRUE(save);
        filters = f;
        suffix = s;
        return path;
    };
    monitorWindow->SaveButton->click();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(suffix, "TXT");
    ASSERT_EQ(filters.size(), 1);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("Szöveges File")));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    QString expected = QString::fromStdString(all);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(saved.readAll(), (expected + QLatin1Char('\n')).toUtf8()) << "everything, and a line end";
    EXPECT_EQ(saved.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());

    // Cleared: a new start for the view and the file.
    monitorWindow->ClearButton->click();
    monitorWindow->AsynText(std::span(reinterpret_cast<const std::uint8_t*>("x\r\n"), 3));
    monitorWindow->SaveButton->click();
    saved.close();
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("x\n\n"));

    // A folder that cannot be written: a message naming the file, the old file untouched elsewhere.
    const QString bad = out.filePath(QStringLiteral("missing/folder/monitor.TXT"));
    K6FileCommands::FileDialogHook = [&](bool, const QString&, const QStringList&, const QString&, int&) {
        return bad;
    };
    monitorWindow->SaveButton->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains(bad)) << shown[0].toStdString();
}

TEST_F(StatusWindowFixture, TerminalTalksToTheModemAndSendsTheLineAndCrStraightToThePort) {
    connect();
    openMonitor("MonitorAT1");
    EXPECT_FALSE(monitorWindow->AtCommand->isHidden());
    EXPECT_TRUE(monitorWindow->SendAtButton->isDefault());
    EXPECT_EQ(engine().OpState, k6state::ModemSwitch);
    EXPECT_EQ(engine().NextOpState, k6state::MonitorStream);
    // Modem mode (20), "AT" and its "OK" (21), then everything received is shown (82).
    ASSERT_TRUE(runUntil([&] { return engine().OpState == k6state::MonitorStream; }));
    ASSERT_TRUE(configWindow->SerialPort->IsOpen());

    monitorWindow->AtCommand->setText(QStringLiteral("AT+CSQ"));
    monitorWindow->SendAtButton->click();
    const Bytes csq{'A', 'T', '+', 'C', 'S', 'Q', '\r'};
    EXPECT_TRUE(waitFor([&] { return Find(module.receivedBytes(), csq) != std::string::npos; }));
    EXPECT_TRUE(waitFor([&] {
        monitorWindow->Flush();
        return monitorWindow->ViewText().contains(QStringLiteral("AT+CSQ\n\n+CSQ: 20,0\n\nOK\n"));
    })) << monitorWindow->ViewText().toStdString();

    // The module's line buffer holds 255 characters and the CR.
    monitorWindow->AtCommand->setText(QString(300, QLatin1Char('B')));
    EXPECT_EQ(monitorWindow->AtCommand->text().size(), 255);
    monitorWindow->SendAtButton->click();
    Bytes longLine(255, 'B');
    longLine.push_back('\r');
    EXPECT_TRUE(waitFor([&] { return Find(module.receivedBytes(), longLine) != std::string::npos; }));
    EXPECT_EQ(Find(module.receivedBytes(), Bytes(256, 'B')), std::string::npos);

    // Closing: monitor off takes the module out of modem mode, then the status read.
    monitorWindow->close();
    EXPECT_EQ(engine().OpState, k6state::MonitorOff);
    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0; }));
    bool inModemMode = true;
    module.withModule([&](sim::ModuleSim& m) { inModemMode = m.rawMode(); });
    EXPECT_FALSE(inModemMode);
}

} // namespace

namespace {

// Pictures of both windows for a look by eye (not run by default):
// status_window_tests --gtest_also_run_disabled_tests --gtest_filter='*SaveScreenshots'
TEST_F(StatusWindowFixture, DISABLED_SaveScreenshots) {
    const QString dir = qEnvironmentVariable("DALVEX_SCREENSHOTS", QStringLiteral("/tmp/k6status"));
    QDir().mkpath(dir);
    connect(74, 84);
    openStatus();
    k6link::StatusBytes s = Healthy();
    s[0] = 0x05;
    s[4] = 0x80 | 0x0A;
    s[11] = 3;
    setRegisters(s);
    ASSERT_TRUE(nextPass());
    ASSERT_TRUE(nextPass());
    statusWindow->PollTick();
    QApplication::processEvents();
    EXPECT_TRUE(statusWindow->grab().save(dir + QStringLiteral("/status.png")));
    statusWindow->close();
    openMonitor("Hibakeress1");
    ASSERT_TRUE(runUntil([&] { return engine().OpState == k6state::MonitorStream; }));
    waitFor([&] {
        monitorWindow->Flush();
        return monitorWindow->ViewText().contains(QStringLiteral("#000010"));
    });
    monitorWindow->StampTick();
    monitorWindow->Flush();
    QApplication::processEvents();
    EXPECT_TRUE(monitorWindow->grab().save(dir + QStringLiteral("/monitor.png")));
}

} // namespace
