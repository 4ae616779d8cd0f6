#include "history_data.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace dalvex::sim {

namespace {

constexpr std::uint8_t kCodes[] = {1,  2,  3,  4,  9,  10, 13, 14, 15, 33, 34, 48, 49, 50, 51, 52,
                                   53, 54, 55, 56, 57, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73};

constexpr std::size_t kDateAt = 2;
constexpr std::size_t kSignalAt = 17;
constexpr std::size_t kNetworkAt = 18;
constexpr std::size_t kNoteAt = 20;
constexpr std::size_t kNoteMax = kLogRecordSize - kNoteAt;

void putTwoDigits(LogRecordBytes& r, std::size_t at, int value) {
    value = ((value % 100) + 100) % 100;
    r[at] = static_cast<std::uint8_t>('0' + value / 10);
    r[at + 1] = static_cast<std::uint8_t>('0' + value % 10);
}

// A small deterministic generator, so that a filled module looks the same every run.
struct Lcg {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
};

std::string noteFor(std::uint8_t code, int index, Lcg& rng) {
    static const char* const kPhones[] = {"+36301234567", "+36209876543", "+36705551234", "+421905123456"};
    const std::string phone = kPhones[rng.below(4)];
    switch (code) {
    case 1:
    case 2:
    case 3:
    case 4:
        return "Zone " + std::to_string(code) + (index % 3 == 0 ? " alarm" : " restore");
    case 13:
        return "T=" + std::to_string(45 + rng.below(20)) + "C";
    case 14:
        return "T=-" + std::to_string(5 + rng.below(15)) + "C";
    case 33:
    case 34:
    case 67:
        return phone;
    case 49:
        return index % 2 ? "Telenor HU" : "Vodafone HU";
    case 66:
    case 68:
    case 69:
        return "To " + phone;
    case 55:
    case 56:
        return "E130 01 00" + std::to_string(code - 54);
    case 57:
        return "srv1.example.net:5000 timeout";
    case 72:
        // A note of the full 44 characters, which leaves no terminator in the record.
        return "First alarm on input 1; panel line A, zone 1";
    case 73:
        return "Power on; sw 8.4";
    default:
        return {};
    }
}

} // namespace

LogRecordBytes makeLogRecord(const LogEvent& e) {
    LogRecordBytes r{};
    r[0] = e.code;
    putTwoDigits(r, kDateAt, e.year);
    putTwoDigits(r, kDateAt + 2, e.month);
    putTwoDigits(r, kDateAt + 4, e.day);
    putTwoDigits(r, kDateAt + 6, e.hour);
    putTwoDigits(r, kDateAt + 8, e.minute);
    putTwoDigits(r, kDateAt + 10, e.second);
    r[kSignalAt] = e.signal;
    r[kNetworkAt] = e.network;
    const std::size_t n = std::min(e.note.size(), kNoteMax);
    std::copy_n(e.note.begin(), n, r.begin() + static_cast<std::ptrdiff_t>(kNoteAt));
    return r;
}

std::array<std::uint8_t, 256> logBlock(std::span<const std::uint8_t> memory, int recordNo) {
    std::array<std::uint8_t, 256> block;
    block.fill(kHistoryEnd);
    for (int slot = 0; slot < 4; ++slot) {
        const long index = static_cast<long>(recordNo) - 4 + (3 - slot);
        if (index < 0 || index >= kLogCapacity) continue;
        const std::size_t from = kLogAddress + static_cast<std::size_t>(index) * kLogRecordSize;
        if (from + kLogRecordSize > memory.size()) continue;
        std::copy_n(memory.begin() + static_cast<std::ptrdiff_t>(from), kLogRecordSize,
                    block.begin() +
                        static_cast<std::ptrdiff_t>(slot) * static_cast<std::ptrdiff_t>(kLogRecordSize));
    }
    return block;
}

void registerHistoryCommands(ModuleSim& module) {
    module.registerCommand(kCmdReadLog, [](Exchange& ex) {
        const SixByteFrame& f = ex.frame();
        const int recordNo = f.addressLow() | f.data() << 8;
        const auto block = logBlock(ex.module().memory(), recordNo);
        ex.reply(block, ReplyKind::Raw);
    });
}

void writeLogRecord(ModuleSim& module, int index, const LogRecordBytes& record) {
    if (index < 0 || index >= kLogCapacity) return;
    const auto memory = module.memory();
    std::copy(record.begin(), record.end(),
              memory.begin() + static_cast<std::ptrdiff_t>(kLogAddress +
                                                           static_cast<std::size_t>(index) * kLogRecordSize));
}

std::span<const std::uint8_t> logEventCodes() {
    return kCodes;
}

void fillLog(ModuleSim& module, int records) {
    records = std::clamp(records, 0, kLogCapacity);
    Lcg rng{0x6B36u};
    // 5 March 2024 14:07:09, going back a few minutes to a few hours per event.
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 7;
    t.tm_sec = 9;
    std::time_t when = timegm(&t);
    static constexpr std::uint8_t kNetworks[] = {1, 1, 1, 1, 1, 1, 3, 0, 2, 1, 1, 7};
    for (int i = 0; i < records; ++i) {
        std::tm d{};
        gmtime_r(&when, &d);
        const std::uint8_t code = kCodes[static_cast<std::size_t>(i) % std::size(kCodes)];
        LogEvent e;
        e.code = code;
        e.year = d.tm_year + 1900;
        e.month = d.tm_mon + 1;
        e.day = d.tm_mday;
        e.hour = d.tm_hour;
        e.minute = d.tm_min;
        e.second = d.tm_sec;
        e.signal = static_cast<std::uint8_t>(code == 48 ? 0 : 8 + rng.below(24));
        e.network = code == 48 ? 0 : kNetworks[rng.below(static_cast<int>(std::size(kNetworks)))];
        e.note = noteFor(code, i, rng);
        writeLogRecord(module, i, makeLogRecord(e));
        when -= 60 + rng.below(3 * 3600);
    }
    if (records < kLogCapacity) {
        LogRecordBytes end;
        end.fill(kHistoryEnd);
        writeLogRecord(module, records, end);
    }
}

void fillSignal(ModuleSim& module, int samples) {
    samples = std::clamp(samples, 0, kSignalCapacity);
    Lcg rng{0x3000u};
    const auto memory = module.memory().subspan(kSignalAddress);
    for (int i = 0; i < samples; ++i) {
        const double wave = 18.0 + 9.0 * std::sin(i / 180.0) + 3.0 * std::sin(i / 23.0);
        const int level = static_cast<int>(std::lround(wave)) + rng.below(5) - 2;
        memory[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::clamp(level, 0, 31));
    }
    if (samples < kSignalCapacity) memory[static_cast<std::size_t>(samples)] = kHistoryEnd;
}

} // namespace dalvex::sim
