#include "shown_values.h"

#include "k6config/controls.h"
#include "k6config/field_codecs.h"
#include "k6config/memory_map.h"

#include <string>

namespace dalvex::k6text {

using k6config::ControlDef;
using k6config::ControlKind;
using k6config::OutlineField;
using k6config::OutlineWindow;
using k6config::PageValues;

namespace {

bool phoneItems(const ControlDef& def) {
    if (def.itemCount() != k6config::kPhoneCount) return false;
    for (int i = 0; i < k6config::kPhoneCount; ++i)
        if (def.items[i] != k6config::PhoneItemCaption(i)) return false;
    return true;
}

const ControlDef* defOf(const PageValues& values, const QString& control) {
    const int row = values.table().indexOf(control.toStdString());
    return row < 0 ? nullptr : &values.table().at(row);
}

} // namespace

ConfigValues::ConfigValues()
    : k6(k6config::K6Controls())
    , door(k6config::DoorPhoneControls())
    , local(k6config::K6LocalControls()) {}

const PageValues& ConfigValues::Of(OutlineWindow window) const {
    return window == OutlineWindow::DoorPhone ? door : k6;
}

k6config::CustomerFields ConfigValues::Customer() const {
    k6config::CustomerFields f;
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        f[static_cast<std::size_t>(i)] = local.text(local.table().at(i).name.toStdString());
    return f;
}

void ConfigValues::SetCustomer(const k6config::CustomerFields& fields) {
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        local.setText(local.table().at(i).name.toStdString(), fields[static_cast<std::size_t>(i)]);
}

int EngineType(int moduleType) {
    return moduleType == 73 || moduleType == 74 ? moduleType : 72;
}

QString StoredBrandName(const k6config::ConfigImage& image) {
    return k6config::ReadPlainText(image, k6config::kBrandOffset, k6config::kBrandWidth);
}

k6config::ImageContext ContextFor(int moduleType, const k6config::ConfigImage& image) {
    return {EngineType(moduleType), StoredBrandName(image)};
}

void Decode(const k6config::ConfigImage& image, const k6config::CustomerFields& customer, int moduleType,
            ConfigValues& values) {
    k6config::DecodeConfigImage(image, values.k6, values.door, ContextFor(moduleType, image));
    values.SetCustomer(customer);
}

QString PhoneItemText(const PageValues& k6, int item) {
    const QString number = k6.text("MaskEdit" + std::to_string(item + 1));
    return k6config::IsPhoneSet(number) ? number : k6config::PhoneItemCaption(item);
}

QString ShownValueOf(const ControlDef& def, const PageValues& values, const PageValues& k6,
                     const OutlineField* field, const ShowContext& context) {
    const std::string name = def.name.toStdString();
    switch (def.kind) {
    case ControlKind::Choice: {
        const int i = values.index(name);
        if (i < 0 || i >= def.itemCount()) return {};
        if (phoneItems(def)) return PhoneItemText(k6, i);
        if (field) {
            const QString shown = field->Item(i, context.language, context.moduleType);
            if (!shown.isEmpty()) return shown;
        }
        return def.items[i];
    }
    case ControlKind::Check:
        return values.checked(name) ? QStringLiteral("✔") : QStringLiteral("–");
    case ControlKind::CheckList: {
        QStringList on;
        for (int i = 0; i < def.itemCount(); ++i)
            if (values.itemChecked(name, i)) on << PhoneItemText(k6, i);
        return on.isEmpty() ? QStringLiteral("–") : on.join(QStringLiteral(", "));
    }
    case ControlKind::Spin:
    case ControlKind::Value:
        return QString::number(values.number(name));
    case ControlKind::Text:
    case ControlKind::EditCombo: {
        const QString text = values.text(name);
        // An empty secret or one of the box's own items ("OFF") gives nothing away.
        if (!context.secrets && k6config::IsSecretControl(def.name) && !text.trimmed().isEmpty() &&
            !def.items.contains(text))
            return kMasked;
        return text;
    }
    case ControlKind::Grid:
        return {};
    }
    return {};
}

QString ShownValue(const OutlineField& field, const ConfigValues& values, const ShowContext& context) {
    const PageValues* v = &values.Of(field.window);
    const ControlDef* def = defOf(*v, field.control);
    if (!def && field.window == OutlineWindow::Main) {
        v = &values.local;
        def = defOf(*v, field.control);
    }
    if (!def) return {};
    return ShownValueOf(*def, *v, values.k6, &field, context);
}

bool PageShown(const k6config::OutlinePage& page, const ShowContext& context) {
    const bool door = context.moduleType == 75;
    if ((page.window == OutlineWindow::DoorPhone) != door) return false;
    if (!page.shown.At(EngineType(context.moduleType), context.version)) return false;
    if (page.parent.isEmpty()) return true;
    const k6config::OutlinePage* parent = k6config::PageOutline::Builtin().Page(page.window, page.parent);
    return parent && PageShown(*parent, context);
}

bool FieldShown(const OutlineField& field, const ShowContext& context) {
    const k6config::OutlinePage* page = k6config::PageOutline::Builtin().Page(field.window, field.page);
    return page && PageShown(*page, context) && field.shown.At(EngineType(context.moduleType), context.version);
}

QString BareCaption(QString caption) {
    caption = caption.trimmed();
    while (caption.endsWith(QLatin1Char(':')) || caption.endsWith(QLatin1Char(' ')))
        caption.chop(1);
    return caption;
}

} // namespace dalvex::k6text
