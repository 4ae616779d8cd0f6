#include "backups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace dalvex::k6config {

namespace {

const QString kStampFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

} // namespace

QString DefaultBackupFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Dalvex/backups");
}

QString BackupModelTag(const QString& modelName) {
    QString tag;
    for (QChar c : modelName.trimmed()) {
        if (c.isSpace())
            tag += QLatin1Char('-');
        else if (c.isLetterOrNumber() || c == QLatin1Char('-'))
            tag += c;
    }
    return tag.isEmpty() ? QStringLiteral("module") : tag;
}

QString BackupFileName(const QString& modelName, int version, const QDateTime& when) {
    return QStringLiteral("%1_v%2.%3_%4.dat")
        .arg(BackupModelTag(modelName))
        .arg(version / 10)
        .arg(version % 10)
        .arg(when.toString(kStampFormat));
}

std::optional<BackupInfo> ParseBackupName(const QString& fileName) {
    static const QRegularExpression re(
        QStringLiteral(R"(^(.+)_v(\d+)\.(\d)_(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d)\.dat$)"));
    const auto m = re.match(fileName);
    if (!m.hasMatch()) return std::nullopt;
    BackupInfo info;
    info.model = m.captured(1);
    info.version = m.captured(2).toInt() * 10 + m.captured(3).toInt();
    info.when = QDateTime::fromString(m.captured(4), kStampFormat);
    if (!info.when.isValid()) return std::nullopt;
    return info;
}

FileResult SaveBackup(const QString& folder, const QString& modelName, int version, const QDateTime& when,
                      const ConfigImage& image, const CustomerFields& fields, QString* savedPath) {
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        return {FileError::AccessDenied, QStringLiteral("cannot create %1").arg(folder)};
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString path = dir.filePath(BackupFileName(modelName, version, when));
    FileResult r = SaveConfigFile(path, image, fields);
    if (r) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (savedPath) *savedPath = path;
    }
    return r;
}

std::vector<BackupInfo> ListBackups(const QString& folder, const QString& modelName) {
    const QString tag = BackupModelTag(modelName);
    std::vector<BackupInfo> out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({tag + QStringLiteral("_v*.dat")}, QDir::Files)) {
        auto info = ParseBackupName(name);
        if (!info || info->model != tag) continue;
        info->path = dir.filePath(name);
        QFile f(info->path);
        if (f.open(QIODevice::ReadOnly)) {
            f.seek(kConfigHeadSize);
            info->customer = CustomerText(f.read(kCustomerRecordSize)).trimmed();
        }
        out.push_back(std::move(*info));
    }
    std::sort(out.begin(), out.end(), [](const BackupInfo& a, const BackupInfo& b) {
        return a.when != b.when ? a.when > b.when : a.path > b.path;
    });
    return out;
}

int PruneBackups(const QString& folder, const QString& modelName, int keep) {
    const auto all = ListBackups(folder, modelName);
    int removed = 0;
    for (std::size_t i = static_cast<std::size_t>(std::max(keep, 0)); i < all.size(); ++i)
        if (QFile::remove(all[i].path)) ++removed;
    return removed;
}

} // namespace dalvex::k6config
