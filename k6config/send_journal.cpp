#include "send_journal.h"

#include "file_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dalvex::k6config {

namespace {

constexpr char kHeader[] = "Dalvex send journal 1";
constexpr int kCountWidth = 10;
const QString kEntrySuffix = QStringLiteral(".send");
const QString kImageSuffix = QStringLiteral(".dat.gz");

// "COM1_74" for the module of type 74 on COM1; a device path keeps its letters and digits.
QString Stem(const QString& port, int moduleCode) {
    QString tag;
    for (const QChar c : port)
        tag += c.unicode() < 128 && c.isLetterOrNumber() ? c : QLatin1Char('-');
    while (tag.startsWith(QLatin1Char('-')))
        tag.remove(0, 1);
    if (tag.isEmpty()) tag = QStringLiteral("port");
    return tag + QLatin1Char('_') + QString::number(moduleCode);
}

FileResult SystemError(int error) {
    const bool denied = error == EACCES || error == EPERM || error == EROFS;
    return {denied ? FileError::AccessDenied : FileError::Io, QString::fromLocal8Bit(std::strerror(error))};
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<std::size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QByteArray Count(int n) {
    return QByteArray::number(std::max(n, 0)).rightJustified(kCountWidth, '0');
}

// A value on one line.
QByteArray Line(const char* key, const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QByteArray(key) + '=' + v.toUtf8() + '\n';
}

// The entry's text; `countAt` receives where the count's digits are, its last line.
QByteArray EntryText(const JournalEntry& e, qint64& countAt) {
    QByteArray t = QByteArray(kHeader) + '\n';
    t += Line("port", e.port);
    t += Line("code", QString::number(e.moduleCode));
    t += Line("model", e.model);
    t += Line("version", QString::number(e.version));
    t += Line("time", e.when.toString(Qt::ISODateWithMs));
    t += Line("units", e.bytes ? QStringLiteral("bytes") : QStringLiteral("blocks"));
    t += Line("contactid", e.contactId ? QStringLiteral("1") : QStringLiteral("0"));
    t += Line("image", QFileInfo(e.imagePath).fileName());
    t += Line("planned", QString::number(e.planned));
    t += "written=";
    countAt = t.size();
    t += Count(e.written) + '\n';
    return t;
}

std::optional<JournalEntry> ParseEntry(const QString& path) {
    QFile f(path);
    // An entry is a few hundred bytes; anything much longer is not one.
    if (!f.open(QIODevice::ReadOnly) || f.size() > 4096) return std::nullopt;
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.isEmpty() || lines[0] != kHeader) return std::nullopt;
    QHash<QByteArray, QString> v;
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) v.insert(line.left(eq), QString::fromUtf8(line.mid(eq + 1)));
    }
    JournalEntry e;
    bool ok[5] = {};
    e.port = v.value("port");
    e.moduleCode = v.value("code").toInt(&ok[0]);
    e.model = v.value("model");
    e.version = v.value("version").toInt(&ok[1]);
    e.when = QDateTime::fromString(v.value("time"), Qt::ISODateWithMs);
    e.bytes = v.value("units") == QLatin1String("bytes");
    e.contactId = v.value("contactid") == QLatin1String("1");
    e.planned = v.value("planned").toInt(&ok[2]);
    e.written = v.value("written").toInt(&ok[3]);
    const QString image = v.value("image");
    ok[4] = !image.isEmpty() && !image.contains(QLatin1Char('/'));
    if (e.port.isEmpty() || !e.when.isValid() ||
        !std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
        return std::nullopt;
    e.path = path;
    e.imagePath = QFileInfo(path).dir().filePath(image);
    return e;
}

// Removes the images of `stem` other than `keep`: those of entries replaced or removed, also when
// the program was stopped between the steps.
void RemoveImages(const QDir& dir, const QString& stem, const QString& keep) {
    for (const QString& name :
         dir.entryList({stem + QStringLiteral("-*") + kImageSuffix}, QDir::Files | QDir::Hidden))
        if (dir.filePath(name) != keep) QFile::remove(dir.filePath(name));
}

} // namespace

QString DefaultJournalFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Dalvex/journal");
}

SendJournal::SendJournal(QString folder)
    : folder_(std::move(folder)) {}

SendJournal::~SendJournal() {
    Close();
}

std::vector<JournalEntry> SendJournal::List() const {
    std::vector<JournalEntry> out;
    const QDir dir(folder_);
    for (const QString& name : dir.entryList({QStringLiteral("*") + kEntrySuffix}, QDir::Files))
        if (auto e = ParseEntry(dir.filePath(name))) out.push_back(std::move(*e));
    std::sort(out.begin(), out.end(),
              [](const JournalEntry& a, const JournalEntry& b) { return a.when < b.when; });
    return out;
}

std::optional<JournalEntry> SendJournal::Find(const QString& port, int moduleCode) const {
    auto e = ParseEntry(QDir(folder_).filePath(Stem(port, moduleCode) + kEntrySuffix));
    // Two spellings of a device path may share a file name; the entry says which it is.
    if (!e || e->port != port || e->moduleCode != moduleCode) return std::nullopt;
    return e;
}

FileResult SendJournal::LoadImage(const JournalEntry& entry, ConfigImage& image,
                                  CustomerFields& fields) const {
    return OpenConfigFile(entry.imagePath, image, fields);
}

bool SendJournal::Remove(const QString& port, int moduleCode) {
    const QDir dir(folder_);
    const QString stem = Stem(port, moduleCode);
    const QString path = dir.filePath(stem + kEntrySuffix);
    const bool had = QFileInfo::exists(path);
    // The entry first: an image without its entry is none.
    QFile::remove(path);
    RemoveImages(dir, stem, {});
    return had;
}

FileResult SendJournal::Begin(JournalEntry entry, const ConfigImage& image, const CustomerFields& fields) {
    Close();
    if (const FileResult made = MakePrivateFolders(folder_); !made) return made;
    const QDir dir(folder_);
    const QString stem = Stem(entry.port, entry.moduleCode);
    entry.path = dir.filePath(stem + kEntrySuffix);
    // A name of its own, so that an entry it replaces keeps its image until the new entry is in place.
    entry.imagePath = dir.filePath(
        stem + QLatin1Char('-') +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + kImageSuffix);
    if (FileResult r = SaveConfigFile(entry.imagePath, image, fields, FileFormat::Gzip); !r) return r;
    QFile::setPermissions(entry.imagePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    qint64 countAt = 0;
    const QByteArray text = EntryText(entry, countAt);
    QByteArray temp =
        QFile::encodeName(dir.filePath(QLatin1Char('.') + stem + kEntrySuffix + QStringLiteral(".XXXXXX")));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // 0600
    if (fd < 0) {
        const int error = errno;
        QFile::remove(entry.imagePath);
        return SystemError(error);
    }
    if (!WriteAll(fd, text) || ::fsync(fd) != 0 ||
        ::rename(temp.constData(), QFile::encodeName(entry.path).constData()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.constData());
        QFile::remove(entry.imagePath);
        return SystemError(error);
    }
    // The rename itself reaches the disk with the folder.
    if (const int folder = ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    RemoveImages(dir, stem, entry.imagePath);
    fd_ = fd;
    countAt_ = countAt;
    return {};
}

bool SendJournal::Progress(int written) {
    if (fd_ < 0) return false;
    const QByteArray digits = Count(written);
    return ::pwrite(fd_, digits.constData(), static_cast<std::size_t>(digits.size()), countAt_) ==
           digits.size();
}

void SendJournal::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace dalvex::k6config
