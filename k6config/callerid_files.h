#pragma once
// The caller-ID number list ("Szám azonosítás") in its two text formats, with CR LF line ends and
// Windows-1250 characters:
//
//   CSV  one line per data row: number ";" name
//   SIM  the row count (header row included), then for rows 1..250 a number line and a name line

#include "config_file.h"

#include <QString>
#include <vector>

namespace dalvex::k6config {

inline constexpr int kCallerIdRows = 250;     // data rows a list file holds
inline constexpr int kCsvSeparatorScan = 100; // a ";" after this many characters is not looked for
// 250 rows of a 100-character number and a name in a few hundred bytes: a larger file is no list.
inline constexpr qint64 kCallerIdFileLimit = 1 << 20;

struct CallerIdEntry {
    QString number;
    QString name;
};

// The list as the grid holds it: `rowCount` counts the header row, `rows` the data rows 1.. in
// order (fewer than rowCount - 1 when the grid has empty rows at the end).
struct CallerIdList {
    int rowCount = 1;
    std::vector<CallerIdEntry> rows;
};

enum class CallerIdFormat { Csv, Sim };

QByteArray ExportCallerIds(const CallerIdList& list, CallerIdFormat format);
// Parses a list file. A SIM file whose first line is not a number gives NotANumber; its row count
// is kept between 1 and 251 (the header and the 250 rows a file can carry).
FileResult ImportCallerIds(const QByteArray& data, CallerIdFormat format, CallerIdList& list);

FileResult SaveCallerIdFile(const QString& path, const CallerIdList& list, CallerIdFormat format);
FileResult OpenCallerIdFile(const QString& path, CallerIdFormat format, CallerIdList& list);

} // namespace dalvex::k6config
