// The event log read and the signal-strength read through the engine, the serial component and
// the simulator over a pty.
//
//   bench_history_wire [baud]     (default 9600; 0 = unpaced)
//
// Reads a log of 400 records (100 full blocks and the block with the end mark) and 40 blocks of
// signal memory (the end mark in the last byte of the 40th), each as a ratio of its wire time at
// the given baud rate (10 bits a byte, commands and replies). The engine ticks every 40 ms, about as
// often as the K6 window's five timers tick it.

#include "bench/bench_support.h"
#include "k6link/event_log.h"
#include "k6link/signal_memory.h"
#include "serial/async32.h"
#include "sim/history_data.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

using namespace dalvex;
using bench::Clock;

namespace {

// The windows as the tests record them.
struct Host {
    test::NullEngineHost engine;
    test::RecordingEventLogHost log;
    test::RecordingSignalHost chart;
};

// Runs one read to its end; returns the seconds it took.
double Run(int baud, bool log, Host& host) {
    bench::SimulatedCom1 com1(baud);
    com1.module.withModule([](sim::ModuleSim& m) {
        sim::fillLog(m, 400);
        sim::fillSignal(m, 40 * 256 - 1);
    });
    TAsynComm32 comm;
    k6link::AsynCommPort port(comm);
    k6link::Engine engine(port, host.engine);
    k6link::EventLog eventLog(engine, host.log);
    k6link::SignalMemory signal(engine, host.chart);
    bench::FeedEngine(comm, engine);

    const auto t0 = Clock::now();
    if (log)
        eventLog.Start();
    else
        signal.Start();
    engine.tick(); // opens the port and sends the first command
    bench::TickUntilIdle(engine, 40);
    const double s = bench::Seconds(Clock::now() - t0);
    comm.Close();
    return s;
}

void Report(const char* what, double seconds, double wireBytes, int baud) {
    bench::ReportRatio(what, 36, seconds, wireBytes, baud);
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
    const auto rows = static_cast<int>(logHost.log.rows.size());
    const auto samples = static_cast<int>(signalHost.chart.samples.size());
    if (rows != 400 || samples != 40 * 256 - 1) {
        std::printf("wrong result: %d rows, %d samples\n", rows, samples);
        return 1;
    }
    return 0;
}
