#include "firmware_library.h"

#include "k6media/firmware_slots.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dalvex::k6media {

namespace {

constexpr int kSha256Digits = 64;

bool IsHex(const QByteArray& s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// A file name of the manifest's own folder: no folder part, nothing hidden behind "..".
bool IsPlainFileName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

QString UserDataHome() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base;
}

} // namespace

QStringList FirmwareLibrary::DefaultFolders() {
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/../share/dalvex/firmware"));
    folders << QStringLiteral("/usr/share/dalvex/firmware");
    folders << UserDataHome() + QStringLiteral("/Dalvex/firmware");
    folders.removeDuplicates();
    return folders;
}

FirmwareLibrary FirmwareLibrary::Load(const QStringList& folders) {
    FirmwareLibrary lib;
    lib.folders_ = folders;
    for (const QString& folder : folders) {
        QFile manifest(QDir(folder).filePath(QString::fromLatin1(kManifestName)));
        if (!manifest.open(QIODevice::ReadOnly)) continue;
        int lineNo = 0;
        while (!manifest.atEnd()) {
            ++lineNo;
            QByteArray line = manifest.readLine(4096);
            if (const qsizetype hash = line.indexOf('#'); hash >= 0) line.truncate(hash);
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() == 1 && f[0].isEmpty()) continue;
            const auto problem = [&](const char* what) {
                lib.problems_ << QStringLiteral("%1:%2: %3").arg(manifest.fileName()).arg(lineNo).arg(
                    QLatin1String(what));
            };
            if (f.size() < 4 || f.size() > 5 || (f.size() == 5 && f[4] != "standin")) {
                problem("expected: slot version sha256 file [standin]");
                continue;
            }
            bool slotOk = false, versionOk = false;
            FirmwareEntry e;
            e.slot = f[0].toInt(&slotOk);
            e.version = f[1].toInt(&versionOk);
            e.sha256 = f[2].toLower();
            const QString name = QString::fromUtf8(f[3]);
            e.standin = f.size() == 5;
            if (!slotOk || !FindFirmwareSlot(e.slot)) {
                problem("unknown slot");
                continue;
            }
            if (!versionOk || e.version <= 0 || e.version > 255) {
                problem("version is not a number from 1 to 255");
                continue;
            }
            if (e.sha256.size() != kSha256Digits || !IsHex(e.sha256)) {
                problem("sha256 is not 64 hexadecimal digits");
                continue;
            }
            if (!IsPlainFileName(name)) {
                problem("file must be a plain name in the manifest's folder");
                continue;
            }
            e.path = QDir(folder).absoluteFilePath(name);
            // An earlier folder, or an earlier line, has the slot already.
            if (lib.Find(e.slot)) continue;
            lib.entries_.push_back(std::move(e));
        }
    }
    return lib;
}

const FirmwareEntry* FirmwareLibrary::Find(int slot) const {
    for (const FirmwareEntry& e : entries_)
        if (e.slot == slot) return &e;
    return nullptr;
}

bool StandinAllowed() {
    return qEnvironmentVariable(kStandinSwitch) == QLatin1String("1");
}

bool HasStandinMarker(std::string_view imageBytes) {
    return imageBytes.substr(0, kStandinMarker.size()) == kStandinMarker;
}

ImageFile ReadImageFile(const FirmwareEntry& entry) {
    ImageFile result;
    QFile file(entry.path);
    if (!QFileInfo(entry.path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxImageFileSize) {
        result.problem = ImageProblem::Unreadable;
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() != entry.sha256) {
        result.problem = ImageProblem::ChecksumMismatch;
        return result;
    }
    result.text = bytes;
    return result;
}

} // namespace dalvex::k6media
