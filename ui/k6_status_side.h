#pragma once
// The K6 window's side of the module status and monitor windows: the status poll, the monitor
// mode and the modem-mode entry of the terminal, registered with the window's engine, and the
// handlers of "Modul állapot megjelenítése" / "Modul állapotok", "Monitor" and "Monitor+AT".

#include "k6link/modem_mode.h"
#include "k6link/monitor_mode.h"
#include "k6link/status_poll.h"

#include <QObject>

namespace dalvex {

class ConfigWindow;

class K6StatusSide : public QObject, private k6link::StatusHost {
    Q_OBJECT
public:
    explicit K6StatusSide(ConfigWindow& window);

    k6link::StatusPoll& Poll() { return poll_; }
    k6link::MonitorMode& Monitor() { return monitor_; }
    k6link::ModemMode& Modem() { return modem_; }

    // The menu item and the button "Modul állapotok".
    void ModuleStatusClick(); // design: Modulllapotmegjelentse1Click
    void MonitorClick();      // design: Hibakeress1Click; "Monitor"
    void MonitorAtClick();    // design: MonitorAT1Click; "Monitor+AT"

private:
    void StatusRefreshed(const k6link::StatusBytes& s) override;
    void TestEndDone() override;

    ConfigWindow& w_;
    k6link::StatusPoll poll_;
    k6link::MonitorMode monitor_;
    k6link::ModemMode modem_;
};

} // namespace dalvex
