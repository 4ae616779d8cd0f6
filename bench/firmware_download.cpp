// The whole firmware download (memory-write start, blocks 0 to 254, programming command) through
// the operation engine, TAsynComm32 and the in-process simulator paced at 9600 baud.
//
//   bench_firmware_download [baud]
//
// The engine runs as in the K6 window: a 50 ms timer ticks it, and the port's received-bytes event
// feeds its receive handler, which sends each next block at once. The run starts at the tick that
// sends the start frame and ends when the module has received the programming command. It
// includes what the download waits for by design: the countdown after the first byte of the
// start reply (5 ticks) and the one before programming (50 ticks).
//
// Wire time: the start frame and its six-byte reply, 255 blocks of 256 bytes with a one-byte
// acknowledgement each, and the six-byte programming command, at 10 bits per byte.

#include "k6media/firmware_download.h"

#include "bench/bench_support.h"
#include "k6link/memory_write.h"
#include "serial/async32.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

using namespace dalvex;
using bench::Clock;

namespace {

class TimingHost final : public test::NullFirmwareHost {
public:
    void StepProgress() override {
        if (++acks == k6media::kFirmwareBlocks) lastAck = Clock::now();
    }
    void StartProgrammingTimer() override { programmingSent = Clock::now(); }
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }

    int acks = 0;
    Clock::time_point lastAck, programmingSent;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;

    bench::SimulatedCom1 com1(baud);

    TAsynComm32 comm;
    k6link::AsynCommPort port(comm);
    test::NullEngineHost host;
    k6link::Engine engine(port, host);
    k6link::MemoryWrite memoryWrite(engine);
    // The stand-in image of the build tree, which only the developer switch lets through.
    setenv(k6media::kStandinSwitch, "1", 1);
    k6media::FirmwareData data(QStringList{QStringLiteral(DALVEX_STANDIN_FIRMWARE_DIR)});
    TimingHost timing;
    k6media::FirmwareDownload download(engine, memoryWrite, data, timing);
    bench::FeedEngine(comm, engine);

    data.FirmwareSlot = 13;
    if (!download.ConvertAndStart().ok()) {
        std::fprintf(stderr, "no usable image for slot 13 in %s\n", DALVEX_STANDIN_FIRMWARE_DIR);
        return 1;
    }
    engine.TimeoutTicks = 0;

    QEventLoop loop;
    Clock::time_point done;
    QTimer adas;
    adas.setInterval(50);
    QObject::connect(&adas, &QTimer::timeout, [&engine] { engine.tick(); });
    // The end: the module has counted the programming command, or the transfer failed.
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        std::uint64_t loads = 0;
        com1.module.withModule([&](sim::ModuleSim& m) { loads = m.firmware().logicLoads; });
        if (loads > 0) {
            done = Clock::now();
            loop.quit();
        } else if (engine.OpState == 0) {
            loop.quit();
        }
    });

    const Clock::time_point t0 = Clock::now();
    engine.tick(); // opens the port and sends the start frame
    adas.start();
    watch.start();
    loop.exec();
    adas.stop();
    watch.stop();
    comm.Close();
    if (done == Clock::time_point{} || memoryWrite.TransferError) {
        std::fprintf(stderr, "the download did not complete (%d acknowledgements)\n", timing.acks);
        return 1;
    }

    constexpr double kBits = 10.0;
    const double wireBytes = 6 + 6 + k6media::kFirmwareBlocks * (256.0 + 1.0) + 6;
    const double wire = wireBytes * kBits / baud;
    const double total = bench::Seconds(done - t0);
    const double transfer = bench::Seconds(timing.lastAck - t0);
    const double transferWire = (6 + 6 + k6media::kFirmwareBlocks * 257.0) * kBits / baud;
    std::printf("firmware download at %d baud: %.3f s, wire time %.3f s, ratio %.4f\n", baud, total, wire,
                total / wire);
    std::printf("  memory write (start to last acknowledgement): %.3f s, wire time %.3f s, ratio %.4f\n",
                transfer, transferWire, transfer / transferWire);
    std::printf("  last acknowledgement to programming command sent: %.3f s (the 50-tick countdown)\n",
                bench::Seconds(timing.programmingSent - timing.lastAck));
    return 0;
}
