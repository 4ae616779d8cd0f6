#include "language_pass.h"

#include "catalogue_texts.h"
#include "forms.h"
#include "serial/settings.h"
#include "start_window.h"
#include "config_window.h"
#include "pictures/svg_picture.h"
#include "firmware_window.h"
#include "status_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTranslator>
#include <QVariant>
#include <algorithm>
#include <initializer_list>

namespace dalvex {

using i18n::CatalogueEntry;
using i18n::EntryKind;
using i18n::Pass;

namespace {

// Menu items of the language menu, in language index order.
constexpr const char* kLanguageItems[i18n::kLanguageCount] = {"Magyar1", "angol1",  "German1", "Slovensk1",
                                                              "Italy1",  "Sloven1", "Franch1", "eskjazyk1"};

// The auxiliary windows' titles, by window: their design text is the catalogue key.
struct WindowTitle {
    const char* window;
    const char* hungarian;
};
constexpr WindowTitle kWindowTitles[] = {
    {"TK6Form2", "Modul állapot"},      {"TK6Form10", "GSM információk"}, {"TK6Form4", "Bekötési rajz"},
    {"TK6Form8", "Kapcsolat"},          {"TK6Form7", "Képernyőfelbontás"}, {"Tk6Form5", "Naplo kiolvasása"},
    {"TK6Form6", "Térerő"},             {"TSMSk", "SMS szerviz szám"},      {"TDPhone1", "Kompakt nézet"},
};

// A window that names itself once it is shown (the door-phone window takes the program's and the
// model's name) keeps that title: only a title that is still the design's, in some language, is set.
void windowTitles(const i18n::Catalogue& catalogue, int language, Pass pass) {
    for (const WindowTitle& t : kWindowTitles) {
        QWidget* w = FindWindow(QString::fromLatin1(t.window));
        if (!w) continue;
        const QString hu = QString::fromUtf8(t.hungarian);
        const i18n::CatalogueEntry* e = catalogue.Find(QString(), hu, EntryKind::Message);
        const bool designTitle =
            w->windowTitle() == hu ||
            (e && std::any_of(e->text.begin(), e->text.end(),
                              [&](const std::optional<QString>& s) { return s && *s == w->windowTitle(); }));
        if (designTitle) w->setWindowTitle(catalogue.Message(hu, language, pass).value_or(hu));
    }
}

// --- Finding and setting texts -------------------------------------------------------------------------

QTabWidget* tabsOf(QWidget* page) {
    for (QWidget* p = page->parentWidget(); p; p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p)) return tabs->indexOf(page) >= 0 ? tabs : nullptr;
    return nullptr;
}

// A control of `window` by object name: a widget, or a menu item when `menu` is set.
QObject* findControl(QWidget* window, const QString& name, bool menu) {
    if (!window) return nullptr;
    if (menu) return window->findChild<QAction*>(name);
    if (auto* w = window->findChild<QWidget*>(name)) return w;
    return window->findChild<QAction*>(name);
}

QString captionOf(QObject* o) {
    if (auto* w = qobject_cast<QWidget*>(o))
        if (QTabWidget* tabs = tabsOf(w)) return tabs->tabText(tabs->indexOf(w));
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(o)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->placeholderText();
    if (auto* a = qobject_cast<QAction*>(o)) return a->text();
    return {};
}

void setCaption(QObject* o, const QString& text) {
    if (auto* w = qobject_cast<QWidget*>(o))
        if (QTabWidget* tabs = tabsOf(w)) return tabs->setTabText(tabs->indexOf(w), text);
    if (auto* l = qobject_cast<QLabel*>(o)) return l->setText(text);
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->setText(text);
    if (auto* g = qobject_cast<QGroupBox*>(o)) return g->setTitle(text);
    if (auto* e = qobject_cast<QLineEdit*>(o)) return e->setText(text);
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->setPlaceholderText(text);
    if (auto* a = qobject_cast<QAction*>(o)) return a->setText(text);
}

// The radio buttons of a radio group, in item order.
QList<QAbstractButton*> radioItems(QGroupBox* group) {
    if (auto* buttons = group->findChild<QButtonGroup*>()) {
        QList<QAbstractButton*> out;
        for (int i = 0; QAbstractButton* b = buttons->button(i); ++i)
            out << b;
        if (!out.isEmpty()) return out;
    }
    QList<QAbstractButton*> out;
    for (QRadioButton* r : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        out << r;
    return out;
}

int itemCount(QObject* o) {
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->count();
    if (auto* g = qobject_cast<QGroupBox*>(o)) return static_cast<int>(radioItems(g).size());
    return 0;
}

QString itemText(QObject* o, int i) {
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->itemText(i);
    if (auto* g = qobject_cast<QGroupBox*>(o))
        return radioItems(g).value(i) ? radioItems(g)[i]->text() : QString();
    return {};
}

// Replaced in place: the list keeps its length and its selection.
void setItemText(QObject* o, int i, const QString& text) {
    if (i < 0 || i >= itemCount(o)) return;
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->setItemText(i, text);
    if (auto* g = qobject_cast<QGroupBox*>(o)) radioItems(g)[i]->setText(text);
}

void setMemo(QObject* o, const QString& text) {
    if (auto* e = qobject_cast<QPlainTextEdit*>(o)) {
        e->clear();
        if (!text.isEmpty()) e->appendPlainText(text);
        e->moveCursor(QTextCursor::Start); // read from its beginning
    } else if (auto* t = qobject_cast<QTextEdit*>(o)) {
        t->clear();
        if (!text.isEmpty()) t->append(text);
    }
}

// An edit's catalogue text is its default value (an SMS text, the restore text). It replaces only
// a text that is still the default: the design-time Hungarian one, or the one the last pass put
// there. What the user typed, or a read or a file brought, is configuration and stays, even when
// it happens to read like some language's default.
constexpr const char* kPassText = "dalvexCatalogueText";

bool holdsDefault(QObject* edit, const CatalogueEntry& e, const QString& current) {
    const QVariant set = edit->property(kPassText);
    if (set.isValid()) return set.toString() == current;
    return e.text[i18n::Hungarian] && *e.text[i18n::Hungarian] == current;
}

void applyEntry(QWidget* window, const CatalogueEntry& e, const QString& text) {
    QObject* o = findControl(window, e.control, e.kind == EntryKind::Menu);
    if (!o) return; // a window that has no such control (yet)
    switch (e.kind) {
    case EntryKind::Caption:
        if (qobject_cast<QLineEdit*>(o)) {
            if (!holdsDefault(o, e, captionOf(o))) return;
            o->setProperty(kPassText, text);
        }
        // The start window's search word goes through its indicator, which only takes it while searching.
        if (e.window == QLatin1String("Form1") && e.control == QLatin1String("Label10")) {
            if (startWindow) startWindow->SetSearchWord(text);
            return;
        }
        setCaption(o, text);
        break;
    case EntryKind::Item:
        setItemText(o, e.item, text);
        break;
    case EntryKind::Menu:
        setCaption(o, text);
        break;
    case EntryKind::Memo:
        setMemo(o, text);
        break;
    case EntryKind::Message:
    case EntryKind::String:
        break; // the texts structs take them
    case EntryKind::Picture:
        break; // the pictures take them when they are drawn
    }
}

// --- Copy pass -------------------------------------------------------------------------------------------

// A control, "Window.Control" for another window's, else the K6 window's.
QObject* qualified(ConfigWindow& k6, const char* name) {
    const QString n = QString::fromLatin1(name);
    const qsizetype dot = n.indexOf(QLatin1Char('.'));
    if (dot < 0) return findControl(&k6, n, false);
    return findControl(FindWindow(n.left(dot)), n.mid(dot + 1), false);
}

struct CopyRule {
    const char* from;
    std::initializer_list<const char*> to;
    int items = 0; // > 0: copy items 0 .. items-1 instead of the caption
};

// One catalogue entry serves each family. Rules marked "also" go beyond the design's families so
// that lists and captions that have no key of their own follow the language as well.
const CopyRule kCopyRules[] = {
    {"ComboBox1",
     {"ComboBox2", "ComboBox3", "ComboBox4", "ComboBox5", "ComboBox6", "ComboBox9", "ComboBox10", "ComboBox13"},
     6},
    {"Label14", {"Label15", "Label16", "Label17", "Label53", "Label40", "Label48", "Label74", "Label172"}},
    {"Label10",
     {"Label19", "Label20", "Label26", "Label38", "Label44", "Label65", "Label72", "Label170", "Label84"}},
    {"Label12", {"Label21", "Label22", "Label27", "Label43", "Label45", "Label66", "Label73", "Label171"}},
    {"Label13", {"Label28", "Label29", "Label30", "Label41", "Label46", "Label67", "Label71"}},
    {"CheckBox10", {"CheckBox13", "CheckBox5", "CheckBox6"}}, // also speed and lift
    {"best11",
     {"best21", "best31", "best41", "BEst51", "best91", "best101", "best131", "BEst61"}}, // also lift
    {"best13", {"best23", "best33", "best43", "best93", "best103", "best153"}},
    {"best14", {"best24", "best34", "best44", "best94", "best104"}},
    {"best15", {"best25", "best35", "best45", "best95", "best105", "best155"}},
    {"best16", {"best26", "best36", "best46", "best96", "best106"}},
    {"Label96", {"Label98"}}, // also: "only with the expansion module" beside phone numbers 5 and 7
    // also: windows that take a menu item's caption as their title or tab, and the door-phone
    // window's button that opens the signal chart
    {"Naplokiolvassa1", {"Tk6Form5.Label1"}},
    {"rer1", {"TK6Form6.Label1", "TDPhone1.Button4"}},
    {"Bektsirajz1", {"TK6Form4.TabSheet1"}},
    {"TabSheet2", {"Label92"}},
    {"TabSheet3", {"Label93"}},
    {"TabSheet4", {"Label94"}},
    {"TabSheet5", {"Label95"}},
    {"TabSheet22", {"Label118"}},
    {"TabSheet24", {"Label131"}},
    {"TabSheet13", {"ELETcid"}},
    {"Label2", {"Label132"}},
    {"Label3", {"Label133"}},
    {"Button8", {"Button9", "Button10", "Button11"}},
    {"BitBtn9", {"BitBtn10", "BitBtn11", "BitBtn12", "BitBtn13", "BitBtn14", "BitBtn15"}},
    {"BitBtn2", {"Olvass1", "TDPhone1.BitBtn2"}},
    {"BitBtn1", {"rs1", "TDPhone1.BitBtn1"}},
    {"BitBtn4", {"jraindts1", "TDPhone1.BitBtn4"}},
    {"BitBtn3",
     {"Kilps1", "TDPhone1.BitBtn3", "TK6Form4.BitBtn3", "TK6Form8.BitBtn3", "TK6Form9.BitBtn3",
      "TK6Form10.BitBtn3", "TSMSk.Button5", "Form1.Button3"}},
    {"Button12", {"raszinkronizlsa1"}},
    {"TK6Form2.LABKI1",
     {"TK6Form2.LABKI2", "TK6Form2.LABKI3", "TK6Form2.LABKI4", "TK6Form2.LABKI5", "TK6Form2.LABKI6",
      "TK6Form2.LABKI7", "TK6Form2.LABKI8", "TK6Form2.LABKI9"}},
    {"TK6Form2.LABBE1",
     {"TK6Form2.LABBE2", "TK6Form2.LABBE3", "TK6Form2.LABBE4", "TK6Form2.LABBE5", "TK6Form2.LABBE6",
      "TK6Form2.LABBE7", "TK6Form2.LABBE8", "TK6Form2.LABBE9"}},
    // also: the other output's mode list and captions, the other inputs' normal-state groups, the
    // start window's other try-out buttons
    {"ComboKi1", {"ComboKi2"}, 3},
    {"BE1inv", {"BE2inv", "BE3inv", "BE4inv", "BE9inv"}, 2},
    {"BE1inv", {"BE2inv", "BE3inv", "BE4inv", "BE9inv"}},
    {"Form1.Button4", {"Form1.Button6", "Form1.Button7", "Form1.Button8"}},
    {"GroupComboBox1",
     {"GroupComboBox2", "GroupComboBox3", "GroupComboBox4", "GroupComboBox5", "GroupComboBox6",
      "GroupComboBox9", "GroupComboBox10", "GroupComboBox13", "GroupJammer"}},
    {"LabelKULCS1", {"LabelKULCS2", "LabelKULCS3", "LabelKULCS4"}},
    {"LabelPROT1", {"LabelPROT2", "LabelPROT3", "LabelPROT4"}},
};

void copyPass(ConfigWindow& k6) {
    for (const CopyRule& r : kCopyRules) {
        QObject* from = qualified(k6, r.from);
        if (!from) continue;
        for (const char* name : r.to) {
            QObject* to = qualified(k6, name);
            if (!to) continue;
            if (r.items == 0)
                setCaption(to, captionOf(from));
            else
                for (int i = 0; i < r.items && i < itemCount(from); ++i)
                    setItemText(to, i, itemText(from, i));
        }
    }
}

// --- Names for screen readers and the page outline ------------------------------------------------------

// A control's accessible name as built, in Hungarian: the caption or message of that text gives it
// in the pass's language; without one, a control with a label takes the label's text.
constexpr const char* kDesignName = "dalvexDesignName";

void accessibleNames(const i18n::Catalogue& catalogue, int language, Pass pass) {
    // "window<US>Hungarian text"; messages under an empty window. The first key of a text wins.
    const QChar separator(0x1f);
    QHash<QString, const CatalogueEntry*> byHungarian;
    for (const CatalogueEntry& e : catalogue.Entries()) {
        if (e.kind != EntryKind::Caption && e.kind != EntryKind::Menu && e.kind != EntryKind::Message) continue;
        if (!e.text[i18n::Hungarian]) continue;
        const QString window = e.kind == EntryKind::Message ? QString() : e.window;
        const QString key = window + separator + e.text[i18n::Hungarian]->trimmed();
        if (!byHungarian.contains(key)) byHungarian.insert(key, &e);
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName().isEmpty()) continue;
        QHash<const QWidget*, const QLabel*> labelOf;
        for (const QLabel* l : top->findChildren<QLabel*>())
            if (l->buddy() && !labelOf.contains(l->buddy())) labelOf.insert(l->buddy(), l);
        for (QWidget* w : top->findChildren<QWidget*>()) {
            // Qt names a tab bar's arrows when it makes them, in the language of that moment.
            if (qobject_cast<QTabBar*>(w->parentWidget())) {
                if (w->objectName() == QLatin1String("ScrollLeftButton"))
                    w->setAccessibleName(QCoreApplication::translate("QTabBar", "Scroll Left"));
                if (w->objectName() == QLatin1String("ScrollRightButton"))
                    w->setAccessibleName(QCoreApplication::translate("QTabBar", "Scroll Right"));
                continue;
            }
            QVariant design = w->property(kDesignName);
            if (!design.isValid()) {
                if (w->accessibleName().isEmpty()) continue;
                design = w->accessibleName();
                w->setProperty(kDesignName, design);
            }
            const QString hungarian = design.toString().trimmed();
            const CatalogueEntry* e = byHungarian.value(top->objectName() + separator + hungarian);
            if (!e) e = byHungarian.value(separator + hungarian);
            if (e) {
                if (const std::optional<QString> text = e->Text(language, pass)) w->setAccessibleName(text->trimmed());
            } else if (const QLabel* l = labelOf.value(w)) {
                w->setAccessibleName(QString(l->text()).remove(QLatin1Char('&')).trimmed());
            }
        }
    }
}

// Column titles of the K6 window's grids, catalogue messages by their Hungarian text.
struct GridTitle {
    const char* grid;
    int column;
    const char* hungarian;
};
constexpr GridTitle kGridTitles[] = {
    {"StringGrid1", 1, "Telefonszám"}, {"StringGrid1", 2, "Név"}, {"StringGrid2", 0, "Kód"},
    {"StringGrid2", 1, "Név"},         {"StringGrid3", 0, "Kód"}, {"StringGrid3", 1, "Név"},
};

void gridTitles(ConfigWindow& k6, const i18n::Catalogue& catalogue, int language, Pass pass) {
    for (const GridTitle& t : kGridTitles) {
        auto* grid = k6.findChild<QTableWidget*>(QString::fromLatin1(t.grid));
        const auto text = catalogue.Message(QString::fromUtf8(t.hungarian), language, pass);
        if (!grid || !text || t.column >= grid->columnCount()) continue;
        if (QTableWidgetItem* item = grid->horizontalHeaderItem(t.column))
            item->setText(*text);
        else
            grid->setHorizontalHeaderItem(t.column, new QTableWidgetItem(*text));
    }
}

// Type 73 has no inputs of types 2 to 5: their items keep only the code.
void compactModelItems(ConfigWindow& k6) {
    if (k6.ModuleType != 73) return;
    if (auto* box = k6.findChild<QComboBox*>(QStringLiteral("ComboBox1")))
        for (int i = 2; i <= 5; ++i)
            setItemText(box, i, QStringLiteral("%1/ ").arg(i, 2, 10, QLatin1Char('0')));
}

// --- Qt's own texts ----------------------------------------------------------------------------------

void installQtTranslations(int language) {
    static QTranslator* translator = nullptr;
    static int loaded = -1;
    if (language == loaded) return;
    loaded = language;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (language == i18n::English) return; // Qt's own texts are English
    auto* t = new QTranslator;
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QString code = i18n::LanguageCode(language);
    // Slovenian has no qtbase file; its qt file holds what there is.
    if (t->load(QStringLiteral("qtbase_") + code, dir) || t->load(QStringLiteral("qt_") + code, dir)) {
        QCoreApplication::installTranslator(t);
        translator = t;
    } else {
        delete t;
    }
}

// The last pass with a language, for the windows created after it.
struct LastPass {
    const i18n::Catalogue* catalogue = nullptr;
    std::optional<i18n::Catalogue> copy; // a catalogue other than the built-in one, kept
    int language = 0;
    Pass pass = Pass::Start;
};
std::optional<LastPass> lastPass;
bool passRunning = false;
bool windowMissedPass = false; // a window was created while a pass ran

void rememberPass(const i18n::Catalogue& catalogue, int language, Pass pass) {
    if (lastPass && lastPass->catalogue == &catalogue) {
        lastPass->language = language;
        lastPass->pass = pass;
        return;
    }
    lastPass.emplace();
    if (&catalogue == &i18n::Catalogue::Builtin()) {
        lastPass->catalogue = &catalogue;
    } else {
        lastPass->copy = catalogue;
        lastPass->catalogue = &*lastPass->copy;
    }
    lastPass->language = language;
    lastPass->pass = pass;
}

void runPass(ConfigWindow& k6, const i18n::Catalogue& catalogue, std::optional<int> language, Pass pass);

QString languageSetting(ConfigWindow& k6) {
    return ReadSetting(k6.RegKey, QStringLiteral("Language"));
}

} // namespace

QWidget* FindWindow(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name) return w;
    return nullptr;
}

void RunLanguagePass(ConfigWindow& k6, const i18n::Catalogue& catalogue, std::optional<int> language, Pass pass) {
    if (language) rememberPass(catalogue, *language, pass);
    const bool outer = !passRunning;
    passRunning = true;
    runPass(k6, catalogue, language, pass);
    if (!outer) return;
    passRunning = false;
    // A window the pass itself brought into being gets the whole pass too.
    if (windowMissedPass && lastPass) {
        windowMissedPass = false;
        passRunning = true;
        runPass(k6, *lastPass->catalogue, lastPass->language, lastPass->pass);
        passRunning = false;
    }
    windowMissedPass = false;
}

void ApplyLanguageToNewWindow(QWidget* window) {
    ConfigWindow* k6 = configWindow.Existing();
    if (!window || !k6 || !lastPass) return;
    if (passRunning) {
        windowMissedPass = true;
        return;
    }
    RunLanguagePass(*k6, *lastPass->catalogue, lastPass->language, lastPass->pass);
}

void ForgetLanguagePass() {
    lastPass.reset();
    windowMissedPass = false;
}

namespace {

void runPass(ConfigWindow& k6, const i18n::Catalogue& catalogue, std::optional<int> language, Pass pass) {
    if (pass == Pass::Activation)
        for (const char* item : kLanguageItems)
            if (QAction* a = k6.MenuItem(QString::fromLatin1(item))) a->setChecked(false);
    if (language) {
        QHash<QString, QWidget*> windows;
        for (const CatalogueEntry& e : catalogue.Entries()) {
            if (e.startOnly && pass != Pass::Start) continue;
            const std::optional<QString> text = e.Text(*language, pass);
            if (!text || e.window.isEmpty()) continue;
            auto w = windows.find(e.window);
            if (w == windows.end()) w = windows.insert(e.window, FindWindow(e.window));
            applyEntry(*w, e, *text);
        }
        FillCatalogueTexts(k6, catalogue, *language, pass);
        gridTitles(k6, catalogue, *language, pass);
        windowTitles(catalogue, *language, pass);
        // The operator presets of the SMS service-centre window are for the home market only.
        if (QWidget* smsk = FindWindow(QStringLiteral("TSMSk")))
            for (const char* name : {"Button1", "Button2", "Button3"})
                if (auto* b = smsk->findChild<QWidget*>(QString::fromLatin1(name)))
                    b->setVisible(*language != i18n::English);
        installQtTranslations(*language);
        SetPictureLanguage(*language);
        if (auto* firmware = qobject_cast<FirmwareWindow*>(FindWindow(QStringLiteral("TK6Form9")))) firmware->ApplyTexts();
        if (auto* status = qobject_cast<StatusWindow*>(FindWindow(QStringLiteral("TK6Form2")))) status->ApplyTexts();
    }
    if (pass == Pass::Activation && language)
        if (QAction* a = k6.MenuItem(QString::fromLatin1(kLanguageItems[*language]))) a->setChecked(true);
    copyPass(k6);
    compactModelItems(k6);
    if (language) accessibleNames(catalogue, *language, pass);
}

} // namespace

void RunStartLanguagePass(ConfigWindow& k6) {
    RunLanguagePass(k6, i18n::Catalogue::Builtin(), i18n::StartLanguage(languageSetting(k6)), Pass::Start);
}

void ApplyActivationLanguagePass(ConfigWindow& k6) {
    RunLanguagePass(k6, i18n::Catalogue::Builtin(), i18n::ActivationLanguage(languageSetting(k6)),
                    Pass::Activation);
}

void ConnectLanguageMenu(ConfigWindow& k6) {
    for (int i = 0; i < i18n::kLanguageCount; ++i) {
        QAction* a = k6.MenuItem(QString::fromLatin1(kLanguageItems[i]));
        if (!a) continue;
        a->setEnabled(true);
        a->setCheckable(true);
        QObject::connect(a, &QAction::triggered, &k6, [&k6, i] {
            WriteSetting(k6.RegKey, QStringLiteral("Language"), QString::number(i));
            k6.Activate();
        });
    }
}

} // namespace dalvex
