// SPDX-License-Identifier: GPL-3.0-or-later
// Shade-time maps: 100 buildings on 200 m x 200 m at 1 m cells, the
// winter solstice in Tokyo from 8:00 to 16:00 true solar time sampled every
// minute; the lines of equal shade time of the result.
#include <benchmark/benchmark.h>

#include <random>

#include "geometry/ShadeMap.h"

using namespace velmora;

namespace {

// A 10 x 10 block of buildings 8 ... 20 m apart: boxes and L shapes, turned,
// 3 ... 30 m high.
std::vector<Footprint> Town() {
    std::mt19937 rng(27);
    std::uniform_real_distribution<double> size(6, 14), height(3, 30), turn(0, 3.14159 / 2);
    std::vector<Footprint> out;
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
            const double cx = -90 + 20 * c, cy = -90 + 20 * r;
            const double w = size(rng) / 2, h = size(rng) / 2, a = turn(rng);
            std::vector<PlanXY> local{{-w, -h}, {w, -h}, {w, h}, {-w, h}};
            if ((r + c) % 3 == 0)
                local = {{-w, -h}, {w, -h}, {w, 0}, {0, 0}, {0, h}, {-w, h}};
            Footprint f;
            f.roof = static_cast<Count>(out.size());
            f.height = height(rng);
            for (const PlanXY& p : local)
                f.ring.push_back({cx + p.x * std::cos(a) - p.y * std::sin(a),
                                  cy + p.x * std::sin(a) + p.y * std::cos(a)});
            out.push_back(std::move(f));
        }
    return out;
}

// The sun of the winter solstice in Tokyo, at the map's default times.
std::vector<ShadeInstant> WinterInstants() {
    ShadePeriod p;
    p.year = 2025;
    p.month = 12;
    p.day = 22;
    return SampleInstants(p, {35.68, 139.77});
}

ShadeGrid Grid200() {
    ShadeGrid g;
    g.x0 = -100;
    g.y0 = -100;
    g.cell = 1;
    g.nx = 200;
    g.ny = 200;
    return g;
}

void BM_ShadeMap(benchmark::State& state) {
    const std::vector<Footprint> town = Town();
    const std::vector<ShadeInstant> instants = WinterInstants();
    const ShadeGrid g = Grid200();
    for (auto _ : state) {
        auto map = ComputeShadeMap(town, town, g, 4, instants, 1.0 / 60);
        benchmark::DoNotOptimize(map);
    }
}
BENCHMARK(BM_ShadeMap)->Unit(benchmark::kMillisecond);

// The whole run of the command's core: the sun for 480 minutes too.
void BM_ShadeMapWithSun(benchmark::State& state) {
    const std::vector<Footprint> town = Town();
    const ShadeGrid g = Grid200();
    for (auto _ : state) {
        const std::vector<ShadeInstant> instants = WinterInstants();
        auto map = ComputeShadeMap(town, town, g, 4, instants, 1.0 / 60);
        benchmark::DoNotOptimize(map);
    }
}
BENCHMARK(BM_ShadeMapWithSun)->Unit(benchmark::kMillisecond);

void BM_ContourLines(benchmark::State& state) {
    const std::vector<Footprint> town = Town();
    const std::vector<ShadeInstant> instants = WinterInstants();
    const ShadeGrid g = Grid200();
    const ShadeMap map = *ComputeShadeMap(town, town, g, 4, instants, 1.0 / 60);
    for (auto _ : state)
        for (const double level : {2.0, 3.0, 4.0, 5.0}) {
            auto lines = LevelLines(map.hours, g, level);
            benchmark::DoNotOptimize(lines);
        }
}
BENCHMARK(BM_ContourLines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
