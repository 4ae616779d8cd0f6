#pragma once
// Two configurations compared as the what-will-change list shows a send's changes: page, field,
// before and after, as the pages show them in the chosen language. The areas a send writes are
// compared value by value (k6config/image_diff.h); the customer records and the file's other bytes
// are compared too, so two files that differ anywhere give at least one row.

#include "config_json.h"
#include "k6config/image_diff.h"
#include "shown_values.h"

#include <QString>
#include <cstdint>
#include <span>
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

// The areas `compared` of two images (the rest of `after` counts for both), row by row as the
// pages show them in `show.language` for `show.moduleType`: the fields of the K6 window's pages.
std::vector<FileDiffRow> DescribeImageDiff(const k6config::ConfigImage& before, const k6config::ConfigImage& after,
                                           std::span<const k6config::ImageArea> compared, const ShowContext& show);

// The rows of a send from the door-phone window, as that window names them: the fields it mirrors
// under its own page and captions ("Flat 4"), and what every door-phone send sets whatever the
// window holds (the presets and the bell inputs' call lists) under one heading that says so.
void ShowAsDoorPhoneSend(std::vector<FileDiffRow>& rows, int language);

// `language` as the "Language" setting stores it. Secrets are shown: both files are the caller's.
std::vector<FileDiffRow> DiffDocuments(const ConfigDocument& before, const ConfigDocument& after, int language);

} // namespace dalvex::k6text
