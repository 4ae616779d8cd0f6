#include "page_rules.h"

#include <vector>

namespace dalvex::k6pages {

namespace {

constexpr SourceLists kSourceLists[] = {
    {"ComboBox1", "SMSst1", "VOICEst1"}, {"ComboBox2", "SMSst2", "VOICEst2"},
    {"ComboBox3", "SMSst3", "VOICEst3"}, {"ComboBox4", "SMSst4", "VOICEst4"},
    {"ComboBox5", "SMSst5", "VOICEst5"}, {"ComboBox6", "SMSst6", "VOICEst6"},
    {"ComboBox9", "SMSst9", "VOICEst9"}, {"ComboBox10", "SMSst10", "VOICEst10"},
};

// The temperature limits: their check boxes while the temperature source is in use, each spin box
// while the source is in use and its box is checked.
const EnableRule kOtherRules[] = {
    // The temperature source's lists take input whatever its type (the table starts them disabled
    // with the type "Nem használt", and no handler would ever enable them).
    {"SMSst13", {}},
    {"VOICEst13", {}},
    {"hkompmax", {"ComboBox13", When::NotItem0}},
    {"hkompmin", {"ComboBox13", When::NotItem0}},
    {"SpinEdit6", {"ComboBox13", When::NotItem0}, {"hkompmax", When::Checked}},
    {"SpinEdit7", {"ComboBox13", When::NotItem0}, {"hkompmin", When::Checked}},
    // Output on-times only for the timed (MONO) mode.
    {"SpinKI1", {"ComboKi1", When::Item0}},
    {"KI1SECMIN", {"ComboKi1", When::Item0}},
    {"SpinKI2", {"ComboKi2", When::Item0}},
    {"KI2SECMIN", {"ComboKi2", When::Item0}},
    {"CheckBox3KI1", {"CheckBox1KI1", When::Checked}},
    {"CheckBox3KI2", {"CheckBox1KI2", When::Checked}},
    {"SpinEdit1", {"CheckBox11", When::Checked}},
    {"SpinEdit2", {"CheckBox11", When::Checked}},
    {"SpinEdit3", {"CheckBox11", When::Checked}},
    {"ComboBox11", {"CheckEgyeb2", When::Checked}},
    {"CheckBox12", {"ComboBox15", When::Item1}},
    {"SpinEdit19", {"AUTOOPEN", When::Checked}},
    {"SpinEdit20", {"AUTOCLOSE", When::Checked}},
};

const std::vector<EnableRule>& enableRules() {
    static const std::vector<EnableRule> rules = [] {
        std::vector<EnableRule> r;
        for (const SourceLists& s : kSourceLists) {
            r.push_back({s.sms, {s.typeBox, When::NotItem0}});
            r.push_back({s.voice, {s.typeBox, When::NotItem0}});
        }
        r.insert(r.end(), std::begin(kOtherRules), std::end(kOtherRules));
        return r;
    }();
    return rules;
}

const SelectionDefault kActivationSelections[] = {
    {"ComboKi1", 0},   {"ComboKi2", 0},   {"ComboBox1", 1},      {"ComboBox2", 1},  {"ComboBox3", 1},
    {"ComboBox4", 1},  {"ComboBox9", 1},  {"ComboBox10", 1},     {"ComboBox12", 2}, // "Normál"
    {"ComboBox13", 0}, {"ComboBox15", 0}, {"ComboBox16", 5, 73},                    // "6"
};

using enum Effect;
constexpr int kAny = kAnyVersion;
constexpr int kNone = kNoLimit;

// The menu items: "Monitor" Hibakeress1, "Naplo kiolvasása" Naplokiolvassa1, "Karbantartás"
// Karbantarts1, "Firmware Download" FirmwareDownload1.
const VersionRule kVersionRules[] = {
    {{}, kAny, kNone, Hide, {"ComboBox15"}},
    {{}, 16, kNone, Enable, {"Hibakeress1"}},
    {{}, 19, kNone, Show, {"CheckEgyeb4"}},
    {{}, 20, kNone, Show, {"CheckEgyeb5"}},
    {{}, 23, kNone, Show, {"CheckEgyeb6"}},
    {{}, 70, kNone, Show, {"Naplokiolvassa1"}},
    {{}, 73, kNone, Show, {"Karbantarts1", "ComboBox15"}},
    {{}, kAny, 73, Hide, {"CheckBox12"}},
    {{}, kAny, 74, Hide, {"TabSheet24", "best15", "best25", "best35", "best45", "best95", "best105"}},
    {{},
     kAny,
     75,
     Hide,
     {"Label129", "SpinEdit17", "ELETcid", "Label138", "CIDelet", "CheckEgyeb8", "Label109", "CIDnyit"}},
    {{}, 68, kNone, Show, {"FirmwareDownload1"}},
    {{73},
     kAny,
     kNone,
     Hide,
     {"CheckEgyeb3", "CheckEgyeb4", "CheckEgyeb6", "Label57", "ComboBox12", "ComboBox15"}},
    {{73}, kAny, kNone, SelectFirstItem, {"ComboBox3", "ComboBox4"}},
    {{72, 73}, kAny, 82, Hide, {"TabSheet27", "ComboBox20", "Label175"}},
    {{72, 73}, kAny, 83, Hide, {"CheckEgyeb2_0", "SpinEdit19", "SpinEdit20", "AUTOOPEN", "AUTOCLOSE"}},
    {{72, 73}, kAny, 78, Hide, {"best16", "best26", "best36", "best46", "best96", "best106", "TabSheet26"}},
    {{72, 73}, 81, kNone, Show, {"TabSheet20"}},
    {{72, 73}, 81, kNone, Hide, {"CheckBox15", "CheckBox16", "RadioGroup1"}},
    {{74}, 77, kNone, Show, {"TabSheet20", "CheckBox14"}},
    {{74}, kAny, 80, DisableAndEmpty, {"TAV1", "TAV2"}},
    {{74}, kAny, 81, Hide, {"best16", "best26", "best36", "best46", "best96", "best106", "TabSheet26"}},
    {{74}, kAny, 84, Hide, {"CheckBox18"}},
    {{74}, 84, kNone, Show, {"Panel10"}},
    {{74}, 84, kNone, Hide, {"TabSheet27"}},
    {{}, kAny, 18, Hide, {"TabSheet16"}},
};

// The power monitor's type and sense, the options of later module versions, the legacy server
// texts, and CheckBox14, which only a line-simulator module of version 7.7 or later shows.
constexpr const char* kHiddenByDesign[] = {"ComboBox10",  "CheckBox10",  "CheckEgyeb3",
                                           "CheckEgyeb4", "CheckEgyeb5", "CheckEgyeb6",
                                           "Edit10",      "Edit11",      "CheckBox14"};

} // namespace

std::span<const SourceLists> EightSourceLists() {
    return kSourceLists;
}

std::span<const EnableRule> EnableRules() {
    return enableRules();
}

std::span<const SelectionDefault> ActivationSelections() {
    return kActivationSelections;
}

std::span<const VersionRule> VersionRules() {
    return kVersionRules;
}

std::span<const char* const> HiddenByDesign() {
    return kHiddenByDesign;
}

} // namespace dalvex::k6pages
