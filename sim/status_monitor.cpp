#include "status_monitor.h"

#include "sim/gsm_modem.h"
#include "sim/module_sim.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace dalvex::sim {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
// After a stall (a paused process, a slow reader) the stream catches up by at most this many lines
// at once instead of a burst of everything missed.
constexpr std::uint64_t kMaxCatchUpLines = 50;

// A registers' picture of a healthy module: registered at home, no error, good signal, memory
// sound (bit 7 of byte 4), no line interface report.
constexpr std::array<std::uint8_t, kStatusRegisters> kHealthy{0x00, 1,  0, 18, 0x80, '1', '2',  '0',
                                                              '0',  21, 0, 0,  33,   1,   0xFF, 0};

} // namespace

StatusMonitor::StatusMonitor()
    : registers(kHealthy) {}

void StatusMonitor::queueTrace(std::span<const std::uint8_t> bytes) {
    queued_.insert(queued_.end(), bytes.begin(), bytes.end());
}

void StatusMonitor::setMonitor(bool on) {
    if (on && !monitorOn_) startPending_ = true;
    monitorOn_ = on;
}

std::vector<std::uint8_t> StatusMonitor::tick(std::int64_t nowNs) {
    if (animate) animateTo(nowNs);
    std::vector<std::uint8_t> out;
    if (!monitorOn_) return out;
    if (startPending_) {
        startPending_ = false;
        startNs_ = nowNs;
        linesSinceStart_ = 0;
    }
    out.swap(queued_);
    const auto rate = static_cast<std::uint64_t>(std::max(1, traceLinesPerSecond));
    const auto due = static_cast<std::uint64_t>(std::max<std::int64_t>(0, nowNs - startNs_)) * rate /
                     static_cast<std::uint64_t>(kNsPerSecond);
    if (due > linesSinceStart_ + kMaxCatchUpLines) linesSinceStart_ = due - kMaxCatchUpLines;
    while (linesSinceStart_ < due) {
        appendLine(out);
        ++linesSinceStart_;
    }
    return out;
}

void StatusMonitor::appendLine(std::vector<std::uint8_t>& out) {
    ++lineNumber_;
    const auto& r = registers;
    char line[128];
    const int n = std::snprintf(line, sizeof line,
                                "#%06llu IN=%u%u%u%u OUT=%u%u NET=%u GSM=%u CSQ=%u TMP=%d CID=%u LINE=%u\r\n",
                                static_cast<unsigned long long>(lineNumber_), r[0] & 1, (r[0] >> 1) & 1,
                                (r[0] >> 2) & 1, (r[0] >> 3) & 1, (r[4] >> 2) & 1, (r[4] >> 3) & 1, r[1],
                                r[2], r[3], r[9] & 0x80 ? -(r[9] & 0x7F) : r[9] & 0x7F, r[11], r[12]);
    if (n > 0) out.insert(out.end(), line, line + std::min<int>(n, static_cast<int>(sizeof line) - 1));
}

void StatusMonitor::animateTo(std::int64_t nowNs) {
    const std::int64_t second = nowNs / kNsPerSecond;
    if (second == lastAnimatedSecond_) return;
    lastAnimatedSecond_ = second;
    const auto s = static_cast<std::uint64_t>(second);
    auto& r = registers;
    r[0] = static_cast<std::uint8_t>((s / 2) & 0x0F);                   // inputs count up
    r[1] = s % 60 < 50 ? 1 : 3;                                         // home, now and then roaming
    r[2] = s % 45 < 40 ? 0 : 1;                                         // a modem reconfiguration
    const std::uint64_t wave = s % 32;                                  // signal rises and falls
    r[3] = static_cast<std::uint8_t>(wave < 16 ? 8 + wave : 39 - wave); // 8 .. 23
    r[4] = static_cast<std::uint8_t>(0x80 | ((s / 3) & 1) << 2 | ((s / 5) & 1) << 3 | ((s / 7) & 1) << 4 |
                                     (s % 20 == 0 ? 1 : 0) | (s % 30 < 3 ? 2 : 0));
    const std::time_t wall = std::time(nullptr);
    std::tm local{};
    localtime_r(&wall, &local);
    r[5] = static_cast<std::uint8_t>('0' + local.tm_hour / 10);
    r[6] = static_cast<std::uint8_t>('0' + local.tm_hour % 10);
    r[7] = static_cast<std::uint8_t>('0' + local.tm_min / 10);
    r[8] = static_cast<std::uint8_t>('0' + local.tm_min % 10);
    r[9] = static_cast<std::uint8_t>(18 + (s / 10) % 6);                        // 18 .. 23 degrees
    r[11] = static_cast<std::uint8_t>(s % 40 < 30 ? 0 : 1 + (s % 40 - 30) / 2); // a Contact ID call
    r[12] = static_cast<std::uint8_t>(30 + s % 5);                              // line voltage 45 .. 51
    r[13] = static_cast<std::uint8_t>((s / 4) & 1);                             // line picture
}

void registerStatusMonitorCommands(ModuleSim& module) {
    module.registerCommand(kCmdStatusRead, [](Exchange& ex) {
        const SixByteFrame& f = ex.frame();
        ModuleSim& m = ex.module();
        const std::uint16_t a = f.address();
        const std::uint8_t value = a >= kStatusAddress && a < kStatusAddress + kStatusRegisters
                                       ? m.status().registers[a - kStatusAddress]
                                       : m.readByte(a);
        ex.replyFrame(kAckMark, f.command(), f.addressLow(), value);
    });
    module.registerCommand(kCmdMonitor, [](Exchange& ex) {
        const std::uint8_t on = ex.frame().addressLow() != 0 ? 1 : 0;
        ex.module().status().setMonitor(on != 0);
        ex.replyFrame(kAckMark, kModeMark, on, 0);
    });
}

} // namespace dalvex::sim
