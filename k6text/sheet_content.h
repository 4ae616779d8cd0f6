#pragma once
// What the configuration sheet holds, as text in the chosen language: the customer records, model,
// module software version and the time it was made, then every page the window shows for the
// model, in the page order, with its values as the page shows them, the Contact ID tables in use
// and the model's wiring drawing. The sheet's own texts come from the catalogue; k6sheet/ lays the
// contents out on paper.

#include "shown_values.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace dalvex::k6text {

struct SheetRow {
    QString caption;
    QString value;
};

struct SheetTable {
    QString title;
    QStringList columns;
    std::vector<QStringList> rows;
};

struct SheetSection {
    QString title;
    std::vector<SheetRow> rows;
    std::vector<SheetTable> tables;
};

struct SheetContent {
    int language = 1;
    QString title;
    std::vector<SheetRow> head;
    std::vector<SheetSection> pages;
    QString note; // why values are masked, when they are
    QString wiringTitle;
    int wiringModel = 72; // the drawing: 72, 73 or 74
};

struct SheetOptions {
    ShowContext show;                // language, model, version, secrets
    std::optional<int> version;      // as the module answered; empty: unknown
    QDateTime when;                  // the time the sheet is made
    bool localValues = false;        // the window's values the file does not hold are there too
};

// The values as a window holds them: its own, the door phone's, and those the image does not hold.
struct ValueSet {
    const k6config::PageValues& k6;
    const k6config::PageValues& door;
    const k6config::PageValues& local;
};

SheetContent BuildSheet(const ValueSet& values, const SheetOptions& options);
inline SheetContent BuildSheet(const ConfigValues& values, const SheetOptions& options) {
    return BuildSheet(ValueSet{values.k6, values.door, values.local}, options);
}

} // namespace dalvex::k6text
