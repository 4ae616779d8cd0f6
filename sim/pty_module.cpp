#include "pty_module.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace dalvex::sim {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
// Ten bit times per byte: start bit, eight data bits, stop bit.
constexpr std::int64_t kBitsPerByte = 10;
// Waits longer than this sleep interruptibly on the wake descriptor first; the last stretch is
// an absolute clock_nanosleep, which lands on the deadline itself.
constexpr std::int64_t kInterruptibleAboveNs = 2'000'000;
constexpr std::int64_t kExactTailNs = 1'000'000;

std::int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

timespec toTimespec(std::int64_t ns) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / kNsPerSecond);
    ts.tv_nsec = static_cast<long>(ns % kNsPerSecond);
    return ts;
}

// When byte `index` (from 1) of a run that starts at `startNs` has fully crossed the wire.
std::int64_t byteDeadline(std::int64_t startNs, std::int64_t index, int baud) {
    return startNs + index * kBitsPerByte * kNsPerSecond / baud;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

} // namespace

PtyModule::PtyModule() = default;

PtyModule::~PtyModule() {
    stop();
}

bool PtyModule::start() {
    if (thread_.joinable()) {
        std::lock_guard lock(mutex_);
        error_ = "the module is already running";
        return false;
    }
    closeFds();
    std::string failure;
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::lock_guard lock(mutex_);
        error_ = systemError("openpty");
        return false;
    }
    master_ = master;
    slave_ = slave;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    termios tio{};
    std::array<char, 128> name{};
    if (::tcgetattr(slave_, &tio) != 0) failure = systemError("tcgetattr");
    if (failure.empty()) {
        // Without raw mode the line discipline would echo every command back to the PC.
        ::cfmakeraw(&tio);
        if (::tcsetattr(slave_, TCSANOW, &tio) != 0) failure = systemError("tcsetattr");
    }
    if (failure.empty() && ::ttyname_r(slave_, name.data(), name.size()) != 0)
        failure = systemError("ttyname");
    if (failure.empty()) {
        wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake_ < 0) failure = systemError("eventfd");
    }
    if (!failure.empty()) {
        closeFds();
        std::lock_guard lock(mutex_);
        error_ = failure;
        return false;
    }
    // Without the watch the module still answers; only a non-root PC side could not reopen the
    // port after using TIOCEXCL.
    closeWatch_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (closeWatch_ >= 0 &&
        ::inotify_add_watch(closeWatch_, name.data(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        closeFd(closeWatch_);

    {
        std::lock_guard lock(mutex_);
        slavePath_ = name.data();
        received_.clear();
        lineClosed_ = false;
        threadDone_ = false;
        error_.clear();
    }
    stopRequested_ = false;
    hangUpRequested_ = false;
    inboundFreeNs_ = inboundStartNs_ = inboundIndex_ = outboundFreeNs_ = 0;
    thread_ = std::thread(&PtyModule::run, this);
    return true;
}

void PtyModule::stop() {
    if (thread_.joinable()) {
        stopRequested_ = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
        thread_.join();
    }
    closeFds();
    removeLinks();
    stopRequested_ = false;
    hangUpRequested_ = false;
}

std::string PtyModule::slavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

bool PtyModule::linkAs(const std::string& folder, int comNumber) {
    namespace fs = std::filesystem;
    std::lock_guard lock(mutex_);
    if (slavePath_.empty()) {
        error_ = "the module is not running";
        return false;
    }
    if (comNumber < 1) {
        error_ = "COM numbers start at 1";
        return false;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error_ = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    const fs::path link = fs::path(folder) / ("com" + std::to_string(comNumber));
    const fs::file_status status = fs::symlink_status(link, ec);
    if (fs::is_symlink(status)) {
        const fs::path target = fs::read_symlink(link, ec);
        // Its pseudo-terminal is gone, or is this module's own now (the numbers are reused).
        const bool leftBehind = !ec && target.string().starts_with("/dev/pts/") &&
                                (target == slavePath_ || !fs::exists(target, ec));
        if (!leftBehind) {
            error_ = link.string() + " exists (a link to " + target.string() +
                     ") and was not made by this simulator: remove it, or choose another COM number";
            return false;
        }
        // Left by a simulator that did not get to remove it.
        fs::remove(link, ec);
    } else if (fs::exists(status)) {
        error_ = link.string() + " exists and is not a link";
        return false;
    }
    fs::create_symlink(slavePath_, link, ec);
    if (ec) {
        error_ = "cannot create " + link.string() + ": " + ec.message();
        return false;
    }
    struct stat st {};
    if (::lstat(link.c_str(), &st) != 0) {
        error_ = "cannot create " + link.string() + ": " + std::strerror(errno);
        return false;
    }
    links_.push_back({link, st.st_dev, st.st_ino, st.st_ctim});
    return true;
}

std::vector<std::string> PtyModule::links() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& l : links_)
        out.push_back(l.path.string());
    return out;
}

void PtyModule::removeLinks() {
    std::lock_guard lock(mutex_);
    for (const Link& link : links_) {
        // Only our own link: someone may have put another in its place since.
        struct stat st {};
        std::error_code ec;
        if (::lstat(link.path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && st.st_dev == link.device &&
            st.st_ino == link.inode && st.st_ctim.tv_sec == link.made.tv_sec &&
            st.st_ctim.tv_nsec == link.made.tv_nsec && std::filesystem::read_symlink(link.path, ec) == slavePath_)
            ::unlink(link.path.c_str());
    }
    links_.clear();
}

void PtyModule::setBaud(int baud) {
    std::lock_guard lock(mutex_);
    baud_ = std::max(0, baud);
}

void PtyModule::setSplitGap(std::chrono::milliseconds gap) {
    std::lock_guard lock(mutex_);
    splitGapNs_ = std::max<std::int64_t>(0, std::chrono::nanoseconds(gap).count());
}

void PtyModule::setMemoryWriteSilence(std::chrono::milliseconds silence) {
    memoryWriteSilenceNs_ = std::chrono::nanoseconds(silence).count();
}

void PtyModule::setFault(Fault fault, int n) {
    std::lock_guard lock(mutex_);
    shaper_.set(fault, n, module_);
}

void PtyModule::withModule(const std::function<void(ModuleSim&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(module_);
}

void PtyModule::hangUp() {
    std::unique_lock lock(mutex_);
    if (thread_.joinable() && !threadDone_) {
        hangUpRequested_ = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
        lineChanged_.wait(lock, [this] { return lineClosed_ || threadDone_; });
    }
    if (lineClosed_) return;
    lock.unlock();
    // No thread touches the line any more.
    closeLine();
}

void PtyModule::vanish() {
    removeLinks();
    hangUp();
}

bool PtyModule::lineClosed() const {
    std::lock_guard lock(mutex_);
    return lineClosed_;
}

std::vector<std::uint8_t> PtyModule::receivedBytes() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t PtyModule::receivedCount() const {
    std::lock_guard lock(mutex_);
    return received_.size();
}

namespace {

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

} // namespace

bool PtyModule::inputPending() const {
    std::lock_guard lock(mutex_);
    return !lineClosed_ && readable(master_);
}

bool PtyModule::outputPending() const {
    std::lock_guard lock(mutex_);
    return !lineClosed_ && readable(slave_);
}

std::string PtyModule::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void PtyModule::closeLine() {
    // Closing every master and slave descriptor we hold hangs the line up for the PC side. The
    // lock is held throughout, so that whoever has seen the hang-up also finds lineClosed() true.
    std::lock_guard lock(mutex_);
    closeFd(master_);
    closeFd(slave_);
    closeFd(closeWatch_);
    lineClosed_ = true;
    lineChanged_.notify_all();
}

void PtyModule::closeFds() {
    closeFd(master_);
    closeFd(slave_);
    closeFd(closeWatch_);
    closeFd(wake_);
}

void PtyModule::clearExclusiveOnClose() {
    std::array<char, 4096> events;
    while (::read(closeWatch_, events.data(), events.size()) > 0) {
    }
    ::ioctl(slave_, TIOCNXCL);
}

void PtyModule::setTickPeriod(std::chrono::milliseconds period) {
    tickPeriodNs_ = std::max<std::int64_t>(0, std::chrono::nanoseconds(period).count());
}

bool PtyModule::tickModule() {
    Outgoing out;
    const std::int64_t now = nowNs();
    {
        std::lock_guard lock(mutex_);
        Reply r{module_.tick(now), ReplyKind::Raw, module_.exchanges()};
        if (r.bytes.empty()) return true;
        out = shaper_.shape(r, module_);
    }
    return deliver(out, now);
}

void PtyModule::run() {
    std::array<std::uint8_t, 4096> buffer;
    std::int64_t nextTickNs = nowNs();
    while (!interrupted() && master_ >= 0) {
        std::array<pollfd, 3> fds{{{master_, POLLIN, 0}, {wake_, POLLIN, 0}, {closeWatch_, POLLIN, 0}}};
        const nfds_t count = closeWatch_ >= 0 ? 3 : 2;
        // A memory write waiting for its next block ends after the silence; the module is ticked
        // every tick period. The wait lasts until whichever comes first.
        std::int64_t waitNs = -1;
        {
            std::lock_guard lock(mutex_);
            if (module_.awaitingMemoryWrite()) {
                const std::int64_t left = lastInputNs_ + memoryWriteSilenceNs_ - nowNs();
                if (left <= 0)
                    module_.endMemoryWrite();
                else
                    waitNs = left;
            }
        }
        const std::int64_t tickPeriod = tickPeriodNs_;
        if (tickPeriod > 0) {
            const std::int64_t toTick = std::max<std::int64_t>(0, nextTickNs - nowNs());
            waitNs = waitNs < 0 ? toTick : std::min(waitNs, toTick);
        }
        timespec timeout{};
        if (waitNs >= 0) timeout = toTimespec(waitNs);
        busy_ = false;
        const int ready = ::ppoll(fds.data(), count, waitNs >= 0 ? &timeout : nullptr, nullptr);
        // Busy before anything is read: whoever sees the bytes taken in also sees the module busy
        // until their replies are out.
        busy_ = true;
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (interrupted()) break;
        if (tickPeriod > 0 && nowNs() >= nextTickNs) {
            // A steady period; after a stall the next tick is one period from now, not a burst.
            nextTickNs = std::max(nextTickNs + tickPeriod, nowNs() + tickPeriod / 2);
            if (!tickModule()) break;
        }
        if (count == 3 && (fds[2].revents & POLLIN)) clearExclusiveOnClose();
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer.data(), buffer.size());
            if (n > 0) {
                process(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
                lastInputNs_ = nowNs();
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            break;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) break;
    }
    if (hangUpRequested_ && master_ >= 0) closeLine();
    busy_ = false;
    std::lock_guard lock(mutex_);
    threadDone_ = true;
    lineChanged_.notify_all();
}

bool PtyModule::process(std::span<const std::uint8_t> chunk) {
    const std::int64_t readNs = nowNs();
    int baud = 0;
    {
        std::lock_guard lock(mutex_);
        received_.insert(received_.end(), chunk.begin(), chunk.end());
        baud = baud_;
    }
    std::vector<Outgoing> outgoing;
    const ReplySink sink = [this, &outgoing](const Reply& r) {
        outgoing.push_back(shaper_.shape(r, module_));
    };

    if (baud == 0) {
        {
            std::lock_guard lock(mutex_);
            module_.feed(chunk, sink);
        }
        for (const Outgoing& out : outgoing)
            if (!deliver(out, readNs)) return false;
        return true;
    }

    for (const std::uint8_t byte : chunk) {
        // A byte arriving while the wire is idle starts a new run; otherwise it queues behind
        // the bytes before it.
        if (readNs >= inboundFreeNs_) {
            inboundStartNs_ = readNs;
            inboundIndex_ = 0;
        }
        const std::int64_t arrivedNs = byteDeadline(inboundStartNs_, ++inboundIndex_, baud);
        inboundFreeNs_ = arrivedNs;
        if (!waitUntil(arrivedNs)) return false;
        outgoing.clear();
        {
            std::lock_guard lock(mutex_);
            module_.feed(std::span<const std::uint8_t>(&byte, 1), sink);
        }
        for (const Outgoing& out : outgoing)
            if (!deliver(out, arrivedNs)) return false;
    }
    return true;
}

bool PtyModule::deliver(const Outgoing& out, std::int64_t readyNs) {
    if (out.action == Outgoing::Action::Drop) return true;
    if (out.action == Outgoing::Action::HangUp || out.action == Outgoing::Action::Vanish) {
        // The name goes first, so whoever sees the hang-up finds it gone, as with a pulled adapter.
        if (out.action == Outgoing::Action::Vanish) removeLinks();
        closeLine();
        return false;
    }
    int baud = 0;
    std::int64_t gapNs = 0;
    {
        std::lock_guard lock(mutex_);
        baud = baud_;
        gapNs = splitGapNs_;
    }
    std::int64_t startNs = std::max(readyNs, outboundFreeNs_);
    for (std::size_t p = 0; p < out.pieces.size(); ++p) {
        const std::vector<std::uint8_t>& piece = out.pieces[p];
        if (p > 0) {
            startNs = (baud > 0 ? startNs : nowNs()) + gapNs;
            if (!waitUntil(startNs)) return false;
        }
        if (baud == 0) {
            if (!writeAll(piece.data(), piece.size())) return false;
            continue;
        }
        std::int64_t sentNs = startNs;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            sentNs = byteDeadline(startNs, static_cast<std::int64_t>(i) + 1, baud);
            if (!waitUntil(sentNs)) return false;
            if (!writeAll(&piece[i], 1)) return false;
        }
        startNs = sentNs;
    }
    if (baud > 0) outboundFreeNs_ = startNs;
    return true;
}

bool PtyModule::writeAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(master_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // The PC is not reading and the pty's buffer is full: wait for room or a stop.
            std::array<pollfd, 2> fds{{{master_, POLLOUT, 0}, {wake_, POLLIN, 0}}};
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return false;
            if (interrupted()) return false;
            continue;
        }
        return false;
    }
    return true;
}

bool PtyModule::waitUntil(std::int64_t deadlineNs) {
    for (;;) {
        if (interrupted()) return false;
        const std::int64_t remaining = deadlineNs - nowNs();
        if (remaining <= 0) return true;
        if (remaining > kInterruptibleAboveNs) {
            const timespec timeout = toTimespec(remaining - kExactTailNs);
            pollfd wake{wake_, POLLIN, 0};
            ::ppoll(&wake, 1, &timeout, nullptr);
            continue;
        }
        const timespec deadline = toTimespec(deadlineNs);
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
    }
}

} // namespace dalvex::sim
