#include "forms.h"

#include "windows.h"
#include "firmware_images.h"
#include "start_window.h"
#include "config_window.h"
#include "wiring_window.h"
#include "resolution_window.h"
#include "contact_window.h"
#include "firmware_window.h"
#include "status_window.h"
#include "monitor_window.h"
#include "gsm_info_window.h"
#include "service_centre_window.h"
#include "event_log_window.h"
#include "signal_chart_window.h"
#include "own_activation.h"

namespace dalvex {

StartWindow* Form1 = nullptr;
ConfigWindow* K6Form1 = nullptr;
StatusWindow* K6Form2 = nullptr;
MonitorWindow* K6Form3 = nullptr;
WiringWindow* K6Form4 = nullptr;
EventLogWindow* k6Form5 = nullptr;
SignalChartWindow* K6Form6 = nullptr;
ResolutionWindow* K6Form7 = nullptr;
ContactWindow* K6Form8 = nullptr;
FirmwareImages* Firmware = nullptr;
FirmwareWindow* K6Form9 = nullptr;
GsmInfoWindow* K6Form10 = nullptr;
DoorPhoneWindow* DPhone1 = nullptr;
ServiceCentreWindow* SMSk = nullptr;

void CreateForms() {
    // Activation handlers run when activation moves between our windows, not on a return from
    // another program.
    OwnActivation::Watch();
    Form1 = new StartWindow;
    K6Form1 = new ConfigWindow;
    K6Form2 = new StatusWindow;
    K6Form3 = new MonitorWindow;
    K6Form4 = new WiringWindow;
    K6Form6 = new SignalChartWindow;
    K6Form7 = new ResolutionWindow;
    K6Form8 = new ContactWindow;
    Firmware = new FirmwareImages;
    K6Form9 = new FirmwareWindow;
    k6Form5 = new EventLogWindow;
    K6Form10 = new GsmInfoWindow;
    DPhone1 = new DoorPhoneWindow;
    SMSk = new ServiceCentreWindow;
}

void DestroyForms() {
    // The other windows first: they may still refer to the start window while closing.
    delete SMSk;
    delete DPhone1;
    delete K6Form10;
    delete k6Form5;
    delete K6Form9;
    delete Firmware;
    delete K6Form8;
    delete K6Form7;
    delete K6Form6;
    delete K6Form4;
    delete K6Form3;
    delete K6Form2;
    delete K6Form1;
    delete Form1;
    SMSk = nullptr;
    DPhone1 = nullptr;
    K6Form10 = nullptr;
    k6Form5 = nullptr;
    K6Form9 = nullptr;
    Firmware = nullptr;
    K6Form8 = nullptr;
    K6Form7 = nullptr;
    K6Form6 = nullptr;
    K6Form4 = nullptr;
    K6Form3 = nullptr;
    K6Form2 = nullptr;
    K6Form1 = nullptr;
    Form1 = nullptr;
}

} // namespace dalvex
