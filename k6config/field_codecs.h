#pragma once
// The byte encodings of the configuration image, as small pure functions. Texts are QString on
// the page side and Windows-1250 bytes in the image.

#include "config_image.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace dalvex::k6config {

// --- ByteValue, BE16, AsciiDigits2 ---------------------------------------------------------------
void WriteByteValue(ConfigImage& image, std::uint32_t offset, int value); // low 8 bits of value
std::uint8_t ReadByteValue(const ConfigImage& image, std::uint32_t offset);

void WriteBE16(ConfigImage& image, std::uint32_t offset, int value); // low 16 bits, high byte first
int ReadBE16(const ConfigImage& image, std::uint32_t offset);

// The ASCII digits of 0..99, tens first ("12" = 0x31 0x32). Values outside 0..99 are brought into it.
void WriteAsciiDigits2(ConfigImage& image, std::uint32_t offset, int value);
// tens digit * 10 + units digit, each taken as byte - '0'; bytes that are no digits give values
// outside 0..99, which the reader's control brings back into its limits.
int ReadAsciiDigits2(const ConfigImage& image, std::uint32_t offset);

// --- PhoneMask, TypeByte ---------------------------------------------------------------------------
// Bit i set = item i (phone number i + 1) checked.
std::uint8_t PhoneMaskOf(const std::array<bool, 8>& checked);
std::array<bool, 8> PhoneChecksOf(std::uint8_t mask);

// Bits 0-6: item index of the source-type box (no selection, -1, is stored as 0x7F, which reads
// back as no selection); bit 7: the source works in the opposite sense.
std::uint8_t TypeByteOf(int itemIndex, bool opposite);
struct TypeByteValue {
    int itemIndex;
    bool opposite;
};
TypeByteValue ReadTypeByte(std::uint8_t byte);

// --- DigitString ------------------------------------------------------------------------------------
inline constexpr int kDigitStringWidth = 16;
// A phone number: its characters while they are "0".."9" or "+" (the first other character, a
// blank of the edit mask, ends it), at most 16; 0xFF after the last one when shorter than 16.
void WriteDigitString(ConfigImage& image, std::uint32_t offset, const QString& number);
// The same field written without filtering (the monitoring-station numbers): every character.
void WritePlainString16(ConfigImage& image, std::uint32_t offset, const QString& text);
// Up to 16 bytes, ending at the first 0xFF (or 0x00, which no edit control can hold).
QString ReadDigitString(const ConfigImage& image, std::uint32_t offset);

// --- FoldedText(n) and plain texts ----------------------------------------------------------------
// The module's character set lacks four accented letters; they are stored as their neighbours:
// á (0xE1) -> 0xE0, é (0xE9) -> 0xE8, ó (0xF3) -> 0xF2, í (0xED) -> 0xEC. Every other byte stays.
QByteArray FoldText(QByteArray bytes);
QByteArray UnfoldText(QByteArray bytes);

// Writes up to n bytes of the folded text, then 0xFF when shorter than n. Returns the offset just
// after the last character written (where a following tail may start).
std::uint32_t WriteFoldedText(ConfigImage& image, std::uint32_t offset, int n, const QString& text);
// At most n bytes up to the first 0xFF (or 0x00), unfolded; a field whose first byte is 0xFF
// reads as " ".
QString ReadFoldedText(const ConfigImage& image, std::uint32_t offset, int n);

// Up to n bytes of the text without folding, then 0xFF when shorter. Returns the end offset.
std::uint32_t WritePlainText(ConfigImage& image, std::uint32_t offset, int n, const QString& text);
// At most n bytes up to the first 0xFF or 0x00, without unfolding.
QString ReadPlainText(const ConfigImage& image, std::uint32_t offset, int n);

// --- CidDigit ---------------------------------------------------------------------------------------
// "0" and "A" -> 10, "1".."9" -> 1..9, "B".."F" -> 11..15, "R" -> 3, "?" -> 63, any other -> 255.
std::uint8_t CidDigitOf(QChar c);
// 1..9 -> "1".."9", 10 -> "0", 11..15 -> "B".."F", 63 -> "?", any other -> "x".
QChar CidCharOf(std::uint8_t digit);
// k bytes, one CidDigit per character; positions past the end of the text get 255.
void WriteCidDigits(ConfigImage& image, std::uint32_t offset, int k, const QString& text);
QString ReadCidDigits(const ConfigImage& image, std::uint32_t offset, int k);

// --- Value tables -----------------------------------------------------------------------------------
// Digital input filter: items "Kikapcsolva", "Alacsony", "Normál", "Közepes", "Erős".
inline constexpr int kInputFilterItems = 5;
std::uint8_t InputFilterByte(int item); // 0, 1, 3, 10, 60; no selection 3
// 0 -> 0, 1 -> 1, 3..9 -> 2, 10..59 -> 3, 60 and above -> 4; 2 gives nothing (selection unchanged).
std::optional<int> InputFilterItem(std::uint8_t byte);

// Receive signal level, items "1".."10"; the values depend on the module type.
inline constexpr int kReceiveLevelItems = 10;
std::uint8_t ReceiveLevelByte(int item, int moduleType); // no selection 150
// The highest item whose value is at least the byte; -1 when the byte is above item "1"'s value.
int ReceiveLevelItem(std::uint8_t byte, int moduleType);

// Power alarm voltage, items "7V" .. "13V".
inline constexpr int kPowerAlarmVoltageItems = 11;
inline constexpr int kPowerAlarmVoltageFallbackItem = 6; // "11V"
std::uint8_t PowerAlarmVoltageByte(int item);            // no selection 76 (the "11V" value)
int PowerAlarmVoltageItem(std::uint8_t byte);            // a byte missing from the table gives "11V"

// Line voltage: volts * 10 / 15 and back * 15 / 10 (integer division).
std::uint8_t LineVoltageByte(int volts);
int LineVoltageVolts(std::uint8_t byte);

} // namespace dalvex::k6config
