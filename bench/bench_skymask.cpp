// SPDX-License-Identifier: GPL-3.0-or-later
// The sky mask of a receiver among the buildings of a record filled to
// every capacity, at 1 degree steps.
#include <benchmark/benchmark.h>

#include "bench/FullRecord.h"
#include "geometry/CameraModel.h"
#include "geometry/SkyMask.h"

using namespace velmora;

namespace {

void BM_SkyMaskAtCapacity(benchmark::State& state) {
    auto d = bench::FullRecord(7);
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    ComputeRoofPlanPoints(*d, 788);
    for (auto _ : state) {
        const std::vector<Footprint> footprints = NorthUpFootprints(*d);
        const SkyScene scene(footprints, {0, 0}, 1.5);
        const std::vector<double> mask = scene.Mask(1);
        benchmark::DoNotOptimize(mask.data());
    }
}
BENCHMARK(BM_SkyMaskAtCapacity)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
