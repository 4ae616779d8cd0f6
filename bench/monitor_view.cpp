// The monitor window's user-interface thread time for 10 MB of streamed trace text.
//
//   bench_monitor_view [megabytes] [bytes-per-batch]
//
// The window is shown (offscreen platform unless QT_QPA_PLATFORM says otherwise) and fed trace
// lines in 64-byte chunks, as the port's received-bytes events hand them over, with the event
// loop run after each chunk as it is between two port events.
//   bytes-per-batch 0 (default): the window's own batch timer puts the text into the view (every
//     100 ms) while the stream comes as fast as the thread takes it: the figure for the goal.
//   bytes-per-batch N: the view is filled and painted after every N bytes whatever the time, to
//     show what one batch costs when a slow stream brings little text per timer run.
// The figure is the CPU time of the user-interface thread for the whole stream, with the wall time
// beside it.

#include "ui/monitor_window.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace dalvex;

namespace {

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double WallSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 10;
    const long batch = argc > 2 ? std::max(0L, std::atol(argv[2])) : 0;
    const long total = megabytes * 1000 * 1000;

    std::string stream;
    stream.reserve(static_cast<std::size_t>(total) + 128);
    for (unsigned long n = 1; static_cast<long>(stream.size()) < total; ++n) {
        char line[96];
        std::snprintf(line, sizeof line, "#%06lu IN=0101 OUT=10 NET=1 GSM=0 CSQ=%lu TMP=21 CID=0 LINE=33\r\n",
                      n, n % 32);
        stream += line;
    }
    stream.resize(static_cast<std::size_t>(total));

    MonitorWindow window;
    window.Open(MonitorWindow::Mode::Monitor);
    QApplication::processEvents();

    const double cpu0 = ThreadSeconds();
    const double wall0 = WallSeconds();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());
    long sinceFlush = 0;
    for (long at = 0; at < total; at += 64) {
        const long n = std::min(64L, total - at);
        window.AsynText(std::span(bytes + at, static_cast<std::size_t>(n)));
        sinceFlush += n;
        if (batch > 0 && sinceFlush >= batch) {
            sinceFlush = 0;
            window.Flush();
        }
        QApplication::processEvents();
    }
    window.Flush();
    window.TextView->viewport()->repaint();
    QApplication::processEvents();
    const double cpu = ThreadSeconds() - cpu0;
    const double wall = WallSeconds() - wall0;

    const std::string how =
        batch > 0 ? "a batch every " + std::to_string(batch) + " bytes" : "the window's batch timer";
    std::printf("monitor view, %ld MB with %s: UI thread %.3f s CPU (%.3f s wall), %.3f ms CPU per MB, "
                "view keeps %lld characters; goal 2 s per 10 MB, ratio %.3f\n",
                megabytes, how.c_str(), cpu, wall, cpu * 1000.0 / static_cast<double>(megabytes),
                static_cast<long long>(window.ViewText().size()),
                cpu / 2.0 * 10.0 / static_cast<double>(megabytes));
    window.close();
    return 0;
}
