#include "image_diff.h"

#include "controls.h"
#include "page_values.h"

namespace dalvex::k6config {

namespace {

QString Shown(const ControlDef& c, const PageValues& v) {
    const std::string name = c.name.toStdString();
    switch (c.kind) {
    case ControlKind::Choice: {
        const int i = v.index(name);
        return i >= 0 && i < c.itemCount() ? c.items[i] : QString();
    }
    case ControlKind::Check:
        return v.checked(name) ? QStringLiteral("✔") : QStringLiteral("–");
    case ControlKind::CheckList: {
        QStringList on;
        for (int i = 0; i < c.itemCount(); ++i)
            if (v.itemChecked(name, i)) on << c.items[i];
        return on.isEmpty() ? QStringLiteral("–") : on.join(QStringLiteral(", "));
    }
    case ControlKind::Spin:
    case ControlKind::Value:
        return QString::number(v.number(name));
    case ControlKind::Text:
    case ControlKind::EditCombo:
        return v.text(name);
    case ControlKind::Grid:
        return {};
    }
    return {};
}

// Marks the bytes of the sent areas that encoding the values of `image` writes: the values encoded
// onto an image of 0x00 and onto one of 0xFF agree exactly on those bytes. What the encoder writes
// depends on the values (a short phone number ends early), so this is asked for each image.
void MarkDescribed(const ConfigImage& image, const ImageContext& context, std::vector<bool>& described) {
    PageValues values(K6Controls()), again(K6Controls());
    PageValues door(DoorPhoneControls());
    DecodeConfigImage(image, values, door, context);
    DecodeConfigImage(image, again, door, context);
    ConfigImage zeros, ones;
    for (const ImageArea& a : kSentAreas)
        for (std::uint32_t i = a.first; i < a.end; ++i)
            ones.set(i, 0xFF);
    EncodeConfigImage(zeros, values, door, context);
    EncodeConfigImage(ones, again, door, context);
    std::size_t k = 0;
    for (const ImageArea& a : kSentAreas)
        for (std::uint32_t i = a.first; i < a.end; ++i, ++k)
            if (zeros.at(i) == ones.at(i)) described[k] = true;
}

constexpr int kCidRows = 256;
constexpr const char* kEventGrid = "StringGrid3";

// "SMS 1, 3" for the phones of a mask.
QString MaskText(std::uint8_t mask) {
    QStringList on;
    for (int i = 0; i < 8; ++i)
        if (mask & (1u << i)) on << QString::number(i + 1);
    return on.isEmpty() ? QStringLiteral("–") : QStringLiteral("SMS ") + on.join(QStringLiteral(", "));
}

} // namespace

void CopySentAreas(const ConfigImage& from, ConfigImage& to) {
    for (const ImageArea& a : kSentAreas)
        for (std::uint32_t i = a.first; i < a.end; ++i)
            to.set(i, from.at(i));
}

std::vector<DiffRow> DiffImages(const ConfigImage& beforeImage, const ConfigImage& after,
                                const ImageContext& context, std::span<const ImageArea> compared) {
    ConfigImage before;
    CopySentAreas(after, before);
    for (const ImageArea& area : compared)
        for (std::uint32_t i = area.first; i < area.end; ++i)
            before.set(i, beforeImage.at(i));
    std::vector<DiffRow> rows;
    PageValues a(K6Controls()), b(K6Controls());
    PageValues doorA(DoorPhoneControls()), doorB(DoorPhoneControls());
    DecodeConfigImage(before, a, doorA, context);
    DecodeConfigImage(after, b, doorB, context);
    for (const ControlDef& c : K6Controls().controls()) {
        if (c.kind == ControlKind::Grid) {
            const std::string name = c.name.toStdString();
            for (int r = 1; r < c.rows; ++r)
                for (int col = 0; col < c.columns; ++col) {
                    const QString x = a.cell(name, r, col), y = b.cell(name, r, col);
                    if (x != y) rows.push_back({c.name, r, col, x, y, 0});
                }
            continue;
        }
        const QString x = Shown(c, a), y = Shown(c, b);
        if (x != y) rows.push_back({c.name, -1, -1, x, y, 0});
    }
    // The SMS targets of each Contact ID event row, kept beside the grid's texts.
    for (int r = 1; r <= kCidRows; ++r) {
        const std::uint8_t x = a.eventSmsMask(r), y = b.eventSmsMask(r);
        if (x != y) rows.push_back({QString::fromLatin1(kEventGrid), r, -1, MaskText(x), MaskText(y), 0});
    }
    std::size_t areaBytes = 0;
    for (const ImageArea& area : kSentAreas)
        areaBytes += area.end - area.first;
    std::vector<bool> described(areaBytes, false);
    MarkDescribed(before, context, described);
    MarkDescribed(after, context, described);
    std::size_t k = 0;
    for (const ImageArea& area : kSentAreas)
        for (std::uint32_t i = area.first; i < area.end; ++i, ++k) {
            if (described[k]) continue;
            const std::uint8_t x = before.at(i), y = after.at(i);
            if (x != y)
                rows.push_back(
                    {QString(), -1, -1,
                     QStringLiteral("0x") + QStringLiteral("%1").arg(x, 2, 16, QLatin1Char('0')).toUpper(),
                     QStringLiteral("0x") + QStringLiteral("%1").arg(y, 2, 16, QLatin1Char('0')).toUpper(),
                     i});
        }
    return rows;
}

} // namespace dalvex::k6config
