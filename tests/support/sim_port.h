#pragma once
// An in-process line to a simulated module: the engine's port without a pseudo-terminal, a thread
// or the wall clock. What the engine writes goes into a sim::ModuleSim at once; the module's
// replies, shaped by the failure mode exactly as the pty transport shapes them
// (sim/fault_shaper.h), come back through the received-bytes handler when the line's own clock
// reaches them. The clock moves only when the owner moves it (SimRig does, one engine tick at a
// time), so what a test sees never depends on how busy the machine is.
//
// Timing, as on the pty without baud pacing:
//   - a reply is due the moment its command has been taken in; replies leave one after the other;
//   - the pieces of a split reply come kSplitGap apart (on the engine's 50 ms ticks a reply's
//     pieces may straddle a tick, as they do on a real line);
//   - the module is ticked every kModuleTickPeriod for what it sends unasked (the monitor trace);
//   - a memory write that gets no byte for its silence (one second) ends.
// Each piece is one received-bytes event, raised from advance() and settle(), never from within
// a write: the engine is never re-entered.
//
// The port opens under the module's port name (COM1 unless set; as the ports folder takes it: any
// case, with or without the "\\.\" prefix and a trailing colon) while a module is on the line,
// and is lost when the
// line closes under it (the hang-up and vanish faults, hangUp(), vanish()); a lost port refuses
// writes, as the serial component does, until it is closed. After the line has closed the port no
// longer opens, until a module is plugged in again. Opening and closing drop whatever was on its
// way, as the component's purge does.

#include "k6link/port.h"
#include "sim/fault_shaper.h"
#include "sim/faults.h"
#include "sim/module_sim.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dalvex::test {

class SimPort final : public k6link::Port {
public:
    using Ns = std::int64_t;
    static constexpr std::chrono::milliseconds kModuleTickPeriod{20};
    static constexpr std::chrono::milliseconds kMemoryWriteSilence{1000};
    // The line's clock starts here (CLOCK_MONOTONIC-like nanoseconds, as ModuleSim::tick takes).
    static constexpr Ns kStartNs = 1'000'000'000;
    // Received-bytes events one settle may raise before the line gives up on an operation that
    // keeps answering itself without end.
    static constexpr int kRunawayEvents = 1'000'000;

    // With a fresh module on the line.
    SimPort();
    ~SimPort() override;
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    // --- The module's end --------------------------------------------------------------------------
    sim::ModuleSim& module() { return *module_; }
    const sim::ModuleSim& module() const { return *module_; }
    // Puts a module on the line (a fresh one unless given): the line is up, without a fault.
    void plugIn(std::unique_ptr<sim::ModuleSim> module = nullptr);
    // Takes the module off the line (for another line to carry on with it); the line closes.
    std::unique_ptr<sim::ModuleSim> unplug();
    // Sets the failure mode; counting for N starts now (faults.h).
    void setFault(sim::Fault fault, int n = 0);
    // The line closes: an open port is lost. vanish(): the adapter was pulled (its name is gone).
    void hangUp() { closeLine(false); }
    void vanish() { closeLine(true); }
    bool lineClosed() const { return lineClosed_; }
    bool vanished() const { return vanished_; }
    // Every byte the module has received.
    const std::vector<std::uint8_t>& receivedBytes() const { return received_; }
    void setSplitGap(std::chrono::nanoseconds gap) { splitGapNs_ = gap.count(); }
    // The port name the module answers on ("COM1").
    void setPortName(const std::string& name) { portName_ = name; }
    void setMemoryWriteSilence(std::chrono::nanoseconds silence) { silenceNs_ = silence.count(); }

    // --- Time --------------------------------------------------------------------------------------
    Ns now() const { return nowNs_; }
    // Moves the clock on to `t`, raising each event when its time comes.
    void advanceTo(Ns t);
    void advance(std::chrono::nanoseconds d) { advanceTo(nowNs_ + d.count()); }
    // Raises every event due by now (a reply to what was just written, and the replies to what the
    // handlers write meanwhile).
    void settle();
    // Bytes are on their way to the PC.
    bool pending() const { return !pieces_.empty(); }
    // An operation kept answering itself without the clock moving: delivery stopped.
    bool runaway() const { return runaway_; }

    // The received-bytes event: Count bytes are waiting.
    std::function<void(int count)> onReceived;

    // --- The PC's end (k6link::Port) ---------------------------------------------------------------
    void SetDeviceName(const std::string& name) override { deviceName_ = name; }
    void Open() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool Lost() const override { return open_ && lost_; }
    int Write(const void* buffer, int count) override;
    int Read(void* buffer, int count) override;
    const std::string& deviceName() const { return deviceName_; }

private:
    struct Piece {
        Ns due;
        std::vector<std::uint8_t> bytes;
    };

    void take(const sim::Outgoing& out);
    void closeLine(bool vanish);
    void purge();
    void tickModule();

    std::unique_ptr<sim::ModuleSim> module_;
    sim::FaultShaper shaper_;
    std::vector<std::uint8_t> received_;
    bool lineClosed_ = false;
    bool vanished_ = false;
    Ns splitGapNs_;
    Ns silenceNs_;

    Ns nowNs_ = kStartNs;
    Ns nextModuleTickNs_ = kStartNs;
    Ns lastInputNs_ = kStartNs;
    Ns lineFreeNs_ = kStartNs; // when the last piece on its way leaves
    std::deque<Piece> pieces_; // in order of their times
    bool delivering_ = false;
    bool runaway_ = false;

    std::string portName_ = "COM1";
    std::string deviceName_;
    bool open_ = false;
    bool lost_ = false;
    std::deque<std::uint8_t> waiting_;
};

} // namespace dalvex::test
