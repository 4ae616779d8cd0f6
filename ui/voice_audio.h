#pragma once
// The sound device of the "Hangok" page: plays a WAV file and records the microphone in the
// module's format (8 kHz, 8-bit unsigned, mono). The page holds it through this interface, so
// tests use a fake device and the page works (uploads included) on a machine without sound.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace dalvex {

class VoiceAudio : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether there is a device to play on / to record from.
    virtual bool CanPlay() const = 0;
    virtual bool CanRecord() const = 0;
    // Plays a WAV file from its start; false, with the reason, when it can't.
    virtual bool Play(const QString& path, QString* error) = 0;
    virtual void StopPlayback() = 0;
    // Starts recording 8 kHz, 8-bit unsigned, mono samples; false, with the reason, when it can't.
    virtual bool StartRecording(QString* error) = 0;
    // Ends the recording and hands over its samples.
    virtual QByteArray StopRecording() = 0;

signals:
    // A playback reached the end of its file.
    void PlaybackFinished();
};

// The device of the machine, through Qt Multimedia (files decoded with libsndfile), loaded on first
// use (on_demand_parts.h).
std::unique_ptr<VoiceAudio> MakeSystemVoiceAudio(QObject* parent = nullptr);

} // namespace dalvex
