// The configuration transfer's states driven by hand: echoes and sums that do not match are not
// accepted and the command is repeated on its countdown, the block numbering on the wire, the
// clock frame, and how each action reports its end.

#include "fakes.h"
#include "k6link/config_transfer.h"

#include <gtest/gtest.h>

using namespace dalvex::k6link;
using namespace dalvex::k6link::test;

namespace {

struct TransferFixture : ::testing::Test {
    FakePort port;
    FakeHost host;
    dalvex::test::RecordingTransferHost side;
    Engine engine{port, host};
    ConfigTransfer transfer{engine, side};

    void reply(const Bytes& b) {
        port.waiting.insert(port.waiting.end(), b.begin(), b.end());
        engine.AsynComm321RxChar(static_cast<int>(b.size()));
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            engine.tick();
    }
    Bytes last() const { return port.writes.empty() ? Bytes{} : port.writes.back(); }
};

} // namespace

TEST_F(TransferFixture, ByteWriteEchoMustCarryTheValueWritten) {
    engine.Version = 72;
    engine.ModuleType = 72;
    engine.ConfigImage.set(0, 0x42);
    transfer.StartSend();
    ticks(2); // opens the port, sends the first byte
    ASSERT_EQ(last(), FrameBytes(0, 1, 0, 0x42));
    const std::size_t sent = port.writes.size();
    reply(FrameBytes(0xAB, 1, 0, 0x41)); // wrong value echoed
    EXPECT_EQ(engine.BlockIndex, 0);
    EXPECT_EQ(port.writes.size(), sent) << "nothing more goes out at once";
    // Rewritten when the countdown runs out (a valid frame restarts it at 5 ticks).
    int waited = 0;
    while (port.writes.size() == sent && waited < 16)
        ticks(1), ++waited;
    EXPECT_EQ(port.writes.size(), sent + 1);
    EXPECT_GE(waited, 5);
    EXPECT_EQ(last(), FrameBytes(0, 1, 0, 0x42));
    reply(FrameBytes(0xAB, 1, 0, 0x42));
    EXPECT_EQ(engine.BlockIndex, 1);
    EXPECT_EQ(last(), FrameBytes(0, 1, 1, 0));
    EXPECT_EQ(side.position, 1);
}

TEST_F(TransferFixture, BlockNumbersOnTheWire) {
    engine.Version = 84;
    engine.ModuleType = 74;
    transfer.StartRead();
    ticks(3);
    ASSERT_EQ(last(), FrameBytes(0, 0xF7, 0, 0));
    Bytes block(257, 0);
    for (int n : {16, 32, 48, 64, 80}) {
        reply(block);
        EXPECT_EQ(last(), FrameBytes(0, 0xF7, static_cast<std::uint8_t>(n), 0)) << n;
    }
    Bytes bad = block;
    bad[256] = 1; // the sum does not match
    const std::size_t before = port.writes.size();
    reply(bad);
    EXPECT_EQ(port.writes.size(), before);
    EXPECT_EQ(engine.BlockIndex, 80);
    engine.RxCount = 0;
    reply(block);
    EXPECT_EQ(engine.OpState, state::ReadContactId);
    EXPECT_EQ(side.maximum, 131);
    ticks(1);
    EXPECT_EQ(last(), FrameBytes(0, 0xF7, 0x00, 0x34)) << "the bank is numbered low byte first";

    // Writes carry the number high byte first, with the block sum in front.
    transfer.StartSend();
    ticks(3);
    Bytes w = last();
    ASSERT_EQ(w.size(), 262u);
    EXPECT_EQ(Bytes(w.begin() + 1, w.begin() + 4), (Bytes{0xF6, 0x00, 0x00}));
    reply({static_cast<std::uint8_t>(w[0] + 1)}); // wrong acknowledgement
    EXPECT_EQ(engine.BlockIndex, 0);
    engine.RxCount = 0;
    reply({w[0]});
    EXPECT_EQ(last()[3], 16) << "the second configuration block is number 16";
}

TEST_F(TransferFixture, ClockFrameCarriesTheDigitsOfThePcClock) {
    EXPECT_EQ(ConfigTransfer::ClockDigits(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))), "240305140709");
    transfer.StartClockSync();
    ticks(2);
    const Bytes b = last();
    ASSERT_EQ(b.size(), 18u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), FrameBytes(0, 0xFC, 0, 0));
    EXPECT_EQ(std::string(b.begin() + 6, b.end()), "240305140709");
    reply(FrameBytes(0xAB, 0xAA, 0, 0));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(host.panels[3], "Óra szinkronizálása a PC órájával sikeres");
}

// A read takes what it receives into the image only once everything has come: a read cut off by
// a pulled adapter leaves the image and the pages as they were, the window shows no transfer any
// more, and the next read that completes fills the image.
TEST_F(TransferFixture, ReadCutOffByALostPortLeavesTheImageAsItWas) {
    engine.Version = 84;
    engine.ModuleType = 72;
    for (std::uint32_t a = 0; a < 0x600; ++a)
        engine.ConfigImage.set(a, 0x5A);
    const dalvex::k6config::ConfigImage before = engine.ConfigImage;
    const auto block = [](std::uint8_t value) {
        Bytes b(256, value);
        b.push_back(static_cast<std::uint8_t>(256 * value % 256));
        return b;
    };

    transfer.StartRead();
    ticks(3);
    reply(block(0x11));
    reply(block(0x22));
    reply(block(0x33));
    EXPECT_TRUE(engine.ConfigImage == before) << "three blocks of six read";
    EXPECT_TRUE(side.progressVisible);
    EXPECT_FALSE(side.buttonsEnabled);

    port.lost = true;
    const std::size_t sent = port.writes.size();
    engine.tick();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(port.open);
    EXPECT_EQ(host.panels[3], engine.Texts.PortLost);
    EXPECT_FALSE(side.progressVisible);
    EXPECT_TRUE(side.buttonsEnabled);
    EXPECT_EQ(side.decodes, 0);
    ticks(20);
    EXPECT_EQ(port.writes.size(), sent) << "nothing is written once the port has gone";
    EXPECT_TRUE(engine.ConfigImage == before);

    transfer.StartRead();
    ticks(3);
    ASSERT_TRUE(port.open) << "the next operation opens the port again";
    for (std::uint8_t n = 1; n <= 6; ++n)
        reply(block(n));
    EXPECT_EQ(side.decodes, 0) << "bank 0x35 follows the configuration blocks";
    for (int n = 0; n < 4; ++n)
        reply(block(0x77));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(side.decodes, 1);
    EXPECT_EQ(engine.ConfigImage.at(0), 1);
    EXPECT_EQ(engine.ConfigImage.at(0x5FF), 6);
}

// Each action tells once how it ended, with the text the status panel shows for that end, and only
// after the transfer has taken its progress down and given the buttons back: a window that shows
// the end elsewhere must not be told while the transfer still looks busy.
TEST(TransferEnds, EachActionReportsItsEndOnceAfterTheProgressIsDown) {
    enum class Start { Read, Send, ClockSync, PstnSend };
    struct Case {
        const char* name;
        Start start;
        int version;
        int lostAfter; // commands answered before the port goes; -1: it stays
        TransferKind kind;
        TransferOutcome outcome;
        QString text;
    };
    const TransferTexts texts;
    const QString lost = EngineTexts().PortLost;
    const Case cases[] = {
        {"read in blocks", Start::Read, 84, -1, TransferKind::Read, TransferOutcome::Done, texts.ReadDone},
        {"read byte-wise", Start::Read, 72, -1, TransferKind::Read, TransferOutcome::Done, texts.ReadDone},
        {"send in blocks", Start::Send, 84, -1, TransferKind::Send, TransferOutcome::Done, texts.SendDone},
        {"clock sync", Start::ClockSync, 84, -1, TransferKind::ClockSync, TransferOutcome::Done,
         texts.ClockDone},
        {"PSTN send", Start::PstnSend, 84, -1, TransferKind::PstnSend, TransferOutcome::Done, texts.SendDone},
        {"read cut off", Start::Read, 84, 2, TransferKind::Read, TransferOutcome::PortLost, lost},
        {"send cut off at its clock set", Start::Send, 84, 11, TransferKind::Send, TransferOutcome::PortLost,
         lost},
        {"clock sync cut off", Start::ClockSync, 84, 0, TransferKind::ClockSync, TransferOutcome::PortLost,
         lost},
    };
    // The module's side: the reply each command expects.
    const auto answer = [](const Bytes& w) -> Bytes {
        if (w.size() == kBlockWriteSize) return {w[0]};
        if (w.size() == kFrameSize + 12) return FrameBytes(0xAB, 0xAA, 0, 0);
        if (w[1] == 0xF7) return Bytes(257, 0);
        return FrameBytes(0xAB, w[1], w[2], w[3]); // byte read and byte write echo
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePort port;
        FakeHost host;
        dalvex::test::RecordingTransferHost side;
        Engine engine{port, host};
        ConfigTransfer transfer{engine, side};
        engine.Version = c.version;
        engine.ModuleType = 72;
        struct Seen {
            TransferEnd end;
            bool progressShown, buttonsEnabled;
            QString panel;
        };
        std::vector<Seen> ends;
        transfer.OnEnded = [&](const TransferEnd& e) {
            ends.push_back({e, side.progressVisible, side.buttonsEnabled, host.panels[3]});
        };
        switch (c.start) {
        case Start::Read:
            transfer.StartRead();
            break;
        case Start::Send:
            transfer.StartSend();
            break;
        case Start::ClockSync:
            transfer.StartClockSync();
            break;
        case Start::PstnSend:
            transfer.StartPstnSend();
            break;
        }
        std::size_t answered = 0;
        for (int i = 0; i < 3000 && engine.OpState != 0; ++i) {
            if (port.writes.size() == answered) {
                engine.tick();
                continue;
            }
            answered = port.writes.size();
            if (static_cast<int>(answered) > c.lostAfter && c.lostAfter >= 0) {
                port.lost = true;
                engine.tick();
                continue;
            }
            const Bytes reply = answer(port.writes.back());
            port.waiting.insert(port.waiting.end(), reply.begin(), reply.end());
            engine.AsynComm321RxChar(static_cast<int>(reply.size()));
        }
        ASSERT_EQ(engine.OpState, 0);
        for (int i = 0; i < 30; ++i)
            engine.tick();
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].end.kind, c.kind);
        EXPECT_EQ(ends[0].end.outcome, c.outcome);
        EXPECT_EQ(ends[0].end.text, c.text);
        EXPECT_EQ(ends[0].panel, c.text) << "the end tells what the status panel shows";
        EXPECT_FALSE(ends[0].progressShown);
        EXPECT_TRUE(ends[0].buttonsEnabled);
    }
}

// Every way a send can end reaches its starter once, as a typed outcome; a send without the clock
// set sends no clock frame, and a stop between blocks lets the block in flight be acknowledged and
// sends nothing after it.
TEST_F(TransferFixture, EachEndReachesTheStarterOnceAsItsOutcome) {
    const Bytes clockFrameStart = FrameBytes(0, 0xFC, 0, 0);
    const auto isClock = [&](const Bytes& w) {
        return w.size() > 6 && std::equal(clockFrameStart.begin(), clockFrameStart.end(), w.begin());
    };
    struct Case {
        const char* name;
        bool setClock;
        std::function<void(TransferFixture&)> during; // after the second block has gone out
        Outcome outcome;
        int blocksSent; // configuration and bank blocks written in all
        bool clockSent;
    };
    const std::vector<Case> cases = {
        {"completes with the clock", true, [](TransferFixture& f) { f.reply({f.port.writes.back()[0]}); },
         Outcome::Done, 11, true},
        {"completes without the clock", false, [](TransferFixture& f) { f.reply({f.port.writes.back()[0]}); },
         Outcome::Done, 11, false},
        {"stopped at once", true, [](TransferFixture& f) { f.engine.Stop(); }, Outcome::Stopped, 2, false},
        {"stopped between blocks", true,
         [](TransferFixture& f) {
             f.engine.Stop(StopMode::BetweenBlocks);
             f.ticks(3);
             f.reply({f.port.writes.back()[0]}); // the block in flight is acknowledged
         },
         Outcome::Stopped, 2, false},
        {"port lost", true,
         [](TransferFixture& f) {
             f.port.lost = true;
             f.engine.tick();
         },
         Outcome::PortLost, 2, false},
        {"abandoned by another operation", true, [](TransferFixture& f) { f.engine.StartVersionQuery(); },
         Outcome::Stopped, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.writes.clear();
        engine.Version = 84;
        engine.ModuleType = 72;
        std::vector<OperationEnd> ends;
        transfer.StartSend(SendOptions{c.setClock, std::nullopt}, [&](const OperationEnd& e) { ends.push_back(e); });
        ticks(3);
        ASSERT_EQ(port.writes.size(), 1u);
        reply({port.writes.back()[0]}); // block 0 acknowledged by its sum
        ASSERT_EQ(port.writes.size(), 2u);
        c.during(*this);
        // Whatever is still running runs to its end: blocks acknowledged, the clock answered.
        for (int i = 0; i < 40 && engine.OpState != 0; ++i) {
            const Bytes& w = port.writes.back();
            if (engine.OpState == state::SetClock)
                reply(FrameBytes(0xAB, 0xAA, 0, 0));
            else if (engine.OpState == state::VersionQuery)
                reply(FrameBytes(0xAB, 0, 0xFE, 84));
            else
                reply({w[0]});
        }
        ticks(60);
        ASSERT_EQ(ends.size(), 1u) << "told once";
        EXPECT_EQ(ends[0].outcome, c.outcome);
        EXPECT_EQ(ends[0].startState, state::WriteBlocks);
        const auto blocks = std::count_if(port.writes.begin(), port.writes.end(),
                                          [](const Bytes& w) { return w.size() == kBlockWriteSize; });
        EXPECT_EQ(blocks, c.blocksSent);
        EXPECT_EQ(std::any_of(port.writes.begin(), port.writes.end(), isClock), c.clockSent);
        port.lost = false;
        port.open = false;
        engine.PortOpen = false;
        engine.PortGone = false;
        engine.OpState = 0;
    }
}
