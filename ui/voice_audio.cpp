#include "voice_audio.h"

#include "k6media/wav_check.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <sndfile.h>
#include <unistd.h>
#include <vector>

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

class SystemVoiceAudio final : public VoiceAudio {
public:
    explicit SystemVoiceAudio(QObject* parent)
        : VoiceAudio(parent) {}
    ~SystemVoiceAudio() override {
        StopPlayback();
        StopRecording();
    }

    bool CanPlay() const override {
        return SoundServerReachable() && !QMediaDevices::defaultAudioOutput().isNull();
    }
    bool CanRecord() const override {
        return SoundServerReachable() && !QMediaDevices::defaultAudioInput().isNull();
    }

    bool Play(const QString& path, QString* error) override {
        StopPlayback();
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!f) {
            if (error) *error = QString::fromLocal8Bit(sf_strerror(nullptr));
            return false;
        }
        std::vector<short> frames(static_cast<std::size_t>(info.frames * info.channels));
        const sf_count_t got = sf_readf_short(f, frames.data(), info.frames);
        sf_close(f);
        QAudioFormat format;
        format.setSampleRate(info.samplerate);
        format.setChannelCount(info.channels);
        format.setSampleFormat(QAudioFormat::Int16);
        const QAudioDevice device = CanPlay() ? QMediaDevices::defaultAudioOutput() : QAudioDevice();
        if (device.isNull() || !device.isFormatSupported(format)) {
            if (error) *error = QStringLiteral("%1 Hz, %2").arg(info.samplerate).arg(info.channels);
            return false;
        }
        playData_ = QByteArray(reinterpret_cast<const char*>(frames.data()),
                               static_cast<qsizetype>(got * info.channels * sizeof(short)));
        playBuffer_ = std::make_unique<QBuffer>(&playData_);
        playBuffer_->open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(device, format);
        connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State s) {
            if (s == QAudio::IdleState) {
                StopPlayback();
                emit PlaybackFinished();
            }
        });
        sink_->start(playBuffer_.get());
        return true;
    }

    void StopPlayback() override {
        if (sink_) {
            sink_->disconnect(this);
            sink_->stop();
            // Deleting the sink from inside its own state signal is not allowed. Owned by this
            // object meanwhile, so a sink whose deferred deletion never comes (the program ends
            // first) goes with it.
            QAudioSink* sink = sink_.release();
            sink->setParent(this);
            sink->deleteLater();
        }
        playBuffer_.reset();
    }

    bool StartRecording(QString* error) override {
        StopRecording();
        QAudioFormat format;
        format.setSampleRate(k6media::kModuleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::UInt8);
        const QAudioDevice device = CanRecord() ? QMediaDevices::defaultAudioInput() : QAudioDevice();
        if (device.isNull() || !device.isFormatSupported(format)) {
            if (error) *error = device.description();
            return false;
        }
        recorded_.clear();
        recordBuffer_ = std::make_unique<QBuffer>(&recorded_);
        recordBuffer_->open(QIODevice::WriteOnly);
        source_ = std::make_unique<QAudioSource>(device, format);
        source_->start(recordBuffer_.get());
        return true;
    }

    QByteArray StopRecording() override {
        if (!source_) return {};
        source_->stop();
        source_.reset();
        recordBuffer_.reset();
        return std::exchange(recorded_, {});
    }

private:
    QByteArray playData_;
    std::unique_ptr<QBuffer> playBuffer_;
    std::unique_ptr<QAudioSink> sink_;
    QByteArray recorded_;
    std::unique_ptr<QBuffer> recordBuffer_;
    std::unique_ptr<QAudioSource> source_;
};

} // namespace

std::unique_ptr<VoiceAudio> MakeSystemVoiceAudio(QObject* parent) {
    return std::make_unique<SystemVoiceAudio>(parent);
}

} // namespace dalvex
