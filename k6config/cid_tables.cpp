#include "cid_tables.h"

#include <QFile>
#include <QStringList>

namespace dalvex::k6config {

namespace {

const char* VariantSuffix(TableVariant v) {
    switch (v) {
    case TableVariant::English:
        return "en";
    case TableVariant::Slovak:
        return "sk";
    case TableVariant::Czech:
        return "cs";
    case TableVariant::Hungarian:
        break;
    }
    return "hu";
}

// A data file: one row per line, code TAB name; lines starting with '#' are comments.
std::vector<CidRow> ReadTable(const QString& resource) {
    std::vector<CidRow> rows;
    QFile f(resource);
    if (!f.open(QIODevice::ReadOnly)) return rows;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        rows.push_back({line.left(tab), tab < 0 ? QString() : line.mid(tab + 1)});
    }
    return rows;
}

void FillGrid(PageValues& values, std::string_view grid, const std::vector<CidRow>& rows) {
    for (int row = 1; row <= kGridRecords; ++row) {
        const auto i = static_cast<std::size_t>(row - 1);
        values.setCell(grid, row, 0, i < rows.size() ? rows[i].code : QString());
        values.setCell(grid, row, 1, i < rows.size() ? rows[i].name : QString());
    }
}

QString EditedCell(int column, const QString& text, int codeLength) {
    if (column == 0) {
        QString code = text.left(codeLength);
        return code.size() == codeLength ? code.toUpper() : code;
    }
    return text.left(kCidNameLength);
}

} // namespace

TableVariant TableVariantFor(int languageIndex) {
    switch (languageIndex) {
    case 1:
        return TableVariant::English;
    case 3:
        return TableVariant::Slovak;
    case 7:
        return TableVariant::Czech;
    default:
        return TableVariant::Hungarian;
    }
}

std::vector<CidRow> DefaultEventRows(TableVariant variant) {
    return ReadTable(
        QStringLiteral(":/k6config/cid_events.%1.tsv").arg(QLatin1String(VariantSuffix(variant))));
}

std::vector<CidRow> ZoneTemplateRows(TableVariant variant) {
    return ReadTable(
        QStringLiteral(":/k6config/cid_zones.%1.tsv").arg(QLatin1String(VariantSuffix(variant))));
}

void LoadDefaultEventTable(PageValues& values, int languageIndex) {
    FillGrid(values, "StringGrid3", DefaultEventRows(TableVariantFor(languageIndex)));
}

void LoadZoneTemplate(PageValues& values, int languageIndex) {
    FillGrid(values, "StringGrid2", ZoneTemplateRows(TableVariantFor(languageIndex)));
}

void ApplySmsMaskToAllEvents(PageValues& values, std::uint8_t mask) {
    for (int row = 1; row <= kGridRecords; ++row)
        if (!values.cell("StringGrid3", row, 0).isEmpty()) values.setEventSmsMask(row, mask);
}

QString EditedZoneCell(int column, const QString& text) {
    return EditedCell(column, text, kZoneCodeLength);
}
QString EditedEventCell(int column, const QString& text) {
    return EditedCell(column, text, kEventCodeLength);
}

} // namespace dalvex::k6config
