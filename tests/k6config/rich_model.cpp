#include "rich_model.h"

#include "k6config/controls.h"
#include "k6config/memory_map.h"

namespace dalvex::k6config {

std::string str(const QString& s) {
    return s.toStdString();
}

void PrintTo(const ControlValue& v, std::ostream* os) {
    *os << "{" << v.number << ", \"" << str(v.text) << "\", " << v.cells.size() << " cells}";
}

std::map<QString, ControlValue> snapshot(const PageValues& v) {
    std::map<QString, ControlValue> out;
    for (const ControlDef& d : v.table().controls()) {
        const std::string name = str(d.name);
        ControlValue c;
        c.number = v.number(name);
        c.text = v.text(name);
        for (int r = 0; r < d.rows; ++r)
            for (int col = 0; col < d.columns; ++col)
                c.cells.push_back(v.cell(name, r, col));
        out[d.name] = c;
    }
    return out;
}

std::vector<int> eventMasks(const PageValues& v) {
    std::vector<int> m;
    for (int row = 1; row <= kGridRecords; ++row)
        m.push_back(v.eventSmsMask(row));
    return m;
}

// Text of exactly `length` characters, with the accented letters the module folds and those it keeps.
QString filler(const QString& seed, int length) {
    QString s;
    while (s.size() < length)
        s += seed + QStringLiteral(" áéíóöüőű ÁÉŐŰ ");
    return s.left(length);
}

// Characters a Contact ID code can hold and read back unchanged ("A" reads back as "0").
const QString kCidChars = QStringLiteral("0123456789BCDEF?");
QString cidText(int seed, int length) {
    QString s;
    for (int i = 0; i < length; ++i)
        s += kCidChars[(seed * 7 + i * 5 + 3) % kCidChars.size()];
    return s;
}

// Sets every control of the window away from its initial value: a field that does not round-trip
// then shows in the comparison, including fields added later.
void makeRich(PageValues& v) {
    const ControlTable& t = v.table();
    for (int i = 0; i < t.size(); ++i) {
        const ControlDef& d = t.at(i);
        const std::string name = str(d.name);
        switch (d.kind) {
        case ControlKind::Choice:
            v.setIndex(name, (d.initialNumber + 1) % d.itemCount());
            break;
        case ControlKind::Check:
            v.setChecked(name, d.initialNumber == 0);
            break;
        case ControlKind::CheckList: {
            std::uint8_t m = static_cast<std::uint8_t>(0x35 + 29 * i);
            if (m == d.initialNumber) m ^= 0xFF;
            v.setMask(name, m);
            break;
        }
        case ControlKind::Spin:
        case ControlKind::Value: {
            int x = d.initialNumber + d.step;
            if (x > d.maximum) x = d.initialNumber - d.step;
            v.setNumber(name, x);
            break;
        }
        case ControlKind::Text:
        case ControlKind::EditCombo:
            v.setText(name, filler(d.name, d.maxLength));
            break;
        case ControlKind::Grid:
            for (int row = 1; row < d.rows; ++row) {
                if (row % 7 == 3) continue; // some rows stay empty
                const bool events = d.name == QLatin1String("StringGrid3");
                const QString code =
                    events ? QString(row % 2 ? QLatin1Char('E') : QLatin1Char('R')) + cidText(row, 3)
                           : cidText(row, 5);
                v.setCell(name, row, 0, code);
                v.setCell(name, row, 1,
                          filler(QStringLiteral("Zóna %1").arg(row), (row * 13) % kCidNameWidth + 1));
                if (events) v.setEventSmsMask(row, static_cast<std::uint8_t>(row * 37));
            }
            break;
        }
    }
    if (&t != &K6Controls()) return;
    // Values that must look like what their fields hold.
    v.setText("MaskEdit1", QStringLiteral("1234567890123456"));
    v.setText("MaskEdit2", QStringLiteral("+36301234567"));
    for (int n = 3; n <= kPhoneCount; ++n)
        v.setText(str(QStringLiteral("MaskEdit%1").arg(n)), QStringLiteral("0620555%1").arg(n));
    v.setText("TAV1", QStringLiteral("0612345678901234"));
    v.setText("TAV2", QStringLiteral("+3612345"));
    v.setText("Edit1", QStringLiteral("4821"));
    v.setText("CIDUGYFEL", cidText(1, 4));
    int seed = 2;
    for (const CidCodeDef& c : CidCodes()) {
        v.setText(c.code, cidText(seed++, 3));
        if (c.zone) v.setText(c.zone, cidText(seed++, 3));
    }
    for (int n = 1; n <= kProfileCount; ++n)
        v.setText(str(QStringLiteral("IPPORT%1").arg(n)), QStringLiteral("5350%1").arg(n));
}

} // namespace dalvex::k6config
