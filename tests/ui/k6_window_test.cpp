// The K6 window's engine side against the module simulator on a pseudo-terminal: hand-over from
// the start window, the version query, the version menu, restart, closing while busy, try-out and
// the menus. The test ticks the engine itself; message boxes are answered through the hook.

#include "k6config/page_values.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "serial/async32.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "startup/six_byte_frame.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/door_phone_window.h"
#include "ui/gsm_info_window.h"
#include "ui/status_window.h"
#include "ui/language_pass.h"
#include "ui/k6_backup_side.h"
#include "ui/k6_file_commands.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;
namespace k6state = dalvex::k6link::state;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

struct K6WindowFixture : test::SimWindowFixture {
    void setting(const char* name, const QString& value) { WriteSetting(kKey, name, value); }
    QString setting(const char* name) { return ReadSetting(kKey, name); }

    // Creates the windows with every timer held by the test and activates the start window.
    void start() {
        test::CreateFormsWithTimersHeld();
        startWindow->Activate();
    }
    // The module on COM1, found by the start window and handed over with "Indít".
    void handOver() {
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        test::CreateFormsWithTimersHeld();
        ASSERT_TRUE(test::HandOverFoundModule(module));
        ASSERT_TRUE(configWindow->isVisible());
    }
    std::uint64_t restarts() {
        std::uint64_t n = 0;
        module.withModule([&](sim::ModuleSim& m) { n = m.restarts(); });
        return n;
    }
};

} // namespace

TEST_F(K6WindowFixture, IndítHandsOverAndTheVersionQueryFillsStatusPanel2) {
    handOver();
    EXPECT_FALSE(configWindow->SendButton->isEnabled());
    EXPECT_FALSE(configWindow->ReadButton->isEnabled());
    configWindow->Activate();
    EXPECT_EQ(engine().OpState, k6state::VersionQuery);
    EXPECT_EQ(configWindow->StatusPanel(4), "version: 2012.03");

    configWindow->EngineTick();
    EXPECT_FALSE(configWindow->SerialPort->IsOpen()) << "the start window has not released the port yet";
    EXPECT_EQ(configWindow->EngineTimer->interval(), 1000);
    EXPECT_TRUE(configWindow->ClockLabel->text().contains(':'));
    EXPECT_TRUE(configWindow->CustomerLabel->text().startsWith("Ügyfél: "));

    startWindow->SendTick();
    ASSERT_TRUE(startWindow->Search.PortReleased);
    configWindow->EngineTick();
    EXPECT_TRUE(configWindow->SerialPort->IsOpen());
    EXPECT_EQ(configWindow->StatusPanel(0), "COM1");
    EXPECT_EQ(configWindow->StatusPanel(3), "GSM ellenőrzése");
    EXPECT_EQ(configWindow->EngineTimer->interval(), 50);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(2), "Sw: 8.4");
    EXPECT_EQ(configWindow->StatusPanel(3), "");
    EXPECT_TRUE(configWindow->SendButton->isEnabled());
    EXPECT_TRUE(configWindow->ReadButton->isEnabled());

    for (int i = 0; i < 6; ++i)
        configWindow->EngineTick();
    EXPECT_FALSE(configWindow->SerialPort->IsOpen());
    EXPECT_EQ(configWindow->EngineTimer->interval(), 50) << "the fast tick stays";
    EXPECT_TRUE(configWindow->EngineTimer1->interval() == 1000 &&
                configWindow->EngineTimer4->interval() == 1000);
}

TEST_F(K6WindowFixture, VersionMenuItemShowsTheVersionInAMessage) {
    connect();
    shown.clear();
    configWindow->MenuItem("GSMsoftververzi1")->trigger();
    EXPECT_EQ(engine().OpState, k6state::VersionQuery);
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(shown.empty()) << "the message comes with the next tick";
    configWindow->EngineTick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Modul szoftver verzió: 8.4");
}

TEST_F(K6WindowFixture, RestartIsSentOnlyAfterTheUserConfirms) {
    connect();
    answers = {QMessageBox::No};
    configWindow->RestartButton->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Biztosan újra akarja indítani az eszközt?");
    EXPECT_EQ(engine().OpState, 0);

    answers = {QMessageBox::Yes};
    configWindow->MenuItem("jraindts1")->trigger();
    EXPECT_EQ(engine().OpState, k6state::Restart);
    for (int i = 0; i < 10 && engine().OpState != 0; ++i)
        configWindow->EngineTick();
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_TRUE(waitFor([&] { return restarts() == 1; }));
}

TEST_F(K6WindowFixture, ClosingWhileAnOperationRunsAsksFirst) {
    handOver();
    configWindow->Activate();
    ASSERT_NE(engine().OpState, 0);
    bool ended = false;
    QObject::connect(startWindow, &StartWindow::FormClosed, [&] { ended = true; });

    answers = {QMessageBox::No};
    EXPECT_FALSE(configWindow->close());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Művelet van folyamatban, biztosan ki akar lépni?!");
    EXPECT_TRUE(configWindow->isVisible());
    EXPECT_FALSE(ended);

    answers = {QMessageBox::Yes};
    EXPECT_TRUE(configWindow->close());
    EXPECT_FALSE(configWindow->isVisible());
    EXPECT_TRUE(ended);
}

TEST_F(K6WindowFixture, ClosingWhileIdleAsksNothing) {
    connect();
    shown.clear();
    EXPECT_TRUE(configWindow->close());
    EXPECT_TRUE(shown.empty());
}

TEST_F(K6WindowFixture, TryOutSendsNothing) {
    ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1));
    start();
    startWindow->ProTryOutButton->click();
    startWindow->HandOverTick();
    ASSERT_TRUE(configWindow->DemoMode);
    configWindow->Activate();
    startWindow->SendTick();
    configWindow->EngineTick();
    EXPECT_EQ(engine().OpState, 0);
    configWindow->MenuItem("GSMsoftververzi1")->trigger();
    for (int i = 0; i < 8; ++i)
        configWindow->EngineTick();
    EXPECT_EQ(engine().OpState, 0);
    test::pumpFor(50);
    EXPECT_TRUE(module.receivedBytes().empty());
    EXPECT_EQ(configWindow->StatusPanel(2), "");
}

TEST_F(K6WindowFixture, MenusCarryTheirCaptionsAndOnlyBuiltFunctionsAreEnabled) {
    symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
    start();
    struct Item {
        const char* name;
        const char* caption;
        bool enabled;
    };
    for (const Item& i :
         {Item{"Funcik1", "Funkciók", true}, Item{"GSMsoftververzi1", "GSM szoftver verzió", true},
          Item{"jraindts1", "Újraindítás", true}, Item{"Kilps1", "Kilépés", true},
          Item{"Send2561", "Send_256", true}, Item{"Olvass1", "Olvasás", true}, Item{"rs1", "Elküldés", true},
          Item{"Modulllapotmegjelentse1", "Modul állapot megjelenítése", true},
          Item{"NaplTrerTRLSE1", "Napló/Térerő TÖRLÉSE", true},
          Item{"FirmwareDownload1", "Firmware Download", false},
          Item{"Naplokiolvassa1", "Naplo kiolvasása", false}, Item{"rer1", "Térerő", true},
          Item{"BitBtn7", "Mentés fájlba", true}, Item{"Nyelvek1", "Nyelv (Language)", true},
          Item{"Magyar1", "Magyar", true}, Item{"Fejlesztiparancsok1", "Fejlesztői parancsok", false},
          Item{"KlnlegesPARANCSOK1", "Különleges PARANCSOK", false},
          Item{"SMSszervizszmbelltsa1", "SMS szerviz szám beállítása", true}}) {
        SCOPED_TRACE(i.name);
        QAction* a = configWindow->MenuItem(i.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(i.caption));
        EXPECT_EQ(a->isEnabled(), i.enabled) << "a hidden menu counts as disabled";
    }
}

TEST_F(K6WindowFixture, AccessCodesShowTheDeveloperAndSpecialMenus) {
    symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
    struct Case {
        const char* mode;
        bool developer;
        bool special;
        const char* stored;
    };
    for (const Case& c :
         {Case{"", false, false, "0"}, Case{"0", false, false, "0"}, Case{"7302518", true, true, "7302518"},
          Case{"brisemount", false, true, "brisemount"}, Case{"RALLY", false, false, "RALLY"}}) {
        SCOPED_TRACE(c.mode);
        setting("mode", c.mode);
        start();
        EXPECT_FALSE(configWindow->MenuItem("Fejlesztiparancsok1")->isVisible());
        configWindow->Activate();
        EXPECT_EQ(configWindow->MenuItem("Fejlesztiparancsok1")->isVisible(), c.developer);
        EXPECT_EQ(configWindow->MenuItem("KlnlegesPARANCSOK1")->isVisible(), c.special);
        EXPECT_EQ(setting("mode"), c.stored);
        DestroyForms();
    }
}

TEST_F(K6WindowFixture, CompanyNameWithAStarSetsTheCompanyMark) {
    symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
    struct Case {
        const char* stored;
        bool mark;
        const char* after;
    };
    for (const Case& c : {Case{"", false, "K6"}, Case{"Acme", false, "Acme"}, Case{"*Acme", true, "*Acme"}}) {
        SCOPED_TRACE(c.stored);
        setting("company", c.stored);
        start();
        configWindow->Activate();
        EXPECT_EQ(engine().CompanyMark, c.mark);
        EXPECT_EQ(setting("company"), c.after);
        DestroyForms();
    }
}

TEST_F(K6WindowFixture, VersionReplyShowsTheMenuItemsOfThatVersion) {
    module.withModule([](sim::ModuleSim& m) { m.setVersion(67); });
    connect();
    struct Case {
        std::uint8_t version;
        bool firmware, log, maintenance;
    };
    // The rules only ever show an item: a lower version afterwards hides nothing again.
    for (const Case& c :
         {Case{67, false, false, false}, Case{68, true, false, false}, Case{70, true, true, false},
          Case{73, true, true, true}, Case{60, true, true, true}}) {
        SCOPED_TRACE(int(c.version));
        module.withModule([&](sim::ModuleSim& m) { m.setVersion(c.version); });
        engine().OpState = k6state::VersionQuery;
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(engine().Version, c.version);
        EXPECT_EQ(configWindow->MenuItem("FirmwareDownload1")->isVisible(), c.firmware);
        EXPECT_EQ(configWindow->MenuItem("Naplokiolvassa1")->isVisible(), c.log);
        EXPECT_EQ(configWindow->MenuItem("Karbantarts1")->isVisible(), c.maintenance);
    }
}

TEST_F(K6WindowFixture, Send256FromTheDeveloperMenuWritesTheBlock) {
    setting("mode", "7302518");
    connect();
    configWindow->MenuItem("Send2561")->trigger();
    EXPECT_EQ(engine().OpState, k6state::Send256);
    for (int i = 0; i < 10 && engine().OpState != 0; ++i)
        configWindow->EngineTick();
    EXPECT_TRUE(waitFor([&] {
        bool written = false;
        module.withModule([&](sim::ModuleSim& m) {
            const auto mem = m.memory().subspan(0x300000, 256);
            written = std::all_of(mem.begin(), mem.end(), [](std::uint8_t b) { return b == 1; });
        });
        return written;
    }));
}

namespace {

// What the module received, sorted by command: block reads and writes, byte writes (with their
// addresses) and clock sets.
struct Traffic {
    int blockReads = 0;
    int blockWrites = 0;
    int byteWrites = 0;
    int clockSets = 0;
    std::vector<int> byteWriteAddresses;
    QByteArray lastClockDigits;
};

Traffic CountTraffic(const std::vector<std::uint8_t>& rx) {
    Traffic t;
    std::size_t i = 0;
    while (i + 6 <= rx.size()) {
        if (!SixByteFrame::isValid(std::span(rx).subspan(i, 6))) {
            ++i;
            continue;
        }
        switch (rx[i + 1]) {
        case 0xF6:
            ++t.blockWrites;
            i += 262;
            continue;
        case 0xFC:
            ++t.clockSets;
            t.lastClockDigits = QByteArray(reinterpret_cast<const char*>(rx.data() + i + 6), 12);
            i += 18;
            continue;
        case 0xF7:
            ++t.blockReads;
            break;
        case 0x01:
            ++t.byteWrites;
            t.byteWriteAddresses.push_back(rx[i] << 8 | rx[i + 2]);
            break;
        default:
            break;
        }
        i += 6;
    }
    return t;
}

} // namespace

TEST_F(K6WindowFixture, ReadAndSendMoveTheImageWithEveryMethod) {
    struct Case {
        int type;
        int version;
        bool contactId;
        int reads;  // block reads
        int writes; // block writes
    };
    const Case cases[] = {
        {72, 84, true, 6 + 4, 6 + 5},  {73, 84, true, 6 + 4, 6 + 5}, {74, 84, true, 6 + 128 + 4, 6 + 128 + 5},
        {74, 84, false, 6 + 4, 6 + 5}, {72, 72, true, 0, 0},         {74, 72, true, 0, 128 + 5},
    };
    // The whole send of every method; the send by what changed has its own table
    // (tests/k6link/changed_send_test.cpp).
    setting("SendChangedOnly", QStringLiteral("0"));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " v" << c.version << (c.contactId ? " CID" : ""));
        module.withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(c.type == 74 ? 74 : c.type));
            m.setVersion(static_cast<std::uint8_t>(c.version));
            auto mem = m.memory();
            for (std::uint32_t a = 0x100; a < 0x110; ++a)
                mem[a] = '0' + a % 10; // phone number 1
            for (std::uint32_t a = 0x340000; a < 0x344000; a += 7)
                mem[a] = static_cast<std::uint8_t>(a >> 3);
            for (std::uint32_t a = 0x350000; a < 0x350400; ++a)
                mem[a] = static_cast<std::uint8_t>(a * 3);
        });
        connect();
        configWindow->Engine().SetModuleType(c.type);
        configWindow->LocalValues->setChecked("CheckBox14", c.contactId);
        configWindow->Clock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        const auto before = module.receivedBytes().size();

        configWindow->ReadClick();
        EXPECT_FALSE(configWindow->ReadButton->isEnabled());
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(configWindow->StatusPanel(3), "Összes adat kiolvasása sikeres!");
        EXPECT_TRUE(configWindow->ReadButton->isEnabled());
        EXPECT_FALSE(configWindow->TransferProgress->isVisible());
        EXPECT_EQ(configWindow->Values->text("MaskEdit1").left(4), "6789") << "the pages show what was read";
        std::vector<std::uint8_t> rx = module.receivedBytes();
        Traffic read = CountTraffic({rx.begin() + static_cast<long>(before), rx.end()});
        EXPECT_EQ(read.blockReads, c.reads);
        if (c.version >= 73) {
            const bool bank34 = c.type == 74 && c.contactId;
            EXPECT_EQ(engine().ConfigImage.at(0x340007), bank34 ? 0x340007 >> 3 & 0xFF : 0);
            EXPECT_EQ(engine().ConfigImage.at(0x350001), 3);
        }

        // Edit, send, and the module holds what the pages hold.
        configWindow->Values->setText("MaskEdit1", "+36301234567");
        const auto beforeSend = module.receivedBytes().size();
        configWindow->SendClick();
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(configWindow->StatusPanel(3), "Adatküldés sikeres!");
        rx = module.receivedBytes();
        Traffic sent = CountTraffic({rx.begin() + static_cast<long>(beforeSend), rx.end()});
        EXPECT_EQ(sent.blockWrites, c.writes);
        EXPECT_EQ(sent.clockSets, 1) << "the clock set follows every send";
        EXPECT_EQ(sent.lastClockDigits, "240305140709");
        const auto& image = engine().ConfigImage;
        module.withModule([&](sim::ModuleSim& m) {
            auto mem = m.memory();
            const std::uint32_t end = c.version >= 73 ? 1536 : 1024;
            for (std::uint32_t a = 0; a < end; ++a) {
                if (c.version < 73 && k6link::Engine::IsSkippedImageByte(static_cast<std::int32_t>(a), false))
                    continue;
                if (a == 254 || a == 255) continue; // identity registers
                ASSERT_EQ(mem[a], image.at(a)) << "address " << a;
            }
            if (c.writes > 0) {
                for (std::uint32_t a = 0x350000; a < 0x350500; ++a)
                    ASSERT_EQ(mem[a], image.at(a)) << std::hex << a;
            }
        });
        if (c.version < 73) {
            for (int a : sent.byteWriteAddresses) {
                EXPECT_FALSE(k6link::Engine::IsSkippedImageByte(a, false)) << a;
            }
            EXPECT_EQ(sent.byteWrites, 1024 - 3 - 16);
        }
        DestroyForms();
    }
}

TEST_F(K6WindowFixture, ClockSyncAndPstnSend) {
    connect();
    configWindow->Clock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
    configWindow->ClockSyncClick();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Óra szinkronizálása a PC órájával sikeres");
    module.withModule([](sim::ModuleSim& m) { EXPECT_EQ(m.clockDigits(), "240305140709"); });

    configWindow->Engine().SetModuleType(74);
    const auto before = module.receivedBytes().size();
    configWindow->PstnSendClick();
    ASSERT_TRUE(runToIdle());
    const std::vector<std::uint8_t> rx = module.receivedBytes();
    const Traffic t = CountTraffic({rx.begin() + static_cast<long>(before), rx.end()});
    EXPECT_EQ(t.byteWriteAddresses, (std::vector<int>{94, 95}));
    EXPECT_EQ(t.blockWrites, 0) << "the PSTN send goes straight to the clock set";
    EXPECT_EQ(t.clockSets, 1);
}

TEST_F(K6WindowFixture, SpoiltRepliesAreRepeatedAndASilentModuleLeavesTheTransferShowing) {
    connect();
    module.setFault(sim::Fault::WrongSum);
    configWindow->SendClick();
    runUntil([] { return false; }, 60);
    EXPECT_EQ(engine().OpState, 111) << "a wrong acknowledgement never advances the block";
    EXPECT_EQ(configWindow->StatusPanel(3), "Összes adat elküldése folyamatban...");
    EXPECT_FALSE(configWindow->SendButton->isEnabled());

    module.setFault(sim::Fault::Silent);
    configWindow->ReadClick();
    runUntil([] { return false; }, 60);
    EXPECT_EQ(engine().OpState, 110);
    EXPECT_TRUE(configWindow->TransferProgress->isVisible());
    EXPECT_FALSE(configWindow->ReadButton->isEnabled());

    // A new operation recovers.
    module.setFault(sim::Fault::None);
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Összes adat kiolvasása sikeres!");
}

// A transfer whose module stops answering goes on repeating its command, says after ten seconds
// without an answer (on the window's clock) that nothing answers, in the window's language, and
// "Leállítás" ends it with the buttons back. A module that answers is stopped after the block in
// flight.
TEST_F(K6WindowFixture, ASilentModuleIsToldAfterTenSecondsAndStopEndsTheTransfer) {
    connect();
    std::int64_t now = 0;
    configWindow->MonotonicMs = [&now] { return now; };
    struct Case {
        const char* name;
        const char* language;
        bool send;
        bool silent;
        const char* running; // status panel 3 while it runs
        const char* notice;
        const char* stopped;
    };
    const Case cases[] = {
        {"read, English", "1", false, true, "Reading all data...", "No answer from the module: check the cable and its power",
         "Operation stopped."},
        {"send, German", "2", true, true, nullptr, "Keine Antwort vom Modul: Kabel und Stromversorgung prüfen",
         "Vorgang angehalten."},
        {"read, Czech", "7", false, true, nullptr, "Modul neodpovídá: zkontrolujte kabel a jeho napájení",
         "Operace zastavena."},
        {"read of an answering module, Czech", "7", false, false, nullptr, nullptr, "Operace zastavena."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setting("Language", QString::fromLatin1(c.language));
        RunStartLanguagePass(*configWindow);
        module.setFault(c.silent ? sim::Fault::Silent : sim::Fault::None);
        const std::size_t sentBefore = module.receivedBytes().size();
        if (c.send)
            configWindow->SendClick();
        else
            configWindow->ReadClick();
        ASSERT_NE(engine().OpState, k6state::Idle);
        const QString running = configWindow->StatusPanel(3);
        if (c.running) {
            EXPECT_EQ(running, QString::fromUtf8(c.running));
        }
        EXPECT_TRUE(configWindow->StopButton->isVisible());
        EXPECT_FALSE(configWindow->ReadButton->isEnabled());
        if (c.silent) {
            // 100 ms a tick: short of ten seconds from the first tick nothing is said yet.
            const std::int64_t started = now;
            runUntil([&] {
                now += 100;
                return now - started >= k6link::AnswerWatch::kLimitMs;
            });
            EXPECT_EQ(configWindow->StatusPanel(3), running);
            now += 200;
            configWindow->EngineTick();
            EXPECT_EQ(configWindow->StatusPanel(3), QString::fromUtf8(c.notice));
            EXPECT_NE(engine().OpState, k6state::Idle) << "the engine goes on repeating its command";
            EXPECT_GT(module.receivedBytes().size(), sentBefore + 6) << "the command is repeated on the wire";
            configWindow->StopButton->click();
            EXPECT_EQ(engine().OpState, k6state::Idle) << "a silent module is stopped at once";
        } else {
            // The replies of an unpaced module come in one go: stopped before the first tick, the
            // first block is read and nothing after it.
            configWindow->StopButton->click();
            ASSERT_TRUE(runToIdle());
            EXPECT_EQ(engine().BlockIndex, 16) << "the block in flight is finished, no other is asked for";
        }
        EXPECT_EQ(configWindow->StatusPanel(3), QString::fromUtf8(c.stopped));
        EXPECT_TRUE(configWindow->ReadButton->isEnabled());
        EXPECT_TRUE(configWindow->SendButton->isEnabled());
        EXPECT_FALSE(configWindow->TransferProgress->isVisible());
        EXPECT_FALSE(configWindow->StopButton->isVisible());
        settle();
    }
    // The next transfer runs as ever.
    module.setFault(sim::Fault::None);
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Všechna data úspěšně načtena!");
}

// Unsent edits are not lost unasked: "Olvasás", "Megnyitás fájlból", restoring a backup and
// "Kilépés" ask "send / discard / cancel" first. Cancel keeps the edit and does nothing; discard
// goes on; send starts the send (the module then holds the edit) and the action waits. Without an
// edit, or with ConfirmSend "0", nothing is asked.
TEST_F(K6WindowFixture, UnsentEditsAreAskedAboutBeforeTheyAreReplaced) {
    connect();
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    const QString edited = QStringLiteral("36301234567");
    const QString asRead = configWindow->Values->text("MaskEdit2");
    ASSERT_NE(asRead, edited);
    // A file holding what was read.
    const QString file = startDir.path() + QStringLiteral("/read.dat");
    K6FileCommands::FileDialogHook = [&](bool, const QString&, const QStringList&, const QString&, int& filter) {
        filter = 0;
        return file;
    };
    configWindow->SaveFileClick();
    ASSERT_TRUE(QFile::exists(file));
    K6BackupSide::RestoreHook = [](const QStringList&) { return 0; };
    // The module's bytes of phone number 2 as read.
    std::vector<std::uint8_t> held;
    module.withModule([&](sim::ModuleSim& m) {
        for (std::uint32_t a = 0x110; a < 0x120; ++a)
            held.push_back(m.memory()[a]);
    });
    ASSERT_NE(held[3], '0');

    enum class Action { Read, Open, Restore, Exit };
    struct Case {
        const char* name;
        Action action;
        bool edit;
        const char* confirmSend;
        QMessageBox::StandardButton answer; // NoButton: nothing is asked
    };
    const Case cases[] = {
        {"read, cancel", Action::Read, true, "1", QMessageBox::Cancel},
        {"read, send", Action::Read, true, "1", QMessageBox::Save},
        {"read, discard", Action::Read, true, "1", QMessageBox::Discard},
        {"read without an edit", Action::Read, false, "1", QMessageBox::NoButton},
        {"read with ConfirmSend 0", Action::Read, true, "0", QMessageBox::NoButton},
        {"open, cancel", Action::Open, true, "1", QMessageBox::Cancel},
        {"open, send", Action::Open, true, "1", QMessageBox::Save},
        {"open, discard", Action::Open, true, "1", QMessageBox::Discard},
        {"restore, cancel", Action::Restore, true, "1", QMessageBox::Cancel},
        {"restore, discard", Action::Restore, true, "1", QMessageBox::Discard},
        {"restore with ConfirmSend 0", Action::Restore, true, "0", QMessageBox::NoButton},
        {"exit, cancel", Action::Exit, true, "1", QMessageBox::Cancel},
        {"exit, send", Action::Exit, true, "1", QMessageBox::Save},
        {"exit, discard", Action::Exit, true, "1", QMessageBox::Discard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setting("ConfirmSend", QString::fromLatin1(c.confirmSend));
        // The module holds what was read, the pages that or the edit.
        configWindow->Values->setText("MaskEdit2", asRead);
        configWindow->MarkEditsKept();
        module.withModule([&](sim::ModuleSim& m) {
            for (std::uint32_t a = 0x110; a < 0x120; ++a)
                m.memory()[a] = held[a - 0x110];
        });
        if (c.edit) configWindow->Values->setText("MaskEdit2", edited);
        shown.clear();
        answers = {c.answer};
        bool closed = false;
        switch (c.action) {
        case Action::Read:
            configWindow->ReadClick();
            break;
        case Action::Open:
            configWindow->OpenFileClick();
            break;
        case Action::Restore:
            configWindow->Backups->RestoreClick();
            break;
        case Action::Exit:
            closed = configWindow->close();
            break;
        }
        if (c.answer == QMessageBox::NoButton) {
            EXPECT_TRUE(shown.empty());
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0], configWindow->Texts.UnsentEdits);
        }
        const bool goesOn = c.answer == QMessageBox::Discard || c.answer == QMessageBox::NoButton;
        const bool sends = c.answer == QMessageBox::Save;
        EXPECT_EQ(closed, c.action == Action::Exit && goesOn);
        if (closed) break; // the last case
        if (c.action == Action::Read || sends) {
            EXPECT_EQ(engine().OpState != k6state::Idle, goesOn || sends);
            ASSERT_TRUE(runToIdle());
        }
        // The action replaced the edit with what was read, or the edit stays (and was sent).
        EXPECT_EQ(configWindow->Values->text("MaskEdit2"), goesOn && c.edit ? asRead : (c.edit ? edited : asRead));
        module.withModule([&](sim::ModuleSim& m) { EXPECT_EQ(m.memory()[0x110 + 3] == '0', sends); });
        EXPECT_FALSE(configWindow->HasUnsentEdits() && !c.edit) << "a read or a file leaves nothing unsent";
    }
    K6FileCommands::FileDialogHook = nullptr;
    K6BackupSide::RestoreHook = nullptr;
}

// The tab bar after an early page is chosen, the notice of a silent module and the list of changes
// after a second send, in German and Czech, for looking at:
// ui_k6_window_tests --gtest_also_run_disabled_tests --gtest_filter='*SaveFirstHourScreenshots'
TEST_F(K6WindowFixture, DISABLED_SaveFirstHourScreenshots) {
    const QString dir = qEnvironmentVariable("DALVEX_SCREENSHOTS", QStringLiteral("/tmp/shots39"));
    QDir().mkpath(dir);
    connect();
    std::int64_t now = 0;
    configWindow->MonotonicMs = [&now] { return now; };
    configWindow->resize(1270, 720);
    configWindow->show();
    for (const auto& [language, name] : {std::pair{"2", "de"}, std::pair{"7", "cs"}}) {
        setting("Language", QString::fromLatin1(language));
        RunStartLanguagePass(*configWindow);
        module.setFault(sim::Fault::None);
        configWindow->ReadClick();
        ASSERT_TRUE(runToIdle());
        configWindow->PageTabs->setCurrentWidget(configWindow->Page(QStringLiteral("TabSheet1")));
        QApplication::processEvents();
        EXPECT_TRUE(configWindow->grab().save(QStringLiteral("%1/tabs_%2.png").arg(dir, QString::fromLatin1(name))));

        module.setFault(sim::Fault::Silent);
        configWindow->ReadClick();
        runUntil([&] {
            now += 100;
            return configWindow->StatusPanel(3) == configWindow->Texts.NoAnswer;
        });
        QApplication::processEvents();
        EXPECT_TRUE(configWindow->grab().save(QStringLiteral("%1/stuck_%2.png").arg(dir, QString::fromLatin1(name))));
        configWindow->StopButton->click();
        module.setFault(sim::Fault::None);
        settle();

        // Two sends, the second one's list shown by the window's own dialog.
        configWindow->Values->setText("MaskEdit2", QStringLiteral("36301234567"));
        configWindow->Values->setIndex("ComboBox1", 3);
        configWindow->SendClick();
        ASSERT_TRUE(runToIdle());
        configWindow->Values->setText("MaskEdit2", QStringLiteral("36309999999"));
        configWindow->Values->setIndex("BE1inv", 1 - configWindow->Values->index("BE1inv"));
        const auto hook = ConfigWindow::MessageBoxHook;
        ConfigWindow::MessageBoxHook = nullptr;
        bool grabbed = false;
        QTimer::singleShot(200, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                grabbed = d->grab().save(QStringLiteral("%1/changes_%2.png").arg(dir, QString::fromLatin1(name)));
                d->reject();
            }
        });
        configWindow->SendClick();
        ConfigWindow::MessageBoxHook = hook;
        EXPECT_TRUE(grabbed);
        settle();

        // The small windows: the status window as a poll leaves it, GSM information, the door phone.
        k6link::StatusBytes polled{};
        polled[1] = 1, polled[3] = 18;
        polled[5] = '0', polled[6] = '9', polled[7] = '1', polled[8] = '5';
        statusWindow->Refresh(polled);
        const std::pair<QWidget*, const char*> windows[] = {
            {statusWindow.operator->(), "status"}, {gsmInfoWindow.operator->(), "gsm"}, {doorPhoneWindow.operator->(), "door"}};
        for (const auto& [window, file] : windows)
            EXPECT_TRUE(window->grab().save(QStringLiteral("%1/%2_%3.png").arg(dir, QString::fromLatin1(file), QString::fromLatin1(name))));
    }
}
