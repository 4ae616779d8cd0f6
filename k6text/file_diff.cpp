#include "file_diff.h"

#include "i18n/catalogue.h"
#include "k6config/controls.h"
#include "k6config/door_phone.h"
#include "k6config/image_diff.h"
#include "shown_values.h"

namespace dalvex::k6text {

namespace {

QString Tr(const char* hungarian, int language) {
    const QString hu = QString::fromUtf8(hungarian);
    return i18n::Catalogue::Builtin().Message(hu, language).value_or(hu);
}

QString PageCaption(const k6config::OutlineField& f, int language) {
    const auto& outline = k6config::PageOutline::Builtin();
    const k6config::OutlinePage* page = outline.Page(f.window, f.page);
    if (!page) return {};
    QString caption = k6config::TextIn(page->caption, language);
    if (const k6config::OutlinePage* top = outline.TopPage(*page); top && top != page)
        caption = k6config::TextIn(top->caption, language) + QStringLiteral(" › ") + caption;
    return caption;
}

QString Hex(const k6config::ConfigImage& image, std::uint32_t first, std::uint32_t end) {
    constexpr std::uint32_t kShown = 8;
    QString text = QString::fromLatin1(image.read(first, std::min(end - first, kShown)).toHex(' '));
    if (end - first > kShown) text += QStringLiteral(" …");
    return text;
}

bool InSentArea(std::uint32_t a) {
    for (const k6config::ImageArea& area : k6config::kSentAreas)
        if (a >= area.first && a < area.end) return true;
    return false;
}

} // namespace

std::vector<FileDiffRow> DescribeImageDiff(const k6config::ConfigImage& before, const k6config::ConfigImage& after,
                                           std::span<const k6config::ImageArea> compared, const ShowContext& show) {
    const int language = show.language;
    ConfigValues a, b;
    Decode(before, {}, show.moduleType, a);
    Decode(after, {}, show.moduleType, b);
    const auto& outline = k6config::PageOutline::Builtin();
    std::vector<FileDiffRow> rows;
    for (const k6config::DiffRow& d :
         k6config::DiffImages(before, after, ContextFor(show.moduleType, after), compared)) {
        FileDiffRow r{{}, {}, d.before, d.after, d.control, d.row, d.address};
        if (d.raw()) {
            r.page = Tr("Le nem írt bájtok", language);
            r.field = QStringLiteral("0x%1").arg(d.address, 6, 16, QLatin1Char('0'));
            rows.push_back(r);
            continue;
        }
        const k6config::OutlineField* f = outline.Field(k6config::OutlineWindow::Main, d.control);
        r.page = f ? PageCaption(*f, language) : QString();
        r.field = f ? BareCaption(k6config::TextIn(f->caption, language)) : QString();
        if (r.field.isEmpty()) r.field = d.control;
        if (d.row >= 0) {
            r.field += QStringLiteral(" (%1 %2)").arg(Tr("sor", language)).arg(d.row);
        } else {
            const auto& table = k6config::K6Controls();
            const int index = table.indexOf(d.control.toStdString());
            if (index >= 0) {
                r.before = ShownValueOf(table.at(index), a.k6, a.k6, f, show);
                r.after = ShownValueOf(table.at(index), b.k6, b.k6, f, show);
            }
        }
        rows.push_back(r);
    }
    return rows;
}

void ShowAsDoorPhoneSend(std::vector<FileDiffRow>& rows, int language) {
    const auto& outline = k6config::PageOutline::Builtin();
    const QStringList& mirrored = k6config::DoorPhoneMirroredControls();
    const QStringList& set = k6config::DoorPhoneSetControls();
    QString doorPage;
    for (const k6config::OutlinePage& p : outline.Pages())
        if (p.window == k6config::OutlineWindow::DoorPhone) doorPage = k6config::TextIn(p.caption, language);
    const QString everySend = Tr("Minden kaputelefon-küldés beállítja", language);
    std::vector<FileDiffRow> own, preset;
    for (FileDiffRow& r : rows) {
        if (mirrored.contains(r.control)) {
            r.page = doorPage;
            if (const k6config::OutlineField* f = outline.Field(k6config::OutlineWindow::DoorPhone, r.control)) {
                const QString caption = BareCaption(k6config::TextIn(f->caption, language));
                if (!caption.isEmpty()) r.field = caption;
            }
            own.push_back(r);
        } else if (set.contains(r.control)) {
            if (!r.page.isEmpty()) r.field = r.page + QStringLiteral(" › ") + r.field;
            r.page = everySend;
            preset.push_back(r);
        } else {
            own.push_back(r);
        }
    }
    own.insert(own.end(), preset.begin(), preset.end());
    rows = std::move(own);
}

std::vector<FileDiffRow> DiffDocuments(const ConfigDocument& before, const ConfigDocument& after, int language) {
    const int moduleType = after.moduleType.value_or(before.moduleType.value_or(72));
    ShowContext show;
    show.language = language;
    show.moduleType = moduleType;
    show.secrets = true;
    const auto& outline = k6config::PageOutline::Builtin();
    std::vector<FileDiffRow> rows;

    // The customer records, first as on the pages.
    const auto& local = k6config::K6LocalControls();
    for (int i = 0; i < k6config::kCustomerFields; ++i) {
        const auto n = static_cast<std::size_t>(i);
        if (before.customer[n] == after.customer[n]) continue;
        const QString name = local.at(i).name;
        const k6config::OutlineField* f = outline.Field(k6config::OutlineWindow::Main, name);
        rows.push_back({f ? PageCaption(*f, language) : QString(),
                        f ? BareCaption(k6config::TextIn(f->caption, language)) : name, before.customer[n],
                        after.customer[n], name, -1, 0});
    }

    const auto described = DescribeImageDiff(before.image, after.image, k6config::kSentAreas, show);
    rows.insert(rows.end(), described.begin(), described.end());

    // Whatever else the files hold, by runs of bytes.
    const auto end = static_cast<std::uint32_t>(k6config::kConfigHeadSize + k6config::kConfigTailSize);
    for (std::uint32_t i = 0; i < end;) {
        if (InSentArea(i) || before.image.at(i) == after.image.at(i)) {
            ++i;
            continue;
        }
        std::uint32_t j = i;
        while (j < end && !InSentArea(j) && before.image.at(j) != after.image.at(j))
            ++j;
        const QString field = j - i == 1 ? QStringLiteral("0x%1").arg(i, 6, 16, QLatin1Char('0'))
                                         : QStringLiteral("0x%1–0x%2")
                                               .arg(i, 6, 16, QLatin1Char('0'))
                                               .arg(j - 1, 6, 16, QLatin1Char('0'));
        rows.push_back({Tr("Le nem írt bájtok", language), field, Hex(before.image, i, j), Hex(after.image, i, j),
                        {}, -1, i});
        i = j;
    }
    return rows;
}

} // namespace dalvex::k6text
