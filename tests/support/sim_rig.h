#pragma once
// The rig that tests, timing programs and the fault campaign share: a simulated module, the
// engine's port to it (counted), the engine with a recording host, and the loop that ticks the
// engine as its timer would, once the line is quiet.
//
// Two lines:
//   InProcess  (the default) sim_port.h: no pty, no thread, a clock of its own. tick() moves the
//              clock one engine timer period on, raising on the way the received-bytes events that
//              come due, then ticks. Deterministic: an outcome never depends on the machine's load.
//   Pty        the module on a pseudo-terminal (sim::PtyModule), linked as COMn in a private ports
//              folder ($DALVEX_PORTS while the rig lives) and opened through the real serial
//              component: for the tests of the serial path itself. Before each tick the rig waits,
//              processing events, until the line is quiet (pty_quiet.h). That is a state, not a
//              pause, so a busy machine only makes the wait longer; a deadline keeps a broken test
//              from hanging. The ticks follow each other as fast as the line allows, unless
//              setTickInterval() asks for the timer's own pace (a memory write's silence is
//              wall-clock time there).
//
// The received-bytes event goes to `receiver` (the engine's handler unless replaced) and a tick
// runs `ticker` (the engine's tick unless replaced), so the start window's search runs on the rig
// as well.

#include "k6link/engine.h"
#include "sim/faults.h"
#include "sim/module_sim.h"
#include "tests/support/counting_port.h"
#include "tests/support/hosts.h"
#include "tests/support/sim_port.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dalvex {
class TAsynComm32;
namespace sim {
class PtyModule;
}
} // namespace dalvex

namespace dalvex::test {

enum class Line { InProcess, Pty };

class SimRig {
    // The line comes first: the counted port below is built on it.
    struct PtyLine;
    std::unique_ptr<SimPort> sim_;
    std::unique_ptr<PtyLine> pty_;
    k6link::Port& LinePort();

public:
    // The engine timer's period while an operation runs.
    static constexpr std::chrono::milliseconds kTickPeriod{50};

    // With a module on the line, answering on COM<comNumber> (on the pty: check error() when a
    // test depends on it).
    explicit SimRig(Line line = Line::InProcess, int comNumber = 1);
    ~SimRig();
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    Line line() const { return pty_ ? Line::Pty : Line::InProcess; }

    // --- The module ---------------------------------------------------------------------------------
    // A fresh module on the line in place of the one there, `setup` applied before it answers.
    // False (see error()) when the pty cannot be opened.
    bool plugIn(const std::function<void(sim::ModuleSim&)>& setup = {});
    // The module of `other`, as it stands, carries on on this rig's line, without its fault.
    bool takeModule(SimRig& other);
    void withModule(const std::function<void(sim::ModuleSim&)>& fn);
    void setFault(sim::Fault fault, int n = 0);
    // The line closes under the port; vanish(): the adapter is pulled, its port name goes too.
    void hangUp();
    void vanish();
    bool lineClosed() const;
    std::vector<std::uint8_t> receivedBytes() const;
    std::size_t receivedCount() const;
    std::string error() const;
    void setMemoryWriteSilence(std::chrono::milliseconds silence);
    void setSplitGap(std::chrono::milliseconds gap);
    // The in-process line only: the time one tick stands for (kTickPeriod unless set; the start
    // window's search timer runs slower).
    void setTickPeriod(std::chrono::milliseconds period) { tickPeriod_ = period; }
    // The pty line only: the slowest pace of the ticks in wall-clock time (0: as fast as the line
    // becomes quiet).
    void setTickInterval(std::chrono::milliseconds interval) { tickInterval_ = interval; }

    // The parts of each line, for tests of the line itself (nullptr on the other line).
    SimPort* simPort() { return sim_.get(); }
    sim::PtyModule* ptyModule();
    TAsynComm32* comm();
    // The pty line's ports folder (empty in process).
    std::string portsPath() const;

    // --- The PC's side ------------------------------------------------------------------------------
    CountingPort port{LinePort()};
    RecordingEngineHost host;
    k6link::Engine engine{port, host};
    std::function<void(int count)> receiver;
    std::function<void()> ticker;

    // --- Time ---------------------------------------------------------------------------------------
    // What is on its way arrives: in process, every event due by now; on the pty, until the line is
    // quiet.
    void settle();
    // One tick: the line settles, the tick's period passes (in process), `ticker` runs, the line
    // settles.
    void tick();
    void ticks(int n);
    // Time passes without ticks (a memory write's silence): in process on the line's clock, on the
    // pty in wall-clock time with events processed.
    void pause(std::chrono::milliseconds d);
    // Ticks until `stop` holds, at most `maxTicks` ticks; whether it holds.
    bool run(const std::function<bool()>& stop, int maxTicks = 10000);
    bool runToIdle(int maxTicks = 10000);
    // Whether `pred` holds once the line has settled (on the pty: within timeoutMs, processing
    // events), for what arrives without a tick.
    bool settledTo(const std::function<bool()>& pred, int timeoutMs = 5000);
    // The line settled within its limits (in process: no operation kept answering itself).
    bool healthy() const { return healthy_; }

private:
    int comNumber_ = 1;
    std::chrono::milliseconds tickPeriod_{kTickPeriod};
    std::chrono::milliseconds tickInterval_{0};
    std::chrono::steady_clock::time_point lastTick_{};
    bool healthy_ = true;
};

} // namespace dalvex::test
