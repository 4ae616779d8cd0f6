#pragma once
// A pseudo-terminal standing in for a serial device: the test holds the device end (master) and
// the code under test opens the port end through a comN link in a temporary ports folder.

#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace dalvex::test {

class PtyPair {
public:
    explicit PtyPair(int comNumber = 3) {
        if (openpty(&master_, &keeper_, nullptr, nullptr, nullptr) != 0) return;
        termios t{};
        tcgetattr(keeper_, &t);
        cfmakeraw(&t);
        tcsetattr(keeper_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        slave_ = ttyname(keeper_);
        setenv("DALVEX_PORTS", ports_.path().toLocal8Bit().constData(), 1);
        link(comNumber);
    }
    ~PtyPair() {
        closeDevice();
        unsetenv("DALVEX_PORTS");
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && !slave_.empty(); }
    const std::string& slavePath() const { return slave_; }
    std::string portsPath() const { return ports_.path().toStdString(); }
    void link(int comNumber) {
        const std::string l = portsPath() + "/com" + std::to_string(comNumber);
        unlink(l.c_str());
        [[maybe_unused]] int r = symlink(slave_.c_str(), l.c_str());
    }
    // A second descriptor on the port end, to look at the line settings the component made.
    int keeper() const { return keeper_; }

    void send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                usleep(100);
        }
    }
    // Writes what fits now; never waits.
    void trySend(const std::vector<std::uint8_t>& bytes) {
        [[maybe_unused]] ssize_t n = ::write(master_, bytes.data(), bytes.size());
    }
    // Everything the port end has written so far.
    std::vector<std::uint8_t> drain() {
        std::vector<std::uint8_t> out;
        std::uint8_t buf[4096];
        for (;;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    // Closes the device end: the port end sees a hang-up.
    void closeDevice() {
        if (master_ >= 0) ::close(master_);
        if (keeper_ >= 0) ::close(keeper_);
        master_ = keeper_ = -1;
    }

private:
    QTemporaryDir ports_;
    int master_ = -1;
    int keeper_ = -1;
    std::string slave_;
};

} // namespace dalvex::test
