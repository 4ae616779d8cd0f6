#include "voice_audio.h"

#include "on_demand_parts.h"

#include <QFileInfo>
#include <QStringList>
#include <unistd.h>

namespace dalvex {

namespace {

// Qt's sound devices come from the PulseAudio server (PipeWire answers for it too). Without a
// server there is no device, and asking Qt would only print its failed connection attempt.
bool SoundServerReachable() {
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) return true;
    QStringList sockets{QStringLiteral("/run/pulse/native"), QStringLiteral("/var/run/pulse/native")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) sockets.prepend(runtime + QStringLiteral("/pulse/native"));
    sockets.prepend(QStringLiteral("/run/user/%1/pulse/native").arg(::getuid()));
    for (const QString& s : sockets)
        if (QFileInfo::exists(s)) return true;
    return false;
}

// The device of the module of on-demand parts, made the first time it is needed: where no sound
// server runs, never.
class SystemVoiceAudio final : public VoiceAudio {
public:
    using VoiceAudio::VoiceAudio;

    bool CanPlay() const override { return device() && device()->CanPlay(); }
    bool CanRecord() const override { return device() && device()->CanRecord(); }
    bool Play(const QString& path, QString* error) override {
        if (SoundDevice* d = device(error)) return d->Play(path, error);
        return false;
    }
    void StopPlayback() override {
        if (device_) device_->StopPlayback();
    }
    bool StartRecording(QString* error) override {
        if (SoundDevice* d = device(error)) return d->StartRecording(error);
        return false;
    }
    QByteArray StopRecording() override { return device_ ? device_->StopRecording() : QByteArray(); }

private:
    // None where no sound server runs: the module is not loaded and Qt is not asked.
    SoundDevice* device(QString* error = nullptr) const {
        if (!device_ && SoundServerReachable())
            if (const OnDemandParts* parts = LoadOnDemandParts(error)) {
                device_.reset(parts->MakeSoundDevice());
                auto* self = const_cast<SystemVoiceAudio*>(this);
                device_->PlaybackFinished = [self] { emit self->PlaybackFinished(); };
            }
        return device_.get();
    }

    mutable std::unique_ptr<SoundDevice> device_;
};

} // namespace

std::unique_ptr<VoiceAudio> MakeSystemVoiceAudio(QObject* parent) {
    return std::make_unique<SystemVoiceAudio>(parent);
}

} // namespace dalvex
