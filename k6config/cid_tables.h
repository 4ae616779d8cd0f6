#pragma once
// The Contact ID tables of the "CID/SMS" page: the built-in default event table and zone template
// in their four language variants, the cell editing rules of the two grids, and the per-event SMS
// phone selection applied to all events.

#include "memory_map.h"
#include "page_values.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace dalvex::k6config {

inline constexpr int kZoneCodeLength = 5;  // partition (2) + zone (3); "?" stands for any digit
inline constexpr int kEventCodeLength = 4; // "E"/"R" + three-digit event code
inline constexpr int kCidNameLength = kCidNameWidth;
inline constexpr int kDefaultEventRows = 100;
inline constexpr int kZoneTemplateRows = 21;

// The variant of the built-in tables for a language index: 1 English, 3 Slovak, 7 Czech, any
// other index Hungarian.
enum class TableVariant { English, Hungarian, Slovak, Czech };
TableVariant TableVariantFor(int languageIndex);

struct CidRow {
    QString code;
    QString name;
};

// The rows of the built-in tables (from the program's data files).
std::vector<CidRow> DefaultEventRows(TableVariant variant);
std::vector<CidRow> ZoneTemplateRows(TableVariant variant);

// Fills StringGrid3 rows 1..100 with the default event table and empties rows 101..256.
// The per-event SMS selection is left as it is.
void LoadDefaultEventTable(PageValues& values, int languageIndex);
// Fills StringGrid2 rows 1..21 with the zone template and empties rows 22..256.
void LoadZoneTemplate(PageValues& values, int languageIndex);

// Gives every event row with a code the SMS phone selection `mask`; rows without a code keep
// theirs.
void ApplySmsMaskToAllEvents(PageValues& values, std::uint8_t mask);

// A cell as the grids keep it after an edit: the code column cut to its length and in upper case
// once complete, the name column cut to 58 characters.
QString EditedZoneCell(int column, const QString& text);
QString EditedEventCell(int column, const QString& text);

} // namespace dalvex::k6config
