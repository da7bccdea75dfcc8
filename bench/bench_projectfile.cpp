// SPDX-License-Identifier: GPL-3.0-or-later
// Write and read back a record filled to every capacity.
#include <benchmark/benchmark.h>

#include "bench/FullRecord.h"

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "data/ProjectFile.h"

using namespace velmora;

namespace {

std::unique_ptr<BuildingData> FullRecord() {
    return bench::FullRecord(42);
}

std::filesystem::path TempFile() {
    std::random_device rd;
    return std::filesystem::temp_directory_path() /
           ("velmora-bench-" + std::to_string(rd()) + ".dat");
}

void BM_ProjectFileRoundTrip(benchmark::State& state) {
    auto d = FullRecord();
    auto back = std::make_unique<BuildingData>();
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    const ViewGeometry view{657, 788, -13, -3};
    const std::string path = TempFile().string();
    for (auto _ : state) {
        if (!WriteProjectFile(*d, view, path).ok) {
            state.SkipWithError("write failed");
            break;
        }
        ViewGeometry viewBack;
        if (!ReadProjectFile(*back, path, viewBack).ok) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(back->gWallEdgeNumber);
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_ProjectFileRoundTrip)->Unit(benchmark::kMillisecond);

void BM_ProjectFileText(benchmark::State& state) {
    auto d = FullRecord();
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ProjectFileText(*d, {657, 788, -13, -3}));
}
BENCHMARK(BM_ProjectFileText)->Unit(benchmark::kMicrosecond);

void BM_ProjectFileParse(benchmark::State& state) {
    auto d = FullRecord();
    auto back = std::make_unique<BuildingData>();
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    const std::string text = ProjectFileText(*d, {657, 788, -13, -3});
    for (auto _ : state) {
        ViewGeometry view;
        benchmark::DoNotOptimize(ReadProjectText(*back, text, view).ok);
    }
}
BENCHMARK(BM_ProjectFileParse)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
