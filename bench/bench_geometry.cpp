// SPDX-License-Identifier: GPL-3.0-or-later
// Heights and plan points of a record filled to every capacity.
#include <benchmark/benchmark.h>

#include "bench/FullRecord.h"

#include <memory>
#include <random>

#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"

using namespace velmora;

namespace {

std::unique_ptr<BuildingData> FullRecord() {
    return bench::FullRecord(7);
}

void BM_HeightsAndPlanPoints(benchmark::State& state) {
    auto d = FullRecord();
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    for (auto _ : state) {
        ComputePlanState(*d, 788);
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
