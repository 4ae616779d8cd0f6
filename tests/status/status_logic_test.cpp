// The status poll and the monitor text without windows: the display mapping of the status bytes,
// the status window's version rules, the poll's frames driven tick by tick, the monitor's text
// decoding, and the simulator's status registers and trace stream.

#include "k6link/monitor_text.h"
#include "k6link/status_poll.h"
#include "sim/module_sim.h"
#include "tests/k6link/fakes.h"

#include <gtest/gtest.h>
#include <map>

using namespace dalvex;
using namespace dalvex::k6link;
using namespace dalvex::k6link::test;

namespace {

StatusBytes Healthy() {
    // Registered, no error, signal 18, memory sound, GSM time 12:34, 21 degrees, no SLIC report.
    return {0x00, 1, 0, 18, 0x80, '1', '2', '3', '4', 21, 0, 0, 33, 1, 0xFF, 0};
}

struct DisplayCase {
    const char* what;
    int index;
    std::uint8_t value;
    int moduleType;
    QString network;
    QString error;
};

TEST(StatusDisplay, TextTablesKnownAndUnknownValues) {
    const StatusTexts t;
    const QString home = QStringLiteral("Saját hálózatra feljelentkezve");
    const QString ok = QStringLiteral("Nincs hiba");
    const DisplayCase cases[] = {
        {"network 0", 1, 0, 72, QStringLiteral("Hálózatra nincs feljelentkezve"), ok},
        {"network 2", 1, 2, 72, QStringLiteral("Hálózatra nincs feljelentkezve, előző roaming volt"), ok},
        {"network 3", 1, 3, 72, QStringLiteral("Roaming hálózatra feljelentkezve"), ok},
        {"network unknown", 1, 9, 72, QStringLiteral("Ismeretlen állapot: 9"), ok},
        {"gsm 1", 2, 1, 72, home, QStringLiteral("Modem konfigurálás")},
        {"gsm 2", 2, 2, 72, home, QStringLiteral("GSM modul nem látható")},
        {"gsm 3", 2, 3, 72, home, QStringLiteral("SIM kártya nincs behelyezve")},
        {"gsm 4", 2, 4, 72, home, QStringLiteral("SIM kártya PIN kóddal zárolva")},
        {"gsm 10", 2, 10, 72, home, QStringLiteral("GSM Modem módban van")},
        {"gsm 12", 2, 12, 72, home, QStringLiteral("GSM monitor mode")},
        {"gsm unknown", 2, 99, 72, home, QStringLiteral("Ismeretlen hiba: 99")},
        {"cid 1", 11, 1, 72, home, QStringLiteral("CID: Tárcsázás")},
        {"cid 2", 11, 2, 72, home, QStringLiteral("CID: Felvéve a vonal")},
        {"cid 3", 11, 3, 72, home, QStringLiteral("CID: handshake várása")},
        {"cid 4", 11, 4, 72, home, QStringLiteral("CID: Send DTMF")},
        {"cid 5", 11, 5, 72, home, QStringLiteral("CID: CID send ok")},
        {"cid unknown keeps no error", 11, 6, 72, home, ok},
        {"slic none", 14, 0xFF, 74, home, ok},
        {"slic 0", 14, 0, 74, home, QStringLiteral("SLIC: Nincs kommunikáció (0)")},
        {"slic 7", 14, 7, 74, home, QStringLiteral("SLIC: SPI kommunikáció van (7)")},
        {"slic 8", 14, 8, 74, home, QStringLiteral("SLIC: SPI vétel van, de totál rossz (8)")},
        {"slic 9", 14, 9, 74, home, QStringLiteral("SLIC: Check type, check voltage (9)")},
        {"slic 12", 14, 12, 74, home, QStringLiteral("SLIC: voltage ok, start calib1 (12)")},
        {"slic 16", 14, 16, 74, home, QStringLiteral("SLIC:  calib1 ok, start calib2 (16)")},
        {"slic 17", 14, 17, 74, home, QStringLiteral("SLIC:  calib2 ok, write parameter (17)")},
        {"slic unknown", 14, 200, 74, home, QStringLiteral("SLIC statusz:200")},
        {"slic ignored off type 74", 14, 7, 72, home, ok},
    };
    for (const DisplayCase& c : cases) {
        SCOPED_TRACE(c.what);
        StatusBytes s = Healthy();
        s[static_cast<std::size_t>(c.index)] = c.value;
        const StatusDisplay d = StatusDisplayOf(s, c.moduleType, c.moduleType, t);
        EXPECT_EQ(d.Network, c.network);
        EXPECT_EQ(d.ErrorField, c.error);
    }
    // The dialler's state shows only while the GSM part has no error.
    StatusBytes s = Healthy();
    s[2] = 3;
    s[11] = 1;
    EXPECT_EQ(StatusDisplayOf(s, 72, 72, t).ErrorField, QStringLiteral("SIM kártya nincs behelyezve"));
}

TEST(StatusDisplay, SignalTemperatureTimeAndMemoryFault) {
    const StatusTexts t;
    struct Gauge {
        int signal;
        GaugeColour colour;
    };
    for (const Gauge g :
         {Gauge{0, GaugeColour::Red}, Gauge{5, GaugeColour::Red}, Gauge{6, GaugeColour::Yellow},
          Gauge{10, GaugeColour::Yellow}, Gauge{11, GaugeColour::Blue}, Gauge{15, GaugeColour::Blue},
          Gauge{16, GaugeColour::Green}, Gauge{20, GaugeColour::Green}, Gauge{21, GaugeColour::Lime},
          Gauge{31, GaugeColour::Lime}}) {
        StatusBytes s = Healthy();
        s[3] = static_cast<std::uint8_t>(g.signal);
        const StatusDisplay d = StatusDisplayOf(s, 72, 72, t);
        EXPECT_EQ(d.Colour, g.colour) << g.signal;
        EXPECT_EQ(d.Signal, g.signal);
    }
    StatusBytes s = Healthy();
    s[3] = 99; // the modem's "not known": the gauge stops at its maximum
    EXPECT_EQ(StatusDisplayOf(s, 72, 72, t).Signal, 31);

    EXPECT_EQ(TemperatureOf(0x85), -5);
    EXPECT_EQ(TemperatureOf(0x05), 5);
    EXPECT_EQ(TemperatureOf(0xFF), -127);
    s = Healthy();
    s[9] = 0x85;
    EXPECT_EQ(StatusDisplayOf(s, 72, 72, t).TemperatureText, "-5");

    EXPECT_EQ(StatusDisplayOf(Healthy(), 72, 72, t).GsmTime, QStringLiteral("GSM idő: 12:34"));

    // Bit 7 of S[4] clear is a memory fault on the main communicator only, and it wins.
    s = Healthy();
    s[4] = 0x00;
    s[2] = 1;
    EXPECT_EQ(StatusDisplayOf(s, 72, 72, t).ErrorField, "MEMORY FAULT");
    EXPECT_EQ(StatusDisplayOf(s, 74, 74, t).ErrorField, QStringLiteral("Modem konfigurálás"));
    EXPECT_EQ(StatusDisplayOf(s, 73, 73, t).ErrorField, QStringLiteral("Modem konfigurálás"));
}

TEST(StatusDisplay, PicturesPanelsAndTheModels) {
    const StatusTexts t;
    StatusBytes s = Healthy();
    s[0] = 0x05;        // inputs 1 and 3 set
    s[4] = 0x80 | 0x1A; // supply, output 2, arming
    s[12] = 33;
    s[13] = 1;
    StatusDisplay d = StatusDisplayOf(s, 72, 72, t);
    EXPECT_EQ(d.Inputs, (std::array<Picture, 4>{Picture::Ki, Picture::Be, Picture::Ki, Picture::Be}));
    EXPECT_EQ(d.Tamper, Picture::Be);
    EXPECT_EQ(d.Supply, Picture::Ki);
    EXPECT_EQ(d.Output1, Picture::Be);
    EXPECT_EQ(d.Output2, Picture::Ki);
    EXPECT_EQ(d.Arming, Picture::Ki);
    EXPECT_TRUE(d.SupplyPanelRed);
    EXPECT_TRUE(d.Output2PanelRed);
    EXPECT_EQ(d.Line, Picture::Blank);
    EXPECT_TRUE(d.LineVoltage.isEmpty());
    EXPECT_FALSE(d.CompactModel);

    // The line-simulator model: line voltage S[12] x 15 div 10, the line picture, no arming.
    d = StatusDisplayOf(s, 74, 74, t);
    EXPECT_EQ(d.LineVoltage, QStringLiteral("Vonali feszültség: 49"));
    EXPECT_EQ(d.Line, Picture::Ki);
    EXPECT_EQ(d.Arming, Picture::Blank);
    s[12] = 255;
    EXPECT_EQ(StatusDisplayOf(s, 74, 74, t).LineVoltage, QStringLiteral("Vonali feszültség: 382"));

    // The compact model (code 73) lacks inputs 3 and 4, tamper, output 2, arming and the line.
    d = StatusDisplayOf(s, 73, 73, t);
    EXPECT_TRUE(d.CompactModel);
    EXPECT_EQ(d.Inputs, (std::array<Picture, 4>{Picture::Ki, Picture::Be, Picture::Blank, Picture::Blank}));
    EXPECT_EQ(d.Tamper, Picture::Blank);
    EXPECT_EQ(d.Output2, Picture::Blank);
    EXPECT_EQ(d.Arming, Picture::Blank);
    EXPECT_EQ(d.Line, Picture::Blank);
    EXPECT_EQ(d.Output1, Picture::Be);
}

TEST(StatusDisplay, VersionRulesInTheirOrder) {
    struct Case {
        int version, type;
        std::vector<std::pair<StatusPart, bool>> expected; // the last rule per part
    };
    const Case cases[] = {
        {77, 74, {{StatusPart::LineValues, true}}},
        {77, 72, {{StatusPart::LineValues, false}}},
        {78, 72, {}},
        {80, 73, {{StatusPart::Output2, false}}},
        {17, 74, {{StatusPart::LineValues, false}, {StatusPart::Temperature, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.version) + "/" + std::to_string(c.type));
        std::map<StatusPart, bool> last;
        for (const VisibilityRule& r : StatusVersionRules(c.version, c.type))
            last[r.part] = r.visible;
        for (const auto& [part, visible] : c.expected) {
            ASSERT_TRUE(last.count(part)) << static_cast<int>(part);
            EXPECT_EQ(last[part], visible) << static_cast<int>(part);
        }
        if (c.expected.empty()) {
            EXPECT_TRUE(last.empty());
        }
    }
}

struct PollTest : ::testing::Test {
    FakePort port;
    FakeHost host;
    Engine engine{port, host};
    dalvex::test::RecordingStatusHost window;
    StatusPoll poll{engine, window};
    std::vector<StatusBytes>& refreshed = window.refreshed;
    int& testEnds = window.testEnds;

    void feed(const Bytes& bytes) {
        port.waiting.insert(port.waiting.end(), bytes.begin(), bytes.end());
        engine.AsynComm321RxChar(static_cast<int>(bytes.size()));
    }
    // Answers the byte read the engine wrote last with value.
    void answer(std::uint8_t value) {
        const Bytes& w = port.writes.back();
        feed(FrameBytes(0xAB, w[1], w[2], value));
    }
};

TEST_F(PollTest, APassReadsSixteenStatusBytesThenWaitsForTheCountdown) {
    for (int i = 0; i < 16; ++i)
        engine.ConfigImage.set(static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(0x40 + i));
    poll.Open();
    poll.Start();
    EXPECT_EQ(engine.StatusPoll, 2);
    engine.tick();
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(port.writes.size(), static_cast<std::size_t>(i + 1));
        const int address = 512 + i;
        EXPECT_EQ(port.writes.back(), FrameBytes(static_cast<std::uint8_t>(address >> 8), 2,
                                                 static_cast<std::uint8_t>(address & 0xFF), 0));
        if (i == 3) {
            // A reply for another address is not taken; the same read is still awaited.
            feed(FrameBytes(0xAB, 2, 0x99, 7));
            EXPECT_EQ(engine.MemAddr, address);
        }
        answer(static_cast<std::uint8_t>(100 + i));
    }
    ASSERT_EQ(refreshed.size(), 1u);
    EXPECT_EQ(refreshed[0][0], 100);
    EXPECT_EQ(refreshed[0][15], 115);
    EXPECT_EQ(engine.ConfigImage.at(3), 103) << "the pass is stored from image offset 0";
    EXPECT_EQ(poll.ConnectCount, 1);
    EXPECT_EQ(poll.AliveTicks, kAliveSeconds);
    EXPECT_EQ(engine.MemAddr, 512);
    EXPECT_EQ(engine.BlockIndex, 0);
    EXPECT_EQ(engine.Remaining, 16);

    // The next pass goes out when the countdown of 5 ticks has run out.
    for (int i = 0; i < 5; ++i)
        engine.tick();
    EXPECT_EQ(port.writes.size(), 16u);
    engine.tick();
    EXPECT_EQ(port.writes.size(), 17u);
    EXPECT_EQ(port.writes.back(), FrameBytes(2, 2, 0, 0));

    // "COM OK" for three seconds after the pass, then "COM ERROR".
    EXPECT_TRUE(poll.SecondElapsed());
    EXPECT_TRUE(poll.SecondElapsed());
    EXPECT_TRUE(poll.SecondElapsed());
    EXPECT_FALSE(poll.SecondElapsed());

    // Closing: idle, plain byte reads again, and the image bytes as they were.
    poll.Stop();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(engine.StatusPoll, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(engine.ConfigImage.at(static_cast<std::uint32_t>(i)), 0x40 + i);
}

TEST_F(PollTest, TestEndWritesBBToAddress75AndThePollGoesOn) {
    poll.Open();
    poll.Start();
    engine.tick();
    answer(1);
    answer(2); // two bytes of a pass, then the button
    poll.StartTestEnd();
    engine.TimeoutTicks = 0;
    engine.tick();
    EXPECT_EQ(port.writes.back(), FrameBytes(0, 1, 75, 0xBB));
    feed(FrameBytes(0xAA, 1, 75, 0xBB)); // no acknowledgement mark
    EXPECT_EQ(testEnds, 0);
    feed(FrameBytes(0xAB, 1, 75, 0xBB));
    EXPECT_EQ(testEnds, 1);
    // The window is still open: a fresh pass from 512.
    EXPECT_EQ(engine.OpState, state::StatusPollState);
    EXPECT_EQ(engine.MemAddr, 512);
    EXPECT_EQ(engine.Remaining, 16);

    // Without the window, the write ends idle.
    poll.Stop();
    poll.StartTestEnd();
    engine.TimeoutTicks = 0;
    engine.tick();
    feed(FrameBytes(0xAB, 1, 75, 0xBB));
    EXPECT_EQ(engine.OpState, 0);
}

TEST(MonitorText, LineEndsControlBytesAndCodePage) {
    struct Case {
        const char* what;
        std::vector<Bytes> chunks;
        QString text;
    };
    const Case cases[] = {
        {"CR LF", {{'a', '\r', '\n', 'b'}}, QStringLiteral("a\nb")},
        {"CR LF split between chunks", {{'a', '\r'}, {'\n', 'b'}}, QStringLiteral("a\nb")},
        {"lone CR", {{'a', '\r', 'b'}}, QStringLiteral("a\nb")},
        {"lone LF and LF CR", {{'a', '\n', '\r', 'b'}}, QStringLiteral("a\n\nb")},
        {"NUL and DEL", {{0x00, 'x', 0x7F}}, QString(QChar(0x2400)) + 'x' + QChar(0x2421)},
        {"0xFF and accents", {{0xFF, 0xE1, 0x8A}}, QString(QChar(0x02D9)) + QChar(0xE1) + QChar(0x160)},
        {"tab", {{'\t', 'x'}}, QStringLiteral("\tx")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MonitorTextDecoder d;
        QString out;
        for (const Bytes& chunk : c.chunks)
            d.Decode(chunk, out);
        EXPECT_EQ(out, c.text);
    }
    MonitorTextDecoder d;
    QString out;
    d.Decode(Bytes{'a'}, out);
    EXPECT_FALSE(d.AtLineStart());
    d.Decode(Bytes{'\r'}, out);
    EXPECT_TRUE(d.AtLineStart());
}

TEST(SimStatusMonitor, StatusReadsMonitorFramesAndASteadyTrace) {
    sim::ModuleSim m;
    m.status().registers[3] = 17;
    m.memory()[515] = 0x55; // configuration memory beneath is not what command 2 reads
    EXPECT_EQ(m.feed(FrameBytes(2, 2, 3, 0)), FrameBytes(0xAB, 2, 3, 17));
    EXPECT_EQ(m.feed(FrameBytes(2, 0, 3, 0)), FrameBytes(0xAB, 0, 3, 0x55));
    EXPECT_EQ(m.feed(FrameBytes(0, 2, 75, 0)), FrameBytes(0xAB, 2, 75, 0)) << "outside 512..527: memory";

    constexpr std::int64_t s = 1'000'000'000;
    EXPECT_TRUE(m.tick(10 * s).empty()) << "no trace before monitor on";
    EXPECT_EQ(m.feed(FrameBytes(0, 0xFB, 1, 0)), FrameBytes(0xAB, 0xAC, 1, 0));
    EXPECT_TRUE(m.status().monitorOn());
    m.status().traceLinesPerSecond = 20;
    EXPECT_TRUE(m.tick(100 * s).empty()) << "the stream starts now";
    const std::uint8_t odd[] = {0x00, 0xFF, '\r'};
    m.status().queueTrace(odd);
    const auto first = m.tick(100 * s + s / 2);
    ASSERT_GE(first.size(), 3u);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 3), Bytes(std::begin(odd), std::end(odd)));
    const auto rest = m.tick(101 * s);
    EXPECT_EQ(m.status().traceLines(), 20u) << "20 lines a second, whatever the tick spacing";
    EXPECT_EQ(rest.back(), '\n');
    // After a long stall only a bounded catch-up.
    m.tick(200 * s);
    EXPECT_LE(m.status().traceLines(), 20u + 50u);

    EXPECT_EQ(m.feed(FrameBytes(0, 0xFB, 0, 0)), FrameBytes(0xAB, 0xAC, 0, 0));
    EXPECT_TRUE(m.tick(300 * s).empty());
}

} // namespace
