// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS map of a block: 200 m x 200 m at 2 m cells (10,201 receivers),
// 24 h at 60 s, G+R+J, 100 buildings, on every core; beside it the single
// point over the same day, and smaller variants that show how the time
// grows with cells, epochs and buildings.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

#include "predict/GnssMap.h"

using namespace velmora;

namespace {

// `count` box buildings (of 100 at most) on a 10 x 10 pattern at 20 m
// pitch, 12 m wide, 10 ... 40 m tall.
std::vector<Footprint> Block(int count) {
    std::vector<Footprint> out;
    for (int k = 0; k < count; ++k) {
        const int i = k % 10, j = k / 10;
        const double x = -96 + 20.0 * i, y = -96 + 20.0 * j;
        Footprint f;
        f.roof = static_cast<Count>(k);
        f.ring = {{x, y}, {x + 12, y}, {x + 12, y + 12}, {x, y + 12}};
        f.height = 10 + 7.5 * ((i * 3 + j * 7) % 5);
        out.push_back(std::move(f));
    }
    return out;
}

predict::GnssMapRequest Request(double half, double cell, int step) {
    predict::GnssMapRequest r;
    gnss::PredictionSettings& s = r.gnss.settings;
    s = predict::DefaultGnssSettings();
    s.latitude = 35.6812;
    s.longitude = 139.7671;
    s.groundHeight = 40;
    s.start = 1351641600; // 2012-10-31T00:00:00Z
    s.hours = 24;
    s.step = step;
    s.systems = "GRJ";
    const std::string dir = VELMORA_GNSS_DATA;
    r.gnss.nav = {dir + "/brdc3050.12n", dir + "/brdc3050.12g", dir + "/brdc3050.12q"};
    r.x0 = r.y0 = -half;
    r.x1 = r.y1 = half;
    r.cell = cell;
    return r;
}

// Args: half the area's side (m), cell (cm), step (s), buildings.
void BM_GnssMap(benchmark::State& state) {
    const std::vector<Footprint> plan = Block(static_cast<int>(state.range(3)));
    const predict::GnssMapRequest r =
        Request(static_cast<double>(state.range(0)), static_cast<double>(state.range(1)) / 100,
                static_cast<int>(state.range(2)));
    for (auto _ : state) {
        predict::Feedback f;
        const auto map = predict::RunGnssMap(plan, r, f);
        if (!map) {
            state.SkipWithError("no map");
            return;
        }
        state.counters["cells"] =
            static_cast<double>(map->grid.columns) * static_cast<double>(map->grid.rows);
        state.counters["epochs"] = static_cast<double>(map->epochs);
        benchmark::DoNotOptimize(map->bands[0].data());
    }
}
// The target.
BENCHMARK(BM_GnssMap)
    ->Args({100, 200, 60, 100})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
// Cells: 51 x 51 and 26 x 26 of the same block.
BENCHMARK(BM_GnssMap)
    ->Args({100, 400, 240, 100})
    ->Args({100, 800, 240, 100})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
// Epochs: 60, 120 and 240 s steps on 26 x 26 cells.
BENCHMARK(BM_GnssMap)
    ->Args({100, 800, 60, 100})
    ->Args({100, 800, 120, 100})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
// Buildings: 25 and 50 of them on 26 x 26 cells at 240 s.
BENCHMARK(BM_GnssMap)
    ->Args({100, 800, 240, 25})
    ->Args({100, 800, 240, 50})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

// The point prediction of the gnss command over the same day.
void BM_GnssPoint(benchmark::State& state) {
    const std::vector<Footprint> plan = Block(100);
    predict::GnssRequest r = Request(100, 2, 60).gnss;
    r.settings.at = {-98, -98};
    for (auto _ : state) {
        predict::Feedback f;
        const auto run = predict::RunGnss(plan, r, f);
        benchmark::DoNotOptimize(&run);
    }
}
BENCHMARK(BM_GnssPoint)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
