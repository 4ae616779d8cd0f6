// DiffImages of two full images (every area a send writes, Contact ID bank included) that differ in
// 100 places, and the backup save that follows a read.
#include "k6config/backups.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/image_diff.h"
#include "rich_model.h"

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

void BM_BackupSave(benchmark::State& state) {
    QTemporaryDir dir;
    const ImageContext context{74, QStringLiteral("Telgor GSM")};
    PageValues v(K6Controls()), door(DoorPhoneControls());
    makeRich(v);
    ConfigImage image;
    EncodeConfigImage(image, v, door, context);
    CustomerFields fields;
    fields.fill(QStringLiteral("Ügyfél"));
    QDateTime when(QDate(2026, 12, 10), QTime(14, 0, 0));
    for (auto _ : state) {
        when = when.addSecs(1);
        benchmark::DoNotOptimize(
            SaveBackup(dir.path(), QStringLiteral("Varnet GSM"), 84, when, image, fields));
        PruneBackups(dir.path(), QStringLiteral("Varnet GSM"), kDefaultBackupsKept);
    }
}
BENCHMARK(BM_BackupSave)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace dalvex::k6config

BENCHMARK_MAIN();
