#pragma once
// A simulated module as this tool leaves it: the demo configuration of its type, as the pages
// encode it. The demo presets hold empty server-profile texts in a form the encoder does not write
// (0xFF 0x00 where it writes " " 0xFF), so a module read straight from a preset has four profile
// blocks that the first send rewrites whatever changed; one that this tool has programmed has not.
// Shared by the tests and the timing programs of the send by what changed.

#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/image_diff.h"
#include "k6config/page_values.h"
#include "sim/module_sim.h"
#include "sim/presets.h"

#include <string>

namespace dalvex::test {

// The module's configuration areas through the codec, as a send of what a read shows leaves them.
inline void EncodeAsPages(sim::ModuleSim& m, int type) {
    k6config::ConfigImage image;
    for (const k6config::ImageArea& a : k6config::kSentAreas)
        for (std::uint32_t i = a.first; i < a.end; ++i)
            image.set(i, m.memory()[i]);
    k6config::PageValues values(k6config::K6Controls()), door(k6config::DoorPhoneControls());
    const k6config::ImageContext context{type == 74 ? 74 : 72};
    k6config::DecodeConfigImage(image, values, door, context);
    k6config::EncodeConfigImage(image, values, door, context);
    for (const k6config::ImageArea& a : k6config::kSentAreas)
        for (std::uint32_t i = a.first; i < a.end; ++i)
            m.memory()[i] = image.at(i);
}

// A module of `type` and `version` holding the demo configuration as this tool programmed it.
// False, with `error` set, when the preset cannot be read.
inline bool ProgramDemo(sim::ModuleSim& m, int type, int version, std::string* error) {
    m.setTypeCode(static_cast<std::uint8_t>(type));
    m.setVersion(static_cast<std::uint8_t>(version));
    if (!sim::applyPreset(m, sim::Preset::Demo, error)) return false;
    EncodeAsPages(m, type);
    return true;
}

} // namespace dalvex::test
