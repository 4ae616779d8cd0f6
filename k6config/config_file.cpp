#include "config_file.h"

#include "cp1250.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace dalvex::k6config {

// The kind of a failed file operation, judged from the file itself: missing, not accessible for
// what was asked, or some other input/output error (a full disk, a file grown too large...).
FileResult FileErrorOf(const QFileDevice& f, const QString& path, bool writing) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    FileResult r{FileError::Io, f.errorString()};
    if (!writing && !info.exists())
        r.error = FileError::NotFound;
    else if (writing && !folder.exists())
        r.error = FileError::NotFound;
    else if (!writing && !info.isReadable())
        r.error = FileError::AccessDenied;
    else if (writing && ((info.exists() && !info.isWritable()) || !folder.isWritable()))
        r.error = FileError::AccessDenied;
    return r;
}

QByteArray CustomerRecord(const QString& text) {
    QByteArray rec(kCustomerRecordSize, '\0');
    const QByteArray bytes = ToCp1250(text).left(kCustomerRecordSize - 1);
    // A NUL inside the text would end it early when read back; it cannot come from an edit control.
    for (qsizetype i = 0; i < bytes.size(); ++i)
        rec[1 + i] = bytes[i];
    return rec;
}

QString CustomerText(const QByteArray& record) {
    QByteArray bytes = record.mid(1, kCustomerRecordSize - 1);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    return FromCp1250(bytes);
}

void FillEmptyCustomerFields(CustomerFields& fields) {
    for (QString& f : fields)
        if (f.isEmpty()) f = QStringLiteral(" ");
}

FileResult WriteFileAtomically(const QString& path, const QByteArray& data) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return FileErrorOf(f, path, true);
    if (f.write(data) != data.size()) {
        FileResult r = FileErrorOf(f, path, true);
        f.cancelWriting();
        return r;
    }
    if (!f.commit()) return FileErrorOf(f, path, true);
    return {};
}

QByteArray ConfigFileData(const ConfigImage& image, const CustomerFields& fields) {
    QByteArray data;
    data.reserve(static_cast<qsizetype>(kConfigFileSize));
    data += image.read(0, static_cast<std::uint32_t>(kConfigHeadSize));
    for (const QString& field : fields)
        data += CustomerRecord(field);
    data +=
        image.read(static_cast<std::uint32_t>(kConfigHeadSize), static_cast<std::uint32_t>(kConfigTailSize));
    return data;
}

FileResult SaveConfigFile(const QString& path, const ConfigImage& image, const CustomerFields& fields) {
    return WriteFileAtomically(path, ConfigFileData(image, fields));
}

FileResult OpenConfigFile(const QString& path, ConfigImage& image, CustomerFields& fields) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return FileErrorOf(f, path, false);
    const QByteArray head = f.read(kConfigMinimumSize);
    if (head.size() < kConfigMinimumSize) {
        if (f.error() != QFileDevice::NoError) return FileErrorOf(f, path, false);
        return {FileError::TooShort, {}};
    }
    const QByteArray tail = f.read(kConfigTailSize);
    if (f.error() != QFileDevice::NoError) return FileErrorOf(f, path, false);

    image.write(0, head.left(kConfigHeadSize));
    for (int i = 0; i < kCustomerFields; ++i)
        fields[static_cast<std::size_t>(i)] =
            CustomerText(head.mid(kConfigHeadSize + i * kCustomerRecordSize, kCustomerRecordSize));
    image.write(static_cast<std::uint32_t>(kConfigHeadSize), tail);
    return {};
}

} // namespace dalvex::k6config
