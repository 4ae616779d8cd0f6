#include "status_poll.h"

#include "k6link/core_states.h"

#include <algorithm>

namespace dalvex::k6link {

namespace {

constexpr int kMaxSignal = 31;

Picture PictureOf(std::uint8_t byte, int bit) {
    return (byte >> bit) & 1 ? Picture::Ki : Picture::Be;
}

QString GsmStateText(std::uint8_t v, const StatusTexts& t) {
    switch (v) {
    case 0:
        return t.NoError;
    case 1:
        return t.ModemConfig;
    case 2:
        return t.NoGsmModule;
    case 3:
        return t.NoSim;
    case 4:
        return t.SimLocked;
    case 10:
        return t.ModemMode;
    case 12:
        return QString::fromUtf8(kStatusFixed::MonitorMode);
    default:
        return QString::fromUtf8(kStatusFixed::UnknownError) + QString::number(v);
    }
}

// The Contact ID dialler's state; empty for the values that keep "Nincs hiba".
QString DiallerText(std::uint8_t v) {
    static const char* const kTexts[] = {"CID: Tárcsázás", "CID: Felvéve a vonal", "CID: handshake várása",
                                         "CID: Send DTMF", "CID: CID send ok"};
    if (v < 1 || v > 5) return {};
    return QString::fromUtf8(kTexts[v - 1]);
}

// The line interface's state; empty for 0xFF, which shows nothing.
QString SlicText(std::uint8_t v) {
    struct Known {
        std::uint8_t value;
        const char* text;
    };
    static constexpr Known kKnown[] = {
        {0, "SLIC: Nincs kommunikáció (0)"},
        {7, "SLIC: SPI kommunikáció van (7)"},
        {8, "SLIC: SPI vétel van, de totál rossz (8)"},
        {9, "SLIC: Check type, check voltage (9)"},
        {12, "SLIC: voltage ok, start calib1 (12)"},
        {16, "SLIC:  calib1 ok, start calib2 (16)"},
        {17, "SLIC:  calib2 ok, write parameter (17)"},
    };
    if (v == 0xFF) return {};
    for (const Known& k : kKnown)
        if (k.value == v) return QString::fromUtf8(k.text);
    return QString::fromUtf8(kStatusFixed::SlicPrefix) + QString::number(v);
}

} // namespace

GaugeColour GaugeColourOf(int signal) {
    if (signal > 20) return GaugeColour::Lime;
    if (signal > 15) return GaugeColour::Green;
    if (signal > 10) return GaugeColour::Blue;
    if (signal > 5) return GaugeColour::Yellow;
    return GaugeColour::Red;
}

int TemperatureOf(std::uint8_t byte) {
    const int magnitude = byte & 0x7F;
    return byte & 0x80 ? -magnitude : magnitude;
}

StatusDisplay StatusDisplayOf(const StatusBytes& s, int moduleType, int moduleCode, const StatusTexts& t) {
    StatusDisplay d;
    for (int i = 0; i < 4; ++i)
        d.Inputs[static_cast<std::size_t>(i)] = PictureOf(s[0], i);
    d.Tamper = PictureOf(s[4], 0);
    d.Supply = PictureOf(s[4], 1);
    d.Output1 = PictureOf(s[4], 2);
    d.Output2 = PictureOf(s[4], 3);
    d.Arming = PictureOf(s[4], 4);
    d.SupplyPanelRed = (s[4] >> 1) & 1;
    d.Output2PanelRed = (s[4] >> 3) & 1;

    d.Network = s[1] < t.Network.size()
                    ? t.Network[s[1]]
                    : QString::fromUtf8(kStatusFixed::UnknownNetwork) + QString::number(s[1]);
    d.ErrorField = GsmStateText(s[2], t);
    if (s[2] == 0)
        if (const QString cid = DiallerText(s[11]); !cid.isEmpty()) d.ErrorField = cid;

    // The gauge ends at 31; a larger value (the modem's 99, "not known") keeps it full.
    d.Signal = std::min<int>(s[3], kMaxSignal);
    d.Colour = GaugeColourOf(s[3]);

    const auto digit = [&](int i) {
        return QChar::fromLatin1(static_cast<char>(s[static_cast<std::size_t>(i)]));
    };
    d.GsmTime = t.GsmTime + digit(5) + digit(6) + QLatin1Char(':') + digit(7) + digit(8);

    d.Temperature = TemperatureOf(s[9]);
    d.TemperatureText = QString::number(d.Temperature);

    if (moduleType == 74) {
        d.LineVoltage = t.LineVoltage + QString::number(s[12] * 15 / 10);
        d.Line = PictureOf(s[13], 0);
        if (const QString slic = SlicText(s[14]); !slic.isEmpty()) d.ErrorField = slic;
        // This model has no arming output to show.
        d.Arming = Picture::Blank;
    }
    if (moduleCode == 72 && !(s[4] & 0x80)) d.ErrorField = QString::fromUtf8(kStatusFixed::MemoryFault);
    if (moduleCode == 73) {
        d.CompactModel = true;
        d.Inputs[2] = d.Inputs[3] = Picture::Blank;
        d.Tamper = d.Output2 = d.Arming = d.Line = Picture::Blank;
    }
    return d;
}

std::vector<VisibilityRule> StatusVersionRules(int version, int moduleType) {
    std::vector<VisibilityRule> rules;
    if (version < 78) rules.push_back({StatusPart::LineValues, false});
    if (moduleType == 73) rules.push_back({StatusPart::Output2, false});
    if (moduleType == 74 && version >= 77) rules.push_back({StatusPart::LineValues, true});
    if (version < 18) rules.push_back({StatusPart::Temperature, false});
    return rules;
}

StatusPoll::StatusPoll(Engine& engine, StatusHost& host)
    : e_(engine)
    , host_(host) {
    StateTable& t = e_.States();
    t.add(StateDef(state::StatusPollState)
              .sends([](Engine& e) { e.ReadByte(); })
              .replies([this](Engine& e, std::span<const std::uint8_t> r) {
                  if (r[0] != kAckMark || r[2] != (e.MemAddr & 0xFF)) return false;
                  if (e.BlockIndex >= 0 && e.BlockIndex < kStatusBytes)
                      e.ConfigImage.set(static_cast<std::uint32_t>(e.BlockIndex), r[3]);
                  ++e.BlockIndex, --e.Remaining, ++e.MemAddr;
                  e.ClearRx();
                  if (e.Remaining > 0) {
                      e.SendStep();
                      return true;
                  }
                  Prepare();
                  AliveTicks = kAliveSeconds;
                  for (int i = 0; i < kStatusBytes; ++i)
                      last_[static_cast<std::size_t>(i)] = e.ConfigImage.at(static_cast<std::uint32_t>(i));
                  ++ConnectCount;
                  host_.StatusRefreshed(last_);
                  return true;
              }));
    t.add(StateDef(state::TestEnd)
              .sends([](Engine& e) { e.SendFrame(Frame(0, Cmd::WriteByte, kTestEndAddress, kTestEndValue)); })
              .replies([this](Engine& e, std::span<const std::uint8_t> r) {
                  if (r[0] != kAckMark) return false;
                  e.ClearRx();
                  e.OpState = state::Idle;
                  host_.TestEndDone();
                  // While the window is open the poll goes on; otherwise the window would turn
                  // "COM ERROR" with a module that answers.
                  if (e.StatusPoll == kStatusPollCommand) {
                      Prepare();
                      Start();
                  }
                  return true;
              }));
}

void StatusPoll::Open() {
    if (!saved_) {
        StatusBytes keep;
        for (int i = 0; i < kStatusBytes; ++i)
            keep[static_cast<std::size_t>(i)] = e_.ConfigImage.at(static_cast<std::uint32_t>(i));
        saved_ = keep;
    }
    Prepare();
}

void StatusPoll::Prepare() {
    e_.MemAddr = kStatusAddress;
    e_.BlockIndex = 0;
    e_.Remaining = kStatusBytes;
}

void StatusPoll::Start() {
    // Counters left inconsistent by another operation: the pass starts over.
    if (e_.MemAddr - kStatusAddress != e_.BlockIndex || e_.Remaining != kStatusBytes - e_.BlockIndex ||
        e_.Remaining <= 0 || e_.Remaining > kStatusBytes)
        Prepare();
    e_.OpState = state::StatusPollState;
    e_.StatusPoll = kStatusPollCommand;
    AliveTicks = 0;
}

void StatusPoll::Stop() {
    e_.OpState = state::Idle;
    e_.StatusPoll = 0;
    if (saved_) {
        for (int i = 0; i < kStatusBytes; ++i)
            e_.ConfigImage.set(static_cast<std::uint32_t>(i), (*saved_)[static_cast<std::size_t>(i)]);
        saved_.reset();
    }
}

void StatusPoll::StartTestEnd() {
    e_.OpState = state::TestEnd;
}

bool StatusPoll::SecondElapsed() {
    if (AliveTicks > 0) {
        --AliveTicks;
        return true;
    }
    return false;
}

} // namespace dalvex::k6link
