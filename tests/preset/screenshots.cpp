// The README's pictures: the start window with the demo module found, and the K6 window after
// reading it. Not a check: scripts/screenshots runs it under a virtual X server (so that fonts
// render as on a desktop) with DALVEX_SCREENSHOTS naming the folder the PNG files go to.

#include "k6link/engine.h"
#include "serial/settings.h"
#include "sim/presets.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

bool save(QWidget* window, const QString& folder, const QString& name) {
    waitFor([] { return false; }, 300); // layouts and paint events settle
    const QPixmap picture = window->grab();
    const QString path = QDir(folder).filePath(name);
    std::printf("%s %dx%d\n", qPrintable(path), picture.width(), picture.height());
    return picture.save(path, "PNG");
}

TEST(Screenshots, StartWindowAndK6WindowAfterARead) {
    const QString folder = qEnvironmentVariable("DALVEX_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "DALVEX_SCREENSHOTS names the folder of the pictures";
    ASSERT_TRUE(QDir().mkpath(folder));

    QTemporaryDir home, data, ports;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
    setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
    WriteSetting(kKey, QStringLiteral("Language"), QStringLiteral("0"));
    ConfigWindow::MessageBoxHook = [](const QString&, QMessageBox::StandardButtons) { return QMessageBox::Ok; };

    sim::PtyModule module;
    ASSERT_TRUE(module.start()) << module.error();
    std::string error;
    module.withModule([&](sim::ModuleSim& m) {
        m.setTypeCode(74);
        ASSERT_TRUE(sim::applyPreset(m, sim::Preset::Demo, &error)) << error;
    });
    ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();

    // The start window finds the module.
    CreateForms();
    startWindow->SendTimer->stop();
    startWindow->IndicatorTimer->stop();
    for (QTimer* t : {configWindow->EngineTimer, configWindow->EngineTimer1, configWindow->EngineTimer2,
                      configWindow->EngineTimer3, configWindow->EngineTimer4})
        t->stop();
    startWindow->Activate();
    for (int i = 0; i < 12 && !startWindow->StartButton->isEnabled(); ++i) {
        startWindow->SendTick();
        test::SettleWindowsLine(module);
    }
    ASSERT_TRUE(startWindow->StartButton->isEnabled());
    EXPECT_TRUE(save(startWindow, folder, QStringLiteral("start-window.png")));

    // "Indít", the version query, then "Olvasás".
    startWindow->StartButton->click();
    startWindow->HandOverTick();
    ASSERT_TRUE(configWindow->isVisible());
    waitFor([&] { return configWindow->isActiveWindow(); }, 1000);
    configWindow->Activate();
    startWindow->SendTick();
    // The size first: a tab bar laid out for a narrower window would keep its scroll position.
    configWindow->resize(1000, 720);
    waitFor([] { return configWindow->size() == QSize(1000, 720); }, 2000);
    k6link::Engine& engine = configWindow->Engine();
    auto runToIdle = [&] {
        return test::TickWindowUntil(
            module, *configWindow, [&] { return engine.OpState == 0; }, 2000);
    };
    ASSERT_TRUE(runToIdle());
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    for (const auto& [tab, name] :
         {std::pair{"Telefonszámok", "k6-window.png"}, std::pair{"Be1", "k6-input.png"}}) {
        for (int i = 0; i < configWindow->PageTabs->count(); ++i)
            if (configWindow->PageTabs->tabText(i) == QString::fromUtf8(tab))
                configWindow->PageTabs->setCurrentIndex(i);
        EXPECT_EQ(configWindow->PageTabs->tabText(configWindow->PageTabs->currentIndex()),
                  QString::fromUtf8(tab));
        EXPECT_TRUE(save(configWindow, folder, QString::fromLatin1(name)));
    }

    DestroyForms();
    ConfigWindow::MessageBoxHook = nullptr;
    module.stop();
}

// The wiring window and a page with its help, in German and in Czech, for looking at whether the
// pictures and the help speak the language.
TEST(Screenshots, WiringAndHelpInGermanAndCzech) {
    const QString folder = qEnvironmentVariable("DALVEX_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "DALVEX_SCREENSHOTS names the folder of the pictures";
    ASSERT_TRUE(QDir().mkpath(folder));
    QTemporaryDir home, ports;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
    ConfigWindow::MessageBoxHook = [](const QString&, QMessageBox::StandardButtons) { return QMessageBox::Ok; };
    for (const auto& [language, code] : {std::pair{"2", "de"}, std::pair{"7", "cs"}}) {
        WriteSetting(kKey, QStringLiteral("Language"), QString::fromLatin1(language));
        CreateForms();
        startWindow->SendTimer->stop();
        startWindow->IndicatorTimer->stop();
        startWindow->Activate();
        startWindow->TryOutClick(74);
        startWindow->HandOverTick();
        configWindow->Activate();
        configWindow->resize(1000, 760);
        configWindow->PageTabs->setCurrentWidget(configWindow->Page(QStringLiteral("TabSheet1")));
        EXPECT_TRUE(save(configWindow, folder, QStringLiteral("help-%1.png").arg(QLatin1String(code))));
        QWidget* wiring = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("TK6Form4")) wiring = w;
        ASSERT_NE(wiring, nullptr);
        wiring->resize(900, 640);
        wiring->show();
        EXPECT_TRUE(save(wiring, folder, QStringLiteral("wiring-%1.png").arg(QLatin1String(code))));
        DestroyForms();
    }
    ConfigWindow::MessageBoxHook = nullptr;
}

} // namespace
