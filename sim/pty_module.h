#pragma once
// A simulated K6 module on a pseudo-terminal. The PC side opens the slave device (directly or
// through a comN link) like any serial port; a thread here reads the master side, feeds the
// module and writes its replies back, applying the failure mode on the way out.
//
// - The slave is in raw mode, so nothing is echoed or translated.
// - The simulator keeps a slave descriptor of its own, so the PC can close and reopen the port
//   without the line hanging up. Because of that descriptor the tty is never fully released, so the
//   exclusive-use flag that a serial port sets with TIOCEXCL would outlive the PC's close (and lock
//   out a non-root user's next open); the simulator clears it whenever a descriptor of the slave
//   is closed, as a real port forgets it on its last close.
// - Baud pacing: a pty has no line speed. With a baud rate b > 0 every byte takes 10/b s on the
//   wire (start bit, 8 data bits, stop bit). A received byte counts as arrived only at its
//   deadline t_first + k * 10/b, and reply byte i is written on its own at t0 + (i + 1) * 10/b,
//   where t0 is when the command's last byte arrived (or when the previous reply left the wire).
//   Deadlines are absolute, so the overshoot of one sleep never adds up. Baud 0 writes each reply
//   at once in one write.
// - A memory write that gets no byte for a second ends (the module takes frames again), as the
//   module does when its sender has gone quiet.
// - Unsolicited output: every tick period the thread calls ModuleSim::tick and sends what it
//   returns (the monitor's trace) like a reply: paced, and through the failure mode. A module with
//   nothing to say returns nothing, so the tick costs only a wake-up.

#include "sim/fault_shaper.h"
#include "sim/faults.h"
#include "sim/module_sim.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <ctime>
#include <sys/types.h>
#include <vector>

namespace dalvex::sim {

class PtyModule {
public:
    PtyModule();
    ~PtyModule();
    PtyModule(const PtyModule&) = delete;
    PtyModule& operator=(const PtyModule&) = delete;

    // Opens the pty pair and starts answering. False (see error()) when the pty cannot be opened
    // or the module already runs.
    bool start();
    // Stops answering, closes the line and removes the links made by linkAs(). Returns promptly,
    // also in the middle of a paced or split reply.
    void stop();

    // The slave device, e.g. "/dev/pts/3"; empty before start().
    std::string slavePath() const;
    // Creates the link folder/com<N> -> slavePath(), creating the folder when it is missing. A name
    // that exists is refused (error() names it): it may be the user's own link to an adapter. Only
    // a link into /dev/pts/ whose pseudo-terminal is gone (left by a simulator that was killed)
    // is replaced. stop() and the destructor remove the link again, as long as it is still the
    // one made here.
    bool linkAs(const std::string& folder, int comNumber);
    // The links made by linkAs().
    std::vector<std::string> links() const;

    // Characters per second times ten; 0 = no pacing.
    void setBaud(int baud);
    // How long a memory write waits for its next block before it ends (default one second).
    void setMemoryWriteSilence(std::chrono::milliseconds silence);
    // How often the module is ticked for unsolicited output (default kDefaultTickPeriod); 0 stops
    // the ticks. Takes effect at the thread's next wake-up, so set it before start() to be exact.
    void setTickPeriod(std::chrono::milliseconds period);
    static constexpr std::chrono::milliseconds kDefaultTickPeriod{20};
    // The pause between the pieces of a split reply (default kSplitGap).
    void setSplitGap(std::chrono::milliseconds gap);
    // Sets the failure mode; counting of exchanges for N starts now.
    void setFault(Fault fault, int n = 0);
    // Runs fn with the module while no byte is being fed to it.
    void withModule(const std::function<void(ModuleSim&)>& fn);
    // Closes the line now: the PC side sees a hang-up. The module does not answer again.
    void hangUp();
    // The adapter is pulled: the line closes as for hangUp() and the links made by linkAs()
    // disappear, so the port name no longer opens. A new module may take the name again.
    void vanish();
    // Whether the line has been closed by hangUp(), vanish() or their faults.
    bool lineClosed() const;
    // Every byte received from the PC so far, and how many there are.
    std::vector<std::uint8_t> receivedBytes() const;
    std::size_t receivedCount() const;
    // Whether the line is quiet, for a driver that must not guess it from a pause. Asked in this
    // order, the three tell it exactly: bytes from the PC that the module has not taken in yet;
    // whether the module has something in hand (a chunk being answered, a reply or a piece of one
    // still to be written); bytes the module sent that the PC has not read yet (while the PC has
    // the port open). poll() on a pty first completes the kernel's hand-over of bytes just written,
    // which a byte count (FIONREAD) does not. A closed line has nothing pending.
    bool inputPending() const;
    bool idle() const { return !busy_; }
    bool outputPending() const;

    // Why the last start() or linkAs() failed.
    std::string error() const;

private:
    void run();
    // Receives one chunk from the master side. False when the thread must leave its loop.
    bool process(std::span<const std::uint8_t> chunk);
    // Sends what the module has to say unasked. False when the thread must leave its loop.
    bool tickModule();
    bool deliver(const Outgoing& out, std::int64_t readyNs);
    bool writeAll(const std::uint8_t* data, std::size_t size);
    // Sleeps until an absolute CLOCK_MONOTONIC time. False when stop or a hang-up is requested.
    bool waitUntil(std::int64_t deadlineNs);
    bool interrupted() const { return stopRequested_ || hangUpRequested_; }
    void clearExclusiveOnClose();
    void closeLine();
    void closeFds();
    void removeLinks();

    mutable std::mutex mutex_;
    std::condition_variable lineChanged_;

    // Guarded by mutex_.
    ModuleSim module_;
    FaultShaper shaper_;
    int baud_ = 0;
    std::int64_t splitGapNs_ = std::chrono::nanoseconds(kSplitGap).count();
    std::vector<std::uint8_t> received_;
    bool lineClosed_ = false;
    bool threadDone_ = false;
    std::string error_;
    std::string slavePath_;
    struct Link {
        std::filesystem::path path;
        // The link itself, so that a link put there since is left alone (an inode number is soon
        // reused: the time it was made goes with it).
        dev_t device = 0;
        ino_t inode = 0;
        timespec made{};
    };
    std::vector<Link> links_;

    // Owned by the thread while it runs.
    int master_ = -1;
    int slave_ = -1;
    int closeWatch_ = -1; // inotify descriptor watching the slave device for closes
    std::int64_t inboundFreeNs_ = 0;
    std::int64_t inboundStartNs_ = 0;
    std::int64_t inboundIndex_ = 0;
    std::int64_t outboundFreeNs_ = 0;
    std::int64_t lastInputNs_ = 0; // when the last chunk from the PC had been taken in
    std::atomic<std::int64_t> memoryWriteSilenceNs_{1'000'000'000};

    std::atomic<bool> busy_{false}; // from a wake-up until its work is done

    int wake_ = -1; // eventfd: stop or hang-up requested
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> hangUpRequested_{false};
    std::atomic<std::int64_t> tickPeriodNs_{std::chrono::nanoseconds(kDefaultTickPeriod).count()};
    std::thread thread_;
};

} // namespace dalvex::sim
