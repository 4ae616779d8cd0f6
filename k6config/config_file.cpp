#include "config_file.h"

#include "cp1250.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <span>
#include <zlib.h>

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

namespace {

// A gzip member starts 1F 8B and names deflate (8) as its method. A plain file does not start so:
// its first four bytes are the SMS security code's characters, or the zero of an image never filled.
bool IsGzip(const QByteArray& start) {
    return start.size() >= 3 && static_cast<unsigned char>(start[0]) == 0x1F &&
           static_cast<unsigned char>(start[1]) == 0x8B && start[2] == 8;
}

constexpr qint64 kChunk = 64 * 1024;

// The pieces are mostly runs of equal bytes (unused memory, empty texts) with short texts between
// them: run-length matching gives a file about a third larger than full matching (8 KB against
// 6 KB for a demo configuration) in about a third of its time.
QByteArray Gzip(std::initializer_list<std::span<const std::uint8_t>> pieces) {
    z_stream z{};
    QByteArray out;
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_RLE) != Z_OK) return out;
    const auto run = [&](int flush) {
        do {
            const qsizetype used = out.size();
            out.resize(used + kChunk);
            z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            z.avail_out = static_cast<uInt>(kChunk);
            deflate(&z, flush);
            out.resize(out.size() - z.avail_out);
        } while (z.avail_out == 0);
    };
    for (const auto piece : pieces) {
        z.next_in = const_cast<Bytef*>(piece.data());
        z.avail_in = static_cast<uInt>(piece.size());
        run(Z_NO_FLUSH);
    }
    run(Z_FINISH);
    deflateEnd(&z);
    return out;
}

// Inflates the gzip stream of `f` into `content`: at most `limit` bytes, and whether there is more.
FileResult Gunzip(QFile& f, const QString& path, qint64 limit, ConfigContent& content) {
    content.bytes.resize(limit + 1);
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return {FileError::Io, QString::fromLatin1(z.msg)};
    z.next_out = reinterpret_cast<Bytef*>(content.bytes.data());
    z.avail_out = static_cast<uInt>(limit + 1);
    QByteArray in(kChunk, Qt::Uninitialized);
    FileResult r{FileError::Damaged, {}};
    for (;;) {
        if (z.avail_in == 0) {
            const qint64 n = f.read(in.data(), kChunk);
            if (n < 0) {
                r = FileErrorOf(f, path, false);
                break;
            }
            if (n == 0) break; // cut short
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = static_cast<uInt>(n);
        }
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            r = {};
            break;
        }
        // Bad data or check sum; no progress although there is input left.
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_in == 0)) break;
        if (z.avail_out == 0) {
            r = {};
            break;
        }
    }
    inflateEnd(&z);
    content.bytes.resize(limit + 1 - z.avail_out);
    content.more = content.bytes.size() > limit;
    if (content.more) content.bytes.truncate(limit);
    if (!r) content.bytes.clear();
    return r;
}

} // namespace

FileResult SaveConfigFile(const QString& path, const ConfigImage& image, const CustomerFields& fields,
                          FileFormat format) {
    QByteArray records;
    for (const QString& field : fields)
        records += CustomerRecord(field);
    const auto head = image.block(0, static_cast<std::uint32_t>(kConfigHeadSize));
    const auto tail =
        image.block(static_cast<std::uint32_t>(kConfigHeadSize), static_cast<std::uint32_t>(kConfigTailSize));
    const std::span<const std::uint8_t> customer(reinterpret_cast<const std::uint8_t*>(records.constData()),
                                                 static_cast<std::size_t>(records.size()));
    if (format == FileFormat::Gzip) {
        const QByteArray packed = Gzip({head, customer, tail});
        if (packed.isEmpty()) return {FileError::Io, QStringLiteral("compression failed")};
        return WriteFileAtomically(path, packed);
    }
    QByteArray data;
    data.reserve(static_cast<qsizetype>(kConfigFileSize));
    for (const auto piece : {head, customer, tail})
        data.append(reinterpret_cast<const char*>(piece.data()), static_cast<qsizetype>(piece.size()));
    return WriteFileAtomically(path, data);
}

FileResult ReadConfigContent(const QString& path, qint64 limit, ConfigContent& content) {
    content = {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return FileErrorOf(f, path, false);
    content.compressed = IsGzip(f.peek(3));
    if (content.compressed) return Gunzip(f, path, limit, content);
    content.bytes = f.read(limit + 1);
    if (f.error() != QFileDevice::NoError) {
        content.bytes.clear();
        return FileErrorOf(f, path, false);
    }
    content.more = content.bytes.size() > limit;
    if (content.more) content.bytes.truncate(limit);
    return {};
}

FileResult OpenConfigFile(const QString& path, ConfigImage& image, CustomerFields& fields) {
    ConfigContent content;
    if (FileResult r = ReadConfigContent(path, kConfigFileSize, content); !r) return r;
    // A plain file's bytes after a full configuration are not read; a compressed one that holds
    // them is not one this program wrote, and its check sum has not been seen.
    if (content.compressed && content.more) return {FileError::Damaged, {}};
    const QByteArray& bytes = content.bytes;
    if (bytes.size() < kConfigMinimumSize) return {FileError::TooShort, {}};

    image.write(0, bytes.left(kConfigHeadSize));
    for (int i = 0; i < kCustomerFields; ++i)
        fields[static_cast<std::size_t>(i)] =
            CustomerText(bytes.mid(kConfigHeadSize + i * kCustomerRecordSize, kCustomerRecordSize));
    image.write(static_cast<std::uint32_t>(kConfigHeadSize), bytes.mid(kConfigMinimumSize));
    return {};
}

} // namespace dalvex::k6config
