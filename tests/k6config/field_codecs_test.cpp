#include "k6config/config_image.h"
#include "k6config/cp1250.h"
#include "k6config/field_codecs.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <vector>

namespace dalvex::k6config {
namespace {

constexpr std::uint32_t kAt = 0x200; // where the codec cases write

std::vector<int> bytesAt(const ConfigImage& image, std::uint32_t offset, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i)
        out.push_back(image.at(offset + i));
    return out;
}

void put(ConfigImage& image, std::uint32_t offset, std::initializer_list<int> bytes) {
    for (int b : bytes)
        image.set(offset++, static_cast<std::uint8_t>(b));
}

TEST(ConfigImage, StartsZeroAndKeepsEveryAccessInside) {
    ConfigImage image;
    EXPECT_EQ(image.size(), 0x400000u);
    EXPECT_EQ(image.at(0), 0);
    EXPECT_EQ(image.at(0x3FFFFF), 0);

    image.set(0x3FFFFF, 7);
    image.set(0x400000, 7); // outside: ignored
    EXPECT_EQ(image.at(0x3FFFFF), 7);
    EXPECT_EQ(image.at(0x400000), 0xFF);
    EXPECT_EQ(image.at(0xFFFFFFFF), 0xFF);

    EXPECT_FALSE(image.write(0x3FFFFE, QByteArray(3, 'x')));
    EXPECT_EQ(image.at(0x3FFFFE), 0) << "a refused write stores nothing";
    EXPECT_TRUE(image.write(0x3FFFFD, QByteArray(3, 'x')));
    EXPECT_FALSE(image.write(0xFFFFFFFF, QByteArray(1, 'x')));
    EXPECT_EQ(image.read(0x3FFFFE, 16).size(), 2);
    EXPECT_TRUE(image.read(0x400000, 4).isEmpty());

    image.fill(0x3FFFF0, 0x100, 0xAB); // clipped at the end
    EXPECT_EQ(image.at(0x3FFFFF), 0xAB);
}

TEST(Cp1250, EveryByteRoundTripsAndUnknownCharactersBecomeQuestionMarks) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(ToCp1250(FromCp1250(all)), all);

    EXPECT_EQ(FromCp1250(QByteArray("\xE1\xE9\xF5\xFB\x80\x8A")), QStringLiteral("áéőű€Š"));
    EXPECT_EQ(ToCp1250(QStringLiteral("Őrség ű")), QByteArray("\xD5rs\xE9g \xFB"));
    EXPECT_EQ(ToCp1250(QStringLiteral("a✓ß中")), QByteArray("a?\xDF?"));
}

TEST(FieldCodecs, ByteValueBe16AndAsciiDigits2) {
    ConfigImage image;
    WriteBE16(image, kAt, 1440);
    EXPECT_EQ(bytesAt(image, kAt, 2), (std::vector<int>{0x05, 0xA0}));
    EXPECT_EQ(ReadBE16(image, kAt), 1440);
    WriteBE16(image, kAt, 65535);
    EXPECT_EQ(ReadBE16(image, kAt), 65535);

    WriteByteValue(image, kAt, 0x1FE);
    EXPECT_EQ(ReadByteValue(image, kAt), 0xFE);

    struct Case {
        int value;
        std::vector<int> bytes;
    };
    for (const Case& c :
         {Case{12, {0x31, 0x32}}, Case{0, {0x30, 0x30}}, Case{23, {0x32, 0x33}}, Case{99, {0x39, 0x39}}}) {
        WriteAsciiDigits2(image, kAt, c.value);
        EXPECT_EQ(bytesAt(image, kAt, 2), c.bytes) << c.value;
        EXPECT_EQ(ReadAsciiDigits2(image, kAt), c.value);
    }
    put(image, kAt, {0xFF, 0xFF});
    EXPECT_GT(ReadAsciiDigits2(image, kAt), 99) << "not digits: outside the range, for the control to bound";
}

TEST(FieldCodecs, PhoneMaskAndTypeByte) {
    EXPECT_EQ(PhoneMaskOf({true, false, true, false, false, false, false, true}), 0x85);
    EXPECT_EQ(PhoneChecksOf(0x85),
              (std::array<bool, 8>{true, false, true, false, false, false, false, true}));
    EXPECT_EQ(PhoneMaskOf(PhoneChecksOf(0xFF)), 0xFF);

    struct Case {
        int item;
        bool opposite;
        int byte;
    };
    for (const Case& c :
         {Case{0, false, 0x00}, Case{1, false, 0x01}, Case{1, true, 0x81}, Case{5, true, 0x85}}) {
        EXPECT_EQ(TypeByteOf(c.item, c.opposite), c.byte);
        EXPECT_EQ(ReadTypeByte(static_cast<std::uint8_t>(c.byte)).itemIndex, c.item);
        EXPECT_EQ(ReadTypeByte(static_cast<std::uint8_t>(c.byte)).opposite, c.opposite);
    }
    EXPECT_EQ(TypeByteOf(-1, false), 0x7F) << "no selection stays out of the item range";
    EXPECT_EQ(ReadTypeByte(0xFF).itemIndex, 127);
}

TEST(FieldCodecs, DigitString) {
    struct Case {
        QString number;
        std::vector<int> bytes; // the 17 bytes from the field start (the 17th belongs to the next field)
        QString readBack;
    };
    const int next = 0x5A; // marks the byte after the field
    const std::vector<Case> cases = {
        {QStringLiteral("1234567890123456"),
         {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1', '2', '3', '4', '5', '6', next},
         QStringLiteral("1234567890123456")},
        {QStringLiteral("+36301234567"),
         {'+', '3', '6', '3', '0', '1', '2', '3', '4', '5', '6', '7', 0xFF, next, next, next, next},
         QStringLiteral("+36301234567")},
        // A blank of the edit mask (or any other character) ends the number.
        {QStringLiteral("+3630 123"),
         {'+', '3', '6', '3', '0', 0xFF, next, next, next, next, next, next, next, next, next, next, next},
         QStringLiteral("+3630")},
        {QStringLiteral("06-30"),
         {'0', '6', 0xFF, next, next, next, next, next, next, next, next, next, next, next, next, next, next},
         QStringLiteral("06")},
        {QString(),
         {0xFF, next, next, next, next, next, next, next, next, next, next, next, next, next, next, next,
          next},
         QString()},
        {QStringLiteral("12345678901234567"),
         {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1', '2', '3', '4', '5', '6', next},
         QStringLiteral("1234567890123456")},
    };
    for (const Case& c : cases) {
        ConfigImage image;
        image.fill(kAt, 17, next);
        WriteDigitString(image, kAt, c.number);
        EXPECT_EQ(bytesAt(image, kAt, 17), c.bytes) << c.number.toStdString();
        EXPECT_EQ(ReadDigitString(image, kAt), c.readBack) << c.number.toStdString();
    }

    // The monitoring-station numbers are written as they are.
    ConfigImage image;
    WritePlainString16(image, kAt, QStringLiteral("06-1 234"));
    EXPECT_EQ(ReadDigitString(image, kAt), QStringLiteral("06-1 234"));
    // An unprogrammed field and the zero image both read as no number.
    image.fill(kAt, 16, 0xFF);
    EXPECT_EQ(ReadDigitString(image, kAt), QString());
    image.fill(kAt, 16, 0x00);
    EXPECT_EQ(ReadDigitString(image, kAt), QString());
}

TEST(FieldCodecs, FoldTextFoldsFourLettersOnly) {
    EXPECT_EQ(FoldText(QByteArray("\xE1\xE9\xF3\xED\xF6\xFC\xF5\xFB")),
              QByteArray("\xE0\xE8\xF2\xEC\xF6\xFC\xF5\xFB"));
    EXPECT_EQ(UnfoldText(QByteArray("\xE0\xE8\xF2\xEC\xF6\xFC\xF5\xFB")),
              QByteArray("\xE1\xE9\xF3\xED\xF6\xFC\xF5\xFB"));
    EXPECT_EQ(FoldText(QByteArray("plain")), QByteArray("plain"));
}

TEST(FieldCodecs, FoldedText) {
    struct Case {
        QString text;
        int n;
        std::vector<int> bytes; // n + 1 bytes from the field start
        std::uint32_t end;      // what the writer returns, relative to the field
        QString readBack;
    };
    const int next = 0x5A;
    const std::vector<Case> cases = {
        {QStringLiteral("Riasztás é"),
         12,
         {'R', 'i', 'a', 's', 'z', 't', 0xE0, 's', ' ', 0xE8, 0xFF, next, next},
         10,
         QStringLiteral("Riasztás é")},
        {QStringLiteral("óí"), 4, {0xF2, 0xEC, 0xFF, next, next}, 2, QStringLiteral("óí")},
        {QStringLiteral("őű"), 4, {0xF5, 0xFB, 0xFF, next, next}, 2, QStringLiteral("őű")},
        // Exactly n long: no terminator.
        {QStringLiteral("abcd"), 4, {'a', 'b', 'c', 'd', next}, 4, QStringLiteral("abcd")},
        {QStringLiteral("abcdef"), 4, {'a', 'b', 'c', 'd', next}, 4, QStringLiteral("abcd")},
        // Empty: the terminator alone, which reads back as a single space.
        {QString(), 4, {0xFF, next, next, next, next}, 0, QStringLiteral(" ")},
    };
    for (const Case& c : cases) {
        ConfigImage image;
        image.fill(kAt, static_cast<std::uint32_t>(c.n + 1), next);
        EXPECT_EQ(WriteFoldedText(image, kAt, c.n, c.text), kAt + c.end) << c.text.toStdString();
        EXPECT_EQ(bytesAt(image, kAt, c.n + 1), c.bytes) << c.text.toStdString();
        EXPECT_EQ(ReadFoldedText(image, kAt, c.n), c.readBack) << c.text.toStdString();
    }

    ConfigImage image;
    // The folded bytes read back as the four accented letters ("ŕčňě" in the code page).
    put(image, kAt, {0xE0, 0xE8, 0xF2, 0xEC, 0xFF});
    EXPECT_EQ(ReadFoldedText(image, kAt, 32), QStringLiteral("áéóí"));
    // Reading stops at 0xFF and after n bytes.
    put(image, kAt, {'a', 'b', 0xFF, 'c'});
    EXPECT_EQ(ReadFoldedText(image, kAt, 32), QStringLiteral("ab"));
    put(image, kAt, {'a', 'b', 'c', 'd'});
    EXPECT_EQ(ReadFoldedText(image, kAt, 3), QStringLiteral("abc"));
    image.fill(kAt, 32, 0xFF);
    EXPECT_EQ(ReadFoldedText(image, kAt, 32), QStringLiteral(" "));
}

TEST(FieldCodecs, PlainTextIsNotFolded) {
    ConfigImage image;
    image.fill(kAt, 8, 0x5A);
    EXPECT_EQ(WritePlainText(image, kAt, 6, QStringLiteral("Zóna")), kAt + 4);
    EXPECT_EQ(bytesAt(image, kAt, 6), (std::vector<int>{'Z', 0xF3, 'n', 'a', 0xFF, 0x5A}));
    EXPECT_EQ(ReadPlainText(image, kAt, 6), QStringLiteral("Zóna"));
    put(image, kAt, {'a', 0x00, 'b'});
    EXPECT_EQ(ReadPlainText(image, kAt, 6), QStringLiteral("a")) << "0x00 ends a name as 0xFF does";
}

TEST(FieldCodecs, CidDigitBothDirections) {
    struct Write {
        char c;
        int digit;
    };
    for (const Write& w :
         {Write{'0', 10}, Write{'1', 1}, Write{'5', 5}, Write{'9', 9}, Write{'A', 10}, Write{'B', 11},
          Write{'C', 12}, Write{'D', 13}, Write{'E', 14}, Write{'F', 15}, Write{'R', 3}, Write{'?', 63},
          Write{'a', 255}, Write{'x', 255}, Write{' ', 255}, Write{'G', 255}})
        EXPECT_EQ(CidDigitOf(QLatin1Char(w.c)), w.digit) << w.c;

    struct Read {
        int digit;
        char c;
    };
    for (const Read& r : {Read{1, '1'}, Read{9, '9'}, Read{10, '0'}, Read{11, 'B'}, Read{15, 'F'},
                          Read{63, '?'}, Read{0, 'x'}, Read{16, 'x'}, Read{62, 'x'}, Read{255, 'x'}})
        EXPECT_EQ(CidCharOf(static_cast<std::uint8_t>(r.digit)), QLatin1Char(r.c)) << r.digit;

    ConfigImage image;
    WriteCidDigits(image, kAt, 4, QStringLiteral("A1R"));
    EXPECT_EQ(bytesAt(image, kAt, 4), (std::vector<int>{10, 1, 3, 255})) << "a short code leaves 255";
    EXPECT_EQ(ReadCidDigits(image, kAt, 4), QStringLiteral("013x"));
    WriteCidDigits(image, kAt, 3, QStringLiteral("6021"));
    EXPECT_EQ(bytesAt(image, kAt, 4), (std::vector<int>{6, 10, 2, 255})) << "only k characters";
}

TEST(FieldCodecs, InputFilterTable) {
    for (int item = 0; item < kInputFilterItems; ++item)
        EXPECT_EQ(InputFilterItem(InputFilterByte(item)), item);
    EXPECT_EQ(InputFilterByte(0), 0);
    EXPECT_EQ(InputFilterByte(2), 3);
    EXPECT_EQ(InputFilterByte(4), 60);
    EXPECT_EQ(InputFilterByte(-1), 3);

    struct Case {
        int byte;
        std::optional<int> item;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{2, std::nullopt}, Case{3, 2}, Case{9, 2}, Case{10, 3},
                          Case{59, 3}, Case{60, 4}, Case{255, 4}})
        EXPECT_EQ(InputFilterItem(static_cast<std::uint8_t>(c.byte)), c.item) << c.byte;
}

TEST(FieldCodecs, ReceiveLevelTableByModuleType) {
    EXPECT_EQ(ReceiveLevelByte(0, 73), 200);
    EXPECT_EQ(ReceiveLevelByte(0, 72), 230);
    EXPECT_EQ(ReceiveLevelByte(0, 74), 230);
    EXPECT_EQ(ReceiveLevelByte(9, 73), 135);
    EXPECT_EQ(ReceiveLevelByte(-1, 73), 150);
    EXPECT_EQ(ReceiveLevelByte(-1, 72), 150);
    for (int type : {72, 73, 74})
        for (int item = 0; item < kReceiveLevelItems; ++item)
            EXPECT_EQ(ReceiveLevelItem(ReceiveLevelByte(item, type), type), item) << type << " " << item;

    struct Case {
        int type;
        int byte;
        int item;
    };
    for (const Case& c : {Case{73, 201, -1}, Case{72, 231, -1}, Case{72, 201, 2}, Case{73, 0, 9},
                          Case{72, 150, 7}, Case{73, 172, 1}})
        EXPECT_EQ(ReceiveLevelItem(static_cast<std::uint8_t>(c.byte), c.type), c.item)
            << c.type << " " << c.byte;
}

TEST(FieldCodecs, PowerAlarmVoltageAndLineVoltage) {
    const int values[] = {48, 55, 62, 65, 69, 72, 76, 79, 83, 87, 90};
    for (int item = 0; item < kPowerAlarmVoltageItems; ++item) {
        EXPECT_EQ(PowerAlarmVoltageByte(item), values[item]);
        EXPECT_EQ(PowerAlarmVoltageItem(static_cast<std::uint8_t>(values[item])), item);
    }
    EXPECT_EQ(PowerAlarmVoltageByte(-1), 76);
    EXPECT_EQ(PowerAlarmVoltageItem(77), 6) << "a byte missing from the table shows 11V";
    EXPECT_EQ(PowerAlarmVoltageItem(0xFF), 6);

    EXPECT_EQ(LineVoltageByte(48), 32);
    EXPECT_EQ(LineVoltageVolts(32), 48);
    for (int volts = 30; volts <= 72; volts += 3)
        EXPECT_EQ(LineVoltageVolts(LineVoltageByte(volts)), volts) << volts;
    EXPECT_EQ(LineVoltageVolts(21), 31);
}

} // namespace
} // namespace dalvex::k6config
