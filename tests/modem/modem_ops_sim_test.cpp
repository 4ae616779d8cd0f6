// The modem operations through the engine and the simulated module with its GSM modem on the
// in-process line: the test ticks the engine itself and the module's answers come on the line's
// own clock.

#include "k6link/modem_mode.h"
#include "k6link/modem_ops.h"
#include "sim/gsm_modem.h"
#include "tests/support/sim_rig.h"

#include <algorithm>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace dalvex;
using namespace dalvex::k6link;

namespace {

struct ModemOpsWithModule : ::testing::Test {
    dalvex::test::SimRig rig;
    Engine& engine = rig.engine;
    dalvex::test::RecordingEngineHost& host = rig.host;
    dalvex::test::RecordingModemHost modemHost;
    ModemMode modemMode{engine};
    ModemOps ops{engine, modemMode, modemHost};

    void TearDown() override { EXPECT_EQ(modemHost.outside, 0) << "rows or fields outside the grid"; }

    // Ticks the engine as its timer would until `done`.
    template <typename Pred> bool runUntil(Pred done, int maxTicks = 3000) { return rig.run(done, maxTicks); }
    bool runToIdle() {
        return runUntil([&] { return engine.OpState == 0; });
    }
    // What the module received, as text.
    std::string received() {
        const auto b = rig.receivedBytes();
        return std::string(b.begin(), b.end());
    }
    // The modem lines the module passed to its modem.
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        rig.withModule([&](sim::ModuleSim& m) { out = m.modem().lines(); });
        return out;
    }
    template <typename Fn> void withModem(Fn fn) {
        rig.withModule([&](sim::ModuleSim& m) { fn(m.modem()); });
    }
    // The last line the modem got (an operation that awaits no answer is idle once its line has
    // gone out).
    std::string lastLine() {
        rig.settle();
        const auto l = lines();
        return l.empty() ? std::string() : l.back();
    }
};

std::vector<std::string> ReadLines(int from, int to) {
    std::vector<std::string> out{"AT", "AT+CPBS=\"SM\""};
    for (int i = from; i <= to; ++i)
        out.push_back("AT+CPBR=" + ThreeDigits(i).toStdString());
    return out;
}

} // namespace

TEST_F(ModemOpsWithModule, ReadOfASimWithThreeEntriesStopsAfterIndexTwenty) {
    withModem([](sim::GsmModem& m) {
        m.setEntry(1, {"+36301112222", "Anna"});
        m.setEntry(2, {"06201234567", ""});
        m.setEntry(3, {"+3670555", "\xC1rp\xE1"
                                   "d"}); // Árpád in Windows-1250
    });
    modemHost.grid[5] = {"9", "old", "stale"};
    ops.StartPhonebookRead();
    EXPECT_TRUE(modemHost.progressVisible);
    EXPECT_FALSE(modemHost.writeEnabled);
    EXPECT_TRUE(modemHost.grid[5][1].isEmpty()) << "the grid is cleared first";
    ASSERT_TRUE(runToIdle());

    EXPECT_EQ(lines(), ReadLines(1, 20));
    EXPECT_EQ(modemHost.grid[1], (std::array<QString, 3>{"1", "+36301112222", "Anna"}));
    EXPECT_EQ(modemHost.grid[2], (std::array<QString, 3>{"2", "06201234567", ""}));
    EXPECT_EQ(modemHost.grid[3], (std::array<QString, 3>{"3", "+3670555", QString::fromUtf8("Árpád")}));
    EXPECT_TRUE(modemHost.grid[4][0].isEmpty());
    EXPECT_EQ(modemHost.progress, 20);
    EXPECT_FALSE(modemHost.progressVisible);
    EXPECT_TRUE(modemHost.writeEnabled && modemHost.readEnabled);
    EXPECT_EQ(host.panels[3], ops.Texts.PhonebookReadDone);
}

TEST_F(ModemOpsWithModule, EntriesBeyondAGapAreCollectedIntoConsecutiveRows) {
    withModem([](sim::GsmModem& m) {
        m.setEntry(2, {"222", "B"});
        m.setEntry(20, {"2020", "X"});
        m.setEntry(21, {"2121", "Y"});
        m.setEntry(23, {"2323", "never read"});
    });
    ops.StartPhonebookRead();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(modemHost.grid[1][0], "2");
    EXPECT_EQ(modemHost.grid[2][0], "20");
    EXPECT_EQ(modemHost.grid[3][0], "21");
    EXPECT_TRUE(modemHost.grid[4][0].isEmpty()) << "index 22 is empty and ends the read";
    EXPECT_EQ(lines().back(), "AT+CPBR=022");
}

TEST_F(ModemOpsWithModule, UnsolicitedLinesAndErrorsNeitherCrashNorCorruptTheGrid) {
    withModem([](sim::GsmModem& m) {
        m.fillPhonebook(3);
        // A RING between the echo and the answer of the lines for indices 2 and 3 and the first
        // empty one; the read repeats what it cannot take.
        m.setFault(sim::ModemFault::Unsolicited, 3, 3);
    });
    rig.setFault(sim::Fault::Split); // and every answer arrives in pieces
    ops.StartPhonebookRead();
    ASSERT_TRUE(runToIdle());
    for (int i = 1; i <= 3; ++i) {
        const QString n = QString::number(i);
        EXPECT_EQ(modemHost.grid[static_cast<std::size_t>(i)],
                  (std::array<QString, 3>{n, "+3630100" + n.rightJustified(4, '0'), "Name " + n}));
    }
    EXPECT_TRUE(modemHost.grid[4][1].isEmpty());
    EXPECT_EQ(lines().back(), "AT+CPBR=020");
    const auto all = lines();
    EXPECT_EQ(std::count(all.begin(), all.end(), "AT+CPBR=004"), 2)
        << "the empty entry behind a RING is asked again";
}

TEST_F(ModemOpsWithModule, WriteSendsEveryRowWithANumberAndNamesEmptyOnesAfterTheirIndex) {
    modemHost.grid[1] = {"", "+36301112222", QString::fromUtf8("Kovács")};
    modemHost.grid[12] = {"", "+3620555", ""};
    modemHost.grid[13] = {"", "", "a name without a number"};
    modemHost.grid[250] = {"", "250250", "never"};
    ASSERT_TRUE(ops.StartPhonebookWrite());
    ASSERT_TRUE(runToIdle());
    const std::vector<std::string> expected = {"AT", "AT+CPBS=\"SM\"",
                                               "AT+CPBW=001,\"+36301112222\",129,\"Kov\xE1"
                                               "cs\"",
                                               "AT+CPBW=012,\"+3620555\",129,\"SIM12\""};
    EXPECT_EQ(lines(), expected);
    withModem([](sim::GsmModem& m) {
        EXPECT_EQ(m.entry(12), (sim::PhonebookEntry{"+3620555", "SIM12"}));
        EXPECT_FALSE(m.entry(13));
        EXPECT_EQ(m.usedEntries(), 2);
    });
    EXPECT_EQ(host.panels[3], ops.Texts.PhonebookWriteDone);
    EXPECT_EQ(modemHost.progress, 249);
    EXPECT_TRUE(modemHost.writeEnabled);
}

TEST_F(ModemOpsWithModule, PhonebookNumbersTypedWithSeparatorsAreWrittenAsDigitsAndStayAsTyped) {
    modemHost.grid[1] = {"", "+36 (30) 111-2222", "Anna"};
    modemHost.grid[2] = {"", "06-20/555.123", ""};
    modemHost.grid[3] = {"", "0630", "Cili"};
    ASSERT_TRUE(ops.StartPhonebookWrite());
    // Row 3 is edited after the write has begun: each row is read and checked again when its turn
    // comes.
    modemHost.grid[3][1] = "06 30 x1";
    ASSERT_TRUE(runToIdle());
    const std::vector<std::string> expected = {"AT", "AT+CPBS=\"SM\"",
                                               "AT+CPBW=001,\"+36301112222\",129,\"Anna\"",
                                               "AT+CPBW=002,\"0620555123\",129,\"SIM2\""};
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(host.messages, std::vector<QString>{ops.Texts.BadRowNumber.arg(3)});
    withModem([](sim::GsmModem& m) {
        EXPECT_EQ(m.entry(1), (sim::PhonebookEntry{"+36301112222", "Anna"}));
        EXPECT_FALSE(m.entry(3));
        EXPECT_EQ(m.usedEntries(), 2);
    });
    EXPECT_EQ(modemHost.grid[1][1], "+36 (30) 111-2222");
    EXPECT_EQ(modemHost.grid[2][1], "06-20/555.123");
    EXPECT_EQ(modemHost.grid[3][1], "06 30 x1");
    EXPECT_FALSE(modemHost.progressVisible);
    EXPECT_TRUE(modemHost.writeEnabled);
}

TEST_F(ModemOpsWithModule, TestNumbersTypedWithSeparatorsGoOutAsDigits) {
    const struct {
        const char* what;
        std::function<bool()> start;
        std::string line;
    } cases[] = {
        {"data call", [&] { return ops.StartDataCall("06 (30) 123-4567"); }, "ATD06301234567"},
        {"voice call", [&] { return ops.StartVoiceCall("+36 30/123.4567"); }, "ATD+36301234567;"},
        {"SMS test", [&] { return ops.StartSmsTest("+36-30-123 45 67"); }, "AT+CMGS=\"+36301234567\""},
        {"service centre", [&] { return ops.StartServiceCentre("+36 (30) 303-0999"); },
         "AT+CSCA=\"+36303030999\",145"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.start()) << c.what;
        ASSERT_TRUE(runToIdle()) << c.what;
        // A test call awaits no answer: the engine is idle once its line has gone out.
        EXPECT_TRUE(rig.settledTo([&] {
            const auto l = lines();
            return std::find(l.begin(), l.end(), c.line) != l.end();
        })) << c.what
            << ": " << c.line;
    }
    EXPECT_TRUE(host.messages.empty());
    withModem([](sim::GsmModem& m) {
        ASSERT_EQ(m.sentSms().size(), 1u);
        EXPECT_EQ(m.sentSms()[0].number, "+36301234567");
        EXPECT_EQ(m.identity().serviceCentre, "+36303030999");
    });
}

TEST_F(ModemOpsWithModule, TypedTextThatWouldSmuggleACommandIsRefusedWithNothingSent) {
    struct Case {
        const char* what;
        std::function<bool()> start;
        QString message;
    };
    modemHost.grid[4] = {"", "0630", "Anna\"\r\nAT+CLCK=\"SC\",1,\"0000\""};
    const std::vector<Case> cases = {
        {"phonebook name with a quote and CR LF", [&] { return ops.StartPhonebookWrite(); },
         ops.Texts.BadRowName.arg(4)},
        {"phonebook number with CR",
         [&] {
             modemHost.grid[4] = {"", "0630\rATZ", "Anna"};
             return ops.StartPhonebookWrite();
         },
         ops.Texts.BadRowNumber.arg(4)},
        {"phonebook number with separators and a letter, behind a good row with separators",
         [&] {
             modemHost.grid[2] = {"", "+36 (30) 111-2222", "Anna"};
             modemHost.grid[4] = {"", "06-30 12x4", "Anna"};
             return ops.StartPhonebookWrite();
         },
         ops.Texts.BadRowNumber.arg(4)},
        {"phonebook number of separators only",
         [&] {
             modemHost.grid[4] = {"", " - ", "Anna"};
             return ops.StartPhonebookWrite();
         },
         ops.Texts.BadRowNumber.arg(4)},
        {"dial number with a quote", [&] { return ops.StartDataCall("06\";+CLCK"); }, ops.Texts.BadNumber},
        {"voice number with 0x1A", [&] { return ops.StartVoiceCall("06\x1A"); }, ops.Texts.BadNumber},
        {"SMS number with a quote", [&] { return ops.StartSmsTest("0630\""); }, ops.Texts.BadNumber},
        {"voice number with separators and a semicolon", [&] { return ops.StartVoiceCall("06-30 123;H"); },
         ops.Texts.BadNumber},
        {"data call number of brackets only", [&] { return ops.StartDataCall("( )"); }, ops.Texts.BadNumber},
        {"service centre with separators and a comma", [&] { return ops.StartServiceCentre("+36 20,129"); },
         ops.Texts.BadNumber},
        {"service centre with CR LF", [&] { return ops.StartServiceCentre("+3620\r\nATD112;"); },
         ops.Texts.BadNumber},
        {"service centre empty", [&] { return ops.StartServiceCentre(""); }, ops.Texts.NoNumber},
        {"PIN of three digits", [&] { return ops.StartPinSwitchOff("123"); }, ops.Texts.WrongPin},
        {"PIN of five digits", [&] { return ops.StartPinSwitchOff("12345"); }, ops.Texts.WrongPin},
        {"PIN with a quote", [&] { return ops.StartPinSwitchOff("12\"4"); }, ops.Texts.WrongPin},
    };
    for (const Case& c : cases) {
        host.messages.clear();
        EXPECT_FALSE(c.start()) << c.what;
        EXPECT_EQ(engine.OpState, 0) << c.what;
        ASSERT_EQ(host.messages.size(), 1u) << c.what;
        EXPECT_EQ(host.messages[0], c.message) << c.what;
    }
    host.messages.clear();
    EXPECT_FALSE(ops.StartSmsTest("")) << "an empty SMS number starts nothing, silently";
    EXPECT_TRUE(host.messages.empty());
    rig.tick();
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_TRUE(received().empty());
}

TEST_F(ModemOpsWithModule, PinIsSwitchedOffWithTheRightPin) {
    ASSERT_TRUE(ops.StartPinSwitchOff("1234"));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(host.panels[3], ops.Texts.PinOff);
    EXPECT_TRUE(host.messages.empty());
    withModem([](sim::GsmModem& m) { EXPECT_FALSE(m.pinLock()); });
    EXPECT_EQ(lines(), (std::vector<std::string>{"AT", "AT+CPIN=\"1234\"", "AT+CLCK=\"SC\",0,\"1234\""}));
}

TEST_F(ModemOpsWithModule, AWrongPinGivesUpAfterItsPasses) {
    ASSERT_TRUE(ops.StartPinSwitchOff("0000"));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(host.panels[3], ops.Texts.PinFailed);
    EXPECT_EQ(host.messages, std::vector<QString>{ops.Texts.PinError});
    EXPECT_EQ(lines(), (std::vector<std::string>{"AT", "AT+CPIN=\"0000\""})) << "the CPIN line is sent once";
    withModem([](sim::GsmModem& m) { EXPECT_TRUE(m.pinLock()); });
}

TEST_F(ModemOpsWithModule, CallAndSmsTests) {
    ASSERT_TRUE(ops.StartDataCall(""));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(lastLine(), "ATD") << "an empty number still sends the bare D line";
    EXPECT_EQ(host.panels[3], ops.Texts.TestSend);
    ASSERT_TRUE(ops.StartVoiceCall("+36301234567"));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(lastLine(), "ATD+36301234567;");

    ASSERT_TRUE(ops.StartSmsTest("+36301234567"));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(host.panels[3], ops.Texts.TestSmsSending);
    EXPECT_TRUE(rig.settledTo([&] {
        bool sent = false;
        withModem([&](sim::GsmModem& m) { sent = !m.sentSms().empty(); });
        return sent;
    }));
    withModem([](sim::GsmModem& m) {
        EXPECT_EQ(m.sentSms()[0].number, "+36301234567");
        EXPECT_EQ(m.sentSms()[0].text, "Teszt SMS");
    });
}

TEST_F(ModemOpsWithModule, ImeiIsShownInAMessage) {
    ops.StartImei();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(host.messages, std::vector<QString>{"Imei szám: 356938035643809\r"});
}

TEST_F(ModemOpsWithModule, GsmResetEndsInTheStatusReadAndRests) {
    ops.StartGsmReset();
    ASSERT_TRUE(runUntil([&] { return engine.OpState == state::GsmResetDone; }));
    const SixByteFrame status = Frame(2, Cmd::ReadStatus, 0, 0);
    EXPECT_TRUE(rig.settledTo(
        [&] { return received().ends_with(std::string(status.bytes.begin(), status.bytes.end())); }));
    EXPECT_EQ(lines(), (std::vector<std::string>{"AT", "ATZ", "AT+COLP=0"}));
    EXPECT_TRUE(rig.settledTo([&] {
        bool active = true;
        withModem([&](sim::GsmModem& m) { active = m.active(); });
        return !active;
    })) << "the status read takes the module out of modem mode";
    rig.ticks(20);
    EXPECT_EQ(engine.OpState, state::GsmResetDone);
    EXPECT_TRUE(rig.port.IsOpen());
}

TEST_F(ModemOpsWithModule, GsmInformationFillsSevenFieldsAndRetriesAnError) {
    withModem([](sim::GsmModem& m) { m.setFault(sim::ModemFault::Error, 3, 1); }); // the jammer query, once
    modemHost.fields[4] = "old";
    ops.StartGsmInfo();
    EXPECT_TRUE(modemHost.fields[4].isEmpty());
    EXPECT_EQ(engine.OpState, state::ModemSwitch);
    EXPECT_TRUE(received().empty()) << "the first frame waits for the tick";
    ASSERT_TRUE(runToIdle());
    const std::array<QString, 9> expected = {"",
                                             "",
                                             "Revision:1137B10SIM900M64_ST",
                                             "Enabled",
                                             "356938035643809",
                                             "216301234567890",
                                             "+36209300099\",145",
                                             "EGSM_DCS_MODE",
                                             "0,\"Sim Mobile HU\""};
    EXPECT_EQ(modemHost.fields, expected);
}

TEST_F(ModemOpsWithModule, ServiceCentreIsSetAndTheStatusLabelSaysSo) {
    ASSERT_TRUE(ops.StartServiceCentre("+36303030999"));
    EXPECT_EQ(modemHost.serviceStatus, ops.Texts.ServiceCentreRunning);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(modemHost.serviceStatus, ops.Texts.ServiceCentreDone);
    EXPECT_EQ(lines().back(), "AT+CSCA=\"+36303030999\",145");
    withModem([](sim::GsmModem& m) { EXPECT_EQ(m.identity().serviceCentre, "+36303030999"); });
}

TEST_F(ModemOpsWithModule, WithoutAModuleThePhonebookKeepsItsRowsAndButtons) {
    engine.DemoMode = true;
    modemHost.grid[1] = {"1", "0630", "Anna"};
    ops.StartPhonebookRead();
    EXPECT_FALSE(ops.StartPhonebookWrite());
    engine.tick();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(modemHost.grid[1][1], "0630");
    EXPECT_FALSE(modemHost.progressVisible);
    EXPECT_TRUE(modemHost.writeEnabled);
    EXPECT_TRUE(received().empty());
}
