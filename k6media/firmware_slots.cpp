#include "firmware_slots.h"

#include <algorithm>

namespace dalvex::k6media {

const FirmwareSlotDef* FindFirmwareSlot(int slot) {
    for (const FirmwareSlotDef& s : kFirmwareSlots)
        if (s.slot == slot) return &s;
    return nullptr;
}

std::optional<int> ImageVersion(int slot) {
    const FirmwareSlotDef* s = FindFirmwareSlot(slot);
    if (!s) return std::nullopt;
    bool ok = false;
    const int v = QString::fromLatin1(s->versionLabel).toInt(&ok);
    if (!ok) return std::nullopt;
    return v;
}

bool IsOldProcessorVersion(int version) {
    return std::find(kOldProcessorVersions.begin(), kOldProcessorVersions.end(), version) !=
           kOldProcessorVersions.end();
}

} // namespace dalvex::k6media
