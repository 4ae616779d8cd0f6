#pragma once
// The firmware images the program carries and how a module's processor reply picks one of them.
//
// A slot names one image. The processor query answers R0 the processor code and R1 the hardware
// code; the two recognition tables map them to a slot, one for older modules (Version 29 or 68,
// which do not know the door-phone board) and one for every other module. The images themselves,
// with their versions, come from the firmware folders (firmware_library.h).

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace dalvex::k6media {

inline constexpr int kNoSlot = 0;

struct FirmwareSlotDef {
    int slot;
    const char* company;     // first row label of the image in TFirmware
    const char* processor;   // follows the image's version in the second row label ("8.3 J10")
    const char* versionName; // component name of the version label ("Label11"); empty: none
};

inline constexpr std::array<FirmwareSlotDef, 5> kFirmwareSlots{{
    {10, "Telgor", "J10", "Label11"},
    {11, "Telgor", "J11", ""},
    {12, "Simvo", "26K22", "Label12"},
    {13, "Varnet", "J10", "Label13"},
    {14, "Portun", "J10", "Label14"},
}};

// The slot's row, or null for a code outside the table.
const FirmwareSlotDef* FindFirmwareSlot(int slot);

// Which model name follows the processor label ("Processor: J10/ " and the name).
enum class ModelSuffix { None, Pro, Mini, Door };

// Which text of FirmwareTexts a recognised processor shows.
enum class ProcessorLabel { J10Varnet, J10, J10Model, J11, K22, K22Model };

inline constexpr int kAnyHardware = -1;

struct ProcessorMatch {
    int processor; // R0
    int hardware;  // R1, or kAnyHardware
    int slot;
    ProcessorLabel label;
    ModelSuffix suffix;
};

// Older modules (Version 29 or 68): the first row that matches decides.
inline constexpr std::array<ProcessorMatch, 4> kOldProcessors{{
    {10, 74, 13, ProcessorLabel::J10Varnet, ModelSuffix::None},
    {10, 72, 10, ProcessorLabel::J10, ModelSuffix::None},
    {11, kAnyHardware, 11, ProcessorLabel::J11, ModelSuffix::None},
    {12, 73, 12, ProcessorLabel::K22, ModelSuffix::None},
}};

// Every other module.
inline constexpr std::array<ProcessorMatch, 5> kProcessors{{
    {10, 74, 13, ProcessorLabel::J10Varnet, ModelSuffix::None},
    {10, 72, 10, ProcessorLabel::J10Model, ModelSuffix::Pro},
    {11, kAnyHardware, 11, ProcessorLabel::J11, ModelSuffix::None},
    {12, 73, 12, ProcessorLabel::K22Model, ModelSuffix::Mini},
    {10, 75, 14, ProcessorLabel::J10Model, ModelSuffix::Door},
}};

// The module versions whose processor reply is taken without its check bytes and without a
// version comparison.
inline constexpr std::array<int, 2> kOldProcessorVersions{29, 68};
bool IsOldProcessorVersion(int version);

// The row of `table` that names R0 and R1, or null.
template <std::size_t N>
const ProcessorMatch* MatchProcessor(const std::array<ProcessorMatch, N>& table, int r0, int r1) {
    for (const ProcessorMatch& m : table)
        if (m.processor == r0 && (m.hardware == kAnyHardware || m.hardware == r1)) return &m;
    return nullptr;
}

} // namespace dalvex::k6media
