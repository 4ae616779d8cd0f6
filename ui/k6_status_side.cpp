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
        if (K6Form3) K6Form3->AsynText(bytes);
    };
    // "Monitor" waits for a module whose software version has it (the version reply enables it).
    if (QAction* monitor = w_.MenuItem(QStringLiteral("Hibakeress1"))) monitor->setEnabled(false);
}

void K6StatusSide::Modulllapotmegjelentse1Click() {
    if (K6Form2) K6Form2->Open();
}

void K6StatusSide::Hibakeress1Click() {
    if (K6Form3) K6Form3->Open(MonitorWindow::Mode::Monitor);
}

void K6StatusSide::MonitorAT1Click() {
    if (K6Form3) K6Form3->Open(MonitorWindow::Mode::Terminal);
}

void K6StatusSide::StatusRefreshed(const k6link::StatusBytes& s) {
    if (K6Form2) K6Form2->Refresh(s);
}

void K6StatusSide::TestEndDone() {
    if (K6Form2) K6Form2->ShowRegOk();
}

} // namespace dalvex
