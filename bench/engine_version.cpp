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
#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "serial/async32.h"
#include "sim/pty_module.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace dalvex;
using Clock = std::chrono::steady_clock;

namespace {

// The component, with the time of the last write.
class TimedPort final : public k6link::Port {
public:
    explicit TimedPort(TAsynComm32& comm)
        : inner_(comm) {}
    void SetDeviceName(const std::string& name) override { inner_.SetDeviceName(name); }
    void Open() override { inner_.Open(); }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    bool Lost() const override { return inner_.Lost(); }
    int Write(const void* buffer, int count) override {
        sent = Clock::now();
        return inner_.Write(buffer, count);
    }
    int Read(void* buffer, int count) override { return inner_.Read(buffer, count); }

    Clock::time_point sent;

private:
    k6link::AsynCommPort inner_;
};

class BenchHost final : public k6link::EngineHost {
public:
    k6link::Engine* engine = nullptr;
    TimedPort* port = nullptr;
    QEventLoop* loop = nullptr;
    int wanted = 0;
    std::vector<double> times;

    void ShowClockAndCustomer() override {}
    bool PortReleased() override { return true; }
    QString ReadSetting(const QString&) override { return QStringLiteral("COM1"); }
    void SetStatusPanel(int, const QString&) override {}
    void ShowMessage(const QString&) override {}
    void OperationRunning() override {}
    void EnableTransferButtons() override {}
    void CloseFirmwareWindow() override {}
    // The last step of the version reply: the exchange is complete.
    void ApplyVersionRules(int, int) override {
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - port->sent).count());
        if (static_cast<int>(times.size()) == wanted) {
            loop->quit();
            return;
        }
        engine->OpState = k6link::state::VersionQuery;
        engine->SendStep();
    }
};

std::vector<double> RunQueries(int count, int baud) {
    QTemporaryDir ports;
    setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
    sim::PtyModule module;
    if (!module.start() || !module.linkAs(ports.path().toStdString(), 1)) {
        std::fprintf(stderr, "simulator: %s\n", module.error().c_str());
        std::exit(1);
    }
    module.setBaud(baud);

    TAsynComm32 comm;
    TimedPort port(comm);
    BenchHost host;
    k6link::Engine engine(port, host);
    QEventLoop loop;
    host.engine = &engine;
    host.port = &port;
    host.loop = &loop;
    host.wanted = count;
    host.times.reserve(static_cast<std::size_t>(count));
    comm.OnRxChar = [&engine](TCustomAsynComm32*, int n) { engine.AsynComm321RxChar(n); };

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
    module.stop();
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
        const double total = std::chrono::duration<double>(Clock::now() - t0).count();
        const double wire = paced * 12.0 * 10.0 / 9600.0;
        std::printf("%d version queries at 9600 baud: %.3f s, wire time %.3f s, ratio %.4f\n", paced, total,
                    wire, total / wire);
    }
    return 0;
}
