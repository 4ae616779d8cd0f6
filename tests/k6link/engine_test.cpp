// The operation engine driven tick by tick, with the module's bytes fed in by hand.

#include "fakes.h"
#include "k6link/core_states.h"

#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6link;
using namespace dalvex::k6link::test;

namespace {

const Bytes kVersionQuery = {0, 0, 254, 0, 2, 253}; // F(0, 0, 0xFE, 0)

Bytes VersionReply(std::uint8_t version) {
    return FrameBytes(kAckMark, 0, 0xFE, version);
}

struct EngineTest : ::testing::Test {
    FakePort port;
    FakeHost host;
    Engine engine{port, host};

    void feed(const Bytes& bytes) {
        port.waiting.insert(port.waiting.end(), bytes.begin(), bytes.end());
        engine.AsynComm321RxChar(static_cast<int>(bytes.size()));
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            engine.tick();
    }
    std::size_t sent() const { return port.writes.size(); }
    // Starts the version query and lets the next tick send it.
    void queryVersion() {
        const std::size_t before = sent();
        engine.OpState = state::VersionQuery;
        engine.TimeoutTicks = 0;
        engine.tick();
        ASSERT_EQ(sent(), before + 1);
        ASSERT_EQ(port.writes.back(), kVersionQuery);
    }
};

} // namespace

TEST_F(EngineTest, DemoModeSendsNothingAndEndsEveryOperationAtTheFirstTick) {
    engine.DemoMode = true;
    for (std::int32_t op : {state::VersionQuery, state::Restart, state::Send256, 110, 5, 4242}) {
        SCOPED_TRACE(op);
        engine.OpState = op;
        engine.TimeoutTicks = 0;
        engine.tick();
        EXPECT_EQ(engine.OpState, 0);
    }
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(EngineTest, PortIsNeverOpenedBeforeTheStartWindowReleasesIt) {
    host.released = false;
    engine.OpState = state::VersionQuery;
    engine.Notice = notice::ShowNow;
    ticks(20);
    EXPECT_EQ(port.opens, 0);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.running, 0);
    EXPECT_EQ(host.clockShown, 20) << "the clock runs all the same";

    host.released = true;
    engine.tick();
    EXPECT_EQ(port.opens, 1);
    ASSERT_EQ(sent(), 1u);
    EXPECT_EQ(port.writes[0], kVersionQuery);
    EXPECT_EQ(host.panels[3], "GSM ellenőrzése");
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(EngineTest, PortNameComesFromTheSettingAndIsShownWithoutTheDeviceNamespacePrefix) {
    struct Case {
        const char* stored;
        const char* opened;
        const char* shown;
    };
    for (const Case& c : {Case{"", "COM1", "COM1"}, Case{"COM3", "COM3", "COM3"},
                          Case{"\\\\.\\COM12", "\\\\.\\COM12", "COM12"}}) {
        SCOPED_TRACE(c.stored);
        host.settings[QStringLiteral("comport")] = QString::fromLatin1(c.stored);
        engine.PortOpen = false;
        engine.OpState = state::VersionQuery;
        engine.TimeoutTicks = 0;
        engine.tick();
        EXPECT_EQ(port.deviceName, c.opened);
        EXPECT_TRUE(port.open);
        EXPECT_EQ(host.panels[0], c.shown);
    }
}

TEST_F(EngineTest, VersionReplyStoresTheVersionShowsItAndGoesIdle) {
    engine.ModuleType = 74;
    queryVersion();
    feed(VersionReply(84));
    EXPECT_EQ(engine.Version, 84);
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(engine.RxCount, 0);
    EXPECT_EQ(host.panels[2], "Sw: 8.4");
    EXPECT_EQ(host.panels[3], "");
    EXPECT_TRUE(host.buttonsEnabled);
    ASSERT_EQ(host.rules.size(), 1u);
    EXPECT_EQ(host.rules[0], std::make_pair(84, 74));
}

TEST_F(EngineTest, VersionByteUpToTenLeavesTheVersionAsItWas) {
    struct Case {
        std::uint8_t reply;
        int version;
        const char* shown;
    };
    for (const Case& c : {Case{0, 77, "Sw: 7.7"}, Case{10, 77, "Sw: 7.7"}, Case{11, 11, "Sw: 1.1"},
                          Case{255, 255, "Sw: 25.5"}}) {
        SCOPED_TRACE(int(c.reply));
        engine.Version = 77;
        queryVersion();
        feed(VersionReply(c.reply));
        EXPECT_EQ(engine.OpState, 0) << "the query is answered either way";
        EXPECT_EQ(engine.Version, c.version);
        EXPECT_EQ(host.panels[2], c.shown);
    }
}

TEST_F(EngineTest, VersionReplyMustCarryTheMarkAndTheAddressEcho) {
    for (const Bytes& wrong : {FrameBytes(0xAA, 0, 0xFE, 84), FrameBytes(kAckMark, 0, 0xFF, 72),
                               FrameBytes(kAckMark, 0, 0xFD, 84)}) {
        queryVersion();
        feed(wrong);
        EXPECT_EQ(engine.OpState, state::VersionQuery);
        EXPECT_EQ(engine.Version, 0);
        // The frame is dropped, so the right reply arriving after it still counts.
        feed(VersionReply(84));
        EXPECT_EQ(engine.OpState, 0);
        EXPECT_EQ(engine.Version, 84);
        engine.Version = 0;
    }
}

TEST_F(EngineTest, ReplyArrivingInPiecesIsAssembled) {
    queryVersion();
    const Bytes reply = VersionReply(81);
    for (std::size_t i = 0; i < reply.size(); i += 2) {
        feed(Bytes(reply.begin() + static_cast<std::ptrdiff_t>(i),
                   reply.begin() + static_cast<std::ptrdiff_t>(i + 2)));
        if (i + 2 < reply.size()) {
            EXPECT_EQ(engine.OpState, state::VersionQuery);
        }
    }
    EXPECT_EQ(engine.Version, 81);
}

TEST_F(EngineTest, ReplyWithAWrongCheckByteIsDroppedAndTheCommandRepeatsAfterFiveTicks) {
    queryVersion();
    Bytes bad = VersionReply(84);
    ++bad[5];
    feed(bad);
    EXPECT_EQ(engine.RxCount, 0);
    EXPECT_EQ(engine.Version, 0);
    EXPECT_EQ(engine.OpState, state::VersionQuery);
    ticks(5);
    EXPECT_EQ(sent(), 1u) << "the countdown still runs";
    engine.tick();
    ASSERT_EQ(sent(), 2u);
    EXPECT_EQ(port.writes[1], kVersionQuery);
    feed(VersionReply(84));
    EXPECT_EQ(engine.Version, 84);
}

TEST_F(EngineTest, ReplyTooLongForASixByteStateIsThrownAwayWhole) {
    // In one burst, and as a reply whose tail arrives with a stray byte.
    Bytes seven = VersionReply(84);
    seven.push_back(0x00);
    const Bytes head(seven.begin(), seven.begin() + 4);
    const Bytes tail(seven.begin() + 4, seven.end());
    for (const std::vector<Bytes>& chunks : {std::vector<Bytes>{seven}, std::vector<Bytes>{head, tail}}) {
        const std::size_t before = sent();
        engine.Version = 0;
        queryVersion();
        for (const Bytes& c : chunks)
            feed(c);
        EXPECT_EQ(engine.RxCount, 0);
        EXPECT_EQ(engine.RxBuffer[0], 0xFF) << "cleared";
        EXPECT_EQ(engine.Version, 0);
        EXPECT_EQ(engine.OpState, state::VersionQuery);
        ticks(6);
        ASSERT_EQ(sent(), before + 2);
        EXPECT_EQ(port.writes.back(), kVersionQuery) << "the next command is a repeat";
        feed(VersionReply(84));
        EXPECT_EQ(engine.OpState, 0);
    }
}

TEST_F(EngineTest, AllZeroFrameIsValidOnlyWithCheckBytesZeroAnd255) {
    std::vector<Bytes> taken;
    engine.States().add(StateDef(4000).replies([&](Engine&, std::span<const std::uint8_t> r) {
        taken.emplace_back(r.begin(), r.end());
        return true;
    }));
    struct Case {
        Bytes frame;
        bool valid;
    };
    for (const Case& c : {Case{{0, 0, 0, 0, 0, 255}, true}, Case{{0, 0, 0, 0, 255, 0}, false},
                          Case{{0, 0, 0, 0, 0, 0}, false}, Case{{0, 0, 0, 0, 1, 254}, false},
                          Case{{0, 0, 0, 0, 255, 255}, false}}) {
        taken.clear();
        engine.OpState = 4000;
        engine.RxCount = 0;
        feed(c.frame);
        EXPECT_EQ(taken.size(), c.valid ? 1u : 0u) << int(c.frame[4]) << "," << int(c.frame[5]);
        EXPECT_EQ(engine.RxCount, c.valid ? 6 : 0);
    }
}

TEST_F(EngineTest, PortClosesWhenTheCountdownAfterTheLastOperationRunsOut) {
    queryVersion();
    feed(VersionReply(84));
    ticks(5);
    EXPECT_TRUE(port.open);
    EXPECT_TRUE(engine.PortOpen);
    engine.tick();
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(engine.PortOpen);
    EXPECT_EQ(port.closes, 1);
    ticks(3);
    EXPECT_EQ(port.opens, 1) << "an idle engine leaves the port closed";
}

TEST_F(EngineTest, OperationStartedBeforeTheCountdownEndsReusesTheOpenPort) {
    queryVersion();
    feed(VersionReply(84));
    ticks(4);
    engine.OpState = state::VersionQuery;
    engine.tick(); // the countdown of the idle engine is the new command's countdown
    ticks(1);
    EXPECT_EQ(sent(), 2u);
    EXPECT_EQ(port.opens, 1);
    EXPECT_EQ(port.closes, 0);
    feed(VersionReply(84));
    ticks(6);
    EXPECT_EQ(port.closes, 1);
}

TEST_F(EngineTest, RestartIsSentOnceAndTheEngineGoesIdleAtOnce) {
    engine.OpState = state::Restart;
    engine.tick();
    ASSERT_EQ(sent(), 1u);
    EXPECT_EQ(port.writes[0], FrameBytes(0, 0xFF, 0xAA, 0));
    EXPECT_EQ(engine.OpState, 0);
    ticks(10);
    EXPECT_EQ(sent(), 1u);
    EXPECT_FALSE(port.open) << "closed after the countdown";
}

TEST_F(EngineTest, Send256WritesOneBlockOfOnesAndGoesIdle) {
    engine.OpState = state::Send256;
    engine.tick();
    ASSERT_EQ(sent(), 1u);
    const Bytes& w = port.writes[0];
    ASSERT_EQ(w.size(), 262u);
    EXPECT_EQ(Bytes(w.begin(), w.begin() + 6), FrameBytes(0, 0xF6, 0x30, 0)) << "256 ones sum to 0";
    EXPECT_TRUE(std::all_of(w.begin() + 6, w.end(), [](std::uint8_t b) { return b == 1; }));
    EXPECT_EQ(engine.OpState, 0);
    feed({0x00}); // the module's acknowledgement finds the engine idle
    EXPECT_EQ(engine.OpState, 0);
}

TEST_F(EngineTest, UnknownStateSendsNothingAndTakesNoReply) {
    engine.OpState = 4242;
    engine.tick();
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(engine.OpState, 4242);
    EXPECT_EQ(engine.TimeoutTicks, 5);
    feed(VersionReply(84));
    EXPECT_EQ(engine.RxCount, 0);
    EXPECT_EQ(engine.OpState, 4242);
    EXPECT_EQ(engine.Version, 0);
}

TEST_F(EngineTest, VersionFromTheMenuIsShownAtTheTickAfterTheReply) {
    engine.Notice = notice::FromMenu;
    queryVersion();
    feed(VersionReply(84));
    EXPECT_EQ(engine.Notice, notice::ShowNow);
    EXPECT_TRUE(host.messages.empty());
    engine.tick();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Modul szoftver verzió: 8.4");
    ticks(3);
    EXPECT_EQ(host.messages.size(), 1u);

    engine.Notice = notice::AfterFirmware;
    queryVersion();
    feed(VersionReply(85));
    EXPECT_EQ(host.firmwareClosed, 1);
    EXPECT_EQ(engine.Notice, notice::None);
    ticks(2);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(EngineTest, TimerSpeedsUpOnlyWhileAnOperationRuns) {
    ticks(3);
    EXPECT_EQ(host.running, 0);
    queryVersion();
    EXPECT_EQ(host.running, 1);
}

TEST_F(EngineTest, ReceiveBufferIsNeverWrittenPastItsEnd) {
    // A state that keeps receiving text without ever finding its answer.
    int calls = 0;
    int largest = 0;
    engine.States().add(StateDef(4500).replies(
        [&](Engine& e, std::span<const std::uint8_t>) {
            ++calls;
            largest = std::max(largest, e.RxCount);
            return false;
        },
        ReplyKind::Text));
    engine.OpState = 4500;
    const Bytes chunk(700, 'x');
    for (int i = 0; i < 7; ++i)
        feed(chunk);
    EXPECT_EQ(engine.RxCount, 4900);
    feed(chunk); // would end at 5600
    EXPECT_EQ(engine.RxCount, 0);
    EXPECT_EQ(engine.RxBuffer[0], 0xFF);
    EXPECT_TRUE(port.waiting.empty()) << "the dropped chunk is read off the port";
    EXPECT_EQ(calls, 7);
    feed(Bytes(100, 'y'));
    EXPECT_EQ(engine.RxCount, 100) << "receiving starts afresh";
    feed(Bytes(12000, 'z')); // more than the whole buffer at once
    EXPECT_EQ(engine.RxCount, 0);
    EXPECT_TRUE(port.waiting.empty());
    EXPECT_EQ(largest, 4900);
}

TEST_F(EngineTest, EachReplyKindCompletesOnlyOnWhatItWaitsFor) {
    // Block-write states: TxBuffer[0] holds the block sum S, here 0x10 (256 bytes of 0x10 = 0x1000).
    std::array<std::uint8_t, kBlockSize> block;
    block.fill(0x10);
    const std::uint8_t S = BlockSum(block);
    ASSERT_EQ(S, 0x00);
    block[0] = 0x20;
    const std::uint8_t S2 = BlockSum(block);
    struct Case {
        const char* name;
        ReplyKind kind;
        int length;
        std::vector<Bytes> chunks;
        std::vector<int> callsAfterEachChunk;
        std::size_t lastSeen; // bytes the last call saw
    };
    const Case cases[] = {
        {"any byte", ReplyKind::AnyBytes, 0, {{0x5A}}, {1}, 1},
        {"every chunk", ReplyKind::EveryChunk, 0, {{1, 2}, {3}}, {1, 2}, 1},
        {"block read", ReplyKind::Length, 257, {Bytes(256, 7), {7}}, {0, 1}, 257},
        {"log block", ReplyKind::Length, 256, {Bytes(200, 7), Bytes(56, 7)}, {0, 1}, 256},
        {"overlong block", ReplyKind::Length, 257, {Bytes(258, 7)}, {0}, 0},
        {"block ack", ReplyKind::BlockAck, 0, {{S2}}, {1}, 1},
        {"wrong ack", ReplyKind::BlockAck, 0, {{static_cast<std::uint8_t>(S2 + 1)}, {S2}}, {0, 0}, 0},
        {"ack twice", ReplyKind::BlockAck, 0, {{S2, S2}}, {0}, 0},
        {"modem text", ReplyKind::Text, 0, {{'A', 'T', '\r'}, {'O', 'K'}}, {1, 2}, 5},
    };
    std::int32_t op = 5000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        std::size_t seen = 0;
        engine.States().add(StateDef(++op)
                                .sends([&block](Engine& e) { e.SendBlock(0x12, 0x34, block); })
                                .replies(
                                    [&](Engine&, std::span<const std::uint8_t> bytes) {
                                        ++calls;
                                        seen = bytes.size();
                                        return true;
                                    },
                                    c.kind, c.length));
        engine.OpState = op;
        engine.TimeoutTicks = 0;
        engine.tick();
        ASSERT_EQ(engine.TxBuffer[0], S2);
        for (std::size_t i = 0; i < c.chunks.size(); ++i) {
            feed(c.chunks[i]);
            EXPECT_EQ(calls, c.callsAfterEachChunk[i]) << "after chunk " << i;
        }
        EXPECT_EQ(seen, c.lastSeen);
    }
}

TEST_F(EngineTest, RegisteredStateGetsItsCountdownAndItsNextStateAndCannotBeClaimedTwice) {
    int sends = 0;
    ASSERT_TRUE(engine.States().add(StateDef(6000)
                                        .sends([&](Engine& e) {
                                            ++sends;
                                            e.SendFrame(SixByteFrame::make(0, 0xF7, 1, 0));
                                        })
                                        .countdown(50)));
    EXPECT_FALSE(engine.States().add(StateDef(6000).thenAtOnce(0)));
    EXPECT_FALSE(engine.States().add(StateDef(state::VersionQuery))) << "the engine's own states are taken";
    engine.OpState = 6000;
    engine.tick();
    EXPECT_EQ(engine.TimeoutTicks, 50);
    ticks(50);
    EXPECT_EQ(sends, 1);
    engine.tick();
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(engine.OpState, 6000) << "the second registration changed nothing";
}

TEST_F(EngineTest, WriteBytePassesOverTheBytesThatAreNeverWritten) {
    struct Case {
        std::int32_t index;
        bool companyMark;
        bool sent;
    };
    const Case cases[] = {
        {74, false, true},   {75, false, false}, {76, false, true},  {253, false, true},  {254, false, false},
        {255, false, false}, {256, false, true}, {383, false, true}, {384, false, false}, {399, false, false},
        {400, false, true},  {384, true, true},  {399, true, true},  {75, true, false},   {254, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << (c.companyMark ? " with company mark" : ""));
        port.writes.clear();
        engine.CompanyMark = c.companyMark;
        engine.BlockIndex = c.index;
        engine.MemAddr = 0x1000 + c.index;
        engine.Remaining = 10;
        engine.ConfigImage.set(static_cast<std::uint32_t>(c.index), 0x5C);
        engine.TimeoutTicks = 15;
        engine.RxCount = 3;
        engine.WriteByte();
        if (c.sent) {
            ASSERT_EQ(port.writes.size(), 1u);
            const int a = 0x1000 + c.index;
            EXPECT_EQ(port.writes[0], FrameBytes(static_cast<std::uint8_t>(a >> 8), 1,
                                                 static_cast<std::uint8_t>(a & 0xFF), 0x5C));
            EXPECT_EQ(engine.BlockIndex, c.index);
            EXPECT_EQ(engine.TimeoutTicks, 15);
        } else {
            EXPECT_TRUE(port.writes.empty());
            EXPECT_EQ(engine.BlockIndex, c.index + 1);
            EXPECT_EQ(engine.MemAddr, 0x1000 + c.index + 1);
            EXPECT_EQ(engine.Remaining, 9);
            EXPECT_EQ(engine.TimeoutTicks, 0);
        }
        EXPECT_EQ(engine.RxCount, 0);
    }
}

TEST_F(EngineTest, PassedOverByteIsFollowedByTheNextWriteAtTheNextTick) {
    engine.States().add(StateDef(6101).sends([](Engine& e) { e.WriteByte(); }).countdown(15));
    engine.ConfigImage.set(76, 0x42);
    engine.OpState = 6101;
    engine.BlockIndex = 75;
    engine.MemAddr = 75;
    engine.Remaining = 2;
    engine.tick();
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(engine.TimeoutTicks, 0) << "the state's countdown does not undo the pass-over";
    engine.tick();
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], FrameBytes(0, 1, 76, 0x42));
    EXPECT_EQ(engine.TimeoutTicks, 15);
}

TEST_F(EngineTest, ReadByteUsesStatusPollAsTheCommand) {
    for (std::uint8_t poll : {std::uint8_t{0}, std::uint8_t{2}}) {
        port.writes.clear();
        engine.StatusPoll = poll;
        engine.MemAddr = 0x0234;
        engine.RxCount = 4;
        engine.ReadByte();
        ASSERT_EQ(port.writes.size(), 1u);
        EXPECT_EQ(port.writes[0], FrameBytes(0x02, poll, 0x34, 0));
        EXPECT_EQ(engine.RxCount, 0);
    }
}

TEST_F(EngineTest, ClearRxFillsTheFirst256BytesOnly) {
    engine.RxBuffer.fill(0x11);
    engine.RxCount = 300;
    engine.ClearRx();
    EXPECT_EQ(engine.RxCount, 0);
    EXPECT_EQ(engine.RxBuffer[0], 0xFF);
    EXPECT_EQ(engine.RxBuffer[255], 0xFF);
    EXPECT_EQ(engine.RxBuffer[256], 0x11);
}
