#pragma once
// The firmware images the program carries and how a module's processor reply picks one of them.
//
// A slot names one image. The processor query answers R0 the processor code and R1 the hardware
// code; the two recognition tables map them to a slot, one for older modules (Version 29 or 68,
// which do not know the door-phone board) and one for every other module. The images themselves,
// with their versions, come from the firmware folders (firmware_library.h).

#include "i18n/module_models.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace dalvex::k6media {

inline constexpr int kNoSlot = 0;

struct FirmwareSlotDef {
    int slot;
    const char* company;   // first row label of the image in FirmwareImages
    const char* processor; // follows the image's version in the second row label ("8.3 J10")
};

inline constexpr std::array<FirmwareSlotDef, 5> kFirmwareSlots{{
    {10, "Telgor", "J10"},
    {11, "Telgor", "J11"},
    {12, "Simvo", "26K22"},
    {13, "Varnet", "J10"},
    {14, "Portun", "J10"},
}};

// The slot's row, or null for a code outside the table.
const FirmwareSlotDef* FindFirmwareSlot(int slot);

// The model whose name follows the processor label ("Processor: J10/ " and the name): its type
// code, or kNoModelName.
inline constexpr int kNoModelName = 0;

// Which text of FirmwareTexts a recognised processor shows.
enum class ProcessorLabel { J10Varnet, J10, J10Model, J11, K22, K22Model };

inline constexpr int kAnyHardware = -1;

struct ProcessorMatch {
    int processor; // R0
    int hardware;  // R1, or kAnyHardware
    int slot;
    ProcessorLabel label;
    int nameOf; // type code of the model named after the label, or kNoModelName
};

// A model's row: its processor code, its type code as the hardware code and its image's slot come
// from the model table.
constexpr ProcessorMatch ModelProcessor(int typeCode, ProcessorLabel label, int nameOf) {
    const ModuleModel& m = *FindModel(typeCode);
    return {m.processorCode, m.typeCode, m.firmwareSlot, label, nameOf};
}
// The J11 board, of no model of its own: any hardware code, slot 11.
inline constexpr ProcessorMatch kJ11{11, kAnyHardware, 11, ProcessorLabel::J11, kNoModelName};

// Older modules (Version 29 or 68): the first row that matches decides.
inline constexpr std::array<ProcessorMatch, 4> kOldProcessors{{
    ModelProcessor(74, ProcessorLabel::J10Varnet, kNoModelName),
    ModelProcessor(72, ProcessorLabel::J10, kNoModelName),
    kJ11,
    ModelProcessor(73, ProcessorLabel::K22, kNoModelName),
}};

// Every other module.
inline constexpr std::array<ProcessorMatch, 5> kProcessors{{
    ModelProcessor(74, ProcessorLabel::J10Varnet, kNoModelName),
    ModelProcessor(72, ProcessorLabel::J10Model, 72),
    kJ11,
    ModelProcessor(73, ProcessorLabel::K22Model, 73),
    ModelProcessor(75, ProcessorLabel::J10Model, 75),
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
