// Configuration transfers through the engine, the serial component and the simulator over a pty.
//
//   bench_config_transfer [baud] [changed]     (default 9600; 0 = unpaced)
//
// Runs a full read and a full send (with the clock set) of a line-simulator module with the
// Contact ID tables, and the byte-wise read of a version 7.2 module, each as a ratio of its wire
// time at the given baud rate (10 bits a byte). The engine ticks every 40 ms, about as often as the
// K6 window's five timers tick it.
//
// Then the send by what changed: a module programmed with the demo configuration is read (on an
// unpaced line), one phone number is changed in the pages and "Elküldés" runs at the given baud
// rate, read-back and clock set included; once a line-simulator module with the Contact ID tables,
// once a version 7.2 module (byte-wise). Each is reported in seconds, against the whole send's wire
// time, and whether the module then holds exactly what a whole send of the same image leaves
// (a whole send run in process on a copy of the module as it stood before the send).
// "changed" as the second argument runs only these two.

#include "k6link/config_transfer.h"

#include "bench/bench_support.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/page_values.h"
#include "k6link/engine_host.h"
#include "serial/async32.h"
#include "tests/support/programmed_module.h"
#include "tests/support/sim_rig.h"

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace dalvex;
using bench::Clock;

namespace {

// The serial component, the engine and a configuration transfer on COM1, fed as the window feeds
// them.
struct TransferLine {
    TAsynComm32 comm;
    k6link::AsynCommPort port{comm};
    test::NullEngineHost host;
    test::NullTransferHost side;
    k6link::Engine engine{port, host};
    k6link::ConfigTransfer transfer{engine, side};

    TransferLine(int moduleType, int version) {
        engine.ModuleType = moduleType;
        engine.Version = version;
        bench::FeedEngine(comm, engine);
        bench::TraceFromEnvironment(comm);
    }
};

// Runs one operation to its end; returns the seconds it took.
double Run(int baud, int moduleType, int version, bool send) {
    bench::SimulatedCom1 com1(baud);
    TransferLine line(moduleType, version);
    TAsynComm32& comm = line.comm;
    k6link::Engine& engine = line.engine;
    k6link::ConfigTransfer& transfer = line.transfer;

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

using Memory = std::vector<std::uint8_t>;

// What a whole send of `image` leaves in a module of `type` and `version` that held `before`.
Memory WholeSendOnto(const Memory& before, const k6config::ConfigImage& image, int type, int version) {
    test::SimRig rig;
    test::RecordingTransferHost side;
    side.changedOnly = false;
    k6link::ConfigTransfer transfer(rig.engine, side);
    rig.withModule([&](sim::ModuleSim& m) {
        std::copy(before.begin(), before.end(), m.memory().begin());
        m.setTypeCode(static_cast<std::uint8_t>(type));
        m.setVersion(static_cast<std::uint8_t>(version));
    });
    rig.engine.ModuleType = type;
    rig.engine.Version = version;
    rig.engine.ConfigImage = image;
    transfer.StartSend();
    rig.runToIdle(100000);
    Memory after;
    rig.withModule([&](sim::ModuleSim& m) { after.assign(m.memory().begin(), m.memory().end()); });
    return after;
}

struct ChangedRun {
    double seconds = 0;
    k6link::SendReport report;
    k6link::SendPlan plan;
    bool likeWholeSend = false;
};

// Read on an unpaced line, one phone number changed in the pages, then "Elküldés" at `baud`.
ChangedRun RunChanged(int baud, int type, int version, const char* phone) {
    bench::SimulatedCom1 com1(0);
    std::string error;
    com1.module.withModule([&](sim::ModuleSim& m) {
        if (!test::ProgramDemo(m, type, version, &error)) {
            std::fprintf(stderr, "preset: %s\n", error.c_str());
            std::exit(1);
        }
    });
    TransferLine line(type, version);
    TAsynComm32& comm = line.comm;
    k6link::Engine& engine = line.engine;
    k6link::ConfigTransfer& transfer = line.transfer;

    transfer.StartRead();
    engine.tick();    // opens the port
    engine.TickNow(); // the first command
    bench::TickUntilIdle(engine, 40);

    k6config::PageValues values(k6config::K6Controls()), door(k6config::DoorPhoneControls());
    const k6config::ImageContext context{type};
    k6config::DecodeConfigImage(engine.ConfigImage, values, door, context);
    values.setText("MaskEdit1", QString::fromLatin1(phone));
    k6config::EncodeConfigImage(engine.ConfigImage, values, door, context);
    Memory before;
    com1.module.withModule([&](sim::ModuleSim& m) { before.assign(m.memory().begin(), m.memory().end()); });
    com1.module.setBaud(baud);

    ChangedRun run;
    run.plan = transfer.Plan();
    const auto t0 = Clock::now();
    transfer.StartSend();
    engine.TickNow(); // the port is still open after the read: the first command goes now
    bench::TickUntilIdle(engine, 40);
    run.seconds = bench::Seconds(Clock::now() - t0);
    run.report = transfer.LastSend();
    Memory after;
    com1.module.withModule([&](sim::ModuleSim& m) { after.assign(m.memory().begin(), m.memory().end()); });
    comm.Close();
    run.likeWholeSend = after == WholeSendOnto(before, engine.ConfigImage, type, version);
    return run;
}

void ReportChanged(const char* what, const ChangedRun& r, int baud, const char* unit) {
    const double whole = k6link::SendPlan::Seconds(r.plan.WholeLineBytes(), baud);
    std::printf("%-40s %7.3f s (%d %s written, %s), whole send's wire time %7.3f s, ratio %.3f; "
                "module as after a whole send: %s\n",
                what, r.seconds, r.report.written, unit,
                r.report.whole == k6link::WholeReason::None ? "by what changed" : "WHOLE", whole,
                whole > 0 ? r.seconds / whole : 0.0, r.likeWholeSend ? "yes" : "NO");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;
    const bool changedOnly = argc > 2 && std::strcmp(argv[2], "changed") == 0;
    ReportChanged("changed send, type 74 with Contact ID", RunChanged(baud, 74, 84, "+36301112299"), baud,
                  "blocks");
    ReportChanged("changed send, byte-wise version 7.2", RunChanged(baud, 72, 72, "+36301234568"), baud,
                  "bytes");
    if (changedOnly) return 0;
    constexpr double kBlockRead = 6 + 257, kBlockWrite = 262 + 1, kClock = 18 + 6, kByte = 12;
    Report("read, type 74 with Contact ID tables", Run(baud, 74, 84, false), (6 + 128 + 4) * kBlockRead,
           baud);
    Report("send, type 74 with Contact ID tables", Run(baud, 74, 84, true),
           (6 + 128 + 5) * kBlockWrite + kClock, baud);
    Report("byte-wise read, version 7.2", Run(baud, 72, 72, false), 1024 * kByte, baud);
    return 0;
}
