// Conversion of one carried image from its hexadecimal text into the download buffer, as the
// first tick after "Download Start" does it (the buffer cleared, then the text converted).
#include "k6media/firmware_image.h"

#include <benchmark/benchmark.h>

namespace dalvex::k6media {
namespace {

void BM_ConvertImage(benchmark::State& state) {
    FirmwareData data;
    data.FirmwareSlot = 13;
    for (auto _ : state) {
        const auto n = data.ConvertSlot();
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(data.FirmwareImage.data());
    }
}
BENCHMARK(BM_ConvertImage)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The same with the image's lines joined by CR LF first, for a build that keeps the text as lines.
void BM_JoinAndConvertImage(benchmark::State& state) {
    FirmwareData data;
    const QByteArray lines = QByteArray(data.Text(13)).replace("\r\n", "\n");
    for (auto _ : state) {
        data.SetText(13, lines);
        data.FirmwareSlot = 13;
        const auto n = data.ConvertSlot();
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_JoinAndConvertImage)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
} // namespace dalvex::k6media

BENCHMARK_MAIN();
