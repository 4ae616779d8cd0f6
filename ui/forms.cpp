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
#include "language_pass.h"

#include <QApplication>
#include <QTimer>
#include <iterator>
#include <utility>
#include <vector>

namespace dalvex {

const Form<StartWindow, 0> startWindow;                   // design: Form1
const Form<ConfigWindow, 1> configWindow;                 // design: K6Form1
const Form<StatusWindow, 2> statusWindow;                 // design: K6Form2
const Form<MonitorWindow, 3> monitorWindow;               // design: K6Form3
const Form<WiringWindow, 4> wiringWindow;                 // design: K6Form4
const Form<SignalChartWindow, 5> signalChartWindow;       // design: K6Form6
const Form<ResolutionWindow, 6> resolutionWindow;         // design: K6Form7
const Form<ContactWindow, 7> contactWindow;               // design: K6Form8
const Form<FirmwareImages, 8> firmwareImages;             // design: Firmware
const Form<FirmwareWindow, 9> firmwareWindow;             // design: K6Form9
const Form<EventLogWindow, 10> eventLogWindow;            // design: k6Form5
const Form<GsmInfoWindow, 11> gsmInfoWindow;              // design: K6Form10
const Form<DoorPhoneWindow, 12> doorPhoneWindow;          // design: DPhone1
const Form<ServiceCentreWindow, 13> serviceCentreWindow;  // design: SMSk

namespace {

// Each window as it is made: its pointer as its own class (what Form hands out) and as a widget.
struct Made {
    void* window;
    QWidget* widget;
};
template <typename W> Made Make() {
    W* w = new W;
    return {w, w};
}

// In the design's order of creation; a window's rank is its place here.
constexpr Made (*kMakers[])() = {
    Make<StartWindow>,    Make<ConfigWindow>,   Make<StatusWindow>,  Make<MonitorWindow>,
    Make<WiringWindow>,   Make<SignalChartWindow>, Make<ResolutionWindow>, Make<ContactWindow>,
    Make<FirmwareImages>, Make<FirmwareWindow>, Make<EventLogWindow>, Make<GsmInfoWindow>,
    Make<DoorPhoneWindow>, Make<ServiceCentreWindow>,
};
constexpr int kFormCount = static_cast<int>(std::size(kMakers));

Made made[kFormCount] = {};
bool open = false;
// The rank of the window being created; kFormCount when none is.
int creating = kFormCount;
// What waits for a window to be made.
std::vector<std::function<void(QWidget*)>> waiting[kFormCount];

} // namespace

namespace forms {

void Create(int rank) {
    const int outer = creating;
    creating = rank;
    made[rank] = kMakers[rank]();
    creating = outer;
    for (auto& then : std::exchange(waiting[rank], {}))
        then(made[rank].widget);
    // A window made after the language passes have begun gets the language the others have.
    if (rank != 0 && rank != 1) ApplyLanguageToNewWindow(made[rank].widget);
}

void* Existing(int rank) {
    return made[rank].window;
}

bool MayCreate(int rank) {
    return open && rank < creating;
}

void Soon(int rank, std::function<void(QWidget*)> then) {
    if (made[rank].widget) return then(made[rank].widget);
    if (!open) return;
    waiting[rank].push_back(std::move(then));
    QTimer::singleShot(0, qApp, [rank] {
        if (!made[rank].window && MayCreate(rank)) Create(rank);
    });
}

} // namespace forms

void CreateForms() {
    // Activation handlers run when activation moves between our windows, not on a return from
    // another program.
    OwnActivation::Watch();
    open = true;
    startWindow.get();
}

void CreateAllForms() {
    if (!open) CreateForms();
    for (int rank = 0; rank < kFormCount; ++rank)
        if (!made[rank].window && forms::MayCreate(rank)) forms::Create(rank);
}

void DestroyForms() {
    // The later windows first: they may still refer to the start window while closing. None is
    // created any more meanwhile.
    open = false;
    ForgetLanguagePass();
    for (int rank = kFormCount - 1; rank >= 0; --rank) {
        delete made[rank].widget;
        made[rank] = {};
        waiting[rank].clear();
    }
}

} // namespace dalvex
