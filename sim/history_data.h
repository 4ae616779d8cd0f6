#pragma once
// The module's two histories in the simulator: the event log, read by record number with
// command 8, and the signal-strength memory, read with the ordinary block read from block 0x3000.
// Both live in the module's memory, so a block write that erases their first block (as the PC's
// erase does) empties them.
//
// Event log: 64-byte records from 0x100000 (block 0x1000), the newest first, at most 16384. A
// record with code 0 or 0xFF ends the log (fresh memory is all 0, so an unfilled log is empty).
//   8  F(0, 8, N & 0xFF, N >> 8) -> 256 bytes, no sum: the records N - 4 .. N - 1 of the log
//      (counting from 0, the newest), laid out so that the PC, which takes the block's records in
//      the order 3, 2, 1, 0, meets them newest first: record 3 of the block is log record N - 4,
//      record 0 is log record N - 1. A record outside the log's memory reads as 0xFF bytes.
//
// Signal memory: one byte per sample from 0x300000 (block 0x3000), 1279 blocks; 0xFF ends it.

#include "sim/module_sim.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace dalvex::sim {

inline constexpr std::uint8_t kCmdReadLog = 8;
inline constexpr std::uint32_t kLogAddress = 0x100000;
inline constexpr std::size_t kLogRecordSize = 64;
inline constexpr int kLogCapacity = 16384;
inline constexpr std::uint32_t kSignalAddress = 0x300000;
inline constexpr int kSignalCapacity = 1279 * 256;
inline constexpr std::uint8_t kHistoryEnd = 0xFF;

using LogRecordBytes = std::array<std::uint8_t, kLogRecordSize>;

// One event as the module records it.
struct LogEvent {
    std::uint8_t code = 0;
    int year = 2024, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    std::uint8_t signal = 0;  // 0-31
    std::uint8_t network = 1; // 0 not connected, 1 connected, 3 roaming, other: a fault
    std::string note;         // up to 44 characters; exactly 44 leave no terminator
};

LogRecordBytes makeLogRecord(const LogEvent& event);

// Registers command 8 (ModuleSim does this for every module).
void registerHistoryCommands(ModuleSim& module);

// The 256 bytes command 8 answers for record number `recordNo`.
std::array<std::uint8_t, 256> logBlock(std::span<const std::uint8_t> memory, int recordNo);

// Stores log record `index` (0 the newest); indexes outside the log's memory are ignored.
void writeLogRecord(ModuleSim& module, int index, const LogRecordBytes& record);

// The event codes the module records, in the order fillLog cycles through them.
std::span<const std::uint8_t> logEventCodes();

// Fills the log with `records` realistic events, newest first (every event code in turn, dates
// going back from 5 March 2024 14:07:09, notes, signal levels and network states of all kinds),
// followed by the end mark when there is room for it. Deterministic.
void fillLog(ModuleSim& module, int records);

// Fills the signal memory with `samples` levels (0-31, a slow wave with some noise) and the end
// mark after them when there is room for it. Deterministic.
void fillSignal(ModuleSim& module, int samples);

} // namespace dalvex::sim
