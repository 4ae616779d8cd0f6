#pragma once
// Two configurations compared as the what-will-change list shows a send's changes: page, field,
// before and after, as the pages show them in the chosen language. The areas a send writes are
// compared value by value (k6config/image_diff.h); the customer records and the file's other bytes
// are compared too, so two files that differ anywhere give at least one row.

#include "config_json.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace dalvex::k6text {

struct FileDiffRow {
    QString page;    // the page's caption; for bytes no control describes, that name
    QString field;   // the field's caption (with its grid row), or the bytes' addresses
    QString before;
    QString after;
    QString control; // design name; empty for raw bytes
    int row = -1;    // grid row, or -1
    std::uint32_t address = 0; // raw bytes: the first address
};

// `language` as the "Language" setting stores it. Secrets are shown: both files are the caller's.
std::vector<FileDiffRow> DiffDocuments(const ConfigDocument& before, const ConfigDocument& after, int language);

} // namespace dalvex::k6text
