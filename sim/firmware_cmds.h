#pragma once
// The module's side of the firmware download (the memory write 0xFA that carries the image is in
// module_sim.h):
//
//   0xF8 processor query: F(0, 0xF8, 0, 0) -> F(R0, R1, R2, R3), a plain six-byte frame with
//        R0 the processor code, R1 the hardware code, R2 the software version, R3 a second
//        version byte. Processor and hardware code follow the type code: 72 -> 10/72,
//        73 -> 12/73, 74 -> 10/74, 75 -> 10/75; any other type code answers processor 0.
//   0xF9 programmable-logic load: F(0, 0xF9, 0xAA, 0) -> no answer; the module counts it
//        (FirmwareState::logicLoads). Another key byte is ignored. The module answers the
//        version query as before afterwards.
//
// Failure modes of the download are in faults.h: no-processor (the query is never answered) and
// drop-ack (one block acknowledgement of a memory write is lost).

#include <array>
#include <cstdint>
#include <optional>

namespace dalvex::sim {

class ModuleSim;

inline constexpr std::uint8_t kCmdProcessorQuery = 0xF8;
inline constexpr std::uint8_t kCmdLogicLoad = 0xF9;
inline constexpr std::uint8_t kLogicLoadKey = 0xAA;
inline constexpr std::uint8_t kDefaultVersion2 = 1;

// Processor code and hardware code.
using Processor = std::array<std::uint8_t, 2>;

// The processor of a module type.
Processor processorOf(std::uint8_t typeCode);

// What the module keeps for these commands.
struct FirmwareState {
    // Answered instead of the type code's processor (a board the PC does not know, a reply of an
    // older module); nothing: the type code decides.
    std::optional<Processor> processor;
    std::uint8_t version2 = kDefaultVersion2; // R3 of the processor reply
    std::uint64_t logicLoads = 0;             // programmable-logic load commands received
    std::uint64_t processorQueries = 0;
};

void registerFirmwareCommands(ModuleSim& module);

} // namespace dalvex::sim
