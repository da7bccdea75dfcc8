// SPDX-License-Identifier: GPL-3.0-or-later
// Reading buildings from a large map file through a box around one
// receiver: a GeoPackage of 250 000 buildings (a 15 km square of 10 m
// blocks, written once), read within 1000 m. The spatial index keeps the
// time near that of the few thousand buildings in the box, not of the file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "gis/GeoPackage.h"
#include "gis/GisBuildings.h"

using namespace velmora;
using namespace velmora::gis;

namespace {

constexpr double kLat = 35, kLon = 139;

const std::string& BigFile() {
    static const std::string path = [] {
        const std::string p = "/tmp/velmora-bench-gisread.gpkg";
        constexpr int kSide = 500;
        std::vector<PlanXY> corners;
        std::vector<BuildingPolygon> buildings;
        for (int i = 0; i < kSide; ++i)
            for (int j = 0; j < kSide; ++j) {
                const double x = (i - kSide / 2) * 30.0, y = (j - kSide / 2) * 30.0;
                BuildingPolygon b;
                b.roof = 0;
                b.height = 5 + (i * kSide + j) % 30;
                Ring ring =
                    PlanToLonLat({{x, y}, {x + 10, y}, {x + 10, y + 10}, {x, y + 10}}, kLat, kLon);
                ring.push_back(ring.front());
                b.parts.push_back(std::move(ring));
                buildings.push_back(std::move(b));
            }
        std::ofstream(p, std::ios::binary) << GeoPackageBytes(buildings);
        return p;
    }();
    return path;
}

void BM_ReadWithinBox(benchmark::State& state) {
    const std::string& path = BigFile();
    GisReadOptions o;
    o.latitude = kLat;
    o.longitude = kLon;
    const std::vector<PlanXY> at{{20, 20}};
    o.bbox = BoxAround(at, 1000, kLat, kLon);
    std::size_t read = 0;
    for (auto _ : state) {
        const GisRead r = ReadGisBuildings(path, o);
        read = r.buildings.size();
        benchmark::DoNotOptimize(r.buildings.data());
    }
    state.counters["buildings"] = static_cast<double>(read);
}
BENCHMARK(BM_ReadWithinBox)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
