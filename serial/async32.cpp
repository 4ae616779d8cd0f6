#include "async32.h"

#include "com_names.h"
#include "serial_trace.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace dalvex {

int BaudRateValue(TBaudRate rate) {
    static constexpr int kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                     19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return kRates[rate];
}

// What the owner thread and the reader thread share for one open port. Queued hand-overs keep it
// alive, so one that arrives after Close() finds a link that is no longer the port's and is dropped.
struct ReaderLink {
    std::mutex m;
    std::condition_variable cv;
    bool stop = false;
    bool handled = true;
    int wakeFd = -1;                         // eventfd: stop, or a write left bytes for the reader
    std::vector<std::uint8_t> txRest;        // bytes of a write still in progress
    std::atomic<std::uint64_t> bytesRead{0}; // by Read(), to tell whether a handler took bytes
    bool txWatch = false;                    // raise evTxEmpty when the output has drained
    std::atomic<bool> lost{false};           // the device has gone: the reader has ended

    ReaderLink()
        : wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~ReaderLink() {
        if (wakeFd >= 0) ::close(wakeFd);
    }
    void wake() const {
        std::uint64_t one = 1;
        [[maybe_unused]] auto r = ::write(wakeFd, &one, sizeof one);
    }
};

namespace {

// "9600 8N1" and the flow control, for the trace.
std::string DescribeLine(const line::LineSettings& s) {
    static constexpr char kParity[] = {'N', 'O', 'E', 'M', 'S'};
    static constexpr const char* kStop[] = {"1", "1.5", "2"};
    static constexpr const char* kFlow[] = {"no flow control", "RTS/CTS", "DTR/DSR", "XON/XOFF",
                                            "default flow control"};
    return std::to_string(BaudRateValue(s.baudRate)) + " " +
           std::to_string(4 + static_cast<int>(s.databits)) + kParity[s.parity] + kStop[s.stopbits] + ", " +
           kFlow[s.flowControl];
}

int bytesWaiting(int fd) {
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : 0;
}

int bytesToSend(int fd) {
    int n = 0;
    return ioctl(fd, TIOCOUTQ, &n) == 0 ? n : 0;
}

// Modem lines and line errors, where the device has them. A pseudo-terminal has neither, and the
// watch then costs nothing.
class LineWatch {
public:
    explicit LineWatch(int fd)
        : fd_(fd) {
        icount_ = ioctl(fd_, TIOCGICOUNT, &counts_) == 0;
        if (!icount_) modemBits_ = ioctl(fd_, TIOCMGET, &bits_) == 0;
    }
    bool supported() const { return icount_ || modemBits_; }

    void check(TC32EventState& ev, std::uint32_t& errors) {
        if (icount_) {
            serial_icounter_struct c{};
            if (ioctl(fd_, TIOCGICOUNT, &c) != 0) return;
            if (c.brk != counts_.brk) ev.include(evBreak), errors |= CE_BREAK;
            if (c.frame != counts_.frame) errors |= CE_FRAME;
            if (c.overrun != counts_.overrun) errors |= CE_OVERRUN;
            if (c.parity != counts_.parity) errors |= CE_RXPARITY;
            if (c.buf_overrun != counts_.buf_overrun) errors |= CE_RXOVER;
            if (c.cts != counts_.cts) ev.include(evCTS);
            if (c.dsr != counts_.dsr) ev.include(evDSR);
            if (c.rng != counts_.rng) ev.include(evRing);
            if (c.dcd != counts_.dcd) ev.include(evRlsd);
            counts_ = c;
        } else if (modemBits_) {
            int b = 0;
            if (ioctl(fd_, TIOCMGET, &b) != 0) return;
            const int changed = b ^ bits_;
            if (changed & TIOCM_CTS) ev.include(evCTS);
            if (changed & TIOCM_DSR) ev.include(evDSR);
            if (changed & TIOCM_CD) ev.include(evRlsd);
            if ((changed & TIOCM_RI) && (b & TIOCM_RI)) ev.include(evRing);
            bits_ = b;
        }
        if (errors & ~CE_BREAK) ev.include(evError);
    }

private:
    int fd_;
    bool icount_ = false;
    bool modemBits_ = false;
    serial_icounter_struct counts_{};
    int bits_ = 0;
};

} // namespace

// The reader thread: waits for line events and hands each one to the owner thread, waiting until
// it has been handled. It never reads received bytes itself.
class TC32Thread {
public:
    TC32Thread(TCustomAsynComm32* owner, int handle, TC32EventState events, std::shared_ptr<ReaderLink> link)
        : owner_(owner)
        , handle_(handle)
        , events_(events)
        , link_(std::move(link)) {
        thread_ = std::thread([this] { Execute(); });
    }
    ~TC32Thread() { Terminate(); }

    // Tells the thread to stop and waits until it has ended.
    void Terminate() {
        {
            std::lock_guard lk(link_->m);
            link_->stop = true;
        }
        link_->cv.notify_all();
        link_->wake();
        if (thread_.joinable()) thread_.join();
    }

private:
    void Execute();
    bool Notify(TC32EventState ev, std::uint32_t errors);
    void SendRest();

    TCustomAsynComm32* owner_;
    int handle_;
    TC32EventState events_;
    std::shared_ptr<ReaderLink> link_;
    std::thread thread_;
};

bool TC32Thread::Notify(TC32EventState ev, std::uint32_t errors) {
    {
        std::lock_guard lk(link_->m);
        if (link_->stop) return false;
        link_->handled = false;
    }
    QMetaObject::invokeMethod(
        owner_, [owner = owner_, link = link_, ev, errors] { owner->HandOver(link, ev, errors); },
        Qt::QueuedConnection);
    std::unique_lock lk(link_->m);
    link_->cv.wait(lk, [this] { return link_->handled || link_->stop; });
    return !link_->stop;
}

void TC32Thread::SendRest() {
    std::lock_guard lk(link_->m);
    auto& rest = link_->txRest;
    const ssize_t n = ::write(handle_, rest.data(), rest.size());
    if (n > 0)
        rest.erase(rest.begin(), rest.begin() + n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR)
        rest.clear(); // the write failed: it is over
}

void TC32Thread::Execute() {
    // One step above normal priority, so that line events are not held up by a busy desktop.
    // Without the right to raise it (an ordinary user), the thread runs at normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), getpriority(PRIO_PROCESS, 0) - 1);

    LineWatch lines(handle_);
    const bool rxMonitored = events_.contains(evRxChar);
    int stale = 0; // bytes a handler left unread: they raise no new event until more arrive
    for (;;) {
        bool sending, watchTx;
        {
            std::lock_guard lk(link_->m);
            if (link_->stop) break;
            sending = !link_->txRest.empty();
            watchTx = link_->txWatch;
        }
        pollfd fds[2] = {{link_->wakeFd, POLLIN, 0}, {handle_, 0, 0}};
        if (rxMonitored && stale == 0) fds[1].events |= POLLIN;
        if (sending) fds[1].events |= POLLOUT;
        const int timeout = (lines.supported() || stale > 0 || watchTx) ? 10 : -1;
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t v;
            [[maybe_unused]] auto r = ::read(link_->wakeFd, &v, sizeof v);
        }
        const bool hangUp = fds[1].revents & (POLLHUP | POLLERR | POLLNVAL);
        if (sending && (fds[1].revents & POLLOUT)) SendRest();

        TC32EventState ev;
        std::uint32_t errors = 0;
        const int waiting = bytesWaiting(handle_);
        stale = std::min(stale, waiting);
        if (rxMonitored && waiting > stale) ev.include(evRxChar);
        if (watchTx) {
            std::lock_guard lk(link_->m);
            if (link_->txRest.empty() && bytesToSend(handle_) == 0) {
                link_->txWatch = false;
                ev.include(evTxEmpty);
            }
        }
        lines.check(ev, errors);
        ev = ev & events_;
        if (!ev.empty()) {
            const std::uint64_t readBefore = link_->bytesRead;
            if (!Notify(ev, errors)) break;
            // Bytes still waiting are new if the handler took what it was offered (more came
            // meanwhile); if it took nothing, they wait for more to arrive.
            stale = link_->bytesRead != readBefore ? 0 : bytesWaiting(handle_);
        }
        // The other end has gone (a pulled adapter, a closed pseudo-terminal): the reader ends
        // after telling the owner; the component stays as it is until the owner closes or
        // reopens it, and writes nothing more to the dead device meanwhile.
        if (hangUp) {
            link_->lost = true;
            if (events_.contains(evError)) Notify(TC32EventState{evError}, CE_IOE);
            break;
        }
    }
    line::Purge(handle_);
}

TCustomAsynComm32::TCustomAsynComm32(QObject* parent)
    : QObject(parent) {}

TCustomAsynComm32::~TCustomAsynComm32() {
    Close();
}

void TCustomAsynComm32::Open() {
    Close();
    FLastError = 0;
    std::uint32_t subType = 0;
    int err = 0;
    int fd = -1;

    if (const auto path = resolveComDevice(FDeviceName); !path) {
        err = ENOENT;
    } else if (fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); fd < 0) {
        err = errno;
    } else if (!isatty(fd)) {
        err = ENOTTY;
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // flock keeps out every other opener, root included; TIOCEXCL also keeps out programs
        // that do not use flock.
        err = errno == EWOULDBLOCK ? EBUSY : errno;
    } else {
        ioctl(fd, TIOCEXCL);
        subType = PST_RS232;
        if (int e = line::ResetLine(fd)) err = e;
        if (int e = line::ApplyLineSettings(fd, FLine, line::Field::All)) err = e;
        line::Purge(fd);
        FHandle = fd;
    }
    if (FHandle < 0 && fd >= 0) ::close(fd);

    if (FHandle >= 0) {
        FLink = std::make_shared<ReaderLink>();
        FThread = std::make_unique<TC32Thread>(this, FHandle, FMonitorEvents, FLink);
    }
    FLastError = err;
    if (FTrace) {
        const auto path = resolveComDevice(FDeviceName);
        const std::string where = FDeviceName + " (" + (path ? *path : std::string("no device")) + ")";
        if (FHandle >= 0)
            FTrace->Opened("open " + where + " " + DescribeLine(FLine));
        else
            FTrace->Event("open " + where + " failed: " + std::strerror(err));
    }
    DoOpen(subType, err);
}

void TCustomAsynComm32::TraceLine(const std::string& what) {
    if (FTrace) FTrace->Event(what);
}

bool TCustomAsynComm32::Lost() const {
    return FLost || (FLink && FLink->lost);
}

void TCustomAsynComm32::Close() {
    FLost = false;
    if (FHandle < 0) return;
    if (FThread) {
        FThread->Terminate();
        FThread.reset();
    }
    FLink.reset();
    ioctl(FHandle, TIOCNXCL);
    flock(FHandle, LOCK_UN);
    ::close(FHandle);
    FHandle = -1;
    TraceLine("close");
}

int TCustomAsynComm32::Write(const void* Buffer, int Count) {
    if (FHandle < 0 || Count < 0 || Lost()) return 1;
    if (FLink) {
        std::lock_guard lk(FLink->m);
        if (!FLink->txRest.empty()) { // the previous write is still going out: dropped
            if (FTrace)
                FTrace->Event("write of " + std::to_string(Count) +
                              " bytes dropped: the previous one is still going out");
            return 0;
        }
    }
    const auto* bytes = static_cast<const std::uint8_t*>(Buffer);
    ssize_t n = ::write(FHandle, bytes, static_cast<std::size_t>(Count));
    if (n < 0 && errno != EAGAIN) {
        const int err = errno;
        if (FTrace) FTrace->Event(std::string("write failed: ") + std::strerror(err));
        // The device is gone: nothing more is written to it until the port is reopened.
        if (err == EIO || err == ENXIO || err == ENODEV || err == EPIPE) FLost = true;
        return 1;
    }
    if (FTrace) FTrace->Data(SerialTrace::Direction::Out, bytes, static_cast<std::size_t>(Count));
    if (n < 0) n = 0;
    const bool watchTx = OnTxEmpty && FMonitorEvents.contains(evTxEmpty);
    if (n == Count && !watchTx) return Count;
    if (!FLink) return n == Count ? Count : 1;
    {
        std::lock_guard lk(FLink->m);
        FLink->txRest.assign(bytes + n, bytes + Count);
        FLink->txWatch = watchTx;
    }
    FLink->wake();
    return n == Count ? Count : 0;
}

int TCustomAsynComm32::Read(void* Buffer, int Count) {
    if (FHandle < 0 || Count <= 0) return 0;
    auto* bytes = static_cast<std::uint8_t*>(Buffer);
    int total = 0;
    while (total < Count) {
        const ssize_t n = ::read(FHandle, bytes + total, static_cast<std::size_t>(Count - total));
        if (n > 0)
            total += static_cast<int>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    if (FLink) FLink->bytesRead += static_cast<std::uint64_t>(total);
    if (FTrace && total > 0) FTrace->Data(SerialTrace::Direction::In, bytes, static_cast<std::size_t>(total));
    return total;
}

void TCustomAsynComm32::HandOver(const std::shared_ptr<ReaderLink>& link, TC32EventState Events,
                                 std::uint32_t Errors) {
    if (link == FLink) Dispatch(Events, Errors);
    {
        std::lock_guard lk(link->m);
        link->handled = true;
    }
    link->cv.notify_all();
}

void TCustomAsynComm32::Dispatch(TC32EventState Events, std::uint32_t Errors) {
    const auto link = FLink;
    FLastErrors = Errors;
    FInQueue = bytesWaiting(FHandle);
    FOutQueue = bytesToSend(FHandle);
    static constexpr TC32EventType kOrder[] = {evBreak, evCTS,    evDSR,    evError,  evRing,
                                               evRlsd,  evRxChar, evRxFlag, evTxEmpty};
    for (TC32EventType ev : kOrder) {
        if (!Events.contains(ev)) continue;
        if (ev == evRxChar && FInQueue == 0) continue; // the bytes were taken already
        DoEvent(ev);
        if (FLink != link) return; // a handler closed or reopened the port
    }
}

void TCustomAsynComm32::DoEvent(TC32EventType Event) {
    const auto notify = [this](const TNotifyEvent& h) {
        if (h) h(this);
    };
    switch (Event) {
    case evBreak:
        notify(OnBreak);
        break;
    case evCTS:
        notify(OnCTS);
        break;
    case evDSR:
        notify(OnDSR);
        break;
    case evError:
        if (FTrace && (FLastErrors & CE_IOE))
            FTrace->Event("port lost: the device has gone");
        else if (FTrace)
            FTrace->Event("line error, flags 0x" + [](std::uint32_t v) {
                char b[16];
                std::snprintf(b, sizeof b, "%X", v);
                return std::string(b);
            }(FLastErrors));
        if (OnError) OnError(this, FLastErrors);
        break;
    case evRing:
        notify(OnRing);
        break;
    case evRlsd:
        notify(OnRLSD);
        break;
    case evRxChar:
        if (OnRxChar) OnRxChar(this, FInQueue);
        break;
    case evRxFlag:
        notify(OnRxFlag);
        break;
    case evTxEmpty:
        notify(OnTxEmpty);
        break;
    }
}

void TCustomAsynComm32::DoOpen(std::uint32_t ProviderSubType, int Error) {
    if (OnOpen) OnOpen(this, ProviderSubType, Error);
}

void TCustomAsynComm32::ApplySetting(line::Field which) {
    if (FHandle < 0) return;
    line::ApplyLineSettings(FHandle, FLine, which);
    TraceLine("line settings " + DescribeLine(FLine));
}

void TAsynComm32::SetBaudRate(TBaudRate v) {
    FLine.baudRate = v;
    ApplySetting(line::Field::BaudRate);
}
void TAsynComm32::SetParity(TParity v) {
    FLine.parity = v;
    ApplySetting(line::Field::Parity);
}
void TAsynComm32::SetStopbits(TStopbits v) {
    FLine.stopbits = v;
    ApplySetting(line::Field::Stopbits);
}
void TAsynComm32::SetDatabits(TDatabits v) {
    FLine.databits = v;
    ApplySetting(line::Field::Databits);
}
void TAsynComm32::SetFlowControl(TFlowControl v) {
    FLine.flowControl = v;
    ApplySetting(line::Field::FlowControl);
}
void TAsynComm32::SetXonChar(std::uint8_t v) {
    FLine.xonChar = v;
    ApplySetting(line::Field::XonXoff);
}
void TAsynComm32::SetXoffChar(std::uint8_t v) {
    FLine.xoffChar = v;
    ApplySetting(line::Field::XonXoff);
}
void TAsynComm32::SetOptions(TAsynComm32Options v) {
    FLine.options = v;
    ApplySetting(line::Field::Options);
}

} // namespace dalvex
