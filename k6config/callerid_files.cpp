#include "callerid_files.h"

#include "cp1250.h"

#include <QList>
#include <algorithm>

namespace dalvex::k6config {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// Splits a list file into lines; CR LF and a lone LF both end a line.
QList<QByteArray> Lines(const QByteArray& data) {
    QList<QByteArray> lines = data.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back(); // the last line's end
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    return lines;
}

} // namespace

QByteArray ExportCallerIds(const CallerIdList& list, CallerIdFormat format) {
    QByteArray out;
    if (format == CallerIdFormat::Csv) {
        for (int row = 1; row < list.rowCount; ++row) {
            const auto i = static_cast<std::size_t>(row - 1);
            const CallerIdEntry e = i < list.rows.size() ? list.rows[i] : CallerIdEntry{};
            out += ToCp1250(e.number) + ';' + ToCp1250(e.name) + kLineEnd;
        }
        return out;
    }
    out += QByteArray::number(list.rowCount) + kLineEnd;
    for (int row = 1; row <= kCallerIdRows; ++row) {
        const auto i = static_cast<std::size_t>(row - 1);
        const bool present = row < list.rowCount && i < list.rows.size();
        out += (present ? ToCp1250(list.rows[i].number) : QByteArray()) + kLineEnd;
        out += (present ? ToCp1250(list.rows[i].name) : QByteArray()) + kLineEnd;
    }
    return out;
}

FileResult ImportCallerIds(const QByteArray& data, CallerIdFormat format, CallerIdList& list) {
    const QList<QByteArray> lines = Lines(data);
    if (format == CallerIdFormat::Csv) {
        CallerIdList csv;
        for (qsizetype i = 0; i < std::min<qsizetype>(lines.size(), kCallerIdRows); ++i) {
            const QString line = FromCp1250(lines[i]);
            if (line.isEmpty()) break;
            qsizetype sep = line.left(kCsvSeparatorScan).indexOf(QLatin1Char(';'));
            if (sep < 0) sep = kCsvSeparatorScan; // no separator: the first 100 characters are the number
            csv.rows.push_back({line.left(sep), line.mid(sep + 1)});
        }
        csv.rowCount = static_cast<int>(csv.rows.size()) + 1;
        list = std::move(csv);
        return {};
    }

    bool ok = false;
    const int count = lines.isEmpty() ? 0 : QString::fromLatin1(lines[0]).trimmed().toInt(&ok);
    if (!ok) return {FileError::NotANumber, {}};
    CallerIdList sim;
    sim.rowCount = std::clamp(count, 1, kCallerIdRows + 1);
    for (int row = 1; row < sim.rowCount; ++row) {
        const qsizetype n = 2 * row - 1;
        sim.rows.push_back({n < lines.size() ? FromCp1250(lines[n]) : QString(),
                            n + 1 < lines.size() ? FromCp1250(lines[n + 1]) : QString()});
    }
    list = std::move(sim);
    return {};
}

FileResult SaveCallerIdFile(const QString& path, const CallerIdList& list, CallerIdFormat format) {
    return WriteFileAtomically(path, ExportCallerIds(list, format));
}

FileResult OpenCallerIdFile(const QString& path, CallerIdFormat format, CallerIdList& list) {
    QByteArray data;
    if (FileResult r = ReadInputFile(path, kCallerIdFileLimit, data); !r) return r;
    return ImportCallerIds(data, format, list);
}

} // namespace dalvex::k6config
