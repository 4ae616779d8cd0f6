// Replays a fuzz target's seed corpus through its core, so that an input that once broke a
// target is tried again in every test run: `fuzz_replay TARGET FOLDER`.
// `fuzz_replay --every-state FOLDER` feeds the engine target's hand-made seeds (not the ones a
// fuzz run found) to every registered state in turn, whatever state the seed names.
#include "fuzz/fuzz_targets.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_replay TARGET FOLDER\n");
        return 2;
    }
    const std::string name = argv[1];
    const bool everyState = name == "--every-state";
    const auto* target = std::find_if(
        std::begin(dalvex::fuzz::kTargets), std::end(dalvex::fuzz::kTargets),
        [&](const dalvex::fuzz::Target& t) { return t.name == (everyState ? "engine_receive" : name); });
    if (target == std::end(dalvex::fuzz::kTargets)) {
        std::fprintf(stderr, "no fuzz target %s\n", name.c_str());
        return 2;
    }
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2], ec))
        if (entry.is_regular_file() &&
            !(everyState && entry.path().filename().string().starts_with("found_")))
            files.push_back(entry.path());
    if (ec || files.empty()) {
        // A missing corpus would make the test pass without trying anything.
        std::fprintf(stderr, "no seeds in %s\n", argv[2]);
        return 1;
    }
    std::sort(files.begin(), files.end());
    const std::size_t states = everyState ? dalvex::fuzz::EngineStateCount() : 0;
    if (everyState) std::printf("%zu registered states\n", states);
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
        std::printf("%s (%zu bytes)\n", path.filename().c_str(), data.size());
        std::fflush(stdout);
        if (!everyState) {
            target->run(data);
            continue;
        }
        std::vector<std::uint8_t> input = data;
        if (input.size() < 2) input.resize(2);
        for (std::size_t state = 0; state < states; ++state) {
            input[0] = static_cast<std::uint8_t>(state & 0xFF);
            input[1] = static_cast<std::uint8_t>(state >> 8);
            target->run(input);
        }
    }
    std::printf("%zu seeds replayed\n", files.size());
    return 0;
}
