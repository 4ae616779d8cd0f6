#pragma once
// The program's windows. Every window is created once, hidden, by CreateForms() and lives until
// the program ends; windows reach each other through these pointers, as the handlers expect.

class QApplication;

namespace dalvex {

class StartWindow;
class ConfigWindow;
class StatusWindow;
class MonitorWindow;
class WiringWindow;
class EventLogWindow;
class SignalChartWindow;
class ResolutionWindow;
class ContactWindow;
class FirmwareImages;
class FirmwareWindow;
class GsmInfoWindow;
class DoorPhoneWindow;
class ServiceCentreWindow;

extern StartWindow* startWindow;                 // design: Form1
extern ConfigWindow* configWindow;               // design: K6Form1
extern StatusWindow* statusWindow;               // design: K6Form2
extern MonitorWindow* monitorWindow;             // design: K6Form3
extern WiringWindow* wiringWindow;               // design: K6Form4
extern EventLogWindow* eventLogWindow;           // design: k6Form5
extern SignalChartWindow* signalChartWindow;     // design: K6Form6
extern ResolutionWindow* resolutionWindow;       // design: K6Form7
extern ContactWindow* contactWindow;             // design: K6Form8
extern FirmwareImages* firmwareImages;           // design: Firmware
extern FirmwareWindow* firmwareWindow;           // design: K6Form9
extern GsmInfoWindow* gsmInfoWindow;             // design: K6Form10
extern DoorPhoneWindow* doorPhoneWindow;         // design: DPhone1
extern ServiceCentreWindow* serviceCentreWindow; // design: SMSk

// Creates every window, hidden: the start window first, then the K6 window and the others.
void CreateForms();
// Destroys them again (tests).
void DestroyForms();

} // namespace dalvex
