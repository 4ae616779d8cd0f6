// Start-up to the start window shown, and peak resident memory, of dalvex against a bare Qt Widgets
// window program, over repeated runs taken in turns.
//
//   bench_startup [runs]      (default 30; QT_QPA_PLATFORM defaults to offscreen)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 30;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("DALVEX_QUIT_WHEN_SHOWN", "1", 1);
    // Keep the measured program away from the user's settings and real ports.
    char home[] = "/tmp/dalvex-bench-XXXXXX";
    if (!mkdtemp(home)) return 1;
    setenv("XDG_CONFIG_HOME", home, 1);
    setenv("DALVEX_PORTS", home, 1);
    setenv("XDG_RUNTIME_DIR", home, 0);

    RunOnce(DALVEX_EXE); // warm the file cache
    RunOnce(BARE_EXE);
    std::vector<double> dt, bt, lt;
    std::vector<long> dm, bm;
    for (int i = 0; i < runs; ++i) {
        const Run d = RunOnce(DALVEX_EXE);
        const Run b = RunOnce(BARE_EXE);
        const Run l = RunOnce(BARE_EXE, "label");
        dt.push_back(d.seconds);
        bt.push_back(b.seconds);
        lt.push_back(l.seconds);
        dm.push_back(d.maxRssKb);
        bm.push_back(b.maxRssKb);
    }
    const double td = Median(dt), tb = Median(bt);
    const long md = Median(dm), mb = Median(bm);
    std::printf(
        "start-up to window shown, median of %d runs: dalvex %.1f ms, bare Qt window %.1f ms, ratio %.2f\n",
        runs, td * 1e3, tb * 1e3, td / tb);
    std::printf("  (the bare window with one text label: %.1f ms; dalvex against it: %.2f)\n",
                Median(lt) * 1e3, td / Median(lt));
    std::printf("peak RSS: dalvex %ld KiB, bare Qt window %ld KiB, ratio %.2f\n", md, mb,
                static_cast<double>(md) / static_cast<double>(mb));
    std::string cleanup = std::string("rm -rf ") + home;
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
