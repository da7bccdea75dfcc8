// SPDX-License-Identifier: GPL-3.0-or-later
// A day of satellites at 30 s steps, GPS + GLONASS + QZSS from the 2012
// broadcast files, seen from a receiver among 100 buildings: reading the
// files and the whole prediction.
//   bench_gnss --write-town PATH   writes the 100-building project file the
//                                  command-line timing uses, and stops.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "data/BuildingData.h"
#include "data/ProjectFile.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"
#include "gnss/Prediction.h"

using namespace velmora;

namespace {

constexpr float kPictureWidth = 1000;

// 100 box roofs, 10 x 10 in the picture, each with one wall line; view
// values of sample data 2.
std::unique_ptr<BuildingData> Town() {
    auto d = std::make_unique<BuildingData>();
    d->gSourceHeight = 598;
    d->gFlatHeight = 126.9125f;
    d->gSlideHeight = 102;
    d->gSlideAngle = 36.51477f;
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            const float x = -380.0f + 74.0f * static_cast<float>(i);
            const float y = -300.0f + 62.0f * static_cast<float>(j);
            const std::vector<PicturePoint> box{
                {x, y}, {x + 44, y}, {x + 44, y + 30}, {x, y + 30}, {x, y}};
            if (AppendTopArea(*d, box) != AppendResult::Ok)
                return nullptr;
            const Count roof = static_cast<Count>(i * 10 + j);
            if (AppendWallEdge(*d, {x, y}, {x, y - 40.0f - static_cast<float>((i + j) % 5) * 12},
                               roof) != AppendResult::Ok)
                return nullptr;
        }
    ComputePlanState(*d, kPictureWidth);
    return d;
}

const char* const kData = VELMORA_GNSS_DATA;

gnss::PredictionSettings Day() {
    gnss::PredictionSettings s;
    s.latitude = 35.6812;
    s.longitude = 139.7671;
    s.groundHeight = 40;
    s.at = {0.5, 0.5};
    s.start = 1351641600; // 2012-10-31T00:00:00Z
    s.hours = 24;
    s.step = 30;
    s.systems = "GRJ";
    return s;
}

std::vector<std::string> Files() {
    const std::string dir = kData;
    return {dir + "/brdc3050.12n", dir + "/brdc3050.12g", dir + "/brdc3050.12q"};
}

void BM_GnssReadFiles(benchmark::State& state) {
    for (auto _ : state) {
        const gnss::Ephemerides e = gnss::Ephemerides::FromNav(Files());
        benchmark::DoNotOptimize(&e);
    }
}
BENCHMARK(BM_GnssReadFiles)->Unit(benchmark::kMillisecond);

void BM_GnssDayAmong100Buildings(benchmark::State& state) {
    const auto town = Town();
    const gnss::Buildings b = gnss::MeasuredBuildings(NorthUpFootprints(*town));
    if (b.prisms.size() != 100) {
        state.SkipWithError("the town lacks buildings");
        return;
    }
    const gnss::Ephemerides e = gnss::Ephemerides::FromNav(Files());
    for (auto _ : state) {
        const gnss::Prediction p = gnss::Predict(e, b.prisms, Day());
        benchmark::DoNotOptimize(p.epochs.data());
        state.counters["blocked_share"] = [&] {
            double above = 0, seen = 0;
            for (const auto& ep : p.epochs) {
                above += ep.aboveMask;
                seen += ep.visible;
            }
            return 1 - seen / above;
        }();
    }
}
BENCHMARK(BM_GnssDayAmong100Buildings)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-town") == 0) {
        auto town = Town();
        if (!town)
            return 1;
        return WriteProjectFile(*town, {804, kPictureWidth + 4, 0, 0}, argv[2]).ok ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
