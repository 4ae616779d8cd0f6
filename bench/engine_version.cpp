// Version queries (state 99, repeated) through the operation engine, TAsynComm32 and the in-process
// simulator over a pseudo-terminal.
//
//   bench_engine_version [unpaced-count] [paced-count]
//
// The engine runs as in the K6 window: a 50 ms timer ticks it (it opens the port and would repeat a
// lost query), and the port's received-bytes event feeds its receive handler. The next query does
// not wait for a tick: the version reply's last step (the host's ApplyVersionRules) starts state 99
// again and calls SendStep, so the exchanges follow each other as fast as the line allows.
//
// 1. Unpaced: the time of each exchange, from the engine's write of the query to the end of the
//    version reply's handling; median, 99th percentile and maximum.
// 2. Paced at 9600 baud: total time of the run as a ratio of the wire time
//    count x 12 bytes x 10 bits / 9600 (a six-byte query and a six-byte reply per exchange).

#include "bench/bench_support.h"
#include "k6link/core_states.h"
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

class BenchHost final : public test::NullEngineHost {
public:
    k6link::Engine* engine = nullptr;
    QEventLoop* loop = nullptr;
    Clock::time_point sent; // the last write
    int wanted = 0;
    std::vector<double> times;

    // The last step of the version reply: the exchange is complete.
    void ApplyVersionRules(int, int) override {
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
        if (static_cast<int>(times.size()) == wanted) {
            loop->quit();
            return;
        }
        engine->OpState = k6link::state::VersionQuery;
        engine->SendStep();
    }
};

std::vector<double> RunQueries(int count, int baud) {
    bench::SimulatedCom1 com1(baud);
    TAsynComm32 comm;
    bench::WatchedPort watched(comm);
    test::CountingPort& port = watched.port;
    BenchHost host;
    k6link::Engine engine(port, host);
    QEventLoop loop;
    host.engine = &engine;
    host.loop = &loop;
    host.wanted = count;
    host.times.reserve(static_cast<std::size_t>(count));
    port.onWrite = [&host](const void*, int) { host.sent = Clock::now(); };
    bench::FeedEngine(comm, engine);

    QTimer adas;
    adas.setInterval(50);
    QObject::connect(&adas, &QTimer::timeout, [&engine] { engine.tick(); });
    adas.start();

    engine.OpState = k6link::state::VersionQuery;
    engine.tick(); // opens the port and sends the first query
    if (!comm.IsOpen()) {
        std::fprintf(stderr, "cannot open the simulator's port\n");
        std::exit(1);
    }
    loop.exec();
    adas.stop();
    comm.Close();
    if (engine.Version != sim::kDefaultVersion) {
        std::fprintf(stderr, "wrong version %d\n", engine.Version);
        std::exit(1);
    }
    return host.times;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int unpaced = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int paced = argc > 2 ? std::atoi(argv[2]) : 1000;

    RunQueries(100, 0); // warm-up
    if (unpaced > 0) {
        const auto times = RunQueries(unpaced, 0);
        std::printf("unpaced version query, %d exchanges: median %.1f us, p99 %.1f us, max %.1f us\n",
                    unpaced, bench::Percentile(times, 0.5), bench::Percentile(times, 0.99),
                    bench::Percentile(times, 1.0));
    }
    if (paced > 0) {
        const auto t0 = Clock::now();
        RunQueries(paced, 9600);
        const double total = bench::Seconds(Clock::now() - t0);
        const double wire = paced * 12.0 * 10.0 / 9600.0;
        std::printf("%d version queries at 9600 baud: %.3f s, wire time %.3f s, ratio %.4f\n", paced, total,
                    wire, total / wire);
    }
    return 0;
}
