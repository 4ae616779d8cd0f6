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
#include <cstddef>
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

// The page's widgets of a voice slot, by component name, and the texts they start with.
struct VoiceSlotWidgets {
    k6media::VoiceMessage message;
    const char* caption;      // row caption, or the developer button's caption
    const char* captionLabel; // the caption's label; nullptr for the developer buttons
    const char* edit;         // the file edit; nullptr for the developer uploads
    const char* button;       // the upload button
    const char* handler;      // the upload button's handler
    const char* player;       // the player; nullptr for the developer uploads
};

// In the order of k6media::kVoiceSlots.
inline constexpr std::array<VoiceSlotWidgets, k6media::kVoiceSlots.size()> kVoiceSlotWidgets{{
    {k6media::VoiceMessage::Identifier, "Azonosító:", "LabelEdit16", "Edit16", "BitBtn9", "BitBtn9Click",
     "MediaPlayer1"},
    {k6media::VoiceMessage::Input1, "Bemenet 1:", "Label92", "Edit9", "BitBtn13", "Button8Click",
     "MediaPlayer2"},
    {k6media::VoiceMessage::Input2, "Bemenet 2:", "Label93", "Edit13", "BitBtn12", "Button9Click",
     "MediaPlayer3"},
    {k6media::VoiceMessage::Input3, "Bemenet 3:", "Label94", "Edit14", "BitBtn11", "Button10Click",
     "MediaPlayer4"},
    {k6media::VoiceMessage::Input4, "Bemenet 4:", "Label95", "Edit15", "BitBtn10", "Button11Click",
     "MediaPlayer5"},
    {k6media::VoiceMessage::PowerSupply, "Tápfesz.:", "LabelEdit20", "Edit20", "BitBtn14", "BitBtn14Click",
     "MediaPlayer6"},
    {k6media::VoiceMessage::Tamper, "Tamper:", "Label105", "Edit19", "BitBtn15", "BitBtn15Click",
     "MediaPlayer7"},
    {k6media::VoiceMessage::Siren, "Sziréna Hangfile Beírása", nullptr, nullptr, "Button7", "Button7Click",
     nullptr},
    {k6media::VoiceMessage::Dtmf, "DTMF", nullptr, nullptr, "Button18", "Button18Click", nullptr},
}};

constexpr bool VoiceSlotWidgetsInSlotOrder() {
    for (std::size_t i = 0; i < kVoiceSlotWidgets.size(); ++i)
        if (kVoiceSlotWidgets[i].message != k6media::kVoiceSlots[i].id ||
            (kVoiceSlotWidgets[i].edit == nullptr) != k6media::kVoiceSlots[i].developer)
            return false;
    return true;
}
static_assert(VoiceSlotWidgetsInSlotOrder(),
              "one row of widgets per voice slot, a file edit per message row");

// The widgets of a slot.
constexpr const VoiceSlotWidgets& WidgetsOf(const k6media::VoiceSlot& slot) {
    return kVoiceSlotWidgets[static_cast<std::size_t>(slot.id)];
}

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
    QString ChooseFile = QStringLiteral("Előbb válasszon hangfájlt ehhez az üzenethez.");
    QString Uploaded = QStringLiteral("Hangüzenet feltöltve: %1");
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
    void PlayerClick(int row,
                     PlayerButton b); // design: MediaPlayer1Click; every player's Play, Stop and Record
    void RecordingTick();             // design: Timer5Timer
    void PageLeft();                  // design: TabSheet22Exit
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
    QProgressBar* UploadProgress = nullptr; // design: Gauge1
    QLabel* RecordingCountdown = nullptr;   // design: Label166; recording countdown
    QLabel* FormatLabel = nullptr;          // design: Label97; the required format
    QTimer* RecordingTimer = nullptr;       // design: Timer5
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
