// A SIM phonebook read of N filled entries and a write of N entries (default 249) through the
// operation engine, TAsynComm32 and the in-process simulator with its GSM modem over a
// pseudo-terminal, paced as a line of B baud (default 9600).
//
//   bench_modem_phonebook [entries] [baud]
//
// The engine runs as in the K6 window: the 50 ms timer and the four 1000 ms timers all tick it.
// Each run reports its time as a ratio of its wire time, the time every byte sent and received
// takes on the line at 10 bits per byte:
//   whole  from the start of the operation to its end, against all bytes of it, the modem-mode
//          entry included. This includes the fixed waits of the operation (the countdown left
//          after the modem's "OK" to "AT", 50 ticks, and after the CPBS line, 20 ticks for the
//          read and up to 30 for the write), during which the line is idle by design.
//   entries from the first CPBR / CPBW line to the end, against the bytes from that line on.

#include "bench/bench_support.h"
#include "k6link/modem_mode.h"
#include "k6link/modem_ops.h"
#include "serial/async32.h"
#include "sim/gsm_modem.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace dalvex;
using bench::Clock;

namespace {

// The bytes each way, and when the first entry line went out.
struct LineCount {
    long sent = 0;
    long received = 0;
    std::optional<Clock::time_point> entriesStart;
    long bytesBeforeEntries = 0;

    void Wrote(const void* buffer, int count) {
        const auto* b = static_cast<const char*>(buffer);
        if (!entriesStart && count > 8 &&
            (std::memcmp(b, "AT+CPBR=", 8) == 0 || std::memcmp(b, "AT+CPBW=", 8) == 0)) {
            entriesStart = Clock::now();
            bytesBeforeEntries = sent + received;
        }
        sent += count;
    }
};

// Messages go to the terminal.
class BenchHost final : public test::NullEngineHost {
public:
    void ShowMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

// The phonebook as the tests record it; both operations end by enabling "Feltöltés" again.
class Phonebook final : public test::RecordingModemHost {
public:
    QEventLoop* loop = nullptr;
    void EnablePhonebookWrite(bool enabled) override {
        RecordingModemHost::EnablePhonebookWrite(enabled);
        if (enabled && loop) loop->quit();
    }
};

struct Result {
    double seconds = 0;
    long bytes = 0;
    double entrySeconds = 0;
    long entryBytes = 0;
    int rows = 0;
};

enum class Run { Read, Write };

Result RunPhonebook(Run run, int entries, int baud) {
    bench::SimulatedCom1 com1(baud);
    com1.module.withModule([&](sim::ModuleSim& m) {
        if (run == Run::Read) m.modem().fillPhonebook(entries);
    });

    TAsynComm32 comm;
    bench::WatchedPort watched(comm);
    test::CountingPort& port = watched.port;
    LineCount count;
    port.onWrite = [&count](const void* buffer, int n) { count.Wrote(buffer, n); };
    port.onRead = [&count](int n) { count.received += n; };
    BenchHost engineHost;
    Phonebook host;
    k6link::Engine engine(port, engineHost);
    k6link::ModemMode modem(engine);
    k6link::ModemOps ops(engine, modem, host);
    QEventLoop loop;
    host.loop = &loop;
    bench::FeedEngine(comm, engine);
    if (run == Run::Write)
        for (int row = 1; row <= entries; ++row)
            host.grid[static_cast<std::size_t>(row)] = {
                QString(), QStringLiteral("+3630%1").arg(row, 7, 10, QLatin1Char('0')),
                QStringLiteral("Name %1").arg(row)};

    // The K6 window's five engine timers.
    std::array<QTimer, 5> timers;
    for (std::size_t i = 0; i < timers.size(); ++i) {
        timers[i].setInterval(i == 0 ? 50 : 1000);
        QObject::connect(&timers[i], &QTimer::timeout, [&engine] { engine.tick(); });
        timers[i].start();
    }
    // The port is opened by the first tick, as in the window; the clock starts with the operation.
    engine.OpState = 99999; // an unregistered state: the tick opens the port and sends nothing
    engine.tick();
    engine.OpState = 0;
    count.sent = count.received = 0;

    const auto start = Clock::now();
    if (run == Run::Read)
        ops.StartPhonebookRead();
    else if (!ops.StartPhonebookWrite())
        std::exit(1);
    loop.exec();
    const auto end = Clock::now();

    Result r;
    r.seconds = bench::Seconds(end - start);
    r.bytes = count.sent + count.received;
    if (count.entriesStart) {
        r.entrySeconds = bench::Seconds(end - *count.entriesStart);
        r.entryBytes = r.bytes - count.bytesBeforeEntries;
    }
    if (run == Run::Read) {
        for (int row = 1; row <= k6link::ModemOps::kPhonebookRows; ++row)
            if (!host.grid[static_cast<std::size_t>(row)][1].isEmpty()) ++r.rows;
    } else {
        com1.module.withModule([&](sim::ModuleSim& m) { r.rows = m.modem().usedEntries(); });
    }
    comm.Close();
    return r;
}

void Report(const char* what, const Result& r, int entries, int baud) {
    const double wire = static_cast<double>(r.bytes) * 10.0 / baud;
    const double entryWire = static_cast<double>(r.entryBytes) * 10.0 / baud;
    std::printf("%s of %d entries at %d baud (%d entries %s)\n", what, entries, baud, r.rows,
                std::strcmp(what, "read") == 0 ? "in the grid" : "on the SIM");
    std::printf("  whole:   %.2f s, %ld bytes, wire time %.2f s, ratio %.3f\n", r.seconds, r.bytes, wire,
                r.seconds / wire);
    std::printf("  entries: %.2f s, %ld bytes, wire time %.2f s, ratio %.3f\n", r.entrySeconds, r.entryBytes,
                entryWire, r.entrySeconds / entryWire);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : k6link::ModemOps::kPhonebookEntries;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 9600;
    if (entries < 1 || entries > k6link::ModemOps::kPhonebookEntries || baud <= 0) {
        std::fprintf(stderr, "usage: bench_modem_phonebook [entries 1..249] [baud]\n");
        return 2;
    }
    Report("read", RunPhonebook(Run::Read, entries, baud), entries, baud);
    Report("write", RunPhonebook(Run::Write, entries, baud), entries, baud);
    return 0;
}
