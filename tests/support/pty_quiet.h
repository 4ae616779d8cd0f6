#pragma once
// When the pseudo-terminal line between a simulated module and the PC's ports is quiet, for the
// tests that tick the engine themselves over a pty: they tick once it is, instead of after a pause
// that a busy machine can make too short. Used by SimRig's pty line and by the window tests, whose
// ports belong to the windows.

#include "serial/async32.h"
#include "sim/pty_module.h"
#include "tests/support/wait.h"

#include <initializer_list>

namespace dalvex::test {

// The longest a line may take to become quiet before a test goes on without it.
inline constexpr int kSettleLimitMs = 20000;

// The module has taken in every byte the PC wrote and has nothing in hand, and the PC has read
// everything the module sent (while one of `pcPorts` is open to read it); or the line has closed
// and every open port has seen it go.
inline bool PtyLineQuiet(const sim::PtyModule& module, std::initializer_list<const TAsynComm32*> pcPorts) {
    bool listening = false; // a port is open on the line and has not lost it
    for (const TAsynComm32* p : pcPorts)
        if (p && p->IsOpen() && !p->Lost()) listening = true;
    if (module.lineClosed()) return !listening;
    // In this order: see PtyModule::inputPending.
    if (module.inputPending() || !module.idle()) return false;
    return !listening || !module.outputPending();
}

// Processes events (the ports hand their bytes over as events) until the line is quiet; false when
// it was not within the limit.
inline bool SettlePtyLine(const sim::PtyModule& module, std::initializer_list<const TAsynComm32*> pcPorts,
                          int limitMs = kSettleLimitMs) {
    return waitFor([&] { return PtyLineQuiet(module, pcPorts); }, limitMs);
}

} // namespace dalvex::test
