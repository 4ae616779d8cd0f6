// The log window, the signal chart and the erase menu item of the K6 window against the module
// simulator on a pseudo-terminal. The test ticks the engine itself; file dialogs and message boxes
// are answered through their hooks.

#include "k6config/cp1250.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "k6link/event_log.h"
#include "serial/async32.h"
#include "serial/settings.h"
#include "sim/faults.h"
#include "sim/history_data.h"
#include "sim/pty_module.h"
#include "startup/six_byte_frame.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/k6_file_commands.h"
#include "ui/k6_history_side.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/event_log_window.h"
#include "ui/signal_chart_window.h"

#include <QAction>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QValueAxis>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

struct HistoryWindowFixture : test::SimWindowFixture {
    QTemporaryDir files;
    QString exportPath; // what the file dialog answers

    void SetUp() override {
        test::SimWindowFixture::SetUp();
        K6FileCommands::FileDialogHook = [this](bool save, const QString&, const QStringList& filters,
                                                const QString& suffix, int&) {
            EXPECT_TRUE(save);
            EXPECT_EQ(filters, QStringList{"Excel (*.csv)"});
            EXPECT_EQ(suffix, "csv");
            return exportPath;
        };
    }

    void withModule(const std::function<void(sim::ModuleSim&)>& fn) { module.withModule(fn); }

    // Opens the log window from the menu and reads the module's log.
    void readLog() {
        configWindow->MenuItem("Naplokiolvassa1")->trigger();
        ASSERT_TRUE(eventLogWindow->isVisible());
        eventLogWindow->ReadButton->click();
        ASSERT_TRUE(runToIdle());
    }
    QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(HistoryWindowFixture, ALogOfTenRecordsFillsRowsOneToTenNewestFirst) {
    withModule([](sim::ModuleSim& m) { sim::fillLog(m, 10); });
    connect();
    configWindow->MenuItem("Naplokiolvassa1")->trigger();
    ASSERT_TRUE(eventLogWindow->isVisible());
    EXPECT_TRUE(eventLogWindow->isModal());
    EXPECT_EQ(eventLogWindow->TitleLabel->text(), "Naplo kiolvasása");
    EXPECT_EQ(eventLogWindow->RowCount(), 1) << "only the header";
    EXPECT_EQ(eventLogWindow->Cell(0, 1), "JELZÉS");
    EXPECT_EQ(eventLogWindow->Cell(0, 5), "Megjegyzés / paraméter");

    eventLogWindow->ReadButton->click();
    EXPECT_EQ(engine().OpState, k6link::state::LogStart);
    EXPECT_TRUE(eventLogWindow->Progress->isVisible());
    EXPECT_EQ(eventLogWindow->Progress->value(), 0);
    ASSERT_TRUE(runToIdle());

    ASSERT_EQ(eventLogWindow->RowCount(), 11);
    const auto codes = sim::logEventCodes();
    for (int row = 1; row <= 10; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(eventLogWindow->Cell(row, 0), QString::number(row));
        EXPECT_EQ(eventLogWindow->Cell(row, 1), k6link::LogEventText(codes[row - 1], k6link::LogTexts{}));
        if (row > 1) {
            EXPECT_LT(eventLogWindow->Cell(row, 2), eventLogWindow->Cell(row - 1, 2)) << "newest first";
        }
    }
    EXPECT_EQ(eventLogWindow->Cell(1, 1), "Be1") << "the input page's caption";
    EXPECT_EQ(eventLogWindow->Cell(1, 2), "2024.03.05.   14:07:09");
    EXPECT_FALSE(eventLogWindow->Progress->isVisible()) << "the end mark hides the progress bar";
    EXPECT_EQ(eventLogWindow->Progress->value(), 50);

    // Reading again after the module's log was erased shows an empty grid.
    withModule([](sim::ModuleSim& m) { sim::fillLog(m, 0); });
    eventLogWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(eventLogWindow->RowCount(), 1);
}

TEST_F(HistoryWindowFixture, ExportWritesTheHeaderAndOneLinePerRecord) {
    withModule([](sim::ModuleSim& m) {
        sim::fillLog(m, 2);
        // The second record's note holds a ";" and a quote.
        sim::LogEvent e{56, 2024, 3, 4, 9, 0, 0, 12, 2, "CID \"E130\";01"};
        sim::writeLogRecord(m, 1, sim::makeLogRecord(e));
    });
    connect();
    readLog();
    ASSERT_EQ(eventLogWindow->RowCount(), 3);

    exportPath = files.filePath("log.csv");
    eventLogWindow->ExportButton->click();
    EXPECT_TRUE(shown.empty());
    const QByteArray csv = fileBytes(exportPath);
    const QList<QByteArray> lines = csv.split('\n');
    ASSERT_EQ(lines.size(), 4) << csv.constData(); // three lines and the empty rest after the last
    EXPECT_EQ(lines[0],
              k6config::ToCp1250("Jelzés;Dátum;GSM térerő (0-31);Hálózat státusza;Megjegyzés/Paraméter;\r"));
    EXPECT_EQ(lines[1],
              k6config::ToCp1250("Be1;2024.03.05.   14:07:09;" + eventLogWindow->Cell(1, 3) + ";" +
                                 eventLogWindow->Cell(1, 4) + ";" + eventLogWindow->Cell(1, 5) + ";\r"));
    EXPECT_EQ(lines[2], "CID CHK ERROR;2024.03.04.   09:00:00;12;Fault:2;\"CID \"\"E130\"\";01\";\r");
    EXPECT_TRUE(lines[3].isEmpty());

    // A folder that cannot be written: a message, and the file there keeps what it held.
    exportPath = files.filePath("missing/log.csv");
    eventLogWindow->ExportButton->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains(exportPath)) << shown[0].toStdString();
    EXPECT_FALSE(QFile::exists(exportPath));
    if (geteuid() != 0) { // root writes through folder permissions
        QDir(files.path()).mkdir("locked");
        exportPath = files.filePath("locked/log.csv");
        {
            QFile old(exportPath);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        QFile::setPermissions(files.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        eventLogWindow->ExportButton->click();
        EXPECT_EQ(shown.size(), 2u);
        EXPECT_EQ(fileBytes(exportPath), "old");
        QFile::setPermissions(files.filePath("locked"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST_F(HistoryWindowFixture, StoppingEndsTheReadAndALateReplyIsIgnored) {
    withModule([](sim::ModuleSim& m) { sim::fillLog(m, 400); });
    connect();
    // The log reads the module received.
    const auto logReads = [this] {
        const std::vector<std::uint8_t> rx = module.receivedBytes();
        int n = 0;
        for (std::size_t i = 0; i + 6 <= rx.size(); ++i)
            if (SixByteFrame::isValid(std::span(rx).subspan(i, 6)) && rx[i + 1] == 8) ++n, i += 5;
        return n;
    };
    for (bool byClosing : {false, true}) {
        SCOPED_TRACE(byClosing ? "closing the window" : "Olvasás megállítása");
        configWindow->MenuItem("Naplokiolvassa1")->trigger();
        const int before = logReads();
        eventLogWindow->ReadButton->click();
        // The first command goes out; the stop comes before its reply is let in.
        for (int i = 0; i < 60 && engine().OpState != k6link::state::LogBlock; ++i)
            configWindow->EngineTick();
        ASSERT_EQ(engine().OpState, k6link::state::LogBlock);
        if (byClosing)
            eventLogWindow->close();
        else
            eventLogWindow->StopButton->click();
        EXPECT_EQ(engine().OpState, 0);
        EXPECT_FALSE(eventLogWindow->Progress->isVisible());
        EXPECT_EQ(eventLogWindow->Progress->value(), 0);
        ASSERT_TRUE(settle());
        EXPECT_EQ(logReads(), before + 1) << "the module got the command";
        runUntil([] { return false; }, 60); // its reply has come in, and ticks follow
        EXPECT_EQ(eventLogWindow->RowCount(), 1) << "the late block shows nothing";
        EXPECT_EQ(logReads(), before + 1) << "nothing more is asked for";
        runToIdle(); // a version query the K6 window's activation may have started
    }
}

TEST_F(HistoryWindowFixture, TheChartLabelsSamples24To31And56To63) {
    withModule([](sim::ModuleSim& m) { sim::fillSignal(m, 100); });
    connect();
    configWindow->MenuItem("rer1")->trigger();
    ASSERT_TRUE(signalChartWindow->isVisible());
    EXPECT_EQ(signalChartWindow->TitleLabel->text(), "Térerő");
    EXPECT_EQ(signalChartWindow->windowTitle(), "Térerő");
    signalChartWindow->ReadButton->click();
    EXPECT_EQ(engine().OpState, k6link::state::SignalRead);
    ASSERT_TRUE(runToIdle());
    ASSERT_TRUE(waitFor([] { return signalChartWindow->ShownPoints().size() == 100; }));

    // Samples are counted from 1; sample n is the point at x = n - 1.
    const QList<std::pair<QString, qreal>> expected{{"1", 23}, {"2", 55}, {"3", 87}};
    EXPECT_EQ(signalChartWindow->Labels(), expected);
    EXPECT_EQ(signalChartWindow->ShownLabels(), expected);
    EXPECT_EQ(signalChartWindow->ShownPoints(), signalChartWindow->Points());
    const QList<QPointF> points = signalChartWindow->Points();
    withModule([&](sim::ModuleSim& m) {
        for (int i = 0; i < 100; ++i) {
            ASSERT_EQ(points[i].x(), i);
            ASSERT_EQ(points[i].y(), m.memory()[sim::kSignalAddress + i]) << i;
        }
    });

    // Zoom is allowed until Button2 says otherwise; Button3 clears; "Olvasás" clears and reads.
    EXPECT_TRUE(signalChartWindow->ZoomAllowed());
    signalChartWindow->ZoomButton->click();
    EXPECT_FALSE(signalChartWindow->ZoomAllowed());
    signalChartWindow->ZoomButton->click();
    EXPECT_TRUE(signalChartWindow->ZoomAllowed());
    signalChartWindow->ClearButton->click();
    EXPECT_EQ(signalChartWindow->PointCount(), 0);
    EXPECT_TRUE(signalChartWindow->Labels().isEmpty());
    EXPECT_TRUE(signalChartWindow->ShownPoints().isEmpty());
    signalChartWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    ASSERT_TRUE(waitFor([] { return signalChartWindow->ShownPoints().size() == 100; }));
    EXPECT_EQ(signalChartWindow->Labels(), expected) << "a new read counts from 1 again";
}

TEST_F(HistoryWindowFixture, EraseWritesBothBlocksAndRestartsTheModule) {
    WriteSetting(kKey, "mode", "brisemount");
    withModule([](sim::ModuleSim& m) {
        sim::fillLog(m, 30);
        sim::fillSignal(m, 3000);
    });
    connect();
    QAction* item = configWindow->MenuItem("NaplTrerTRLSE1");
    ASSERT_TRUE(configWindow->MenuItem("KlnlegesPARANCSOK1")->isVisible());
    ASSERT_TRUE(item->isEnabled());
    const auto before = module.receivedBytes().size();
    item->trigger();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Sikeres napló és térerő törlés");
    EXPECT_TRUE(waitFor([&] {
        std::uint64_t restarts = 0;
        withModule([&](sim::ModuleSim& m) { restarts = m.restarts(); });
        return restarts == 1;
    }));

    // What went over the line: the two erasing block writes, then the restart.
    const std::vector<std::uint8_t> all = module.receivedBytes();
    const std::vector<std::uint8_t> rx(all.begin() + static_cast<long>(before), all.end());
    std::vector<std::uint8_t> expected;
    for (std::uint8_t block : {0x10, 0x30}) {
        const SixByteFrame f = SixByteFrame::make(0, 0xF6, block, 0);
        expected.insert(expected.end(), f.bytes.begin(), f.bytes.end());
        expected.insert(expected.end(), 256, 0xFF);
    }
    const SixByteFrame restart = SixByteFrame::make(0, 0xFF, 0xAA, 0);
    expected.insert(expected.end(), restart.bytes.begin(), restart.bytes.end());
    EXPECT_EQ(rx, expected);

    // Both histories read empty now.
    readLog();
    EXPECT_EQ(eventLogWindow->RowCount(), 1);
    eventLogWindow->close();
    configWindow->MenuItem("rer1")->trigger();
    signalChartWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    test::pumpFor(20);
    EXPECT_EQ(signalChartWindow->PointCount(), 0);
}

// A full memory is far wider than the plot: the series gets each pixel column's lowest and
// highest sample, and a zoom brings back every sample of its span.
TEST(SignalChart, AWideSpanShowsEachColumnsExtremesAndAZoomEverySample) {
    SignalChartWindow w;
    w.resize(900, 520);
    w.show();
    test::pumpFor(20);
    std::vector<k6link::SignalSample> samples;
    for (int n = 1; n <= 1279 * 256; ++n)
        samples.push_back(
            {static_cast<std::uint8_t>(static_cast<unsigned>(n) * 7919u % 29u), k6link::SignalLabel(n)});
    samples[200000].value = 31; // one spike must survive
    for (std::size_t b = 0; b < samples.size(); b += 256)
        w.AddSamples(std::span(samples).subspan(b, 256));
    w.Flush();
    ASSERT_EQ(w.PointCount(), 1279 * 256);
    const QList<QPointF> shown = w.ShownPoints();
    EXPECT_LT(shown.size(), 4000) << "a few points per pixel column";
    EXPECT_GT(shown.size(), 400);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
    EXPECT_TRUE(shown.contains(QPointF(200000, 31)));
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](const QPointF& p) { return p.y() == 0; }) > 0,
              true);
    EXPECT_EQ(w.Labels().size(), 1279 * 256 / 32);
    EXPECT_LT(w.ShownLabels().size(), 60) << "thinned to what the axis has room for";

    // The rubber band's zoom is a range of the x axis: its span shows every sample.
    auto* axis =
        qobject_cast<QValueAxis*>(w.findChild<QChartView*>("Chart1")->chart()->axes(Qt::Horizontal)[0]);
    ASSERT_NE(axis, nullptr);
    axis->setRange(1000, 1300);
    const QList<QPointF> zoomed = w.ShownPoints();
    ASSERT_EQ(zoomed.size(), 303) << "the span and one sample beyond each end";
    EXPECT_EQ(zoomed.front(), w.Points()[999]);
    EXPECT_EQ(w.ShownLabels().size(), 9) << "x = 32k + 23 for k = 31 .. 39";
    EXPECT_EQ(w.ShownLabels().front(), (std::pair<QString, qreal>{QString::number(1016 / 24), 1015}));

    // New samples leave the zoomed span alone; switching zoom off shows everything again.
    w.AddSamples(std::span(samples).first(10));
    w.Flush();
    EXPECT_EQ(w.ShownPoints().size(), 303);
    w.ZoomButton->click();
    EXPECT_FALSE(w.ZoomAllowed());
    EXPECT_GT(w.ShownPoints().back().x(), 327000);
}

// Every failure mode of the simulator against both reads: a reply that can't be taken is asked for
// again, without end and without a row or point of it shown; once the module answers properly the
// read completes. A log block carries no sum, so a wrong sum does not touch it.
TEST_F(HistoryWindowFixture, SpoiltRepliesAreAskedForAgainUntilTheModuleAnswers) {
    withModule([](sim::ModuleSim& m) {
        sim::fillLog(m, 6);
        sim::fillSignal(m, 300);
    });
    connect();
    configWindow->MenuItem("Naplokiolvassa1")->trigger();
    eventLogWindow->hide(); // not modal for the chart's turns
    struct Case {
        sim::Fault fault;
        bool logCompletes;
        bool signalCompletes;
    };
    const Case cases[] = {
        {sim::Fault::Silent, false, false},  {sim::Fault::Short, false, false},
        {sim::Fault::WrongSum, true, false}, {sim::Fault::Extra, false, false},
        {sim::Fault::Split, true, true},
    };
    for (const Case& c : cases) {
        for (bool log : {true, false}) {
            SCOPED_TRACE(std::string(sim::faultInfo(c.fault).name) + (log ? " log" : " signal"));
            module.setFault(c.fault);
            if (log) {
                eventLogWindow->ReadClick();
            } else {
                signalChartWindow->ClearAndReadClick();
            }
            const auto commands = [&] { return module.receivedBytes().size(); };
            const auto before = commands();
            // Long enough for the first command and two repeats (a countdown of 50 ticks each).
            runUntil([&] { return engine().OpState == 0; }, 160);
            const bool completes = log ? c.logCompletes : c.signalCompletes;
            if (completes) {
                EXPECT_EQ(engine().OpState, 0);
            } else {
                EXPECT_NE(engine().OpState, 0);
                EXPECT_GE(commands() - before, 3u * 6) << "the command is repeated";
                EXPECT_EQ(log ? eventLogWindow->RowCount() : signalChartWindow->PointCount(), log ? 1 : 0)
                    << "nothing shown";
                module.setFault(sim::Fault::None);
                ASSERT_TRUE(runToIdle());
            }
            module.setFault(sim::Fault::None);
            if (log) {
                EXPECT_EQ(eventLogWindow->RowCount(), 7);
            } else {
                EXPECT_TRUE(waitFor([] { return signalChartWindow->PointCount() == 300; }));
            }
        }
    }
}

// Pictures of the two windows with a history read from the simulator, for a look by eye:
// run with --gtest_also_run_disabled_tests; they go to $DALVEX_SCREENSHOTS (default /tmp).
TEST_F(HistoryWindowFixture, DISABLED_SaveScreenshots) {
    withModule([](sim::ModuleSim& m) {
        sim::fillLog(m, 60);
        sim::fillSignal(m, 6000);
    });
    connect();
    const QString folder = qEnvironmentVariable("DALVEX_SCREENSHOTS", QStringLiteral("/tmp"));
    readLog();
    eventLogWindow->grab().save(folder + "/dalvex-log.png");
    eventLogWindow->close();
    configWindow->MenuItem("rer1")->trigger();
    signalChartWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    waitFor([] { return signalChartWindow->ShownPoints().size() > 0; });
    test::pumpFor(200);
    signalChartWindow->grab().save(folder + "/dalvex-signal.png");
}
