// The "Hangok" page of the K6 window against the module simulator on a pseudo-terminal: uploads
// end to end, the simulator's faults, leaving the page, and the players and the recording
// countdown on a fake sound device. The test ticks the engine itself; message boxes and the file
// dialog are answered through their hooks.

#include "k6link/engine.h"
#include "k6media/voice_slots.h"
#include "k6media/wav_check.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/k6_file_commands.h"
#include "ui/k6_voice_side.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "wav_files.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;
using namespace dalvex::voice::test;
using Button = K6VoiceSide::PlayerButton;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

// A full block as it is sent: 0xFF is the end mark, samples of 0xFF go as 0xFE.
QByteArray FullBlock(QByteArray samples) {
    return samples.replace(static_cast<char>(0xFF), static_cast<char>(0xFE));
}

// A sound device that plays and records nothing, and says what it was asked.
class FakeAudio final : public VoiceAudio {
public:
    FakeAudio(bool play, bool record)
        : canPlay(play)
        , canRecord(record) {}
    bool CanPlay() const override { return canPlay; }
    bool CanRecord() const override { return canRecord; }
    bool Play(const QString& path, QString* error) override {
        played.push_back(path);
        if (!QFile::exists(path)) {
            if (error) *error = QStringLiteral("missing");
            return false;
        }
        playing = true;
        return true;
    }
    void StopPlayback() override { playing = false; }
    bool StartRecording(QString*) override {
        recording = true;
        return true;
    }
    QByteArray StopRecording() override {
        recording = false;
        return samples;
    }
    void Finish() {
        playing = false;
        emit PlaybackFinished();
    }

    bool canPlay, canRecord;
    bool playing = false, recording = false;
    std::vector<QString> played;
    QByteArray samples = Counting(500, 3);
};

struct VoiceWindowTest : test::SimWindowFixture {
    FakeAudio* audio = nullptr;

    void SetUp() override {
        test::SimWindowFixture::SetUp();
        // The module ends a memory write after this silence, as it does after a second.
        module.setMemoryWriteSilence(std::chrono::milliseconds(100));
    }

    K6VoiceSide& voice() { return *configWindow->Voice; }
    QLineEdit* edit(const char* name) { return configWindow->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return configWindow->findChild<QPushButton*>(name); }
    QToolButton* player(const char* name) { return configWindow->findChild<QToolButton*>(name); }
    QString inStart(const QString& name) const { return QDir(startDir.path()).filePath(name); }

    // Windows created with every timer held by the test, the fake sound device in place.
    void prepare(bool canPlay, bool canRecord) {
        test::CreateFormsWithTimersHeld();
        configWindow->EnsurePages();
        auto fake = std::make_unique<FakeAudio>(canPlay, canRecord);
        audio = fake.get();
        voice().SetAudio(std::move(fake));
    }
    // The windows prepared and the start window activated.
    void start(bool canPlay = true, bool canRecord = true) {
        prepare(canPlay, canRecord);
        startWindow->Activate();
    }
    // The module on COM1, handed over with "Indít", the first version query done, the voice page
    // showing.
    void connect() {
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        prepare(false, false);
        ASSERT_TRUE(test::HandOverFoundModule(module));
        configWindow->Activate();
        startWindow->SendTick();
        ASSERT_TRUE(runToIdle());
        configWindow->PageTabs->setCurrentWidget(configWindow->Page("TabSheet22"));
    }
    QByteArray memory(std::uint32_t page, int length) {
        QByteArray out;
        module.withModule([&](sim::ModuleSim& m) {
            out = QByteArray(reinterpret_cast<const char*>(m.memory().data()) + page * 256, length);
        });
        return out;
    }
    bool awaitingMemoryWrite() {
        bool a = false;
        module.withModule([&](sim::ModuleSim& m) { a = m.awaitingMemoryWrite(); });
        return a;
    }
};

TEST_F(VoiceWindowTest, Input1UploadsItsSamplesIntoTheModulesPagesWithoutASoundDevice) {
    connect();
    QByteArray samples = Counting(300, 5);
    samples[7] = static_cast<char>(0xFF);
    const QString file = inStart("bemenet1.wav");
    ASSERT_TRUE(WriteBytes(file, CanonicalWav(samples)));
    edit("Edit9")->setText(file);
    const auto before = module.receivedBytes().size();
    button("BitBtn13")->click();
    EXPECT_FALSE(voice().UploadProgress->isHidden());
    EXPECT_EQ(voice().UploadProgress->maximum(), 1);
    ASSERT_TRUE(runToIdle());

    const auto rx = module.receivedBytes();
    ASSERT_GE(rx.size(), before + 6 + 512);
    EXPECT_EQ(std::vector<std::uint8_t>(rx.begin() + static_cast<long>(before),
                                        rx.begin() + static_cast<long>(before) + 6),
              (std::vector<std::uint8_t>{0x00, 0xFA, 0x03, 0x00, 0x03, 0xFC}));
    const QByteArray first = FullBlock(samples.left(256));
    EXPECT_EQ(memory(0x300, 256), first);
    EXPECT_EQ(memory(0x301, 44), samples.mid(256));
    EXPECT_EQ(memory(0x301, 256).mid(44), QByteArray(212, static_cast<char>(0xFF)));
    EXPECT_TRUE(voice().UploadProgress->isHidden());
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(player("MediaPlayer2Play")->isEnabled());
    EXPECT_EQ(player("MediaPlayer2Record")->toolTip(), voice().Texts.NoInput);
    EXPECT_EQ(player("MediaPlayer2Play")->toolTip(), voice().Texts.NoOutput);

    // The module takes frames again after its silence, and the next upload goes to its own pages.
    EXPECT_TRUE(waitFor([&] { return !awaitingMemoryWrite(); }));
    edit("Edit16")->setText(file);
    button("BitBtn9")->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(memory(0x100, 256), first);
    EXPECT_TRUE(shown.empty());
}

TEST_F(VoiceWindowTest, DeveloperDtmfUploadReadsItsFixedFileAndIsAcknowledgedFromE0) {
    WriteSetting(kKey, QStringLiteral("mode"), QStringLiteral("7302518"));
    connect();
    EXPECT_TRUE(button("Button18")->isVisibleTo(configWindow));
    EXPECT_TRUE(button("Button7")->isVisibleTo(configWindow));
    ASSERT_TRUE(QDir(startDir.path()).mkpath("temp"));
    ASSERT_TRUE(WriteBytes(inStart("temp/dtmf.wav"), CanonicalWav(Counting(600, 1))));
    button("Button18")->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(shown.empty()) << "acknowledgements 0xE0, 0xE1 ... were expected";
    EXPECT_EQ(memory(0xFE0, 256), FullBlock(Counting(256, 1)));
    EXPECT_EQ(memory(0xFE2, 88), Counting(88, 513));
}

TEST_F(VoiceWindowTest, WrongOrMissingAcknowledgementsEndWithHibasAtvitel) {
    connect();
    const QString file = inStart("a.wav");
    ASSERT_TRUE(WriteBytes(file, CanonicalWav(Counting(700))));
    edit("Edit13")->setText(file);
    for (sim::Fault fault : {sim::Fault::WrongAck, sim::Fault::NoAck}) {
        SCOPED_TRACE(std::string(sim::faultInfo(fault).name));
        shown.clear();
        ASSERT_TRUE(waitFor([&] { return !awaitingMemoryWrite(); }));
        module.setFault(fault, 2); // the start reply and the first block's acknowledgement pass
        const auto before = module.receivedBytes().size();
        button("BitBtn12")->click();
        ASSERT_TRUE(runToIdle(800));
        EXPECT_EQ(shown, std::vector<QString>{"Hibás átvitel"});
        EXPECT_EQ(module.receivedBytes().size(), before + 6 + 3 * 256) << "each block once";
        EXPECT_EQ(memory(0x402, 188), Counting(188, 512)) << "the blocks are there all the same";
        module.setFault(sim::Fault::None);
    }
}

TEST_F(VoiceWindowTest, LeavingThePageAbandonsTheUpload) {
    connect();
    module.setFault(sim::Fault::Silent);
    const QString file = inStart("a.wav");
    ASSERT_TRUE(WriteBytes(file, CanonicalWav(Counting(700))));
    edit("Edit15")->setText(file);
    button("BitBtn10")->click();
    for (int i = 0; i < 3; ++i)
        configWindow->EngineTick();
    ASSERT_EQ(engine().OpState, 1000);
    configWindow->PageTabs->setCurrentIndex(0);
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_TRUE(voice().UploadProgress->isHidden());
    const auto sent = module.receivedBytes().size();
    for (int i = 0; i < 100; ++i)
        configWindow->EngineTick();
    test::pumpFor(20);
    EXPECT_EQ(module.receivedBytes().size(), sent);
}

TEST_F(VoiceWindowTest, ChosenFileIsCheckedInTheEditAndAWrongOneIsRefused) {
    start();
    QString answer;
    K6FileCommands::FileDialogHook = [&](bool save, const QString&, const QStringList& filters,
                                         const QString&, int&) {
        EXPECT_FALSE(save);
        EXPECT_EQ(filters.front(), "Voice Files (*.wav)");
        return answer;
    };
    answer = inStart("good.wav");
    ASSERT_TRUE(WriteBytes(answer, CanonicalWav(Counting(400))));
    voice().EditClick(1);
    EXPECT_EQ(edit("Edit9")->text(), answer);
    answer = inStart("bad.wav");
    ASSERT_TRUE(WriteBytes(answer, QByteArray(400, 'x')));
    voice().EditClick(1);
    EXPECT_EQ(edit("Edit9")->text(), "");
    EXPECT_EQ(shown.back(), "Rossz formátum");
    answer.clear(); // cancelled
    edit("Edit9")->setText("kept");
    voice().EditClick(1);
    EXPECT_EQ(edit("Edit9")->text(), "kept");
}

TEST_F(VoiceWindowTest, RecordingCountsDownThenSavesTheRowsFileAndEnablesThePlayers) {
    start();
    EXPECT_TRUE(player("MediaPlayer1Record")->isEnabled());
    EXPECT_TRUE(player("MediaPlayer1Record")->toolTip().isEmpty());
    voice().PlayerClick(0, Button::Record);
    EXPECT_TRUE(audio->recording);
    EXPECT_EQ(voice().RecordingCountdown->text(), "16");
    EXPECT_FALSE(voice().RecordingCountdown->isHidden());
    EXPECT_TRUE(voice().RecordingTimer->isActive());
    EXPECT_EQ(voice().RecordingTimer->interval(), 1000);
    for (int row = 1; row < k6media::kMessageSlots; ++row)
        EXPECT_FALSE(voice().Players[static_cast<std::size_t>(row)]->isEnabled()) << row;
    EXPECT_TRUE(voice().Players[0]->isEnabled());

    for (int i = 0; i < 15; ++i)
        voice().RecordingTick();
    EXPECT_EQ(voice().RecordingCountdown->text(), "1");
    EXPECT_TRUE(audio->recording) << "sixteen seconds in all";
    voice().RecordingTick();
    EXPECT_FALSE(audio->recording);
    EXPECT_FALSE(voice().RecordingTimer->isActive());
    EXPECT_TRUE(voice().RecordingCountdown->isHidden());
    EXPECT_EQ(edit("Edit16")->text(), "Internal");
    for (QWidget* p : voice().Players)
        EXPECT_TRUE(p->isEnabled());
    QByteArray saved;
    ASSERT_TRUE(k6media::CheckWav(inStart("sound1.wav"), &saved, 1 << 20).ok());
    EXPECT_EQ(saved, audio->samples);
    const auto format = k6media::ReadWavFormat(inStart("sound1.wav"));
    ASSERT_TRUE(format);
    EXPECT_TRUE(k6media::IsModuleFormat(*format));
}

TEST_F(VoiceWindowTest, StopEndsTheRecordingOfItsRowOnlyAndPlaybackChangesNoRow) {
    start();
    edit("Edit13")->setText("chosen.wav");
    voice().PlayerClick(1, Button::Record);
    EXPECT_EQ(voice().RecordingCountdown->text(), "8");
    voice().RecordingTick();
    voice().PlayerClick(1, Button::Stop);
    EXPECT_FALSE(voice().RecordingTimer->isActive());
    EXPECT_TRUE(voice().RecordingCountdown->isHidden());
    EXPECT_EQ(edit("Edit9")->text(), "Internal");
    EXPECT_EQ(edit("Edit13")->text(), "chosen.wav");
    EXPECT_TRUE(QFile::exists(inStart("sound2.wav")));
    EXPECT_FALSE(QFile::exists(inStart("sound3.wav")));

    // Playing: a chosen file is played, an "Internal" row its recording; Stop keeps the rows.
    const QString chosen = inStart("mine.wav");
    ASSERT_TRUE(WriteBytes(chosen, CanonicalWav(Counting(300))));
    edit("Edit16")->setText(chosen);
    voice().PlayerClick(0, Button::Play);
    voice().PlayerClick(0, Button::Stop);
    voice().PlayerClick(1, Button::Play);
    EXPECT_FALSE(voice().Players[0]->isEnabled());
    audio->Finish();
    EXPECT_TRUE(voice().Players[0]->isEnabled()) << "the players come back when the sound ends";
    EXPECT_EQ(audio->played, (std::vector<QString>{chosen, inStart("sound2.wav")}));
    EXPECT_EQ(edit("Edit16")->text(), chosen);
    EXPECT_TRUE(shown.empty());
}

TEST_F(VoiceWindowTest, WithoutDevicesPlayAndRecordAreDisabledAndSayWhy) {
    start(false, false);
    for (const char* name : {"MediaPlayer1Play", "MediaPlayer7Play"}) {
        EXPECT_FALSE(player(name)->isEnabled()) << name;
        EXPECT_EQ(player(name)->toolTip(), voice().Texts.NoOutput);
    }
    EXPECT_FALSE(player("MediaPlayer4Record")->isEnabled());
    EXPECT_EQ(player("MediaPlayer4Record")->toolTip(), voice().Texts.NoInput);
    EXPECT_TRUE(player("MediaPlayer4Stop")->isEnabled());
    EXPECT_TRUE(button("BitBtn10")->isEnabled()) << "uploads work without sound";
}

TEST_F(VoiceWindowTest, ActivationMakesTheRecordedFilesFromBaseWavAndKeepsAChosenFile) {
    start();
    const QByteArray base = CanonicalWav(Counting(800));
    ASSERT_TRUE(WriteBytes(inStart("base.wav"), base));
    edit("Edit9")->setText("chosen.wav");
    voice().Activate();
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(ReadBytes(inStart(QStringLiteral("sound%1.wav").arg(n))), base) << n;
    EXPECT_EQ(edit("Edit16")->text(), "") << "made from the template, not yet recorded";
    voice().Activate();
    EXPECT_EQ(edit("Edit16")->text(), "Internal");
    EXPECT_EQ(edit("Edit9")->text(), "chosen.wav");
}

} // namespace

// Every upload says how it went: without a file chosen, to choose one (and nothing goes out); done,
// which file went up.
TEST_F(VoiceWindowTest, AnUploadSaysItsEndAndWithoutAFileSaysToChooseOne) {
    connect();
    edit("Edit9")->setText(QString());
    const auto before = module.receivedBytes().size();
    button("BitBtn13")->click();
    EXPECT_EQ(configWindow->StatusPanel(3), voice().Texts.ChooseFile);
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_EQ(module.receivedBytes().size(), before);

    const QString file = inStart("bemenet1.wav");
    ASSERT_TRUE(WriteBytes(file, CanonicalWav(Counting(300, 5))));
    edit("Edit9")->setText(file);
    button("BitBtn13")->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), voice().Texts.Uploaded.arg(QStringLiteral("bemenet1.wav")));
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(waitFor([&] { return !awaitingMemoryWrite(); }));
}
