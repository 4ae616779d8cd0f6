// The firmware window on the K6 window, against the module simulator on a pseudo-terminal: the
// menu items, the processor shown, the download with its progress and the window closing when the
// module answers again. The test ticks the engine itself; message boxes go through the hook.

#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6media/firmware_download.h"
#include "serial/async32.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/firmware_folder.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/k6_firmware_side.h"
#include "ui/firmware_images.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/firmware_window.h"
#include "ui/language_pass.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

struct FirmwareWindowFixture : test::SimWindowFixture {
    // The user's firmware folder, with good images for slots 10, 12, 13 and 14 unless a test puts
    // others there.
    QString userFirmware() const { return qEnvironmentVariable("XDG_DATA_HOME") + "/Dalvex/firmware"; }
    bool goodImages = true;

    // A module of this type and version on COM1, handed over, with its version read.
    void connect(std::uint8_t type, std::uint8_t version) {
        if (goodImages) test::FirmwareFolder(userFirmware()).addGoodImages();
        module.withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(type);
            m.setVersion(version);
        });
        WriteSetting(kKey, "mode", "7302518"); // the developer menu
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        test::CreateFormsWithTimersHeld();
        ASSERT_TRUE(test::HandOverFoundModule(module));
        configWindow->Activate();
        startWindow->SendTick();
        ASSERT_TRUE(run([&] { return engine().OpState == 0; }));
        ASSERT_EQ(engine().Version, version);
    }
    // Ticks the engine as its timer would, each tick once the line is quiet.
    template <typename Pred> bool run(Pred done, int maxTicks = 3000) { return runUntil(done, maxTicks); }
    bool identified() { return engine().OpState == 0 && firmwareWindow->ProcessorLabel->text() != "?"; }
};

} // namespace

TEST_F(FirmwareWindowFixture, WindowIdentifiesTheModuleDownloadsAndClosesWhenTheModuleAnswers) {
    connect(74, 84);
    configWindow->MenuItem("FirmwareDownload1")->trigger();
    ASSERT_TRUE(firmwareWindow->isVisible());
    EXPECT_TRUE(firmwareWindow->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(firmwareWindow->windowModality(), Qt::ApplicationModal);
    EXPECT_NEAR(firmwareWindow->windowOpacity(), 220.0 / 255.0, 0.01);
    const QRegion mask = firmwareWindow->mask();
    EXPECT_TRUE(mask.contains(firmwareWindow->rect().center()));
    EXPECT_FALSE(mask.contains(QPoint(0, 0))) << "rounded corners";
    EXPECT_EQ(firmwareWindow->DownloadButton->text(), "Download Start (8.3 J10)");
    EXPECT_FALSE(firmwareWindow->DownloadButton->isEnabled());
    EXPECT_EQ(engine().OpState, k6media::state::ProcessorQuery);

    ASSERT_TRUE(run([&] { return identified(); }));
    EXPECT_EQ(firmwareWindow->ProcessorLabel->text(), "Processor: J10/Varnet");
    EXPECT_EQ(firmwareWindow->SoftwareVersionLabel->text(), "SW:84");
    EXPECT_EQ(firmwareWindow->HardwareCodeLabel->text(), "HW:74");
    EXPECT_TRUE(firmwareWindow->DownloadButton->isEnabled());
    EXPECT_TRUE(firmwareWindow->NoNewFirmwareLabel->isHidden());

    firmwareWindow->DownloadButton->click();
    ASSERT_TRUE(firmwareImages->ConversionTimer->isActive());
    firmwareImages->ConversionTick(); // its first tick
    EXPECT_FALSE(firmwareImages->ConversionTimer->isActive());
    EXPECT_EQ(engine().OpState, k6media::state::FirmwareStart);
    ASSERT_TRUE(run([&] { return firmwareWindow->Progress->value() >= 100; }));
    EXPECT_EQ(firmwareWindow->Headline->text(), "Memory Download");
    ASSERT_TRUE(run([&] { return engine().OpState == k6media::state::FirmwareProgram; }));
    EXPECT_EQ(firmwareWindow->Progress->value(), 255);
    ASSERT_TRUE(run([&] { return firmwareWindow->ProgrammingTimer->isActive(); }));
    EXPECT_EQ(firmwareWindow->Headline->text(), "FPGA Download please wait...");
    EXPECT_EQ(firmwareWindow->Progress->value(), 0);
    firmwareWindow->ProgrammingTick();
    EXPECT_EQ(firmwareWindow->Progress->value(), 1);

    ASSERT_TRUE(run([&] { return !firmwareWindow->isVisible(); }));
    EXPECT_FALSE(firmwareWindow->ProgrammingTimer->isActive());
    EXPECT_EQ(firmwareWindow->Progress->value(), 0);
    std::uint64_t loads = 0;
    bool same = false;
    module.withModule([&](sim::ModuleSim& m) {
        loads = m.firmware().logicLoads;
        const auto pages = m.memory().subspan(0x3E0000, 65280);
        same = std::equal(pages.begin(), pages.end(), firmwareImages->FirmwareImage.begin());
    });
    EXPECT_EQ(loads, 1u);
    EXPECT_TRUE(same);
}

TEST_F(FirmwareWindowFixture, OlderImageIsOfferedOnlyThroughThePopUpMenu) {
    connect(74, 85);
    configWindow->MenuItem("FirmwareDownload1")->trigger();
    ASSERT_TRUE(run([&] { return identified(); }));
    EXPECT_FALSE(firmwareWindow->DownloadButton->isEnabled());
    EXPECT_FALSE(firmwareWindow->NoNewFirmwareLabel->isHidden());
    EXPECT_EQ(firmwareWindow->NoNewFirmwareLabel->text(), "Nincs elérhető új Firmware!");
    ASSERT_EQ(firmwareWindow->NoNewFirmwareLabel->actions().size(), 1);
    EXPECT_EQ(firmwareWindow->NoNewFirmwareLabel->actions()[0]->text(), "Download OLD firmware!");
    firmwareWindow->NoNewFirmwareLabel->actions()[0]->trigger();
    EXPECT_TRUE(firmwareImages->ConversionTimer->isActive());
    firmwareImages->ConversionTimer->stop();

    firmwareWindow->ExitButton->click(); // "Kilépés"
    EXPECT_FALSE(firmwareWindow->isVisible());
    EXPECT_EQ(engine().OpState, 0);
}

TEST_F(FirmwareWindowFixture, J11HasNoImageAndSaysSo) {
    connect(72, 84);
    module.withModule([](sim::ModuleSim& m) { m.firmware().processor = sim::Processor{11, 1}; });
    configWindow->MenuItem("FirmwareDownload1")->trigger();
    ASSERT_TRUE(run([&] { return identified(); }));
    EXPECT_EQ(firmwareWindow->ProcessorLabel->text(), "Processor: J11");
    ASSERT_TRUE(firmwareWindow->DownloadButton->isEnabled());
    firmwareWindow->DownloadButton->click();
    firmwareImages->ConversionTick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Ehhez a modulhoz (Telgor J11) nincs firmware-kép a firmware mappákban. "
                        "Semmi sem lett elküldve.");
    EXPECT_EQ(engine().OpState, 0);
    firmwareWindow->ExitClick();
}

// The stand-in images in the user's firmware folder: refused without the developer switch, and
// with it the headline says all along that a stand-in is loaded.
TEST_F(FirmwareWindowFixture, StandinImageNeedsTheSwitchAndIsNamedInTheHeadline) {
    goodImages = false;
    test::FirmwareFolder(userFirmware()).copyStandins();
    connect(74, 84);
    for (const bool standinSwitch : {false, true}) {
        SCOPED_TRACE(standinSwitch);
        test::StandinSwitch sw(standinSwitch);
        shown.clear();
        configWindow->MenuItem("FirmwareDownload1")->trigger();
        ASSERT_TRUE(run([&] { return identified(); }));
        EXPECT_EQ(firmwareWindow->DownloadButton->text(), "Download Start (8.3 J10)");
        EXPECT_EQ(firmwareWindow->Headline->text(),
                  "Firmware download memory and FPGA \u2013 HELYETTESÍTŐ KÉP, NEM VALÓDI FIRMWARE");
        const std::size_t before = module.receivedCount();
        firmwareWindow->DownloadButton->click();
        firmwareImages->ConversionTick();
        if (!standinSwitch) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0], userFirmware() + "/standin-slot13.txt nem valódi firmware, csak tesztelésre szolgáló "
                                                 "helyettesítő kép, ezért modulba nem tölthető. Semmi sem lett elküldve.");
            EXPECT_EQ(engine().OpState, 0);
            run([] { return false; }, 30);
            EXPECT_EQ(module.receivedCount(), before) << "nothing went to the module";
            firmwareWindow->ExitClick();
            continue;
        }
        EXPECT_TRUE(shown.empty());
        ASSERT_TRUE(run([&] { return firmwareWindow->Progress->value() >= 10; }));
        EXPECT_EQ(firmwareWindow->Headline->text(),
                  "Memory Download \u2013 HELYETTESÍTŐ KÉP, NEM VALÓDI FIRMWARE");
        // The language pass of an activation of the K6 window refreshes every window's texts; in
        // the middle of a download the headline still names the step.
        ApplyActivationLanguagePass(*configWindow);
        EXPECT_EQ(firmwareWindow->Headline->text(),
                  "Memory Download \u2013 HELYETTESÍTŐ KÉP, NEM VALÓDI FIRMWARE");
        firmwareWindow->ExitClick();
    }
}

TEST_F(FirmwareWindowFixture, DeveloperItemsOpenTheWindowAndVer2Repeats20Times) {
    connect(72, 83);
    configWindow->MenuItem("FPGAdownloadteszt1")->trigger();
    EXPECT_TRUE(firmwareWindow->isVisible());
    EXPECT_EQ(configWindow->FirmwareSide()->Download().FpgaRetry, 0);
    firmwareWindow->ExitClick();
    configWindow->MenuItem("FPGAVER21")->trigger();
    EXPECT_TRUE(firmwareWindow->isVisible());
    EXPECT_EQ(configWindow->FirmwareSide()->Download().FpgaRetry, 20);
    firmwareWindow->ExitClick();
}

// Each slot's image version shows on that slot's version label; the J11 row has none.
TEST(FirmwareImagesWindow, EachSlotsVersionOnItsOwnLabel) {
    test::FirmwareFolder folder;
    const std::pair<int, int> versions[] = {{10, 81}, {11, 86}, {12, 82}, {13, 84}, {14, 85}};
    for (auto [slot, version] : versions)
        folder.add(slot, version, test::MakeImageText(static_cast<std::uint8_t>(slot)));
    FirmwareImages images;
    images.Store = k6media::FirmwareData(QStringList{folder.path()});
    images.ShowImages();
    const std::pair<const char*, const char*> shown[] = {
        {"Label11", "81"}, {"Label12", "82"}, {"Label13", "84"}, {"Label14", "85"}};
    for (auto [label, text] : shown) {
        ASSERT_NE(images.Label(QString::fromLatin1(label)), nullptr) << label;
        EXPECT_EQ(images.Label(QString::fromLatin1(label))->text(), QString::fromLatin1(text)) << label;
    }
    for (const QLabel* l : images.findChildren<QLabel*>())
        EXPECT_NE(l->text(), QStringLiteral("86")) << l->objectName().toStdString();
}

// The K6 window's language timer may run its pass while a download is on its way: the headline
// keeps naming the step, and the window opened again starts from the idle headline.
TEST_F(FirmwareWindowFixture, ALanguagePassInTheMiddleOfADownloadKeepsItsStep) {
    connect(74, 84);
    configWindow->MenuItem("FirmwareDownload1")->trigger();
    ASSERT_TRUE(run([&] { return identified(); }));
    const QString idle = firmwareWindow->Headline->text();
    firmwareWindow->DownloadButton->click();
    firmwareImages->ConversionTick();
    ASSERT_TRUE(run([&] { return firmwareWindow->Progress->value() >= 10; }));
    ASSERT_EQ(firmwareWindow->Headline->text(), "Memory Download");
    RunStartLanguagePass(*configWindow);
    EXPECT_EQ(firmwareWindow->Headline->text(), "Memory Download");

    ASSERT_TRUE(run([&] { return !firmwareWindow->isVisible(); }));
    configWindow->MenuItem("FirmwareDownload1")->trigger();
    EXPECT_EQ(firmwareWindow->Headline->text(), idle);
    ASSERT_TRUE(run([&] { return identified(); }));
}
