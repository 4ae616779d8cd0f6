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

StartWindow* startWindow = nullptr;                 // design: Form1
ConfigWindow* configWindow = nullptr;               // design: K6Form1
StatusWindow* statusWindow = nullptr;               // design: K6Form2
MonitorWindow* monitorWindow = nullptr;             // design: K6Form3
WiringWindow* wiringWindow = nullptr;               // design: K6Form4
EventLogWindow* eventLogWindow = nullptr;           // design: k6Form5
SignalChartWindow* signalChartWindow = nullptr;     // design: K6Form6
ResolutionWindow* resolutionWindow = nullptr;       // design: K6Form7
ContactWindow* contactWindow = nullptr;             // design: K6Form8
FirmwareImages* firmwareImages = nullptr;           // design: Firmware
FirmwareWindow* firmwareWindow = nullptr;           // design: K6Form9
GsmInfoWindow* gsmInfoWindow = nullptr;             // design: K6Form10
DoorPhoneWindow* doorPhoneWindow = nullptr;         // design: DPhone1
ServiceCentreWindow* serviceCentreWindow = nullptr; // design: SMSk

void CreateForms() {
    // Activation handlers run when activation moves between our windows, not on a return from
    // another program.
    OwnActivation::Watch();
    startWindow = new StartWindow;
    configWindow = new ConfigWindow;
    statusWindow = new StatusWindow;
    monitorWindow = new MonitorWindow;
    wiringWindow = new WiringWindow;
    signalChartWindow = new SignalChartWindow;
    resolutionWindow = new ResolutionWindow;
    contactWindow = new ContactWindow;
    firmwareImages = new FirmwareImages;
    firmwareWindow = new FirmwareWindow;
    eventLogWindow = new EventLogWindow;
    gsmInfoWindow = new GsmInfoWindow;
    doorPhoneWindow = new DoorPhoneWindow;
    serviceCentreWindow = new ServiceCentreWindow;
}

void DestroyForms() {
    // The other windows first: they may still refer to the start window while closing.
    delete serviceCentreWindow;
    delete doorPhoneWindow;
    delete gsmInfoWindow;
    delete eventLogWindow;
    delete firmwareWindow;
    delete firmwareImages;
    delete contactWindow;
    delete resolutionWindow;
    delete signalChartWindow;
    delete wiringWindow;
    delete monitorWindow;
    delete statusWindow;
    delete configWindow;
    delete startWindow;
    serviceCentreWindow = nullptr;
    doorPhoneWindow = nullptr;
    gsmInfoWindow = nullptr;
    eventLogWindow = nullptr;
    firmwareWindow = nullptr;
    firmwareImages = nullptr;
    contactWindow = nullptr;
    resolutionWindow = nullptr;
    signalChartWindow = nullptr;
    wiringWindow = nullptr;
    monitorWindow = nullptr;
    statusWindow = nullptr;
    configWindow = nullptr;
    startWindow = nullptr;
}

} // namespace dalvex
