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
#include <QTabWidget>

using namespace dalvex;
using namespace dalvex::test;

namespace {

struct AdaptFixture : WindowsFixture {
    bool visible(const char* name) {
        const QString n = QString::fromLatin1(name);
        if (K6Form1->Page(n) && K6Form1->PageControl1->indexOf(K6Form1->Page(n)) >= 0)
            return K6Form1->IsPageVisible(n);
        if (QAction* a = K6Form1->MenuItem(n)) return a->isVisible();
        QWidget* w = K6Form1->findChild<QWidget*>(n);
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
        K6Form1->FormActivate();
        if (r.version != kNoReply) {
            K6Form1->Engine().Version = r.version;
            K6Form1->Adapt->VersionReply();
        }
        EXPECT_EQ(K6Form1->Engine().Version, r.versionUsed);
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
        EXPECT_EQ(K6Form1->MenuItem("Hibakeress1")->isEnabled(), r.demo || r.versionUsed >= 16);
        for (const char* h : {"ProModelHeader", "Image20", "Image21"})
            EXPECT_EQ(visible(h), QLatin1String(h) == QLatin1String(r.header)) << h;
        // The wiring window shows the drawing of the module in hand, and only that one.
        const bool compact = r.type == 73;
        EXPECT_EQ(!K6Form4->Image1->isHidden(), !compact);
        EXPECT_EQ(!K6Form4->Image2->isHidden(), compact);
        EXPECT_EQ(compact ? K6Form4->Image2->Source() : K6Form4->Image1->Source(), WiringPicture(r.type));
        DestroyForms();
    }
}

TEST_F(AdaptFixture, EveryActivationRepeatsItsSteps) {
    setting("mode", "7302518");
    start();
    handOver(74, false);
    K6Form1->FormActivate();
    // What an activation puts back, changed in between.
    K6Form1->setWindowTitle("x");
    K6Form1->MenuItem("Help1")->setVisible(true);
    K6Form1->SetPageVisible("TabSheet16", true);
    K6Form1->LocalValues->setCell("StringGrid1", 0, 1, "x");
    K6Form1->LocalValues->setText("Edit7", "");
    status("Edit3")->show();
    K6Form1->Engine().OpState = 0;
    K6Form1->FormActivate();

    EXPECT_EQ(K6Form1->windowTitle(), "Dalvex Firmware: 2012.03");
    EXPECT_EQ(K6Form1->StatusPanel(4), "version: 2012.03");
    for (const char* m : {"Voicehvstest1", "Adathvsellenrzs1", "Help1", "SajtProfil1"})
        EXPECT_FALSE(K6Form1->MenuItem(m)->isVisible()) << m;
    EXPECT_TRUE(K6Form1->MenuItem("Contact1")->isVisible());
    EXPECT_TRUE(K6Form1->MenuItem("Contact1")->isEnabled());
    EXPECT_FALSE(K6Form1->IsPageVisible("TabSheet16"));
    EXPECT_FALSE(K6Form1->Label99->isHidden());
    EXPECT_FALSE(statusShown("Edit3"));
    EXPECT_EQ(K6Form1->LocalValues->cell("StringGrid1", 0, 0), "SIM");
    EXPECT_EQ(K6Form1->LocalValues->cell("StringGrid1", 0, 1), "Telefonszám");
    EXPECT_EQ(K6Form1->LocalValues->cell("StringGrid1", 0, 2), "Név");
    EXPECT_FALSE(K6Form1->LocalValues->text("Edit7").isEmpty());
    EXPECT_EQ(K6Form1->LocalValues->text("Edit6"), "Telgor GSM");
    EXPECT_EQ(Form1->Label8->text(), "Telgor GSM");
    EXPECT_EQ(K6Form1->Engine().OpState, k6link::state::VersionQuery);
    // The developer code shows the developer controls of both windows.
    EXPECT_TRUE(K6Form1->MenuItem("Fejlesztiparancsok1")->isVisible());
    EXPECT_TRUE(K6Form1->MenuItem("KlnlegesPARANCSOK1")->isVisible());
    EXPECT_FALSE(K6Form1->findChild<QWidget*>("Button6")->isHidden());
    EXPECT_TRUE(statusShown("Button1"));
    // Both logo pictures carry the start window's logo.
    const auto* logo = K6Form1->findChild<QLabel*>("Image2");
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->pixmap().isNull());
    EXPECT_EQ(logo->pixmap().toImage(), Form1->Image2->pixmap().toImage());
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
        K6Form1->move(40, 30);
        const QSize design = K6Form1->size();
        const double points = K6Form1->font().pointSizeF();
        K6Form1->FormActivate();
        EXPECT_EQ(setting("monitor"), c.stored);
        EXPECT_NEAR(K6Form1->font().pointSizeF(), points * c.factor, 0.01);
        const QSize wanted(qRound(design.width() * c.factor), qRound(design.height() * c.factor));
        const QSize least = K6Form1->minimumSizeHint();
        // Never smaller than the controls need at their scaled fonts, so nothing is clipped.
        EXPECT_EQ(K6Form1->size(), wanted.expandedTo(least));
        EXPECT_EQ(K6Form1->pos(), c.factor == 1.0 ? QPoint(40, 30) : QPoint(5, 5));
        if (c.factor == 5.0 / 3) {
            EXPECT_EQ(K6Form1->size(), wanted) << "enlarging is never held back";
        }
        if (c.factor < 1) {
            EXPECT_LT(K6Form1->width(), design.width()) << "the smaller fonts make room";
        }

        // A later change waits for the next start.
        const QSize scaled = K6Form1->size();
        setting("monitor", "0");
        K6Form1->FormActivate();
        EXPECT_EQ(K6Form1->size(), scaled);
        EXPECT_NEAR(K6Form1->font().pointSizeF(), points * c.factor, 0.01);
        DestroyForms();
    }
}

TEST_F(AdaptFixture, ScaledControlsKeepTheRoomTheirTextNeeds) {
    for (const char* monitor : {"1", "4"}) {
        SCOPED_TRACE(monitor);
        setting("monitor", monitor);
        start();
        handOver(74, true);
        K6Form1->FormActivate();
        int checked = 0;
        for (int i = 0; i < K6Form1->PageControl1->count(); ++i) {
            if (!K6Form1->PageControl1->isTabVisible(i)) continue;
            QWidget* page = K6Form1->PageControl1->widget(i);
            K6Form1->PageControl1->setCurrentWidget(page);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            for (QWidget* w : page->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(K6Form1)) continue;
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
    for (int i = 0; i < 12 && !Form1->Button5->isEnabled(); ++i) {
        Form1->adasTimer();
        test::SettleWindowsLine(module);
    }
    ASSERT_TRUE(Form1->Button5->isEnabled());
    Form1->Button5->click();
    Form1->ablakSTARTTimer();
    ASSERT_EQ(K6Form1->ModuleType, 74);
    waitFor([&] { return K6Form1->isActiveWindow(); }, 1000);
    Form1->adasTimer(); // releases the port

    auto& engine = K6Form1->Engine();
    const auto query = [&](std::uint8_t version) {
        module.withModule([&](sim::ModuleSim& m) { m.setVersion(version); });
        engine.OpState = k6link::state::VersionQuery;
        return test::TickWindowUntil(
            module, *K6Form1, [&] { return engine.OpState == 0; }, 50);
    };
    ASSERT_TRUE(query(77));
    EXPECT_EQ(engine.Version, 77);
    EXPECT_TRUE(statusShown("VONFESZ"));
    ASSERT_TRUE(query(65));
    EXPECT_EQ(engine.Version, 80) << "the filter ALL treats 6.5 as 8.0";
    EXPECT_TRUE(statusShown("VONFESZ"));
    EXPECT_EQ(K6Form1->StatusPanel(2), "Sw: 6.5") << "the module's own answer stays on show";
    module.stop();
}
