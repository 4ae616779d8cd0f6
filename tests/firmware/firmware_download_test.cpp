// The firmware download's states driven by hand: the test ticks the engine, feeds the module's
// bytes and reads what was written and shown.

#include "k6link/core_states.h"
#include "tests/k6link/fakes.h"
#include "tests/support/firmware_folder.h"
#include "tests/support/hosts.h"

#include <gtest/gtest.h>

using namespace dalvex;
using namespace dalvex::k6media;
using dalvex::k6link::test::Bytes;
using dalvex::k6link::test::FrameBytes;

namespace {

const Bytes kProcessorQuery = {0x00, 0xF8, 0x00, 0x00, 0x08, 0xF7};
const Bytes kStartFrame = {0x00, 0xFA, 0x3E, 0x00, 0xC8, 0x37};
const Bytes kProgramming = FrameBytes(0, 0xF9, 0xAA, 0);
const Bytes kVersionQuery = FrameBytes(0, 0, 0xFE, 0);

Bytes Spoil(Bytes frame) {
    ++frame[5];
    return frame;
}

struct FirmwareDownloadTest : ::testing::Test {
    k6link::test::FakePort port;
    k6link::test::FakeHost host;
    k6link::Engine engine{port, host};
    k6link::MemoryWrite memoryWrite{engine};
    dalvex::test::FirmwareFolder images;
    FirmwareData data{QStringList{images.addGoodImages().path()}};
    dalvex::test::RecordingFirmwareHost fw;
    FirmwareDownload download{engine, memoryWrite, data, fw};

    void feed(const Bytes& bytes) {
        port.waiting.insert(port.waiting.end(), bytes.begin(), bytes.end());
        engine.AsynComm321RxChar(static_cast<int>(bytes.size()));
    }
    // Ticks until the engine writes; the bytes written, or nothing after `max` ticks.
    Bytes tickUntilSent(int max = 200) {
        const std::size_t before = port.writes.size();
        for (int i = 0; i < max; ++i) {
            engine.tick();
            if (port.writes.size() > before) return port.writes.back();
        }
        return {};
    }
    Bytes block(int index) const {
        const auto from = data.FirmwareImage.begin() + index * 256;
        return Bytes(from, from + 256);
    }
    int blocksWritten() const {
        return static_cast<int>(std::count_if(port.writes.begin(), port.writes.end(),
                                              [](const Bytes& w) { return w.size() == 256; }));
    }
    bool wrote(const Bytes& bytes) const {
        return std::find(port.writes.begin(), port.writes.end(), bytes) != port.writes.end();
    }
    // Converts slot 13's image and runs the transfer up to block `upTo` sent (not acknowledged).
    void startTransfer(int upTo) {
        data.FirmwareSlot = 13;
        download.ConvertAndStart();
        ASSERT_EQ(engine.OpState, state::FirmwareStart);
        ASSERT_EQ(tickUntilSent(), kStartFrame);
        feed(FrameBytes(0xAB, 0xFA, 0x3E, 0x00));
        ASSERT_EQ(tickUntilSent(), block(0));
        for (int k = 0; k < upTo; ++k)
            feed({static_cast<std::uint8_t>(k)});
        ASSERT_EQ(port.writes.back(), block(upTo));
    }
};

} // namespace

TEST_F(FirmwareDownloadTest, ProcessorReplyChoosesTheSlotAndOffersOnlyANotOlderImage) {
    struct Case {
        const char* name;
        int version; // the module's, learned at connection
        Bytes reply;
        QString processor;
        QString software; // "?": the labels are not touched
        bool enabled;
        bool noNewFirmware;
        int slot;
        int opState;
    };
    const std::vector<Case> cases = {
        {"image older than the module", 73, FrameBytes(10, 74, 85, 1), "Processor: J10/Varnet", "SW:85",
         false, true, 13, 0},
        {"image as new as the module", 73, FrameBytes(10, 74, 84, 1), "Processor: J10/Varnet", "SW:84", true,
         false, 13, 0},
        {"main model", 84, FrameBytes(10, 72, 83, 0), "Processor: J10/ Pro", "SW:83", true, false, 10, 0},
        {"compact model", 84, FrameBytes(12, 73, 80, 0), "Processor: K22/ Mini", "SW:80", true, false, 12, 0},
        {"door phone", 84, FrameBytes(10, 75, 84, 0), "Processor: J10/ Door", "SW:84", false, true, 14, 0},
        {"J11 is never compared", 84, FrameBytes(11, 9, 99, 0), "Processor: J11", "SW:99", true, false, 11,
         0},
        {"unknown processor", 84, FrameBytes(99, 72, 80, 0), "Processor: ???", "SW:80", false, false, 0, 0},
        {"wrong check bytes are ignored", 73, Spoil(FrameBytes(10, 74, 84, 1)), "?", "?", false, false, 0,
         state::ProcessorQuery},
        {"too long: thrown away", 73, Bytes{10, 74, 84, 1, 0, 0, 0}, "?", "?", false, false, 0,
         state::ProcessorQuery},
        {"older module: check bytes untested, no comparison", 68, Spoil(FrameBytes(10, 74, 85, 1)),
         "Processor: J10/Varnet", "?", true, false, 13, 0},
        {"older module, main model", 29, FrameBytes(10, 72, 90, 0), "Processor: J10", "?", true, false, 10,
         0},
        {"older module, compact model", 68, FrameBytes(12, 73, 90, 0), "Processor: K22", "?", true, false, 12,
         0},
        {"older module does not know the door phone", 68, FrameBytes(10, 75, 80, 0), "Processor: ???", "?",
         false, false, 0, state::ProcessorQuery},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw = dalvex::test::RecordingFirmwareHost{};
        data.FirmwareSlot = 12; // left from an earlier module
        engine.Version = c.version;
        download.StartProcessorQuery();
        ASSERT_EQ(tickUntilSent(), kProcessorQuery);
        feed(c.reply);
        EXPECT_EQ(fw.processor, c.processor);
        EXPECT_EQ(fw.software, c.software);
        EXPECT_EQ(fw.downloadEnabled, c.enabled);
        EXPECT_EQ(fw.noNewFirmware, c.noNewFirmware);
        EXPECT_EQ(data.FirmwareSlot, c.slot);
        EXPECT_EQ(engine.OpState, c.opState);
        EXPECT_EQ(engine.RxCount, 0);
        if (c.opState == 0 && c.slot != 0) {
            EXPECT_EQ(engine.TimeoutTicks, FirmwareDownload::kDoneTicks);
        }
        engine.OpState = 0;
    }
}

TEST_F(FirmwareDownloadTest, ProcessorReplyStoresTheIdentificationAndTheVersionLabels) {
    engine.Version = 84;
    download.StartProcessorQuery();
    tickUntilSent();
    feed(FrameBytes(10, 74, 84, 7));
    EXPECT_EQ(data.ModuleSoftware, 84);
    EXPECT_EQ(data.ModuleSoftware2, 7);
    EXPECT_EQ(data.ModuleHardware, 74);
    EXPECT_EQ(fw.hardware, "HW:74");
    EXPECT_EQ(fw.software2, "SW:7");
}

TEST_F(FirmwareDownloadTest, UnansweredProcessorQueryIsRepeatedEveryFiveTicks) {
    engine.Version = 84;
    download.StartProcessorQuery();
    ASSERT_EQ(tickUntilSent(), kProcessorQuery);
    for (int i = 0; i < 5; ++i)
        engine.tick();
    EXPECT_EQ(port.writes.size(), 1u);
    engine.tick();
    EXPECT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes.back(), kProcessorQuery);
    EXPECT_FALSE(fw.downloadEnabled);
}

TEST_F(FirmwareDownloadTest, WholeDownloadWritesBlocks0To254ThenProgramsAndClosesOnTheVersion) {
    startTransfer(0);
    EXPECT_EQ(fw.headline, "Memory Download");
    const Bytes image = dalvex::test::ConvertedImage(dalvex::test::MakeImageText(13));
    EXPECT_EQ(block(0), Bytes(image.begin(), image.begin() + 256)) << "slot 13's image as its text converts";
    for (int k = 0; k < 255; ++k) {
        ASSERT_EQ(port.writes.back(), block(k)) << k;
        EXPECT_EQ(download.FwBlock, k + 1);
        feed({static_cast<std::uint8_t>(k)}); // 0x00 .. 0xFE
    }
    EXPECT_EQ(blocksWritten(), 255);
    EXPECT_EQ(fw.progress, 255);
    EXPECT_EQ(engine.OpState, state::FirmwareProgram);
    EXPECT_EQ(engine.TimeoutTicks, FirmwareDownload::kProgramDelay);
    EXPECT_FALSE(memoryWrite.TransferError);

    EXPECT_EQ(tickUntilSent(), kProgramming);
    EXPECT_EQ(fw.headline, "FPGA Download please wait...");
    EXPECT_EQ(fw.progress, 0);
    EXPECT_EQ(fw.programmingTimerStarts, 1);
    EXPECT_EQ(engine.OpState, k6link::state::VersionQuery);
    EXPECT_EQ(engine.Notice, k6link::notice::AfterFirmware);

    EXPECT_EQ(tickUntilSent(), kVersionQuery);
    feed(FrameBytes(0xAB, 0, 0xFE, 84));
    EXPECT_EQ(host.firmwareClosed, 1);
    EXPECT_EQ(engine.OpState, 0);
}

TEST_F(FirmwareDownloadTest, FpgaRetrySendsTheProgrammingCommand21TimesBeforeTheVersionQuery) {
    download.FpgaRetry = 20;
    startTransfer(254);
    feed({254});
    int programming = 0;
    for (Bytes sent = tickUntilSent(); sent == kProgramming; sent = tickUntilSent()) {
        ++programming;
        ASSERT_LE(programming, 21);
        if (programming < 21) {
            EXPECT_EQ(engine.OpState, state::FirmwareProgram);
        }
    }
    EXPECT_EQ(programming, 21);
    EXPECT_EQ(port.writes.back(), kVersionQuery);
    EXPECT_EQ(download.FpgaRetry, 0);
}

TEST_F(FirmwareDownloadTest, StartReplyInPiecesIsNotTakenForAcknowledgements) {
    data.FirmwareSlot = 10;
    download.ConvertAndStart();
    ASSERT_EQ(tickUntilSent(), kStartFrame);
    const Bytes reply = FrameBytes(0xAB, 0xFA, 0x3E, 0x00);
    for (std::uint8_t b : reply)
        feed({b});
    EXPECT_EQ(engine.OpState, state::FirmwareBlocks);
    EXPECT_EQ(port.writes.size(), 1u) << "block 0 waits for the countdown";
    ASSERT_EQ(tickUntilSent(), block(0));
    feed({0});
    EXPECT_EQ(port.writes.back(), block(1));
    EXPECT_FALSE(memoryWrite.TransferError);
}

TEST_F(FirmwareDownloadTest, WrongOrMissingAcknowledgementStopsBeforeProgramming) {
    struct Case {
        const char* name;
        int block;
        std::optional<std::uint8_t> ack; // nothing: the acknowledgement never comes
    };
    const std::vector<Case> cases = {
        {"first block", 0, std::uint8_t{1}},  {"middle block", 100, std::uint8_t{101}},
        {"last block", 254, std::uint8_t{0}}, {"lost in the middle", 100, std::nullopt},
        {"last one lost", 254, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.writes.clear();
        fw = dalvex::test::RecordingFirmwareHost{};
        startTransfer(c.block);
        if (c.ack)
            feed({*c.ack});
        else
            for (int i = 0; i <= k6link::MemoryWrite::kBlockTicks; ++i)
                engine.tick();
        EXPECT_TRUE(memoryWrite.TransferError);
        EXPECT_EQ(engine.OpState, 0);
        EXPECT_EQ(fw.headline, "ERROR please check communication");
        EXPECT_EQ(fw.progress, 0);
        EXPECT_EQ(blocksWritten(), c.block + 1) << "nothing more is sent";
        EXPECT_EQ(tickUntilSent(300), Bytes{});
        EXPECT_FALSE(wrote(kProgramming));
        feed({static_cast<std::uint8_t>(c.block)}); // late: ignored
        EXPECT_EQ(blocksWritten(), c.block + 1);
    }
}

TEST_F(FirmwareDownloadTest, SlotWithoutImageSaysSoAndSendsNothing) {
    struct Case {
        int slot;
        QString message;
    };
    for (const Case& c : {Case{kNoSlot, "FAULT FIRMWARE"},
                          Case{11, "Ehhez a modulhoz (Telgor J11) nincs firmware-kép a firmware mappákban. "
                                   "Semmi sem lett elküldve."}}) {
        SCOPED_TRACE(c.slot);
        fw.messages.clear();
        data.FirmwareSlot = c.slot;
        EXPECT_EQ(download.ConvertAndStart().problem, ImageProblem::NoImage);
        ASSERT_EQ(fw.messages.size(), 1u);
        EXPECT_EQ(fw.messages[0], c.message);
        EXPECT_EQ(engine.OpState, 0);
        EXPECT_EQ(tickUntilSent(20), Bytes{});
    }
}

TEST_F(FirmwareDownloadTest, LeavingAbandonsTheTransferAndLaterAcknowledgementsAreIgnored) {
    startTransfer(10);
    download.Leave();
    EXPECT_EQ(engine.OpState, 0);
    feed({10});
    EXPECT_EQ(blocksWritten(), 11);
}

TEST_F(FirmwareDownloadTest, DemonstrationModeSendsNothing) {
    engine.DemoMode = true;
    download.StartProcessorQuery();
    EXPECT_EQ(tickUntilSent(20), Bytes{});
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(fw.downloadEnabled);
}
