// The editing pages of the K6 window: widgets built from the control tables and bound to the
// window's values, the page rules, the activation defaults and the version rules.

#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"
#include "k6config/page_values.h"
#include "serial/settings.h"
#include "ui/k6pages/k6pages.h"
#include "ui/tk6form1.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dalvex;
using k6config::PageValues;

namespace {

class K6PagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit());
        window = std::make_unique<TK6Form1>();
        pages = window->Pages;
        pages->ShowMessage = [this](const QString& text) { messages.push_back(text); };
    }
    void TearDown() override { window.reset(); }

    QTemporaryDir home_;
    std::unique_ptr<TK6Form1> window;
    k6pages::K6Pages* pages = nullptr;
    std::vector<QString> messages;
};

// Screenshots of every page, for looking at: run by hand with
// ui_k6_pages_tests --gtest_also_run_disabled_tests --gtest_filter='*SaveScreenshots'
TEST_F(K6PagesTest, DISABLED_SaveScreenshots) {
    const QString dir = qEnvironmentVariable("DALVEX_SCREENSHOTS", QStringLiteral("/tmp/k6pages"));
    QDir().mkpath(dir);
    window->resize(1024, 768);
    window->show();
    for (int i = 0; i < window->PageControl1->count(); ++i) {
        window->PageControl1->setTabVisible(i, true);
        window->PageControl1->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = window->PageControl1->widget(i)->objectName();
        EXPECT_TRUE(window->grab().save(
            QStringLiteral("%1/%2_%3.png").arg(dir).arg(i, 2, 10, QLatin1Char('0')).arg(name)));
    }
}

} // namespace
