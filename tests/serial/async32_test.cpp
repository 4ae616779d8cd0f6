// The serial port component over a real pseudo-terminal.

#include "serial/async32.h"
#include "serial/line_control.h"
#include "tests/support/pty_pair.h"
#include "tests/support/wait.h"

#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

using namespace dalvex;
using dalvex::test::PtyPair;
using dalvex::test::pumpFor;
using dalvex::test::waitFor;

namespace {

// A port on COM3 of the pty, with handlers that record what they see.
struct PortFixture : ::testing::Test {
    PtyPair pty{3};
    TAsynComm32 port;
    std::vector<std::uint8_t> received;
    std::vector<int> counts;
    int openError = -1;

    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        port.SetDeviceName("COM3");
        port.OnOpen = [this](TCustomAsynComm32*, std::uint32_t, int err) { openError = err; };
        port.OnRxChar = [this](TCustomAsynComm32* s, int count) {
            counts.push_back(count);
            std::vector<std::uint8_t> buf(static_cast<std::size_t>(count));
            const int n = s->Read(buf.data(), count);
            received.insert(received.end(), buf.begin(), buf.begin() + n);
        };
    }
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(Async32Defaults, PublishedPropertiesStartAtTheirDefaults) {
    TAsynComm32 port;
    EXPECT_EQ(port.DeviceName(), "COM2");
    EXPECT_EQ(port.BaudRate(), cbr9600);
    EXPECT_EQ(port.Parity(), paNone);
    EXPECT_EQ(port.Stopbits(), sb10);
    EXPECT_EQ(port.Databits(), da8);
    EXPECT_EQ(port.FlowControl(), fcDefault);
    EXPECT_EQ(port.MonitorEvents(), kAllEvents);
    EXPECT_EQ(port.ReadBufferSize(), 4096u);
    EXPECT_EQ(port.WriteBufferSize(), 2048u);
    EXPECT_EQ(port.XonChar(), 17);
    EXPECT_EQ(port.XoffChar(), 19);
    EXPECT_TRUE(port.Options().empty());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(BaudRateValue(cbr110), 110);
    EXPECT_EQ(BaudRateValue(cbr14400), 14400);
    EXPECT_EQ(BaudRateValue(cbr256000), 256000);
}

TEST(Async32Open, NamesThatResolveToNothingOpenNothingAndReportAnError) {
    PtyPair pty(3);
    ASSERT_TRUE(pty.ok());
    // A dangling link and a regular file in the ports folder.
    symlink("/nonexistent/tty", (pty.portsPath() + "/com4").c_str());
    const std::string file = pty.portsPath() + "/com5";
    FILE* f = fopen(file.c_str(), "w");
    fclose(f);

    for (const char* name : {"COM65", "COM0", "LPT1", "", "COM4", "\\\\.\\COM5"}) {
        SCOPED_TRACE(name);
        TAsynComm32 port;
        port.SetDeviceName(name);
        int reported = 0;
        bool raised = false;
        port.OnOpen = [&](TCustomAsynComm32*, std::uint32_t, int err) {
            raised = true;
            reported = err;
        };
        port.Open();
        EXPECT_FALSE(port.IsOpen());
        EXPECT_TRUE(raised);
        EXPECT_NE(reported, 0);
        EXPECT_EQ(port.Write("x", 1), 1); // a closed port writes nothing
        char c;
        EXPECT_EQ(port.Read(&c, 1), 0);
    }
}

TEST_F(PortFixture, OpensThroughTheLinkAndDeliversBytesInPieces) {
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(openError, 0);
    // Both the plain and the device-namespace form reach the same link.
    pty.send({1, 2, 3});
    ASSERT_TRUE(waitFor([&] { return received.size() == 3; }));
    pty.send({4, 5, 6});
    ASSERT_TRUE(waitFor([&] { return received.size() == 6; }));
    EXPECT_EQ(received, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(counts, (std::vector<int>{3, 3}));

    EXPECT_EQ(port.Write("\x00\x00\xff\x00\x01\xfe", 6), 6);
    ASSERT_TRUE(waitFor([&] { return pty.drain().size() == 6; }));

    port.Close();
    port.SetDeviceName("\\\\.\\COM3");
    port.Open();
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(PortFixture, LargeBurstArrivesWholeEvenPastTheWaitingCountLimit) {
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    std::vector<std::uint8_t> burst(10000);
    for (std::size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<std::uint8_t>(i * 7);
    std::thread sender([&] { pty.send(burst); });
    EXPECT_TRUE(waitFor([&] { return received.size() == burst.size(); }));
    sender.join();
    EXPECT_EQ(received, burst);
}

TEST_F(PortFixture, BytesLeftUnreadRaiseNoFurtherEventsUntilMoreArrive) {
    int events = 0;
    port.OnRxChar = [&](TCustomAsynComm32*, int) { ++events; }; // reads nothing
    port.Open();
    const double cpu0 = cpuSeconds();
    pty.send({1, 2});
    ASSERT_TRUE(waitFor([&] { return events == 1; }));
    pumpFor(200);
    EXPECT_EQ(events, 1);
    EXPECT_LT(cpuSeconds() - cpu0, 0.15) << "the reader spins on bytes nobody reads";
    pty.send({3});
    ASSERT_TRUE(waitFor([&] { return events == 2; }));
}

TEST_F(PortFixture, ReopenEndsTheOldReaderAndDropsItsQueuedEvents) {
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    pty.send({9, 9, 9});
    // Let the old reader queue its hand-over, but do not run it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int opens = 0;
    port.OnOpen = [&](TCustomAsynComm32*, std::uint32_t, int err) {
        ++opens;
        EXPECT_EQ(err, 0);
    };
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(opens, 1);
    pumpFor(100);
    EXPECT_TRUE(received.empty()) << "an event of the old reader ran after the reopen";
    pty.send({7});
    ASSERT_TRUE(waitFor([&] { return !received.empty(); }));
    EXPECT_EQ(received, (std::vector<std::uint8_t>{7}));
    EXPECT_EQ(counts, (std::vector<int>{1}));
}

TEST_F(PortFixture, SecondOpenOfTheSameDeviceIsRefused) {
    port.Open();
    ASSERT_TRUE(port.IsOpen());

    TAsynComm32 other;
    other.SetDeviceName("COM3");
    int err = 0;
    other.OnOpen = [&](TCustomAsynComm32*, std::uint32_t, int e) { err = e; };
    other.Open();
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(err, EBUSY);

    port.Close();
    other.Open();
    EXPECT_TRUE(other.IsOpen());
    EXPECT_EQ(err, 0);
}

TEST_F(PortFixture, LineSettingsChangeOnTheOpenPortAndAreOnlyStoredWhenClosed) {
    port.SetBaudRate(cbr4800); // closed: stored only
    EXPECT_EQ(port.BaudRate(), cbr4800);
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(line::CurrentBaud(pty.keeper()), 4800);

    port.SetBaudRate(cbr56000); // open: applied at once, without reopening
    EXPECT_EQ(line::CurrentBaud(pty.keeper()), 56000);
    port.SetBaudRate(cbr9600);
    EXPECT_EQ(line::CurrentBaud(pty.keeper()), 9600);
    EXPECT_TRUE(port.IsOpen());

    // The port still carries bytes: it was not reopened.
    pty.send({42});
    ASSERT_TRUE(waitFor([&] { return received.size() == 1; }));

    // A pseudo-terminal always keeps eight bits without parity, but it does hold the stop bits.
    termios t{};
    port.SetStopbits(sb20);
    tcgetattr(pty.keeper(), &t);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    port.SetStopbits(sb10);
    tcgetattr(pty.keeper(), &t);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO)) << "the port must be raw";
}

TEST_F(PortFixture, WriteWhilePreviousStillPendingIsDropped) {
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    // The device end reads nothing, so a large write cannot go out at once.
    std::vector<std::uint8_t> big(256 * 1024, 0x55);
    const int first = port.Write(big.data(), static_cast<int>(big.size()));
    ASSERT_EQ(first, 0) << "the write should still be in progress";
    const std::uint8_t marker[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(port.Write(marker, 6), 0);

    std::vector<std::uint8_t> got;
    ASSERT_TRUE(waitFor([&] {
        auto part = pty.drain();
        got.insert(got.end(), part.begin(), part.end());
        return got.size() >= big.size();
    }));
    pumpFor(50);
    auto rest = pty.drain();
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, big) << "the dropped write must not reach the line";

    // Once the first write is out, the next one goes.
    ASSERT_TRUE(waitFor([&] { return port.Write(marker, 6) == 6; }));
    ASSERT_TRUE(waitFor([&] { return pty.drain().size() == 6; }));
}

// Close must return promptly and silence the port wherever it is called from, even while a
// sender keeps the line busy.
TEST(Async32Close, ClosesPromptlyWhileBytesArriveFromAnyCaller) {
    enum class From { Caller, Timer, Handler };
    for (From from : {From::Caller, From::Timer, From::Handler}) {
        SCOPED_TRACE(static_cast<int>(from));
        PtyPair pty(3);
        ASSERT_TRUE(pty.ok());
        TAsynComm32 port;
        port.SetDeviceName("COM3");
        int events = 0;
        bool closed = false;
        port.OnRxChar = [&](TCustomAsynComm32* s, int count) {
            EXPECT_FALSE(closed) << "handler ran after Close";
            ++events;
            std::vector<std::uint8_t> buf(static_cast<std::size_t>(count));
            s->Read(buf.data(), count);
            if (from == From::Handler && events == 3) {
                s->Close();
                closed = true;
            }
        };
        port.Open();
        ASSERT_TRUE(port.IsOpen());

        std::atomic<bool> run{true};
        std::thread flood([&] {
            const std::vector<std::uint8_t> chunk(64, 0xA5);
            while (run) {
                pty.trySend(chunk);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        ASSERT_TRUE(waitFor([&] { return events >= 3; }));
        QElapsedTimer t;
        t.start();
        if (from == From::Caller) {
            port.Close();
            closed = true;
        } else if (from == From::Timer) {
            QTimer::singleShot(0, [&] {
                port.Close();
                closed = true;
            });
            ASSERT_TRUE(waitFor([&] { return closed; }));
        }
        EXPECT_FALSE(port.IsOpen());
        EXPECT_LT(t.elapsed(), 1000);
        const int atClose = events;
        pumpFor(100);
        EXPECT_EQ(events, atClose);
        run = false;
        flood.join();

        // The component is usable again.
        port.Open();
        EXPECT_TRUE(port.IsOpen());
        port.Close();
    }
}

TEST_F(PortFixture, HangUpEndsTheReaderCleanlyAndThePortCanBeOpenedAgain) {
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    pty.send({1});
    ASSERT_TRUE(waitFor([&] { return received.size() == 1; }));

    const double cpu0 = cpuSeconds();
    pty.closeDevice();
    pumpFor(300);
    EXPECT_LT(cpuSeconds() - cpu0, 0.2) << "the reader spins after the hang-up";
    EXPECT_EQ(received.size(), 1u);
    EXPECT_NE(port.Write("x", 1), 0); // nothing can be written to a hung-up line
    port.Close();
    EXPECT_FALSE(port.IsOpen());

    PtyPair fresh(3);
    ASSERT_TRUE(fresh.ok());
    received.clear();
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    fresh.send({2, 3});
    ASSERT_TRUE(waitFor([&] { return received.size() == 2; }));
}

TEST_F(PortFixture, UnassignedHandlersAreSkippedAndTxEmptyFollowsAWrite) {
    int txEmpty = 0;
    port.OnRxChar = nullptr;
    port.OnTxEmpty = [&](TCustomAsynComm32*) { ++txEmpty; };
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    pty.send({1, 2, 3}); // no handler: nothing happens, nothing breaks
    EXPECT_EQ(port.Write("abc", 3), 3);
    ASSERT_TRUE(waitFor([&] {
        pty.drain();
        return txEmpty == 1;
    }));
    pumpFor(50);
    EXPECT_EQ(txEmpty, 1);
}
