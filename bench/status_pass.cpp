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
#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "k6link/status_poll.h"
#include "serial/async32.h"
#include "sim/pty_module.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace dalvex;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBaud = 9600;

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
        if (armed) {
            passStart = Clock::now();
            armed = false;
        }
        return inner_.Write(buffer, count);
    }
    int Read(void* buffer, int count) override { return inner_.Read(buffer, count); }

    bool armed = true;
    Clock::time_point passStart;

private:
    k6link::AsynCommPort inner_;
};

class BenchHost final : public k6link::EngineHost, public k6link::StatusHost {
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
    void ApplyVersionRules(int, int) override {}

    void StatusRefreshed(const k6link::StatusBytes&) override {
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - port->passStart).count());
        if (static_cast<int>(times.size()) == wanted) {
            engine->OpState = 0;
            loop->quit();
            return;
        }
        port->armed = true;
        engine->SendStep();
    }
    void TestEndDone() override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    QTemporaryDir ports;
    setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
    sim::PtyModule module;
    if (!module.start() || !module.linkAs(ports.path().toStdString(), 1)) {
        std::fprintf(stderr, "simulator: %s\n", module.error().c_str());
        return 1;
    }
    module.setBaud(kBaud);

    TAsynComm32 comm;
    TimedPort port(comm);
    BenchHost host;
    k6link::Engine engine(port, host);
    k6link::StatusPoll poll(engine, host);
    QEventLoop loop;
    host.engine = &engine;
    host.port = &port;
    host.loop = &loop;
    host.wanted = passes;
    comm.OnRxChar = [&engine](TCustomAsynComm32*, int n) { engine.AsynComm321RxChar(n); };

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
    module.stop();

    const double wire = 16.0 * 12.0 * 10.0 / kBaud * 1000.0;
    const double median = bench::Percentile(host.times, 0.5);
    std::printf("%d status passes at %d baud: median %.1f ms, max %.1f ms, wire time %.1f ms, ratio %.4f\n",
                passes, kBaud, median, bench::Percentile(host.times, 1.0), wire, median / wire);
    return 0;
}
