// The voice files' reading, conversion and writing through libsndfile and libsamplerate. Apart from
// the other voice functions so that a program can take these from elsewhere (the windows load them
// with the sound device, on first use).
#include "wav_check.h"

#include "k6config/config_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>
#include <samplerate.h>
#include <sndfile.h>
#include <vector>

namespace dalvex::k6media {

// --- libsndfile ------------------------------------------------------------------------------------

namespace {

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileCloser>;

// A WAV file built in memory, so that it reaches the disk atomically.
struct MemoryFile {
    QByteArray bytes;
    sf_count_t position = 0;

    static SF_VIRTUAL_IO io() {
        SF_VIRTUAL_IO v{};
        v.get_filelen = [](void* u) -> sf_count_t { return self(u).bytes.size(); };
        v.seek = [](sf_count_t offset, int whence, void* u) -> sf_count_t {
            MemoryFile& m = self(u);
            sf_count_t base = 0;
            if (whence == SEEK_CUR) base = m.position;
            if (whence == SEEK_END) base = m.bytes.size();
            m.position = std::max<sf_count_t>(0, base + offset);
            return m.position;
        };
        v.read = [](void* ptr, sf_count_t count, void* u) -> sf_count_t {
            MemoryFile& m = self(u);
            const sf_count_t n = std::clamp<sf_count_t>(m.bytes.size() - m.position, 0, count);
            std::memcpy(ptr, m.bytes.constData() + m.position, static_cast<std::size_t>(n));
            m.position += n;
            return n;
        };
        v.write = [](const void* ptr, sf_count_t count, void* u) -> sf_count_t {
            MemoryFile& m = self(u);
            if (m.position + count > m.bytes.size()) m.bytes.resize(m.position + count);
            std::memcpy(m.bytes.data() + m.position, ptr, static_cast<std::size_t>(count));
            m.position += count;
            return count;
        };
        v.tell = [](void* u) -> sf_count_t { return self(u).position; };
        return v;
    }
    static MemoryFile& self(void* u) { return *static_cast<MemoryFile*>(u); }
};

SF_INFO ModuleInfo() {
    SF_INFO info{};
    info.samplerate = kModuleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
    return info;
}

// A WAV data chunk of odd length is followed by a pad byte 0. The upload sends every byte behind the
// data tag, so the module would end the message on that byte: a full-scale click. A module file
// therefore always holds an even number of samples, the last one written twice when needed.
bool NeedsEvenLength(sf_count_t samples) {
    return samples % 2 != 0;
}

bool Fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

QString SndError(SNDFILE* f) {
    return QString::fromLocal8Bit(sf_strerror(f));
}

bool Commit(const QString& path, const MemoryFile& memory, QString* error) {
    const k6config::FileResult r = k6config::WriteFileAtomically(path, memory.bytes);
    if (!r) return Fail(error, r.detail.isEmpty() ? path : path + QStringLiteral(": ") + r.detail);
    return true;
}

QString FormatName(int format, int command) {
    SF_FORMAT_INFO fi{};
    fi.format = format;
    if (sf_command(nullptr, command, &fi, sizeof fi) != 0 || !fi.name) return {};
    return QString::fromLatin1(fi.name);
}

} // namespace

std::optional<WavFormat> ReadWavFormat(const QString& path, QString* error) {
    SF_INFO info{};
    SndFile f(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!f) {
        if (error) *error = SndError(nullptr);
        return std::nullopt;
    }
    return WavFormat{info.format, info.samplerate, info.channels, static_cast<qint64>(info.frames)};
}

QString DescribeWavFormat(const WavFormat& f, const VoiceTexts& texts) {
    QString bits, encoding = QStringLiteral("PCM");
    switch (f.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        bits = QStringLiteral("8 bit");
        break;
    case SF_FORMAT_PCM_16:
        bits = QStringLiteral("16 bit");
        break;
    case SF_FORMAT_PCM_24:
        bits = QStringLiteral("24 bit");
        break;
    case SF_FORMAT_PCM_32:
        bits = QStringLiteral("32 bit");
        break;
    case SF_FORMAT_FLOAT:
        bits = QStringLiteral("32 bit float");
        encoding.clear();
        break;
    case SF_FORMAT_DOUBLE:
        bits = QStringLiteral("64 bit float");
        encoding.clear();
        break;
    default:
        encoding = FormatName(f.format & SF_FORMAT_SUBMASK, SFC_GET_FORMAT_SUBTYPE);
        break;
    }
    const int major = f.format & SF_FORMAT_TYPEMASK;
    const QString container = major == SF_FORMAT_WAV ? QString() : FormatName(major, SFC_GET_FORMAT_MAJOR);
    const QString channels = f.channels == 1   ? texts.Mono
                             : f.channels == 2 ? texts.Stereo
                                               : texts.Channels.arg(f.channels);
    QStringList parts{container, QStringLiteral("%1 Hz").arg(f.sampleRate), bits, channels, encoding};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

bool ConvertToModuleFormat(const QString& source, const QString& target, QString* error) {
    SF_INFO in{};
    SndFile src(sf_open(QFile::encodeName(source).constData(), SFM_READ, &in));
    if (!src) return Fail(error, SndError(nullptr));
    if (in.channels < 1 || in.samplerate < 1) return Fail(error, SndError(src.get()));

    MemoryFile memory;
    SF_VIRTUAL_IO io = MemoryFile::io();
    SF_INFO outInfo = ModuleInfo();
    SndFile out(sf_open_virtual(&io, SFM_WRITE, &outInfo, &memory));
    if (!out) return Fail(error, SndError(nullptr));
    sf_command(out.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    const double ratio = static_cast<double>(kModuleRate) / in.samplerate;
    int srcError = 0;
    std::unique_ptr<SRC_STATE, decltype(&src_delete)> resampler(
        ratio == 1.0 ? nullptr : src_new(SRC_SINC_MEDIUM_QUALITY, 1, &srcError), &src_delete);
    if (ratio != 1.0 && !resampler) return Fail(error, QString::fromLatin1(src_strerror(srcError)));

    sf_count_t written = 0;
    float last = 0;
    const auto write = [&](const float* data, sf_count_t n) {
        if (n <= 0) return;
        written += sf_write_float(out.get(), data, n);
        last = data[n - 1];
    };

    constexpr sf_count_t kChunk = 4096;
    std::vector<float> frames(static_cast<std::size_t>(kChunk * in.channels));
    std::vector<float> mono;
    std::vector<float> resampled(static_cast<std::size_t>(kChunk * ratio) + 256);
    bool end = false;
    for (;;) {
        if (!end) {
            const sf_count_t n = sf_readf_float(src.get(), frames.data(), kChunk);
            if (n <= 0) end = true;
            for (sf_count_t i = 0; i < n; ++i) {
                float sum = 0;
                for (int c = 0; c < in.channels; ++c)
                    sum += frames[static_cast<std::size_t>(i * in.channels + c)];
                mono.push_back(sum / static_cast<float>(in.channels));
            }
        }
        if (!resampler) {
            write(mono.data(), static_cast<sf_count_t>(mono.size()));
            mono.clear();
            if (end) break;
            continue;
        }
        SRC_DATA d{};
        d.data_in = mono.data();
        d.input_frames = static_cast<long>(mono.size());
        d.data_out = resampled.data();
        d.output_frames = static_cast<long>(resampled.size());
        d.end_of_input = end ? 1 : 0;
        d.src_ratio = ratio;
        if (const int e = src_process(resampler.get(), &d))
            return Fail(error, QString::fromLatin1(src_strerror(e)));
        write(resampled.data(), d.output_frames_gen);
        mono.erase(mono.begin(), mono.begin() + d.input_frames_used);
        if (end && d.output_frames_gen == 0 && (mono.empty() || d.input_frames_used == 0)) break;
    }
    if (NeedsEvenLength(written)) write(&last, 1);
    if (sf_error(out.get()) != SF_ERR_NO_ERROR) return Fail(error, SndError(out.get()));
    out.reset(); // completes the header
    return Commit(target, memory, error);
}

bool WriteModuleWav(const QString& path, std::span<const std::uint8_t> samples, QString* error) {
    MemoryFile memory;
    SF_VIRTUAL_IO io = MemoryFile::io();
    SF_INFO info = ModuleInfo();
    SndFile out(sf_open_virtual(&io, SFM_WRITE, &info, &memory));
    if (!out) return Fail(error, SndError(nullptr));
    const auto size = static_cast<sf_count_t>(samples.size());
    if (size > 0 && sf_write_raw(out.get(), samples.data(), size) != size)
        return Fail(error, SndError(out.get()));
    if (NeedsEvenLength(size) && sf_write_raw(out.get(), &samples.back(), 1) != 1)
        return Fail(error, SndError(out.get()));
    out.reset();
    return Commit(path, memory, error);
}

} // namespace dalvex::k6media
