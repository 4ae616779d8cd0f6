// A voice message upload through the engine, the serial component and the simulator over a pty.
//
//   bench_voice_upload [baud] [runs]     (default 9600 and 1; 0 = unpaced)
//
// Uploads a message long enough for the whole block budget (255 blocks, a little over 8 seconds of
// sound) to Input 1 and reports the time as a ratio of its wire time at the given baud rate (10
// bits a byte): the start frame and its six-byte reply, then 256 bytes and a one-byte
// acknowledgement per block. The engine ticks every 40 ms, about as often as the K6 window's five
// timers tick it.

#include "bench/bench_support.h"
#include "k6link/memory_write.h"
#include "k6media/voice_upload.h"
#include "serial/async32.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>

using namespace dalvex;
using bench::Clock;

namespace {

// The page as the tests record it, and when the gauge went: the last acknowledgement.
struct Host final : test::RecordingVoiceUploadHost {
    void HideGauge() override {
        RecordingVoiceUploadHost::HideGauge();
        done = Clock::now();
    }
    Clock::time_point done;
};

QByteArray Wav(int samples) {
    QByteArray data(samples, '\0');
    for (int i = 0; i < samples; ++i)
        data[i] = static_cast<char>(128 + (i % 50) - 25);
    auto le32 = [](QByteArray& b, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    QByteArray h("RIFF");
    le32(h, static_cast<std::uint32_t>(36 + samples));
    h.append("WAVEfmt ");
    le32(h, 16);
    h.append("\x01\x00\x01\x00", 4);
    le32(h, 8000);
    le32(h, 8000);
    h.append("\x01\x00\x08\x00", 4);
    h.append("data");
    le32(h, static_cast<std::uint32_t>(samples));
    return h + data;
}

// One upload; returns the seconds from the start to the last acknowledgement.
double Run(int baud, const QString& file, const QString& dir) {
    bench::SimulatedCom1 com1(baud);
    TAsynComm32 comm;
    k6link::AsynCommPort port(comm);
    test::NullEngineHost engineHost;
    Host host;
    k6link::Engine engine(port, engineHost);
    k6link::MemoryWrite memoryWrite(engine);
    k6media::VoiceUpload upload(engine, memoryWrite, host);
    bench::FeedEngine(comm, engine);

    const auto t0 = Clock::now();
    if (!upload.Start(k6media::VoiceSlotOf(k6media::VoiceMessage::Input1), file, dir)) std::exit(1);
    engine.tick(); // opens the port and sends the start frame
    bench::TickUntilIdle(engine, 40);
    const double s = bench::Seconds(host.done - t0);
    comm.Close();
    if (!host.messages.empty() || host.gauge != k6media::kMaxVoiceBlocks) {
        std::fprintf(stderr, "upload failed: %d acknowledgements\n", host.gauge);
        std::exit(1);
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("message.wav"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(Wav(9 * 8000)) < 0) return 1;
    f.close();

    constexpr double kWireBytes = 6 + 6 + k6media::kMaxVoiceBlocks * (256.0 + 1);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(Run(baud, file, dir.path()));
    const double median = bench::Percentile(times, 0.5);
    if (baud > 0) {
        const double wire = kWireBytes * 10.0 / baud;
        std::printf("voice upload, 255 blocks, %d run(s): median %.3f s, wire %.3f s, ratio %.4f\n", runs,
                    median, wire, median / wire);
    } else {
        std::printf("voice upload, 255 blocks, %d run(s): median %.3f s (unpaced)\n", runs, median);
    }
    return 0;
}
