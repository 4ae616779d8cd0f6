// The voice files' functions of k6media (wav_check.h) for the windows' program: the module of the
// on-demand parts has them with libsndfile and libsamplerate, loaded the first time a voice file
// is read or written. Linked into the program itself, ahead of k6media's own, which the program
// then leaves out, and with them the two libraries.
#include "ui/on_demand_parts.h"

namespace dalvex::k6media {

namespace {
const OnDemandParts* parts(QString* error) {
    QString reason;
    const OnDemandParts* p = LoadOnDemandParts(&reason);
    if (!p && error) *error = reason;
    return p;
}
} // namespace

std::optional<WavFormat> ReadWavFormat(const QString& path, QString* error) {
    const OnDemandParts* p = parts(error);
    return p ? p->ReadWavFormat(path, error) : std::nullopt;
}

QString DescribeWavFormat(const WavFormat& format, const VoiceTexts& texts) {
    const OnDemandParts* p = parts(nullptr);
    return p ? p->DescribeWavFormat(format, texts) : QString();
}

bool ConvertToModuleFormat(const QString& source, const QString& target, QString* error) {
    const OnDemandParts* p = parts(error);
    return p && p->ConvertToModuleFormat(source, target, error);
}

bool WriteModuleWav(const QString& path, std::span<const std::uint8_t> samples, QString* error) {
    const OnDemandParts* p = parts(error);
    return p && p->WriteModuleWav(path, samples, error);
}

} // namespace dalvex::k6media
