// Write and read back a record filled to every capacity.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "data/ProjectFile.h"

using namespace velmora;

namespace {

// 500 roofs of 4 points and one of 1 fill the 2001 points and 501 roofs;
// 801 wall lines fill the wall table.
std::unique_ptr<BuildingData> FullRecord() {
    auto d = std::make_unique<BuildingData>();
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> x(-394.0f, 394.0f);
    std::uniform_real_distribution<float> y(-328.0f, 328.0f);
    for (int r = 0; r < 501; ++r) {
        std::vector<PicturePoint> outline;
        const int n = r < 500 ? 4 : 1;
        for (int i = 0; i < n; ++i)
            outline.push_back({x(rng), y(rng)});
        if (AppendTopArea(*d, outline) != AppendResult::Ok)
            return nullptr;
        d->gFlatTopHeight[static_cast<std::size_t>(r)] = 26.3f;
    }
    for (int w = 0; w < 801; ++w)
        if (AppendWallEdge(*d, {x(rng), y(rng)}, {x(rng), y(rng)}, static_cast<Count>(w % 501)) !=
            AppendResult::Ok)
            return nullptr;
    d->gSourceHeight = 598;
    d->gFlatHeight = 126.9125f;
    d->gSlideHeight = 102;
    d->gSlideAngle = 36.51477f;
    return d;
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
