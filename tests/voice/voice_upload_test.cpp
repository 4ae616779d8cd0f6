// The voice upload driven tick by tick, the module's bytes fed in by hand: start frame, blocks,
// acknowledgements, the errors, leaving the page, demonstration mode, and the file choice with
// its format warning.

#include "k6link/core_states.h"
#include "k6media/voice_upload.h"
#include "k6media/wav_check.h"
#include "tests/k6link/fakes.h"
#include "wav_files.h"

#include <QTemporaryDir>
#include <deque>
#include "tests/support/hosts.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using namespace dalvex;
using namespace dalvex::k6media;
using namespace dalvex::voice::test;
using k6link::test::Bytes;

namespace {

struct VoiceUploadTest : ::testing::Test {
    k6link::test::FakePort port;
    k6link::test::FakeHost engineHost;
    k6link::Engine engine{port, engineHost};
    k6link::MemoryWrite memoryWrite{engine};
    dalvex::test::RecordingVoiceUploadHost host;
    VoiceUpload upload{engine, memoryWrite, host};
    QTemporaryDir dir;

    QString file(const char* name, const QByteArray& bytes) {
        const QString p = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WriteBytes(p, bytes));
        return p;
    }
    void feed(const Bytes& bytes) {
        port.waiting.insert(port.waiting.end(), bytes.begin(), bytes.end());
        engine.AsynComm321RxChar(static_cast<int>(bytes.size()));
    }
    // Ticks until the engine sends something (or gives up after `limit` ticks).
    bool tickUntilSent(int limit = 200) {
        const std::size_t before = port.writes.size();
        for (int i = 0; i < limit && port.writes.size() == before; ++i)
            engine.tick();
        return port.writes.size() > before;
    }
    // Starts Input 1 with a file and brings the upload to its first block.
    void startInput1(const QByteArray& samples) {
        ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), file("in1.wav", CanonicalWav(samples)),
                                 dir.path()));
        ASSERT_TRUE(tickUntilSent());
        ASSERT_EQ(port.writes.back(), (Bytes{0x00, 0xFA, 0x03, 0x00, 0x03, 0xFC}));
        feed(k6link::test::FrameBytes(0xAB, 0xFA, 0x03, 0x00));
        ASSERT_EQ(engine.OpState, state::VoiceBlock);
    }
    // Acknowledges every block with the page's low byte as the module does.
    void acknowledgeAll(int firstPage) {
        for (int page = firstPage; engine.OpState == state::VoiceBlock; ++page)
            feed(Bytes{static_cast<std::uint8_t>(page)});
    }
    std::vector<Bytes> blocksSent() const {
        std::vector<Bytes> out;
        for (const Bytes& w : port.writes)
            if (w.size() == 256) out.push_back(w);
        return out;
    }
};

TEST_F(VoiceUploadTest, Input1SendsItsStartFrameThenTheSamplesFromOffset44BlockByBlock) {
    QByteArray samples = Counting(300, 1);
    samples[5] = static_cast<char>(0xFF);
    startInput1(samples);
    EXPECT_TRUE(host.gaugeVisible);
    EXPECT_EQ(host.gaugeMax, 344 / 256);
    EXPECT_EQ(host.closed, std::vector<VoiceMessage>{VoiceMessage::Input1});
    EXPECT_EQ(engine.TimeoutTicks, k6link::MemoryWrite::kBlockTicks);
    ASSERT_EQ(blocksSent().size(), 1u);
    EXPECT_EQ(blocksSent()[0][0], 1) << "the byte at offset 44";
    EXPECT_EQ(blocksSent()[0][5], 0xFE);
    EXPECT_EQ(upload.AckSeq, 0x00);

    feed(Bytes{0x00});
    ASSERT_EQ(blocksSent().size(), 2u) << "the next block goes out with the acknowledgement";
    EXPECT_EQ(upload.BlocksLeft, 254);
    const Bytes last = blocksSent()[1];
    EXPECT_EQ(last[0], static_cast<std::uint8_t>(257));
    EXPECT_EQ(last[43], static_cast<std::uint8_t>(300));
    EXPECT_EQ(last[44], 0xFF);
    EXPECT_EQ(engine.OpState, state::VoiceBlock) << "the last block's acknowledgement is awaited";

    feed(Bytes{0x01});
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(host.gaugeVisible);
    EXPECT_EQ(host.gauge, 2);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.reopened, 1);
    EXPECT_FALSE(memoryWrite.TransferError);
}

TEST_F(VoiceUploadTest, StartFrameRepeatsUntilAnyReplyAndAReplyFrameIsTakenWhole) {
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), file("a.wav", CanonicalWav(Counting(600))),
                             dir.path()));
    ASSERT_TRUE(tickUntilSent());
    for (int i = 0; i < k6link::MemoryWrite::kStartTicks; ++i)
        engine.tick();
    EXPECT_EQ(port.writes.size(), 1u);
    engine.tick();
    ASSERT_EQ(port.writes.size(), 2u) << "repeated after 50 ticks";
    EXPECT_EQ(port.writes[1], port.writes[0]);

    // The reply frame comes byte by byte: only the whole frame moves on, and its later bytes are
    // no acknowledgements.
    const Bytes reply = k6link::test::FrameBytes(0xAB, 0xFA, 0x03, 0x00);
    for (std::size_t i = 0; i + 1 < reply.size(); ++i)
        feed(Bytes{reply[i]});
    EXPECT_EQ(engine.OpState, state::VoiceStart);
    feed(Bytes{reply.back()});
    EXPECT_EQ(blocksSent().size(), 1u);
    acknowledgeAll(0x00);
    EXPECT_EQ(blocksSent().size(), 3u);
    EXPECT_TRUE(host.messages.empty());

    // Any other byte at all moves on at once, but only once the start frame is out: before, it
    // is the late acknowledgement of an upload this one replaced.
    port.writes.clear();
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), dir.filePath("a.wav"), dir.path()));
    feed(Bytes{0x02});
    EXPECT_EQ(engine.OpState, state::VoiceStart);
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(port.writes.back(), (Bytes{0x00, 0xFA, 0x03, 0x00, 0x03, 0xFC}));
    feed(Bytes{0x17});
    EXPECT_EQ(blocksSent().size(), 1u);
}

TEST_F(VoiceUploadTest, AReplyFrameThatStopsHalfWayStillCountsWhenTheCountdownRunsOut) {
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), file("a.wav", CanonicalWav(Counting(600))),
                             dir.path()));
    ASSERT_TRUE(tickUntilSent());
    feed(Bytes{0xAB, 0xFA});
    EXPECT_EQ(engine.OpState, state::VoiceStart);
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(engine.OpState, state::VoiceBlock);
    ASSERT_EQ(blocksSent().size(), 1u) << "the first block, not the start frame again";
    acknowledgeAll(0x00);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(VoiceUploadTest, DeveloperDtmfExpectsE0FirstAndReadsItsFixedFile) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("temp")));
    file("temp/dtmf.wav", CanonicalWav(Counting(300)));
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Dtmf), QString(), dir.path()));
    EXPECT_TRUE(host.closed.empty());
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(port.writes.back(), k6link::test::FrameBytes(0x00, 0xFA, 0x0F, 0xE0));
    EXPECT_EQ(upload.AckSeq, 0xE0);
    feed(Bytes{0x42});
    feed(Bytes{0xE0});
    feed(Bytes{0xE1});
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(VoiceUploadTest, WrongOrMissingAcknowledgementsGoOnAndEndWithHibasAtvitel) {
    // A wrong acknowledgement: the transfer goes on, the error comes at the end.
    startInput1(Counting(1000));
    feed(Bytes{0x00});
    feed(Bytes{0x07});
    EXPECT_TRUE(memoryWrite.TransferError);
    acknowledgeAll(0x02);
    EXPECT_EQ(blocksSent().size(), 4u);
    EXPECT_EQ(host.messages, std::vector<QString>{"Hibás átvitel"});

    // A missing one: the next block (never the same again) goes out when the countdown runs out.
    port.writes.clear();
    host.messages.clear();
    startInput1(Counting(256) + Counting(256, 50) + Counting(256, 100) + Counting(100));
    feed(Bytes{0x00});
    const std::size_t sent = blocksSent().size();
    for (int i = 0; i < k6link::MemoryWrite::kBlockTicks; ++i)
        engine.tick();
    EXPECT_EQ(blocksSent().size(), sent);
    engine.tick();
    ASSERT_EQ(blocksSent().size(), sent + 1);
    EXPECT_NE(blocksSent()[sent], blocksSent()[sent - 1]);
    acknowledgeAll(0x02);
    EXPECT_EQ(host.messages, std::vector<QString>{"Hibás átvitel"});

    // No acknowledgement at all after the start: every block still goes out once, and the lost
    // acknowledgements are an error, not a quiet success.
    port.writes.clear();
    host.messages.clear();
    startInput1(Counting(600));
    for (int i = 0; i < 1000 && engine.OpState != 0; ++i)
        engine.tick();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_EQ(blocksSent().size(), 3u);
    EXPECT_EQ(host.messages, std::vector<QString>{"Hibás átvitel"});
}

TEST_F(VoiceUploadTest, TenMinutesSendExactly255BlocksAndNoEndMark) {
    startInput1(Counting(10 * 60 * 8000));
    acknowledgeAll(0x00);
    const auto blocks = blocksSent();
    ASSERT_EQ(blocks.size(), 255u);
    EXPECT_EQ(upload.BlocksLeft, 0);
    EXPECT_NE(blocks.back()[255], 0xFF);
    EXPECT_EQ(engine.TimeoutTicks, VoiceUpload::kBudgetTicks);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(VoiceUploadTest, SamplesEndingOnABoundaryAreFollowedByAnEndMarkBlock) {
    startInput1(Counting(512));
    acknowledgeAll(0x00);
    const auto blocks = blocksSent();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1][255], 0xFE) << "sample 511 (0xFF) is sent";
    EXPECT_EQ(blocks[2], Bytes(256, 0xFF));
    EXPECT_EQ(upload.BlocksLeft, 253);
}

TEST_F(VoiceUploadTest, LeavingThePageAbandonsTheUploadAndLaterBytesAreIgnored) {
    startInput1(Counting(2000));
    feed(Bytes{0x00});
    upload.Abandon();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_FALSE(host.gaugeVisible);
    const std::size_t writes = port.writes.size();
    feed(Bytes{0x01});
    for (int i = 0; i < 200; ++i)
        engine.tick();
    EXPECT_EQ(port.writes.size(), writes);
    EXPECT_TRUE(host.messages.empty());

    // Leaving the page while another operation runs leaves it alone.
    engine.OpState = k6link::state::VersionQuery;
    upload.Abandon();
    EXPECT_EQ(engine.OpState, k6link::state::VersionQuery);
}

TEST_F(VoiceUploadTest, DemoModeEndsAtOnceWithoutSendingAndTheGaugeStays) {
    engine.DemoMode = true;
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Identifier),
                             file("a.wav", CanonicalWav(Counting(600))), dir.path()));
    engine.tick();
    EXPECT_EQ(engine.OpState, 0);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(host.gaugeVisible);
}

TEST_F(VoiceUploadTest, EngineActiveSendsTheStartFrameAtOnce) {
    host.engineActive = true;
    engine.OpState = k6link::state::VersionQuery;
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Identifier),
                             file("a.wav", CanonicalWav(Counting(600))), dir.path()));
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], (Bytes{0x00, 0xFA, 0x01, 0x00, 0x05, 0xFA}));
}

TEST_F(VoiceUploadTest, NothingIsSentForAnEmptyEditOrABadFile) {
    EXPECT_FALSE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), QString(), dir.path()));
    EXPECT_TRUE(host.closed.empty()) << "an empty edit does nothing at all";
    EXPECT_FALSE(
        upload.Start(VoiceSlotOf(VoiceMessage::Input1), file("bad.wav", QByteArray(400, 'x')), dir.path()));
    EXPECT_EQ(host.messages.back(), "Rossz formátum");
    EXPECT_FALSE(upload.Start(VoiceSlotOf(VoiceMessage::Input1),
                              file("short.wav", CanonicalWav(Counting(10))), dir.path()));
    EXPECT_FALSE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), dir.filePath("missing.wav"), dir.path()));
    EXPECT_FALSE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), dir.path(), dir.path()));
    EXPECT_FALSE(upload.Start(VoiceSlotOf(VoiceMessage::Input1), QStringLiteral("Internal"), dir.path()))
        << "no sound2.wav";
    EXPECT_EQ(host.messages.size(), 5u);
    EXPECT_FALSE(host.gaugeVisible);
    for (int i = 0; i < 100; ++i)
        engine.tick();
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(VoiceUploadTest, InternalUploadsTheRowsRecordedFile) {
    const QByteArray samples = Counting(300, 9);
    ASSERT_TRUE(WriteModuleWav(dir.filePath("sound7.wav"),
                               std::span(reinterpret_cast<const std::uint8_t*>(samples.constData()), 300)));
    ASSERT_TRUE(upload.Start(VoiceSlotOf(VoiceMessage::Tamper), QStringLiteral("Internal"), dir.path()));
    ASSERT_TRUE(tickUntilSent());
    EXPECT_EQ(port.writes.back(), k6link::test::FrameBytes(0x00, 0xFA, 0x08, 0x00));
    feed(Bytes{0xAB});
    feed(Bytes{0xFA, 0x08, 0x00, 0x00, 0x00});
    ASSERT_EQ(blocksSent().size(), 1u);
    EXPECT_EQ(blocksSent()[0][0], 9);
    EXPECT_TRUE(host.questions.empty()) << "a recording is in the module's format";
}

TEST_F(VoiceUploadTest, ChosenFileIsCheckedAndAnotherFormatIsOfferedForConversion) {
    const VoiceSlot& row = VoiceSlotOf(VoiceMessage::Input2);
    // Usable, or not: the edit keeps, empties or takes the file.
    EXPECT_EQ(upload.ChooseFile(row, file("ok.wav", CanonicalWav(Counting(300))), "old"),
              dir.filePath("ok.wav"));
    EXPECT_EQ(upload.ChooseFile(row, file("bad.wav", QByteArray(400, 'x')), "old"), QString());
    EXPECT_EQ(host.messages.back(), "Rossz formátum");
    EXPECT_EQ(upload.ChooseFile(row, dir.filePath("missing.wav"), "old"), "old");
    EXPECT_TRUE(host.questions.empty());

    const QString cd = dir.filePath("cd.wav");
    ASSERT_TRUE(WriteTone(cd, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, 0.3));
    host.answers = {false};
    EXPECT_EQ(upload.ChooseFile(row, cd, "old"), cd) << "declined: the file may still be uploaded";
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_TRUE(host.questions[0].contains("22050 Hz, 16 bit, sztereó, PCM"));

    host.answers = {true};
    const QString converted = upload.ChooseFile(row, cd, "old");
    EXPECT_EQ(converted, dir.filePath("cd_8k.wav"));
    const auto f = ReadWavFormat(converted);
    ASSERT_TRUE(f);
    EXPECT_TRUE(IsModuleFormat(*f));

    // At the upload the same offer; agreeing uploads the converted copy and the edit shows it.
    host.answers = {true};
    ASSERT_TRUE(upload.Start(row, cd, dir.path()));
    EXPECT_EQ(host.edits[VoiceMessage::Input2], dir.filePath("cd_8k_2.wav"));
}

} // namespace
