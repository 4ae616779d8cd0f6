#pragma once
// The PC's end of the line in the simulator's tests: plain POSIX calls on the slave device, with
// deadlines instead of fixed waits.

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace dalvex::sim::test {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kDeadline{5000};

class PcPort {
public:
    explicit PcPort(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~PcPort() { close(); }
    PcPort(const PcPort&) = delete;
    PcPort& operator=(const PcPort&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    bool send(const Bytes& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }

    // Every read() until at least `count` bytes have come or the deadline has passed.
    std::vector<Bytes> readChunks(std::size_t count, std::chrono::milliseconds timeout = kDeadline) {
        std::vector<Bytes> chunks;
        std::size_t total = 0;
        const auto deadline = Clock::now() + timeout;
        while (total < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(left.count()) + 1) <= 0) continue;
            if (!(p.revents & POLLIN)) break;
            std::uint8_t buf[512];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) break;
            chunks.emplace_back(buf, buf + n);
            total += std::size_t(n);
        }
        return chunks;
    }

    Bytes read(std::size_t count, std::chrono::milliseconds timeout = kDeadline) {
        Bytes out;
        for (const Bytes& c : readChunks(count, timeout))
            out.insert(out.end(), c.begin(), c.end());
        return out;
    }

    // Waits for the line to hang up: poll reports POLLHUP and read gives end of file or EIO.
    bool waitHangUp(std::chrono::milliseconds timeout = kDeadline) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(left.count()) + 1) <= 0) continue;
            if (p.revents & POLLHUP) {
                std::uint8_t b;
                const ssize_t n = ::read(fd_, &b, 1);
                return n == 0 || (n < 0 && errno == EIO);
            }
            std::uint8_t buf[64];
            if (::read(fd_, buf, sizeof buf) < 0 && errno != EAGAIN) return false;
        }
    }

private:
    int fd_ = -1;
};

} // namespace dalvex::sim::test
