#pragma once
// Firmware folders for tests: the build's stand-in images, and folders with a manifest that a test
// writes itself (good images, wrong checksums, missing slots).

#include "k6media/firmware_image.h"
#include "k6media/firmware_library.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace dalvex::test {

inline QString StandinFirmwareDir() {
    return QStringLiteral(DALVEX_STANDIN_FIRMWARE_DIR);
}

// The developer switch that lets stand-in images through, set (or cleared) for the object's life.
struct StandinSwitch {
    explicit StandinSwitch(bool on = true) {
        if (on)
            setenv(k6media::kStandinSwitch, "1", 1);
        else
            unsetenv(k6media::kStandinSwitch);
    }
    ~StandinSwitch() { unsetenv(k6media::kStandinSwitch); }
    StandinSwitch(const StandinSwitch&) = delete;
    StandinSwitch& operator=(const StandinSwitch&) = delete;
};

// A hexadecimal image text of the product images' shape (57,360 bytes in lines of 1 to 29 digits,
// ending in 0xFF bytes) that is no stand-in.
inline QByteArray MakeImageText(std::uint8_t seed) {
    constexpr int kBytes = 57360, kTail = 2048;
    QByteArray bytes(kBytes, '\xFF');
    std::uint32_t x = 0x9E3779B9u ^ seed;
    for (int i = 0; i < kBytes - kTail; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>((x >> 24) % 255); // 0xFF stays the closing run's
    }
    const QByteArray digits = bytes.toHex().toUpper();
    QByteArray text;
    for (qsizetype pos = 0, n = 0; pos < digits.size(); pos += n) {
        n = std::min<qsizetype>(1 + (pos / 7 + seed) % 29, digits.size() - pos);
        text += digits.mid(pos, n) + '\n';
    }
    return text;
}

// The download buffer as an image file's text converts, computed apart from FirmwareData: what a
// good image must put on the wire.
inline std::vector<std::uint8_t> ConvertedImage(const QByteArray& fileText) {
    const QByteArray joined = k6media::JoinFirmwareLines(fileText);
    std::vector<std::uint8_t> image(k6media::kFirmwareImageSize, 0);
    k6media::ConvertFirmwareText(std::string_view(joined.constData(), static_cast<std::size_t>(joined.size())),
                                 image);
    return image;
}

// A firmware folder with a manifest: a temporary one, or `path` (made when missing).
class FirmwareFolder {
public:
    FirmwareFolder() { path_ = temp_.path(); }
    explicit FirmwareFolder(const QString& path)
        : path_(path) {
        QDir().mkpath(path_);
    }
    const QString& path() const { return path_; }
    QString file(int slot) const { return QDir(path_).filePath(QStringLiteral("slot%1.txt").arg(slot)); }

    // The slot's image with its manifest line; the manifest carries `sha256` instead of the file's
    // own when given.
    void add(int slot, int version, const QByteArray& text, bool standin = false, QByteArray sha256 = {}) {
        QFile f(file(slot));
        if (f.open(QIODevice::WriteOnly)) f.write(text);
        if (sha256.isEmpty()) sha256 = QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
        appendManifest(QStringLiteral("%1 %2 %3 slot%1.txt%4\n")
                           .arg(slot)
                           .arg(version)
                           .arg(QString::fromLatin1(sha256), standin ? QStringLiteral(" standin") : QString())
                           .toUtf8());
    }
    // Good images (no stand-ins) for the slots and versions of the build's stand-ins.
    FirmwareFolder& addGoodImages() {
        for (auto [slot, version] : {std::pair{10, 83}, std::pair{12, 83}, std::pair{13, 84}, std::pair{14, 83}})
            add(slot, version, MakeImageText(static_cast<std::uint8_t>(slot)));
        return *this;
    }
    // The build's stand-in images and their manifest.
    void copyStandins() {
        const QDir from(StandinFirmwareDir());
        for (const QString& name : from.entryList(QDir::Files)) {
            QFile::remove(QDir(path_).filePath(name));
            QFile::copy(from.filePath(name), QDir(path_).filePath(name));
        }
    }
    void appendManifest(const QByteArray& lines) {
        QFile m(QDir(path_).filePath(QString::fromLatin1(k6media::kManifestName)));
        if (m.open(QIODevice::Append)) m.write(lines);
    }

private:
    QTemporaryDir temp_;
    QString path_;
};

} // namespace dalvex::test
