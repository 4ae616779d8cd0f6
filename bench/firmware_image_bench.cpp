// Conversion of one image from its hexadecimal text into the download buffer, as the first tick
// after "Download Start" does it: the file read and checked against its manifest line, the buffer
// cleared, the text converted.
#include "k6media/firmware_image.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace dalvex::k6media {
namespace {

FirmwareData StandinData() {
    setenv(kStandinSwitch, "1", 1);
    return FirmwareData(QStringList{QStringLiteral(DALVEX_STANDIN_FIRMWARE_DIR)});
}

void BM_ReadCheckAndConvertImage(benchmark::State& state) {
    FirmwareData data = StandinData();
    data.FirmwareSlot = 13;
    for (auto _ : state) {
        const PreparedImage image = data.ConvertSlot();
        if (!image.ok()) state.SkipWithError("no stand-in image for slot 13");
        benchmark::DoNotOptimize(data.FirmwareImage.data());
    }
}
BENCHMARK(BM_ReadCheckAndConvertImage)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The conversion alone, of a text already in memory with its lines joined by CR LF.
void BM_ConvertText(benchmark::State& state) {
    QFile file(QStringLiteral(DALVEX_STANDIN_FIRMWARE_DIR "/standin-slot13.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no stand-in image for slot 13");
        return;
    }
    const QByteArray text = JoinFirmwareLines(file.readAll());
    std::vector<std::uint8_t> image(kFirmwareImageSize, 0);
    for (auto _ : state) {
        const std::size_t n =
            ConvertFirmwareText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), image);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ConvertText)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
} // namespace dalvex::k6media

BENCHMARK_MAIN();
