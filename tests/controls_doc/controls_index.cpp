#include "controls_index.h"

#include "i18n/catalogue.h"
#include "image_places.h"
#include "tests/support/generated_file.h"
#include "k6config/controls.h"
#include "ui/config_window.h"
#include "ui/forms.h"
#include "ui/language_pass.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <QStatusBar>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <map>

namespace dalvex::controls_doc {
namespace {

using k6config::ControlDef;
using test::PlainText;
using test::TabsOf;
using k6config::ControlKind;
using k6config::ControlTable;

// --- Markdown ---------------------------------------------------------------------------------------

// A table cell: Markdown's own characters escaped, long texts cut.
QString cell(QString text) {
    constexpr int kLongest = 90;
    if (text.size() > kLongest) text = text.left(kLongest - 1).trimmed() + QStringLiteral("…");
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
        case '|':
        case '*':
        case '_':
        case '`':
        case '[':
        case ']':
            out += QLatin1Char('\\');
            out += c;
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString code(const QString& name) {
    return QStringLiteral("`%1`").arg(name);
}

// --- The windows' design names ----------------------------------------------------------------------

struct DesignWindow {
    QString designName;
    QString header; // relative to the source root
};

// objectName -> design name and header, from the opening comments of the window headers:
// "// Design name: TK6Form1; objectName "K6Form1", ...".
std::map<QString, DesignWindow> readDesignNames(const QString& sourceRoot, QStringList& problems) {
    static const QRegularExpression line(QStringLiteral(R"re(^// Design name: (\w+); objectName "(\w+)")re"),
                                         QRegularExpression::MultilineOption);
    std::map<QString, DesignWindow> out;
    const QDir root(sourceRoot);
    QDirIterator it(root.filePath(QStringLiteral("ui")), {QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(f.readAll());
        auto m = line.globalMatch(text);
        while (m.hasNext()) {
            const auto match = m.next();
            const QString objectName = match.captured(2);
            const QString header = root.relativeFilePath(path);
            if (out.count(objectName))
                problems << QStringLiteral("objectName %1 is named in both %2 and %3")
                                .arg(objectName, out[objectName].header, header);
            out[objectName] = {match.captured(1), header};
        }
    }
    if (out.empty())
        problems << QStringLiteral("no window header under %1/ui names its design name").arg(sourceRoot);
    return out;
}

// --- What a control shows ---------------------------------------------------------------------------------

// The text a control carries itself: a page's tab, a label's or button's text, a group's title, a
// menu's or menu item's caption.
QString ownText(const QObject* o) {
    if (auto* w = qobject_cast<const QWidget*>(o))
        if (QTabWidget* tabs = TabsOf(w)) return PlainText(tabs->tabText(tabs->indexOf(const_cast<QWidget*>(w))));
    if (auto* l = qobject_cast<const QLabel*>(o)) return PlainText(l->text());
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) return PlainText(b->text());
    if (auto* g = qobject_cast<const QGroupBox*>(o)) return PlainText(g->title());
    if (auto* m = qobject_cast<const QMenu*>(o)) return PlainText(m->title());
    if (auto* a = qobject_cast<const QAction*>(o)) return PlainText(a->text());
    return {};
}

// The objects of a window the index lists: those with a name of their own. Qt's own parts of
// composite widgets are named "qt_..." (the tab bar's scroll buttons by what they do), and layouts
// are no controls; a menu's action carries the menu's name and is listed as the menu.
std::vector<QObject*> namedObjects(QWidget* window) {
    std::vector<QObject*> out;
    for (QObject* o : window->findChildren<QObject*>()) {
        const QString name = o->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || o->inherits("QLayout")) continue;
        if (o->parent() && o->parent()->inherits("QTabBar")) continue; // its scroll buttons
        if (auto* a = qobject_cast<QAction*>(o))
            if (a->menu() && a->menu()->objectName() == name) continue;
        out.push_back(o);
    }
    return out;
}

// A caption in one language: the control's own text, else that of the label it is the buddy of.
struct Caption {
    QString text;
    QString label;
};

QString placeOf(const QObject* o);

struct Snapshot {
    QHash<const QObject*, Caption> captions;
    QHash<const QObject*, QString> places;
    QHash<const QWidget*, QString> titles;
};

void takeSnapshot(const std::vector<QWidget*>& windows, Snapshot& s) {
    for (QWidget* window : windows) {
        s.titles.insert(window, PlainText(window->windowTitle()));
        QHash<const QWidget*, const QLabel*> buddies;
        for (const QLabel* l : window->findChildren<QLabel*>())
            if (l->buddy() && !buddies.contains(l->buddy())) buddies.insert(l->buddy(), l);
        for (QObject* o : namedObjects(window)) {
            Caption c{ownText(o), {}};
            if (c.text.isEmpty())
                if (auto* w = qobject_cast<QWidget*>(o))
                    if (const QLabel* l = buddies.value(w)) c = {ownText(l), l->objectName()};
            s.captions.insert(o, c);
            s.places.insert(o, placeOf(o));
        }
    }
}

// --- Where a control sits ---------------------------------------------------------------------------------

QString pageStep(const QString& name, const QString& caption) {
    return caption.isEmpty() ? code(name) : code(name) + QLatin1Char(' ') + cell(caption);
}

// The menus of a menu item or menu, outermost first.
QStringList menuPath(const QAction* action) {
    QStringList path;
    QSet<const QAction*> seen;
    while (action && !seen.contains(action)) {
        seen.insert(action);
        const QMenu* menu = nullptr;
        for (QObject* a : action->associatedObjects())
            if ((menu = qobject_cast<QMenu*>(a))) break;
        if (!menu) break;
        path.prepend(pageStep(menu->objectName(), PlainText(menu->title())));
        action = menu->menuAction();
    }
    return path;
}

// The pages a widget sits on, outermost first (a page of the profiles inside the monitoring page).
QString placeOf(const QObject* o) {
    if (auto* a = qobject_cast<const QAction*>(o)) return menuPath(a).join(QStringLiteral(" › "));
    if (auto* m = qobject_cast<const QMenu*>(o)) return menuPath(m->menuAction()).join(QStringLiteral(" › "));
    auto* w = qobject_cast<const QWidget*>(o);
    if (!w) return {};
    QStringList path;
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (QTabWidget* tabs = TabsOf(p))
            path.prepend(
                pageStep(p->objectName(), PlainText(tabs->tabText(tabs->indexOf(const_cast<QWidget*>(p))))));
    return path.join(QStringLiteral(" › "));
}

// --- What a control is ---------------------------------------------------------------------------------

QString tableKind(const ControlDef& d, const QObject* widget) {
    switch (d.kind) {
    case ControlKind::Choice:
        return QStringLiteral("%1, %2 items")
            .arg(qobject_cast<const QGroupBox*>(widget) ? QStringLiteral("radio group")
                                                        : QStringLiteral("choice"))
            .arg(d.itemCount());
    case ControlKind::Check:
        return QStringLiteral("check box");
    case ControlKind::CheckList:
        return QStringLiteral("phone list, %1 items").arg(d.itemCount());
    case ControlKind::Spin:
        return QStringLiteral("number %1…%2%3")
            .arg(d.minimum)
            .arg(d.maximum)
            .arg(d.wraps ? QStringLiteral(", wraps") : QString());
    case ControlKind::Text:
        return QStringLiteral("text, %1 characters").arg(d.maxLength);
    case ControlKind::EditCombo:
        return QStringLiteral("editable choice, %1 characters").arg(d.maxLength);
    case ControlKind::Grid:
        return QStringLiteral("grid, %1 rows × %2 columns").arg(d.rows - 1).arg(d.columns);
    case ControlKind::Value:
        return QStringLiteral("number %1…%2, kept beside the controls").arg(d.minimum).arg(d.maximum);
    }
    return {};
}

QString widgetKind(const QObject* o) {
    if (auto* w = qobject_cast<const QWidget*>(o))
        if (TabsOf(w)) return QStringLiteral("page");
    if (auto* a = qobject_cast<const QAction*>(o))
        return menuPath(a).isEmpty() ? QStringLiteral("action") : QStringLiteral("menu item");
    if (auto* g = qobject_cast<const QGroupBox*>(o))
        return g->findChildren<QRadioButton*>().isEmpty() ? QStringLiteral("group")
                                                          : QStringLiteral("radio group");
    if (auto* c = qobject_cast<const QComboBox*>(o))
        return c->isEditable() ? QStringLiteral("editable choice") : QStringLiteral("choice");
    // The most specific class first.
    static const std::array<std::pair<const char*, const char*>, 22> kinds = {{
        {"QMenu", "menu"},
        {"QMenuBar", "menu bar"},
        {"QStatusBar", "status bar"},
        {"QTabWidget", "page control"},
        {"QCheckBox", "check box"},
        {"QRadioButton", "radio button"},
        {"QAbstractButton", "button"},
        {"QLabel", "label"},
        {"QLineEdit", "edit"},
        {"QAbstractSpinBox", "number"},
        {"QSlider", "track bar"},
        {"QProgressBar", "progress bar"},
        {"QTableView", "grid"},
        {"QListView", "list"},
        {"QPlainTextEdit", "text box"},
        {"QTextEdit", "text box"},
        {"QChartView", "chart"},
        {"QAbstractScrollArea", "scroll area"},
        {"QTimer", "timer"},
        {"QButtonGroup", "button group"},
        {"QFrame", "panel"},
        {"QWidget", "panel"},
    }};
    for (const auto& [cls, kind] : kinds)
        if (o->inherits(cls)) return QString::fromLatin1(kind);
    QString cls = QString::fromLatin1(o->metaObject()->className());
    return cls.mid(cls.lastIndexOf(QLatin1Char(':')) + 1);
}

// --- Putting it together -------------------------------------------------------------------------------

// A caption as a purpose: without the colon that introduces its control.
QString purposeOf(const QString& field, const IndexRow& row) {
    QString caption = row.english.isEmpty() ? row.hungarian : row.english;
    while (caption.endsWith(QLatin1Char(':')) || caption.endsWith(QLatin1Char(' ')))
        caption.chop(1);
    if (field.isEmpty()) return caption;
    if (caption.isEmpty()) return field;
    return field + QStringLiteral(": ") + caption;
}

// "ComboBox2" before "ComboBox10".
bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i;
            qsizetype je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            const QString na = a.mid(i, ie - i);
            const QString nb = b.mid(j, je - j);
            const QString ta =
                na.size() > nb.size() ? na : QString(nb.size() - na.size(), QLatin1Char('0')) + na;
            const QString tb =
                nb.size() > na.size() ? nb : QString(na.size() - nb.size(), QLatin1Char('0')) + nb;
            if (ta != tb) return ta < tb;
            i = ie;
            j = je;
            continue;
        }
        const QChar ca = a[i].toLower();
        const QChar cb = b[j].toLower();
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
    return a < b; // same but for case or leading zeros: a fixed order all the same
}

bool rowLess(const IndexRow& a, const IndexRow& b) {
    if (a.name != b.name) return naturalLess(a.name, b.name);
    if (a.page != b.page) return a.page < b.page;
    return a.kind < b.kind;
}

const std::vector<const ControlTable*>& controlTables() {
    static const std::vector<const ControlTable*> tables = {
        &k6config::K6Controls(), &k6config::K6LocalControls(), &k6config::DoorPhoneControls()};
    return tables;
}

const ControlDef* tableRow(const QString& designName, const QString& name) {
    for (const ControlTable* t : controlTables()) {
        if (t->window() != designName) continue;
        const int row = t->indexOf(name.toStdString());
        if (row >= 0) return &t->at(row);
    }
    return nullptr;
}

void fillFromTables(const QString& designName, const QString& name, const QObject* object, IndexRow& row) {
    QString field;
    if (const ControlDef* d = tableRow(designName, name)) {
        row.kind = tableKind(*d, object);
        if (!object && d->kind != ControlKind::Value) row.kind += QStringLiteral(", no widget");
    }
    const auto it = ImagePlaces().find({designName, name});
    if (it != ImagePlaces().end()) {
        field = it->second.field;
        QStringList places;
        for (const ImagePlace& p : it->second.places)
            places << DescribePlace(p);
        row.image = places.join(QStringLiteral("; "));
    }
    row.purpose = purposeOf(field, row);
}

} // namespace

Index BuildIndex(const QString& sourceRoot) {
    Index index;
    const std::map<QString, DesignWindow> design = readDesignNames(sourceRoot, index.problems);

    CreateAllForms();
    std::vector<QWidget*> windows;
    // The windows are the widgets without a parent (menus and dialogs are windows of their own but
    // have one); each must be named in its header.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->parentWidget()) continue;
        if (design.count(w->objectName())) {
            windows.push_back(w);
            continue;
        }
        index.problems
            << QStringLiteral(
                   "the window %1 (objectName \"%2\") has no \"// Design name:\" line in its header")
                   .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
    }
    for (const auto& [objectName, d] : design)
        if (std::none_of(windows.begin(), windows.end(),
                         [&](QWidget* w) { return w->objectName() == objectName; }))
            index.problems << QStringLiteral(
                                  "%1 names the design name %2 with objectName %3, but no window has it")
                                  .arg(d.header, d.designName, objectName);

    // The texts as each language pass leaves them: the catalogue's entries, then the copies of one
    // control's text onto its look-alikes.
    Snapshot hungarian;
    Snapshot english;
    const i18n::Catalogue& catalogue = i18n::Catalogue::Builtin();
    for (const auto& [language, snapshot] :
         {std::pair{i18n::Hungarian, &hungarian}, std::pair{i18n::English, &english}}) {
        RunLanguagePass(*configWindow, catalogue, language, i18n::Pass::Start);
        RunLanguagePass(*configWindow, catalogue, language, i18n::Pass::Activation);
        takeSnapshot(windows, *snapshot);
    }

    for (QWidget* window : windows) {
        const DesignWindow& d = design.at(window->objectName());
        WindowIndex w;
        const QString cls = QString::fromLatin1(window->metaObject()->className());
        w.className = cls.mid(cls.lastIndexOf(QLatin1Char(':')) + 1);
        w.designName = d.designName;
        w.objectName = window->objectName();
        w.header = d.header;
        w.titleHungarian = hungarian.titles.value(window);
        w.titleEnglish = english.titles.value(window);

        QSet<QString> listed;
        for (QObject* o : namedObjects(window)) {
            IndexRow row;
            row.name = o->objectName();
            row.page = hungarian.places.value(o);
            row.kind = widgetKind(o);
            row.hungarian = hungarian.captions.value(o).text;
            row.english = english.captions.value(o).text;
            row.captionLabel = hungarian.captions.value(o).label;
            fillFromTables(w.designName, row.name, o, row);
            listed.insert(row.name);
            w.rows.push_back(row);
        }
        // What the tables and the catalogue name but the window has no object for.
        for (const ControlTable* t : controlTables()) {
            if (t->window() != w.designName) continue;
            for (const ControlDef& c : t->controls()) {
                if (listed.contains(c.name)) continue;
                IndexRow row;
                row.name = c.name;
                fillFromTables(w.designName, row.name, nullptr, row);
                listed.insert(row.name);
                w.rows.push_back(row);
            }
        }
        for (const i18n::CatalogueEntry& e : catalogue.Entries()) {
            if (e.window != w.objectName || listed.contains(e.control)) continue;
            if (e.kind != i18n::EntryKind::Caption && e.kind != i18n::EntryKind::Menu &&
                e.kind != i18n::EntryKind::Memo)
                continue;
            IndexRow row;
            row.name = e.control;
            row.kind = QStringLiteral("catalogue entry, no widget");
            row.hungarian = PlainText(e.text[i18n::Hungarian].value_or(QString()));
            row.english = PlainText(e.text[i18n::English].value_or(QString()));
            fillFromTables(w.designName, row.name, nullptr, row);
            listed.insert(row.name);
            w.rows.push_back(row);
        }
        std::stable_sort(w.rows.begin(), w.rows.end(), rowLess);
        index.windows.push_back(std::move(w));
    }
    std::sort(index.windows.begin(), index.windows.end(),
              [](const WindowIndex& a, const WindowIndex& b) { return a.className < b.className; });

    // Catalogue keys of windows that do not exist.
    QSet<QString> objectNames;
    for (const WindowIndex& w : index.windows)
        objectNames.insert(w.objectName);
    QSet<QString> unknown;
    for (const i18n::CatalogueEntry& e : catalogue.Entries())
        if (!e.window.isEmpty() && e.kind != i18n::EntryKind::Picture && !objectNames.contains(e.window))
            unknown.insert(e.window); // the pictures' words are drawn, not set on a window
    QStringList unknownList = unknown.values();
    std::sort(unknownList.begin(), unknownList.end());
    for (const QString& u : unknownList)
        index.problems << QStringLiteral("the catalogue names the window %1, which no window is").arg(u);

    DestroyForms();
    return index;
}

namespace {

// GitHub's anchor of a heading.
QString anchor(const QString& heading) {
    QString out;
    for (const QChar c : heading.toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            out += c;
        else if (c == QLatin1Char(' '))
            out += QLatin1Char('-');
    }
    return out;
}

QString heading(const WindowIndex& w) {
    return QStringLiteral("%1 (%2)").arg(w.className, w.designName);
}

} // namespace

QString RenderMarkdown(const Index& index) {
    QString md;
    md += QStringLiteral(
        "# The design's names\n"
        "\n"
        "<!-- Generated by `cmake --build build --target controls_doc`; do not edit. -->\n"
        "\n"
        "Every named control of every window, under the component name the design gives it (its\n"
        "`objectName`), with the window that holds it, the page or menu it sits in, its captions in\n"
        "Hungarian and English as the language passes leave them, what it is for and where the\n"
        "configuration image keeps its value. The program writes this page from the control tables\n"
        "(`k6config/controls.cpp`), the memory map (`k6config/memory_map.cpp`), the catalogue\n"
        "(`i18n/data/catalogue.tsv`) and the windows themselves, built offscreen; the test\n"
        "`docs.controls_md_current` fails when the page and the code disagree.\n"
        "\n"
        "- **Page**: the tabs (outermost first) or menus the control sits in.\n"
        "- **Kind**: from the control's row of the control tables where it has one (its limits, length,\n"
        "  items), else from its widget.\n"
        "- **Hungarian**, **English**: the control's own caption, or, in parentheses after it, the name of\n"
        "  the label that captions it.\n"
        "- **Purpose**: the memory map's name for the record or field, where it has one, and the caption.\n"
        "- **Image**: the byte offsets in the configuration image, decimal with hexadecimal for the general\n"
        "  bytes; \"switches\" marks a check box or type box that decides whether a byte holds its\n"
        "  value; \"as\" names the value that carries this one there.\n"
        "\n"
        "| Window | Design name | objectName | Defined in |\n"
        "|---|---|---|---|\n");
    for (const WindowIndex& w : index.windows)
        md +=
            QStringLiteral("| [%1](#%2) | %3 | %4 | %5 |\n")
                .arg(w.className, anchor(heading(w)), code(w.designName), code(w.objectName), code(w.header));
    for (const WindowIndex& w : index.windows) {
        md += QStringLiteral("\n## %1\n\n").arg(heading(w));
        md += QStringLiteral("%1, objectName %2").arg(code(w.header), code(w.objectName));
        if (!w.titleHungarian.isEmpty() || !w.titleEnglish.isEmpty())
            md += QStringLiteral(", title “%1” (English “%2”)")
                      .arg(cell(w.titleHungarian), cell(w.titleEnglish));
        md += QStringLiteral(".\n\n");
        md += QStringLiteral("| Name | Page | Kind | Hungarian | English | Purpose | Image |\n"
                             "|---|---|---|---|---|---|---|\n");
        for (const IndexRow& r : w.rows) {
            QString hungarian = cell(r.hungarian);
            if (!r.captionLabel.isEmpty()) hungarian += QStringLiteral(" (%1)").arg(code(r.captionLabel));
            md += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |\n")
                      .arg(code(r.name), r.page, cell(r.kind), hungarian, cell(r.english), cell(r.purpose),
                           cell(r.image));
        }
    }
    return md;
}

} // namespace dalvex::controls_doc
