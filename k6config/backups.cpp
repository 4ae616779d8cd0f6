#include "backups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <filesystem>

namespace dalvex::k6config {

namespace {

const QString kStampFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

// Newest first; the same second by name. The stamps sort as the times do.
bool Newer(const BackupInfo& a, const BackupInfo& b) {
    return a.stamp != b.stamp ? a.stamp > b.stamp : a.path > b.path;
}

// The name's parts without its time as a QDateTime, whose making consults the time zone: a folder
// of hundreds is looked through after every read.
std::optional<BackupInfo> ParseName(const QString& fileName) {
    static const QRegularExpression re(
        QStringLiteral(R"(^(.+)_v(\d+)\.(\d)_((\d{4}-\d\d-\d\d)_(\d\d-\d\d-\d\d))\.dat(\.gz)?$)"));
    const auto m = re.match(fileName);
    if (!m.hasMatch()) return std::nullopt;
    if (!QDate::fromString(m.captured(5), QStringLiteral("yyyy-MM-dd")).isValid() ||
        !QTime::fromString(m.captured(6), QStringLiteral("HH-mm-ss")).isValid())
        return std::nullopt;
    BackupInfo info;
    info.model = m.captured(1);
    info.version = m.captured(2).toInt() * 10 + m.captured(3).toInt();
    info.stamp = m.captured(4);
    return info;
}

// The backups in the folder, of one model tag or (empty) of every model, newest first, without
// their times; one stat a backup.
std::vector<BackupInfo> FindBackups(const QString& folder, const QString& tag) {
    namespace fs = std::filesystem;
    std::vector<BackupInfo> out;
    const QDir dir(folder);
    std::error_code ec;
    for (fs::directory_iterator it(folder.toStdString(), ec), end; !ec && it != end; it.increment(ec)) {
        const QString name = QString::fromStdString(it->path().filename().string());
        auto info = ParseName(name);
        if (!info || (!tag.isEmpty() && info->model != tag)) continue;
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        const auto bytes = it->file_size(statError);
        if (statError) continue;
        info->path = dir.filePath(name);
        info->bytes = static_cast<qint64>(bytes);
        out.push_back(std::move(*info));
    }
    std::sort(out.begin(), out.end(), Newer);
    return out;
}

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
    return QStringLiteral("%1_v%2.%3_%4.dat.gz")
        .arg(BackupModelTag(modelName))
        .arg(version / 10)
        .arg(version % 10)
        .arg(when.toString(kStampFormat));
}

std::optional<BackupInfo> ParseBackupName(const QString& fileName) {
    auto info = ParseName(fileName);
    if (info) info->when = QDateTime::fromString(info->stamp, kStampFormat);
    return info;
}

FileResult SaveBackup(const QString& folder, const QString& modelName, int version, const QDateTime& when,
                      const ConfigImage& image, const CustomerFields& fields, QString* savedPath) {
    if (FileResult r = MakePrivateFolders(folder); !r) return r;
    const QString path = QDir(folder).filePath(BackupFileName(modelName, version, when));
    if (FileResult r = SaveConfigFile(path, image, fields, FileFormat::Gzip); !r) return r;
    // Only a backup that reads back whole counts: the pruning that follows removes older ones.
    ConfigContent back;
    const FileResult read = ReadConfigContent(path, kConfigFileSize, back);
    if (!read || back.more || back.bytes != ConfigFileData(image, fields)) {
        QFile::remove(path);
        return read ? FileResult{FileError::Damaged, {}, 0, 0} : read;
    }
    if (savedPath) *savedPath = path;
    return {};
}

std::vector<BackupInfo> ListBackups(const QString& folder, const QString& modelName) {
    auto out = FindBackups(folder, BackupModelTag(modelName));
    for (BackupInfo& info : out) {
        info.when = QDateTime::fromString(info.stamp, kStampFormat);
        // Only the first customer record: a compressed file is inflated no further.
        ConfigContent head;
        if (ReadConfigContent(info.path, kConfigHeadSize + kCustomerRecordSize, head) &&
            head.bytes.size() > kConfigHeadSize)
            info.customer = CustomerText(head.bytes.mid(kConfigHeadSize)).trimmed();
    }
    return out;
}

int PruneBackups(const QString& folder, const QString& modelName, const BackupLimits& limits,
                 const QString& justSaved) {
    const QString tag = BackupModelTag(modelName);
    // Backups are told apart by their names, all in one folder.
    const QString sparedName = justSaved.isEmpty() ? QString() : QFileInfo(justSaved).fileName();
    const auto spared = [&](const BackupInfo& b) {
        return !sparedName.isEmpty() && QFileInfo(b.path).fileName() == sparedName;
    };
    auto all = FindBackups(folder, {});
    // The one just saved is the model's newest, whatever the clock said when it was named.
    std::stable_partition(all.begin(), all.end(), spared);

    int removed = 0;
    qint64 total = 0;
    int mine = 0;
    std::vector<const BackupInfo*> left; // newest first
    for (const BackupInfo& b : all) {
        if (b.model == tag && ++mine > limits.kept && !spared(b)) {
            if (QFile::remove(b.path)) {
                ++removed;
                continue;
            }
        }
        total += b.bytes;
        left.push_back(&b);
    }
    // By size, over every model's backups, oldest first.
    for (auto b = left.rbegin(); b != left.rend() && total > limits.maxBytes; ++b) {
        if (spared(**b) || !QFile::remove((*b)->path)) continue;
        ++removed;
        total -= (*b)->bytes;
    }
    return removed;
}

} // namespace dalvex::k6config
