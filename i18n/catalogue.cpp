#include "catalogue.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <algorithm>

namespace dalvex::i18n {

namespace {

constexpr int kFixedColumns = 5; // window, control, kind, item, pass
constexpr int kColumns = kFixedColumns + kLanguageCount + 1;

struct KindName {
    const char* name;
    EntryKind kind;
};
constexpr KindName kKinds[] = {
    {"caption", EntryKind::Caption}, {"item", EntryKind::Item},       {"menu", EntryKind::Menu},
    {"memo", EntryKind::Memo},       {"message", EntryKind::Message}, {"string", EntryKind::String},
    {"picture", EntryKind::Picture},
};

std::optional<QString> unescape(const QString& cell) {
    if (cell.isEmpty()) return std::nullopt;
    if (cell == QLatin1String("\\e")) return QString();
    QString out;
    out.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell[i];
        if (c != QLatin1Char('\\') || i + 1 == cell.size()) {
            out += c;
            continue;
        }
        const QChar n = cell[++i];
        if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else
            out += n;
    }
    return out;
}

bool keyedByText(EntryKind kind) {
    return kind == EntryKind::Message || kind == EntryKind::String;
}

} // namespace

std::optional<QString> CatalogueEntry::Text(int language, Pass pass) const {
    if (language < 0 || language >= kLanguageCount) return std::nullopt;
    if (pass == Pass::Start && language == Dutch) return startDutch;
    return text[static_cast<std::size_t>(language)];
}

const Catalogue& Catalogue::Builtin() {
    static const Catalogue builtin = [] {
        QFile f(QStringLiteral(":/i18n/catalogue.tsv"));
        QString error;
        std::optional<Catalogue> c;
        if (f.open(QIODevice::ReadOnly))
            c = Parse(f.readAll(), &error);
        else
            error = f.errorString();
        if (!c) {
            // The table is compiled in and checked by the tests; a broken build shows Hungarian.
            qWarning("language catalogue not loaded: %s", qPrintable(error));
            return Catalogue{};
        }
        return *c;
    }();
    return builtin;
}

std::optional<Catalogue> Catalogue::Parse(const QByteArray& tsv, QString* error) {
    const auto fail = [error](int line, const QString& why) -> std::optional<Catalogue> {
        if (error) *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return std::nullopt;
    };
    Catalogue c;
    const QList<QByteArray> lines = tsv.split('\n');
    QHash<QString, int> seen;
    for (qsizetype n = 1; n < lines.size(); ++n) { // line 0 is the header
        QByteArray raw = lines[n];
        if (raw.endsWith('\r')) raw.chop(1);
        if (raw.trimmed().isEmpty() || raw.startsWith('#')) continue;
        const QString line = QString::fromUtf8(raw);
        QStringList cells = line.split(QLatin1Char('\t'));
        const int lineNo = static_cast<int>(n + 1);
        if (cells.size() > kColumns)
            return fail(lineNo, QStringLiteral("%1 cells, at most %2").arg(cells.size()).arg(kColumns));
        while (cells.size() < kColumns)
            cells << QString();
        CatalogueEntry e;
        e.window = cells[0];
        e.control = *unescape(cells[1].isEmpty() ? QStringLiteral("\\e") : cells[1]);
        const auto* kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                        [&](const KindName& k) { return cells[2] == QLatin1String(k.name); });
        if (kind == std::end(kKinds))
            return fail(lineNo, QStringLiteral("unknown kind \"%1\"").arg(cells[2]));
        e.kind = kind->kind;
        if (e.control.isEmpty()) return fail(lineNo, QStringLiteral("no control"));
        if (!keyedByText(e.kind) && e.window.isEmpty()) return fail(lineNo, QStringLiteral("no window"));
        bool ok = true;
        e.item = cells[3].isEmpty() ? 0 : cells[3].toInt(&ok);
        if (!ok || e.item < 0) return fail(lineNo, QStringLiteral("bad item \"%1\"").arg(cells[3]));
        if (!cells[4].isEmpty() && cells[4] != QLatin1String("start"))
            return fail(lineNo, QStringLiteral("bad pass \"%1\"").arg(cells[4]));
        e.startOnly = cells[4] == QLatin1String("start");
        for (int l = 0; l < kLanguageCount; ++l)
            e.text[static_cast<std::size_t>(l)] = unescape(cells[kFixedColumns + l]);
        e.startDutch = unescape(cells[kFixedColumns + kLanguageCount]);
        const QString key =
            QStringLiteral("%1\x1f%2\x1f%3\x1f%4").arg(e.window, e.control, cells[2]).arg(e.item);
        if (seen.contains(key))
            return fail(lineNo, QStringLiteral("key repeated from line %1").arg(seen[key]));
        seen.insert(key, lineNo);
        c.entries_.push_back(std::move(e));
    }
    return c;
}

std::optional<QString> Catalogue::Message(const QString& hungarian, int language, Pass pass) const {
    for (const CatalogueEntry& e : entries_)
        if (keyedByText(e.kind) && e.control == hungarian) return e.Text(language, pass);
    return std::nullopt;
}

std::optional<QString> Catalogue::Picture(const QString& drawn, int language) const {
    for (const CatalogueEntry& e : entries_)
        if (e.kind == EntryKind::Picture && e.control == drawn) return e.Text(language, Pass::Activation);
    return std::nullopt;
}

const CatalogueEntry* Catalogue::Find(const QString& window, const QString& control, EntryKind kind,
                                      int item) const {
    for (const CatalogueEntry& e : entries_)
        if (e.kind == kind && e.window == window && e.control == control && e.item == item) return &e;
    return nullptr;
}

int ActivationLanguage(const QString& setting) {
    return StartLanguage(setting).value_or(English);
}

std::optional<int> StartLanguage(const QString& setting) {
    if (setting.size() == 1 && setting[0] >= QLatin1Char('0') && setting[0] <= QLatin1Char('7'))
        return setting[0].unicode() - '0';
    return std::nullopt;
}

QString LanguageCode(int language) {
    static const char* const codes[kLanguageCount] = {"hu", "en", "de", "sk", "it", "sl", "nl", "cs"};
    return language >= 0 && language < kLanguageCount ? QString::fromLatin1(codes[language]) : QString();
}

} // namespace dalvex::i18n
