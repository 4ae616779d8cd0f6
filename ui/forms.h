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

extern StartWindow* Form1;
extern ConfigWindow* K6Form1;
extern StatusWindow* K6Form2;
extern MonitorWindow* K6Form3;
extern WiringWindow* K6Form4;
extern EventLogWindow* k6Form5;
extern SignalChartWindow* K6Form6;
extern ResolutionWindow* K6Form7;
extern ContactWindow* K6Form8;
extern FirmwareImages* Firmware;
extern FirmwareWindow* K6Form9;
extern GsmInfoWindow* K6Form10;
extern DoorPhoneWindow* DPhone1;
extern ServiceCentreWindow* SMSk;

// Creates every window, hidden: the start window first, then the K6 window and the others.
void CreateForms();
// Destroys them again (tests).
void DestroyForms();

} // namespace dalvex
