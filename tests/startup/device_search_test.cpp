// The module search of the start window, driven tick by tick with a recording host.

#include "startup/device_search.h"

#include <QMap>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace dalvex;

namespace {

struct FakeHost : SearchHost {
    std::vector<std::string> log; // "open COM3", "close", "probe", "alt"
    std::string portName = "COM1";
    QMap<QString, QString> settings;
    QString label = "Keresés";
    int selected = -1;
    bool identified = false;
    int autoButtonEnabled = 0;
    int indicatorEnabled = 0;

    void SetPortName(const std::string& n) override { portName = n; }
    void OpenPort() override {
        log.push_back("open " + portName);
        open = opens;
        lost = false;
    }
    void ClosePort() override {
        log.push_back("close");
        open = lost = false;
    }
    void WriteFrame(const SixByteFrame& f) override {
        log.push_back(f == kIdentificationProbe ? "probe" : f == kAlternateProbe ? "alt" : "other");
    }
    QString ReadSetting(const QString& n) override { return settings.value(n); }
    void WriteSetting(const QString& n, const QString& v) override { settings[n] = v; }
    void SelectPortPosition(int p) override { selected = p; }
    void EnableAutoSearchButton() override { ++autoButtonEnabled; }
    QString ModuleLabel() override { return label; }
    void SetModuleLabel(const QString& t) override { label = t; }
    void ModuleIdentified() override { identified = true; }
    void EnableIndicator() override { ++indicatorEnabled; }
    bool PortIsOpen() override { return open; }
    bool PortLost() override { return lost; }
    void ModuleWithdrawn() override { ++withdrawn; }

    bool open = true;  // the port as the search finds it
    bool opens = true; // whether an open succeeds (false: the adapter is not plugged in)
    bool lost = false;
    int withdrawn = 0;

    std::vector<std::string> take() { return std::exchange(log, {}); }
};

SixByteFrame reply(std::uint8_t data) {
    return SixByteFrame::make(0xAB, 0, 0xFF, data);
}

struct SearchFixture : ::testing::Test {
    FakeHost host;
    DeviceSearch search{host, ModelNames{}};
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            search.SendTick();
    }
};

} // namespace

TEST_F(SearchFixture, ProbeCycleIsFourProbesSilenceFourAlternatesSilence) {
    search.SearchState = DeviceSearch::Identify;
    ticks(10);
    EXPECT_EQ(host.take(),
              (std::vector<std::string>{"probe", "probe", "probe", "probe", "alt", "alt", "alt", "alt"}));
    EXPECT_EQ(search.SearchState, DeviceSearch::Identify);
}

TEST_F(SearchFixture, ValidReplySkipsThreeTicks) {
    search.SearchState = DeviceSearch::Identify;
    ticks(1);
    search.HandleReply(reply(50)); // unsupported code: remembered only
    EXPECT_EQ(search.ModuleCode, 50);
    EXPECT_FALSE(host.identified);
    host.take();
    ticks(3);
    EXPECT_TRUE(host.take().empty());
    ticks(1);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"probe"}));
}

TEST_F(SearchFixture, IdentificationByCodeAndDeviceFilter) {
    struct Case {
        const char* device;
        int data;
        int code;
        const char* label;
        bool identified;
    };
    const Case cases[] = {
        {"0", 72, 72, "Telgor GSM", true},   {"0", 73, 73, "Simvo GSM", true},
        {"0", 74, 74, "Varnet GSM", true},   {"0", 75, 75, "Portun", true},
        {"0", 71, 71, "Keresés", false},     {"ALL", 71, 72, "Other module!", true},
        {"ALL", 72, 72, "Telgor GSM", true}, {"", 76, 76, "Keresés", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + " " + std::to_string(c.data));
        FakeHost h;
        DeviceSearch s(h, ModelNames{});
        s.SetDeviceSetting(c.device);
        s.SearchState = DeviceSearch::Identify;
        s.HandleReply(reply(static_cast<std::uint8_t>(c.data)));
        EXPECT_EQ(s.ModuleCode, c.code);
        EXPECT_EQ(h.label, c.label);
        EXPECT_EQ(h.identified, c.identified);
        EXPECT_EQ(s.CanStart(), c.identified);
    }
    // With "ALL", a real 72 after an "Other module!" keeps that label.
    search.SetDeviceSetting("ALL");
    search.SearchState = DeviceSearch::Identify;
    search.HandleReply(reply(71));
    search.HandleReply(reply(72));
    EXPECT_EQ(host.label, "Other module!");
}

TEST_F(SearchFixture, AutomaticSearchFindsTheModuleOnCom3) {
    search.SearchState = DeviceSearch::Identify;
    search.StartAutoSearch();
    for (int port = 1; port <= 3; ++port) {
        ticks(2); // open, probe
        if (port == 3) search.HandleReply(reply(72));
        search.ReplyDelay = 0; // the test stands in for the reply delay
        ticks(1);              // close and judge
    }
    EXPECT_EQ(host.take(), (std::vector<std::string>{"open COM1", "probe", "close", "open COM2", "probe",
                                                     "close", "open COM3", "probe", "close"}));
    EXPECT_EQ(host.settings["comport"], "COM3");
    EXPECT_EQ(host.selected, 2);
    EXPECT_EQ(host.autoButtonEnabled, 1);
    EXPECT_EQ(search.SearchState, DeviceSearch::ClosePortState);
    ticks(3); // close, reopen the saved port, probe
    EXPECT_EQ(host.take(), (std::vector<std::string>{"close", "open COM3", "probe"}));
}

TEST_F(SearchFixture, SearchIgnoresImplausibleAnswersAndWrapsAfterCom64) {
    search.StartAutoSearch();
    search.PortNumber = 64;
    for (std::uint8_t data : {std::uint8_t{10}, std::uint8_t{254}}) {
        search.SearchState = DeviceSearch::ProbePort;
        search.HandleReply(reply(data));
        EXPECT_FALSE(search.PortFound) << int(data);
    }
    search.SearchState = DeviceSearch::JudgePort;
    search.ReplyDelay = 0;
    ticks(1);
    EXPECT_EQ(search.PortNumber, 1);
    EXPECT_EQ(search.SearchState, DeviceSearch::NextPort);
    ticks(1);
    EXPECT_EQ(host.portName, "COM1");
    search.PortNumber = 12;
    search.SearchState = DeviceSearch::NextPort;
    ticks(1);
    EXPECT_EQ(host.portName, "\\\\.\\COM12");
}

TEST_F(SearchFixture, ChosenPortIsSavedAndReopened) {
    search.SearchState = DeviceSearch::Identify;
    for (int position : {8, 11}) {
        search.ChoosePort(position);
        ticks(3);
        const std::string name = position == 8 ? "COM9" : "\\\\.\\COM12";
        EXPECT_EQ(host.settings["comport"].toStdString(), name);
        EXPECT_EQ(host.take(), (std::vector<std::string>{"close", "open " + name, "probe"}));
    }
    // A missing setting reopens COM1.
    host.settings.clear();
    search.SearchState = DeviceSearch::ReopenPort;
    ticks(1);
    EXPECT_EQ(host.portName, "COM1");
}

TEST_F(SearchFixture, StoppingReleasesThePortOnceAndAnyStateTakesItBack) {
    search.SearchState = DeviceSearch::Stopped;
    ticks(3);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"close"}));
    EXPECT_TRUE(search.PortReleased);
    search.SearchState = DeviceSearch::Identify;
    ticks(1);
    EXPECT_FALSE(search.PortReleased);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"open COM1", "probe"}));
}

TEST_F(SearchFixture, ReceivedBytesAreFramedBeforeHandling) {
    search.SearchState = DeviceSearch::Identify;
    const auto r = reply(74);
    search.ReceiveBytes(std::span(r.bytes).first(2));
    search.ReceiveBytes(std::span(r.bytes).subspan(2));
    EXPECT_EQ(search.ModuleCode, 74);
    auto bad = r;
    bad.bytes[3] = 73; // check bytes no longer match
    ticks(4);
    search.ReceiveBytes(bad.bytes);
    EXPECT_EQ(search.ModuleCode, 74);
}

// An adapter pulled after the module was identified: the module is withdrawn and the port closed
// at once; the saved port is tried again every few ticks while it will not open, and once it
// opens the probes go out again and the next module is identified afresh.
TEST_F(SearchFixture, LostPortWithdrawsTheModuleAndIsReopenedUntilTheAdapterIsBack) {
    host.settings["comport"] = "COM4";
    search.SearchState = DeviceSearch::Identify;
    search.HandleReply(reply(73));
    ASSERT_TRUE(search.CanStart());
    ticks(3); // the silence after a reply
    host.take();

    host.lost = true;
    host.opens = false;
    ticks(1);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"close"}));
    EXPECT_EQ(host.withdrawn, 1);
    EXPECT_FALSE(search.CanStart());

    // Closed: nothing is written; the open is retried every kReopenTicks ticks.
    ticks(DeviceSearch::kReopenTicks * 2);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"open COM4", "open COM4"}));

    host.opens = true;
    ticks(DeviceSearch::kReopenTicks);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"open COM4"}));
    ticks(1);
    EXPECT_EQ(host.take(), (std::vector<std::string>{"probe"}));
    search.HandleReply(reply(74));
    EXPECT_EQ(search.ModuleCode, 74);
    EXPECT_TRUE(search.CanStart());
    EXPECT_EQ(host.withdrawn, 1);
}

TEST(SearchIndicator, DotsCycleAndPortNumberDuringSearch) {
    SearchIndicator ind;
    EXPECT_EQ(ind.Tick("???", DeviceSearch::Identify, 1), std::nullopt);
    EXPECT_EQ(ind.Tick("", DeviceSearch::Identify, 1), std::nullopt);
    std::vector<QString> shown;
    for (int i = 0; i < 7; ++i)
        shown.push_back(*ind.Tick(i == 0 ? "Keresés" : "x", DeviceSearch::Identify, 1));
    EXPECT_EQ(shown, (std::vector<QString>{"", "Keresés.", "Keresés..", "Keresés...", "Keresés....",
                                           "Keresés.....", "Keresés."}));
    ind.Restart();
    EXPECT_EQ(*ind.Tick("Searching", DeviceSearch::NextPort, 7), "Searching 7");
    EXPECT_EQ(*ind.Tick("", DeviceSearch::ProbePort, 7), "Searching 7.");
}
