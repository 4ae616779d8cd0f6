// The voice file checks: the "data" tag in the first 256 bytes, the files that can't be used, the
// format read by libsndfile, the conversion and the recording writer.

#include "k6media/wav_check.h"
#include "wav_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sndfile.h>

using namespace dalvex::k6media;
using namespace dalvex::voice::test;

namespace {

TEST(WavCheck, DataTagIsLookedForAtOffsets0To252FirstMatchWins) {
    struct Case {
        std::vector<int> tagsAt;
        int size;
        std::optional<int> found;
    };
    const Case cases[] = {
        {{36}, 256, 36},
        {{0}, 256, 0},
        {{252}, 256, 252},
        {{253}, 300, std::nullopt}, // reaches past the first 256 bytes
        {{}, 256, std::nullopt},
        {{40, 36}, 256, 36},
        {{300}, 400, std::nullopt}, // only the first 256 bytes count
        {{}, 3, std::nullopt},      // too short to hold it
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> head(static_cast<std::size_t>(c.size), 'x');
        for (int at : c.tagsAt)
            std::copy_n("data", 4, head.begin() + at);
        EXPECT_EQ(FindDataTag(head), c.found) << (c.tagsAt.empty() ? -1 : c.tagsAt[0]);
    }
}

struct WavFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(WavFileTest, CanonicalFileSamplesStartAtOffset44) {
    const QString f = path("a.wav");
    ASSERT_TRUE(WriteBytes(f, CanonicalWav(Counting(300, 7))));
    QByteArray samples;
    const WavCheck c = CheckWav(f, &samples, 1000);
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.tagOffset, 36);
    EXPECT_EQ(c.sampleStart, 44);
    EXPECT_EQ(c.fileSize, 344);
    EXPECT_EQ(samples, Counting(300, 7));
    QByteArray limited;
    CheckWav(f, &limited, 100);
    EXPECT_EQ(limited, Counting(100, 7));
}

TEST_F(WavFileTest, FilesThatCannotBeUsedSayWhy) {
    VoiceTexts texts;
    ASSERT_TRUE(WriteBytes(path("short.wav"), CanonicalWav(Counting(200)))); // 244 bytes
    ASSERT_TRUE(WriteBytes(path("notag.wav"), QByteArray(1000, 'x')));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
    struct Case {
        const char* name;
        WavProblem problem;
        QString messageHas;
    };
    const Case cases[] = {
        {"missing.wav", WavProblem::CannotOpen, QStringLiteral("nem nyitható meg")},
        {"short.wav", WavProblem::TooShort, QStringLiteral("244 bájt")},
        {"notag.wav", WavProblem::NoDataTag, QStringLiteral("Rossz formátum")},
        {"folder.wav", WavProblem::Folder, QStringLiteral("mappa")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WavCheck check = CheckWav(path(c.name));
        EXPECT_EQ(check.problem, c.problem);
        const QString message = WavCheckMessage(check, path(c.name), texts);
        EXPECT_TRUE(message.contains(c.messageHas)) << message.toStdString();
    }
}

TEST_F(WavFileTest, RecordingIsWrittenInTheModuleFormatAndReadsBackAsIs) {
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    // An odd count ends with its last sample twice: a RIFF pad byte 0 behind the data would be
    // uploaded as the message's last sample, a full-scale click.
    const struct {
        int count;
        QByteArray expected;
    } cases[] = {{1000, Counting(1000)},
                 {999, Counting(999) + Counting(1, 998)},
                 {213, Counting(213) + Counting(1, 212)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        const QString f = path("sub/rec.wav");
        const QByteArray samples = c.expected.left(c.count);
        ASSERT_TRUE(WriteModuleWav(f, std::span(reinterpret_cast<const std::uint8_t*>(samples.constData()),
                                                static_cast<std::size_t>(samples.size()))));
        const auto format = ReadWavFormat(f);
        ASSERT_TRUE(format);
        EXPECT_TRUE(IsModuleFormat(*format));
        EXPECT_EQ(format->frames, c.expected.size());
        QByteArray back;
        ASSERT_TRUE(CheckWav(f, &back, 5000).ok());
        EXPECT_EQ(back, c.expected) << "the upload sends the recorded bytes unchanged";
    }
    QString error;
    EXPECT_FALSE(WriteModuleWav(path("nofolder/x.wav"), {}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(WavFileTest, FormatIsDescribedAndOnlyTheModuleFormatPasses) {
    VoiceTexts texts;
    struct Case {
        const char* name;
        int format, rate, channels;
        bool module;
        const char* description;
    };
    const Case cases[] = {
        {"ok.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, true, "8000 Hz, 8 bit, mono, PCM"},
        {"cd.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, false, "44100 Hz, 16 bit, sztereó, PCM"},
        {"rate.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 1, false, "11025 Hz, 8 bit, mono, PCM"},
        {"bits.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, false, "8000 Hz, 16 bit, mono, PCM"},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 1, false, "8000 Hz, 32 bit float, mono"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteTone(path(c.name), c.format, c.rate, c.channels, 0.1));
        const auto f = ReadWavFormat(path(c.name));
        ASSERT_TRUE(f);
        EXPECT_EQ(IsModuleFormat(*f), c.module);
        EXPECT_EQ(DescribeWavFormat(*f, texts), QString::fromUtf8(c.description));
    }
    QString error;
    ASSERT_TRUE(WriteBytes(path("junk.wav"), QByteArray(1000, 'x')));
    EXPECT_FALSE(ReadWavFormat(path("junk.wav"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(WavFileTest, ConversionWritesANewModuleFileBesideAndLeavesTheOriginal) {
    const QString cd = path("cd.wav");
    ASSERT_TRUE(WriteTone(cd, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 1.5, 0.8, 440));
    const QByteArray original = ReadBytes(cd);
    const QString target = ConvertedFileName(cd);
    EXPECT_EQ(target, path("cd_8k.wav"));
    QString error;
    ASSERT_TRUE(ConvertToModuleFormat(cd, target, &error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(cd), original);
    EXPECT_EQ(ConvertedFileName(cd), path("cd_8k_2.wav")) << "an existing copy is never overwritten";

    const auto f = ReadWavFormat(target);
    ASSERT_TRUE(f);
    EXPECT_TRUE(IsModuleFormat(*f));
    EXPECT_NEAR(static_cast<double>(f->frames), 1.5 * 8000, 50);
    // The tone keeps its loudness: 0.8 of full scale around the 8-bit midpoint 128.
    QByteArray samples;
    ASSERT_TRUE(CheckWav(target, &samples, 1 << 20).ok());
    int lo = 255, hi = 0;
    for (int i = 2000; i < 10000; ++i) {
        lo = std::min(lo, static_cast<int>(static_cast<std::uint8_t>(samples[i])));
        hi = std::max(hi, static_cast<int>(static_cast<std::uint8_t>(samples[i])));
    }
    EXPECT_NEAR(hi, 128 + 0.8 * 127, 6);
    EXPECT_NEAR(lo, 128 - 0.8 * 128, 6);

    // Already at 8 kHz: only the channels and the sample size change.
    const QString narrow = path("narrow.wav");
    ASSERT_TRUE(WriteTone(narrow, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 0.5));
    ASSERT_TRUE(ConvertToModuleFormat(narrow, ConvertedFileName(narrow)));
    const auto g = ReadWavFormat(path("narrow_8k.wav"));
    ASSERT_TRUE(g);
    EXPECT_TRUE(IsModuleFormat(*g));
    EXPECT_EQ(g->frames, 4000);

    // An odd number of frames gets its last sample twice: no pad byte 0 is uploaded behind it.
    const QString odd = path("odd.wav");
    ASSERT_TRUE(WriteTone(odd, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 801.5 / 8000, 0.8, 1000));
    ASSERT_TRUE(ConvertToModuleFormat(odd, path("odd_8k.wav")));
    QByteArray oddSamples;
    ASSERT_TRUE(CheckWav(path("odd_8k.wav"), &oddSamples, 1 << 20).ok());
    ASSERT_EQ(oddSamples.size(), 802);
    EXPECT_EQ(oddSamples[801], oddSamples[800]);
    EXPECT_NE(oddSamples[801], 0);

    EXPECT_FALSE(ConvertToModuleFormat(path("missing.wav"), path("m_8k.wav"), &error));
    EXPECT_FALSE(QFileInfo::exists(path("m_8k.wav")));
}

} // namespace
