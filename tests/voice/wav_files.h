#pragma once
// Voice files for the tests, written byte by byte so that each test knows exactly what the file
// holds, and a few written through libsndfile in other formats.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <cstdint>
#include <sndfile.h>
#include <vector>

namespace dalvex::voice::test {

// A canonical WAV: 44-byte header ("data" at 36), 8 kHz, 8-bit, mono, then the samples.
inline QByteArray CanonicalWav(const QByteArray& samples) {
    auto le32 = [](QByteArray& b, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto le16 = [](QByteArray& b, std::uint16_t v) {
        b.append(static_cast<char>(v & 0xFF));
        b.append(static_cast<char>(v >> 8));
    };
    QByteArray b("RIFF");
    le32(b, static_cast<std::uint32_t>(36 + samples.size()));
    b.append("WAVEfmt ");
    le32(b, 16);
    le16(b, 1); // PCM
    le16(b, 1); // mono
    le32(b, 8000);
    le32(b, 8000);
    le16(b, 1);
    le16(b, 8);
    b.append("data");
    le32(b, static_cast<std::uint32_t>(samples.size()));
    return b + samples;
}

// Sample bytes counting 0, 1, 2 ... 255, 0, 1 ...: a block shows where it came from.
inline QByteArray Counting(int n, int from = 0) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>((from + i) & 0xFF);
    return b;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A sine tone through libsndfile in any format.
inline bool WriteTone(const QString& path, int format, int rate, int channels, double seconds,
                      double amplitude = 0.8, double hz = 440) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) return false;
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> data(static_cast<std::size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[static_cast<std::size_t>(i * channels + c)] =
                static_cast<float>(amplitude * std::sin(2 * 3.14159265358979 * hz * i / rate));
    const bool ok = sf_writef_float(f, data.data(), frames) == frames;
    sf_close(f);
    return ok;
}

} // namespace dalvex::voice::test
