// Six-byte exchanges through TAsynComm32 and the in-process simulator over a pseudo-terminal.
//
//   bench_serial_exchange [unpaced-count] [paced-count]
//
// 1. Unpaced: round-trip time of request, reply and check; median and 99th percentile.
// 2. Paced at 9600 baud: byte reads one after the other; total time as a ratio of the wire time
//    count x 12 bytes x 10 bits / 9600.

#include "bench/bench_support.h"
#include "serial/async32.h"
#include "startup/six_byte_frame.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace dalvex;
using bench::Clock;

namespace {

// Runs `count` byte reads back to back and returns each round-trip time in microseconds.
std::vector<double> RunExchanges(int count, int baud) {
    bench::SimulatedCom1 com1(baud);

    TAsynComm32 port;
    port.SetDeviceName("COM1");
    bench::TraceFromEnvironment(port);
    SixByteReceiver rx;
    QEventLoop loop;
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(count));
    Clock::time_point sent;
    int address = 0;

    const auto sendNext = [&] {
        rx.reset();
        const SixByteFrame f = SixByteFrame::forAddress(static_cast<std::uint16_t>(address++ & 0x3FF), 0, 0);
        sent = Clock::now();
        port.Write(f.bytes.data(), 6);
    };
    port.OnRxChar = [&](TCustomAsynComm32* s, int n) {
        std::uint8_t buf[64];
        const int got = s->Read(buf, std::min(n, 64));
        if (rx.receive(std::span<const std::uint8_t>(buf, static_cast<std::size_t>(got))) !=
            SixByteReceiver::Result::Valid)
            return;
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
        if (static_cast<int>(times.size()) == count)
            loop.quit();
        else
            sendNext();
    };
    port.Open();
    if (!port.IsOpen()) {
        std::fprintf(stderr, "cannot open the simulator's port\n");
        std::exit(1);
    }
    sendNext();
    loop.exec();
    port.Close();
    return times;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int unpaced = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int paced = argc > 2 ? std::atoi(argv[2]) : 1000;

    RunExchanges(200, 0); // warm-up
    const auto times = RunExchanges(unpaced, 0);
    std::printf("unpaced six-byte exchange, %d round trips: median %.1f us, p99 %.1f us, max %.1f us\n",
                unpaced, bench::Percentile(times, 0.5), bench::Percentile(times, 0.99),
                bench::Percentile(times, 1.0));

    if (paced > 0) {
        const auto t0 = Clock::now();
        RunExchanges(paced, 9600);
        const double total = bench::Seconds(Clock::now() - t0);
        const double wire = paced * 12.0 * 10.0 / 9600.0;
        std::printf("%d byte reads at 9600 baud: %.3f s, wire time %.3f s, ratio %.4f\n", paced, total, wire,
                    total / wire);
    }
    return 0;
}
