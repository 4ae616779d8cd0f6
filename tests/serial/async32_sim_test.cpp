// The serial port component talking to the module simulator: the identification probe and what
// each failure mode of the simulator looks like through the component and the receive framing.

#include "serial/async32.h"
#include "sim/pty_module.h"
#include "startup/six_byte_frame.h"
#include "tests/support/wait.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;
using R = SixByteReceiver::Result;

namespace {

struct Link {
    QTemporaryDir ports;
    sim::PtyModule module;
    TAsynComm32 port;
    SixByteReceiver rx;
    std::vector<R> results;
    std::vector<std::uint8_t> bytes;

    bool open() {
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        if (!module.start() || !module.linkAs(ports.path().toStdString(), 4)) return false;
        port.SetDeviceName("COM4");
        port.OnRxChar = [this](TCustomAsynComm32* s, int count) {
            std::vector<std::uint8_t> chunk(static_cast<std::size_t>(count));
            chunk.resize(static_cast<std::size_t>(s->Read(chunk.data(), count)));
            bytes.insert(bytes.end(), chunk.begin(), chunk.end());
            results.push_back(rx.receive(chunk));
        };
        port.Open();
        return port.IsOpen();
    }
    void send(const SixByteFrame& f) {
        rx.reset();
        results.clear();
        bytes.clear();
        port.Write(f.bytes.data(), 6);
    }
    ~Link() {
        port.Close();
        module.stop();
        unsetenv("DALVEX_PORTS");
    }
};

} // namespace

TEST(Async32WithSimulator, ProbeIsAnsweredWithTheTypeCode) {
    for (std::uint8_t type : {std::uint8_t{72}, std::uint8_t{73}, std::uint8_t{74}, std::uint8_t{75}}) {
        Link link;
        ASSERT_TRUE(link.open());
        link.module.withModule([type](sim::ModuleSim& m) { m.setTypeCode(type); });
        link.send(kIdentificationProbe);
        ASSERT_TRUE(waitFor([&] { return !link.results.empty() && link.results.back() == R::Valid; }));
        EXPECT_EQ(link.rx.frame().data(), type);
        EXPECT_EQ(link.rx.frame().bytes[0], 0xAB);
        // The version byte, read the same way.
        link.send(SixByteFrame::forAddress(254, 0, 0));
        ASSERT_TRUE(waitFor([&] { return !link.results.empty() && link.results.back() == R::Valid; }));
        EXPECT_EQ(link.rx.frame().data(), 84);
    }
}

TEST(Async32WithSimulator, FailureModesAsSeenThroughTheFraming) {
    struct Case {
        sim::Fault fault;
        R last;          // what the framing makes of the reply
        bool morePieces; // the reply arrived in more than one event
    };
    const Case cases[] = {
        {sim::Fault::None, R::Valid, false},
        {sim::Fault::Split, R::Valid, true},
        {sim::Fault::WrongCheck, R::BadCheckB, false},
        {sim::Fault::Extra, R::Overflow, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sim::faultInfo(c.fault).name));
        Link link;
        ASSERT_TRUE(link.open());
        link.module.setFault(c.fault);
        link.send(kIdentificationProbe);
        ASSERT_TRUE(waitFor([&] { return !link.results.empty() && link.results.back() != R::Incomplete; }));
        EXPECT_EQ(link.results.back(), c.last);
        EXPECT_EQ(link.results.size() > 1, c.morePieces);
    }

    // A silent module: nothing arrives, and the next exchange after the fault is cleared is clean.
    Link link;
    ASSERT_TRUE(link.open());
    link.module.setFault(sim::Fault::Silent);
    link.send(kIdentificationProbe);
    test::pumpFor(50);
    EXPECT_TRUE(link.bytes.empty());
    link.module.setFault(sim::Fault::None);
    link.send(kIdentificationProbe);
    ASSERT_TRUE(waitFor([&] { return !link.results.empty() && link.results.back() == R::Valid; }));
    EXPECT_EQ(link.bytes.size(), 6u);
}

TEST(Async32WithSimulator, HangUpOfTheModuleLeavesThePortUsable) {
    Link link;
    ASSERT_TRUE(link.open());
    link.module.hangUp();
    test::pumpFor(50);
    link.port.Close();
    EXPECT_FALSE(link.port.IsOpen());
    sim::PtyModule again;
    ASSERT_TRUE(again.start());
    ASSERT_TRUE(again.linkAs(link.ports.path().toStdString(), 4));
    link.port.Open();
    ASSERT_TRUE(link.port.IsOpen());
    link.send(kIdentificationProbe);
    ASSERT_TRUE(waitFor([&] { return !link.results.empty() && link.results.back() == R::Valid; }));
}
