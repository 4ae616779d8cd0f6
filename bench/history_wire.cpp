// The event log read and the signal-strength read through the engine, the serial component and
// the simulator over a pty.
//
//   bench_history_wire [baud]     (default 9600; 0 = unpaced)
//
// Reads a log of 400 records (100 full blocks and the block with the end mark) and 40 blocks of
// signal memory (the end mark in the last byte of the 40th), each as a ratio of its wire time at
// the given baud rate (10 bits a byte, commands and replies). The engine ticks every 40 ms, about as
// often as the K6 window's five timers tick it.

#include "k6link/engine_host.h"
#include "k6link/event_log.h"
#include "k6link/port.h"
#include "k6link/signal_memory.h"
#include "serial/async32.h"
#include "sim/history_data.h"
#include "sim/pty_module.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace dalvex;
using Clock = std::chrono::steady_clock;

namespace {

struct Host final : k6link::EngineHost, k6link::EventLogHost, k6link::SignalHost {
    void ShowClockAndCustomer() override {}
    bool PortReleased() override { return true; }
    QString ReadSetting(const QString&) override { return QStringLiteral("COM1"); }
    void SetStatusPanel(int, const QString&) override {}
    void ShowMessage(const QString&) override {}
    void OperationRunning() override {}
    void EnableTransferButtons() override {}
    void CloseFirmwareWindow() override {}
    void ApplyVersionRules(int, int) override {}
    void ShowLogProgress(bool) override {}
    void SetLogProgress(int) override {}
    void SetLogRows(int firstRow, std::span<const k6link::LogRow> rows) override {
        this->rows = firstRow - 1 + static_cast<int>(rows.size());
    }
    void ClearSignalChart() override { samples = 0; }
    void AddSignalSamples(std::span<const k6link::SignalSample> s) override {
        samples += static_cast<int>(s.size());
    }
    int rows = 0;
    int samples = 0;
};

// Runs one read to its end; returns the seconds it took.
double Run(int baud, bool log, Host& host) {
    QTemporaryDir ports;
    setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
    sim::PtyModule module;
    if (!module.start() || !module.linkAs(ports.path().toStdString(), 1)) std::exit(1);
    module.withModule([](sim::ModuleSim& m) {
        sim::fillLog(m, 400);
        sim::fillSignal(m, 40 * 256 - 1);
    });
    module.setBaud(baud);
    TAsynComm32 comm;
    k6link::AsynCommPort port(comm);
    k6link::Engine engine(port, host);
    k6link::EventLog eventLog(engine, host);
    k6link::SignalMemory signal(engine, host);
    comm.OnRxChar = [&engine](TCustomAsynComm32*, int n) { engine.AsynComm321RxChar(n); };

    QEventLoop loop;
    QTimer ticks;
    ticks.setInterval(40);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        engine.tick();
        if (engine.OpState == 0) loop.quit();
    });
    const auto t0 = Clock::now();
    if (log)
        eventLog.Start();
    else
        signal.Start();
    engine.tick(); // opens the port and sends the first command
    ticks.start();
    loop.exec();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    comm.Close();
    module.stop();
    return s;
}

void Report(const char* what, double seconds, double wireBytes, int baud) {
    if (baud > 0) {
        const double wire = wireBytes * 10.0 / baud;
        std::printf("%-36s %7.3f s, wire %7.3f s, ratio %.3f\n", what, seconds, wire, seconds / wire);
    } else {
        std::printf("%-36s %7.3f s (unpaced)\n", what, seconds);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;
    constexpr double kLogBlock = 6 + 256, kSignalBlock = 6 + 257;
    Host logHost;
    Report("event log, 400 records", Run(baud, true, logHost), 101 * kLogBlock, baud);
    Host signalHost;
    Report("signal memory, 40 blocks", Run(baud, false, signalHost), 40 * kSignalBlock, baud);
    if (logHost.rows != 400 || signalHost.samples != 40 * 256 - 1) {
        std::printf("wrong result: %d rows, %d samples\n", logHost.rows, signalHost.samples);
        return 1;
    }
    return 0;
}
