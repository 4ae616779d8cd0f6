#include "page_outline.h"

#include "memory_map.h"

#include <QFile>
#include <QStringList>
#include <QList>
#include <algorithm>
#include <climits>

namespace dalvex::k6config {

namespace {

constexpr int kHeadCells = 6; // kind, window, name, place, model, shown

QString unescaped(const QByteArray& cell) {
    const QString in = QString::fromUtf8(cell);
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != QLatin1Char('\\') || i + 1 >= in.size()) {
            out += in[i];
            continue;
        }
        const QChar next = in[++i];
        out += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next == QLatin1Char('t') ? QChar(QLatin1Char('\t')) : next;
    }
    return out;
}

std::optional<OutlineWindow> windowOf(const QByteArray& cell) {
    if (cell == "k6") return OutlineWindow::Main;
    if (cell == "door") return OutlineWindow::DoorPhone;
    return std::nullopt;
}

std::optional<int> number(const QByteArray& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// "*", "none", or "72=a-b,c- 74=-b": see the table's head.
std::optional<OutlineShown> shownOf(const QByteArray& cell) {
    OutlineShown s;
    if (cell == "*") {
        s.always = true;
        return s;
    }
    if (cell == "none") return s;
    for (const QByteArray& part : cell.split(' ')) {
        const qsizetype eq = part.indexOf('=');
        if (eq <= 0) return std::nullopt;
        const auto model = number(part.left(eq));
        if (!model) return std::nullopt;
        for (const QByteArray& range : part.mid(eq + 1).split(',')) {
            const qsizetype dash = range.indexOf('-');
            if (dash < 0) return std::nullopt;
            OutlineShown::Span span{*model, INT_MIN, INT_MAX};
            if (dash > 0) {
                const auto from = number(range.left(dash));
                if (!from) return std::nullopt;
                span.from = *from;
            }
            if (dash + 1 < range.size()) {
                const auto below = number(range.mid(dash + 1));
                if (!below) return std::nullopt;
                span.below = *below;
            }
            s.spans.push_back(span);
        }
    }
    return s;
}

} // namespace

QString TextIn(const OutlineTexts& texts, int language) {
    if (language >= 0 && language < kOutlineLanguages && !texts[static_cast<std::size_t>(language)].isEmpty())
        return texts[static_cast<std::size_t>(language)];
    return texts[0];
}

bool OutlineShown::At(int moduleType, int version) const {
    if (always) return true;
    for (const Span& s : spans)
        if (s.model == moduleType && version >= s.from && version < s.below) return true;
    return false;
}

QString OutlineField::Item(int index, int language, int moduleType) const {
    if (index < 0 || index >= static_cast<int>(items.size())) return {};
    for (const ModelItem& m : modelItems)
        if (m.model == moduleType && m.index == index) return TextIn(m.texts, language);
    return TextIn(items[static_cast<std::size_t>(index)], language);
}

std::optional<PageOutline> PageOutline::Parse(const QByteArray& tsv, QString* error) {
    PageOutline o;
    const auto fail = [&](int line, const QString& why) {
        if (error) *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return std::nullopt;
    };
    int lineNumber = 0;
    bool head = true;
    for (const QByteArray& line : tsv.split('\n')) {
        ++lineNumber;
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (head) {
            head = false;
            continue;
        }
        const QList<QByteArray> cells = line.split('\t');
        if (cells.size() != kHeadCells + kOutlineLanguages)
            return fail(lineNumber, QStringLiteral("%1 cells instead of %2").arg(cells.size()).arg(kHeadCells + kOutlineLanguages));
        const auto window = windowOf(cells[1]);
        if (!window) return fail(lineNumber, QStringLiteral("unknown window"));
        OutlineTexts texts;
        for (int i = 0; i < kOutlineLanguages; ++i)
            texts[static_cast<std::size_t>(i)] = unescaped(cells[kHeadCells + i]);
        const QString name = QString::fromUtf8(cells[2]);
        if (cells[0] == "page" || cells[0] == "field") {
            const auto shown = shownOf(cells[5]);
            if (!shown) return fail(lineNumber, QStringLiteral("unreadable visibility"));
            if (cells[0] == "page")
                o.pages_.push_back({*window, name, QString::fromUtf8(cells[3]), *shown, texts});
            else
                o.fields_.push_back({*window, name, QString::fromUtf8(cells[3]), *shown, texts, {}, {}});
        } else if (cells[0] == "item") {
            const auto index = number(cells[3]);
            auto field = std::find_if(o.fields_.begin(), o.fields_.end(),
                                      [&](const OutlineField& f) { return f.window == *window && f.control == name; });
            if (!index || *index < 0 || field == o.fields_.end())
                return fail(lineNumber, QStringLiteral("an item of no field before it"));
            if (cells[4].isEmpty()) {
                if (*index != static_cast<int>(field->items.size()))
                    return fail(lineNumber, QStringLiteral("items out of order"));
                field->items.push_back(texts);
            } else {
                const auto model = number(cells[4]);
                if (!model) return fail(lineNumber, QStringLiteral("unreadable model"));
                field->modelItems.push_back({*model, *index, texts});
            }
        } else {
            return fail(lineNumber, QStringLiteral("unknown kind"));
        }
    }
    return o;
}

const PageOutline& PageOutline::Builtin() {
    static const PageOutline outline = [] {
        QFile f(QStringLiteral(":/k6config/page_outline.tsv"));
        QString error;
        std::optional<PageOutline> o;
        if (f.open(QIODevice::ReadOnly)) o = Parse(f.readAll(), &error);
        if (!o) qWarning("the built-in page outline is unreadable: %s", qPrintable(error));
        return o.value_or(PageOutline{});
    }();
    return outline;
}

const OutlinePage* PageOutline::Page(OutlineWindow window, const QString& name) const {
    for (const OutlinePage& p : pages_)
        if (p.window == window && p.name == name) return &p;
    return nullptr;
}

const OutlineField* PageOutline::Field(OutlineWindow window, const QString& control) const {
    for (const OutlineField& f : fields_)
        if (f.window == window && f.control == control) return &f;
    return nullptr;
}

bool IsSecretControl(const QString& control) {
    static const QStringList secrets = [] {
        QStringList s{QStringLiteral("Edit1")};
        for (int n = 1; n <= kProfileCount; ++n)
            s << QStringLiteral("PASS%1").arg(n) << QStringLiteral("KULCS%1").arg(n);
        return s;
    }();
    return secrets.contains(control);
}

const OutlinePage* PageOutline::TopPage(const OutlinePage& page) const {
    const OutlinePage* p = &page;
    for (int depth = 0; p && !p->parent.isEmpty() && depth < 8; ++depth)
        p = Page(p->window, p->parent);
    return p;
}

} // namespace dalvex::k6config
