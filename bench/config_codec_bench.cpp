// EncodeConfigImage followed by DecodeConfigImage of a model with every value set.
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "rich_model.h"

#include <benchmark/benchmark.h>

namespace dalvex::k6config {
namespace {

void BM_EncodeDecodeFullModel(benchmark::State& state) {
    ImageContext context;
    context.moduleType = 74;
    PageValues k6(K6Controls()), door(DoorPhoneControls());
    makeRich(k6);
    makeRich(door);
    PageValues back(K6Controls()), backDoor(DoorPhoneControls());
    ConfigImage image;
    for (auto _ : state) {
        EncodeConfigImage(image, k6, door, context);
        DecodeConfigImage(image, back, backDoor, context);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_EncodeDecodeFullModel)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace dalvex::k6config

BENCHMARK_MAIN();
