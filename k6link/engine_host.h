#pragma once
// Everything the engine shows or asks of its window. The K6 window implements it; tests and
// headless drivers implement it too. The engine never touches a widget.

#include <QString>

namespace dalvex::k6link {

class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Tick step 1: the current time in the clock label, the customer name in its label.
    virtual void ShowClockAndCustomer() = 0;
    // The start window's PortReleased: until it is set the start window owns the port.
    virtual bool PortReleased() = 0;
    // A persisted setting ("comport"); empty when missing.
    virtual QString ReadSetting(const QString& name) = 0;
    // Status bar: 0 port name, 2 software version, 3 operation in progress.
    virtual void SetStatusPanel(int panel, const QString& text) = 0;
    // A message box with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // A tick found an operation in progress: the engine timer runs at 50 ms from now on.
    virtual void OperationRunning() = 0;
    // The version reply enables the read and send buttons (K6 window and door-phone window).
    virtual void EnableTransferButtons() = 0;
    // The version arrived after a firmware load.
    virtual void CloseFirmwareWindow() = 0;
    // The version- and module-type-dependent visibility, after every version reply.
    virtual void ApplyVersionRules(int version, int moduleType) = 0;
};

} // namespace dalvex::k6link
