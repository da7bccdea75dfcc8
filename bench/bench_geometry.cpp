// Heights and plan points of a record filled to every capacity.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "geometry/CameraModel.h"

using namespace velmora;

namespace {

std::unique_ptr<BuildingData> FullRecord() {
    auto d = std::make_unique<BuildingData>();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> x(-394.0f, 394.0f);
    std::uniform_real_distribution<float> y(-328.0f, 328.0f);
    for (int r = 0; r < 501; ++r) {
        std::vector<PicturePoint> outline;
        const int n = r < 500 ? 4 : 1;
        for (int i = 0; i < n; ++i)
            outline.push_back({x(rng), y(rng)});
        if (AppendTopArea(*d, outline) != AppendResult::Ok)
            return nullptr;
    }
    for (int w = 0; w < 801; ++w) {
        const float top = y(rng);
        if (AppendWallEdge(*d, {x(rng), top}, {x(rng), top - 60}, static_cast<Count>(w % 501)) !=
            AppendResult::Ok)
            return nullptr;
    }
    d->gSourceHeight = 598;
    d->gFlatHeight = 126.9125f;
    d->gSlideHeight = 102;
    d->gSlideAngle = 36.51477f;
    return d;
}

void BM_HeightsAndPlanPoints(benchmark::State& state) {
    auto d = FullRecord();
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    for (auto _ : state) {
        ComputeRoofHeights(*d, 788);
        ComputeRoofPlanPoints(*d, 788);
        benchmark::DoNotOptimize(d->gFlatTopAreaX[2000]);
    }
}
BENCHMARK(BM_HeightsAndPlanPoints)->Unit(benchmark::kMicrosecond);

void BM_RoofHeights(benchmark::State& state) {
    auto d = FullRecord();
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    for (auto _ : state) {
        ComputeRoofHeights(*d, 788);
        benchmark::DoNotOptimize(d->gFlatTopHeight[500]);
    }
}
BENCHMARK(BM_RoofHeights)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
