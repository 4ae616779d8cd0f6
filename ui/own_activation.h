#pragma once
// When a window's activation handler runs: when activation moves to the window from another of the
// program's own windows (a message box or file dialog included), or when the window is shown and
// activated for the first time since it was hidden; not when the user comes back to it from
// another program, which would otherwise send a version query, empty a window's fields or discard
// an unsaved choice each time.
//
// One application-wide event filter follows which of the program's windows was last active. A
// window asks from its changeEvent:
//
//     if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
//         FormActivate();

class QWidget;

namespace dalvex {

namespace OwnActivation {

// Starts following the program's windows (idempotent; needs the QApplication).
void Watch();
// Whether the activation `window` is receiving now moved to it from another of the program's
// windows or is its first since it was shown.
bool Moved(QWidget* window);

} // namespace OwnActivation

} // namespace dalvex
