// The language passes on the real windows: every key names a control that exists, the two passes
// with their differences, the menu's check marks, the invalid setting, the copy pass, type 73's
// items, and message boxes and Qt's own texts after a switch.

#include "i18n/catalogue.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "k6link/engine.h"
#include "serial/settings.h"
#include "ui/catalogue_texts.h"
#include "ui/forms.h"
#include "ui/k6pages/k6pages.h"
#include "ui/language_pass.h"
#include "ui/start_window.h"
#include "ui/status_window.h"
#include "ui/config_window.h"
#include "ui/k6_file_commands.h"
#include "ui/help_panel.h"
#include "ui/pictures/svg_picture.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSet>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace dalvex;
using i18n::Catalogue;
using i18n::CatalogueEntry;
using i18n::EntryKind;
using i18n::Pass;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

std::string str(const QString& s) {
    return s.toStdString();
}

// The status window shows the outputs' states as pictures: it has no KI/BE labels for the copy pass.
const std::set<QString> kStatusWindowLabelsNotBuilt = {"LABKI1", "LABBE1"};

// Controls of the K6 window that the voice page builds.
const std::set<QString> kVoicePageControls = {"BitBtn9", "Label97"};

struct LanguageFixture : ::testing::Test {
    QTemporaryDir home;
    std::vector<QString> shown;
    ConfigWindow* w = nullptr;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", home.path().toLocal8Bit().constData(), 1);
        ConfigWindow::MessageBoxHook = [this](const QString& text, QMessageBox::StandardButtons) {
            shown.push_back(text);
            return QMessageBox::No;
        };
        CreateAllForms(); // every window, as the design made them at start
        w = configWindow;
        w->Engine().SetModuleType(72);
        w->EnsurePages();
    }
    void TearDown() override {
        DestroyForms();
        ConfigWindow::MessageBoxHook = nullptr;
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }
    void setLanguage(const char* value) {
        WriteSetting(kKey, QStringLiteral("Language"), QString::fromLatin1(value));
    }
    QString tab(const char* page) const {
        QWidget* p = w->Page(QString::fromLatin1(page));
        return w->PageTabs->tabText(w->PageTabs->indexOf(p));
    }
    template <class T = QWidget> T* control(const char* name) const {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    QAction* item(const char* name) const { return w->MenuItem(QString::fromLatin1(name)); }
    void activate() { w->Activate(); }
    void startPass() { RunStartLanguagePass(*w); }
};

// Every text the windows show, by where: titles, captions, read-only fields, memos, tabs, table
// headers, list items, tooltips, the names screen readers announce and menu items. A place named
// twice (unnamed widgets) is told apart by a running number, in the same order in every pass.
std::vector<std::pair<QString, QString>> ShownTexts() {
    std::vector<std::pair<QString, QString>> out;
    std::map<QString, int> seen;
    const auto add = [&](const QString& where, const QString& text) {
        const int n = seen[where]++;
        out.emplace_back(n ? where + " #" + QString::number(n) : where, text);
    };
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName().isEmpty()) continue;
        const QString window = top->objectName();
        add(window + " title", top->windowTitle());
        for (QWidget* w : top->findChildren<QWidget*>()) {
            const QString where = window + "." + w->objectName();
            if (auto* l = qobject_cast<QLabel*>(w)) add(where, l->text());
            if (auto* b = qobject_cast<QAbstractButton*>(w)) add(where, b->text());
            if (auto* g = qobject_cast<QGroupBox*>(w)) add(where, g->title());
            // Read-only fields show the program's texts; what an editable one holds is configuration.
            if (auto* e = qobject_cast<QLineEdit*>(w); e && e->isReadOnly()) add(where, e->text());
            if (auto* m = qobject_cast<QPlainTextEdit*>(w)) add(where, m->toPlainText());
            if (auto* t = qobject_cast<QTabWidget*>(w))
                for (int i = 0; i < t->count(); ++i) add(where + " tab", t->tabText(i));
            if (auto* v = qobject_cast<QTableView*>(w); v && v->model())
                for (int i = 0; i < v->model()->columnCount(); ++i)
                    add(where + " header", v->model()->headerData(i, Qt::Horizontal).toString());
            if (auto* box = qobject_cast<QComboBox*>(w))
                for (int i = 0; i < box->count(); ++i) add(where + " item", box->itemText(i));
            add(where + " tooltip", w->toolTip());
            add(where + " accessible name", w->accessibleName());
        }
        for (QAction* a : top->findChildren<QAction*>()) add(window + "." + a->objectName(), a->text());
    }
    return out;
}

// The status window as a finished poll leaves it: its fields, panels and count speak as well.
void ShowPolledStatus() {
    k6link::StatusBytes polled{};
    polled[1] = 1; // on its own network
    polled[2] = 3; // no SIM card
    polled[5] = '1', polled[6] = '2', polled[7] = '3', polled[8] = '4';
    statusWindow->Refresh(polled);
}

} // namespace

TEST_F(LanguageFixture, EveryKeyNamesAnExistingWindowAndControl) {
    for (const CatalogueEntry& e : Catalogue::Builtin().Entries()) {
        if (e.kind == EntryKind::Message || e.kind == EntryKind::Picture) continue; // no control of a window
        QWidget* window = FindWindow(e.window);
        ASSERT_NE(window, nullptr) << "no window " << str(e.window);
        // A window string is keyed by its text, not by a control.
        if (e.kind == EntryKind::String) continue;
        if (e.window == QLatin1String("TK6Form2") && kStatusWindowLabelsNotBuilt.count(e.control)) continue;
        if (e.window == QLatin1String("K6Form1") && kVoicePageControls.count(e.control)) continue;
        QObject* c = e.kind == EntryKind::Menu ? static_cast<QObject*>(window->findChild<QAction*>(e.control))
                                               : window->findChild<QObject*>(e.control);
        EXPECT_NE(c, nullptr) << str(e.window) << "." << str(e.control);
        auto* box = qobject_cast<QComboBox*>(c);
        if (e.kind == EntryKind::Item && box) {
            EXPECT_LT(e.item, box->count()) << str(e.control);
        }
    }
}

TEST_F(LanguageFixture, HungarianColumnIsWhatTheWindowsShowAtDesignTime) {
    // Captions only: the design's look-alike families are copied over by the pass.
    for (const CatalogueEntry& e : Catalogue::Builtin().Entries()) {
        if (e.window != QLatin1String("K6Form1") || e.kind == EntryKind::Item) continue;
        if (e.kind == EntryKind::Menu) {
            EXPECT_EQ(w->MenuItem(e.control)->text(), e.text[i18n::Hungarian]) << str(e.control);
        } else if (e.kind == EntryKind::Caption) {
            QWidget* c = w->findChild<QWidget*>(e.control);
            if (!c) continue; // built elsewhere
            QString shown;
            if (w->PageTabs->indexOf(c) >= 0)
                shown = w->PageTabs->tabText(w->PageTabs->indexOf(c));
            else if (auto* l = qobject_cast<QLabel*>(c))
                shown = l->text();
            else if (auto* b = qobject_cast<QAbstractButton*>(c))
                shown = b->text();
            else if (auto* g = qobject_cast<QGroupBox*>(c))
                shown = g->title();
            else if (auto* t = qobject_cast<QLineEdit*>(c))
                shown = t->text();
            EXPECT_EQ(shown, e.text[i18n::Hungarian]) << str(e.control);
        }
    }
}

// The other windows' captions as built: a Hungarian cell that differs from the design would make
// the first pass change a Hungarian window, and hides a key that names the wrong control.
TEST_F(LanguageFixture, HungarianColumnIsWhatTheOtherWindowsShowAtDesignTime) {
    for (const CatalogueEntry& e : Catalogue::Builtin().Entries()) {
        // The K6 window has its own test; the start window's texts change as it searches.
        if (e.window.isEmpty() || e.window == QLatin1String("K6Form1") ||
            e.window == QLatin1String("Form1") || e.kind != EntryKind::Caption || e.startOnly)
            continue;
        if (e.window == QLatin1String("TK6Form2") && kStatusWindowLabelsNotBuilt.count(e.control)) continue;
        QWidget* window = FindWindow(e.window);
        ASSERT_NE(window, nullptr) << str(e.window);
        QWidget* c = window->findChild<QWidget*>(e.control);
        ASSERT_NE(c, nullptr) << str(e.window) << "." << str(e.control);
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(c))
            shown = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(c))
            shown = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(c))
            shown = g->title();
        EXPECT_EQ(shown, e.text[i18n::Hungarian]) << str(e.window) << "." << str(e.control);
    }
}

TEST_F(LanguageFixture, SlovenianLeavesWhatItLacksInThePreviousLanguage) {
    setLanguage("0");
    activate();
    setLanguage("5");
    activate();
    EXPECT_EQ(tab("TabSheet24"), "Távfelügyelet");
    EXPECT_EQ(tab("TabSheet1"), "Telefonske številke");
    EXPECT_EQ(control<QPushButton>("BitBtn1")->text(), "Pošlji");

    setLanguage("1");
    activate();
    setLanguage("5");
    activate();
    EXPECT_EQ(tab("TabSheet24"), "Monitoring station");
    EXPECT_EQ(tab("TabSheet1"), "Telefonske številke");
}

TEST_F(LanguageFixture, InvalidSettingShowsEnglishWithoutRewritingIt) {
    setLanguage("9");
    activate();
    EXPECT_EQ(tab("TabSheet1"), "Phone numbers");
    EXPECT_EQ(ReadSetting(kKey, QStringLiteral("Language")), "9");
    for (const char* name :
         {"Magyar1", "angol1", "German1", "Slovensk1", "Italy1", "Sloven1", "Franch1", "eskjazyk1"})
        EXPECT_EQ(item(name)->isChecked(), QLatin1String(name) == QLatin1String("angol1")) << name;

    // The start pass sets nothing for such a value.
    QLabel* prompt = startWindow->LanguageLabel;
    prompt->setText(QStringLiteral("Válasszon nyelvet"));
    startPass();
    EXPECT_EQ(prompt->text(), "Válasszon nyelvet");
}

TEST_F(LanguageFixture, MenuItemsWriteTheSettingAndMoveTheCheckMark) {
    item("German1")->trigger();
    EXPECT_EQ(ReadSetting(kKey, QStringLiteral("Language")), "2");
    EXPECT_EQ(tab("TabSheet1"), "Rufnummern");
    EXPECT_TRUE(item("German1")->isChecked());
    item("eskjazyk1")->trigger();
    EXPECT_EQ(ReadSetting(kKey, QStringLiteral("Language")), "7");
    EXPECT_EQ(tab("TabSheet1"), "Telefonní čísla");
    EXPECT_FALSE(item("German1")->isChecked());
    EXPECT_TRUE(item("eskjazyk1")->isChecked());
}

TEST_F(LanguageFixture, EveryInputTypeListShowsTheItemsOfTheFirst) {
    const char* const lists[] = {"ComboBox2", "ComboBox3",  "ComboBox4", "ComboBox5",
                                 "ComboBox9", "ComboBox10", "ComboBox13"};
    for (const char* language : {"0", "1", "2", "3", "4", "5", "6", "7", "9"}) {
        for (bool start : {true, false}) {
            setLanguage(language);
            start ? startPass() : activate();
            auto* first = control<QComboBox>("ComboBox1");
            for (const char* name : lists) {
                auto* box = control<QComboBox>(name);
                ASSERT_EQ(box->count(), 6) << name;
                for (int i = 0; i < 6; ++i)
                    EXPECT_EQ(box->itemText(i), first->itemText(i))
                        << name << " item " << i << " language " << language;
            }
        }
    }
    setLanguage("1");
    activate();
    EXPECT_EQ(control<QComboBox>("ComboBox1")->itemText(5), "05/ Switch On/Off");
    EXPECT_EQ(control<QComboBox>("ComboBox2")->itemText(0), "00/ Not used");
}

TEST_F(LanguageFixture, CompactModelShowsOnlyTheCodesOfTypesTwoToFive) {
    w->Engine().SetModuleType(73);
    setLanguage("1");
    activate();
    auto* box = control<QComboBox>("ComboBox1");
    EXPECT_EQ(box->itemText(1), "01/ 24h normal input");
    for (int i = 2; i <= 5; ++i)
        EXPECT_EQ(box->itemText(i), QStringLiteral("0%1/ ").arg(i));
}

TEST_F(LanguageFixture, DutchStartPassIsEnglishTheActivationPassDutch) {
    setLanguage("6");
    startPass();
    EXPECT_EQ(startWindow->LanguageLabel->text(), "Select language");
    EXPECT_EQ(tab("TabSheet1"), "Phone numbers");
    activate();
    EXPECT_EQ(tab("TabSheet1"), "Telefoonnummers");
    EXPECT_NE(startWindow->LanguageLabel->text(), "Select language");
}

TEST_F(LanguageFixture, MessageBoxAfterASwitchSpeaksTheNewLanguage) {
    setLanguage("0");
    activate();
    w->RestartClick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.back(), "Biztosan újra akarja indítani az eszközt?");
    item("angol1")->trigger();
    w->RestartClick();
    EXPECT_EQ(shown.back(), "Do you really want to restart the device?");
    // Qt's own buttons follow through its translations.
    item("German1")->trigger();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    item("angol1")->trigger();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

TEST_F(LanguageFixture, SmsTextDefaultsFollowTheLanguageButTypedTextsStay) {
    setLanguage("0");
    activate();
    auto* first = control<QLineEdit>("riasztas");
    auto* second = control<QLineEdit>("riasztas2");
    EXPECT_EQ(first->text(), "1 bemenet riasztas");
    second->setText(QStringLiteral("Garázskapu nyitva"));
    setLanguage("1");
    activate();
    EXPECT_EQ(first->text(), "Input 1 alarm");
    EXPECT_EQ(w->Values->text("riasztas"), "Input 1 alarm");
    EXPECT_EQ(second->text(), "Garázskapu nyitva");
    // A read from the module that brings a default of another language is configuration too.
    w->Values->setText("riasztas", QStringLiteral("1 bemenet riasztas"));
    setLanguage("2");
    activate();
    EXPECT_EQ(first->text(), "1 bemenet riasztas");
    EXPECT_EQ(control<QLineEdit>("riasztas3")->text(), "Eingang 3 Alarm");
}

TEST_F(LanguageFixture, CopyPassGivesLookAlikesAndMenuItemsTheirMastersText) {
    setLanguage("1");
    activate();
    EXPECT_EQ(control<QLabel>("Label19")->text(), "SMS to:");
    EXPECT_EQ(control<QLabel>("Label172")->text(), "SMS text:");
    EXPECT_EQ(item("Olvass1")->text(), "Read");
    EXPECT_EQ(item("rs1")->text(), "Send");
    EXPECT_EQ(control<QLabel>("Label132")->text(), "Phone number 1:");
    EXPECT_EQ(startWindow->LineTryOutButton->text(), startWindow->ProTryOutButton->text());
    auto* zones = control<QTableWidget>("StringGrid2");
    EXPECT_EQ(zones->horizontalHeaderItem(0)->text(), "Code");
    EXPECT_EQ(zones->horizontalHeaderItem(1)->text(), "Name");
}

// Each texts struct field is found by its Hungarian default: a default that has no key would never
// change language.
template <class T> void expectKeys(std::initializer_list<QString T::*> fields, const char* what) {
    const T hungarian{};
    for (QString T::*f : fields)
        EXPECT_EQ(Catalogue::Builtin().Message(hungarian.*f, i18n::Hungarian), hungarian.*f)
            << what << ": " << str(hungarian.*f);
}

TEST(CatalogueTexts, EveryTextsFieldHasItsKey) {
    expectKeys<K6FormTexts>(
        {&K6FormTexts::Customer, &K6FormTexts::RestartQuestion, &K6FormTexts::ExitQuestion}, "K6FormTexts");
    expectKeys<k6link::EngineTexts>({&k6link::EngineTexts::VersionCheck, &k6link::EngineTexts::ModuleVersion},
                                    "EngineTexts");
    using k6link::TransferTexts;
    expectKeys<TransferTexts>({&TransferTexts::Reading, &TransferTexts::ReadDone, &TransferTexts::Sending,
                               &TransferTexts::SendDone, &TransferTexts::ContactId,
                               &TransferTexts::ClockRunning, &TransferTexts::ClockDone},
                              "TransferTexts");
    expectKeys<k6pages::K6PagesTexts>(
        {&k6pages::K6PagesTexts::AccentWarning, &k6pages::K6PagesTexts::SecurityCode}, "K6PagesTexts");
    expectKeys<StartWindowTexts>({&StartWindowTexts::NoPermission, &StartWindowTexts::PortBusy,
                                  &StartWindowTexts::NoSuchPort, &StartWindowTexts::CannotOpen},
                                 "StartWindowTexts");
}

// Every struct FillCatalogueTexts fills, on the windows as built: a default without its key (or one
// that differs from its row by a character) would silently stay Hungarian in every language.
TEST_F(LanguageFixture, EveryWiredTextsFieldHasItsKey) {
    QStringList missing;
    FillCatalogueTexts(*w, Catalogue::Builtin(), i18n::German, i18n::Pass::Activation, &missing);
    EXPECT_TRUE(missing.isEmpty()) << str(missing.join(QStringLiteral("\n")));
}

TEST_F(LanguageFixture, StartWindowPortMessagesFollowTheLanguage) {
    setLanguage("2");
    startPass();
    EXPECT_EQ(startWindow->Texts.NoSuchPort.arg("COM3", ""), "COM3: der Port existiert nicht.");
    EXPECT_EQ(w->Pages->Texts.SecurityCode, "Sicherheitscode stimmt nicht");
}

// The start window has a fixed layout: no caption may be cut in any language.
TEST_F(LanguageFixture, StartWindowCaptionsFitInEveryLanguage) {
    startWindow->show();
    for (int language = 0; language < i18n::kLanguageCount; ++language) {
        setLanguage(std::to_string(language).c_str());
        startWindow->FoundModel->clear();
        startPass();
        QApplication::processEvents();
        for (QWidget* c : startWindow->findChildren<QWidget*>()) {
            if (c == startWindow->PortStatus || !c->isVisibleTo(startWindow)) continue;
            SCOPED_TRACE(str(c->objectName()) + " language " + std::to_string(language));
            if (qobject_cast<QLabel*>(c)) {
                EXPECT_LE(c->sizeHint().width(), c->width());
            }
            // A button's size hint has the style's minimum width; its text needs a margin each side.
            if (auto* b = qobject_cast<QPushButton*>(c)) {
                EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 12, b->width());
            }
            if (auto* g = qobject_cast<QGroupBox*>(c)) {
                EXPECT_LE(g->fontMetrics().horizontalAdvance(g->title()) + 16, g->width());
            }
        }
    }
}

// Texts that once stayed Hungarian whatever the language: they follow every switch, there and back.
TEST_F(LanguageFixture, ButtonsOnPagesAndSmallWindowsFollowTheSwitch) {
    struct Case {
        const char* window; // objectName
        const char* control;
        const char* german;
        const char* czech;
        const char* hungarian;
    };
    const std::vector<Case> cases = {
        {"K6Form1", "BitBtn5", "Auslesen", "Načíst", "Kiolvasás"},
        {"K6Form1", "BitBtn6", "Hochladen", "Nahrát", "Feltöltés"},
        {"K6Form1", "Button2", "Neue Zeile hinzufügen", "Přidat nový řádek", "Új sor hozzáadása"},
        {"TK6Form3", "Button3", "Beenden", "Konec", "Kilépés"},
        {"Tk6Form5", "BitBtn1", "Export Excel", "Export Excel", "Export Excel"},
    };
    for (const auto& [language, column] : {std::pair{"2", 0}, std::pair{"7", 1}, std::pair{"0", 2}}) {
        setLanguage(language);
        activate();
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.window) + "." + c.control + " in " + language);
            auto* b = FindWindow(QString::fromLatin1(c.window))->findChild<QAbstractButton*>(QString::fromLatin1(c.control));
            ASSERT_NE(b, nullptr);
            const char* expected[] = {c.german, c.czech, c.hungarian};
            EXPECT_EQ(b->text(), QString::fromUtf8(expected[column]));
        }
    }
}

// The help below the pages: the memo of the page in front, in the window's language; hidden from
// the settings menu, and still hidden when the window is made again.
TEST_F(LanguageFixture, HelpPanelShowsThePagesHelpInItsLanguageAndStaysHidden) {
    const Catalogue& c = Catalogue::Builtin();
    struct Case {
        const char* page;
        const char* memo;
    };
    const std::vector<Case> cases = {{"TabSheet1", "Memo1"},   {"TabSheet3", "Memo2"},
                                     {"TabSheet22", "Memo12"}, {"TabSheet24", "Memo14"},
                                     {"TabSheet25", "HelpTabSheet25"}};
    for (const auto& [setting, language] : {std::pair{"2", i18n::German}, std::pair{"7", i18n::Czech}}) {
        setLanguage(setting);
        activate();
        for (const Case& k : cases) {
            SCOPED_TRACE(std::string(k.page) + " in " + setting);
            w->SetPageVisible(QString::fromLatin1(k.page), true);
            w->PageTabs->setCurrentWidget(w->Page(QString::fromLatin1(k.page)));
            ASSERT_NE(w->Help->currentWidget(), nullptr);
            EXPECT_EQ(w->Help->currentWidget()->objectName(), QString::fromLatin1(k.memo));
            const CatalogueEntry* e = c.Find("K6Form1", QString::fromLatin1(k.memo), EntryKind::Memo);
            ASSERT_TRUE(e && e->text[language]);
            EXPECT_EQ(qobject_cast<QPlainTextEdit*>(w->Help->currentWidget())->toPlainText(), *e->text[language]);
        }
    }
    EXPECT_FALSE(w->Help->isHidden());
    item("HelpPanel1")->trigger();
    EXPECT_TRUE(w->Help->isHidden());
    DestroyForms();
    CreateAllForms();
    w = configWindow;
    EXPECT_TRUE(w->Help->isHidden()) << "the choice is remembered";
    EXPECT_FALSE(item("HelpPanel1")->isChecked());
}

// The words in our drawings follow the language: every word drawn is a picture key of the
// catalogue (or a name or terminal marking that is the same in every language), every key is drawn
// somewhere, and a language switch draws each key in the chosen language.
TEST_F(LanguageFixture, PicturesSpeakTheLanguage) {
    const QStringList drawings = {":/pictures/wiring_72.svg", ":/pictures/wiring_73.svg", ":/pictures/wiring_74.svg",
                                  ":/pictures/header_72.svg", ":/pictures/header_73.svg", ":/pictures/header_74.svg",
                                  ":/status/be.svg",          ":/status/ki.svg"};
    const QRegularExpression text(QStringLiteral("<text[^>]*>([^<]*)</text>"));
    // Terminal markings, model names and numbers read the same in every language.
    const QRegularExpression same(QStringLiteral(
        "^([0-9]+|GND|IN[0-9]?|OUT[0-9]?|L[12]|a|b|SIM|PC|RS-232|\\+12V|TAMP|LINE|K6-7[0-9]|.* GSM)$"));
    const Catalogue& c = Catalogue::Builtin();
    QSet<QString> drawn;
    for (const QString& d : drawings) {
        QFile f(d);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << str(d);
        const QString svg = QString::fromUtf8(f.readAll());
        for (auto it = text.globalMatch(svg); it.hasNext();) {
            const QString word = it.next().captured(1).replace(QLatin1String("&amp;"), QLatin1String("&"));
            drawn.insert(word);
            EXPECT_TRUE(same.match(word).hasMatch() || c.Picture(word, i18n::Hungarian))
                << str(d) << ": \"" << str(word) << "\" has no picture key";
        }
    }
    for (const CatalogueEntry& e : c.Entries()) {
        if (e.kind != EntryKind::Picture) continue;
        EXPECT_TRUE(drawn.contains(e.control)) << str(e.control) << " is drawn nowhere";
    }

    for (int language = 0; language < i18n::kLanguageCount; ++language) {
        SCOPED_TRACE(language);
        setLanguage(std::to_string(language).c_str());
        activate();
        ASSERT_EQ(PictureLanguage(), language);
        QFile f(":/pictures/wiring_74.svg");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString localised = QString::fromUtf8(LocaliseSvg(f.readAll(), PictureLanguage()));
        for (const char* key : {"12 V DC supply", "tamper", "alarm panel"}) {
            const std::optional<QString> word = c.Picture(QString::fromLatin1(key), language);
            ASSERT_TRUE(word) << key;
            EXPECT_TRUE(localised.contains(QLatin1Char('>') + word->toHtmlEscaped() + QLatin1Char('<')))
                << key << " -> " << str(*word);
        }
    }
}

// Walks every window in each of the eight languages and fails on a text that is still another
// language's where the catalogue gives this language its own: the next window or key that forgets
// the language is caught here. A text that is also this language's own for some key is fine.
TEST_F(LanguageFixture, NoWindowKeepsAnotherLanguagesTextWhereThisOneHasItsOwn) {
    const Catalogue& c = Catalogue::Builtin();
    // Texts that are allowed to stay as they are in every language.
    const std::set<QString> intended = {
        "OFF",    // the protocol and key lists' design item, the same in every language
        "Jammer", // the jammer page's tab: the design keys no caption for it
        "Keresés" /* the start window's search word: set by the start pass only */};
    ShowPolledStatus();
    for (int language = 0; language < i18n::kLanguageCount; ++language) {
        SCOPED_TRACE("language " + std::to_string(language));
        std::set<QString> own;
        std::map<QString, QString> foreign; // text of another language -> its key
        for (const CatalogueEntry& e : c.Entries()) {
            if (e.text[language]) {
                own.insert(*e.text[language]);
                own.insert(e.text[language]->trimmed()); // as a name without its padding
            }
        }
        for (const CatalogueEntry& e : c.Entries()) {
            if (!e.text[language] || e.kind == EntryKind::Picture) continue;
            for (int other = 0; other < i18n::kLanguageCount; ++other)
                if (e.text[other] && *e.text[other] != *e.text[language] && !e.text[other]->isEmpty())
                    foreign.emplace(*e.text[other], e.window + "." + e.control);
        }
        setLanguage(std::to_string(language).c_str());
        activate();
        const auto check = [&](const QString& where, const QString& shown) {
            if (shown.isEmpty() || own.count(shown) || intended.count(shown)) return;
            const auto f = foreign.find(shown);
            EXPECT_TRUE(f == foreign.end()) << str(where) << " shows \"" << str(shown)
                                            << "\", another language's text of " << str(f->second);
        };
        // A text with arguments filled in, or a text that a value follows ("Connect: " 3): its fixed
        // start is not another language's.
        std::vector<std::pair<QString, QString>> foreignStarts; // fixed start -> key
        for (const auto& [text, key] : foreign) {
            const qsizetype arg = text.indexOf(QLatin1Char('%'));
            const QString start = arg >= 0 ? text.left(arg) : text.endsWith(QLatin1Char(' ')) ? text : QString();
            if (start.size() >= 6) foreignStarts.emplace_back(start, key);
        }
        const auto checkFilled = [&](const QString& where, const QString& shown) {
            for (const auto& [start, key] : foreignStarts) {
                if (!shown.startsWith(start)) continue;
                const bool ownToo =
                    std::any_of(own.begin(), own.end(), [&](const QString& o) { return o.startsWith(start); });
                EXPECT_TRUE(ownToo) << str(where) << " shows \"" << str(shown) << "\", another language's text of "
                                    << str(key);
            }
        };
        for (const auto& [where, text] : ShownTexts()) {
            check(where, text);
            checkFilled(where, text);
        }
        // The file dialogs' titles and filters, and a file error's message box.
        QString shortFile = home.filePath(QStringLiteral("short.dat"));
        {
            QFile f(shortFile);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("too short");
        }
        std::vector<std::pair<QString, QStringList>> dialogs;
        K6FileCommands::FileDialogHook = [&](bool, const QString& title, const QStringList& filters, const QString&,
                                             int& filter) {
            dialogs.emplace_back(title, filters);
            filter = 1;
            return shortFile;
        };
        shown.clear();
        w->OpenFileClick();
        K6FileCommands::FileDialogHook = [&](bool, const QString& title, const QStringList& filters, const QString&,
                                             int&) {
            dialogs.emplace_back(title, filters);
            return QString();
        };
        w->SaveFileClick();
        K6FileCommands::FileDialogHook = nullptr;
        ASSERT_EQ(dialogs.size(), 2u);
        for (const auto& [title, filters] : dialogs) {
            check(QStringLiteral("file dialog title"), title);
            for (const QString& f : filters)
                check(QStringLiteral("file dialog filter"), f);
        }
        ASSERT_EQ(shown.size(), 1u);
        checkFilled(QStringLiteral("file error"), shown[0]);
    }
}


// The other side of the guard above: a text the catalogue does not know at all. Every text a
// window shows in Hungarian that it still shows, word for word, in another language is either the
// same in every language by design (names, units, protocol words, the developer's controls) or a
// text that forgot the language.
TEST_F(LanguageFixture, NoWindowShowsItsHungarianTextInAnotherLanguage) {
    // Shown the same in every language.
    const QRegularExpression neutral(QStringLiteral(
        "^(COM[0-9]+|[-0-9 x,.:/V+?–]*|Phone[1-8]|Server[12](_tart)?)$"));
    const std::set<QString> sameEverywhere = {
        // names: languages, makers, models, operators, the program
        "Magyar", "English", "Deutsch", "Slovenský SK", "Italiano", "Slovenský SI", "Dutch", "Český",
        "Telgor", "Simvo", "Varnet", "Portun", "Portun GSM", "Telgor GSM", "T-Mobile", "Telenor", "Vodafone",
        "Dalvex Firmware: 2012.03", "Firmware", "Monitor", "Monitor+AT",
        // protocol, network and unit words
        "OFF", "ENIGMA", "UDP", "TCP", "AUTO", "internet", "net", "Internet", "GPS", "GPRS", "CID/SMS", "Jammer",
        "APN:", "DNS1:", "DNS2:", "Server IP:", "PORT:", "Password:", "user:", "UDP/TCP:", "PSTN Rx Gain:",
        "PSTN Tx Gain:", "DTMF Rx Gain:", "DTMF Tx Gain:", "PSTN send", "DTMF", "AT", "Send AT", "Reset GSM",
        "dBi", "Sec", "Min", "SMS", "Export Excel", "Delete", "Zoom", "Stop",
        // the contact window's text before activation puts the contact file's or the built-in one there
        "Not contact",
        // the developer's controls, shown by its access code only
        "Fejlesztői parancsok", "Különleges PARANCSOK", "Napló/Térerő TÖRLÉSE", "Memory load", "FPGA_VER2",
        "FPGA download teszt", "Send_256", "Modul állapotok",
        // Qt's own names of the tab bars' arrows
        "Scroll Left", "Scroll Right",
        // the start window's search word: set by the start pass only
        "Keresés"};
    ShowPolledStatus();
    setLanguage("0");
    activate();
    const auto inHungarian = ShownTexts();
    const std::map<QString, QString> hungarian(inHungarian.begin(), inHungarian.end());
    for (int language = 1; language < i18n::kLanguageCount; ++language) {
        SCOPED_TRACE("language " + std::to_string(language));
        std::set<QString> own; // the language's own texts: a word two languages share is no fault
        std::vector<QString> ownStarts; // and its texts that a value follows ("Connect: " 3)
        for (const CatalogueEntry& e : Catalogue::Builtin().Entries()) {
            if (!e.text[language]) continue;
            own.insert(e.text[language]->trimmed());
            if (e.text[language]->endsWith(QLatin1Char(' ')) && e.text[language]->size() >= 6)
                ownStarts.push_back(*e.text[language]);
        }
        setLanguage(std::to_string(language).c_str());
        activate();
        for (const auto& [where, text] : ShownTexts()) {
            const auto hu = hungarian.find(where);
            const QString bare = text.trimmed();
            if (hu == hungarian.end() || hu->second != text || own.count(bare) || sameEverywhere.count(bare) ||
                neutral.match(bare).hasMatch() ||
                std::any_of(ownStarts.begin(), ownStarts.end(), [&](const QString& o) { return text.startsWith(o); }))
                continue;
            ADD_FAILURE() << str(where) << " shows its Hungarian text \"" << str(text) << "\"";
        }
    }
}
