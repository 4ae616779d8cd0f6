#include "sim/presets.h"

#include "k6config/config_file.h"
#include "k6config/image_diff.h"
#include "sim/gsm_modem.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <array>

// The configuration files are resources of this static library; without a reference from its
// code the linker would drop them.
static void InitPresetResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(presets);
        return true;
    }();
    (void)done;
}

namespace dalvex::sim {

namespace {

struct PresetDef {
    Preset preset;
    const char* name;
    PresetContents contents;
};

constexpr PresetDef kPresets[] = {
    {Preset::Empty, "empty", {0, 0}},
    {Preset::Demo, "demo", {400, 6000}},
};

// The demo module's SIM card: the people a technician would have stored on it.
constexpr std::array<std::array<const char*, 2>, 9> kDemoPhonebook = {{
    {"+36301234567", "Kovacs Janos"},
    {"+36209876543", "Kovacsne Eva"},
    {"+36705551234", "Szabo Peter raktar"},
    {"+3612345678", "Orszolgalat"},
    {"+36304445566", "Toth Gabor szerelo"},
    {"+36201112233", "Nagy Istvan"},
    {"1270", "Egyenleg"},
    {"+36309998877", "Kiss Anna iroda"},
    {"+36706667788", "Kapu nyito"},
}};

const PresetDef& def(Preset preset) {
    return *std::find_if(std::begin(kPresets), std::end(kPresets),
                         [&](const PresetDef& d) { return d.preset == preset; });
}

} // namespace

std::optional<Preset> parsePreset(std::string_view name) {
    for (const PresetDef& d : kPresets)
        if (name == d.name) return d.preset;
    return std::nullopt;
}

std::string presetNames() {
    std::string names;
    for (const PresetDef& d : kPresets)
        names += (names.empty() ? "" : ", ") + std::string(d.name);
    return names;
}

PresetContents presetContents(Preset preset) {
    return def(preset).contents;
}

std::string presetFile(Preset preset, int typeCode) {
    if (preset == Preset::Empty) return {};
    return ":/sim/presets/demo-" + std::to_string(std::clamp(typeCode, 72, 75)) + ".dat";
}

bool applyPreset(ModuleSim& module, Preset preset, std::string* error) {
    if (preset == Preset::Empty) return true;
    InitPresetResources();
    const std::string path = presetFile(preset, module.typeCode());
    k6config::ConfigImage image;
    k6config::CustomerFields fields;
    // Compiled in: a resource, which only QFile opens.
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || !k6config::OpenConfigData(file.readAll(), image, fields)) {
        if (error) *error = "cannot read the preset configuration " + path;
        return false;
    }
    const std::span<std::uint8_t> memory = module.memory();
    for (const k6config::ImageArea& a : k6config::kSentAreas) {
        const std::span<const std::uint8_t> from = image.block(a.first, a.end - a.first);
        std::copy(from.begin(), from.end(), memory.begin() + a.first);
    }
    GsmModem& modem = module.modem();
    modem.clearPhonebook();
    int index = 1;
    for (const auto& [number, name] : kDemoPhonebook)
        modem.setEntry(index++, {number, name});
    return true;
}

} // namespace dalvex::sim
