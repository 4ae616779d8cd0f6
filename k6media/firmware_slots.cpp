#include "firmware_slots.h"

#include <algorithm>

namespace dalvex::k6media {

const FirmwareSlotDef* FindFirmwareSlot(int slot) {
    for (const FirmwareSlotDef& s : kFirmwareSlots)
        if (s.slot == slot) return &s;
    return nullptr;
}

bool IsOldProcessorVersion(int version) {
    return std::find(kOldProcessorVersions.begin(), kOldProcessorVersions.end(), version) !=
           kOldProcessorVersions.end();
}

} // namespace dalvex::k6media
