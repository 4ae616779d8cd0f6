#pragma once
// The door-phone window's rules over the values: what its send puts into the K6 window's values
// before the K6 window sends them, and the items of its SMS forwarding target list. The door phone
// has four bell inputs; input N calls flat N's number and its reserve and sends no SMS.

#include "page_values.h"

#include <QStringList>

namespace dalvex::k6config {

// The K6 window's controls that the door-phone window mirrors, in the order of its table.
const QStringList& DoorPhoneMirroredControls();

// The K6 window's controls that every door-phone send sets whatever that window holds: the
// presets of step 2 and the voice lists of step 3.
const QStringList& DoorPhoneSetControls();

// Step 1 of the send: the mirrored values into the K6 window's values. The output times go in as
// seconds (the unit selectors switch to "Sec" first); the forwarding target keeps its item.
void CopyDoorPhoneToK6(const PageValues& door, PageValues& k6);

// Step 2: what a door phone needs whatever the user set: 4 call repetitions, the microphone mode,
// no siren tone on inputs 1-4, a low input filter, inputs 1-4 normally open, and no voice or SMS
// target on inputs 1-4.
void ApplyDoorPhonePresets(PageValues& k6);

// Step 3: each phone number set in the door-phone window ticks its item in the voice list of its
// flat's bell input (numbers 1, 2 on input 1 ... numbers 7, 8 on input 4).
void TickBellTargets(const PageValues& door, PageValues& k6);

// Steps 1 to 3 in their order: the K6 window's values are then ready for its send.
void PrepareDoorPhoneSend(const PageValues& door, PageValues& k6);

// The eight items of the SMS forwarding target list: the phone number where it is set, otherwise
// "Phone1".."Phone8".
QStringList DoorPhoneTargetItems(const PageValues& door);

} // namespace dalvex::k6config
