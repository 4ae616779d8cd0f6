#include "k6_status_side.h"

#include "forms.h"
#include "config_window.h"
#include "status_window.h"
#include "monitor_window.h"

#include <QAction>

namespace dalvex {

K6StatusSide::K6StatusSide(ConfigWindow& window)
    : QObject(&window)
    , w_(window)
    , poll_(window.Engine(), *this)
    , monitor_(window.Engine())
    , modem_(window.Engine()) {
    monitor_.OnText = [](std::span<const std::uint8_t> bytes) {
        if (monitorWindow) monitorWindow->AsynText(bytes);
    };
    // "Monitor" waits for a module whose software version has it (the version reply enables it).
    if (QAction* monitor = w_.MenuItem(QStringLiteral("Hibakeress1"))) monitor->setEnabled(false);
}

void K6StatusSide::ModuleStatusClick() {
    if (statusWindow) statusWindow->Open();
}

void K6StatusSide::MonitorClick() {
    if (monitorWindow) monitorWindow->Open(MonitorWindow::Mode::Monitor);
}

void K6StatusSide::MonitorAtClick() {
    if (monitorWindow) monitorWindow->Open(MonitorWindow::Mode::Terminal);
}

void K6StatusSide::StatusRefreshed(const k6link::StatusBytes& s) {
    if (statusWindow) statusWindow->Refresh(s);
}

void K6StatusSide::TestEndDone() {
    if (statusWindow) statusWindow->ShowRegOk();
}

} // namespace dalvex
