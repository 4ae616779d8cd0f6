#pragma once
// The simulated module's status registers and its monitor mode.
//
//   2     status read: F(A >> 8, 2, A & 0xFF, 0) -> F(0xAB, 2, A & 0xFF, value). Addresses 512 to
//         527 are the sixteen status registers; any other address reads as a byte read (code 0).
//   0xFB  monitor: F(0, 0xFB, 1, 0) switches the trace on, F(0, 0xFB, 0, 0) off; both answer
//         F(0xAB, 0xAC, on, 0). While it is on, the module streams trace lines (ASCII, CR LF) at a
//         steady rate, whatever else it is asked; the lines leave through ModuleSim::tick.
//
// The command codes 0xFB (kCmdMonitor) and the mode mark 0xAC (kModeMark) are the modem's
// (sim/gsm_modem.h), which answers monitor-off itself while in modem mode when no 0xFB is
// registered; with this one registered, 0xFB ends modem mode and is answered here.
//
// The registers stay as set (tests set them through ModuleSim::status()) unless `animate` is on,
// as in the dalvex-sim program: then inputs, outputs, signal, GSM and dialler state, GSM time,
// temperature and line values change every second, so a status window shows life.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace dalvex::sim {

class ModuleSim;

inline constexpr std::uint8_t kCmdStatusRead = 2;
inline constexpr std::uint16_t kStatusAddress = 512;
inline constexpr std::size_t kStatusRegisters = 16;
inline constexpr int kDefaultTraceLinesPerSecond = 20;

class StatusMonitor {
public:
    StatusMonitor();

    // The sixteen status registers at 512 .. 527.
    std::array<std::uint8_t, kStatusRegisters> registers{};
    // The registers change every second (the program); tests keep them still.
    bool animate = false;
    // Trace lines per second while the monitor is on.
    int traceLinesPerSecond = kDefaultTraceLinesPerSecond;

    bool monitorOn() const { return monitorOn_; }
    // Trace lines streamed since start.
    std::uint64_t traceLines() const { return lineNumber_; }
    // Bytes that go out in the stream ahead of the next trace line (tests: bytes that are no text).
    void queueTrace(std::span<const std::uint8_t> bytes);

    // What the module streams up to nowNs (CLOCK_MONOTONIC); also moves the animation on.
    std::vector<std::uint8_t> tick(std::int64_t nowNs);

    // The monitor command; called by the command handler.
    void setMonitor(bool on);

private:
    void animateTo(std::int64_t nowNs);
    void appendLine(std::vector<std::uint8_t>& out);

    bool monitorOn_ = false;
    bool startPending_ = false;
    std::int64_t startNs_ = 0;
    std::uint64_t linesSinceStart_ = 0;
    std::uint64_t lineNumber_ = 0;
    std::int64_t lastAnimatedSecond_ = -1;
    std::vector<std::uint8_t> queued_;
};

// Registers the status read and the monitor command with the module.
void registerStatusMonitorCommands(ModuleSim& module);

} // namespace dalvex::sim
