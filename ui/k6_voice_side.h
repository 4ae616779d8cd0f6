#pragma once
// The "Hangok" page of the K6 window (TabSheet22): the seven message rows with their file edits,
// upload buttons and players, the recording countdown, the upload gauge and the developer uploads.
// The upload itself and the file checks are k6media's; this side does the widget work, the sound
// device, and implements the upload's host.

#include "k6media/voice_upload.h"
#include "voice_audio.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;

namespace dalvex {

class ConfigWindow;

// Texts of the page; the language pass replaces them.
struct VoicePageTexts {
    QString Title = QStringLiteral("Hangok");
    QString Upload = QStringLiteral("Feltöltés");
    QString Format = QStringLiteral("Hangfájl formátuma: 8Khz, 8bit, mono, PCM");
    QString Play = QStringLiteral("Lejátszás");
    QString Stop = QStringLiteral("Stop");
    QString Record = QStringLiteral("Felvétel");
    QString NoOutput =
        QStringLiteral("Nincs hangkimeneti eszköz (hangszóró), ezért a lejátszás nem lehetséges.");
    QString NoInput =
        QStringLiteral("Nincs hangbemeneti eszköz (mikrofon), ezért a felvétel nem lehetséges.");
    QString PlayFailed = QStringLiteral("A hangfájl nem játszható le: %1\n%2");
    QString RecordFailed = QStringLiteral("A felvétel nem indítható: %1");
    QString SaveFailed = QStringLiteral("A felvétel nem menthető: %1");
    QString FileFilterVoice = QStringLiteral("Voice Files (*.wav)");
    QString FileFilterAll = QStringLiteral("All Files (*)");
};

class K6VoiceSide : public QObject, private k6media::VoiceUploadHost {
    Q_OBJECT
public:
    enum class PlayerButton { Play, Stop, Record };

    explicit K6VoiceSide(ConfigWindow& window);
    ~K6VoiceSide() override;

    // The sound device; the system's unless a test puts in its own.
    void SetAudio(std::unique_ptr<VoiceAudio> audio);
    VoiceAudio& Audio() { return *audio_; }

    // Handlers.
    void EditClick(int row);    // Edit16Click, Edit9Click .. Edit20Click
    void UploadClick(int slot); // BitBtn9Click .. BitBtn15Click, Button7Click, Button18Click
    void MediaPlayer1Click(int row, PlayerButton b); // every player's Play, Stop and Record
    void Timer5Timer();
    void TabSheet22Exit();
    // The K6 window's activation: the players and the recorded files from the start directory's
    // "base.wav", the sound device looked at again.
    void Activate();
    // The developer access code shows the siren and DTMF uploads.
    void ShowDeveloperButtons(bool shown);
    // Puts the texts back on the page's controls after the language pass changed them.
    void ApplyTexts();

    k6media::VoiceUpload& Upload() { return *upload_; }
    QString StartDir() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Widgets by row (0 .. 6, table order).
    std::array<QLineEdit*, k6media::kMessageSlots> Edits{};
    std::array<QPushButton*, k6media::kVoiceSlots.size()> UploadButtons{};
    std::array<QWidget*, k6media::kMessageSlots> Players{};
    QProgressBar* Gauge1 = nullptr;
    QLabel* Label166 = nullptr; // recording countdown
    QLabel* Label97 = nullptr;  // the required format
    QTimer* Timer5 = nullptr;
    int Count = 0;         // seconds of recording left
    int RecordingRow = -1; // the row recording now, or -1
    int PlayingRow = -1;   // the row playing now, or -1

    VoicePageTexts Texts;

private:
    void Build();
    QToolButton* PlayerButtonOf(int row, PlayerButton b) const;
    void EnablePlayers(bool enabled, int except = -1);
    void ApplyDevice();
    // Ends a recording: the samples become the row's recorded file, its edit "Internal".
    void FinishRecording();
    QString PlayFile(int row) const;

    // VoiceUploadHost
    void ShowGauge(int maximum) override;
    void StepGauge() override;
    void HideGauge() override;
    void ClosePlayer(const k6media::VoiceSlot& slot) override;
    void ReopenPlayers() override;
    void ShowMessage(const QString& text) override;
    bool Ask(const QString& text) override;
    void SetEditText(const k6media::VoiceSlot& slot, const QString& text) override;
    bool EngineActive() override;

    ConfigWindow& w_;
    std::unique_ptr<VoiceAudio> audio_;
    std::unique_ptr<k6media::VoiceUpload> upload_;
    QPointer<QWidget> page_;
    QPointer<QWidget> shownPage_; // the page control's page, to see this one being left
};

} // namespace dalvex
