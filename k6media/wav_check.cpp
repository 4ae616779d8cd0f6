#include "wav_check.h"

#include "k6config/config_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <sndfile.h>
#include <vector>

namespace dalvex::k6media {

std::optional<int> FindDataTag(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kTag[] = {'d', 'a', 't', 'a'};
    const int size = static_cast<int>(std::min<std::size_t>(head.size(), kWavHeadBytes));
    for (int i = 0; i <= kLastTagOffset && i + 4 <= size; ++i)
        if (std::memcmp(head.data() + i, kTag, sizeof kTag) == 0) return i;
    return std::nullopt;
}

WavCheck CheckWav(const QString& path, QByteArray* samples, qint64 maxSamples) {
    WavCheck c;
    const QFileInfo info(path);
    if (info.isDir()) {
        c.problem = WavProblem::Folder;
        return c;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        c.problem = WavProblem::CannotOpen;
        c.reason = f.errorString();
        return c;
    }
    c.fileSize = f.size();
    const QByteArray head = f.read(kWavHeadBytes);
    if (head.size() < kWavHeadBytes) {
        c.problem = WavProblem::TooShort;
        c.fileSize = std::max<qint64>(c.fileSize, head.size());
        return c;
    }
    const auto tag =
        FindDataTag(std::span(reinterpret_cast<const std::uint8_t*>(head.constData()), kWavHeadBytes));
    if (!tag) {
        c.problem = WavProblem::NoDataTag;
        return c;
    }
    c.tagOffset = *tag;
    c.sampleStart = *tag + kTagToSamples;
    if (samples) {
        samples->clear();
        if (!f.seek(c.sampleStart)) return c; // the file ends inside the size field: no samples
        *samples = f.read(maxSamples);
        if (f.error() != QFileDevice::NoError) {
            c.problem = WavProblem::CannotOpen;
            c.reason = f.errorString();
        }
    }
    return c;
}

QString WavCheckMessage(const WavCheck& check, const QString& path, const VoiceTexts& texts) {
    switch (check.problem) {
    case WavProblem::None:
        return {};
    case WavProblem::CannotOpen:
        return texts.CannotOpen.arg(path, check.reason);
    case WavProblem::Folder:
        return texts.IsFolder.arg(path);
    case WavProblem::TooShort:
        return texts.TooShort.arg(path).arg(check.fileSize);
    case WavProblem::NoDataTag:
        return texts.BadFormat;
    }
    return {};
}

bool IsModuleFormat(const WavFormat& f) {
    return f.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) && f.sampleRate == kModuleRate && f.channels == 1;
}

QString ConvertedFileName(const QString& source) {
    const QFileInfo info(source);
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("_8k"));
    QString name = stem + QStringLiteral(".wav");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QStringLiteral("_%1.wav").arg(n);
    return name;
}

} // namespace dalvex::k6media
