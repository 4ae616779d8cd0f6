// What the log window and the signal chart cost the user-interface thread for a full memory:
// 16384 log records and 327424 signal samples, fed straight into the windows' update paths a
// block at a time (4 records, 256 samples), as the engine hands them over, and shown (the window
// painted offscreen).
//
//   QT_QPA_PLATFORM=offscreen bench_history_ui [runs]     (default 5; the median is reported)
//
// Two ways of arriving for each: all blocks before the event loop turns (the data faster than the
// screen), and one event-loop turn with a repaint after every block (the data over the line, one
// block per reply; the total is what the whole read costs the thread).

#include "bench/bench_support.h"
#include "ui/event_log_window.h"
#include "ui/signal_chart_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace dalvex;

namespace {

constexpr int kRecords = 16384;
constexpr int kSamples = 1279 * 256;

std::vector<k6link::LogRow> Rows() {
    std::vector<k6link::LogRow> rows;
    rows.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i)
        rows.push_back({QStringLiteral("Bejövő hívás azonosítva"), QStringLiteral("2024.03.05.   14:07:09"),
                        QString::number(i % 32), QStringLiteral("Csatlakozva"),
                        QStringLiteral("+36301234567 note %1").arg(i)});
    return rows;
}

std::vector<k6link::SignalSample> Samples() {
    std::vector<k6link::SignalSample> s;
    s.reserve(kSamples);
    for (int i = 1; i <= kSamples; ++i)
        s.push_back({static_cast<std::uint8_t>((i / 7) % 32), k6link::SignalLabel(i)});
    return s;
}

void Show(QWidget& w) {
    w.show();
    QApplication::processEvents();
    w.repaint();
}

// One run: the time from the first block to the window shown with the last, and with a turn of
// the event loop per block, the mean time of a block at the start and at the end of the run.
struct Run {
    double total = 0;
    double firstBlocks = 0; // ms per block, first tenth
    double lastBlocks = 0;  // ms per block, last tenth
};

template <typename Window, typename Feed> Run Blocks(Window& w, int blocks, bool turnPerBlock, Feed feed) {
    Show(w);
    QElapsedTimer t, block;
    t.start();
    const int tenth = std::max(1, blocks / 10);
    double first = 0, last = 0;
    for (int b = 0; b < blocks; ++b) {
        block.start();
        feed(b);
        if (turnPerBlock) QApplication::processEvents();
        const double ms = block.nsecsElapsed() / 1e6;
        if (b < tenth) first += ms;
        if (b >= blocks - tenth) last += ms;
    }
    QApplication::processEvents();
    w.repaint();
    return {t.nsecsElapsed() / 1e9, first / tenth, last / tenth};
}

Run LogRun(const std::vector<k6link::LogRow>& rows, bool turnPerBlock) {
    EventLogWindow w;
    const Run r = Blocks(w, kRecords / 4, turnPerBlock, [&](int b) {
        w.SetRows(b * 4 + 1, std::span(rows).subspan(static_cast<std::size_t>(b) * 4, 4));
    });
    if (w.RowCount() != kRecords + 1) std::exit(1);
    return r;
}

Run ChartRun(const std::vector<k6link::SignalSample>& samples, bool turnPerBlock) {
    SignalChartWindow w;
    const Run r = Blocks(w, kSamples / 256, turnPerBlock, [&](int b) {
        w.AddSamples(std::span(samples).subspan(static_cast<std::size_t>(b) * 256, 256));
        if (b == kSamples / 256 - 1) w.Flush(); // the last update is not left to the timer
    });
    if (w.PointCount() != kSamples) std::exit(1);
    return r;
}

// A repaint of the window with nothing new, for comparison.
template <typename Window> double IdleRepaint() {
    Window w;
    Show(w);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 20; ++i)
        w.repaint();
    return t.nsecsElapsed() / 1e6 / 20;
}

template <typename F> Run Median(int runs, F f) {
    std::vector<Run> v;
    for (int i = 0; i < runs; ++i)
        v.push_back(f());
    std::sort(v.begin(), v.end(), [](const Run& x, const Run& y) { return x.total < y.total; });
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto rows = Rows();
    const auto samples = Samples();
    const auto report = [](const char* what, double s, double goal) {
        std::printf("%-44s %7.3f s (goal %.1f s, ratio %.2f)\n", what, s, goal, s / goal);
        std::fflush(stdout);
    };
    const auto perBlock = [](const char* what, const Run& r, double wireMs) {
        std::printf("%-44s %7.3f s; per block %.2f ms first, %.2f ms last (%.0f%% of a block's wire time at "
                    "9600 baud)\n",
                    what, r.total, r.firstBlocks, r.lastBlocks, 100.0 * r.lastBlocks / wireMs);
        std::fflush(stdout);
    };
    report("log grid, 16384 rows, all at once", Median(runs, [&] { return LogRun(rows, false); }).total, 0.5);
    report("chart, 327424 samples, all at once", Median(runs, [&] { return ChartRun(samples, false); }).total,
           1.0);
    perBlock("log grid, 16384 rows, event loop per block", Median(1, [&] { return LogRun(rows, true); }),
             262 * 10.0 / 9.6);
    perBlock("chart, 327424 samples, event loop per block",
             Median(1, [&] { return ChartRun(samples, true); }), 263 * 10.0 / 9.6);
    std::printf("idle repaint: log window %.2f ms, chart window %.2f ms\n", IdleRepaint<EventLogWindow>(),
                IdleRepaint<SignalChartWindow>());
    return 0;
}
