#pragma once
// Small helpers shared by the timing programs: the simulated module on its port, the engine's
// ticks and the report line. The hosts are the tests' null hosts (tests/support/hosts.h) and a
// program watches what crosses a port through the tests' counting port.

#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "serial/async32.h"
#include "serial/serial_trace.h"
#include "sim/pty_module.h"
#include "tests/support/counting_port.h"
#include "tests/support/hosts.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace dalvex::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The p-th quantile (0..1) of the samples, nearest rank.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// With DALVEX_BENCH_TRACE=FILE in the environment, the port is traced into FILE, so the cost of
// the serial trace can be measured by running a timing program with and without it.
inline void TraceFromEnvironment(TAsynComm32& port) {
    static std::shared_ptr<SerialTrace> trace;
    const char* file = std::getenv("DALVEX_BENCH_TRACE");
    if (!file || !*file) return;
    if (!trace) {
        trace = std::make_shared<SerialTrace>();
        if (!trace->Start(file)) {
            std::fprintf(stderr, "trace: %s\n", trace->error().c_str());
            std::exit(1);
        }
    }
    port.SetTrace(trace);
}

// A simulated module answering on COM1 of a private ports folder (DALVEX_PORTS points there),
// paced as a line of `baud` (0: as fast as the pty goes). A program that cannot start it ends.
class SimulatedCom1 {
public:
    explicit SimulatedCom1(int baud) {
        setenv("DALVEX_PORTS", ports_.path().toLocal8Bit().constData(), 1);
        if (!module.start() || !module.linkAs(ports_.path().toStdString(), 1)) {
            std::fprintf(stderr, "simulator: %s\n", module.error().c_str());
            std::exit(1);
        }
        module.setBaud(baud);
    }
    ~SimulatedCom1() { module.stop(); }
    SimulatedCom1(const SimulatedCom1&) = delete;
    SimulatedCom1& operator=(const SimulatedCom1&) = delete;

    sim::PtyModule module;

private:
    QTemporaryDir ports_;
};

// The engine's port on the serial component, counted: its onWrite and onRead let a program watch
// what crosses it.
struct WatchedPort {
    explicit WatchedPort(TAsynComm32& comm)
        : line(comm) {}
    k6link::AsynCommPort line;
    test::CountingPort port{line};
};

// The component's received-bytes event feeds the engine, as in the K6 window.
inline void FeedEngine(TAsynComm32& comm, k6link::Engine& engine) {
    comm.OnRxChar = [&engine](TCustomAsynComm32*, int n) { engine.AsynComm321RxChar(n); };
}

// Ticks the engine every `intervalMs` until it is idle.
inline void TickUntilIdle(k6link::Engine& engine, int intervalMs) {
    QEventLoop loop;
    QTimer ticks;
    ticks.setInterval(intervalMs);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        engine.tick();
        if (engine.OpState == 0) loop.quit();
    });
    ticks.start();
    loop.exec();
}

// One line: the time taken, the wire time of `wireBytes` at 10 bits a byte and their ratio; with
// `baud` 0 (an unpaced line) the time alone. `width` aligns the label column.
inline void ReportRatio(const char* what, int width, double seconds, double wireBytes, int baud) {
    if (baud > 0) {
        const double wire = wireBytes * 10.0 / baud;
        std::printf("%-*s %7.3f s, wire %7.3f s, ratio %.3f\n", width, what, seconds, wire, seconds / wire);
    } else {
        std::printf("%-*s %7.3f s (unpaced)\n", width, what, seconds);
    }
}

} // namespace dalvex::bench
