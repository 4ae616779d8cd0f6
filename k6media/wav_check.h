#pragma once
// The voice file checks and conversions.
//
// The upload's own check: the four bytes "data" somewhere at offsets 0 to 252 of the file's first
// 256 bytes (the first match wins); the samples start right behind the chunk's size field, at the
// match + 8, and run to the end of the file. That is all the module needs: it plays the bytes as
// they stand, 8 kHz, 8-bit unsigned, mono.
//
// Beside it, the format chunk read with libsndfile: a file in another format can be converted
// into a new 8 kHz, 8-bit, mono PCM file beside it (libsamplerate for the rate); the original is
// never changed. Recordings are written in the same format.

#include "k6media/voice_texts.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace dalvex::k6media {

inline constexpr int kWavHeadBytes = 256;
inline constexpr int kLastTagOffset = 252;
inline constexpr int kTagToSamples = 8; // "data" and the chunk's four-byte size
inline constexpr int kModuleRate = 8000;

// The offset of the first "data" tag at 0..252 of `head` (its first 256 bytes are looked at).
std::optional<int> FindDataTag(std::span<const std::uint8_t> head);

enum class WavProblem {
    None,
    CannotOpen, // missing, unreadable (reason says why)
    Folder,     // the name is a folder
    TooShort,   // fewer than 256 bytes
    NoDataTag,  // "Rossz formátum"
};

struct WavCheck {
    WavProblem problem = WavProblem::None;
    QString reason;         // the system's words for CannotOpen
    qint64 fileSize = 0;    // the whole file, header included
    int tagOffset = -1;     // where "data" stands
    qint64 sampleStart = 0; // tagOffset + 8
    bool ok() const { return problem == WavProblem::None; }
};

// The check of the file edits and the upload. With `samples`, the sample bytes from sampleStart
// on are read too, at most `maxSamples` of them (the file is opened and closed here).
WavCheck CheckWav(const QString& path, QByteArray* samples = nullptr, qint64 maxSamples = 0);
// The message for a failed check, empty for a good one.
QString WavCheckMessage(const WavCheck& check, const QString& path, const VoiceTexts& texts);

// The format as libsndfile reads it.
struct WavFormat {
    int format = 0; // SF_FORMAT_* container | subtype
    int sampleRate = 0;
    int channels = 0;
    qint64 frames = 0;
};
std::optional<WavFormat> ReadWavFormat(const QString& path, QString* error = nullptr);
// WAV, 8 kHz, mono, 8-bit unsigned PCM: what the module plays.
bool IsModuleFormat(const WavFormat& format);
// "44100 Hz, 16 bit, sztereó, PCM" and the like.
QString DescribeWavFormat(const WavFormat& format, const VoiceTexts& texts);

// A free name beside `source` for its converted copy: "name_8k.wav", then "name_8k_2.wav" ...
QString ConvertedFileName(const QString& source);

// Converts `source` into a new module-format file at `target` (mixed down to mono, resampled to
// 8 kHz, 8-bit unsigned). The target is written atomically. False with `error` on failure.
bool ConvertToModuleFormat(const QString& source, const QString& target, QString* error = nullptr);

// Writes 8-bit unsigned mono samples as an 8 kHz WAV file, atomically.
bool WriteModuleWav(const QString& path, std::span<const std::uint8_t> samples, QString* error = nullptr);

} // namespace dalvex::k6media
