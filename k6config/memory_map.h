#pragma once
// The memory map of the configuration image: where each control's value is stored and how. One
// descriptor per field; EncodeConfigImage and DecodeConfigImage (config_codec.h) walk these tables
// in their own orders. Control names refer to the rows of controls.h.

#include <QByteArray>
#include <array>
#include <cstdint>
#include <span>

namespace dalvex::k6config {

// How one bit of a flag byte follows a control.
enum class BitRule : std::uint8_t {
    Checked,   // the check box is checked
    Unchecked, // the check box is not checked
    Item,      // the choice selects `item`; reading a clear bit leaves item 0 unless a later bit sets another
};

struct FlagBit {
    std::uint8_t bit;
    const char* control;
    BitRule rule = BitRule::Checked;
    int item = 0;
};

// An alarm source's four bytes: +0 TypeByte, +1 SMS PhoneMask, +2 voice PhoneMask, +3 options.
struct SourceRecordDef {
    const char* name;
    std::uint32_t offset;
    const char* typeBox;
    FlagBit opposite; // what sets bit 7 of the TypeByte
    const char* smsList;
    const char* voiceList;
    std::array<const char*, 8> options; // the check box of each option bit, nullptr when unused
    bool storesVoiceAndOptions;         // false: +2 and +3 are written 0 (still read back)
    const char* page;                   // the page whose show handler follows the decoding, or nullptr
    int decodeStep;
};

// A phone list and the page whose show handler refreshes its items.
struct PhoneListDef {
    const char* list;
    const char* page;
    bool cleanedOnEncode; // disabled items are unchecked before the list is stored
};

enum class ByteCodec : std::uint8_t {
    Constant,         // `param`, always
    Value,            // the control's number + `param`; read back as byte - `param`
    WriteOnlyValue,   // the control's number + `param`; never read back
    Flags,            // `bits`
    PhoneMask,        // a check list
    BE16,             // two bytes, high first
    AsciiDigits2,     // two ASCII digits
    Gated,            // `gate` checked: value + `param`; else `off`. Read: gate = byte != off, value = byte &
                      // `valueMask`
    TemperatureLimit, // as Gated, enabled only while `typeBox` does not select item 0
    SecurityCode,     // four characters, written only when the text has exactly four
    InputFilter,      // value table of the digital input filter
    ReceiveLevel,     // value table of the receive level, by module type
    PowerAlarmVoltage, // value table of the power alarm voltage
    LineVoltage,       // volts * 10 / 15
    CheckFF,           // 0xFF when checked, else 0
};

// What a Gated field shows when its gate is off.
enum class GateOff : std::uint8_t {
    ShowByte, // the value control still takes byte & valueMask
    ShowZero, // the value control shows 0
    Keep,     // the value control keeps its value
};

struct ByteFieldDef {
    std::uint32_t offset;
    ByteCodec codec;
    const char* control = nullptr;
    int param = 0;
    std::span<const FlagBit> bits = {};
    const char* gate = nullptr;
    std::uint8_t off = 0;
    std::uint8_t valueMask = 0xFF;
    GateOff gateOff = GateOff::ShowByte;
    const char* typeBox = nullptr;
    bool doorPhone = false; // the control belongs to the door-phone window
    int encodeStep = 7;
    int decodeStep = 0; // 0: never read back
};

// An output: mode flags, on-time in seconds (BE16, kept in `seconds`), shown in `spin` with the
// unit selector `unit`.
struct OutputDef {
    std::uint32_t flagsOffset;
    std::uint32_t timeOffset;
    std::span<const FlagBit> bits;
    const char* modeBox;
    const char* spin;
    const char* unit;
    const char* seconds;
    int decodeStep;
};

// A FoldedText field.
struct TextFieldDef {
    std::uint32_t offset;
    int width;
    const char* control;
    int encodeStep;
    int decodeStep;
};

// A hidden text framed by fixed bytes: prefix, the folded text (at most `width`), tail, 0xFF.
struct LegacyStringDef {
    std::uint32_t offset;
    QByteArray prefix;
    const char* control;
    int width;
    QByteArray tail;
};

// A Contact ID event code (CidDigits(3)) and its zone (CidDigits(3)) right after it.
struct CidCodeDef {
    std::uint32_t offset;
    const char* code;
    const char* zone; // nullptr: the zone is written as "001" and not read back
};

enum class CidTableKind : std::uint8_t { Partition, Event };

// A Contact ID table: 256 records of 64 bytes; grid row r is the record at base + 64 * (r - 1).
struct CidTableDef {
    std::uint32_t base;
    const char* grid;
    CidTableKind kind;
};

enum class ProfileCodec : std::uint8_t {
    Folded,   // FoldedText(width)
    AutoItem, // item 1 ("AUTO", "OFF") is stored as 0xFF at the start, other texts FoldedText(width)
    Protocol, // item index, item 0 written 0xFF; 0xFF and 0 read as item 0
    Byte,     // item index
};

// A field of a server profile; `control` holds "%1" for the profile number 1..4.
struct ProfileFieldDef {
    std::uint32_t offset;
    int width;
    ProfileCodec codec;
    const char* control;
};

// --- The map -----------------------------------------------------------------------------------------
inline constexpr std::uint32_t kSourceZeroFrom = 24; // bytes 24..63 are cleared before the sources
inline constexpr std::uint32_t kSourceZeroTo = 63;

inline constexpr std::uint32_t kPhoneBase = 0x100; // phone n at kPhoneBase + 16 * (n - 1)
inline constexpr std::uint32_t kPhoneStride = 16;
inline constexpr std::uint32_t kBrandOffset = 0x180;
inline constexpr int kBrandWidth = 16;

inline constexpr std::uint32_t kAccountOffset = 0x400; // CidDigits(4)
inline constexpr const char* kAccountControl = "CIDUGYFEL";
inline constexpr int kAccountDigits = 4;
inline constexpr std::uint32_t kMonitoringPhones[] = {0x4E0, 0x4F0};
inline constexpr const char* kMonitoringPhoneControls[] = {"TAV1", "TAV2"};

inline constexpr int kCidRecordSize = 64;
inline constexpr int kCidNameWidth = 58;

inline constexpr std::uint32_t kProfileBase = 0x350000;
inline constexpr std::uint32_t kProfileStride = 0x100;
inline constexpr int kProfileCount = 4;

std::span<const SourceRecordDef> SourceRecords();
std::span<const PhoneListDef> PhoneLists();
std::span<const ByteFieldDef> ByteFields(); // in the order of writing
std::span<const OutputDef> Outputs();
std::span<const TextFieldDef> TextFields(); // in the order of writing
const LegacyStringDef& LegacyApnString();
const LegacyStringDef& LegacyUdpString();
std::span<const CidCodeDef> CidCodes(); // in the order of writing
std::span<const CidTableDef> CidTables();
std::span<const ProfileFieldDef> ProfileFields();

// The regions whose every byte the editor writes or reads (the rest is carried along unchanged).
struct Region {
    std::uint32_t begin;
    std::uint32_t end; // one past the last byte
};
std::span<const Region> EditorRegions();

} // namespace dalvex::k6config
