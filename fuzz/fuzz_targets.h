#pragma once
// The cores of the fuzz targets: each takes arbitrary bytes and must neither crash nor read or
// write outside a buffer, whatever they hold. libFuzzer drives them in the clang build
// (DALVEX_FUZZ=ON); the ordinary build replays the seed corpus through the same functions.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace dalvex::fuzz {

using Input = std::span<const std::uint8_t>;

void FuzzConfigFile(Input data);    // a configuration file opened from disk
void FuzzCallerIdFiles(Input data); // caller-ID CSV and SIM import
void FuzzWav(Input data);           // WAV check and the voice block builder
void FuzzFirmwareText(Input data);  // firmware text converter and line joiner
void FuzzLogRecords(Input data);    // event log record decoding and its CSV
void FuzzModemReplies(Input data);  // the modem reply readers and input checks
void FuzzEngineReceive(Input data); // the engine's receive path in a registered state
// How many states FuzzEngineReceive chooses from: its first two bytes (little-endian) pick one,
// modulo this count.
std::size_t EngineStateCount();

struct Target {
    std::string_view name; // also the folder of its seeds under tests/data/fuzz/
    void (*run)(Input);
};

inline constexpr Target kTargets[] = {
    {"config_file", FuzzConfigFile},
    {"callerid_files", FuzzCallerIdFiles},
    {"wav", FuzzWav},
    {"firmware_text", FuzzFirmwareText},
    {"log_records", FuzzLogRecords},
    {"modem_replies", FuzzModemReplies},
    {"engine_receive", FuzzEngineReceive},
};

} // namespace dalvex::fuzz
