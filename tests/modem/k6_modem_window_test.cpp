// The K6 window's modem side against the simulated module over a pseudo-terminal: the phonebook
// buttons, the modem menu items with their dialogs, the GSM information and SMS service-centre
// windows. The test ticks the engine itself; dialogs and message boxes are answered through the
// hooks.

#include "k6config/page_values.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6link/modem_ops.h"
#include "k6link/monitor_mode.h"
#include "serial/settings.h"
#include "sim/gsm_modem.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/k6_modem_side.h"
#include "ui/k6pages/k6pages.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/gsm_info_window.h"
#include "ui/service_centre_window.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;
namespace k6state = dalvex::k6link::state;

namespace {

struct ModemWindowFixture : test::SimWindowFixture {
    std::vector<QString> asked;                      // every input dialog's caption and prompt
    std::deque<std::optional<QString>> inputAnswers; // for the input dialogs, in order

    void SetUp() override {
        test::SimWindowFixture::SetUp();
        K6ModemSide::InputDialogHook = [this](const QString& caption, const QString& prompt) {
            asked.push_back(caption + " | " + prompt);
            std::optional<QString> a;
            if (!inputAnswers.empty()) {
                a = inputAnswers.front();
                inputAnswers.pop_front();
            }
            return a;
        };
    }
    void TearDown() override {
        K6ModemSide::InputDialogHook = nullptr;
        test::SimWindowFixture::TearDown();
    }

    k6config::PageValues& grid() { return *configWindow->LocalValues; }
    template <class W> W* control(const char* name) {
        return configWindow->Pages->Control<W>(QString::fromLatin1(name));
    }

    std::vector<std::string> lines() {
        std::vector<std::string> out;
        module.withModule([&](sim::ModuleSim& m) { out = m.modem().lines(); });
        return out;
    }
    template <typename Fn> void withModem(Fn fn) {
        module.withModule([&](sim::ModuleSim& m) { fn(m.modem()); });
    }
    bool modemActive() {
        bool active = false;
        withModem([&](sim::GsmModem& m) { active = m.active(); });
        return active;
    }
    std::size_t received() { return module.receivedBytes().size(); }
};

} // namespace

TEST_F(ModemWindowFixture, KiolvasasFillsTheGridAndFeltoltesWritesItBack) {
    withModem([](sim::GsmModem& m) {
        m.setEntry(1, {"+36301112222", "Anna"});
        m.setEntry(2, {"06201234567", ""});
        m.setEntry(3, {"+3670555", "B\xE9la"});
    });
    connect();
    auto* read = control<QPushButton>("BitBtn5");
    auto* write = control<QPushButton>("BitBtn6");
    auto* progress = control<QProgressBar>("ProgressBar1");
    ASSERT_TRUE(read && write && progress && control<QPushButton>("Button2"));
    EXPECT_EQ(read->text(), "Kiolvasás");
    EXPECT_EQ(write->text(), "Feltöltés");

    read->click();
    EXPECT_FALSE(progress->isHidden());
    EXPECT_FALSE(write->isEnabled());
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(progress->isHidden());
    EXPECT_TRUE(write->isEnabled());
    EXPECT_EQ(configWindow->StatusPanel(3), "GSM telefonkönyv olvasás, kész");
    EXPECT_EQ(grid().cell("StringGrid1", 1, 1), "+36301112222");
    EXPECT_EQ(grid().cell("StringGrid1", 3, 2), "Béla");
    EXPECT_EQ(grid().cell("StringGrid1", 3, 0), "3");
    EXPECT_EQ(lines().back(), "AT+CPBR=020");

    // Row 12 gets a number and no name; "Új sor hozzáadása" opens the row after the last filled.
    control<QPushButton>("Button2")->click();
    auto* table = control<QTableWidget>("StringGrid1");
    EXPECT_EQ(table->currentRow(), 3);
    EXPECT_EQ(table->currentColumn(), 1);
    grid().setCell("StringGrid1", 12, 1, "+3620555");
    write->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Telefonkönyv beírás sikeres");
    withModem([](sim::GsmModem& m) {
        EXPECT_EQ(m.entry(12), (sim::PhonebookEntry{"+3620555", "SIM12"}));
        EXPECT_EQ(m.entry(3), (sim::PhonebookEntry{"+3670555", "B\xE9la"}));
    });
    EXPECT_TRUE(shown.empty());
}

TEST_F(ModemWindowFixture, ANumberTypedWithSeparatorsIsWrittenAsDigitsAndTheGridKeepsItAsTyped) {
    connect();
    auto* table = control<QTableWidget>("StringGrid1");
    ASSERT_TRUE(table);
    grid().setCell("StringGrid1", 5, 1, "+36 (30) 555-1234");
    grid().setCell("StringGrid1", 5, 2, "Dóra");
    control<QPushButton>("BitBtn6")->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(lines().back(), "AT+CPBW=005,\"+36305551234\",129,\"D\xF3ra\"");
    EXPECT_EQ(grid().cell("StringGrid1", 5, 1), "+36 (30) 555-1234");
    ASSERT_TRUE(table->item(4, 1));
    EXPECT_EQ(table->item(4, 1)->text(), "+36 (30) 555-1234");
}

TEST_F(ModemWindowFixture, ANameWithADoubleQuoteIsRefusedAndNothingIsSent) {
    connect();
    grid().setCell("StringGrid1", 7, 1, "0630");
    grid().setCell("StringGrid1", 7, 2, "Anna\"\r\nAT+CLCK=\"SC\",1,\"0000\"");
    const std::size_t before = received();
    control<QPushButton>("BitBtn6")->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains("7.")) << shown[0].toStdString();
    EXPECT_EQ(engine().OpState, 0);
    runUntil([] { return false; }, 10);
    EXPECT_EQ(received(), before);
}

TEST_F(ModemWindowFixture, PinDialogRefusesAWrongLengthAndSwitchesThePinOff) {
    connect();
    const std::size_t before = received();
    inputAnswers = {QString("123"), QString("12345"), std::nullopt};
    for (int i = 0; i < 3; ++i)
        configWindow->MenuItem("SIMPINkdkikapcsolsa1")->trigger();
    EXPECT_EQ(asked.front(), "PIN kód kikapcsolás | Kérjük, adja meg a SIM kártya PIN kódját");
    EXPECT_EQ(shown, (std::vector<QString>{"Helytelen PIN kód", "Helytelen PIN kód"}))
        << "a cancelled dialog says nothing";
    runUntil([] { return false; }, 10);
    EXPECT_EQ(received(), before) << "nothing is sent";

    inputAnswers = {QString("1234")};
    configWindow->MenuItem("SIMPINkdkikapcsolsa1")->trigger();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "PIN kód kikapcsolva");
    withModem([](sim::GsmModem& m) { EXPECT_FALSE(m.pinLock()); });
}

TEST_F(ModemWindowFixture, TestCallsSmsImeiAndReset) {
    connect();
    const std::size_t before = received();
    inputAnswers = {QString()};
    configWindow->MenuItem("SMStest1")->trigger();
    EXPECT_EQ(asked.back(), "SMS test | Kérjük, adja meg azt a telefonszámot, amire SMS-t kíván küldeni");
    runUntil([] { return false; }, 10);
    EXPECT_EQ(received(), before) << "the SMS test with an empty number sends nothing";

    inputAnswers = {std::nullopt};
    configWindow->MenuItem("Adathvsellenrzs1")->trigger();
    EXPECT_EQ(asked.back(), "Adathívás | Kérjük adja meg a telefonszámot, amit felhívjunk");
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(waitFor([&] { return !lines().empty() && lines().back() == "ATD"; }));

    inputAnswers = {QString("+36301234567")};
    configWindow->MenuItem("Voicehvstest1")->trigger();
    EXPECT_TRUE(asked.back().startsWith("VOICE hívás | "));
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(waitFor([&] { return lines().back() == "ATD+36301234567;"; }));

    configWindow->MenuItem("IMEInumber1")->trigger();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(shown, (std::vector<QString>{"Imei szám: 356938035643809\r"}));

    configWindow->MenuItem("ResetGSM1")->trigger();
    ASSERT_TRUE(runUntil([&] { return engine().OpState == k6state::GsmResetDone; }));
    EXPECT_TRUE(waitFor([&] { return !modemActive(); })) << "the status read ends modem mode";
}

TEST_F(ModemWindowFixture, GsmInformationWindowFillsItsSevenFields) {
    connect();
    configWindow->MenuItem("GSMinformcik1")->trigger();
    ASSERT_TRUE(gsmInfoWindow->isVisible());
    EXPECT_TRUE(gsmInfoWindow->isModal());
    waitFor([&] { return gsmInfoWindow->isActiveWindow(); }, 1000);
    EXPECT_EQ(engine().OpState, 0) << "opening does not start the queries";
    gsmInfoWindow->RereadButton->click();
    EXPECT_EQ(engine().OpState, k6state::ModemSwitch);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(gsmInfoWindow->Field(1), "");
    EXPECT_EQ(gsmInfoWindow->Field(2), "Revision:1137B10SIM900M64_ST");
    EXPECT_EQ(gsmInfoWindow->Field(3), "Enabled");
    EXPECT_EQ(gsmInfoWindow->Field(4), "356938035643809");
    EXPECT_EQ(gsmInfoWindow->Field(5), "216301234567890");
    EXPECT_EQ(gsmInfoWindow->Field(6), "+36209300099\",145");
    EXPECT_EQ(gsmInfoWindow->Field(7), "EGSM_DCS_MODE");
    EXPECT_EQ(gsmInfoWindow->Field(8), "0,\"Sim Mobile HU\"");
    gsmInfoWindow->Activate();
    EXPECT_EQ(gsmInfoWindow->Field(4), "") << "activation empties the fields";
}

TEST_F(ModemWindowFixture, ServiceCentreWindowSetsTheNumberAndClosingSendsMonitorOff) {
    connect();
    configWindow->MenuItem("SMSszervizszmbelltsa1")->trigger();
    ASSERT_TRUE(serviceCentreWindow->isVisible());
    EXPECT_TRUE(serviceCentreWindow->isModal());
    serviceCentreWindow->SetButton->click();
    EXPECT_EQ(shown, std::vector<QString>{"Hiba, nincs megadva a telefonszám"});
    EXPECT_EQ(engine().OpState, 0);

    serviceCentreWindow->Preset1Button->click();
    EXPECT_EQ(serviceCentreWindow->NumberEdit->text(), "+36309888000");
    serviceCentreWindow->Preset2Button->click();
    EXPECT_EQ(serviceCentreWindow->NumberEdit->text(), "+36209300099");
    serviceCentreWindow->Preset3Button->click();
    EXPECT_EQ(serviceCentreWindow->NumberEdit->text(), "+36709996500");
    serviceCentreWindow->SetButton->click();
    EXPECT_EQ(serviceCentreWindow->StatusLabel->text(), "Beállítás folyamatban!");
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(serviceCentreWindow->StatusLabel->text(), "Sikeres bejegyzés");
    EXPECT_EQ(lines().back(), "AT+CSCA=\"+36709996500\",145");
    withModem([](sim::GsmModem& m) { EXPECT_EQ(m.identity().serviceCentre, "+36709996500"); });
    EXPECT_TRUE(modemActive());

    serviceCentreWindow->ExitButton->click();
    EXPECT_FALSE(serviceCentreWindow->isVisible());
    EXPECT_EQ(engine().OpState, k6state::MonitorOff);
    ASSERT_TRUE(runToIdle());
    EXPECT_FALSE(modemActive()) << "the monitor off takes the module out of modem mode";
}

TEST_F(ModemWindowFixture, AnUnsolicitedRingDuringAReadLeavesTheGridRight) {
    withModem([](sim::GsmModem& m) {
        m.fillPhonebook(5);
        m.setFault(sim::ModemFault::Unsolicited, 4, 4);
    });
    connect();
    control<QPushButton>("BitBtn5")->click();
    ASSERT_TRUE(runToIdle());
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(grid().cell("StringGrid1", i, 0), QString::number(i));
        EXPECT_EQ(grid().cell("StringGrid1", i, 2), "Name " + QString::number(i));
    }
    EXPECT_EQ(grid().cell("StringGrid1", 6, 1), "");
}
