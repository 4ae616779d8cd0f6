#include "field_codecs.h"

#include "cp1250.h"

#include <algorithm>

namespace dalvex::k6config {
namespace {

constexpr std::uint8_t kEnd = 0xFF;

bool isPhoneChar(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+');
}

// Writes at most n bytes and the 0xFF terminator when they are fewer than n.
std::uint32_t writeTerminated(ConfigImage& image, std::uint32_t offset, int n, const QByteArray& bytes) {
    const int count = std::min<int>(n, static_cast<int>(bytes.size()));
    for (int i = 0; i < count; ++i)
        image.set(offset + i, static_cast<std::uint8_t>(bytes[i]));
    if (count < n) image.set(offset + count, kEnd);
    return offset + static_cast<std::uint32_t>(count);
}

// At most n bytes up to the first 0xFF or 0x00.
QByteArray readTerminated(const ConfigImage& image, std::uint32_t offset, int n) {
    QByteArray bytes;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t b = image.at(offset + i);
        if (b == kEnd || b == 0) break;
        bytes.append(static_cast<char>(b));
    }
    return bytes;
}

QByteArray replaceBytes(QByteArray bytes, const std::array<std::pair<std::uint8_t, std::uint8_t>, 4>& pairs) {
    for (char& c : bytes) {
        for (const auto& [from, to] : pairs) {
            if (static_cast<std::uint8_t>(c) == from) {
                c = static_cast<char>(to);
                break;
            }
        }
    }
    return bytes;
}

constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 4> kFold = {{
    {0xE1, 0xE0}, // á
    {0xE9, 0xE8}, // é
    {0xF3, 0xF2}, // ó
    {0xED, 0xEC}, // í
}};

constexpr std::array<std::array<std::uint8_t, kReceiveLevelItems>, 2> kReceiveLevels = {{
    {200, 175, 170, 165, 160, 155, 150, 145, 140, 135}, // ModuleType 73
    {230, 220, 210, 200, 190, 175, 165, 150, 140, 135}, // the other types
}};
constexpr std::uint8_t kReceiveLevelNone = 150;

const std::array<std::uint8_t, kReceiveLevelItems>& receiveLevels(int moduleType) {
    return kReceiveLevels[moduleType == 73 ? 0 : 1];
}

constexpr std::array<std::uint8_t, kInputFilterItems> kInputFilter = {0, 1, 3, 10, 60};
constexpr int kInputFilterNone = 3;

constexpr std::array<std::uint8_t, kPowerAlarmVoltageItems> kPowerAlarmVoltage = {48, 55, 62, 65, 69, 72,
                                                                                  76, 79, 83, 87, 90};

template <typename Table> bool inTable(const Table& table, int item) {
    return item >= 0 && item < static_cast<int>(table.size());
}

} // namespace

void WriteByteValue(ConfigImage& image, std::uint32_t offset, int value) {
    image.set(offset, static_cast<std::uint8_t>(value & 0xFF));
}

std::uint8_t ReadByteValue(const ConfigImage& image, std::uint32_t offset) {
    return image.at(offset);
}

void WriteBE16(ConfigImage& image, std::uint32_t offset, int value) {
    image.set(offset, static_cast<std::uint8_t>((value >> 8) & 0xFF));
    image.set(offset + 1, static_cast<std::uint8_t>(value & 0xFF));
}

int ReadBE16(const ConfigImage& image, std::uint32_t offset) {
    return image.at(offset) << 8 | image.at(offset + 1);
}

void WriteAsciiDigits2(ConfigImage& image, std::uint32_t offset, int value) {
    value = std::clamp(value, 0, 99);
    image.set(offset, static_cast<std::uint8_t>('0' + value / 10));
    image.set(offset + 1, static_cast<std::uint8_t>('0' + value % 10));
}

int ReadAsciiDigits2(const ConfigImage& image, std::uint32_t offset) {
    return (image.at(offset) - '0') * 10 + (image.at(offset + 1) - '0');
}

std::uint8_t PhoneMaskOf(const std::array<bool, 8>& checked) {
    std::uint8_t mask = 0;
    for (int i = 0; i < 8; ++i)
        if (checked[i]) mask |= static_cast<std::uint8_t>(1u << i);
    return mask;
}

std::array<bool, 8> PhoneChecksOf(std::uint8_t mask) {
    std::array<bool, 8> checked{};
    for (int i = 0; i < 8; ++i)
        checked[i] = (mask >> i) & 1u;
    return checked;
}

std::uint8_t TypeByteOf(int itemIndex, bool opposite) {
    return static_cast<std::uint8_t>((itemIndex & 0x7F) | (opposite ? 0x80 : 0));
}

TypeByteValue ReadTypeByte(std::uint8_t byte) {
    return {byte & 0x7F, (byte & 0x80) != 0};
}

void WriteDigitString(ConfigImage& image, std::uint32_t offset, const QString& number) {
    QString digits;
    for (QChar c : number) {
        if (!isPhoneChar(c) || digits.size() == kDigitStringWidth) break;
        digits.append(c);
    }
    writeTerminated(image, offset, kDigitStringWidth, digits.toLatin1());
}

void WritePlainString16(ConfigImage& image, std::uint32_t offset, const QString& text) {
    writeTerminated(image, offset, kDigitStringWidth, ToCp1250(text));
}

QString ReadDigitString(const ConfigImage& image, std::uint32_t offset) {
    return FromCp1250(readTerminated(image, offset, kDigitStringWidth));
}

QByteArray FoldText(QByteArray bytes) {
    return replaceBytes(std::move(bytes), kFold);
}

QByteArray UnfoldText(QByteArray bytes) {
    std::array<std::pair<std::uint8_t, std::uint8_t>, 4> unfold{};
    for (std::size_t i = 0; i < kFold.size(); ++i)
        unfold[i] = {kFold[i].second, kFold[i].first};
    return replaceBytes(std::move(bytes), unfold);
}

std::uint32_t WriteFoldedText(ConfigImage& image, std::uint32_t offset, int n, const QString& text) {
    return writeTerminated(image, offset, n, FoldText(ToCp1250(text)));
}

QString ReadFoldedText(const ConfigImage& image, std::uint32_t offset, int n) {
    if (n > 0 && image.at(offset) == kEnd) return QStringLiteral(" ");
    return FromCp1250(UnfoldText(readTerminated(image, offset, n)));
}

std::uint32_t WritePlainText(ConfigImage& image, std::uint32_t offset, int n, const QString& text) {
    return writeTerminated(image, offset, n, ToCp1250(text));
}

QString ReadPlainText(const ConfigImage& image, std::uint32_t offset, int n) {
    return FromCp1250(readTerminated(image, offset, n));
}

std::uint8_t CidDigitOf(QChar c) {
    const char16_t u = c.unicode();
    if (u == u'0' || u == u'A') return 10;
    if (u >= u'1' && u <= u'9') return static_cast<std::uint8_t>(u - u'0');
    if (u >= u'B' && u <= u'F') return static_cast<std::uint8_t>(11 + (u - u'B'));
    if (u == u'R') return 3;
    if (u == u'?') return 63;
    return 255;
}

QChar CidCharOf(std::uint8_t digit) {
    if (digit >= 1 && digit <= 9) return QLatin1Char(static_cast<char>('0' + digit));
    if (digit == 10) return QLatin1Char('0');
    if (digit >= 11 && digit <= 15) return QLatin1Char(static_cast<char>('B' + (digit - 11)));
    if (digit == 63) return QLatin1Char('?');
    return QLatin1Char('x');
}

void WriteCidDigits(ConfigImage& image, std::uint32_t offset, int k, const QString& text) {
    for (int i = 0; i < k; ++i)
        image.set(offset + i, i < text.size() ? CidDigitOf(text[i]) : 255);
}

QString ReadCidDigits(const ConfigImage& image, std::uint32_t offset, int k) {
    QString text;
    for (int i = 0; i < k; ++i)
        text.append(CidCharOf(image.at(offset + i)));
    return text;
}

std::uint8_t InputFilterByte(int item) {
    return inTable(kInputFilter, item) ? kInputFilter[item] : kInputFilterNone;
}

std::optional<int> InputFilterItem(std::uint8_t byte) {
    if (byte == 2) return std::nullopt;
    int item = 0;
    for (int i = 0; i < kInputFilterItems; ++i)
        if (byte >= kInputFilter[i]) item = i;
    return item;
}

std::uint8_t ReceiveLevelByte(int item, int moduleType) {
    const auto& levels = receiveLevels(moduleType);
    return inTable(levels, item) ? levels[item] : kReceiveLevelNone;
}

int ReceiveLevelItem(std::uint8_t byte, int moduleType) {
    const auto& levels = receiveLevels(moduleType);
    int item = -1;
    for (int i = 0; i < kReceiveLevelItems; ++i)
        if (levels[i] >= byte) item = i;
    return item;
}

std::uint8_t PowerAlarmVoltageByte(int item) {
    return kPowerAlarmVoltage[inTable(kPowerAlarmVoltage, item) ? item : kPowerAlarmVoltageFallbackItem];
}

int PowerAlarmVoltageItem(std::uint8_t byte) {
    const auto it = std::find(kPowerAlarmVoltage.begin(), kPowerAlarmVoltage.end(), byte);
    return it == kPowerAlarmVoltage.end() ? kPowerAlarmVoltageFallbackItem
                                          : static_cast<int>(it - kPowerAlarmVoltage.begin());
}

std::uint8_t LineVoltageByte(int volts) {
    return static_cast<std::uint8_t>(std::clamp(volts * 10 / 15, 0, 255));
}

int LineVoltageVolts(std::uint8_t byte) {
    return byte * 15 / 10;
}

} // namespace dalvex::k6config
