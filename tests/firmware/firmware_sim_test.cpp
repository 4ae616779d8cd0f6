// The firmware download against the module simulator on the in-process line: the test ticks the
// engine itself and the module's replies come on the line's own clock.

#include "k6link/core_states.h"
#include "tests/support/firmware_folder.h"
#include "tests/support/sim_rig.h"

#include <functional>
#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6media;

namespace {

constexpr std::uint32_t kImageAddress = 0x3E00u * 256u;

struct FirmwareWithModule : ::testing::Test {
    dalvex::test::SimRig rig;
    k6link::Engine& engine = rig.engine;
    dalvex::test::RecordingEngineHost& host = rig.host;
    k6link::MemoryWrite memoryWrite{engine};
    dalvex::test::FirmwareFolder images;
    FirmwareData data{QStringList{images.addGoodImages().path()}};
    dalvex::test::RecordingFirmwareHost fw;
    FirmwareDownload download{engine, memoryWrite, data, fw};

    // Ticks as the engine timer would until `done`.
    bool runUntil(const std::function<bool()>& done, int maxTicks = 3000) { return rig.run(done, maxTicks); }
    sim::FirmwareState firmware() {
        sim::FirmwareState f;
        rig.withModule([&](sim::ModuleSim& m) { f = m.firmware(); });
        return f;
    }
    std::uint64_t blocksStored() {
        std::uint64_t n = 0;
        rig.withModule([&](sim::ModuleSim& m) { n = m.memoryWriteBlocks(); });
        return n;
    }
    // The processor query answered for a module of this type and version.
    void identify(std::uint8_t type, std::uint8_t version) {
        rig.withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(type);
            m.setVersion(version);
        });
        engine.Version = version;
        download.StartProcessorQuery();
        ASSERT_TRUE(runUntil([&] { return engine.OpState == 0; }));
    }
};

} // namespace

TEST_F(FirmwareWithModule, EachModuleTypeIsIdentified) {
    struct Case {
        std::uint8_t type;
        int slot;
        QString processor;
    };
    for (const Case& c : {Case{72, 10, "Processor: J10/ Pro"}, Case{73, 12, "Processor: K22/ Mini"},
                          Case{74, 13, "Processor: J10/Varnet"}, Case{75, 14, "Processor: J10/ Door"}}) {
        SCOPED_TRACE(c.type);
        identify(c.type, 83);
        EXPECT_EQ(data.FirmwareSlot, c.slot);
        EXPECT_EQ(fw.processor, c.processor);
        EXPECT_EQ(fw.software, "SW:83");
        EXPECT_EQ(fw.hardware, QStringLiteral("HW:%1").arg(c.type));
        EXPECT_TRUE(fw.downloadEnabled);
    }
}

TEST_F(FirmwareWithModule, DownloadLeavesTheImageInTheModulesPagesAndTheModuleProgramsItself) {
    identify(74, 84);
    ASSERT_TRUE(fw.downloadEnabled);
    download.ConvertAndStart();
    ASSERT_TRUE(runUntil([&] { return host.firmwareClosed == 1; }));
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(memoryWrite.TransferError);
    EXPECT_EQ(blocksStored(), 255u);
    EXPECT_EQ(firmware().logicLoads, 1u);
    bool same = false;
    rig.withModule([&](sim::ModuleSim& m) {
        const auto pages = m.memory().subspan(kImageAddress, kFirmwareTransferBytes);
        same = std::equal(pages.begin(), pages.end(), data.FirmwareImage.begin());
    });
    EXPECT_TRUE(same) << "the module's pages hold the converted image";
    EXPECT_EQ(engine.Version, 84) << "the module answered its version after programming";
}

TEST_F(FirmwareWithModule, DroppedAcknowledgementStopsTheTransferBeforeProgramming) {
    identify(74, 84);
    rig.setFault(sim::Fault::DropAck, 100);
    download.ConvertAndStart();
    ASSERT_TRUE(runUntil([&] { return engine.OpState == 0; }));
    EXPECT_TRUE(memoryWrite.TransferError);
    EXPECT_EQ(fw.headline, "ERROR please check communication");
    EXPECT_EQ(blocksStored(), 101u) << "nothing after the block whose acknowledgement was lost";
    EXPECT_EQ(firmware().logicLoads, 0u);
    EXPECT_EQ(host.firmwareClosed, 0);
}

TEST_F(FirmwareWithModule, UnansweredProcessorQueryIsRepeatedAndOffersNothing) {
    rig.setFault(sim::Fault::NoProcessorReply);
    rig.withModule([](sim::ModuleSim& m) { m.setVersion(83); });
    engine.Version = 83;
    download.StartProcessorQuery();
    ASSERT_TRUE(runUntil([&] { return firmware().processorQueries >= 3; }, 400));
    EXPECT_EQ(engine.OpState, state::ProcessorQuery);
    EXPECT_FALSE(fw.downloadEnabled);
    EXPECT_EQ(fw.processor, "?");

    rig.setFault(sim::Fault::None);
    ASSERT_TRUE(runUntil([&] { return engine.OpState == 0; }, 400));
    EXPECT_TRUE(fw.downloadEnabled);
}

// What reaches the module from the firmware folders: only an image that matches its manifest, and
// a stand-in only with the developer switch; a good image goes out exactly as its text converts.
TEST_F(FirmwareWithModule, OnlyAVerifiedImageReachesTheModule) {
    const QByteArray good = dalvex::test::MakeImageText(9);
    dalvex::test::FirmwareFolder folder;
    folder.add(13, 84, good);
    dalvex::test::FirmwareFolder badSum;
    badSum.add(13, 84, good, false, QByteArray(64, 'c'));
    dalvex::test::FirmwareFolder noImage;
    noImage.add(10, 83, good);

    const std::vector<std::uint8_t> expected = dalvex::test::ConvertedImage(good);

    struct Case {
        const char* name;
        QString folder;
        bool standinSwitch;
        bool sent;
        QString message; // the start of the message shown; empty: none
    };
    const std::vector<Case> cases = {
        {"stand-in without the switch", dalvex::test::StandinFirmwareDir(), false, false,
         dalvex::test::StandinFirmwareDir() + "/standin-slot13.txt nem valódi firmware"},
        {"stand-in with the switch", dalvex::test::StandinFirmwareDir(), true, true, {}},
        {"bad checksum", badSum.path(), false, false,
         "A firmware-kép ellenőrzőösszege nem egyezik a manifest fájléval: " + badSum.file(13)},
        {"missing image", noImage.path(), false, false, "Ehhez a modulhoz (Varnet J10) nincs firmware-kép"},
        {"good image", folder.path(), false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dalvex::test::StandinSwitch standinSwitch(c.standinSwitch);
        data = FirmwareData(QStringList{c.folder});
        fw.messages.clear();
        fw.headline.clear();
        identify(74, 84);
        const std::size_t receivedBefore = rig.receivedCount();
        const std::uint64_t loadsBefore = firmware().logicLoads;
        const PreparedImage image = download.ConvertAndStart();
        EXPECT_EQ(image.ok(), c.sent);
        if (!c.sent) {
            EXPECT_EQ(engine.OpState, 0);
            ASSERT_EQ(fw.messages.size(), 1u);
            EXPECT_TRUE(fw.messages[0].startsWith(c.message)) << fw.messages[0].toStdString();
            runUntil([] { return false; }, 60);
            EXPECT_EQ(rig.receivedCount(), receivedBefore) << "nothing goes to the module";
            continue;
        }
        ASSERT_TRUE(runUntil([&] { return host.firmwareClosed > 0 && engine.OpState == 0; }));
        host.firmwareClosed = 0;
        EXPECT_FALSE(memoryWrite.TransferError);
        EXPECT_EQ(firmware().logicLoads, loadsBefore + 1);
        EXPECT_EQ(fw.headline.contains(download.Texts.StandinLoaded), image.standin)
            << "the headline says when a stand-in is loaded: " << fw.headline.toStdString();
        if (c.folder == folder.path()) {
            bool same = false;
            rig.withModule([&](sim::ModuleSim& m) {
                const auto pages = m.memory().subspan(kImageAddress, kFirmwareTransferBytes);
                same = std::equal(pages.begin(), pages.end(), expected.begin());
            });
            EXPECT_TRUE(same) << "the module's pages hold the image as its text converts";
        }
    }
}
