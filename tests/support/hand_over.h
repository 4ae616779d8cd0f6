#pragma once
// The program's windows with every timer held by the test, and the start window's hand-over of a
// module it has found to the K6 window: what the window tests against the simulator all begin with.

#include "sim/pty_module.h"
#include "tests/support/pty_quiet.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QPushButton>
#include <QTimer>

namespace dalvex::test {

// Creates every window and stops their timers: the test ticks them itself.
inline void CreateFormsWithTimersHeld() {
    // Every window, as the design made them at start: the tests find them by their names.
    CreateAllForms();
    startWindow->SendTimer->stop();
    startWindow->IndicatorTimer->stop();
    for (QTimer* t : {configWindow->EngineTimer, configWindow->EngineTimer1, configWindow->EngineTimer2,
                      configWindow->EngineTimer3, configWindow->EngineTimer4})
        t->stop();
}

// The line between `module` and the windows' ports is quiet (pty_quiet.h).
inline bool SettleWindowsLine(const sim::PtyModule& module) {
    return SettlePtyLine(module, {startWindow ? startWindow->SerialPort : nullptr,
                                  configWindow ? configWindow->SerialPort : nullptr});
}

// Ticks `window`'s engine as its timer would until `done`, each tick once the line between
// `module` and the windows' ports is quiet: a reply is always in before the next tick, however busy
// the machine, and a command that gets none is repeated after its countdown of ticks, as on the
// window's timer. Whether `done` holds; a line that was not quiet within its limit clears *settled.
template <typename Pred>
bool TickWindowUntil(const sim::PtyModule& module, ConfigWindow& window, Pred done, int ticks,
                     bool* settled = nullptr) {
    const auto settle = [&] {
        if (!SettleWindowsLine(module) && settled) *settled = false;
    };
    for (int i = 0; i < ticks; ++i) {
        settle();
        if (done()) return true;
        window.EngineTick();
    }
    settle();
    return done();
}

// Activates the start window, probes until `module` on the saved port is identified and presses
// "Indít". Returns false when no module was identified. One probe at a time, each answer in before
// the next tick: a reply still on its way after "Indít" would reach the K6 window's port.
inline bool HandOverFoundModule(const sim::PtyModule& module) {
    startWindow->Activate();
    for (int i = 0; i < 12 && !startWindow->StartButton->isEnabled(); ++i) {
        startWindow->SendTick();
        SettleWindowsLine(module);
    }
    if (!startWindow->StartButton->isEnabled()) return false;
    startWindow->StartButton->click();
    startWindow->HandOverTick();
    // The window's activation arrives as an event; let it come now, so that its version query does
    // not restart later in the middle of a test step.
    waitFor([] { return configWindow->isActiveWindow(); }, 1000);
    return true;
}

} // namespace dalvex::test
