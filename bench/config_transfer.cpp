// Configuration transfers through the engine, the serial component and the simulator over a pty.
//
//   bench_config_transfer [baud]     (default 9600; 0 = unpaced)
//
// Runs a full read and a full send (with the clock set) of a line-simulator module with the
// Contact ID tables, and the byte-wise read of a version 7.2 module, each as a ratio of its wire
// time at the given baud rate (10 bits a byte). The engine ticks every 40 ms, about as often as the
// K6 window's five timers tick it.

#include "k6link/config_transfer.h"

#include "bench/bench_support.h"
#include "k6link/engine_host.h"
#include "serial/async32.h"

#include <QCoreApplication>
#include <cstdlib>

using namespace dalvex;
using bench::Clock;

namespace {

// Runs one operation to its end; returns the seconds it took.
double Run(int baud, int moduleType, int version, bool send) {
    bench::SimulatedCom1 com1(baud);
    TAsynComm32 comm;
    k6link::AsynCommPort port(comm);
    test::NullEngineHost host;
    test::NullTransferHost side;
    k6link::Engine engine(port, host);
    k6link::ConfigTransfer transfer(engine, side);
    engine.ModuleType = moduleType;
    engine.Version = version;
    bench::FeedEngine(comm, engine);
    bench::TraceFromEnvironment(comm);

    const auto t0 = Clock::now();
    if (send)
        transfer.StartSend();
    else
        transfer.StartRead();
    engine.tick(); // opens the port
    engine.TimeoutTicks = 0;
    engine.tick(); // the first command
    bench::TickUntilIdle(engine, 40);
    const double s = bench::Seconds(Clock::now() - t0);
    comm.Close();
    return s;
}

void Report(const char* what, double seconds, double wireBytes, int baud) {
    bench::ReportRatio(what, 40, seconds, wireBytes, baud);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;
    constexpr double kBlockRead = 6 + 257, kBlockWrite = 262 + 1, kClock = 18 + 6, kByte = 12;
    Report("read, type 74 with Contact ID tables", Run(baud, 74, 84, false), (6 + 128 + 4) * kBlockRead,
           baud);
    Report("send, type 74 with Contact ID tables", Run(baud, 74, 84, true),
           (6 + 128 + 5) * kBlockWrite + kClock, baud);
    Report("byte-wise read, version 7.2", Run(baud, 72, 72, false), 1024 * kByte, baud);
    return 0;
}
