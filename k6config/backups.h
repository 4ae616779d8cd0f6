#pragma once
// Automatic backups of what was read from modules: after every completed read the image and the
// customer fields are saved as an ordinary configuration file, so that "Megnyitás fájlból" or the
// restore list opens it, in a private folder ($XDG_DATA_HOME/Dalvex/backups, else
// ~/.local/share/Dalvex/backups, 0700; files 0600: they hold security codes and server passwords).
// The name carries the model, the module's software version and the local time:
// "Varnet-GSM_v8.4_2026-12-10_14-03-22.dat.gz". The file is gzip-compressed (a few kilobytes
// instead of four megabytes); backups of earlier versions, plain ".dat", are listed, opened and
// pruned alike. Old backups are pruned to the newest N per model and to a total size of the folder.

#include "config_file.h"
#include "config_image.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace dalvex::k6config {

inline constexpr int kDefaultBackupsKept = 200;
inline constexpr int kDefaultBackupsMaxMB = 100;
inline constexpr qint64 kBytesPerMB = 1024 * 1024;

QString DefaultBackupFolder();

// "Varnet GSM" -> "Varnet-GSM": the model as it appears in file names.
QString BackupModelTag(const QString& modelName);
QString BackupFileName(const QString& modelName, int version, const QDateTime& when);

struct BackupInfo {
    QString path;
    QString model; // the tag, "Varnet-GSM"
    int version = 0;
    QDateTime when;
    QString stamp;    // the time as the name gives it, "2026-12-10_14-03-22"
    QString customer; // the first customer field ("Ügyfél név:"), read from the file
    qint64 bytes = 0; // the file's size on disk
};

// The name's parts, or nothing for a file that is not a backup (compressed or plain).
std::optional<BackupInfo> ParseBackupName(const QString& fileName);

// Saves a backup; the folder is created private when missing. `savedPath` receives the file.
FileResult SaveBackup(const QString& folder, const QString& modelName, int version, const QDateTime& when,
                      const ConfigImage& image, const CustomerFields& fields, QString* savedPath = nullptr);

// The backups of one model, newest first, each with its customer name.
std::vector<BackupInfo> ListBackups(const QString& folder, const QString& modelName);

struct BackupLimits {
    int kept = kDefaultBackupsKept;                       // per model
    qint64 maxBytes = kDefaultBackupsMaxMB * kBytesPerMB; // all models together
};

// Removes the model's backups beyond the newest `limits.kept`, then, oldest first and of any model,
// backups until the folder's backups take at most `limits.maxBytes`. `justSaved`, the backup whose
// save asks for this, counts as the model's newest and is never removed (not even when it alone
// is over the size). Returns how many were removed.
int PruneBackups(const QString& folder, const QString& modelName, const BackupLimits& limits,
                 const QString& justSaved = {});

} // namespace dalvex::k6config
