#include "memory_map.h"

namespace dalvex::k6config {
namespace {

using enum BitRule;

// --- Alarm sources ------------------------------------------------------------------------------------
constexpr SourceRecordDef kSources[] = {
    {"input 1",
     8,
     "ComboBox1",
     {7, "BE1inv", Item, 1},
     "SMSst1",
     "VOICEst1",
     {"best11", nullptr, "best13", "best14", "best15", "best16", nullptr, nullptr},
     true,
     "TabSheet2",
     2},
    {"input 2",
     12,
     "ComboBox2",
     {7, "BE2inv", Item, 1},
     "SMSst2",
     "VOICEst2",
     {"best21", nullptr, "best23", "best24", "best25", "best26", nullptr, nullptr},
     true,
     "TabSheet3",
     2},
    {"input 3",
     16,
     "ComboBox3",
     {7, "BE3inv", Item, 1},
     "SMSst3",
     "VOICEst3",
     {"best31", nullptr, "best33", "best34", "best35", "best36", nullptr, nullptr},
     true,
     "TabSheet4",
     2},
    {"input 4",
     20,
     "ComboBox4",
     {7, "BE4inv", Item, 1},
     "SMSst4",
     "VOICEst4",
     {"best41", nullptr, "best43", "best44", "best45", "best46", nullptr, nullptr},
     true,
     "TabSheet5",
     2},
    {"speed",
     24,
     "ComboBox5",
     {7, "CheckBox5", Checked},
     "SMSst5",
     "VOICEst5",
     {"BEst51", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
     true,
     "TabSheet18",
     2},
    {"lift",
     28,
     "ComboBox6",
     {7, "CheckBox6", Checked},
     "SMSst6",
     "VOICEst6",
     {"BEst61", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
     false,
     "TabSheet19",
     2},
    {"tamper",
     40,
     "ComboBox9",
     {7, "BE9inv", Item, 1},
     "SMSst9",
     "VOICEst9",
     {"best91", nullptr, "best93", "best94", "best95", "best96", nullptr, nullptr},
     true,
     "TabSheet11",
     2},
    // The power monitor's bit 7 is set while CheckBox10 is NOT checked, unlike every other source.
    {"power monitor",
     44,
     "ComboBox10",
     {7, "CheckBox10", Unchecked},
     "SMSst10",
     "VOICEst10",
     {"best101", nullptr, "best103", "best104", "best105", "best106", nullptr, nullptr},
     true,
     "TabSheet12",
     2},
    {"temperature",
     48,
     "ComboBox13",
     {7, "CheckBox13", Checked},
     "SMSst13",
     "VOICEst13",
     {"best131", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
     true,
     nullptr,
     3},
};

constexpr PhoneListDef kPhoneLists[] = {
    {"SMSst1", "TabSheet2", true},      {"VOICEst1", "TabSheet2", true},  {"SMSst2", "TabSheet3", true},
    {"VOICEst2", "TabSheet3", true},    {"SMSst3", "TabSheet4", true},    {"VOICEst3", "TabSheet4", true},
    {"SMSst4", "TabSheet5", true},      {"VOICEst4", "TabSheet5", true},  {"SMSst5", "TabSheet18", true},
    {"VOICEst5", "TabSheet18", true},   {"SMSst6", "TabSheet19", true},   {"VOICEst6", "TabSheet19", true},
    {"SMSst9", "TabSheet11", true},     {"VOICEst9", "TabSheet11", true}, {"SMSst10", "TabSheet12", true},
    {"VOICEst10", "TabSheet12", true},  {"SMSst11", "TabSheet13", true},  {"SMSst13", "TabSheet16", false},
    {"VOICEst13", "TabSheet16", false}, {"SMSst7", "TabSheet21", false},  {"SMSst15", "TabSheet26", true},
    {"VOICEst15", "TabSheet26", true},  {"SMSst16", "TabSheet27", true},  {"SMSst17", "TabSheet27", true},
};

// --- Flag bytes ---------------------------------------------------------------------------------------
constexpr FlagBit kJammerFlags[] = {{2, "best153"}, {4, "best155"}};
constexpr FlagBit kMiscFlags[] = {{0, "CheckEgyeb1"}, {1, "CheckEgyeb3"}, {2, "CheckEgyeb4"},
                                  {3, "CheckEgyeb5"}, {4, "CheckEgyeb6"}, {5, "CheckEgyeb7"},
                                  {6, "ELETcid"},     {7, "CheckEgyeb8"}};
constexpr FlagBit kAutoAlarmFlags[] = {{0, "CheckEgyeb2_0"}};
constexpr FlagBit kGprsFlags[] = {{0, "GPSbit0", Unchecked}, {1, "GPSbit1"},    {2, "RadioGroup1", Item, 1},
                                  {3, "CheckBox15"},         {4, "CheckBox16"}, {5, "CheckBox17"},
                                  {6, "CheckBox18"},         {7, "CheckBox19"}};
constexpr FlagBit kPanelFlags[] = {{0, "CheckBox12"}};
constexpr FlagBit kJammerOutputFlags[] = {{0, "JammerKI1"}, {1, "jammerKI2"}};
constexpr FlagBit kOutput1Flags[] = {{0, "ComboKi1", Item, 1}, {1, "CheckBox2KI1"},
                                     {2, "CheckBox1KI1"},      {3, "CheckBox3KI1", Unchecked},
                                     {4, "ComboKi1", Item, 2}, {5, "CheckBox5KI1"}};
constexpr FlagBit kOutput2Flags[] = {{0, "ComboKi2", Item, 1},
                                     {1, "CheckBox2KI2"},
                                     {2, "CheckBox1KI2"},
                                     {3, "CheckBox3KI2", Unchecked},
                                     {4, "ComboKi2", Item, 2}};

constexpr OutputDef kOutputs[] = {
    {64, 65, kOutput1Flags, "ComboKi1", "SpinKI1", "KI1SECMIN", "Ki1Seconds", 7},
    {67, 68, kOutput2Flags, "ComboKi2", "SpinKI2", "KI2SECMIN", "Ki2Seconds", 9},
};

// --- General bytes, in the order of writing ---------------------------------------------------------------
constexpr ByteFieldDef field(std::uint32_t offset, ByteCodec codec, const char* control, int encodeStep,
                             int decodeStep) {
    ByteFieldDef f;
    f.offset = offset;
    f.codec = codec;
    f.control = control;
    f.encodeStep = encodeStep;
    f.decodeStep = decodeStep;
    return f;
}

constexpr ByteFieldDef flags(std::uint32_t offset, std::span<const FlagBit> bits, int encodeStep,
                             int decodeStep) {
    ByteFieldDef f = field(offset, ByteCodec::Flags, nullptr, encodeStep, decodeStep);
    f.bits = bits;
    return f;
}

constexpr ByteFieldDef gated(std::uint32_t offset, const char* gate, const char* control, std::uint8_t off,
                             int add, std::uint8_t valueMask, GateOff gateOff, int encodeStep,
                             int decodeStep) {
    ByteFieldDef f = field(offset, ByteCodec::Gated, control, encodeStep, decodeStep);
    f.gate = gate;
    f.off = off;
    f.param = add;
    f.valueMask = valueMask;
    f.gateOff = gateOff;
    return f;
}

constexpr ByteFieldDef temperatureLimit(std::uint32_t offset, const char* gate, const char* control) {
    ByteFieldDef f = gated(offset, gate, control, 0xFF, 0, 0xFF, GateOff::ShowZero, 7, 3);
    f.codec = ByteCodec::TemperatureLimit;
    f.typeBox = "ComboBox13";
    return f;
}

constexpr ByteFieldDef plus(ByteFieldDef f, int add) {
    f.param = add;
    return f;
}

constexpr ByteFieldDef door(ByteFieldDef f) {
    f.doorPhone = true;
    return f;
}

using enum ByteCodec;

constexpr ByteFieldDef kByteFields[] = {
    field(0, SecurityCode, "Edit1", 2, 4),
    plus(field(52, Constant, nullptr, 5, 0), 1),
    field(53, PhoneMask, "SMSst15", 5, 4),
    field(54, PhoneMask, "VOICEst15", 5, 4),
    flags(55, kJammerFlags, 5, 4),
    field(118, PhoneMask, "SMSst16", 5, 4),
    field(119, PhoneMask, "SMSst17", 5, 4),
    // Life signal: 0 days = no life signal.
    gated(70, "CheckBox11", "SpinEdit1", 0, 0, 0xFF, GateOff::ShowByte, 6, 2),
    field(71, AsciiDigits2, "SpinEdit2", 6, 2),
    plus(field(73, WriteOnlyValue, "SpinEdit3", 6, 0), 1),
    field(74, PhoneMask, "SMSst11", 6, 2),
    // Automatic opening and closing: hour + 128 while switched on.
    gated(120, "AUTOOPEN", "SpinEdit19", 0, 128, 0x7F, GateOff::ShowByte, 6, 3),
    gated(121, "AUTOCLOSE", "SpinEdit20", 0, 128, 0x7F, GateOff::ShowByte, 6, 3),
    flags(76, kMiscFlags, 7, 8),
    flags(122, kAutoAlarmFlags, 7, 8),
    gated(77, "CheckEgyeb2", "ComboBox11", 0xFF, 0, 0xFF, GateOff::Keep, 7, 4),
    field(78, Value, "SpinEdit4", 7, 4),
    field(79, Value, "SpinEdit5", 7, 4),
    field(113, Value, "SpinEdit18", 7, 4),
    door(field(111, Value, "TrackBar1", 7, 4)),
    door(field(112, Value, "TrackBar2", 7, 4)),
    door(field(115, CheckFF, "CheckBox1", 7, 4)),
    door(field(116, Value, "SpinEdit2", 7, 4)),
    door(field(117, Value, "SpinEdit3", 7, 4)),
    field(80, InputFilter, "ComboBox12", 7, 4),
    flags(81, kGprsFlags, 7, 10),
    temperatureLimit(82, "hkompmax", "SpinEdit6"),
    temperatureLimit(83, "hkompmin", "SpinEdit7"),
    field(85, Value, "SpinEdit8", 7, 2),
    field(86, Value, "SpinEdit9", 7, 2),
    field(92, BE16, "SpinEdit10", 7, 10),
    field(94, Value, "SpinEdit11", 7, 10),
    field(95, Value, "SpinEdit12", 7, 10),
    field(96, Value, "SpinEdit13", 7, 10),
    field(97, Value, "SpinEdit14", 7, 10),
    field(98, Value, "SpinEdit15", 7, 4),
    field(99, Value, "SpinEdit16", 7, 4),
    field(100, Value, "ComboBox15", 7, 4),
    flags(101, kPanelFlags, 7, 4),
    flags(110, kJammerOutputFlags, 7, 4),
    field(106, Value, "ComboBox18", 7, 4),
    field(109, LineVoltage, "VFESZ", 7, 4),
    field(114, PowerAlarmVoltage, "ComboBox20", 7, 4),
    plus(field(102, Value, "ComboBox17", 7, 13), 1),
    field(103, ReceiveLevel, "ComboBox16", 7, 13),
    field(104, BE16, "SpinEdit17", 7, 13),
    // The copy of the test-report period; decoding takes the period from here last.
    field(107, BE16, "SpinEdit10", 7, 13),
};

// --- Texts ---------------------------------------------------------------------------------------------
constexpr TextFieldDef kTextFields[] = {
    {0x360, 32, "riasztas11", 6, 2}, {0x200, 32, "riasztas", 6, 2},  {0x220, 32, "riasztas2", 6, 2},
    {0x240, 32, "riasztas3", 6, 2},  {0x260, 32, "riasztas4", 6, 2}, {0x280, 32, "riasztas5", 6, 2},
    {0x2A0, 32, "riasztas6", 6, 2},  {0x300, 32, "riasztas9", 6, 2}, {0x320, 32, "riasztas10", 6, 2},
    {0x380, 32, "Edit17", 6, 3},     {0x3A0, 32, "Edit18", 6, 3},    {0x3C0, 32, "riasztas15", 6, 4},
    {0x3E0, 32, "Edit8", 6, 4},      {0x500, 127, "Edit12", 9, 10},
};

// --- Contact ID ----------------------------------------------------------------------------------------
constexpr CidCodeDef kCidCodes[] = {
    {0x410, "CIDbe1", "ZONAbe1"}, {0x418, "CIDbe2", "ZONAbe2"},       {0x420, "CIDbe3", "ZONAbe3"},
    {0x428, "CIDbe4", "ZONAbe4"}, {0x450, "CIDtamper", "ZONAtamper"}, {0x458, "CIDtap", "ZONAtap"},
    {0x488, "GPRSelet", nullptr}, {0x490, "CIDelet", nullptr},        {0x498, "CIDnyit", nullptr},
};

constexpr CidTableDef kCidTables[] = {
    {0x340000, "StringGrid2", CidTableKind::Partition},
    {0x344000, "StringGrid3", CidTableKind::Event},
};

// --- Server profiles -----------------------------------------------------------------------------------
constexpr ProfileFieldDef kProfileFields[] = {
    {0x00, 64, ProfileCodec::Folded, "APNNAME%1"}, {0x40, 32, ProfileCodec::Folded, "USER%1"},
    {0x60, 32, ProfileCodec::Folded, "PASS%1"},    {0x80, 16, ProfileCodec::AutoItem, "DNS1_%1"},
    {0x90, 16, ProfileCodec::AutoItem, "DNS2_%1"}, {0xA0, 16, ProfileCodec::AutoItem, "KULCS%1"},
    {0xB0, 64, ProfileCodec::Folded, "IPCIM%1"},   {0xF0, 5, ProfileCodec::Folded, "IPPORT%1"},
    {0xF5, 1, ProfileCodec::Protocol, "PROT%1"},   {0xF6, 1, ProfileCodec::Byte, "UDPTCP%1"},
};

constexpr Region kEditorRegions[] = {
    {0x000, 0x600},
    {0x340000, 0x348000},
    {kProfileBase, kProfileBase + kProfileCount* kProfileStride},
};

} // namespace

std::span<const SourceRecordDef> SourceRecords() {
    return kSources;
}
std::span<const PhoneListDef> PhoneLists() {
    return kPhoneLists;
}
std::span<const ByteFieldDef> ByteFields() {
    return kByteFields;
}
std::span<const OutputDef> Outputs() {
    return kOutputs;
}
std::span<const TextFieldDef> TextFields() {
    return kTextFields;
}
const LegacyStringDef& LegacyApnString() {
    // ", the server text, then ","","" and 0xFF.
    static const LegacyStringDef d = {0x280, QByteArray("\""), "Edit10", 63, QByteArray("\",\"\",\"\"")};
    return d;
}
const LegacyStringDef& LegacyUdpString() {
    // "UDP"," the server text, then ","53500" and 0xFF.
    static const LegacyStringDef d = {0x190, QByteArray("\"UDP\",\""), "Edit11", 45,
                                      QByteArray("\",\"53500\"")};
    return d;
}
std::span<const CidCodeDef> CidCodes() {
    return kCidCodes;
}
std::span<const CidTableDef> CidTables() {
    return kCidTables;
}
std::span<const ProfileFieldDef> ProfileFields() {
    return kProfileFields;
}
std::span<const Region> EditorRegions() {
    return kEditorRegions;
}

} // namespace dalvex::k6config
