// make_page_outline: writes the pages' outline (k6config/data/page_outline.tsv) from the windows
// themselves, or checks that the committed one is what the code gives now.
//
//   make_page_outline --write FILE   write FILE (only when it changes)
//   make_page_outline --check FILE   exit 1, saying how to regenerate, when FILE differs
//   make_page_outline                the outline on standard output
//
// The outline is what the configuration sheet, the text export and the file comparison need to
// name values as the windows show them, below the windows: the pages in their order, the controls
// on each page in their order, their captions and list items in the eight languages as the language
// passes leave them, and on which models and module software versions the window shows them. All
// of it is read off the windows, built offscreen in private settings and folders: the pages and the
// language passes stay the one place where captions and visibility are decided.

#include "i18n/catalogue.h"
#include "k6config/controls.h"
#include "tests/support/generated_file.h"
#include "ui/config_window.h"
#include "ui/door_phone_window.h"
#include "ui/forms.h"
#include "ui/k6_activation.h"
#include "ui/k6pages/k6pages.h"
#include "ui/k6pages/page_rules.h"
#include "ui/language_pass.h"
#include "ui/start_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <unistd.h>
#include <vector>

namespace {

using namespace dalvex;
using Texts = std::array<QString, i18n::kLanguageCount>;
using test::PlainText;
using test::TabsOf;

constexpr int kModels[] = {72, 73, 74};
const QString kMain = QStringLiteral("k6");
const QString kDoor = QStringLiteral("door");
// The door-phone window is one page; its heading names it.
const QString kDoorPage = QStringLiteral("door");
const QString kDoorHeading = QStringLiteral("Label25");

struct PageRow {
    QString window, name, parent;
    Texts caption;
    QString shown;
};
struct FieldRow {
    QString window, control, page;
    Texts caption;
    QString shown;
};
struct ItemRow {
    QString window, control;
    int index = 0;
    int model = 0; // 0: every model
    Texts text;
};

// --- Reading the widgets -----------------------------------------------------------------------------

// The innermost page (tab) a widget sits on.
QWidget* pageOf(const QWidget* w) {
    for (QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (TabsOf(p)) return p;
    return nullptr;
}

QString tabText(QWidget* page) {
    QTabWidget* tabs = TabsOf(page);
    return tabs ? PlainText(tabs->tabText(tabs->indexOf(page))) : QString();
}

// The caption a control shows: its label's, its own text, its group's title, else the name it is
// announced by.
QString captionOf(QWidget* window, QWidget* control) {
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy() == control) return PlainText(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(control); b && !b->text().isEmpty()) return PlainText(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(control); g && !g->title().isEmpty()) return PlainText(g->title());
    return PlainText(control->accessibleName());
}

QStringList itemsOf(QWidget* control) {
    QStringList out;
    if (auto* c = qobject_cast<QComboBox*>(control)) {
        for (int i = 0; i < c->count(); ++i)
            out << PlainText(c->itemText(i));
    } else if (auto* g = qobject_cast<QGroupBox*>(control)) {
        for (QRadioButton* r : g->findChildren<QRadioButton*>())
            out << PlainText(r->text());
    }
    return out;
}

QWidget* doorWindow() {
    return doorPhoneWindow;
}

void stopTimers() {
    startWindow->SendTimer->stop();
    startWindow->IndicatorTimer->stop();
    for (QTimer* t : {configWindow->EngineTimer, configWindow->EngineTimer1, configWindow->EngineTimer2, configWindow->EngineTimer3, configWindow->EngineTimer4})
        t->stop();
}

// The controls of a window's tables that it has a widget for, in the order the window holds them.
struct Placed {
    QString control;
    QWidget* widget;
};
std::vector<Placed> placedControls(QWidget* root, std::initializer_list<const k6config::ControlTable*> tables) {
    std::set<QString> names;
    for (const k6config::ControlTable* t : tables)
        for (const k6config::ControlDef& d : t->controls())
            names.insert(d.name);
    std::vector<Placed> out;
    std::set<QString> taken;
    // Depth first in the order the widgets were made, which is the order the page shows them in.
    const std::function<void(QObject*)> walk = [&](QObject* o) {
        for (QObject* child : o->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (!w) continue;
            const QString n = w->objectName();
            if (names.count(n) && !taken.count(n)) {
                taken.insert(n);
                out.push_back({n, w});
            }
            walk(w);
        }
    };
    walk(root);
    return out;
}

// --- The outline ---------------------------------------------------------------------------------

struct Outline {
    std::vector<PageRow> pages;
    std::vector<FieldRow> fields;
    std::vector<ItemRow> items;
};

// The pages and fields of both windows, with their texts in every language.
void readTexts(Outline& o) {
    ConfigWindow& k6 = *configWindow;
    k6.EnsurePages();
    std::vector<Placed> k6Controls;
    for (int i = 0; i < k6.PageTabs->count(); ++i)
        for (const Placed& c :
             placedControls(k6.PageTabs->widget(i), {&k6config::K6Controls(), &k6config::K6LocalControls()}))
            k6Controls.push_back(c);
    const auto doorControls = placedControls(doorWindow(), {&k6config::DoorPhoneControls()});

    // Pages: the page control's in their order, then the pages inside them.
    std::vector<QWidget*> pageWidgets;
    for (int i = 0; i < k6.PageTabs->count(); ++i)
        pageWidgets.push_back(k6.PageTabs->widget(i));
    for (int i = 0; i < k6.PageTabs->count(); ++i)
        for (QTabWidget* inner : k6.PageTabs->widget(i)->findChildren<QTabWidget*>())
            for (int j = 0; j < inner->count(); ++j)
                pageWidgets.push_back(inner->widget(j));
    for (QWidget* p : pageWidgets) {
        QWidget* parent = pageOf(p);
        o.pages.push_back({kMain, p->objectName(), parent ? parent->objectName() : QString(), {}, {}});
    }
    o.pages.push_back({kDoor, kDoorPage, {}, {}, QStringLiteral("*")});
    for (const Placed& c : k6Controls) {
        QWidget* page = pageOf(c.widget);
        o.fields.push_back({kMain, c.control, page ? page->objectName() : QString(), {}, {}});
    }
    for (const Placed& c : doorControls)
        o.fields.push_back({kDoor, c.control, kDoorPage, {}, QStringLiteral("*")});

    const i18n::Catalogue& catalogue = i18n::Catalogue::Builtin();
    const auto pass = [&](int language) {
        for (const int l : {int(i18n::Hungarian), language})
            for (const i18n::Pass p : {i18n::Pass::Start, i18n::Pass::Activation})
                RunLanguagePass(k6, catalogue, l, p);
    };
    // Item texts by model: the compact model's input types show their codes only.
    std::map<std::pair<QString, QString>, std::map<int, std::vector<Texts>>> items;
    for (int language = 0; language < i18n::kLanguageCount; ++language) {
        for (const int model : kModels) {
            k6.Engine().SetModuleType(model);
            pass(language);
            const auto readItems = [&](const QString& window, const std::vector<Placed>& placed) {
                for (const Placed& c : placed) {
                    const QStringList texts = itemsOf(c.widget);
                    auto& byModel = items[{window, c.control}][model];
                    byModel.resize(static_cast<std::size_t>(texts.size()));
                    for (qsizetype i = 0; i < texts.size(); ++i)
                        byModel[static_cast<std::size_t>(i)][static_cast<std::size_t>(language)] = texts[i];
                }
            };
            readItems(kMain, k6Controls);
            readItems(kDoor, doorControls);
            if (model != kModels[0]) continue;
            for (std::size_t i = 0; i < pageWidgets.size(); ++i)
                o.pages[i].caption[static_cast<std::size_t>(language)] = tabText(pageWidgets[i]);
            if (auto* heading = doorWindow()->findChild<QLabel*>(kDoorHeading))
                o.pages.back().caption[static_cast<std::size_t>(language)] = PlainText(heading->text());
            std::size_t f = 0;
            for (const Placed& c : k6Controls)
                o.fields[f++].caption[static_cast<std::size_t>(language)] = captionOf(&k6, c.widget);
            for (const Placed& c : doorControls)
                o.fields[f++].caption[static_cast<std::size_t>(language)] =
                    captionOf(doorWindow(), c.widget);
        }
    }
    k6.Engine().SetModuleType(kModels[0]);
    // Items in the order of the fields; a model's own row only where its texts differ.
    for (const FieldRow& field : o.fields) {
        const auto& byModel = items[{field.window, field.control}];
        const auto& common = byModel.at(kModels[0]);
        for (std::size_t i = 0; i < common.size(); ++i)
            o.items.push_back({field.window, field.control, static_cast<int>(i), 0, common[i]});
        for (const int model : kModels) {
            const auto& own = byModel.at(model);
            for (std::size_t i = 0; i < own.size() && i < common.size(); ++i)
                if (own[i] != common[i])
                    o.items.push_back({field.window, field.control, static_cast<int>(i), model, own[i]});
        }
    }
}

// The versions at which some rule of the pages changes what they show.
std::vector<int> versionSteps() {
    std::set<int> steps;
    for (const k6pages::VersionRule& r : k6pages::VersionRules()) {
        if (r.from != k6pages::kAnyVersion) steps.insert(r.from);
        if (r.below != k6pages::kNoLimit) steps.insert(r.below);
    }
    return {steps.begin(), steps.end()};
}

// "a-b" for a <= version < b; "a-" from a on, "-b" below b, "-" any version.
QString ranges(const std::vector<int>& steps, const std::vector<bool>& shownFrom) {
    QStringList out;
    std::size_t i = 0;
    while (i < shownFrom.size()) {
        if (!shownFrom[i]) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < shownFrom.size() && shownFrom[j])
            ++j;
        const QString from = i == 0 ? QString() : QString::number(steps[i - 1]);
        const QString below = j == shownFrom.size() ? QString() : QString::number(steps[j - 1]);
        out << from + QLatin1Char('-') + below;
        i = j;
    }
    return out.join(QLatin1Char(','));
}

// Where the K6 window shows each page and field: for every model the start window hands over,
// and every span of module software versions its version rules tell apart, a fresh set of windows
// is handed the module, activated and given the version reply.
void readVisibility(Outline& o, const QString& ports) {
    const std::vector<int> steps = versionSteps();
    std::vector<int> versions{steps.front() - 1};
    versions.insert(versions.end(), steps.begin(), steps.end());
    std::map<QString, std::map<int, std::vector<bool>>> pages, fields;
    QFile::remove(QDir(ports).filePath(QStringLiteral("com1")));
    symlink("/nonexistent/tty", QDir(ports).filePath(QStringLiteral("com1")).toLocal8Bit().constData());
    for (const int model : kModels) {
        for (const int version : versions) {
            CreateForms();
            stopTimers();
            startWindow->Activate();
            startWindow->Search.ModuleCode = model;
            startWindow->HandOverTick();
            configWindow->Activate();
            configWindow->Engine().Version = version;
            configWindow->Adapt->VersionReply();
            QTabWidget* tabs = configWindow->PageTabs;
            // A page is shown when its tab is, and the page that holds it is.
            const std::function<bool(QWidget*)> pageShown = [&](QWidget* p) {
                QTabWidget* t = TabsOf(p);
                if (!t || !t->isTabVisible(t->indexOf(p))) return false;
                if (t == tabs) return true;
                QWidget* outer = pageOf(p);
                return outer && pageShown(outer);
            };
            for (const PageRow& p : o.pages) {
                if (p.window != kMain) continue;
                QWidget* w = tabs->findChild<QWidget*>(p.name);
                pages[p.name][model].push_back(w && pageShown(w));
            }
            for (const FieldRow& f : o.fields) {
                if (f.window != kMain) continue;
                QWidget* w = configWindow->Pages->Control(f.control);
                QWidget* page = w ? pageOf(w) : nullptr;
                fields[f.control][model].push_back(w && page && pageShown(page) && w->isVisibleTo(page));
            }
            DestroyForms();
        }
    }
    const auto whereShown = [&](const std::map<int, std::vector<bool>>& byModel) {
        bool always = true;
        QStringList parts;
        for (const auto& [model, shown] : byModel) {
            always = always && std::all_of(shown.begin(), shown.end(), [](bool b) { return b; });
            const QString r = ranges(steps, shown);
            if (!r.isEmpty()) parts << QStringLiteral("%1=%2").arg(model).arg(r);
        }
        if (always) return QStringLiteral("*");
        return parts.isEmpty() ? QStringLiteral("none") : parts.join(QLatin1Char(' '));
    };
    for (PageRow& p : o.pages)
        if (p.window == kMain) p.shown = whereShown(pages[p.name]);
    for (FieldRow& f : o.fields)
        if (f.window == kMain) f.shown = whereShown(fields[f.control]);
}

// --- The table ---------------------------------------------------------------------------------------

QString escaped(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString row(const QStringList& head, const Texts& texts) {
    QStringList cells = head;
    for (const QString& t : texts)
        cells << escaped(t);
    return cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QByteArray render(const Outline& o) {
    QString out = QStringLiteral(
        "# The pages as the windows show them: the K6 window's pages in their order (pages inside a\n"
        "# page after it), the door-phone window as one page, the controls of each page in their order\n"
        "# with their captions, and the list items, in the eight languages as the language passes leave\n"
        "# them. \"shown\": on which models (type codes) and module software versions the window shows\n"
        "# the page or control after the hand-over and the version reply (\"a-b\": a <= version < b;\n"
        "# \"*\": always; \"none\": never); an item row with a model holds that model's own texts.\n"
        "# Generated from the windows by `cmake --build build --target page_outline`; do not edit.\n"
        "kind\twindow\tname\tplace\tmodel\tshown\thu\ten\tde\tsk\tit\tsi\tnl\tcs\n");
    for (const PageRow& p : o.pages)
        out += row({QStringLiteral("page"), p.window, p.name, p.parent, QString(), p.shown}, p.caption);
    for (const FieldRow& f : o.fields)
        out += row({QStringLiteral("field"), f.window, f.control, f.page, QString(), f.shown}, f.caption);
    for (const ItemRow& i : o.items)
        out += row({QStringLiteral("item"), i.window, i.control, QString::number(i.index),
                    i.model ? QString::number(i.model) : QString(), QString()},
                   i.text);
    return out.toUtf8();
}

void usage() {
    std::fprintf(stderr, "usage: make_page_outline [--write FILE | --check FILE]\n");
}

} // namespace

int main(int argc, char** argv) {
    QString write, check;
    for (int i = 1; i < argc; i += 2) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (i + 1 >= argc) {
            usage();
            return 2;
        }
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (arg == QLatin1String("--write"))
            write = value;
        else if (arg == QLatin1String("--check"))
            check = value;
        else {
            usage();
            return 2;
        }
    }
    if (!write.isEmpty()) write = QDir().absoluteFilePath(write);
    if (!check.isEmpty()) check = QDir().absoluteFilePath(check);
    const test::PrivateFolders folders;
    if (!folders.ok()) {
        std::fprintf(stderr, "make_page_outline: cannot create a temporary folder\n");
        return 2;
    }
    const QString& ports = folders.ports();

    QApplication app(argc, argv);
    ConfigWindow::MessageBoxHook = [](const QString&, QMessageBox::StandardButtons) { return QMessageBox::No; };

    Outline outline;
    CreateForms();
    stopTimers();
    readTexts(outline);
    DestroyForms();
    readVisibility(outline, ports);
    const QByteArray table = render(outline);

    return test::WriteCheckOrPrint(table, write, check, "make_page_outline", "page_outline");
}
