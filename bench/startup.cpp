// Start-up of the whole dalvex process against a bare Qt Widgets window with one text label
// (bench/bare_window.cpp), both on the offscreen platform: each program is started, shows its
// window and ends (dalvex with DALVEX_QUIT_WHEN_SHOWN=1). The two run in alternating pairs, so a
// change in the machine's load falls on both alike; the figures are the medians of the pairs' wall
// times (fork to exit) and peak resident sizes (the child's own ru_maxrss from wait4), and their
// ratios.
//
//   bench_startup [pairs]      (default 30, at least 15)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double seconds;
    long maxRssKb;
};

Run RunOnce(const char* exe, const char* arg = nullptr) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(exe, exe, arg, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", exe, status);
        std::exit(1);
    }
    return {s, usage.ru_maxrss};
}

template <typename T> T Median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char** argv) {
    const int pairs = std::max(15, argc > 1 ? std::atoi(argv[1]) : 30);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("DALVEX_QUIT_WHEN_SHOWN", "1", 1);
    // Keep the measured program away from the user's settings and real ports.
    char home[] = "/tmp/dalvex-bench-XXXXXX";
    if (!mkdtemp(home)) return 1;
    setenv("XDG_CONFIG_HOME", home, 1);
    setenv("DALVEX_PORTS", home, 1);
    setenv("XDG_RUNTIME_DIR", home, 0);

    const std::string loadBefore = LoadAverage();
    RunOnce(DALVEX_EXE); // warm the file cache
    RunOnce(BARE_EXE, "label");
    std::vector<double> dt, bt;
    std::vector<long> dm, bm;
    for (int i = 0; i < pairs; ++i) {
        // Which of the two goes first alternates as well.
        const bool dalvexFirst = i % 2 == 0;
        Run d{}, b{};
        if (dalvexFirst) d = RunOnce(DALVEX_EXE);
        b = RunOnce(BARE_EXE, "label");
        if (!dalvexFirst) d = RunOnce(DALVEX_EXE);
        dt.push_back(d.seconds);
        bt.push_back(b.seconds);
        dm.push_back(d.maxRssKb);
        bm.push_back(b.maxRssKb);
    }
    const double td = Median(dt), tb = Median(bt);
    const long md = Median(dm), mb = Median(bm);
    std::printf("whole process, start window shown then quit (offscreen), medians of %d alternating pairs,\n"
                "against the bare Qt window with one label:\n",
                pairs);
    std::printf("  start-up:  dalvex %.1f ms, bare %.1f ms, ratio %.2f (goal <= 1.25)\n", td * 1e3, tb * 1e3,
                td / tb);
    std::printf("  peak RSS:  dalvex %ld KiB, bare %ld KiB, ratio %.2f (goal <= 1.50)\n", md, mb,
                static_cast<double>(md) / static_cast<double>(mb));
    std::printf("  load average before: %s, after: %s\n", loadBefore.c_str(), LoadAverage().c_str());
    std::string cleanup = std::string("rm -rf ") + home;
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
