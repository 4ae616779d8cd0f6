// Status passes (state 5: sixteen status-byte reads from 512) through the operation engine,
// TAsynComm32 and the in-process simulator over a pseudo-terminal paced at 9600 baud.
//
//   bench_status_pass [passes]
//
// Each pass is timed from the engine's write of its first read to the refresh after its 16th
// reply; the next pass is started at once instead of after the 5-tick countdown, which is a wait
// of the protocol, not of the pass. The wire time of a pass is 16 x (6 + 6) bytes x 10 bits /
// 9600 baud = 200 ms; the figure is the median pass time as a ratio of it.

#include "bench/bench_support.h"
#include "k6link/status_poll.h"
#include "serial/async32.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace dalvex;
using bench::Clock;

namespace {

constexpr int kBaud = 9600;

class BenchHost final : public test::NullStatusHost {
public:
    k6link::Engine* engine = nullptr;
    QEventLoop* loop = nullptr;
    bool armed = true;           // the next write starts a pass
    Clock::time_point passStart; // the first write of the pass
    int wanted = 0;
    std::vector<double> times;

    void StatusRefreshed(const k6link::StatusBytes&) override {
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - passStart).count());
        if (static_cast<int>(times.size()) == wanted) {
            engine->OpState = 0;
            loop->quit();
            return;
        }
        armed = true;
        engine->SendStep();
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    bench::SimulatedCom1 com1(kBaud);
    TAsynComm32 comm;
    bench::WatchedPort watched(comm);
    test::CountingPort& port = watched.port;
    test::NullEngineHost engineHost;
    BenchHost host;
    k6link::Engine engine(port, engineHost);
    k6link::StatusPoll poll(engine, host);
    QEventLoop loop;
    host.engine = &engine;
    host.loop = &loop;
    host.wanted = passes;
    port.onWrite = [&host](const void*, int) {
        if (!host.armed) return;
        host.passStart = Clock::now();
        host.armed = false;
    };
    bench::FeedEngine(comm, engine);

    QTimer adas;
    adas.setInterval(50);
    QObject::connect(&adas, &QTimer::timeout, [&engine] { engine.tick(); });
    adas.start();

    poll.Open();
    poll.Start();
    engine.tick(); // opens the port and sends the first read
    if (!comm.IsOpen()) {
        std::fprintf(stderr, "cannot open the simulator's port\n");
        return 1;
    }
    loop.exec();
    adas.stop();
    comm.Close();

    const double wire = 16.0 * 12.0 * 10.0 / kBaud * 1000.0;
    const double median = bench::Percentile(host.times, 0.5);
    std::printf("%d status passes at %d baud: median %.1f ms, max %.1f ms, wire time %.1f ms, ratio %.4f\n",
                passes, kBaud, median, bench::Percentile(host.times, 1.0), wire, median / wire);
    return 0;
}
