#include "pc_port.h"
#include "sim/pty_module.h"

#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace dalvex::sim {
namespace {

using test::Bytes;
using test::Clock;
using test::PcPort;

Bytes frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const auto f = SixByteFrame::make(b0, b1, b2, b3);
    return Bytes(f.bytes.begin(), f.bytes.end());
}

const Bytes kProbe(kIdentificationProbe.bytes.begin(), kIdentificationProbe.bytes.end());
const Bytes kProbeReply = frame(0xAB, 0, 255, 72);
const Bytes kVersionRead = frame(0, 0, 254, 0);
const Bytes kVersionReply = frame(0xAB, 0, 254, 84);
const Bytes kMemoryWriteStart = frame(0, 0xFA, 0x03, 0x00);

// A running module and the PC's end of its line.
struct Line {
    QTemporaryDir folder; // for the links of the cases that need a port name
    PtyModule module;
    std::unique_ptr<PcPort> pc;

    Line() {
        if (module.start()) pc = std::make_unique<PcPort>(module.slavePath());
    }
    bool ok() const { return pc && pc->isOpen(); }
    std::string linkFolder() { return folder.path().toStdString(); }

    std::uint64_t exchanges() {
        std::uint64_t n = 0;
        module.withModule([&](ModuleSim& m) { n = m.exchanges(); });
        return n;
    }
    bool waitExchanges(std::uint64_t n) {
        const auto deadline = Clock::now() + test::kDeadline;
        while (exchanges() < n) {
            if (Clock::now() > deadline) return false;
            std::this_thread::yield();
        }
        return true;
    }
    // After exchange `n` has been dealt with, nothing of its reply may reach the PC: with the
    // fault cleared, a version read must be the very next thing answered.
    void expectNothingFromExchange(std::uint64_t n) {
        ASSERT_TRUE(waitExchanges(n));
        module.setFault(Fault::None);
        ASSERT_TRUE(pc->send(kVersionRead));
        EXPECT_EQ(pc->read(6), kVersionReply);
    }
};

// The sum command used for block acknowledgements: F(0, 0x42, 0, 0) + two bytes -> their sum.
constexpr std::uint8_t kSumCommand = 0x42;
void registerSumCommand(ModuleSim& m) {
    m.registerCommand(kSumCommand, [](Exchange& ex) {
        ex.expectPayload(2, [](Exchange& step, std::span<const std::uint8_t> p) {
            const std::uint8_t reply[] = {p[0], p[1], static_cast<std::uint8_t>(p[0] + p[1])};
            step.reply(reply, ReplyKind::Sum);
        });
    });
}

TEST(PtyModule, EveryFaultHasItsEffect) {
    struct Case {
        std::string_view name;
        int count;
        std::function<void(Line&)> check;
    };
    const std::vector<Case> cases = {
        {"none", 0,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
         }},
        {"silent", 0,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kProbe));
             l.expectNothingFromExchange(1);
         }},
        {"wrong-check", 0,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kProbe));
             const Bytes reply = l.pc->read(6);
             ASSERT_EQ(reply.size(), 6u);
             EXPECT_FALSE(SixByteFrame::isValid(reply));
             EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4),
                       Bytes(kProbeReply.begin(), kProbeReply.begin() + 4));
         }},
        {"split", 0,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kProbe));
             const auto chunks = l.pc->readChunks(6);
             EXPECT_GT(chunks.size(), 1u);
             Bytes all;
             for (const Bytes& c : chunks)
                 all.insert(all.end(), c.begin(), c.end());
             EXPECT_EQ(all, kProbeReply);
         }},
        {"extra", 0,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kProbe));
             const Bytes reply = l.pc->read(6 + kExtraBytes.size());
             ASSERT_GT(reply.size(), 6u);
             EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), kProbeReply);
         }},
        {"stop-after", 2,
         [](Line& l) {
             for (int i = 0; i < 2; ++i) {
                 ASSERT_TRUE(l.pc->send(kProbe));
                 EXPECT_EQ(l.pc->read(6), kProbeReply);
             }
             ASSERT_TRUE(l.pc->send(kProbe));
             l.expectNothingFromExchange(3);
         }},
        {"hang-up", 1,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
             EXPECT_FALSE(l.module.lineClosed());
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_TRUE(l.pc->waitHangUp());
             EXPECT_TRUE(l.module.lineClosed());
         }},
        {"vanish", 1,
         [](Line& l) {
             ASSERT_TRUE(l.module.linkAs(l.linkFolder(), 7));
             const std::string link = l.linkFolder() + "/com7";
             ASSERT_TRUE(std::filesystem::is_symlink(link));
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_TRUE(l.pc->waitHangUp());
             EXPECT_TRUE(l.module.lineClosed());
             EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the name is gone with the adapter";
         }},
        {"unsolicited", 1,
         [](Line& l) {
             const Bytes line(kUnsolicitedLine.begin(), kUnsolicitedLine.end());
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
             ASSERT_TRUE(l.pc->send(kProbe));
             Bytes both = line;
             both.insert(both.end(), kProbeReply.begin(), kProbeReply.end());
             EXPECT_EQ(l.pc->read(both.size()), both);
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply) << "once only";
         }},
        {"no-processor", 0,
         [](Line& l) {
             // The query goes unanswered; the probe behind it is the next reply.
             ASSERT_TRUE(l.pc->send(frame(0, kCmdProcessorQuery, 0, 0)));
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
         }},
        {"drop-ack", 1,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(frame(0, kCmdMemoryWrite, 0x3E, 0)));
             EXPECT_EQ(l.pc->read(6), frame(0xAB, kCmdMemoryWrite, 0x3E, 0));
             const Bytes block(kBlockSize, 0x5A);
             ASSERT_TRUE(l.pc->send(block));
             EXPECT_EQ(l.pc->read(1), Bytes{0x00});
             ASSERT_TRUE(l.pc->send(block)); // its acknowledgement is lost
             ASSERT_TRUE(l.pc->send(block));
             EXPECT_EQ(l.pc->read(1), Bytes{0x02});
             ASSERT_TRUE(l.pc->send(block)); // only once
             EXPECT_EQ(l.pc->read(1), Bytes{0x03});
         }},
        {"wrong-sum", 0,
         [](Line& l) {
             l.module.withModule(registerSumCommand);
             Bytes block = frame(0, kSumCommand, 0, 0);
             block.insert(block.end(), {0x30, 0x12});
             ASSERT_TRUE(l.pc->send(block));
             EXPECT_EQ(l.pc->read(3), (Bytes{0x30, 0x12, 0x43}));
             // Six-byte replies are not touched.
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
         }},
        {"no-ack", 2,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kMemoryWriteStart));
             EXPECT_EQ(l.pc->read(6), frame(0xAB, 0xFA, 0x03, 0x00));
             ASSERT_TRUE(l.pc->send(Bytes(256, 0x11)));
             EXPECT_EQ(l.pc->read(1), Bytes{0x00});
             ASSERT_TRUE(l.pc->send(Bytes(256, 0x22)));
             ASSERT_TRUE(l.waitExchanges(3));
             l.module.withModule([](ModuleSim& m) {
                 EXPECT_EQ(m.memory()[0x301 * 256], 0x22) << "the block is stored all the same";
                 m.endMemoryWrite();
             });
             l.expectNothingFromExchange(3);
         }},
        {"wrong-ack", 1,
         [](Line& l) {
             ASSERT_TRUE(l.pc->send(kMemoryWriteStart));
             EXPECT_EQ(l.pc->read(6), frame(0xAB, 0xFA, 0x03, 0x00)) << "the start reply is not touched";
             ASSERT_TRUE(l.pc->send(Bytes(256, 0x11)));
             EXPECT_EQ(l.pc->read(1), Bytes{0x01});
         }},
        {"drop-write", 1,
         [](Line& l) {
             // Each block write is acknowledged by its sum; the second one stores nothing, once.
             for (std::uint8_t mark : {0x11, 0x22, 0x33}) {
                 Bytes write = frame(mark, 0xF6, 0x30, mark);
                 write.push_back(mark);
                 write.insert(write.end(), kBlockSize - 1, 0);
                 ASSERT_TRUE(l.pc->send(write));
                 EXPECT_EQ(l.pc->read(1), Bytes{mark});
             }
             ASSERT_TRUE(l.waitExchanges(3));
             l.module.withModule([](ModuleSim& m) {
                 EXPECT_EQ(m.memory()[0x3011 * 256], 0x11);
                 EXPECT_EQ(m.memory()[0x3022 * 256], 0x00) << "the second write is lost";
                 EXPECT_EQ(m.memory()[0x3033 * 256], 0x33) << "only once";
             });
         }},
        {"short", 0,
         [](Line& l) {
             // A block read answers 256 data bytes and the sum: the sum is lost.
             ASSERT_TRUE(l.pc->send(frame(0, 0xF7, 0, 0x30)));
             EXPECT_EQ(l.pc->read(257, std::chrono::milliseconds(300)).size(), 256u);
             ASSERT_TRUE(l.pc->send(kProbe));
             EXPECT_EQ(l.pc->read(6), kProbeReply);
         }},
    };

    for (const FaultInfo& f : kFaults) {
        const bool covered =
            std::any_of(cases.begin(), cases.end(), [&](const Case& c) { return c.name == f.name; });
        EXPECT_TRUE(covered) << "no case for failure mode " << f.name;
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name));
        const FaultInfo* info = findFault(c.name);
        ASSERT_NE(info, nullptr);
        Line line;
        ASSERT_TRUE(line.ok()) << line.module.error();
        line.module.setFault(info->fault, c.count);
        c.check(line);
    }
}

TEST(PtyModule, MemoryWriteEndsWhenTheLineStaysQuiet) {
    Line line;
    ASSERT_TRUE(line.ok());
    line.module.setMemoryWriteSilence(std::chrono::milliseconds(50));
    ASSERT_TRUE(line.pc->send(kMemoryWriteStart));
    ASSERT_EQ(line.pc->read(6), frame(0xAB, 0xFA, 0x03, 0x00));
    ASSERT_TRUE(line.pc->send(Bytes(256, 0x11)));
    ASSERT_EQ(line.pc->read(1), Bytes{0x00});
    const auto deadline = Clock::now() + test::kDeadline;
    bool awaiting = true;
    while (awaiting && Clock::now() < deadline) {
        line.module.withModule([&](ModuleSim& m) { awaiting = m.awaitingMemoryWrite(); });
        std::this_thread::yield();
    }
    EXPECT_FALSE(awaiting);
    ASSERT_TRUE(line.pc->send(kVersionRead));
    EXPECT_EQ(line.pc->read(6), kVersionReply) << "frames are taken again";
}

TEST(PtyModule, FaultCountStartsWhenTheFaultIsSet) {
    Line line;
    ASSERT_TRUE(line.ok());
    ASSERT_TRUE(line.pc->send(kProbe));
    ASSERT_EQ(line.pc->read(6), kProbeReply);
    line.module.setFault(Fault::StopAfter, 1);
    ASSERT_TRUE(line.pc->send(kProbe));
    EXPECT_EQ(line.pc->read(6), kProbeReply);
    ASSERT_TRUE(line.pc->send(kProbe));
    line.expectNothingFromExchange(3);
}

TEST(PtyModule, PcCanCloseAndReopenThePort) {
    Line line;
    ASSERT_TRUE(line.ok());
    for (int round = 0; round < 3; ++round) {
        PcPort pc(line.module.slavePath());
        ASSERT_TRUE(pc.isOpen()) << "round " << round;
        ASSERT_TRUE(pc.send(kProbe));
        EXPECT_EQ(pc.read(6), kProbeReply) << "round " << round;
    }
    line.pc->close();
    PcPort again(line.module.slavePath());
    ASSERT_TRUE(again.send(kVersionRead));
    EXPECT_EQ(again.read(6), kVersionReply);
}

// A serial port opened exclusively (TIOCEXCL) must be free again once the user has closed it. Root
// ignores the flag, so the user here is "nobody".
TEST(PtyModule, ExclusiveUseEndsWhenThePcCloses) {
    Line line;
    ASSERT_TRUE(line.ok());
    line.pc->close();
    const std::string path = line.module.slavePath();
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0) ::_exit(4);
        ::close(fd);
        // The module frees the port as it notices the close; poll for it with a deadline.
        for (int attempt = 0; attempt < 5000; ++attempt) {
            fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd >= 0) ::_exit(0);
            if (errno != EBUSY) ::_exit(5);
            ::poll(nullptr, 0, 1);
        }
        ::_exit(6);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "4: first open failed, 5: open error, 6: still busy";
}

TEST(PtyModule, PacedReplyTakesItsTimeOnTheWire) {
    Line line;
    ASSERT_TRUE(line.ok());
    line.module.setBaud(9600);
    const auto start = Clock::now();
    ASSERT_TRUE(line.pc->send(kProbe));
    EXPECT_EQ(line.pc->read(6), kProbeReply);
    const auto elapsed = Clock::now() - start;
    // Six bytes in and six bytes out, ten bit times each.
    EXPECT_GE(elapsed, std::chrono::nanoseconds(12LL * 10 * 1'000'000'000 / 9600));
    EXPECT_EQ(line.module.receivedBytes(), kProbe);
}

TEST(PtyModule, StopDoesNotWaitForASlowReply) {
    Line line;
    ASSERT_TRUE(line.ok());
    // At 1 baud the reply would take two minutes.
    line.module.setBaud(1);
    ASSERT_TRUE(line.pc->send(kProbe));
    const auto deadline = Clock::now() + test::kDeadline;
    while (line.module.receivedBytes().size() < kProbe.size() && Clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_EQ(line.module.receivedBytes(), kProbe);
    const auto start = Clock::now();
    line.module.stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
}

TEST(PtyModule, HangUpClosesTheLineForThePc) {
    Line line;
    ASSERT_TRUE(line.ok());
    ASSERT_TRUE(line.pc->send(kProbe));
    ASSERT_EQ(line.pc->read(6), kProbeReply);
    line.module.hangUp();
    EXPECT_TRUE(line.module.lineClosed());
    EXPECT_TRUE(line.pc->waitHangUp());
}

TEST(PtyModule, LinkAsCreatesTheComLinkAndStopRemovesIt) {
    namespace fs = std::filesystem;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const fs::path folder = fs::path(tmp.path().toStdString()) / "GSM" / "ports";
    const fs::path link = folder / "com4";
    const fs::path foreign = folder / "com5";

    PtyModule module;
    EXPECT_FALSE(module.linkAs(folder.string(), 4)); // nothing to link to yet
    ASSERT_TRUE(module.start());
    fs::create_directories(folder);
    // A killed simulator's link, its pseudo-terminal gone, is taken over; the user's own links
    // (to an adapter that is unplugged now, or to a device that is there) are refused, named and
    // left as they are.
    fs::create_symlink("/dev/pts/987654", link);
    struct Own {
        int com;
        const char* target;
    };
    for (const Own& own : {Own{6, "/dev/ttyUSB7"}, Own{7, "/dev/null"}}) {
        const fs::path theirs = folder / ("com" + std::to_string(own.com));
        fs::create_symlink(own.target, theirs);
        EXPECT_FALSE(module.linkAs(folder.string(), own.com));
        EXPECT_NE(module.error().find(theirs.string()), std::string::npos) << module.error();
        EXPECT_EQ(fs::read_symlink(theirs), own.target);
    }
    ASSERT_TRUE(module.linkAs(folder.string(), 4)) << module.error();
    ASSERT_TRUE(module.linkAs(folder.string(), 5)) << module.error();
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), module.slavePath());

    {
        PcPort pc(link.string());
        ASSERT_TRUE(pc.isOpen());
        ASSERT_TRUE(pc.send(kProbe));
        EXPECT_EQ(pc.read(6), kProbeReply);
    }

    // Someone points com5 elsewhere meanwhile: that link is no longer ours to remove.
    fs::remove(foreign);
    fs::create_symlink("/dev/null", foreign);
    module.stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::is_symlink(foreign));
    EXPECT_TRUE(fs::is_symlink(folder / "com6") && fs::is_symlink(folder / "com7"));
}

} // namespace
} // namespace dalvex::sim
