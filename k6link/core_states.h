#pragma once
// The engine's own states: idle, the software version query, the restart and the block-write
// test of the developer menu.

#include "k6link/outcome.h"

#include <cstdint>

namespace dalvex::k6link {

class StateTable;

namespace state {
inline constexpr std::int32_t Idle = 0;
inline constexpr std::int32_t VersionQuery = 99;
inline constexpr std::int32_t Restart = 200;
inline constexpr std::int32_t Send256 = 100000;
} // namespace state

// The VersionNotice values by their short names.
namespace notice {
inline constexpr VersionNotice None = VersionNotice::None;
inline constexpr VersionNotice ShowNow = VersionNotice::ShowNow;
inline constexpr VersionNotice FromMenu = VersionNotice::FromMenu;
inline constexpr VersionNotice AfterFirmware = VersionNotice::AfterFirmware;
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
