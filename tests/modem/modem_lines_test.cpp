// The modem lines byte for byte, the checks on typed text, and the readers of the modem's answers.

#include "k6link/modem_lines.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace dalvex::k6link;

namespace {

Reply R(const std::string& s) {
    return Reply(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

std::string S(const QByteArray& b) {
    return b.toStdString();
}

LineArgs Args(int index, const char* pin, const char* number, const char* name, const char* text) {
    LineArgs a;
    a.index = index;
    a.pin = pin;
    a.number = number;
    a.name = name;
    a.text = text;
    return a;
}

TEST(ModemLines, EveryLineIsByteExact) {
    struct Case {
        ModemLine line;
        LineArgs args;
        std::string bytes;
        int length; // -1: variable
    };
    const std::vector<Case> cases = {
        {ModemLine::PhonebookSelect, {}, "AT+CPBS=\"SM\"\r\n", 14},
        {ModemLine::PhonebookRead, Args(7, "", "", "", ""), "AT+CPBR=007\r", 12},
        {ModemLine::PhonebookRead, Args(123, "", "", "", ""), "AT+CPBR=123\r", 12},
        {ModemLine::PhonebookRead, Args(1234, "", "", "", ""), "AT+CPBR=234\r", 12},
        {ModemLine::PinEnter, Args(0, "1234", "", "", ""), "AT+CPIN=\"1234\"\r", 15},
        {ModemLine::PinLockOff, Args(0, "1234", "", "", ""), "AT+CLCK=\"SC\",0,\"1234\"\r", 22},
        {ModemLine::PhonebookWrite, Args(12, "", "+3620555", "SIM12", ""),
         "AT+CPBW=012,\"+3620555\",129,\"SIM12\"\r", -1},
        {ModemLine::ServiceCentre, Args(0, "", "+36209300099", "", ""), "AT+CSCA=\"+36209300099\",145\r\n",
         -1},
        {ModemLine::DataCall, Args(0, "", "06301234", "", ""), "ATD06301234\r", -1},
        {ModemLine::DataCall, {}, "ATD\r", -1},
        {ModemLine::VoiceCall, Args(0, "", "06301234", "", ""), "ATD06301234;\r", -1},
        {ModemLine::SmsStart, Args(0, "", "+3630", "", ""), "AT+CMGS=\"+3630\"\r", -1},
        {ModemLine::SmsText, Args(0, "", "", "", "Teszt SMS"), "Teszt SMS\x1A", -1},
        {ModemLine::Imei, {}, "AT+CGSN\r", 8},
        {ModemLine::Reset, {}, "ATZ\r", 4},
        {ModemLine::ConnectedLineOff, {}, "AT+COLP=0\r", 10},
        {ModemLine::Revision, {}, "AT+CGMR\r", 8},
        {ModemLine::JammerQuery, {}, "AT+SJDR?\r", 9},
        {ModemLine::Imsi, {}, "AT+CIMI\r", 8},
        {ModemLine::ServiceCentreQuery, {}, "AT+CSCA?\r", 9},
        {ModemLine::BandQuery, {}, "AT+CBAND?\r", 10},
        {ModemLine::OperatorQuery, {}, "AT+COPS?\r", 9},
    };
    for (const Case& c : cases) {
        const std::string got = S(BuildLine(c.line, c.args));
        EXPECT_EQ(got, c.bytes);
        if (c.length >= 0) {
            EXPECT_EQ(static_cast<int>(got.size()), c.length) << c.bytes;
        }
    }
}

// The number sent is the number typed without its separators; anything that could end a modem line
// early or add a command to it is refused, also when separators surround it.
TEST(ModemLines, NumbersAreDialledWithoutTheSeparatorsTheyWereTypedWith) {
    const std::string grouped33 = "111 111-111 111.111 111/111 (111) 111 111 111";
    const std::optional<std::string> refused;
    const struct {
        std::string typed;
        std::optional<std::string> dialled;
    } cases[] = {
        {"", ""}, // the callers decide about an empty number
        {"+36301234567", "+36301234567"},
        {"*100#", "*100#"},
        {"06p1234w5", "06p1234w5"},
        {"+36 30 123 4567", "+36301234567"},
        {"06-30/123-4567", "06301234567"},
        {"+36 (30) 123.45.67", "+36301234567"},
        {" 0630 ", "0630"},
        {"*21*+36 30 1234567#", "*21*+36301234567#"}, // a "+" after the start passes, as it always has
        {grouped33, std::string(33, '1')},            // the limit counts what is sent
        {grouped33 + "1", refused},
        {std::string(34, '1'), refused},
        {" ", refused},
        {"-( )-", refused},
        {"0630\"", refused},
        {"06 30\"", refused},
        {"0630\r", refused},
        {"06 30\nAT+CLCK", refused},
        {"06\t30", refused},
        {"06\x1A", refused},
        {"06 30;ATH", refused},
        {"06,30", refused},
        {"0630a", refused},
        {"06 30 P1", refused},
        {"\xEF\xBC\x90\xEF\xBC\x96", refused}, // fullwidth digits: not what the modem dials
    };
    for (const auto& c : cases) {
        const std::optional<QString> got = DialableNumber(QString::fromStdString(c.typed));
        const std::optional<std::string> dialled = got ? std::optional(got->toStdString()) : std::nullopt;
        EXPECT_EQ(dialled, c.dialled) << "typed: " << c.typed;
    }
}

TEST(ModemLines, TypedTextThatWouldBreakALineIsRefused) {
    for (const char* ok : {"", "Kovács Béla", "Ügyelet 24/7", "ő ű Ő Ű"})
        EXPECT_TRUE(CheckName(QString::fromUtf8(ok))) << ok;
    for (const char* bad : {"Anna\"", "Anna\r\nAT+CLCK=\"SC\",1,\"0000\"", "A\x1A", "A\tB", "日本"})
        EXPECT_FALSE(CheckName(QString::fromUtf8(bad))) << bad;
    EXPECT_TRUE(CheckName(QString(33, QLatin1Char('n'))));
    EXPECT_FALSE(CheckName(QString(34, QLatin1Char('n'))));

    EXPECT_TRUE(CheckPin("0000"));
    for (const char* bad : {"123", "12345", "12a4", "12\"4", ""})
        EXPECT_FALSE(CheckPin(QString::fromLatin1(bad))) << bad;
}

TEST(ModemReplies, PhonebookReplies) {
    const std::string echo = "AT+CPBR=005\r";
    struct Case {
        const char* what;
        std::string reply;
        PhonebookReplyKind kind;
        const char* index;
        const char* number;
        const char* name;
    };
    const std::vector<Case> cases = {
        {"empty entry", echo + "\r\nOK\r\n", PhonebookReplyKind::Empty, "", "", ""},
        {"ERROR is an empty entry", echo + "\r\nERROR\r\n", PhonebookReplyKind::Empty, "", "", ""},
        {"entry with a name",
         echo + "\r\n+CPBR: 5,\"+36301112222\",145,\"Kov\xE1"
                "cs\"\r\n\r\nOK\r\n",
         PhonebookReplyKind::Entry, "5", "+36301112222", "Kovács"},
        {"entry without a name", echo + "\r\n+CPBR: 123,\"0630\",129,\"\"\r\n\r\nOK\r\n",
         PhonebookReplyKind::Entry, "123", "0630", ""},
        {"third CR LF reached without the final OK", echo + "\r\n+CPBR: 5,\"1\",129,\"A\"\r\n\r\n",
         PhonebookReplyKind::Entry, "5", "1", "A"},
        {"echo only", echo + "\r\n", PhonebookReplyKind::Waiting, "", "", ""},
        {"entry line cut short", echo + "\r\n+CPBR: 5,\"+3630", PhonebookReplyKind::Waiting, "", "", ""},
        {"no BR: after three CR LF", echo + "\r\n+CPBX: 5\r\n\r\nOK\r\n", PhonebookReplyKind::Waiting, "", "",
         ""},
        {"a byte below 10 stops the scan", echo + "\r\n\x01+CPBR: 5,\"1\",129,\"A\"\r\n\r\nOK\r\n",
         PhonebookReplyKind::Waiting, "", "", ""},
        {"unsolicited line, entry not yet complete", echo + "\r\nRING\r\n\r\n+CPBR: 5,\"+36",
         PhonebookReplyKind::Waiting, "", "", ""},
        {"unsolicited line, then the whole entry",
         echo + "\r\nRING\r\n\r\n+CPBR: 5,\"+36\",145,\"B\"\r\n\r\nOK\r\n", PhonebookReplyKind::Entry, "5",
         "+36", "B"},
        {"overlong fields are cut to 33",
         echo + "\r\n+CPBR: 5,\"" + std::string(40, '1') + "\",129,\"" + std::string(40, 'n') +
             "\"\r\n\r\nOK\r\n",
         PhonebookReplyKind::Entry, "5", "111111111111111111111111111111111",
         "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"},
        {"nothing", "", PhonebookReplyKind::Waiting, "", "", ""},
        {"the tail of the last answer before an empty one", "OK\r\n" + echo + "\r\nOK\r\n",
         PhonebookReplyKind::Empty, "", "", ""},
        {"the tail of the last answer before an entry",
         "K\r\n" + echo + "\r\n+CPBR: 5,\"1\",129,\"A\"\r\n\r\nOK\r\n", PhonebookReplyKind::Entry, "5", "1",
         "A"},
    };
    for (const Case& c : cases) {
        const PhonebookReply r = ReadPhonebookReply(R(c.reply));
        EXPECT_EQ(r.kind, c.kind) << c.what;
        EXPECT_EQ(r.index, QString::fromUtf8(c.index)) << c.what;
        EXPECT_EQ(r.number, QString::fromUtf8(c.number)) << c.what;
        EXPECT_EQ(r.name, QString::fromUtf8(c.name)) << c.what; // the reply's name is Windows-1250
    }
}

TEST(ModemReplies, ImeiAndInformationReplies) {
    const std::string imei = "AT+CGSN\r\r\n356938035643809\r\n\r\nOK\r\n";
    EXPECT_EQ(ReadImeiReply(R(imei)), QString::fromLatin1("356938035643809\r"));
    EXPECT_FALSE(ReadImeiReply(R(imei.substr(0, 27))));
    EXPECT_FALSE(ReadImeiReply(R("AT+CGMR\r\r\n356938035643809\r\n\r\nOK\r\n")));

    struct Case {
        const char* what;
        int query; // index into kInfoQueries
        std::string reply;
        std::optional<QString> text;
    };
    const std::string rev = "AT+CGMR\r\r\nRevision:1137B10SIM900M64_ST\r\n\r\nOK\r\n";
    const std::string longRev = "AT+CGMR\r\r\n" + std::string(60, 'R') + "\r\n\r\nOK\r\n";
    const std::vector<Case> cases = {
        {"IMEI: positions 10 to 24", 0, imei, QStringLiteral("356938035643809")},
        {"revision up to its CR", 1, rev, QStringLiteral("Revision:1137B10SIM900M64_ST")},
        {"revision with no CR up to 50: positions 10 to 50", 1, longRev, QString(41, QLatin1Char('R'))},
        {"revision with no CR yet and position 50 not come: wait", 1, longRev.substr(0, 45), std::nullopt},
        {"fewer than 41 bytes: wait", 1, rev.substr(0, 40), std::nullopt},
        {"other letters", 1, imei, std::nullopt},
        {"jammer on", 2, "AT+SJDR?\r\r\n+SJDR: 1,0,255,0\r\n\r\nOK\r\n", QStringLiteral("Enabled")},
        {"jammer off", 2, "AT+SJDR?\r\r\n+SJDR: 0,0,255,0\r\n\r\nOK\r\n", QStringLiteral("Disabled")},
        {"jammer: 16 bytes but position 18 not come", 2, "AT+SJDR?\r\r\n+SJDR", std::nullopt},
        {"IMSI", 3, "AT+CIMI\r\r\n216301234567890\r\n\r\nOK\r\n", QStringLiteral("216301234567890")},
        {"service centre as the modem writes it", 4,
         "AT+CSCA?\r\r\n+CSCA: \"+36209300099\",145\r\n\r\nOK\r\n", QStringLiteral("+36209300099\",145")},
        {"band", 5, "AT+CBAND?\r\r\n+CBAND: EGSM_DCS_MODE\r\n\r\nOK\r\n", QStringLiteral("EGSM_DCS_MODE")},
        {"operator", 6, "AT+COPS?\r\r\n+COPS: 0,0,\"Sim Mobile HU\"\r\n\r\nOK\r\n",
         QStringLiteral("0,\"Sim Mobile HU\"")},
        {"ERROR answer", 6, "AT+COPS?\r\r\nERROR\r\n", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadInfoReply(kInfoQueries[static_cast<std::size_t>(c.query)], R(c.reply)), c.text)
            << c.what;
}

TEST(ModemReplies, OkPositionsAreReadOnlyWhenReceived) {
    EXPECT_TRUE(OkAt(R("ATZ\r\r\nOK\r\n"), 6));
    EXPECT_FALSE(OkAt(R("ATZ\r\r\nO"), 6));
    EXPECT_FALSE(OkAt(R(""), 6));
    EXPECT_TRUE(EndsWithOk(R("AT+CSCA=\"1\",145\r\r\nOK\r\n")));
    EXPECT_FALSE(EndsWithOk(R("OK\r")));
    EXPECT_FALSE(EndsWithOk(R("\r\nERROR\r\n")));
}

} // namespace
