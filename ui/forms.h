#pragma once
// The program's windows. Each is created once, hidden, the first time it is needed, and lives until
// the program ends; windows reach each other through these pointers, as the handlers expect. To the
// code that uses them the windows exist from CreateForms() on, in the design's order: the start
// window first, so that it is the application's main window, then the K6 window and the others.

#include <functional>

class QApplication;
class QWidget;

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

namespace forms {
// Creates the window of `rank` (its place in the design's order of creation).
void Create(int rank);
// The window of `rank` once it exists, else nullptr.
void* Existing(int rank);
// Whether the window of `rank` may be created now: between CreateForms() and DestroyForms(), and,
// while another window is being created, only the windows the design created before that one (a
// later one would not exist yet at that point, as with the design's forms).
bool MayCreate(int rank);
// Runs `then` with the window of `rank` as soon as it exists (at once when it does), and creates the
// window when the event loop is next free, unless something needs it sooner.
void Soon(int rank, std::function<void(QWidget*)> then);
} // namespace forms

// A window that is created on first use. It converts to the window's pointer, creating the window
// when it may; `Existing()` gives it without creating it (the language passes, the clean-up).
template <typename W, int Rank> class Form {
public:
    W* get() const {
        if (!forms::Existing(Rank) && forms::MayCreate(Rank)) forms::Create(Rank);
        return static_cast<W*>(forms::Existing(Rank));
    }
    W* Existing() const { return static_cast<W*>(forms::Existing(Rank)); }
    W* operator->() const { return get(); }
    W& operator*() const { return *get(); }
    operator W*() const { return get(); }
    void Soon(std::function<void(W&)> then) const {
        forms::Soon(Rank, [then = std::move(then)](QWidget*) { then(*static_cast<W*>(forms::Existing(Rank))); });
    }
};

// In the design's order of creation.
extern const Form<StartWindow, 0> startWindow;                   // design: Form1
extern const Form<ConfigWindow, 1> configWindow;                 // design: K6Form1
extern const Form<StatusWindow, 2> statusWindow;                 // design: K6Form2
extern const Form<MonitorWindow, 3> monitorWindow;               // design: K6Form3
extern const Form<WiringWindow, 4> wiringWindow;                 // design: K6Form4
extern const Form<SignalChartWindow, 5> signalChartWindow;       // design: K6Form6
extern const Form<ResolutionWindow, 6> resolutionWindow;         // design: K6Form7
extern const Form<ContactWindow, 7> contactWindow;               // design: K6Form8
extern const Form<FirmwareImages, 8> firmwareImages;             // design: Firmware
extern const Form<FirmwareWindow, 9> firmwareWindow;             // design: K6Form9
extern const Form<EventLogWindow, 10> eventLogWindow;            // design: k6Form5
extern const Form<GsmInfoWindow, 11> gsmInfoWindow;              // design: K6Form10
extern const Form<DoorPhoneWindow, 12> doorPhoneWindow;          // design: DPhone1
extern const Form<ServiceCentreWindow, 13> serviceCentreWindow;  // design: SMSk

// Creates the start window, hidden; the others follow when first used.
void CreateForms();
// Creates every window that does not exist yet, in the design's order, as the design did at start
// (the controls' index, tests).
void CreateAllForms();
// Destroys the windows that exist (tests).
void DestroyForms();

} // namespace dalvex
