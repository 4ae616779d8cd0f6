// The "Hangok" page's players through a real sound server: the test's own PulseAudio server with a
// null sink (tests/support/sound_server.h), what is played on it recorded from its monitor. The page
// records a tone that a second device plays, saves it in the module's format and uploads it to the
// simulated module; what the page plays reaches the sink, and the page's players come back when the
// sound ends. Each test prints the measured level of what went round.

#include "k6media/voice_slots.h"
#include "k6media/wav_check.h"
#include "tests/support/sound_server.h"
#include "tests/support/window_fixture.h"
#include "ui/k6_voice_side.h"
#include "ui/voice_audio.h"
#include "wav_files.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

using namespace dalvex;
using dalvex::test::waitFor;
using namespace dalvex::voice::test;

namespace {

constexpr double kToneHz = 440;
constexpr double kToneAmplitude = 0.5; // of full scale
constexpr double kToneSeconds = 1.0;
// Guards only: a passing test goes on as soon as the sound has ended.
constexpr int kSoundLimitMs = 30000;

// The level of 8-bit unsigned samples around their midpoint 128, in sample steps (full scale 128).
struct Level {
    double rms = 0;
    int peak = 0;
    double mean = 0;   // of the raw bytes: 128 for sound without an offset
    int loud = 0;      // samples at least a tenth of full scale away from the midpoint
    double toneHz = 0; // from the median spacing of upward crossings of the midpoint
};

Level Measure(const QByteArray& samples) {
    Level l;
    if (samples.isEmpty()) return l;
    double sum = 0, squares = 0;
    std::vector<int> rises;
    int last = 0; // sign of the last sample clearly away from the midpoint
    for (int i = 0; i < samples.size(); ++i) {
        const int raw = static_cast<std::uint8_t>(samples[i]);
        const int v = raw - 128;
        sum += raw;
        squares += double(v) * v;
        l.peak = std::max(l.peak, std::abs(v));
        if (std::abs(v) >= 13) ++l.loud;
        // Crossings with a little hysteresis, so that noise around the midpoint counts for nothing.
        if (v >= 4) {
            if (last < 0) rises.push_back(i);
            last = 1;
        } else if (v <= -4) {
            last = -1;
        }
    }
    l.mean = sum / samples.size();
    l.rms = std::sqrt(squares / samples.size());
    std::vector<int> spacing;
    for (std::size_t i = 1; i < rises.size(); ++i)
        spacing.push_back(rises[i] - rises[i - 1]);
    if (!spacing.empty()) {
        std::nth_element(spacing.begin(), spacing.begin() + spacing.size() / 2, spacing.end());
        l.toneHz = k6media::kModuleRate / double(spacing[spacing.size() / 2]);
    }
    return l;
}

void Report(const char* what, const QByteArray& samples, const Level& l) {
    std::printf("%s: %lld samples (%.2f s at 8 kHz), RMS %.1f, peak %d of 128 (%.1f dBFS, %.1f dBFS), "
                "mean %.1f, %d loud samples, tone %.0f Hz\n",
                what, static_cast<long long>(samples.size()), samples.size() / double(k6media::kModuleRate),
                l.rms, l.peak, 20 * std::log10(std::max(l.rms, 1e-9) / 128),
                20 * std::log10(std::max(l.peak, 1) / 128.0), l.mean, l.loud, l.toneHz);
    std::fflush(stdout);
}

// What went round is the tone played: well above silence, centred on the midpoint, at its pitch.
void ExpectTheTone(const Level& l) {
    const double expectedPeak = kToneAmplitude * 128;
    EXPECT_GT(l.peak, expectedPeak / 2) << "nearly silent";
    EXPECT_LT(l.peak, 128) << "clipped: the tone was played at half scale";
    EXPECT_GT(l.loud, k6media::kModuleRate / 4) << "less than a quarter second of the tone";
    EXPECT_NEAR(l.mean, 128, 8) << "the samples are not 8-bit unsigned around 128";
    EXPECT_NEAR(l.toneHz, kToneHz, kToneHz / 10) << "the tone's pitch changed: another rate or format";
}

struct VoiceSoundTest : test::SimWindowFixture {
    test::SoundServer& server = test::SoundServer::Shared();
    QString tone;

    void SetUp() override {
        test::SimWindowFixture::SetUp();
        // The module ends a memory write after this silence, as it does after a second.
        module.setMemoryWriteSilence(std::chrono::milliseconds(100));
        // Without its server the test fails, saying why: it is never skipped.
        ASSERT_TRUE(server.running()) << server.error().toStdString();
        tone = inStart("tone.wav");
        ASSERT_TRUE(WriteTone(tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, kToneSeconds, kToneAmplitude,
                              kToneHz));
    }

    K6VoiceSide& voice() { return *configWindow->Voice; }
    QLineEdit* edit(const char* name) { return configWindow->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return configWindow->findChild<QPushButton*>(name); }
    QToolButton* player(const char* name) { return configWindow->findChild<QToolButton*>(name); }
    QString inStart(const QString& name) const { return QDir(startDir.path()).filePath(name); }
    bool playersEnabled() {
        return std::all_of(voice().Players.begin(), voice().Players.end(),
                           [](QWidget* p) { return p->isEnabled(); });
    }
    QByteArray memory(std::uint32_t page, int length) {
        QByteArray out;
        module.withModule([&](sim::ModuleSim& m) {
            out = QByteArray(reinterpret_cast<const char*>(m.memory().data()) + page * 256, length);
        });
        return out;
    }
    // A second sound device on the same server, as another program on the machine would be.
    std::unique_ptr<VoiceAudio> otherDevice() {
        auto d = MakeSystemVoiceAudio();
        EXPECT_TRUE(d->CanPlay() && d->CanRecord()) << server.output().toStdString();
        return d;
    }
};

TEST_F(VoiceSoundTest, RecordingTakesWhatTheSinkPlaysSavesItInTheModulesFormatAndUploadsIt) {
    connect();
    configWindow->PageTabs->setCurrentWidget(configWindow->Page("TabSheet22"));
    for (int row = 0; row < k6media::kMessageSlots; ++row) {
        const std::string name = "MediaPlayer" + std::to_string(row + 1);
        for (const char* kind : {"Play", "Record"}) {
            EXPECT_TRUE(player((name + kind).c_str())->isEnabled()) << name << kind;
            EXPECT_TRUE(player((name + kind).c_str())->toolTip().isEmpty()) << name << kind;
        }
    }

    // Input 1 records while another device plays the tone; Stop once the tone has ended. The
    // countdown is held: the recording ends with Stop, not with its eight seconds.
    auto other = otherDevice();
    bool played = false;
    QObject::connect(other.get(), &VoiceAudio::PlaybackFinished, [&] { played = true; });
    player("MediaPlayer2Record")->click();
    ASSERT_EQ(voice().RecordingRow, 1) << (shown.empty() ? "" : shown.back().toStdString());
    voice().RecordingTimer->stop();
    QString error;
    ASSERT_TRUE(other->Play(tone, &error)) << error.toStdString();
    ASSERT_TRUE(waitFor([&] { return played; }, kSoundLimitMs)) << server.output().toStdString();
    player("MediaPlayer2Stop")->click();

    EXPECT_EQ(voice().RecordingRow, -1);
    EXPECT_TRUE(playersEnabled());
    EXPECT_EQ(edit("Edit9")->text(), "Internal");
    EXPECT_EQ(edit("Edit16")->text(), "") << "only the recording row changes";
    EXPECT_FALSE(QFile::exists(inStart("sound1.wav")));
    const QString recorded = inStart("sound2.wav");
    const auto format = k6media::ReadWavFormat(recorded);
    ASSERT_TRUE(format);
    EXPECT_TRUE(k6media::IsModuleFormat(*format)) << format->sampleRate << " Hz, " << format->channels
                                                  << " channels, format 0x" << std::hex << format->format;
    QByteArray samples;
    ASSERT_TRUE(k6media::CheckWav(recorded, &samples, 1 << 20).ok());
    const Level level = Measure(samples);
    Report("recorded from the null sink's monitor", samples, level);
    ExpectTheTone(level);

    // The row's recording goes to the module, from Input 1's first page on.
    button("BitBtn13")->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(shown.empty()) << shown.front().toStdString();
    const int full = static_cast<int>(std::min<qsizetype>(samples.size() / 256, 255));
    for (int block = 0; block < full; ++block) {
        QByteArray sent = samples.mid(block * 256, 256);
        sent.replace(static_cast<char>(0xFF), static_cast<char>(0xFE));
        ASSERT_EQ(memory(0x300 + block, 256), sent) << "block " << block;
    }
    const QByteArray rest = samples.mid(full * 256);
    if (full < 255 && !rest.isEmpty()) {
        EXPECT_EQ(memory(0x300 + full, static_cast<int>(rest.size())), rest);
    }
}

TEST_F(VoiceSoundTest, PlayReachesTheSinkAndThePlayersComeBackWhenTheSoundEndsAndStopSavesNothing) {
    test::CreateFormsWithTimersHeld();
    configWindow->EnsurePages();
    startWindow->Activate();
    ASSERT_TRUE(player("MediaPlayer1Play")->isEnabled());
    edit("Edit16")->setText(tone);

    // The identifier row plays the chosen tone; another device records the sink's monitor.
    auto other = otherDevice();
    QString error;
    ASSERT_TRUE(other->StartRecording(&error)) << error.toStdString();
    player("MediaPlayer1Play")->click();
    ASSERT_EQ(voice().PlayingRow, 0) << (shown.empty() ? "" : shown.back().toStdString());
    EXPECT_FALSE(voice().Players[1]->isEnabled());
    ASSERT_TRUE(waitFor([&] { return voice().PlayingRow == -1; }, kSoundLimitMs))
        << server.output().toStdString();
    const QByteArray heard = other->StopRecording();
    EXPECT_TRUE(playersEnabled());
    const Level level = Measure(heard);
    Report("played by the page, recorded from the null sink's monitor", heard, level);
    ExpectTheTone(level);

    // Stop during a playback ends it and changes no row and no file.
    player("MediaPlayer1Play")->click();
    ASSERT_EQ(voice().PlayingRow, 0);
    player("MediaPlayer1Stop")->click();
    EXPECT_EQ(voice().PlayingRow, -1);
    EXPECT_TRUE(playersEnabled());
    EXPECT_EQ(edit("Edit16")->text(), tone);
    EXPECT_FALSE(QFile::exists(inStart("sound1.wav")));
    EXPECT_TRUE(shown.empty());
}

} // namespace
