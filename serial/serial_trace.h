#pragma once
// A trace of everything a serial port does, for support: every chunk written and received with
// its time and direction, and every open, close, line-setting change and error, one line each in a
// text file that a person can read without the protocol at hand:
//
//      12.345 > 00 00 FE 00 02 FD                                       |......|  byte read 0x00FE
//      12.391 < AB 00 FE 54 56 A7                                       |...TV.|
//    1503.002 * close
//
// The time is in milliseconds since the port was opened. The port's threads only copy the bytes
// and a timestamp into a queue; a writer thread of the trace formats and writes them, so a traced
// transfer is not slowed by the file. The file is rotated at a size limit (the older part keeps
// the name with ".1"), so a trace left on for days stays bounded. A port without a trace pays one
// pointer test per operation.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace dalvex {

class SerialTrace {
public:
    enum class Direction : char { Out = '>', In = '<', Event = '*' };

    static constexpr std::uintmax_t kDefaultRotateBytes = 16u * 1024u * 1024u;

    // Names a chunk for the reader ("block read 0x3400"), or returns an empty string. It runs on
    // the writer thread.
    using Namer = std::function<std::string(Direction, std::span<const std::uint8_t>)>;

    SerialTrace() = default;
    ~SerialTrace();
    SerialTrace(const SerialTrace&) = delete;
    SerialTrace& operator=(const SerialTrace&) = delete;

    // Opens (appends to) the trace file, a new one readable by the user only, creating the folders
    // that are missing readable by the user only (folders that exist are left as they are), and
    // starts the writer. False with a message in error() when the file cannot be written. A write
    // that fails later (a full disk) ends the trace with whole lines in the file and the reason in
    // error().
    bool Start(const std::filesystem::path& file, std::uintmax_t rotateBytes = kDefaultRotateBytes);
    // Writes what is queued and closes the file. Harmless when not started.
    void Stop();
    bool Running() const;
    const std::filesystem::path& File() const { return file_; }
    std::string error() const;
    // The errno behind error(), 0 when there is none or it has none.
    int errorCode() const;

    void SetNamer(Namer namer);

    // Called by the port on its own threads; cheap: a copy into the queue.
    void Data(Direction direction, const void* bytes, std::size_t count);
    void Event(std::string text);
    // The port was opened: times count from here.
    void Opened(std::string text);

    // Waits until everything queued so far is in the file (for tests and before showing it).
    void Flush();

    // One line as it appears in the file (without its line end); shown here for tests.
    static std::string FormatLine(double ms, Direction direction, std::span<const std::uint8_t> bytes,
                                  const std::string& name);

private:
    // One line to write. Data bytes live in the batch's byte store, so recording a chunk costs no
    // allocation of its own.
    struct Entry {
        std::chrono::steady_clock::time_point at;
        Direction direction;
        std::size_t offset = 0, size = 0; // in Batch::bytes
        std::string text;
        bool resetsClock = false;
    };
    struct Batch {
        std::vector<Entry> entries;
        std::vector<std::uint8_t> bytes;
    };
    // The writer wakes by itself this often; the port's threads wake it only when much is queued.
    static constexpr std::chrono::milliseconds kWriterPeriod{50};
    static constexpr std::size_t kWakeBytes = 64 * 1024;

    void Run();
    void Push(Entry e, const void* bytes = nullptr);
    void WriteEntry(const Entry& e, const std::vector<std::uint8_t>& bytes);
    void WritePending();
    void RotateIfNeeded();

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::condition_variable drained_;
    Batch queue_;
    bool stop_ = false;
    bool busy_ = false;
    bool flush_ = false;
    std::thread writer_;

    // Writer thread only (and Start/Stop while it is not running).
    int out_ = -1;
    std::filesystem::path file_;
    std::uintmax_t rotateBytes_ = kDefaultRotateBytes;
    std::uintmax_t written_ = 0; // the file's size: whole lines only
    std::string pending_;        // lines formatted, not yet written
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    Namer namer_;
    std::string error_;
    int errorCode_ = 0;
};

// Where the windows put their traces: $XDG_STATE_HOME/Dalvex/trace, else ~/.local/state/Dalvex/trace.
std::filesystem::path DefaultTraceFolder();
// A trace file name for a port and the moment tracing starts: "2026-12-10_14-03-22_COM1.trace".
std::string TraceFileName(const std::string& port, std::chrono::system_clock::time_point when);

} // namespace dalvex
