// The K6 window's adaptation: what the activation and the version reply show and hide for each
// module type, software version, try-out and device filter, the steps every activation repeats,
// and the scaling of the first activation.

#include "adapt_fixture.h"
#include "k6config/page_values.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "sim/pty_module.h"
#include "ui/k6_activation.h"
#include "ui/pictures/svg_picture.h"
#include "ui/wiring_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <vector>

using namespace dalvex;
using namespace dalvex::test;

namespace {

struct AdaptFixture : WindowsFixture {
    bool visible(const char* name) {
        const QString n = QString::fromLatin1(name);
        if (configWindow->Page(n) && configWindow->PageTabs->indexOf(configWindow->Page(n)) >= 0)
            return configWindow->IsPageVisible(n);
        if (QAction* a = configWindow->MenuItem(n)) return a->isVisible();
        QWidget* w = configWindow->findChild<QWidget*>(n);
        return w && !w->isHidden();
    }
};

constexpr int kNoReply = -1;

struct Row {
    int type;
    int version; // the module's answer; kNoReply: try-out, nothing answers
    bool demo;
    bool all; // device filter "ALL"
    int versionUsed;
    bool vonfesz;   // VONFESZ, Label20, Label21, Label22 of the status window
    bool panel8;    // Panel8 and Label13 ("Ki 2:") of the status window
    bool firmware;  // "Firmware Download"
    bool log;       // "Naplo kiolvasása"
    bool upkeep;    // "Karbantartás"
    bool gprs;      // TabSheet20
    bool input3;    // TAVbe3 and the other input 3 and 4 controls
    bool tamper;    // CIDtamper
    bool callerArm; // CheckEgyeb5
    const char* header;
};

// clang-format off
const Row kRows[] = {
    // type ver demo  all   used vonf   pan8   fw     log    upkeep gprs   in3    tamper arm    header
    {72, 77, false, false, 77, false, true,  true,  true,  true,  false, true,  true,  true,  "ProModelHeader"},
    {74, 77, false, false, 77, true,  true,  true,  true,  true,  true,  false, true,  true,  "Image21"},
    {73, 80, false, false, 80, true,  false, true,  true,  true,  false, false, false, true,  "Image20"},
    {72, 65, false, true,  80, true,  true,  true,  true,  true,  false, true,  true,  true,  "ProModelHeader"},
    {72, 65, false, false, 65, false, true,  false, false, false, false, true,  true,  true,  "ProModelHeader"},
    {74, 72, false, true,  72, false, true,  true,  true,  false, false, false, true,  true,  "Image21"},
    {74, 65, false, true,  80, true,  true,  true,  true,  true,  true,  false, true,  true,  "Image21"},
    {74, 84, false, false, 84, true,  true,  true,  true,  true,  true,  false, true,  true,  "Image21"},
    // Try-out: everything the type can have, without a version.
    {72, kNoReply, true, false, 0, true, true, true, true, true, true, true,  true,  true,  "ProModelHeader"},
    {73, kNoReply, true, false, 0, true, true,  true, true, true, true, false, false, true, "Image20"},
    {74, kNoReply, true, false, 0, true, true, true, true, true, true, false, true,  false, "Image21"},
};
// clang-format on

} // namespace

TEST_F(AdaptFixture, ActivationAndVersionReplyShowWhatTypeVersionTryOutAndFilterAllow) {
    for (const Row& r : kRows) {
        SCOPED_TRACE(testing::Message() << "type " << r.type << " version " << r.version
                                        << (r.demo ? " try-out" : "") << (r.all ? " ALL" : ""));
        setting("Device", r.all ? "ALL" : "0");
        start();
        handOver(r.type, r.demo);
        configWindow->Activate();
        if (r.version != kNoReply) {
            configWindow->Engine().Version = r.version;
            configWindow->Adapt->VersionReply();
        }
        EXPECT_EQ(configWindow->Engine().Version, r.versionUsed);
        for (const char* c : {"VONFESZ", "Label20", "Label21", "Label22"})
            EXPECT_EQ(statusShown(c), r.vonfesz) << c;
        for (const char* c : {"Panel8", "Label13"})
            EXPECT_EQ(statusShown(c), r.panel8) << c;
        EXPECT_FALSE(statusShown("Label11")) << "the edition shows no temperature";
        EXPECT_FALSE(statusShown("Edit3"));
        EXPECT_TRUE(visible("TabSheet22")) << "the voice page";
        EXPECT_EQ(visible("FirmwareDownload1"), r.firmware);
        EXPECT_EQ(visible("Naplokiolvassa1"), r.log);
        EXPECT_EQ(visible("Karbantarts1"), r.upkeep);
        EXPECT_EQ(visible("TabSheet20"), r.gprs);
        for (const char* c : {"TAVbe3", "TAVbe4", "CIDbe3", "CIDbe4", "ZONAbe3", "ZONAbe4"})
            EXPECT_EQ(visible(c), r.input3) << c;
        for (const char* c : {"CIDtamper", "ZONAtamper"})
            EXPECT_EQ(visible(c), r.tamper) << c;
        EXPECT_EQ(visible("CheckEgyeb5"), r.callerArm);
        EXPECT_EQ(configWindow->MenuItem("Hibakeress1")->isEnabled(), r.demo || r.versionUsed >= 16);
        for (const char* h : {"ProModelHeader", "Image20", "Image21"})
            EXPECT_EQ(visible(h), QLatin1String(h) == QLatin1String(r.header)) << h;
        // The wiring window shows the drawing of the module in hand, and only that one.
        const bool compact = r.type == 73;
        EXPECT_EQ(!wiringWindow->Drawing->isHidden(), !compact);
        EXPECT_EQ(!wiringWindow->MiniDrawing->isHidden(), compact);
        EXPECT_EQ(compact ? wiringWindow->MiniDrawing->Source() : wiringWindow->Drawing->Source(),
                  WiringPicture(r.type));
        DestroyForms();
    }
}

TEST_F(AdaptFixture, EveryActivationRepeatsItsSteps) {
    setting("mode", "7302518");
    start();
    handOver(74, false);
    configWindow->Activate();
    // What an activation puts back, changed in between.
    configWindow->setWindowTitle("x");
    configWindow->MenuItem("Help1")->setVisible(true);
    configWindow->SetPageVisible("TabSheet16", true);
    configWindow->LocalValues->setCell("StringGrid1", 0, 1, "x");
    configWindow->LocalValues->setText("Edit7", "");
    status("Edit3")->show();
    configWindow->Engine().OpState = 0;
    configWindow->Activate();

    EXPECT_EQ(configWindow->windowTitle(), "Dalvex Firmware: 2012.03");
    EXPECT_EQ(configWindow->StatusPanel(4), "version: 2012.03");
    for (const char* m : {"Voicehvstest1", "Adathvsellenrzs1", "Help1", "SajtProfil1"})
        EXPECT_FALSE(configWindow->MenuItem(m)->isVisible()) << m;
    EXPECT_TRUE(configWindow->MenuItem("Contact1")->isVisible());
    EXPECT_TRUE(configWindow->MenuItem("Contact1")->isEnabled());
    EXPECT_FALSE(configWindow->IsPageVisible("TabSheet16"));
    EXPECT_FALSE(configWindow->ClockLabel->isHidden());
    EXPECT_FALSE(statusShown("Edit3"));
    EXPECT_EQ(configWindow->LocalValues->cell("StringGrid1", 0, 0), "SIM");
    EXPECT_EQ(configWindow->LocalValues->cell("StringGrid1", 0, 1), "Telefonszám");
    EXPECT_EQ(configWindow->LocalValues->cell("StringGrid1", 0, 2), "Név");
    EXPECT_FALSE(configWindow->LocalValues->text("Edit7").isEmpty());
    EXPECT_EQ(configWindow->LocalValues->text("Edit6"), "Telgor GSM");
    EXPECT_EQ(startWindow->ProModelLabel->text(), "Telgor GSM");
    EXPECT_EQ(configWindow->Engine().OpState, k6link::state::VersionQuery);
    // The developer code shows the developer controls of both windows.
    EXPECT_TRUE(configWindow->MenuItem("Fejlesztiparancsok1")->isVisible());
    EXPECT_TRUE(configWindow->MenuItem("KlnlegesPARANCSOK1")->isVisible());
    EXPECT_FALSE(configWindow->findChild<QWidget*>("Button6")->isHidden());
    EXPECT_TRUE(statusShown("Button1"));
    // Both logo pictures carry the start window's logo.
    const auto* logo = configWindow->findChild<QLabel*>("Image2");
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->pixmap().isNull());
    EXPECT_EQ(logo->pixmap().toImage(), startWindow->Logo->pixmap().toImage());
}

TEST_F(AdaptFixture, MonitorSettingScalesWindowAndFontsOnTheFirstActivationOnly) {
    struct Case {
        const char* monitor;
        double factor;
        const char* stored;
    };
    for (const Case& c :
         {Case{"", 1.0, "2"}, Case{"2", 1.0, "2"}, Case{"4", 5.0 / 3, "4"}, Case{"1", 2.0 / 3, "1"},
          Case{"0", 0.5, "0"}, Case{"3", 4.0 / 3, "3"}, Case{"x", 1.0, "x"}}) {
        SCOPED_TRACE(c.monitor);
        setting("monitor", c.monitor);
        start();
        handOver(72, true);
        configWindow->move(40, 30);
        const QSize design = configWindow->size();
        const double points = configWindow->font().pointSizeF();
        configWindow->Activate();
        EXPECT_EQ(setting("monitor"), c.stored);
        EXPECT_NEAR(configWindow->font().pointSizeF(), points * c.factor, 0.01);
        const QSize wanted(qRound(design.width() * c.factor), qRound(design.height() * c.factor));
        const QSize least = configWindow->minimumSizeHint();
        // Never smaller than the controls need at their scaled fonts, so nothing is clipped.
        EXPECT_EQ(configWindow->size(), wanted.expandedTo(least));
        EXPECT_EQ(configWindow->pos(), c.factor == 1.0 ? QPoint(40, 30) : QPoint(5, 5));
        if (c.factor == 5.0 / 3) {
            EXPECT_EQ(configWindow->size(), wanted) << "enlarging is never held back";
        }
        if (c.factor < 1) {
            EXPECT_LT(configWindow->width(), design.width()) << "the smaller fonts make room";
        }

        // A later change waits for the next start.
        const QSize scaled = configWindow->size();
        setting("monitor", "0");
        configWindow->Activate();
        EXPECT_EQ(configWindow->size(), scaled);
        EXPECT_NEAR(configWindow->font().pointSizeF(), points * c.factor, 0.01);
        DestroyForms();
    }
}

TEST_F(AdaptFixture, ScaledControlsKeepTheRoomTheirTextNeeds) {
    for (const char* monitor : {"1", "4"}) {
        SCOPED_TRACE(monitor);
        setting("monitor", monitor);
        start();
        handOver(74, true);
        configWindow->Activate();
        int checked = 0;
        for (int i = 0; i < configWindow->PageTabs->count(); ++i) {
            if (!configWindow->PageTabs->isTabVisible(i)) continue;
            QWidget* page = configWindow->PageTabs->widget(i);
            configWindow->PageTabs->setCurrentWidget(page);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            for (QWidget* w : page->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(configWindow)) continue;
                const std::string name = (page->objectName() + "/" + w->objectName()).toStdString();
                if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
                    EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name;
                    EXPECT_GE(w->height(), w->minimumSizeHint().height()) << name;
                } else if (auto* list = qobject_cast<QListWidget*>(w)) {
                    EXPECT_GE(list->height(), list->count() * list->sizeHintForRow(0))
                        << name << " shows every item";
                } else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->maxLength() <= 16) {
                    EXPECT_GE(edit->width(),
                              edit->fontMetrics().horizontalAdvance(QString(edit->maxLength(), '0')))
                        << name << " shows its longest text";
                } else {
                    continue;
                }
                ++checked;
            }
        }
        EXPECT_GT(checked, 150);
        DestroyForms();
    }
}

// The whole way: a module answering over the line, the engine's version reply, the rules.
TEST_F(AdaptFixture, VersionRepliesFromAModuleDriveTheStatusWindow) {
    sim::PtyModule module;
    ASSERT_TRUE(module.start()) << module.error();
    module.withModule([](sim::ModuleSim& m) {
        m.setTypeCode(74);
        m.setVersion(77);
    });
    ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
    setting("Device", "ALL");
    start();
    for (int i = 0; i < 12 && !startWindow->StartButton->isEnabled(); ++i) {
        startWindow->SendTick();
        test::SettleWindowsLine(module);
    }
    ASSERT_TRUE(startWindow->StartButton->isEnabled());
    startWindow->StartButton->click();
    startWindow->HandOverTick();
    ASSERT_EQ(configWindow->ModuleType, 74);
    waitFor([&] { return configWindow->isActiveWindow(); }, 1000);
    startWindow->SendTick(); // releases the port

    auto& engine = configWindow->Engine();
    const auto query = [&](std::uint8_t version) {
        module.withModule([&](sim::ModuleSim& m) { m.setVersion(version); });
        engine.OpState = k6link::state::VersionQuery;
        return test::TickWindowUntil(
            module, *configWindow, [&] { return engine.OpState == 0; }, 50);
    };
    ASSERT_TRUE(query(77));
    EXPECT_EQ(engine.Version, 77);
    EXPECT_TRUE(statusShown("VONFESZ"));
    ASSERT_TRUE(query(65));
    EXPECT_EQ(engine.Version, 80) << "the filter ALL treats 6.5 as 8.0";
    EXPECT_TRUE(statusShown("VONFESZ"));
    EXPECT_EQ(configWindow->StatusPanel(2), "Sw: 6.5") << "the module's own answer stays on show";
    module.stop();
}

// Every page a model shows stays reachable with the mouse: choosing each tab in turn, forwards and
// back, leaves the tab chosen whole in view and the next one (the previous one going back) in view
// or behind an enabled scroll arrow. A hidden last tab made Qt 6.4 scroll the row past its start
// with both arrows disabled.
TEST_F(AdaptFixture, EveryShownPageStaysReachableOnTheTabBar) {
    struct Language {
        const char* setting;
        const char* name;
    };
    for (const Language language : {Language{"1", "English"}, Language{"2", "German"}, Language{"7", "Czech"}})
        for (const int type : {72, 73, 74, 75})
            for (const int width : {1270, 1000}) {
                SCOPED_TRACE(testing::Message() << language.name << ", type " << type << ", " << width << " px");
                setting("Language", QString::fromLatin1(language.setting));
                start();
                handOver(type, false);
                configWindow->Activate();
                configWindow->Engine().Version = 84;
                configWindow->Adapt->VersionReply();
                // The door phone's K6 window (its page set is the main model's) opens from its
                // compact window; here it is shown at once.
                configWindow->show();
                configWindow->resize(width, 720);
                QTabBar* bar = configWindow->PageTabs->tabBar();
                ASSERT_TRUE(waitFor([&] { return configWindow->width() >= width && bar->isVisible(); }, 5000));
                std::vector<int> shown;
                for (int i = 0; i < bar->count(); ++i)
                    if (bar->isTabVisible(i)) shown.push_back(i);
                ASSERT_GE(shown.size(), 8u);
                for (const char* page : {"TabSheet1", "TabSheet2", "TabSheet22"})
                    EXPECT_TRUE(configWindow->IsPageVisible(QString::fromLatin1(page))) << page;
                // Where the tabs end, left of the scroll arrows when they are shown.
                auto arrow = [bar](Qt::ArrowType type) -> QToolButton* {
                    for (QToolButton* b : bar->findChildren<QToolButton*>())
                        if (b->arrowType() == type && b->isVisible()) return b;
                    return nullptr;
                };
                auto rowEnd = [&] {
                    int end = bar->width();
                    for (Qt::ArrowType t : {Qt::LeftArrow, Qt::RightArrow})
                        if (QToolButton* b = arrow(t)) end = std::min(end, b->x());
                    return end;
                };
                auto inView = [&](int tab) {
                    const QRect r = bar->tabRect(tab);
                    return r.right() >= 0 && r.left() < rowEnd();
                };
                auto wholeInView = [&](int tab) {
                    const QRect r = bar->tabRect(tab);
                    return r.left() >= 0 && r.right() < rowEnd();
                };
                auto choose = [&](std::size_t k, std::size_t towards, Qt::ArrowType arrowType) {
                    const QString page = configWindow->PageTabs->widget(shown[k])->objectName();
                    configWindow->PageTabs->setCurrentIndex(shown[k]);
                    QCoreApplication::processEvents();
                    EXPECT_TRUE(wholeInView(shown[k])) << page.toStdString() << " chosen is not whole in view";
                    QToolButton* b = arrow(arrowType);
                    EXPECT_TRUE(inView(shown[towards]) || (b && b->isEnabled()))
                        << "after " << page.toStdString() << ", "
                        << configWindow->PageTabs->widget(shown[towards])->objectName().toStdString()
                        << " is out of view with no scroll arrow to bring it";
                };
                for (std::size_t k = 0; k + 1 < shown.size(); ++k)
                    choose(k, k + 1, Qt::RightArrow);
                for (std::size_t k = shown.size() - 1; k > 0; --k)
                    choose(k, k - 1, Qt::LeftArrow);
                DestroyForms();
            }
}
