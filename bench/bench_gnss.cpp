// SPDX-License-Identifier: GPL-3.0-or-later
// A day of satellites at 30 s steps, GPS + GLONASS + QZSS from the 2012
// broadcast files, seen from a receiver among 100 buildings: reading the
// files and the whole prediction. Beside it: two-line elements through
// SGP4/SDP4, and reflections off the buildings' faces.
//   bench_gnss --write-town PATH   writes the 100-building project file the
//                                  command-line timing uses, and stops.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "data/BuildingData.h"
#include "data/ProjectFile.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"
#include "gnss/Prediction.h"
#include "gnss/Reflections.h"
#include "gnss/Sgp4.h"

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

// Every GNSS element set of the test data through SGP4/SDP4 for a day at
// 30 s steps, starting at the elements' epoch.
std::vector<gnss::Sgp4> GnssModels(const std::string& only = {}) {
    std::ifstream in(std::string(VELMORA_GNSS_DATA) + "/TLE_GNSS_20121101.txt");
    std::vector<gnss::Sgp4> out;
    std::string line, name, first;
    while (std::getline(in, line)) {
        if (line.rfind("1 ", 0) == 0)
            first = line;
        else if (line.rfind("2 ", 0) == 0 && !first.empty()) {
            if (only.empty() || name.rfind(only, 0) == 0)
                out.emplace_back(gnss::ParseTwoLineElements(first, line));
        } else
            name = line;
    }
    return out;
}

void BM_Sdp4GnssDay(benchmark::State& state) {
    const std::vector<gnss::Sgp4> models = GnssModels();
    for (auto _ : state) {
        double r[3], v[3], sum = 0;
        for (const gnss::Sgp4& m : models)
            for (int k = 0; k < 2880; ++k) {
                m.Propagate(k * 0.5, r, v);
                sum += r[0];
            }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(models.size()) * 2880);
    state.counters["satellites"] = static_cast<double>(models.size());
}
BENCHMARK(BM_Sdp4GnssDay)->Unit(benchmark::kMillisecond);

// One propagation of a geosynchronous orbit (QZSS's J01; BeiDou's GEO and
// IGSO alike) `days` after its epoch: the 24-hour resonance integration
// restarts from the epoch at every call, so the cost grows with the distance
// from it (a step per 12 hours). GPS's near-circular 12-hour orbits take no
// resonance terms.
void BM_Sdp4ResonantDaysFromEpoch(benchmark::State& state) {
    const std::vector<gnss::Sgp4> models = GnssModels("J01");
    const gnss::Sgp4& geo = models.at(0);
    const double minutes = static_cast<double>(state.range(0)) * 1440;
    for (auto _ : state) {
        double r[3], v[3];
        benchmark::DoNotOptimize(geo.Propagate(minutes, r, v));
        benchmark::DoNotOptimize(r[0]);
    }
}
BENCHMARK(BM_Sdp4ResonantDaysFromEpoch)->Arg(0)->Arg(1)->Arg(7)->Arg(30);

// Reflections among 100 box buildings (10 x 10 blocks of 30 m, 12 m streets,
// 8 to 40 m tall) for a receiver in a street: the shortest reflection of
// 72 directions (every 30 degrees of azimuth, 6 elevations).
void BM_ReflectionsAmong100Buildings(benchmark::State& state) {
    std::vector<Footprint> prisms;
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            Footprint f;
            const double x = -210 + 42.0 * i, y = -210 + 42.0 * j;
            f.ring = {{x, y}, {x + 30, y}, {x + 30, y + 30}, {x, y + 30}};
            f.height = 8 + (i * 7 + j * 13) % 33;
            prisms.push_back(f);
        }
    int found = 0, directions = 0;
    for (auto _ : state) {
        found = directions = 0;
        for (int az = 0; az < 360; az += 30)
            for (int el = 10; el < 90; el += 13) {
                const auto r =
                    gnss::ShortestReflection(prisms, {-174, 6}, 1.5, {double(az), double(el)});
                found += r.has_value();
                ++directions;
            }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * directions);
    state.counters["reflected_share"] = double(found) / directions;
}
BENCHMARK(BM_ReflectionsAmong100Buildings)->Unit(benchmark::kMicrosecond);

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
