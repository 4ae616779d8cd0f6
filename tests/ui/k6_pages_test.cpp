// The editing pages of the K6 window: widgets built from the control tables and bound to the
// window's values, the page rules, the activation defaults and the version rules.

#include "i18n/catalogue.h"
#include "k6config/config_codec.h"
#include "k6config/config_image.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"
#include "k6config/page_values.h"
#include "serial/settings.h"
#include "ui/k6pages/k6pages.h"
#include "ui/k6pages/page_contents.h"
#include "ui/k6pages/page_rules.h"
#include "ui/language_pass.h"
#include "ui/config_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace dalvex;
using k6config::ControlDef;
using k6config::ControlKind;
using k6config::ControlTable;
using k6config::PageValues;

namespace {

std::string str(const QString& s) {
    return s.toStdString();
}

// Warnings (a control name no table holds, above all) fail the test that caused them.
std::vector<std::string> gWarnings;
void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    // The offscreen platform says what it cannot do with a pop-up menu.
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (type != QtDebugMsg && type != QtInfoMsg) gWarnings.push_back(str(message));
}

const QString kFixture = QStringLiteral(DALVEX_K6CONFIG_DATA "/rich_image.bin");
const QString kAccentMessage =
    QStringLiteral("Kérem, ne használjon ékezetes karaktereket, mert rosszul jelenhetnek meg a telefonon!");

QByteArray editorBytes(const k6config::ConfigImage& image) {
    QByteArray out;
    for (const k6config::Region& r : k6config::EditorRegions())
        out += image.read(r.begin, r.end - r.begin);
    return out;
}

void loadEditorBytes(k6config::ConfigImage& image, const QByteArray& bytes) {
    qsizetype at = 0;
    for (const k6config::Region& r : k6config::EditorRegions()) {
        image.write(r.begin, bytes.mid(at, r.end - r.begin));
        at += r.end - r.begin;
    }
}

std::string firstDifference(const QByteArray& a, const QByteArray& b) {
    qsizetype at = 0;
    for (const k6config::Region& r : k6config::EditorRegions())
        for (std::uint32_t address = r.begin; address < r.end; ++address, ++at)
            if (at >= a.size() || at >= b.size() || a[at] != b[at])
                return "first difference at image address " + QString::number(address, 16).toStdString();
    return "equal";
}

// Typing into an editor, key by key; also letters outside Latin-1, which QTest::keyClicks cannot send.
void type(QWidget* editor, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &release);
    }
}

// The two value tables of the K6 window, and whether a control has a widget.
std::vector<const ControlTable*> windowTables() {
    return {&k6config::K6Controls(), &k6config::K6LocalControls()};
}
bool hasWidget(const ControlDef& d) {
    return d.kind != ControlKind::Value;
}

// What a widget shows, in the terms of the values.
struct Shown {
    int number = 0;
    QString text;
    std::vector<QString> cells; // rows 1..
    int itemsEnabled = 0xFF;
    bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& s, std::ostream* os) {
    *os << "{" << s.number << ", \"" << str(s.text) << "\", " << s.cells.size() << " cells, items "
        << s.itemsEnabled << "}";
}

QList<QRadioButton*> radios(QWidget* group) {
    return group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

Shown shownBy(QWidget* w, const ControlDef& d) {
    Shown s;
    switch (d.kind) {
    case ControlKind::Choice:
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            s.number = box->currentIndex();
        } else {
            s.number = -1;
            const auto buttons = radios(w);
            for (int i = 0; i < buttons.size(); ++i)
                if (buttons[i]->isChecked()) s.number = i;
        }
        break;
    case ControlKind::Check:
        s.number = qobject_cast<QCheckBox*>(w)->isChecked();
        break;
    case ControlKind::CheckList: {
        auto* list = qobject_cast<QListWidget*>(w);
        s.itemsEnabled = 0;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->checkState() == Qt::Checked) s.number |= 1 << i;
            if (list->item(i)->flags() & Qt::ItemIsEnabled) s.itemsEnabled |= 1 << i;
        }
        break;
    }
    case ControlKind::Spin:
        s.number = qobject_cast<QSpinBox*>(w)->value();
        break;
    case ControlKind::Text:
        s.text = qobject_cast<QLineEdit*>(w)->text();
        break;
    case ControlKind::EditCombo:
        s.text = qobject_cast<QComboBox*>(w)->currentText();
        break;
    case ControlKind::Grid: {
        auto* grid = qobject_cast<QTableWidget*>(w);
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c)
                s.cells.push_back(grid->item(r, c)->text());
        break;
    }
    case ControlKind::Value:
        break;
    }
    return s;
}

Shown heldBy(const PageValues& v, const ControlDef& d) {
    const std::string name = str(d.name);
    Shown s;
    switch (d.kind) {
    case ControlKind::Text:
    case ControlKind::EditCombo:
        s.text = v.text(name);
        break;
    case ControlKind::Grid:
        for (int r = 1; r < d.rows; ++r)
            for (int c = 0; c < d.columns; ++c)
                s.cells.push_back(v.cell(name, r, c));
        break;
    case ControlKind::CheckList:
        s.number = v.mask(name);
        s.itemsEnabled = v.itemEnabledMask(name);
        break;
    default:
        s.number = v.number(name);
    }
    return s;
}

// Sets a widget the way an edit would, to the value `from` holds.
void editTo(QWidget* w, const ControlDef& d, const PageValues& from) {
    const Shown want = heldBy(from, d);
    switch (d.kind) {
    case ControlKind::Choice:
        if (auto* box = qobject_cast<QComboBox*>(w))
            box->setCurrentIndex(want.number);
        else
            radios(w).at(want.number)->setChecked(true);
        break;
    case ControlKind::Check:
        qobject_cast<QCheckBox*>(w)->setChecked(want.number != 0);
        break;
    case ControlKind::CheckList: {
        auto* list = qobject_cast<QListWidget*>(w);
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState((want.number >> i) & 1 ? Qt::Checked : Qt::Unchecked);
        break;
    }
    case ControlKind::Spin:
        qobject_cast<QSpinBox*>(w)->setValue(want.number);
        break;
    case ControlKind::Text:
        qobject_cast<QLineEdit*>(w)->setText(want.text);
        break;
    case ControlKind::EditCombo:
        qobject_cast<QComboBox*>(w)->setCurrentText(want.text);
        break;
    case ControlKind::Grid: {
        auto* grid = qobject_cast<QTableWidget*>(w);
        std::size_t i = 0;
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c)
                grid->item(r, c)->setText(want.cells[i++]);
        break;
    }
    case ControlKind::Value:
        break;
    }
}

class K6PagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit());
        gWarnings.clear();
        previousHandler_ = qInstallMessageHandler(recordWarning);
        window = std::make_unique<ConfigWindow>();
        pages = window->Pages;
        pages->ShowMessage = [this](const QString& text) { messages.push_back(text); };
    }
    void TearDown() override {
        window.reset();
        qInstallMessageHandler(previousHandler_);
        EXPECT_TRUE(gWarnings.empty()) << gWarnings.front();
    }

    PageValues& values() { return *window->Values; }
    PageValues& local() { return *window->LocalValues; }
    template <class W = QWidget> W* control(const QString& name) {
        W* w = pages->Control<W>(name);
        EXPECT_NE(w, nullptr) << str(name);
        return w;
    }
    void show(const char* page) { window->PageTabs->setCurrentWidget(control(QString::fromLatin1(page))); }
    k6config::ImageContext context(int moduleType) const {
        k6config::ImageContext c = window->CodecContext();
        c.moduleType = moduleType;
        return c;
    }
    void encode(int moduleType = 74) {
        k6config::EncodeConfigImage(image, values(), *window->DoorPhoneValues, context(moduleType));
    }
    void decode(int moduleType = 74) {
        k6config::DecodeConfigImage(image, values(), *window->DoorPhoneValues, context(moduleType));
    }
    QByteArray fixture() {
        QFile file(kFixture);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << str(kFixture);
        return file.readAll();
    }
    // A phone number typed into its field.
    void setPhone(int n, const QString& number) {
        control<QLineEdit>(QStringLiteral("MaskEdit%1").arg(n))->setText(number);
    }

    QTemporaryDir home_;
    QtMessageHandler previousHandler_ = nullptr;
    std::unique_ptr<ConfigWindow> window;
    k6pages::K6Pages* pages = nullptr;
    std::vector<QString> messages;
    k6config::ConfigImage image;
};

// --- The pages and their controls -------------------------------------------------------------------

TEST_F(K6PagesTest, PagesComeInTheirOrderWithTheirCaptions) {
    const char* const expected[][2] = {
        {"TabSheet23", "Alapadatok"},
        {"TabSheet1", "Telefonszámok"},
        {"TabSheet2", "Be1"},
        {"TabSheet3", "Be2"},
        {"TabSheet4", "Be3"},
        {"TabSheet5", "Be4"},
        {"TabSheet22", "Hangok"},
        {"TabSheet6", "Be5"},
        {"TabSheet7", "Be6"},
        {"TabSheet8", "Be7"},
        {"TabSheet9", "Be8"},
        {"TabSheet10", "Kimenet"},
        {"TabSheet11", "Tamper"},
        {"TabSheet12", "Tápmonitor"},
        {"TabSheet13", "Életjel"},
        {"TabSheet14", "Egyéb"},
        {"TabSheet15", "Szám azonosítás"},
        {"TabSheet16", "Hőméséklet"},
        {"TabSheet17", "GPS"},
        {"TabSheet18", "Sebesség"},
        {"TabSheet19", "Emelés"},
        {"TabSheet20", "GPRS"},
        {"TabSheet21", "CID/SMS"},
        {"TabSheet24", "Távfelügyelet"},
        {"TabSheet25", "Vonalszimulátor"},
        {"TabSheet26", "Jammer"},
        {"TabSheet27", "Nyitás/zárás"},
    };
    QTabWidget* tabs = window->PageTabs;
    ASSERT_EQ(tabs->count(), static_cast<int>(std::size(expected)));
    for (int i = 0; i < tabs->count(); ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromLatin1(expected[i][0])) << i;
        EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(expected[i][1])) << i;
        // "Be5".."Be8" are never shown.
        EXPECT_EQ(tabs->isTabVisible(i), i < 7 || i > 10) << i;
    }
}

TEST_F(K6PagesTest, EveryControlOfTheTablesHasOneWidgetNamedAfterItWithItsCaption) {
    // Shown without a caption of their own: the lift value, the hidden legacy texts, and the two
    // switched Contact ID codes, whose check boxes stand in front of them.
    const std::set<QString> uncaptioned = {"SpinEdit9", "Edit10", "Edit11"};
    std::set<QString> names;
    for (const ControlTable* table : windowTables()) {
        for (const ControlDef& d : table->controls()) {
            EXPECT_TRUE(names.insert(d.name).second) << str(d.name) << " is in both tables of the window";
            if (!hasWidget(d)) continue;
            const auto found = window->PageTabs->findChildren<QWidget*>(d.name);
            ASSERT_EQ(found.size(), 1) << str(d.name);
            QWidget* w = found.front();
            if (uncaptioned.count(d.name)) continue;
            if (d.kind == ControlKind::Check) {
                EXPECT_FALSE(qobject_cast<QCheckBox*>(w)->text().isEmpty()) << str(d.name);
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                EXPECT_EQ(radios(group).size(), d.itemCount()) << str(d.name);
            } else {
                EXPECT_FALSE(w->accessibleName().isEmpty()) << str(d.name) << " has no caption";
            }
            // Limits, lengths and items come from the table.
            if (auto* spin = qobject_cast<QSpinBox*>(w);
                spin && !d.name.startsWith(QLatin1String("SpinKI"))) {
                EXPECT_EQ(spin->minimum(), d.minimum) << str(d.name);
                EXPECT_EQ(spin->maximum(), d.maximum) << str(d.name);
            }
            if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                EXPECT_EQ(edit->maxLength(), d.maxLength) << str(d.name);
            }
            if (auto* box = qobject_cast<QComboBox*>(w); box && d.kind == ControlKind::Choice) {
                ASSERT_EQ(box->count(), d.itemCount()) << str(d.name);
                EXPECT_EQ(box->itemText(d.itemCount() - 1), d.items.back()) << str(d.name);
            }
        }
    }
    // Captions are labels whose buddy is their control: the phone numbers by their design names.
    auto* caption = control<QLabel>(QStringLiteral("Label6"));
    EXPECT_EQ(caption->text(), "Telefonszám 5:");
    EXPECT_EQ(caption->buddy(), control(QStringLiteral("MaskEdit5")));
}

// --- Values and widgets ------------------------------------------------------------------------------

TEST_F(K6PagesTest, DecodedImageShowsOnEveryWidget) {
    WriteSetting(window->RegKey, QStringLiteral("company"), QStringLiteral("*Dalvex fixture"));
    loadEditorBytes(image, fixture());
    decode();
    for (const ControlTable* table : windowTables()) {
        PageValues& v = table == &k6config::K6Controls() ? values() : local();
        for (const ControlDef& d : table->controls()) {
            if (!hasWidget(d)) continue;
            QWidget* w = control(d.name);
            EXPECT_EQ(shownBy(w, d), heldBy(v, d)) << str(d.name);
            EXPECT_EQ(w->isEnabled(), v.enabled(str(d.name))) << str(d.name);
        }
    }
    // Spot checks, page by page, in the terms a technician sees.
    EXPECT_EQ(control<QLineEdit>("MaskEdit1")->text(), "1234567890123456");
    EXPECT_EQ(control<QLineEdit>("MaskEdit2")->text(), "+36301234567");
    // The source pages' show handlers ran: their lists name the numbers.
    EXPECT_EQ(control<QListWidget>("SMSst1")->item(1)->text(), "+36301234567");
    EXPECT_EQ(control<QListWidget>("VOICEst9")->item(0)->text(), "1234567890123456");
    EXPECT_EQ(control<QComboBox>("ComboBox1")->currentText(), "02/ Központi bemenet");
    EXPECT_TRUE(radios(control("BE1inv")).at(1)->isChecked());
    EXPECT_EQ(control<QSpinBox>("SpinKI1")->value(), values().number("Ki1Seconds"));
    EXPECT_TRUE(radios(control("KI1SECMIN")).at(0)->isChecked());
    EXPECT_EQ(control<QLineEdit>("Edit1")->text(), "4821");
    EXPECT_EQ(control<QLineEdit>("TAV1")->text(), "0612345678901234");
    EXPECT_EQ(control<QLineEdit>("IPPORT1")->text(), "53501");
    EXPECT_EQ(control<QComboBox>("PROT2")->currentText(), "ENIGMA");
    EXPECT_FALSE(control<QTableWidget>("StringGrid3")->item(0, 0)->text().isEmpty());
    EXPECT_EQ(control<QLabel>("Label181")->text(),
              QString::number(std::max<qsizetype>(0, 120 - values().text("Edit12").size())));
    EXPECT_TRUE(messages.empty()) << "decoding is no typing: no accent warning";
}

TEST_F(K6PagesTest, EditsOnTheWidgetsEncodeToTheStoredImage) {
    WriteSetting(window->RegKey, QStringLiteral("company"), QStringLiteral("*Dalvex fixture"));
    const QByteArray stored = fixture();
    // The values behind the stored image, read by the codec alone.
    k6config::ConfigImage storedImage;
    loadEditorBytes(storedImage, stored);
    PageValues want(k6config::K6Controls());
    PageValues wantDoor(k6config::DoorPhoneControls());
    k6config::DecodeConfigImage(storedImage, want, wantDoor, context(74));

    // Every control with a widget is edited on its widget; the per-event SMS selections and the
    // door-phone window's values have no widget here and are set directly.
    for (const ControlDef& d : k6config::K6Controls().controls())
        if (hasWidget(d)) editTo(control(d.name), d, want);
    for (int row = 1; row <= k6config::kGridRecords; ++row)
        values().setEventSmsMask(row, want.eventSmsMask(row));
    for (const ControlDef& d : k6config::DoorPhoneControls().controls())
        window->DoorPhoneValues->setNumber(str(d.name), wantDoor.number(str(d.name)));

    encode();
    const QByteArray encoded = editorBytes(image);
    EXPECT_TRUE(encoded == stored) << firstDifference(encoded, stored);
    EXPECT_TRUE(messages.empty());
}

// --- Phone lists -------------------------------------------------------------------------------------

TEST_F(K6PagesTest, PhoneListsShowTheNumbersSetAndKeepMarksOfNumbersDeleted) {
    setPhone(1, QStringLiteral("0630111"));
    setPhone(3, QStringLiteral("0620333"));
    control<QComboBox>("ComboBox11")->setCurrentIndex(5);
    // Every page with a show handler, shown once.
    for (int i = 0; i < window->PageTabs->count(); ++i) {
        const QString page = window->PageTabs->widget(i)->objectName();
        if (!pages->HasShowHandler(page)) continue;
        SCOPED_TRACE(str(page));
        window->PageTabs->setCurrentIndex(i);
        for (const k6config::PhoneListDef& l : k6config::PhoneLists()) {
            if (page != QLatin1String(l.page)) continue;
            auto* list = control<QListWidget>(QString::fromLatin1(l.list));
            for (int item = 0; item < 8; ++item) {
                const bool set = item == 0 || item == 2;
                const QString caption = item == 0   ? QStringLiteral("0630111")
                                        : item == 2 ? QStringLiteral("0620333")
                                                    : QStringLiteral("Phone%1").arg(item + 1);
                EXPECT_EQ(list->item(item)->text(), caption) << l.list << " item " << item;
                EXPECT_EQ(bool(list->item(item)->flags() & Qt::ItemIsEnabled), set)
                    << l.list << " item " << item;
            }
        }
    }
    // The redirection target takes the captions only, and keeps its selection.
    auto* redirect = control<QComboBox>("ComboBox11");
    EXPECT_EQ(redirect->itemText(2), "0620333");
    EXPECT_EQ(redirect->itemText(1), "Phone2");
    EXPECT_EQ(redirect->currentIndex(), 5);

    // Number 3 chosen on input 1, then deleted with the pop-up menu.
    show("TabSheet2");
    auto* sms = control<QListWidget>("SMSst1");
    sms->item(2)->setCheckState(Qt::Checked);
    show("TabSheet1");
    pages->PhoneMenuTarget = QStringLiteral("MaskEdit3");
    pages->PhoneMenu->findChild<QAction*>("Delete1")->trigger();
    EXPECT_EQ(control<QLineEdit>("MaskEdit3")->text(), "");
    show("TabSheet2");
    EXPECT_EQ(sms->item(2)->checkState(), Qt::Checked) << "a disabled item keeps its mark on screen";
    EXPECT_FALSE(sms->item(2)->flags() & Qt::ItemIsEnabled);
    EXPECT_EQ(sms->item(2)->text(), "Phone3");

    encode();
    EXPECT_EQ(image.at(9) & 0x04, 0) << "input 1's SMS mask stores number 3 as not chosen";
    EXPECT_EQ(sms->item(2)->checkState(), Qt::Unchecked) << "and the page shows what was stored";
}

TEST_F(K6PagesTest, PhoneNumberPopUpMenuSetsTheNumberItWasOpenedOn) {
    auto* edit = control<QLineEdit>("MaskEdit2");
    emit edit->customContextMenuRequested(QPoint(2, 2));
    EXPECT_EQ(pages->PhoneMenuTarget, "MaskEdit2");
    pages->PhoneMenu->close();
    const struct {
        const char* item;
        const char* number;
    } cases[] = {{"N36301", "+3630"}, {"N36201", "+3620"}, {"Delete1", ""}};
    for (const auto& c : cases) {
        pages->PhoneMenu->findChild<QAction*>(c.item)->trigger();
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.number)) << c.item;
        EXPECT_EQ(values().text("MaskEdit2"), QString::fromLatin1(c.number)) << c.item;
    }
    EXPECT_EQ(control<QLineEdit>("MaskEdit1")->text(), "");
}

// --- Page rules ---------------------------------------------------------------------------------------

TEST_F(K6PagesTest, UnusedSourceTypeDisablesBothItsLists) {
    for (const k6pages::SourceLists& s : k6pages::EightSourceLists()) {
        SCOPED_TRACE(s.typeBox);
        auto* type = control<QComboBox>(QString::fromLatin1(s.typeBox));
        QWidget* sms = control(QString::fromLatin1(s.sms));
        QWidget* voice = control(QString::fromLatin1(s.voice));
        type->setCurrentIndex(1);
        EXPECT_TRUE(sms->isEnabled());
        EXPECT_TRUE(voice->isEnabled());
        ASSERT_EQ(type->itemText(0), "00/ Nem használt");
        type->setCurrentIndex(0);
        EXPECT_FALSE(sms->isEnabled());
        EXPECT_FALSE(voice->isEnabled());
        type->setCurrentIndex(3);
        EXPECT_TRUE(sms->isEnabled());
    }
    // A type read from the module does the same.
    image.set(8, 0x00); // input 1 "Nem használt"
    decode();
    EXPECT_FALSE(control("SMSst1")->isEnabled());
    EXPECT_FALSE(control("VOICEst1")->isEnabled());
}

TEST_F(K6PagesTest, ControlsTakeInputWhileTheirSwitchSaysSo) {
    struct Case {
        const char* switchName;
        int on;
        int off;
        std::vector<const char*> targets;
    };
    // Check boxes: 1 checked; choices: the item index.
    const Case cases[] = {
        {"CheckBox11", 1, 0, {"SpinEdit1", "SpinEdit2", "SpinEdit3"}},
        {"CheckEgyeb2", 1, 0, {"ComboBox11"}},
        {"CheckBox1KI1", 1, 0, {"CheckBox3KI1"}},
        {"CheckBox1KI2", 1, 0, {"CheckBox3KI2"}},
        {"AUTOOPEN", 1, 0, {"SpinEdit19"}},
        {"AUTOCLOSE", 1, 0, {"SpinEdit20"}},
        {"ComboBox15", 1, 0, {"CheckBox12"}},
        {"ComboKi1", 0, 1, {"SpinKI1", "KI1SECMIN"}},
        {"ComboKi2", 0, 2, {"SpinKI2", "KI2SECMIN"}},
        {"ComboBox13", 2, 0, {"hkompmax", "hkompmin"}},
    };
    auto set = [&](const char* name, int value) {
        QWidget* w = control(QString::fromLatin1(name));
        if (auto* box = qobject_cast<QCheckBox*>(w))
            box->setChecked(value != 0);
        else
            qobject_cast<QComboBox*>(w)->setCurrentIndex(value);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switchName);
        for (int round = 0; round < 2; ++round) {
            set(c.switchName, c.on);
            for (const char* t : c.targets)
                EXPECT_TRUE(control(QString::fromLatin1(t))->isEnabled()) << t;
            set(c.switchName, c.off);
            for (const char* t : c.targets)
                EXPECT_FALSE(control(QString::fromLatin1(t))->isEnabled()) << t;
        }
    }
    // The temperature source's lists take input whatever its type.
    for (int type : {0, 1}) {
        set("ComboBox13", type);
        EXPECT_TRUE(control("SMSst13")->isEnabled()) << type;
        EXPECT_TRUE(control("VOICEst13")->isEnabled()) << type;
    }
    // A temperature limit takes input while the source is in use and its box is checked.
    set("ComboBox13", 1);
    set("hkompmax", 1);
    EXPECT_TRUE(control("SpinEdit6")->isEnabled());
    set("hkompmax", 0);
    EXPECT_FALSE(control("SpinEdit6")->isEnabled());
    set("hkompmax", 1);
    set("ComboBox13", 0);
    EXPECT_FALSE(control("SpinEdit6")->isEnabled());
    // Also when the limit is read as off from the module: its spin box does not take input.
    image.set(48, 0x01); // temperature source in use
    image.set(82, 0xFF); // no upper limit
    image.set(83, 40);
    decode();
    EXPECT_TRUE(control("hkompmax")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>("hkompmax")->isChecked());
    EXPECT_FALSE(control("SpinEdit6")->isEnabled());
    EXPECT_TRUE(control("SpinEdit7")->isEnabled());
    EXPECT_EQ(control<QSpinBox>("SpinEdit7")->value(), 40);
}

TEST_F(K6PagesTest, OutputTimeInSecondsOrMinutes) {
    for (int output : {1, 2}) {
        SCOPED_TRACE("output " + std::to_string(output));
        auto* spin = control<QSpinBox>(QStringLiteral("SpinKI%1").arg(output));
        const auto unit = radios(control(QStringLiteral("KI%1SECMIN").arg(output)));
        const std::string seconds = str(QStringLiteral("Ki%1Seconds").arg(output));
        EXPECT_EQ(values().number(seconds), 3) << "outputs start at 3 seconds";
        spin->setValue(125);
        EXPECT_EQ(values().number(seconds), 125);

        unit.at(1)->click(); // "Min"
        EXPECT_EQ(spin->value(), 2);
        EXPECT_EQ(spin->maximum(), 1092);
        EXPECT_EQ(values().number(seconds), 125) << "showing minutes alone changes no time";
        spin->setValue(3);
        EXPECT_EQ(values().number(seconds), 180);
        spin->setValue(1092);
        EXPECT_EQ(values().number(seconds), 65520);
        spin->setValue(3);

        unit.at(0)->click(); // "Sec"
        EXPECT_EQ(spin->value(), 180);
        EXPECT_EQ(spin->maximum(), 65535);
        EXPECT_EQ(spin->minimum(), 1);

        // Times under a minute show as the smallest number of minutes and stay as they are.
        spin->setValue(45);
        unit.at(1)->click();
        EXPECT_EQ(spin->value(), 1);
        unit.at(0)->click();
        EXPECT_EQ(spin->value(), 45);
        EXPECT_EQ(values().number(seconds), 45);
    }
    // A read shows the time in seconds whatever unit was chosen.
    radios(control("KI1SECMIN")).at(1)->click();
    image.set(64, 0); // MONO
    image.set(65, 0x01);
    image.set(66, 0x2C); // 300 s
    decode();
    EXPECT_TRUE(radios(control("KI1SECMIN")).at(0)->isChecked());
    EXPECT_EQ(control<QSpinBox>("SpinKI1")->value(), 300);
    EXPECT_EQ(values().number("Ki1Seconds"), 300);
}

TEST_F(K6PagesTest, AccentWarningComesOncePerPageVisit) {
    struct Case {
        const char* page;
        const char* editor;
        const char* otherPage;
    };
    // Editors with their own handlers and editors sharing them.
    const Case cases[] = {{"TabSheet2", "riasztas", "TabSheet3"},
                          {"TabSheet14", "Edit8", "TabSheet2"},
                          {"TabSheet16", "riasztas13b", "TabSheet12"},
                          {"TabSheet27", "Edit17", "TabSheet11"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.editor);
        messages.clear();
        show(c.page);
        auto* edit = control<QLineEdit>(QString::fromLatin1(c.editor));
        edit->clear();
        type(edit, QStringLiteral("Riaszt"));
        EXPECT_TRUE(messages.empty());
        type(edit, QStringLiteral("á"));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], kAccentMessage);
        type(edit, QStringLiteral("ső é"));
        EXPECT_EQ(messages.size(), 1u) << "once per visit of the page";
        EXPECT_EQ(edit->text(), "Riasztáső é") << "the text is left as typed";

        show(c.otherPage);
        show(c.page);
        type(edit, QStringLiteral("íÍx"));
        EXPECT_EQ(messages.size(), 1u) << "í and Í show well on phones";
        type(edit, QStringLiteral("Ü"));
        EXPECT_EQ(messages.size(), 2u) << "warned again after another page was shown";
    }
    // An editor of the header, which is no SMS text, never warns.
    messages.clear();
    show("TabSheet23");
    type(control<QLineEdit>("Edit12"), QStringLiteral("á"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(K6PagesTest, LeavingOtherPageWithAShortSecurityCodeWarnsAndTheModuleKeepsItsCode) {
    image.write(0, QByteArray("4821"));
    show("TabSheet14");
    auto* code = control<QLineEdit>("Edit1");
    code->setText(QStringLiteral("123"));
    show("TabSheet13");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Biztonsági kód nem megfelelő");
    EXPECT_EQ(window->PageTabs->currentWidget()->objectName(), "TabSheet13")
        << "the page is left all the same";
    encode();
    EXPECT_EQ(image.read(0, 4), QByteArray("4821"));

    // Four characters pass, and are stored.
    messages.clear();
    show("TabSheet14");
    code->setText(QStringLiteral("5678"));
    show("TabSheet23");
    EXPECT_TRUE(messages.empty());
    encode();
    EXPECT_EQ(image.read(0, 4), QByteArray("5678"));
    // The check belongs to leaving "Egyéb" only.
    code->setText(QStringLiteral("1"));
    show("TabSheet2");
    show("TabSheet3");
    EXPECT_TRUE(messages.empty());

    // Leaving the page for a control outside the page control (the send button, say) checks as
    // well, once: changing the page afterwards does not ask again.
    auto* send = new QPushButton(window->statusBar());
    show("TabSheet14");
    messages.clear();
    emit qApp->focusChanged(code, control("Edit8"));
    EXPECT_TRUE(messages.empty()) << "moving within the page is no leaving";
    QWidget dialog;
    emit qApp->focusChanged(code, &dialog);
    EXPECT_TRUE(messages.empty()) << "a message box taking the focus is no leaving";
    emit qApp->focusChanged(code, send);
    EXPECT_EQ(messages.size(), 1u);
    show("TabSheet2");
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(K6PagesTest, SmsHeaderCounterShowsTheCharactersLeft) {
    auto* left = control<QLabel>("Label181");
    EXPECT_EQ(left->text(), "120");
    type(control<QLineEdit>("Edit12"), QStringLiteral("Hello"));
    EXPECT_EQ(left->text(), "115");
    values().setText("Edit12", QString(130, QLatin1Char('x')));
    EXPECT_EQ(values().text("Edit12").size(), 127) << "the module's memory holds 127 characters";
    EXPECT_EQ(left->text(), "0");

    // A longer header from a module stays whole on the page; typing cannot lengthen it, deleting
    // shortens it, and typing stops at 120 characters.
    auto* edit = control<QLineEdit>("Edit12");
    EXPECT_EQ(edit->text().size(), 127);
    edit->setFocus();
    edit->end(false);
    type(edit, QStringLiteral("y"));
    EXPECT_EQ(values().text("Edit12").size(), 127);
    edit->backspace();
    EXPECT_EQ(values().text("Edit12").size(), 126);
    values().setText("Edit12", QString(119, QLatin1Char('x')));
    edit->end(false);
    type(edit, QStringLiteral("yz"));
    EXPECT_EQ(values().text("Edit12"), QString(119, QLatin1Char('x')) + QLatin1Char('y'));
}

TEST_F(K6PagesTest, EncodingChangesShowOnThePages) {
    control<QCheckBox>("CheckBox15")->setChecked(false);
    control<QCheckBox>("CheckBox16")->setChecked(true);
    radios(control("RadioGroup1")).at(1)->setChecked(true);
    encode(72);
    EXPECT_TRUE(control<QCheckBox>("CheckBox15")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("CheckBox16")->isChecked());
    EXPECT_TRUE(radios(control("RadioGroup1")).at(0)->isChecked());
}

TEST_F(K6PagesTest, UnusedInputPagesAreNeverShown) {
    QTabWidget* tabs = window->PageTabs;
    for (int i = 7; i <= 10; ++i) {
        tabs->setTabVisible(i, true);
        tabs->setCurrentIndex(i);
        EXPECT_EQ(tabs->currentIndex(), 0) << i;
    }
    tabs->setCurrentIndex(11);
    EXPECT_EQ(tabs->currentIndex(), 11);
}

// --- Activation and version -----------------------------------------------------------------------------

TEST_F(K6PagesTest, ActivationPutsTheDefaultsInPlaceOnceAndFillsEmptyCustomerFields) {
    const QDateTime first(QDate(2012, 3, 15), QTime(10, 20, 30));
    control<QComboBox>("ComboBox1")->setCurrentIndex(0);
    control<QComboBox>("ComboKi1")->setCurrentIndex(2);
    control<QComboBox>("ComboBox12")->setCurrentIndex(4);
    pages->ApplyActivationDefaults(73, QStringLiteral("Simvo GSM"), first);
    EXPECT_EQ(control<QComboBox>("ComboBox1")->currentIndex(), 1);
    EXPECT_EQ(control<QComboBox>("ComboKi1")->currentIndex(), 0);
    EXPECT_EQ(control<QComboBox>("ComboBox12")->currentText(), "Normál");
    EXPECT_EQ(control<QComboBox>("ComboBox16")->currentText(), "6");
    EXPECT_EQ(control<QLineEdit>("Edit6")->text(), "Simvo GSM");
    EXPECT_EQ(control<QLineEdit>("Edit7")->text(), "2012.03.15. 10:20:30");

    // What the user or a read sets afterwards survives the next activation (after a dialog, say).
    control<QComboBox>("ComboBox1")->setCurrentIndex(0);
    control<QComboBox>("ComboBox16")->setCurrentIndex(2);
    control<QLineEdit>("Edit6")->setText(QStringLiteral("Saját"));
    control<QLineEdit>("Edit7")->clear();
    pages->ApplyActivationDefaults(73, QStringLiteral("Simvo GSM"), first.addDays(1));
    EXPECT_EQ(control<QComboBox>("ComboBox1")->currentIndex(), 0);
    EXPECT_EQ(control<QComboBox>("ComboBox16")->currentIndex(), 2);
    EXPECT_EQ(control<QLineEdit>("Edit6")->text(), "Saját");
    EXPECT_EQ(control<QLineEdit>("Edit7")->text(), "2012.03.16. 10:20:30");
}

TEST_F(K6PagesTest, ReceiveLevelDefaultIsForTheCompactModelOnly) {
    pages->ApplyActivationDefaults(72, QStringLiteral("Telgor GSM"), QDateTime::currentDateTime());
    EXPECT_EQ(control<QComboBox>("ComboBox16")->currentText(), "5");
}

TEST_F(K6PagesTest, VersionRulesShowAndHideByVersionAndModuleType) {
    struct Case {
        int version;
        int type;
        std::vector<const char*> shown;
        std::vector<const char*> hidden;
        bool monitorEnabled;
        bool tavEnabled;
    };
    const Case cases[] = {
        {15,
         72,
         {"CheckEgyeb1", "GPSbit0"},
         {"CheckEgyeb2_0", "ComboBox15", "LabelComboBox15", "CheckEgyeb4",     "CheckBox12",
          "TabSheet24",    "best15",     "Label129",        "SpinEdit17",      "CIDnyit",
          "Label109",      "TabSheet27", "ComboBox20",      "Label175",        "AUTOOPEN",
          "best16",        "TabSheet26", "TabSheet16",      "Naplokiolvassa1", "FirmwareDownload1",
          "TabSheet20"},
         false,
         true},
        {23,
         72,
         {"CheckEgyeb4", "CheckEgyeb5", "CheckEgyeb6", "TabSheet16"},
         {"CheckEgyeb3", "TabSheet20"},
         true,
         true},
        {73,
         73,
         {"Karbantarts1", "Naplokiolvassa1", "FirmwareDownload1", "CheckEgyeb5", "CheckBox12"},
         {"ComboBox15", "CheckEgyeb4", "CheckEgyeb6", "Label57", "ComboBox12", "TabSheet24", "ELETcid"},
         true,
         true},
        {77,
         74,
         {"TabSheet20", "CheckBox14", "ComboBox15", "LabelComboBox15", "TabSheet24", "best45", "Label129",
          "TabSheet27"},
         {"TabSheet26", "best106", "CheckBox18", "Panel10"},
         true,
         false},
        {84,
         74,
         {"Panel10", "CheckBox18", "TabSheet26", "best16", "CIDelet", "Label138"},
         {"TabSheet27"},
         true,
         true},
        {81,
         72,
         {"TabSheet20", "TabSheet26", "best36", "CheckBox18"},
         {"CheckEgyeb2_0", "CheckBox15", "CheckBox16", "RadioGroup1", "TabSheet27", "AUTOCLOSE", "CheckBox14",
          "Panel10"},
         true,
         true},
        {83,
         73,
         {"TabSheet27", "ComboBox20", "AUTOOPEN", "SpinEdit20"},
         {"CheckEgyeb4", "ComboBox12"},
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Version " + std::to_string(c.version) + ", ModuleType " + std::to_string(c.type));
        // A window as the hand-over leaves it, with the menu items the rules name.
        window = std::make_unique<ConfigWindow>();
        pages = window->Pages;
        for (const char* name : {"Hibakeress1", "Naplokiolvassa1", "Karbantarts1", "FirmwareDownload1"}) {
            auto* a = new QAction(window.get());
            a->setObjectName(QString::fromLatin1(name));
            // "Monitor" is there but disabled; the others are hidden.
            if (QLatin1String(name) == QLatin1String("Hibakeress1"))
                a->setEnabled(false);
            else
                a->setVisible(false);
        }
        window->SetPageVisible(QStringLiteral("TabSheet20"), false);
        control("Panel10")->hide();
        control<QComboBox>("ComboBox3")->setCurrentIndex(1);
        control<QLineEdit>("TAV1")->setText(QStringLiteral("0612345"));

        pages->ApplyVersionRules(c.version, c.type);
        auto visible = [&](const char* name) -> bool {
            const QString n = QString::fromLatin1(name);
            if (n.startsWith(QLatin1String("TabSheet"))) return window->IsPageVisible(n);
            if (auto* a = window->findChild<QAction*>(n)) return a->isVisible();
            return !control(n)->isHidden();
        };
        for (const char* name : c.shown)
            EXPECT_TRUE(visible(name)) << name << " shown";
        for (const char* name : c.hidden)
            EXPECT_FALSE(visible(name)) << name << " hidden";
        EXPECT_EQ(window->findChild<QAction*>("Hibakeress1")->isEnabled(), c.monitorEnabled);
        EXPECT_EQ(control("TAV1")->isEnabled(), c.tavEnabled);
        EXPECT_EQ(control<QLineEdit>("TAV1")->text().isEmpty(), !c.tavEnabled);
        EXPECT_EQ(control<QComboBox>("ComboBox3")->currentIndex(), c.type == 73 ? 0 : 1);
    }
}

TEST_F(K6PagesTest, EveryNameTheRulesUseIsAPageAControlOrAMenuItem) {
    const std::set<QString> menuItems = {"Hibakeress1", "Naplokiolvassa1", "Karbantarts1",
                                         "FirmwareDownload1"};
    for (const k6pages::VersionRule& r : k6pages::VersionRules())
        for (const char* t : r.targets) {
            const QString name = QString::fromLatin1(t);
            EXPECT_TRUE(menuItems.count(name) || pages->Control(name)) << t;
        }
    for (const char* t : k6pages::HiddenByDesign())
        EXPECT_TRUE(pages->Control(QString::fromLatin1(t))) << t;
    for (const k6pages::SelectionDefault& d : k6pages::ActivationSelections())
        EXPECT_TRUE(qobject_cast<QComboBox*>(pages->Control(QString::fromLatin1(d.control)))) << d.control;
}

// --- A look at the pages ------------------------------------------------------------------------------

// The widgets a technician reads or works: everything but containers.
bool isLeaf(QWidget* w) {
    return qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QListWidget*>(w) || qobject_cast<QTableWidget*>(w);
}

// A part of a compound widget (a spin box's editor, a grid's corner button, a tab bar's arrows).
bool insideCompound(QWidget* w, QWidget* page) {
    for (QWidget* p = w->parentWidget(); p && p != page; p = p->parentWidget())
        if (isLeaf(p) || qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QTabBar*>(p)) return true;
    return false;
}

// Every page fits a 1024 x 768 window, with nothing outside its page, cut or on top of another.
void expectPagesFit(ConfigWindow& w) {
    ConfigWindow* window = &w;
    const auto setPhone = [window](int n, const QString& number) {
        window->findChild<QLineEdit*>(QStringLiteral("MaskEdit%1").arg(n))->setText(number);
    };
    window->resize(1024, 768);
    window->show();
    QTabWidget* tabs = window->PageTabs;
    for (int i = 0; i < tabs->count(); ++i)
        tabs->setCurrentIndex(i);
    QApplication::processEvents();
    // Then the longest phone numbers, which the lists and the redirection target show from then on.
    for (int n = 1; n <= k6config::kPhoneCount; ++n)
        setPhone(n, QStringLiteral("+3630123456789%1").arg(n, 2, 10, QLatin1Char('0')));
    // The window needs no more than 1024 x 768 for any of its pages.
    EXPECT_LE(window->minimumSizeHint().width(), 1024);
    EXPECT_LE(window->minimumSizeHint().height(), 768);
    EXPECT_EQ(window->size(), QSize(1024, 768));
    for (int i = 0; i < tabs->count(); ++i) {
        if (i >= 7 && i <= 10) continue; // the empty, never shown pages
        tabs->setTabVisible(i, true);
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        QWidget* page = tabs->widget(i);
        SCOPED_TRACE(str(page->objectName()));
        EXPECT_LE(page->minimumSizeHint().width(), page->width());
        EXPECT_LE(page->minimumSizeHint().height(), page->height());
        std::vector<std::pair<QWidget*, QRect>> leaves;
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisible() || !isLeaf(w)) continue;
            if (insideCompound(w, page)) continue;
            const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
            EXPECT_TRUE(page->rect().contains(r)) << str(w->objectName()) << " leaves the page";
            // Captions and check box texts are not cut.
            const auto* label = qobject_cast<QLabel*>(w);
            const auto* box = qobject_cast<QComboBox*>(w);
            if ((label && !label->wordWrap()) || qobject_cast<QCheckBox*>(w) ||
                qobject_cast<QRadioButton*>(w)) {
                EXPECT_GE(w->width(), w->sizeHint().width()) << str(w->objectName()) << " is cut";
            }
            if (box && !box->isEditable()) {
                QStyleOptionComboBox option;
                option.initFrom(box);
                const int room =
                    box->style()
                        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
                        .width();
                for (int item = 0; item < box->count(); ++item)
                    EXPECT_LE(box->fontMetrics().horizontalAdvance(box->itemText(item)), room)
                        << str(w->objectName()) << " cuts " << str(box->itemText(item));
            }
            if (auto* list = qobject_cast<QListWidget*>(w)) {
                EXPECT_LE(list->sizeHintForColumn(0), list->viewport()->width())
                    << str(w->objectName()) << " is cut";
                EXPECT_LE(list->sizeHintForRow(0) * list->count(), list->viewport()->height())
                    << str(w->objectName());
            }
            leaves.emplace_back(w, r);
        }
        for (std::size_t a = 0; a < leaves.size(); ++a)
            for (std::size_t b = a + 1; b < leaves.size(); ++b)
                EXPECT_FALSE(leaves[a].second.intersects(leaves[b].second))
                    << str(leaves[a].first->objectName()) << " and " << str(leaves[b].first->objectName())
                    << " lie on top of each other";
        // Nested tab bars show all their tabs.
        for (QTabBar* bar : page->findChildren<QTabBar*>())
            EXPECT_GE(bar->width(), bar->sizeHint().width())
                << "tabs of " << str(bar->parentWidget()->objectName());
    }
}

TEST_F(K6PagesTest, EveryPageFitsTheWindowWithNothingClippedOrOnTopOfAnother) {
    expectPagesFit(*window);
}

// Longer translations must not be cut either.
TEST_F(K6PagesTest, EveryPageFitsInEveryLanguage) {
    for (int language = 0; language < i18n::kLanguageCount; ++language) {
        SCOPED_TRACE("language " + std::to_string(language));
        RunLanguagePass(*window, i18n::Catalogue::Builtin(), language, i18n::Pass::Activation);
        expectPagesFit(*window);
    }
}

// Screenshots of every page, for looking at: run by hand with
// ui_k6_pages_tests --gtest_also_run_disabled_tests --gtest_filter='*SaveScreenshots'
TEST_F(K6PagesTest, DISABLED_SaveScreenshots) {
    const QString dir = qEnvironmentVariable("DALVEX_SCREENSHOTS", QStringLiteral("/tmp/k6pages"));
    QDir().mkpath(dir);
    window->resize(1024, 768);
    window->show();
    for (int i = 0; i < window->PageTabs->count(); ++i) {
        window->PageTabs->setTabVisible(i, true);
        window->PageTabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = window->PageTabs->widget(i)->objectName();
        EXPECT_TRUE(window->grab().save(
            QStringLiteral("%1/%2_%3.png").arg(dir).arg(i, 2, 10, QLatin1Char('0')).arg(name)));
    }
}

} // namespace
