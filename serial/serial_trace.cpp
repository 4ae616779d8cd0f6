#include "serial_trace.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace dalvex {

namespace {

// Hex bytes are padded to this many chunk bytes so the ASCII column lines up for frames; longer
// chunks (blocks) are written on one long line.
constexpr std::size_t kHexColumn = 16;

// Creates the folders of `dir` that are missing, each 0700; folders that exist (a shared folder,
// /tmp) are left as they are.
bool MakePrivateFolder(const std::filesystem::path& dir, std::string& error) {
    std::filesystem::path made;
    for (const auto& part : dir) {
        made /= part;
        struct stat st {};
        if (::stat(made.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) continue;
            errno = ENOTDIR;
        } else if (errno == ENOENT && (::mkdir(made.c_str(), 0700) == 0 || errno == EEXIST)) {
            if (errno != EEXIST) ::chmod(made.c_str(), 0700);
            continue;
        }
        error = "cannot create the folder " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// The trace file, appended to; a new one readable by the user only. Anything but a regular file
// is refused before it could block (a FIFO without a reader) or act (a device).
int OpenPrivate(const std::filesystem::path& file, std::string& error) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = "cannot write the trace file " + file.string() + ": not a regular file";
        return -1;
    }
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write the trace file " + file.string() + ": " + std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "cannot write the trace file " + file.string() + ": not a regular file";
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

SerialTrace::~SerialTrace() {
    Stop();
}

bool SerialTrace::Start(const std::filesystem::path& file, std::uintmax_t rotateBytes) {
    Stop();
    std::string error;
    if (file.has_parent_path() && !MakePrivateFolder(file.parent_path(), error)) {
        std::lock_guard lk(m_);
        error_ = error;
        return false;
    }
    const int out = OpenPrivate(file, error);
    if (out < 0) {
        std::lock_guard lk(m_);
        error_ = error;
        return false;
    }
    struct stat st {};
    const std::uintmax_t size = ::fstat(out, &st) == 0 ? static_cast<std::uintmax_t>(st.st_size) : 0;
    {
        std::lock_guard lk(m_);
        out_ = out;
        file_ = file;
        rotateBytes_ = rotateBytes;
        written_ = size;
        pending_.clear();
        errorCode_ = 0;
        error_.clear();
        stop_ = false;
        origin_ = std::chrono::steady_clock::now();
    }
    writer_ = std::thread([this] { Run(); });
    return true;
}

void SerialTrace::Stop() {
    {
        std::lock_guard lk(m_);
        if (!writer_.joinable()) return;
        stop_ = true;
    }
    cv_.notify_all();
    writer_.join();
    std::lock_guard lk(m_);
    if (out_ >= 0) ::close(out_);
    out_ = -1;
}

bool SerialTrace::Running() const {
    std::lock_guard lk(m_);
    return out_ >= 0 && !stop_;
}

std::string SerialTrace::error() const {
    std::lock_guard lk(m_);
    return error_;
}

int SerialTrace::errorCode() const {
    std::lock_guard lk(m_);
    return errorCode_;
}

void SerialTrace::SetNamer(Namer namer) {
    std::lock_guard lk(m_);
    namer_ = std::move(namer);
}

void SerialTrace::Push(Entry e, const void* bytes) {
    bool wake = false;
    {
        std::lock_guard lk(m_);
        if (out_ < 0 || stop_) return;
        if (bytes && e.size > 0) {
            e.offset = queue_.bytes.size();
            const auto* b = static_cast<const std::uint8_t*>(bytes);
            queue_.bytes.insert(queue_.bytes.end(), b, b + e.size);
        }
        queue_.entries.push_back(std::move(e));
        wake = queue_.bytes.size() >= kWakeBytes;
    }
    if (wake) cv_.notify_one();
}

void SerialTrace::Data(Direction direction, const void* bytes, std::size_t count) {
    Push(Entry{std::chrono::steady_clock::now(), direction, 0, count, {}, false}, bytes);
}

void SerialTrace::Event(std::string text) {
    Push(Entry{std::chrono::steady_clock::now(), Direction::Event, 0, 0, std::move(text), false});
}

void SerialTrace::Opened(std::string text) {
    Push(Entry{std::chrono::steady_clock::now(), Direction::Event, 0, 0, std::move(text), true});
}

void SerialTrace::Flush() {
    std::unique_lock lk(m_);
    flush_ = true;
    cv_.notify_one();
    drained_.wait(lk, [this] { return (queue_.entries.empty() && !busy_) || !writer_.joinable(); });
}

std::string SerialTrace::FormatLine(double ms, Direction direction, std::span<const std::uint8_t> bytes,
                                    const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(32 + bytes.size() * 4 + name.size());
    char head[32];
    std::snprintf(head, sizeof head, "%10.3f %c ", ms, static_cast<char>(direction));
    line += head;
    for (std::uint8_t b : bytes) {
        line += kHex[b >> 4];
        line += kHex[b & 0xF];
        line += ' ';
    }
    for (std::size_t i = bytes.size(); i < kHexColumn; ++i)
        line += "   ";
    line += '|';
    for (std::uint8_t b : bytes)
        line += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    line += '|';
    if (!name.empty()) {
        line += "  ";
        line += name;
    }
    return line;
}

void SerialTrace::Run() {
    std::unique_lock lk(m_);
    Batch batch;
    for (;;) {
        cv_.wait_for(lk, kWriterPeriod,
                     [this] { return stop_ || flush_ || queue_.bytes.size() >= kWakeBytes; });
        flush_ = false;
        if (queue_.entries.empty()) {
            drained_.notify_all();
            if (stop_) break;
            continue;
        }
        batch.entries.clear();
        batch.bytes.clear();
        std::swap(batch, queue_);
        busy_ = true;
        lk.unlock();
        for (const Entry& e : batch.entries)
            WriteEntry(e, batch.bytes);
        WritePending();
        lk.lock();
        busy_ = false;
        drained_.notify_all();
    }
    drained_.notify_all();
}

void SerialTrace::WriteEntry(const Entry& e, const std::vector<std::uint8_t>& bytes) {
    if (out_ < 0) return;
    if (e.resetsClock) origin_ = e.at;
    const double ms = std::chrono::duration<double, std::milli>(e.at - origin_).count();
    if (e.direction == Direction::Event) {
        char head[32];
        std::snprintf(head, sizeof head, "%10.3f * ", ms);
        pending_ += head + e.text;
    } else {
        Namer namer;
        {
            std::lock_guard lk(m_);
            namer = namer_;
        }
        const std::span<const std::uint8_t> chunk(bytes.data() + e.offset, e.size);
        pending_ += FormatLine(ms, e.direction, chunk, namer ? namer(e.direction, chunk) : std::string());
    }
    pending_ += '\n';
    if (written_ + pending_.size() >= rotateBytes_) {
        WritePending();
        RotateIfNeeded();
    }
}

void SerialTrace::WritePending() {
    if (out_ < 0) {
        pending_.clear();
        return;
    }
    const char* data = pending_.data();
    std::size_t left = pending_.size();
    while (left > 0) {
        const ssize_t n = ::write(out_, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            // A full disk: the lines that made it stay, a line cut short does not, and the trace
            // ends here with its reason.
            const int code = errno;
            [[maybe_unused]] const int kept = ::ftruncate(out_, static_cast<off_t>(written_));
            std::lock_guard lk(m_);
            error_ = "writing the trace file " + file_.string() + " failed: " + std::strerror(code);
            errorCode_ = code;
            ::close(out_);
            out_ = -1;
            pending_.clear();
            return;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
        written_ += static_cast<std::size_t>(n);
    }
    pending_.clear();
}

void SerialTrace::RotateIfNeeded() {
    if (out_ < 0 || written_ < rotateBytes_) return;
    {
        std::lock_guard lk(m_);
        ::close(out_);
        out_ = -1;
    }
    std::filesystem::path older = file_;
    older += ".1";
    std::error_code ec;
    std::filesystem::rename(file_, older, ec);
    std::string error;
    const int f = OpenPrivate(file_, error);
    std::lock_guard lk(m_);
    out_ = f;
    written_ = 0;
    if (f < 0) error_ = error;
}

std::filesystem::path DefaultTraceFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        return std::filesystem::path(state) / "Dalvex" / "trace";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "state" / "Dalvex" / "trace";
}

std::string TraceFileName(const std::string& port, std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    std::string name;
    for (char c : port)
        if (c != '\\' && c != '.' && c != '/' && c != ':') name += c;
    return std::string(stamp) + "_" + (name.empty() ? "port" : name) + ".trace";
}

} // namespace dalvex
