#include "config_file.h"

#include "cp1250.h"

#include <cerrno>
#include <span>
#include <unistd.h>
#include <zlib.h>

namespace dalvex::k6config {

QString FileResultText(const FileResult& r, const QString& path, const ConfigFileTexts& texts) {
    const QString shown = ShownName(path);
    switch (r.error) {
    case FileError::None:
        return {};
    case FileError::NotFound:
        return texts.NotFound.arg(shown);
    case FileError::AccessDenied:
        return texts.AccessDenied.arg(shown);
    case FileError::TooShort:
        return texts.TooShort.arg(shown);
    case FileError::NotANumber:
        return texts.NotANumber.arg(shown);
    case FileError::Damaged:
        return texts.Damaged.arg(shown);
    case FileError::NotRegular:
        return texts.NotRegular.arg(shown);
    case FileError::TooLarge:
        return texts.TooLarge.arg(shown, QString::number(r.limit));
    case FileError::NotConfiguration:
    case FileError::ConfigurationText:
        return texts.NotConfiguration.arg(shown);
    case FileError::Io:
        break;
    }
    const auto reason = ReasonOf(r.code);
    return texts.Io.arg(shown, reason ? texts.Reasons[static_cast<std::size_t>(*reason)] : r.detail);
}

QByteArray CustomerRecord(const QString& text) {
    QByteArray rec(kCustomerRecordSize, '\0');
    QByteArray bytes = ToCp1250(text).left(kCustomerRecordSize - 1);
    // A NUL inside the text ends it when read back (no edit control holds one, a text file may):
    // what follows it is not stored, so the record keeps the format's form.
    if (const qsizetype end = bytes.indexOf('\0'); end >= 0) bytes.truncate(end);
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

// Inflates the gzip stream of `in` into `content`: at most `limit` bytes, and whether there is more.
FileResult Gunzip(InputFile& in, qint64 limit, ConfigContent& content) {
    content.bytes.resize(limit + 1);
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return {FileError::Io, QString::fromLatin1(z.msg), 0, 0};
    z.next_out = reinterpret_cast<Bytef*>(content.bytes.data());
    z.avail_out = static_cast<uInt>(limit + 1);
    QByteArray chunk;
    FileResult r{FileError::Damaged, {}, 0, 0};
    for (;;) {
        if (z.avail_in == 0) {
            if (const FileResult read = in.Read(kChunk, chunk); !read) {
                r = read;
                break;
            }
            if (chunk.isEmpty()) break; // cut short
            z.next_in = reinterpret_cast<Bytef*>(chunk.data());
            z.avail_in = static_cast<uInt>(chunk.size());
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

// The file's first bytes, and the file wound back to its start.
FileResult Peek(InputFile& in, qint64 count, QByteArray& start) {
    if (FileResult r = in.Read(count, start); !r) return r;
    if (::lseek(in.Descriptor(), 0, SEEK_SET) != 0) return FileResultOf(errno);
    return {};
}

FileResult ReadContent(InputFile& in, qint64 limit, ConfigContent& content) {
    content = {};
    QByteArray start;
    if (FileResult r = Peek(in, 3, start); !r) return r;
    content.compressed = IsGzip(start);
    if (content.compressed) return Gunzip(in, limit, content);
    if (FileResult r = in.Read(limit + 1, content.bytes); !r) return r;
    content.more = content.bytes.size() > limit;
    if (content.more) content.bytes.truncate(limit);
    return {};
}

// A JSON object, after a byte order mark and white space: the configuration text.
bool StartsAsText(const QByteArray& start) {
    qsizetype i = start.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < start.size() && (start[i] == ' ' || start[i] == '\t' || start[i] == '\r' || start[i] == '\n'))
        ++i;
    return i < start.size() && start[i] == '{';
}

constexpr qint64 kTextSniff = 4096;

FileResult ApplyConfigData(const QByteArray& bytes, ConfigImage& image, CustomerFields& fields) {
    image.write(0, bytes.left(kConfigHeadSize));
    for (int i = 0; i < kCustomerFields; ++i)
        fields[static_cast<std::size_t>(i)] =
            CustomerText(bytes.mid(kConfigHeadSize + i * kCustomerRecordSize, kCustomerRecordSize));
    image.write(static_cast<std::uint32_t>(kConfigHeadSize), bytes.mid(kConfigMinimumSize));
    return {};
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

bool HasConfigLayout(const QByteArray& bytes) {
    if (bytes.size() < kConfigMinimumSize) return false;
    for (int i = 0; i < kCustomerFields; ++i) {
        const char* record = bytes.constData() + kConfigHeadSize + i * kCustomerRecordSize;
        if (record[0] != 0) return false;
        int k = 1;
        while (k < kCustomerRecordSize && record[k] != 0)
            ++k;
        for (; k < kCustomerRecordSize; ++k)
            if (record[k] != 0) return false;
    }
    return true;
}

FileResult ReadConfigContent(const QString& path, qint64 limit, ConfigContent& content) {
    content = {};
    InputFile in;
    if (FileResult r = in.Open(path); !r) return r;
    return ReadContent(in, limit, content);
}

FileResult OpenConfigFile(const QString& path, ConfigImage& image, CustomerFields& fields) {
    InputFile in;
    if (FileResult r = in.Open(path); !r) return r;
    QByteArray start;
    if (FileResult r = Peek(in, kTextSniff, start); !r) return r;
    const qint64 size = in.Size();
    const bool text = !IsGzip(start) && StartsAsText(start);
    if (IsGzip(start)) {
        if (size > kMaxCompressedSize) return {FileError::TooLarge, {}, 0, kMaxCompressedSize};
    } else if (size < kConfigMinimumSize || size > kConfigFileSize) {
        if (text) return {FileError::ConfigurationText, {}, 0, 0};
        if (size < kConfigMinimumSize) return {FileError::TooShort, {}, 0, 0};
        return {FileError::TooLarge, {}, 0, kConfigFileSize};
    }
    ConfigContent content;
    if (FileResult r = ReadContent(in, kConfigFileSize, content); !r) return r;
    // A plain file's bytes after a full configuration are not read; a compressed one that holds
    // them is not one this program wrote, and its check sum has not been seen.
    if (content.compressed && content.more) return {FileError::Damaged, {}, 0, 0};
    if (content.bytes.size() < kConfigMinimumSize) return {FileError::TooShort, {}, 0, 0};
    if (!HasConfigLayout(content.bytes))
        return {text ? FileError::ConfigurationText : FileError::NotConfiguration, {}, 0, 0};
    return ApplyConfigData(content.bytes, image, fields);
}

FileResult OpenConfigData(const QByteArray& bytes, ConfigImage& image, CustomerFields& fields) {
    if (bytes.size() < kConfigMinimumSize) return {FileError::TooShort, {}, 0, 0};
    if (!HasConfigLayout(bytes)) return {FileError::NotConfiguration, {}, 0, 0};
    return ApplyConfigData(bytes.left(kConfigFileSize), image, fields);
}

} // namespace dalvex::k6config
