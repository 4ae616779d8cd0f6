// dalvex-cli against the simulator on a pty at a paced line speed.
//
//   bench_cli [baud] [runs]     (default 9600, 5 start-up runs)
//
// 1. `dalvex-cli read` of a line-simulator module with the Contact ID tables, as a ratio of its
//    wire time (10 bits a byte): the probe and the version query, 6 configuration blocks, 128
//    Contact ID blocks and 4 blocks of bank 0x35.
// 2. Start-up: from starting the program to the first byte of its first frame reaching the module
//    (`probe`, unpaced line), the median and worst of several runs; beside it, the start and exit
//    of `dalvex-cli --help`, the floor any command pays for the process and Qt.

#include "bench/bench_support.h"
#include "sim/module_sim.h"
#include "sim/pty_module.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace dalvex;
using Clock = std::chrono::steady_clock;

namespace {

struct Module {
    QTemporaryDir dir;
    sim::PtyModule pty;
    explicit Module(int baud) {
        if (!pty.start() || !pty.linkAs(dir.filePath("ports").toStdString(), 1)) std::exit(1);
        pty.setBaud(baud);
        pty.withModule([](sim::ModuleSim& m) {
            m.setTypeCode(74);
            m.setVersion(84);
        });
    }
    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DALVEX_PORTS", dir.filePath("ports"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        return env;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 9600;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    {
        Module m(baud);
        QProcess p;
        p.setProcessEnvironment(m.Env());
        const auto t0 = Clock::now();
        p.start(DALVEX_CLI_PROGRAM, {"read", "--port", "COM1", "--quiet", "-o", m.dir.filePath("m.dat")});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            std::fprintf(stderr, "read failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        constexpr double kFrames = 2 * (6 + 6);               // probe and version query
        constexpr double kBlocks = (6 + 128 + 4) * (6 + 257); // block reads
        const double wire = (kFrames + kBlocks) * 10.0 / baud;
        std::printf("dalvex-cli read, type 74 with Contact ID   %7.3f s, wire %7.3f s, ratio %.3f\n", s, wire,
                    s / wire);
    }

    std::vector<double> startup;
    for (int i = 0; i < runs; ++i) {
        Module m(0);
        QProcess p;
        p.setProcessEnvironment(m.Env());
        const auto t0 = Clock::now();
        p.start(DALVEX_CLI_PROGRAM, {"probe", "--port", "COM1", "--quiet"});
        while (m.pty.receivedBytes().empty() && Clock::now() - t0 < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        startup.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        p.waitForFinished(10000);
    }
    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        const auto t0 = Clock::now();
        p.start(DALVEX_CLI_PROGRAM, {"--help"});
        p.waitForFinished(10000);
        bare.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::printf("start and exit of `dalvex-cli --help`    median %.1f ms, worst %.1f ms (%d runs)\n",
                bench::Percentile(bare, 0.5), bench::Percentile(bare, 1.0), runs);
    std::printf("start-up to the first frame (probe)      median %.1f ms, worst %.1f ms (%d runs)\n",
                bench::Percentile(startup, 0.5), bench::Percentile(startup, 1.0), runs);
    return 0;
}
