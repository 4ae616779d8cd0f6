#include "sheet_content.h"

#include "config_json.h"
#include "i18n/catalogue.h"
#include "i18n/module_models.h"
#include "i18n/product_variant.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"

namespace dalvex::k6text {

using k6config::ControlKind;
using k6config::OutlineWindow;

namespace {

QString Tr(const char* hungarian, int language) {
    const QString hu = QString::fromUtf8(hungarian);
    return i18n::Catalogue::Builtin().Message(hu, language).value_or(hu);
}

bool IsCustomerField(const QString& control) {
    const auto& local = k6config::K6LocalControls();
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        if (local.at(i).name == control) return true;
    return false;
}

QString PhonesText(std::uint8_t mask) {
    QStringList on;
    for (int i = 0; i < k6config::kPhoneCount; ++i)
        if (mask & (1u << i)) on << QString::number(i + 1);
    return on.join(QStringLiteral(", "));
}

bool IsEventGrid(const QString& grid) {
    for (const k6config::CidTableDef& t : k6config::CidTables())
        if (grid == QLatin1String(t.grid)) return t.kind == k6config::CidTableKind::Event;
    return false;
}

SheetTable GridTable(const k6config::ControlDef& def, const k6config::PageValues& v, const QString& title,
                     int language) {
    SheetTable t;
    t.title = title;
    const bool events = IsEventGrid(def.name);
    const bool cid = events || std::any_of(k6config::CidTables().begin(), k6config::CidTables().end(),
                                           [&](const auto& c) { return def.name == QLatin1String(c.grid); });
    t.columns << Tr("sor", language);
    if (cid)
        t.columns << Tr("Kód", language) << Tr("Név", language);
    else
        t.columns << QStringLiteral("SIM") << Tr("Telefonszám", language) << Tr("Név", language);
    if (events) t.columns << QStringLiteral("SMS");
    const std::string name = def.name.toStdString();
    for (int r = 1; r < def.rows; ++r) {
        QStringList cells{QString::number(r)};
        bool any = false;
        for (int c = 0; c < def.columns; ++c) {
            cells << v.cell(name, r, c);
            any = any || !v.cell(name, r, c).isEmpty();
        }
        if (!any) continue;
        if (events) cells << PhonesText(v.eventSmsMask(r));
        t.rows.push_back(cells);
    }
    return t;
}

} // namespace

SheetContent BuildSheet(const ValueSet& values, const SheetOptions& o) {
    const int language = o.show.language;
    SheetContent s;
    s.language = language;
    s.title = Tr("Konfigurációs lap", language);
    const auto& outline = k6config::PageOutline::Builtin();

    // The head: the customer records, the module and the time.
    const auto& local = k6config::K6LocalControls();
    for (int i = 0; i < k6config::kCustomerFields; ++i) {
        const auto* f = outline.Field(OutlineWindow::Main, local.at(i).name);
        s.head.push_back({f ? BareCaption(k6config::TextIn(f->caption, language)) : local.at(i).name,
                          values.local.text(local.at(i).name.toStdString()).trimmed()});
    }
    const QString model = ModelName(o.show.moduleType, MakeBrandFields());
    s.head.push_back({Tr("Modell", language), model.isEmpty() ? QStringLiteral("–") : model});
    s.head.push_back({Tr("Modul szoftver verzió", language), o.version ? VersionText(*o.version) : QStringLiteral("–")});
    s.head.push_back({Tr("Dátum", language), o.when.toString(QStringLiteral("yyyy.MM.dd. HH:mm"))});

    bool masked = false;
    for (const k6config::OutlinePage& page : outline.Pages()) {
        if (!PageShown(page, o.show)) continue;
        SheetSection section;
        section.title = k6config::TextIn(page.caption, language);
        if (const auto* top = outline.TopPage(page); top && top != &page)
            section.title = k6config::TextIn(top->caption, language) + QStringLiteral(" › ") + section.title;
        for (const k6config::OutlineField& f : outline.Fields()) {
            if (f.window != page.window || f.page != page.name || !FieldShown(f, o.show)) continue;
            if (IsCustomerField(f.control)) continue;
            const k6config::PageValues* v = f.window == OutlineWindow::DoorPhone ? &values.door : &values.k6;
            int row = v->table().indexOf(f.control.toStdString());
            if (row < 0 && f.window == OutlineWindow::Main && o.localValues) {
                v = &values.local;
                row = v->table().indexOf(f.control.toStdString());
            }
            if (row < 0) continue; // a value the file does not hold
            const k6config::ControlDef& def = v->table().at(row);
            const QString caption = BareCaption(k6config::TextIn(f.caption, language));
            if (def.kind == ControlKind::Grid) {
                SheetTable t = GridTable(def, *v, caption, language);
                if (!t.rows.empty()) section.tables.push_back(std::move(t));
                continue;
            }
            const QString value = ShownValueOf(def, *v, values.k6, &f, o.show);
            masked = masked || value == kMasked;
            section.rows.push_back({caption.isEmpty() ? section.title : caption, value});
        }
        if (!section.rows.empty() || !section.tables.empty()) s.pages.push_back(std::move(section));
    }
    if (masked)
        s.note = Tr("A titkos értékek (SMS biztonsági kód, szerver jelszavak) helyén •••• áll.", language);
    s.wiringTitle = Tr("Bekötési rajz", language);
    s.wiringModel = EngineType(o.show.moduleType);
    return s;
}

} // namespace dalvex::k6text
