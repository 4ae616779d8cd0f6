// The windows are made when first needed: at start only the start window exists, the K6 window
// follows once the start window is on screen, and a window made after the language passes looks
// exactly as it would had it existed from the start, as the design's forms did.

#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/language_pass.h"
#include "ui/on_demand_parts.h"
#include "ui/windows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

using namespace dalvex;

namespace {

// Every named control's caption, by window and control.
using Captions = std::map<QString, QString>;

Captions captionsOfAllWindows() {
    Captions out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->parentWidget() || w->objectName().isEmpty()) continue;
        out[w->objectName()] = w->windowTitle();
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (c->objectName().isEmpty()) continue;
            const QString key = w->objectName() + QLatin1Char('.') + c->objectName();
            if (auto* l = qobject_cast<QLabel*>(c)) out[key] = l->text();
            if (auto* b = qobject_cast<QAbstractButton*>(c)) out[key] = b->text();
            if (auto* g = qobject_cast<QGroupBox*>(c)) out[key] = g->title();
            if (auto* e = qobject_cast<QLineEdit*>(c)) out[key] = e->text();
        }
    }
    return out;
}

struct LazyForms : test::WindowsEnvironment {
    // The timers of the windows that exist stop: the search indicator and the engine would change
    // texts while the test reads them.
    void holdTimers() {
        if (StartWindow* s = startWindow.Existing()) {
            s->SendTimer->stop();
            s->IndicatorTimer->stop();
        }
        if (ConfigWindow* k6 = configWindow.Existing())
            for (QTimer* t : {k6->EngineTimer, k6->EngineTimer1, k6->EngineTimer2, k6->EngineTimer3, k6->EngineTimer4,
                              k6->Language})
                t->stop();
    }
    // The language passes of a first start in `language`.
    void runPasses(int language) {
        RunLanguagePass(*configWindow, i18n::Catalogue::Builtin(), language, i18n::Pass::Start);
        RunLanguagePass(*configWindow, i18n::Catalogue::Builtin(), language, i18n::Pass::Activation);
    }
};

} // namespace

TEST_F(LazyForms, OnlyTheStartWindowExistsAtStartTheK6WindowFollowsWithItsLanguageTimer) {
    CreateForms();
    EXPECT_NE(startWindow.Existing(), nullptr);
    EXPECT_EQ(configWindow.Existing(), nullptr);
    EXPECT_EQ(statusWindow.Existing(), nullptr);
    EXPECT_EQ(firmwareImages.Existing(), nullptr) << "the firmware images are read when the firmware window opens";
    EXPECT_EQ(signalChartWindow.Existing(), nullptr);
    startWindow->SendTimer->stop();
    startWindow->IndicatorTimer->stop();

    // The first activation enables the K6 window's language timer; the K6 window is made once the
    // event loop is free, and its timer runs then.
    startWindow->Activate();
    EXPECT_EQ(configWindow.Existing(), nullptr);
    ASSERT_TRUE(test::waitFor([] { return configWindow.Existing() != nullptr; }, 3000));
    EXPECT_TRUE(configWindow.Existing()->Language->isActive());
    EXPECT_EQ(statusWindow.Existing(), nullptr);

    // Used, a window is there, under its design name.
    EXPECT_EQ(statusWindow->objectName(), "TK6Form2");
    EXPECT_EQ(FindWindow(QStringLiteral("TK6Form2")), statusWindow.Existing());
}

TEST_F(LazyForms, AWindowMadeAfterTheLanguagePassesLooksAsIfItHadExistedBefore) {
    // Every window from the start, then the passes of an English start.
    CreateAllForms();
    holdTimers();
    runPasses(i18n::English);
    const Captions fromStart = captionsOfAllWindows();
    const QString statusLineVoltage = statusWindow->Texts.LineVoltage;
    const QString chartRead = signalChartWindow->Texts.Read;
    DestroyForms();

    // The K6 window alone, the same passes, then every other window, one after the other.
    CreateForms();
    configWindow.get();
    holdTimers();
    runPasses(i18n::English);
    EXPECT_EQ(statusWindow.Existing(), nullptr);
    CreateAllForms();
    const Captions madeLater = captionsOfAllWindows();

    ASSERT_EQ(fromStart.size(), madeLater.size());
    for (const auto& [control, text] : fromStart)
        EXPECT_EQ(madeLater.count(control) ? madeLater.at(control) : QStringLiteral("(missing)"), text)
            << control.toStdString();
    EXPECT_EQ(statusWindow->Texts.LineVoltage, statusLineVoltage);
    EXPECT_EQ(signalChartWindow->Texts.Read, chartRead);
    EXPECT_NE(chartRead, SignalWindowTexts{}.Read) << "the English text, not the design's";
}

TEST_F(LazyForms, NoWindowIsMadeOutsideCreateFormsAndDestroyForms) {
    // Before CreateForms() and after DestroyForms() the windows are missing, as they were then.
    EXPECT_EQ(static_cast<StatusWindow*>(statusWindow), nullptr);
    CreateForms();
    EXPECT_NE(static_cast<StatusWindow*>(statusWindow), nullptr);
    DestroyForms();
    EXPECT_EQ(static_cast<StatusWindow*>(statusWindow), nullptr);
    EXPECT_EQ(static_cast<ConfigWindow*>(configWindow), nullptr);
}

TEST_F(LazyForms, TheChartComesFromTheModuleOfOnDemandParts) {
    QString error;
    ASSERT_NE(LoadOnDemandParts(&error), nullptr) << error.toStdString();
    CreateForms();
    QWidget* chart = signalChartWindow->findChild<QWidget*>(QStringLiteral("Chart1"));
    ASSERT_NE(chart, nullptr);
    EXPECT_STREQ(chart->metaObject()->className(), "QChartView");
}
