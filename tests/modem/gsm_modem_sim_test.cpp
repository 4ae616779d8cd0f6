// The simulated module's modem mode: the switch into it, the modem's answers with echo, the
// phonebook, PIN, SMS and the ways back to frames, fed through the module as the PC sends them.

#include "sim/gsm_modem.h"
#include "sim/module_sim.h"
#include "sim/pty_module.h"
#include "tests/sim/pc_port.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dalvex::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const auto f = SixByteFrame::make(b0, b1, b2, b3);
    return Bytes(f.bytes.begin(), f.bytes.end());
}

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

Bytes bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct GsmModemSim : ::testing::Test {
    ModuleSim sim;
    GsmModem& modem = sim.modem();

    void SetUp() override { ASSERT_EQ(sim.feed(frame(0, 0xFD, 0, 7)), frame(0xAB, 0xFD, 0, 7)); }
    std::string line(const std::string& s) { return text(sim.feed(bytes(s))); }
};

TEST(GsmModemMode, FramesGoToTheModuleUntilTheSwitch) {
    ModuleSim sim;
    EXPECT_FALSE(sim.modem().active());
    EXPECT_TRUE(sim.feed(bytes("AT\r")).empty());
    // A monitor off outside modem mode is answered too (closing the SMS service-centre window).
    EXPECT_EQ(sim.feed(frame(0, 0xFB, 0, 0)), frame(0xAB, 0xAC, 0, 0));
    EXPECT_EQ(sim.feed(frame(0, 0xFD, 0, 0)), frame(0xAB, 0xFD, 0, 0));
    EXPECT_TRUE(sim.modem().active());
    EXPECT_TRUE(sim.rawMode());
}

TEST_F(GsmModemSim, AnswersEachLineWithItsEchoThenTheAnswer) {
    struct Case {
        std::string sent;
        std::string answer;
    };
    const ModemIdentity& id = modem.identity();
    const std::vector<Case> cases = {
        {"AT\r", "AT\r\r\nOK\r\n"},
        {"AT+CPBS=\"SM\"\r\n", "AT+CPBS=\"SM\"\r\r\nOK\r\n"}, // the LF after CR is no line
        {"AT+CGSN\r", "AT+CGSN\r\r\n" + id.imei + "\r\n\r\nOK\r\n"},
        {"AT+CGMR\r", "AT+CGMR\r\r\n" + id.revision + "\r\n\r\nOK\r\n"},
        {"AT+SJDR?\r", "AT+SJDR?\r\r\n+SJDR: 1,0,255,0\r\n\r\nOK\r\n"},
        {"AT+CIMI\r", "AT+CIMI\r\r\n" + id.imsi + "\r\n\r\nOK\r\n"},
        {"AT+CSCA?\r", "AT+CSCA?\r\r\n+CSCA: \"" + id.serviceCentre + "\",145\r\n\r\nOK\r\n"},
        {"AT+CBAND?\r", "AT+CBAND?\r\r\n+CBAND: " + id.band + "\r\n\r\nOK\r\n"},
        {"AT+COPS?\r", "AT+COPS?\r\r\n+COPS: 0,0,\"" + id.operatorName + "\"\r\n\r\nOK\r\n"},
        {"ATZ\r", "ATZ\r\r\nOK\r\n"},
        {"AT+COLP=0\r", "AT+COLP=0\r\r\nOK\r\n"},
        {"ATD+36301234567;\r", "ATD+36301234567;\r\r\nOK\r\n"},
        {"ATD\r", "ATD\r\r\nERROR\r\n"},
        {"AT+BOGUS\r", "AT+BOGUS\r\r\nERROR\r\n"},
        {"\x01garbage before AT\r", "AT\r\r\nOK\r\n"}, // "garbage before " is dropped up to "AT"
    };
    for (const Case& c : cases)
        EXPECT_EQ(line(c.sent), c.answer) << c.sent;
    EXPECT_EQ(modem.resets(), 1);
    EXPECT_EQ(modem.dialled(), (std::vector<std::string>{"+36301234567;", ""}));
}

TEST_F(GsmModemSim, PhonebookReadsWritesAndRefusesBadEntries) {
    modem.setEntry(1, {"+36301112222", "Anna"});
    modem.setEntry(3, {"06301234", ""});
    EXPECT_EQ(line("AT+CPBR=001\r"), "AT+CPBR=001\r\r\n+CPBR: 1,\"+36301112222\",145,\"Anna\"\r\n\r\nOK\r\n");
    EXPECT_EQ(line("AT+CPBR=002\r"), "AT+CPBR=002\r\r\nOK\r\n");
    EXPECT_EQ(line("AT+CPBR=003\r"), "AT+CPBR=003\r\r\n+CPBR: 3,\"06301234\",129,\"\"\r\n\r\nOK\r\n");
    EXPECT_EQ(line("AT+CPBR=251\r"), "AT+CPBR=251\r\r\nERROR\r\n");

    EXPECT_EQ(line("AT+CPBW=012,\"+3620555\",129,\"SIM12\"\r"),
              "AT+CPBW=012,\"+3620555\",129,\"SIM12\"\r\r\nOK\r\n");
    EXPECT_EQ(modem.entry(12), (PhonebookEntry{"+3620555", "SIM12"}));
    // A quote inside the name, a letter in the number, a name too long: refused, nothing stored.
    EXPECT_TRUE(line("AT+CPBW=013,\"1\",129,\"a\"b\"\r").ends_with("\r\nERROR\r\n"));
    EXPECT_TRUE(line("AT+CPBW=013,\"12x\",129,\"a\"\r").ends_with("\r\nERROR\r\n"));
    EXPECT_TRUE(line("AT+CPBW=013,\"1\",129,\"" + std::string(34, 'n') + "\"\r").ends_with("\r\nERROR\r\n"));
    EXPECT_FALSE(modem.entry(13));
}

TEST_F(GsmModemSim, PinSwitchOffNeedsTheRightPinAndWrongOnesBlockTheSim) {
    EXPECT_EQ(line("AT+CPIN=\"1234\"\r"), "AT+CPIN=\"1234\"\r\r\nOK\r\n");
    const std::string clck = "AT+CLCK=\"SC\",0,\"1234\"\r";
    ASSERT_EQ(clck.size(), 22u);
    const std::string answer = line(clck);
    EXPECT_EQ(answer.size(), 28u);
    EXPECT_EQ(answer.substr(24, 2), "OK");
    EXPECT_FALSE(modem.pinLock());

    for (int i = 0; i < kPinAttempts; ++i)
        EXPECT_EQ(line("AT+CPIN=\"0000\"\r").substr(17), "ERROR\r\n");
    EXPECT_TRUE(modem.simBlocked());
    EXPECT_EQ(line("AT+CPIN=\"1234\"\r").substr(17), "ERROR\r\n");
}

TEST_F(GsmModemSim, SmsTextRunsToCtrlZ) {
    EXPECT_EQ(line("AT+CMGS=\"+36301234567\"\r"), "AT+CMGS=\"+36301234567\"\r\r\n> ");
    EXPECT_TRUE(line("Teszt").empty());
    EXPECT_EQ(line(" SMS\x1A"), "Teszt SMS\r\n+CMGS: 1\r\n\r\nOK\r\n");
    ASSERT_EQ(modem.sentSms().size(), 1u);
    EXPECT_EQ(modem.sentSms()[0].number, "+36301234567");
    EXPECT_EQ(modem.sentSms()[0].text, "Teszt SMS");
    EXPECT_EQ(line("AT+CMGS=\"\"\r"), "AT+CMGS=\"\"\r\r\nERROR\r\n");
}

TEST_F(GsmModemSim, FailureModesStrikeAfterTheirCount) {
    modem.setFault(ModemFault::Error, 1, 1);
    EXPECT_EQ(line("AT+CGSN\r").substr(0, 10), "AT+CGSN\r\r\n");
    EXPECT_EQ(line("AT+CGSN\r"), "AT+CGSN\r\r\nERROR\r\n");
    EXPECT_NE(line("AT+CGSN\r").find("OK"), std::string::npos); // healthy again

    modem.setFault(ModemFault::NoAnswer, 0, 1);
    EXPECT_EQ(line("AT\r"), "");
    EXPECT_EQ(line("AT\r"), "AT\r\r\nOK\r\n");

    modem.setFault(ModemFault::Unsolicited, 0, 1);
    EXPECT_EQ(line("AT+CPBR=001\r"), "AT+CPBR=001\r\r\nRING\r\n\r\nOK\r\n");
    modem.setUnsolicitedLine("+CREG: 1");
    modem.setFault(ModemFault::Unsolicited);
    EXPECT_EQ(line("AT\r"), "AT\r\r\n+CREG: 1\r\n\r\nOK\r\n");

    std::string error;
    const auto f = parseModemFault("error:3", &error);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->fault, ModemFault::Error);
    EXPECT_EQ(f->after, 3);
    EXPECT_FALSE(parseModemFault("loud", &error));
    EXPECT_FALSE(parseModemFault("error:x", &error));
}

TEST_F(GsmModemSim, TheModuleTakesItsFramesBackFromTheStream) {
    // A repeated switch is acknowledged again, modem mode stays.
    EXPECT_EQ(sim.feed(frame(0, 0xFD, 0, 9)), frame(0xAB, 0xFD, 0, 9));
    EXPECT_TRUE(modem.active());
    // A half line, then the monitor-off frame: the frame is answered, the half line forgotten.
    EXPECT_TRUE(sim.feed(bytes("AT+CG")).empty());
    EXPECT_EQ(sim.feed(frame(0, 0xFB, 0, 0)), frame(0xAB, 0xAC, 0, 0));
    EXPECT_FALSE(modem.active());
    EXPECT_TRUE(sim.feed(bytes("SN\r")).empty());

    // The status read at the end of the GSM reset ends modem mode, and is answered as a read
    // where the module knows the command (the simulator's status registers, then a handler of the
    // test's own).
    sim.feed(frame(0, 0xFD, 0, 0));
    EXPECT_EQ(sim.feed(frame(2, 2, 0, 0)), frame(0xAB, 2, 0, sim.status().registers[0]));
    EXPECT_FALSE(modem.active());
    sim.registerCommand(2, [](Exchange& ex) { ex.replyFrame(0xAB, 2, ex.frame().addressLow(), 0x5A); });
    sim.feed(frame(0, 0xFD, 0, 0));
    EXPECT_EQ(sim.feed(frame(2, 2, 0, 0)), frame(0xAB, 2, 0, 0x5A));
    EXPECT_FALSE(modem.active());
    // The version query of the K6 window's activation brings the module back as well.
    sim.feed(frame(0, 0xFD, 0, 0));
    EXPECT_EQ(sim.feed(frame(0, 0, 0xFE, 0)), frame(0xAB, 0, 0xFE, kDefaultVersion));

    // So does a restart.
    sim.feed(frame(0, 0xFD, 0, 0));
    EXPECT_TRUE(sim.feed(frame(0, 0xFF, 0xAA, 0)).empty());
    EXPECT_EQ(sim.restarts(), 1u);
    EXPECT_FALSE(modem.active());
}

TEST(GsmModemPhonebook, LoadsAFileWhollyOrNotAtAll) {
    ModuleSim sim;
    GsmModem& modem = sim.modem();
    const auto path =
        std::filesystem::temp_directory_path() / ("gsm_pb_" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(path);
        out << "# index;number;name\n1;+36301112222;Anna\n250,0612345,\n";
    }
    std::string error;
    ASSERT_TRUE(modem.loadPhonebook(path.string(), &error)) << error;
    EXPECT_EQ(modem.entry(1), (PhonebookEntry{"+36301112222", "Anna"}));
    EXPECT_EQ(modem.entry(250), (PhonebookEntry{"0612345", ""}));
    EXPECT_EQ(modem.usedEntries(), 2);
    {
        std::ofstream out(path);
        out << "2;+3630;Bob\n251;+3630;Out of range\n";
    }
    EXPECT_FALSE(modem.loadPhonebook(path.string(), &error));
    EXPECT_NE(error.find(":2:"), std::string::npos);
    EXPECT_EQ(modem.usedEntries(), 2); // unchanged
    std::filesystem::remove(path);

    modem.fillPhonebook(249);
    EXPECT_EQ(modem.usedEntries(), 249);
    EXPECT_EQ(modem.entry(7), (PhonebookEntry{"+36301000007", "Name 7"}));
}

TEST(GsmModemPty, ModemModeOverTheLineWithSplitReplies) {
    PtyModule pty;
    ASSERT_TRUE(pty.start()) << pty.error();
    pty.withModule([](ModuleSim& m) { m.modem().fillPhonebook(2); });
    pty.setFault(Fault::Split);
    test::PcPort pc(pty.slavePath());
    ASSERT_TRUE(pc.isOpen());
    ASSERT_TRUE(pc.send(frame(0, 0xFD, 0, 0)));
    EXPECT_EQ(pc.read(6), frame(0xAB, 0xFD, 0, 0));
    const std::string expected = "AT+CPBR=002\r\r\n+CPBR: 2,\"+36301000002\",145,\"Name 2\"\r\n\r\nOK\r\n";
    ASSERT_TRUE(pc.send(bytes("AT+CPBR=002\r")));
    EXPECT_EQ(text(pc.read(expected.size())), expected);
    ASSERT_TRUE(pc.send(frame(0, 0xFB, 0, 0)));
    EXPECT_EQ(pc.read(6), frame(0xAB, 0xAC, 0, 0));
    bool active = true;
    pty.withModule([&](ModuleSim& m) { active = m.modem().active(); });
    EXPECT_FALSE(active);
}

} // namespace
} // namespace dalvex::sim
