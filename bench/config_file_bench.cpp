// Save and open of a full configuration file (4,065,024 bytes): median time of each.
//
//   bench_config_file [runs]    (default 50; the file goes to a temporary folder)

#include "k6config/config_file.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace dalvex::k6config;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.dat"));
    ConfigImage image;
    for (std::uint32_t a = 0; a < ConfigImage::kSize; a += 13)
        image.set(a, static_cast<std::uint8_t>(a));
    const CustomerFields fields = {"Ügyfél", "Cím", "+36301234567", "Központ", "Telgor GSM", "2026.12.09"};

    std::vector<double> save, open;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        if (!SaveConfigFile(path, image, fields)) return 1;
        save.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        ConfigImage back;
        CustomerFields f;
        t0 = Clock::now();
        if (!OpenConfigFile(path, back, f)) return 1;
        open.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(save.begin(), save.end());
    std::sort(open.begin(), open.end());
    std::printf("configuration file, %d runs: save median %.2f ms, open median %.2f ms (goal 50 ms each)\n",
                runs, save[save.size() / 2], open[open.size() / 2]);
    return 0;
}
