// DiffImages of two full images (every area a send writes, Contact ID bank included) that differ in
// 100 places, and the backup save that follows a read.
#include "k6config/backups.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/image_diff.h"
#include "rich_model.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace dalvex::k6config {
namespace {

void BM_DiffImagesWith100Differences(benchmark::State& state) {
    const ImageContext context{74, QStringLiteral("Telgor GSM")};
    PageValues v(K6Controls()), door(DoorPhoneControls());
    makeRich(v);
    ConfigImage before, after;
    EncodeConfigImage(before, v, door, context);
    for (int r = 1; r <= 100; ++r)
        v.setCell("StringGrid3", r, 1, QStringLiteral("Changed %1").arg(r));
    EncodeConfigImage(after, v, door, context);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = DiffImages(before, after, context).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_DiffImagesWith100Differences)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A backup saved after a read, with the pruning that follows it, in a folder that fills up to the
// 200 kept: of the rich model and of a demo preset (a programmed module as the simulator holds it).
// "bytes" is the size of one backup on disk.
void BM_BackupSave(benchmark::State& state, bool demo) {
    QTemporaryDir dir;
    ConfigImage image;
    CustomerFields fields;
    fields.fill(QStringLiteral("Ügyfél"));
    if (demo) {
        if (!OpenConfigFile(QStringLiteral(DALVEX_DEMO_PRESET), image, fields)) {
            state.SkipWithError("demo preset missing");
            return;
        }
    } else {
        const ImageContext context{74, QStringLiteral("Telgor GSM")};
        PageValues v(K6Controls()), door(DoorPhoneControls());
        makeRich(v);
        EncodeConfigImage(image, v, door, context);
    }
    QDateTime when(QDate(2026, 12, 10), QTime(14, 0, 0));
    QString saved;
    for (auto _ : state) {
        when = when.addSecs(1);
        benchmark::DoNotOptimize(
            SaveBackup(dir.path(), QStringLiteral("Varnet GSM"), 84, when, image, fields, &saved));
        PruneBackups(dir.path(), QStringLiteral("Varnet GSM"), BackupLimits{}, saved);
    }
    state.counters["bytes"] = static_cast<double>(QFileInfo(saved).size());
}
BENCHMARK_CAPTURE(BM_BackupSave, rich, false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_BackupSave, demo, true)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace dalvex::k6config

BENCHMARK_MAIN();
