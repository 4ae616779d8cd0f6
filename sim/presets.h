#pragma once
// What the simulated module holds when it starts. "empty" is fresh memory (what the tests build
// on); "demo" is a module an installer has programmed and used for a while: its configuration
// from a configuration file per module type (sim/presets/demo-NN.dat), an event log, a signal
// history and a SIM phonebook.

#include "sim/module_sim.h"

#include <optional>
#include <string>
#include <string_view>

namespace dalvex::sim {

enum class Preset { Empty, Demo };

std::optional<Preset> parsePreset(std::string_view name);
// "empty, demo", for the help text and messages.
std::string presetNames();

// What a preset fills besides the configuration; an option given on the command line wins.
struct PresetContents {
    int logRecords = 0;
    int signalSamples = 0;
};
PresetContents presetContents(Preset preset);

// The configuration file a preset loads for a module type (a resource path); empty for "empty".
// Types without a file of their own take the nearest one.
std::string presetFile(Preset preset, int typeCode);

// Puts the preset's configuration into the module's memory: the areas the K6 window reads and sends
// (k6config::kSentAreas: the configuration, the Contact ID bank, the server profiles), and fills its SIM
// phonebook. "empty" changes nothing. False with a message when the preset's file cannot be read.
bool applyPreset(ModuleSim& module, Preset preset, std::string* error);

} // namespace dalvex::sim
