// What the log window shows of a record and what the CSV export writes, and the chart's labels.

#include "k6config/cp1250.h"
#include "k6link/log_records.h"
#include "k6link/signal_memory.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

using namespace dalvex::k6link;

namespace {

using Record = std::array<std::uint8_t, kLogRecordSize>;

// A record with a code, the twelve date bytes as given, signal, network and note bytes; the rest
// of the note area is `fill`.
Record MakeRecord(std::uint8_t code, const std::string& date, std::uint8_t signal, std::uint8_t network,
                  const std::string& note, std::uint8_t fill = 0) {
    Record r{};
    r[0] = code;
    r[1] = 0x5A; // bytes that are not shown
    for (std::size_t i = 0; i < 12 && i < date.size(); ++i)
        r[2 + i] = static_cast<std::uint8_t>(date[i]);
    r[14] = r[15] = r[16] = r[19] = 0x77;
    r[17] = signal;
    r[18] = network;
    std::fill(r.begin() + 20, r.end(), fill);
    for (std::size_t i = 0; i < note.size() && 20 + i < r.size(); ++i)
        r[20 + i] = static_cast<std::uint8_t>(note[i]);
    return r;
}

} // namespace

TEST(LogRecords, ColumnsOfARecord) {
    const std::string note44 = "12345678901234567890123456789012345678901234";
    ASSERT_EQ(note44.size(), 44u);
    struct Case {
        const char* what;
        Record record;
        LogRow row;
    };
    const Case cases[] = {
        {"5 March 2024 14:07:09, connected",
         MakeRecord(1, "240305140709", 17, 1, "Zone 1"),
         {"Be1", "2024.03.05.   14:07:09", "17", "Csatlakozva", "Zone 1"}},
        {"network 2 is a fault",
         MakeRecord(9, "991231235959", 0, 2, ""),
         {"Tamper", "2099.12.31.   23:59:59", "0", "Fault:2", ""}},
        {"not connected",
         MakeRecord(10, "000101000000", 31, 0, "x"),
         {"Tápmonitor", "2000.01.01.   00:00:00", "31", "Nincs csatlakozva", "x"}},
        {"roaming",
         MakeRecord(15, "240305140709", 12, 3, "", 0xFF),
         {"Jammer", "2024.03.05.   14:07:09", "12", "Roaming", ""}},
        {"network 255",
         MakeRecord(48, "240305140709", 200, 255, ""),
         {"GSM leszakadt", "2024.03.05.   14:07:09", "200", "Fault:255", ""}},
        {"unknown code 99",
         MakeRecord(99, "240305140709", 5, 1, ""),
         {"Ismeretlen/99", "2024.03.05.   14:07:09", "5", "Csatlakozva", ""}},
        {"44-character note without terminator",
         MakeRecord(73, "240305140709", 5, 1, note44, 'Z'),
         {"Microcontroller START/RESTAR", "2024.03.05.   14:07:09", "5", "Csatlakozva",
          QString::fromStdString(note44)}},
        {"note ended by 0xFF",
         MakeRecord(66, "240305140709", 5, 1,
                    std::string("To +3630\xFF"
                                "garbage")),
         {"SMS Send OK.", "2024.03.05.   14:07:09", "5", "Csatlakozva", "To +3630"}},
        {"date bytes that are no digits are shown as they are",
         MakeRecord(51,
                    std::string("2A0 0\x01"
                                "1x07:9",
                                12),
                    5, 1, ""),
         {"Zárás", QStringLiteral("202A.0 .0\u0001.   1x:07::9"), "5", "Csatlakozva", ""}},
    };
    const LogTexts texts;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeLogRecord(c.record, texts), c.row);
    }
}

TEST(LogRecords, EveryCodeOfTheTableAndTheLanguagesTexts) {
    LogTexts texts;
    struct Case {
        int code;
        const char* hungarian;
    };
    const Case cases[] = {
        {1, "Be1"},
        {2, "Be2"},
        {3, "Be3"},
        {4, "Be4"},
        {9, "Tamper"},
        {10, "Tápmonitor"},
        {13, "Hőméséklet max"},
        {14, "Hőméséklet min"},
        {15, "Jammer"},
        {33, "Bejövő hívás azonosítva"},
        {34, "Bejövő hívás elutasítva"},
        {48, "GSM leszakadt"},
        {49, "GSM feljelentkezve"},
        {50, "Zárás (GSM)"},
        {51, "Zárás"},
        {52, "Nyitás (GSM)"},
        {53, "Nyitás"},
        {54, "SLIC RESTART"},
        {55, "CID OK"},
        {56, "CID CHK ERROR"},
        {57, "GPRS ERROR"},
        {64, "JAMMER DETECT"},
        {65, "JAMMER END"},
        {66, "SMS Send OK."},
        {67, "Incoming SMS"},
        {68, "SMS send FAIL"},
        {69, "OUT call (successful)"},
        {70, "Zárás (Auto)"},
        {71, "Nyitás (Auto)"},
        {72, "First Alarm (IN1)"},
        {73, "Microcontroller START/RESTAR"},
        // Codes next to the table's.
        {5, "Ismeretlen/5"},
        {16, "Ismeretlen/16"},
        {47, "Ismeretlen/47"},
        {74, "Ismeretlen/74"},
        {254, "Ismeretlen/254"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogEventText(c.code, texts), QString::fromUtf8(c.hungarian)) << c.code;
    EXPECT_EQ(LogEvents().size(), 31u);

    // Another language: its catalogue texts and page captions, the fixed texts unchanged.
    texts.Input1 = "In1";
    texts.Closing = "Closing";
    texts.Opening = "Opening";
    texts.Unknown = "Unknown/";
    texts.Fault = "Fault:";
    EXPECT_EQ(LogEventText(1, texts), "In1");
    EXPECT_EQ(LogEventText(50, texts), "Closing (GSM)");
    EXPECT_EQ(LogEventText(71, texts), "Opening (Auto)");
    EXPECT_EQ(LogEventText(99, texts), "Unknown/99");
    EXPECT_EQ(LogEventText(55, texts), "CID OK");
}

TEST(LogRecords, BlockRecordsStayInsideTheBlock) {
    std::array<std::uint8_t, 256> block{};
    for (int i = 0; i < 4; ++i)
        block[static_cast<std::size_t>(i) * 64] = static_cast<std::uint8_t>(10 + i);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(LogRecordOf(block, i)[0], 10 + i);
    EXPECT_EQ(LogRecordOf(block, 3).data() + 64, block.data() + 256);
    EXPECT_TRUE(IsLogEnd(0) && IsLogEnd(0xFF));
    EXPECT_FALSE(IsLogEnd(1) || IsLogEnd(0xFE));
}

TEST(LogRecords, CsvOfTwoRecords) {
    const LogTexts texts;
    const std::vector<LogRow> rows = {
        DecodeLogRecord(MakeRecord(51, "240305140709", 17, 1, "Zone 1"), texts),
        DecodeLogRecord(MakeRecord(99, "240304090000", 3, 2, ""), texts),
    };
    const QByteArray csv = LogCsv(rows, texts);
    const QByteArray expected = dalvex::k6config::ToCp1250(
        QStringLiteral("Jelzés;Dátum;GSM térerő (0-31);Hálózat státusza;Megjegyzés/Paraméter;\r\n"
                       "Zárás;2024.03.05.   14:07:09;17;Csatlakozva;Zone 1;\r\n"
                       "Ismeretlen/99;2024.03.04.   09:00:00;3;Fault:2;;\r\n"));
    EXPECT_EQ(csv, expected);
    EXPECT_EQ(csv.count("\r\n"), 3);
    EXPECT_TRUE(csv.startsWith("Jelz\xE9s;D\xE1tum;")) << "Windows-1250 bytes";

    // Nothing but the header when the grid is empty.
    EXPECT_EQ(LogCsv({}, texts), dalvex::k6config::ToCp1250(texts.CsvHeader + "\r\n"));
}

TEST(LogRecords, CsvFieldsThatWouldShiftTheColumnsAreQuoted) {
    struct Case {
        const char* field;
        const char* written;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a;b", "\"a;b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line\r\nbreak", "\"line\r\nbreak\""},
        {"quote\"and;semi", "\"quote\"\"and;semi\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogCsvField(QString::fromUtf8(c.field)), QString::fromUtf8(c.written)) << c.field;

    LogRow row{"Ismeretlen/99", "2024.03.05.   14:07:09", "5", "Csatlakozva", "a;\"b\""};
    const QByteArray csv = LogCsv(std::span(&row, 1), LogTexts{});
    EXPECT_TRUE(csv.endsWith("Csatlakozva;\"a;\"\"b\"\"\";\r\n")) << csv.constData();
}

TEST(SignalLabels, OnlySamplesWithBits3And4CarryALabel) {
    struct Range {
        int from, to, label;
    };
    const Range labelled[] = {{24, 31, 1}, {56, 63, 2}, {88, 95, 3}, {120, 127, 5}, {152, 159, 6}};
    for (int s = 1; s <= 160; ++s) {
        int expected = -1;
        for (const Range& r : labelled)
            if (s >= r.from && s <= r.to) expected = r.label;
        EXPECT_EQ(SignalLabel(s), expected) << "sample " << s;
    }
    // The last sample of a full memory.
    EXPECT_EQ(SignalLabel(1279 * 256), -1);
    EXPECT_EQ(SignalLabel(327416), 327416 / 24);
}
