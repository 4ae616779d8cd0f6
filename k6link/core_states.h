#pragma once
// The engine's own states: idle, the software version query, the restart and the block-write
// test of the developer menu.

#include <cstdint>

namespace dalvex::k6link {

class StateTable;

namespace state {
inline constexpr std::int32_t Idle = 0;
inline constexpr std::int32_t VersionQuery = 99;
inline constexpr std::int32_t Restart = 200;
inline constexpr std::int32_t Send256 = 100000;
} // namespace state

// The VersionNotice values.
namespace notice {
inline constexpr int None = 0;
inline constexpr int ShowNow = 1;       // show the version message at the next tick
inline constexpr int FromMenu = 2;      // asked for from the menu: show it when it arrives
inline constexpr int AfterFirmware = 3; // close the firmware window when it arrives
} // namespace notice

// The fixed text before the version in status panel 2.
inline constexpr const char* kVersionPrefix = "Sw: ";
// A version byte up to this value is no version: Version keeps its value.
inline constexpr int kNoVersionUpTo = 10;
// The block and fill byte of the block-write test.
inline constexpr std::uint8_t kSend256Block = 0x30;
inline constexpr std::uint8_t kSend256Fill = 0x01;

void RegisterEngineStates(StateTable& table);

} // namespace dalvex::k6link
