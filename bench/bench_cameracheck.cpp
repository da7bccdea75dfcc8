// SPDX-License-Identifier: GPL-3.0-or-later
// The camera check's cost: the verticals below one traced roof (what a
// double-click adds in the window, the other roofs' verticals being kept),
// and the fit over the verticals of many roofs. On a synthetic picture of
// 1600 x 1000 pixels with boxes on a textured ground.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "tracing/CameraCheck.h"
#include "tracing/EdgeField.h"
#include "tracing/RoofTracer.h"

using namespace velmora;

namespace {

// Roofs of grey 205 with a face of grey 150 below, leaning towards a nadir
// 900 pixels below the centre as seen from above, on noise 40 ... 120.
struct Town {
    GreyRaster picture{1600, 1000};
    std::vector<PicturePoint> clicks;
};

Town MakeTown() {
    Town t;
    GreyRaster& p = t.picture;
    unsigned s = 11;
    for (int r = 0; r < p.Height(); ++r)
        for (int c = 0; c < p.Width(); ++c) {
            s = s * 1664525u + 1013904223u;
            p.Set(c, r, 40 + int((s >> 16) % 81u));
        }
    const double nadirY = -900;
    for (int bx = -600; bx <= 600; bx += 300)
        for (int by = -300; by <= 300; by += 300) {
            const int w = 120, d = 90, h = 70;
            for (int y = by - h; y <= by + d; ++y)
                for (int x = bx - w / 2 - 40; x <= bx + w / 2 + 40; ++x) {
                    // A wall face hangs below the roof's lower edge along the
                    // lines to the nadir.
                    const double f = (by - y) / (by - nadirY);
                    const double left = (bx - w / 2) * (1 - f), right = (bx + w / 2) * (1 - f);
                    const bool roof = y >= by && x >= bx - w / 2 && x <= bx + w / 2;
                    const bool face = y < by && x >= left && x <= right;
                    if (roof || face)
                        p.Set(x + p.Width() / 2, p.Height() / 2 - y, roof ? 205 : 150);
                }
            t.clicks.push_back({float(bx), float(by + d / 2)});
        }
    return t;
}

const Town& TheTown() {
    static const Town town = MakeTown();
    return town;
}

struct Traced {
    TraceInput input;
    std::vector<std::vector<PicturePoint>> outlines;
};

const Traced& TracedTown() {
    static const Traced traced = [] {
        Traced t;
        t.input = PrepareTraceInput(TheTown().picture);
        auto tracer = std::make_unique<RoofTracer>();
        tracer->SetInput(&t.input);
        for (const PicturePoint& c : TheTown().clicks) {
            const TraceResult r = tracer->Trace(c.x, c.y, nullptr);
            if (r.refusal == TraceRefusal::None)
                t.outlines.push_back(r.outline);
        }
        return t;
    }();
    return traced;
}

void BM_VerticalsOfOneRoof(benchmark::State& state) {
    const Traced& t = TracedTown();
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasureVerticals(t.outlines.at(0), t.input.edges));
}
BENCHMARK(BM_VerticalsOfOneRoof)->Unit(benchmark::kMillisecond);

// The fit over `range` copies of the town's verticals, each copy a roof of
// its own, as a record with that many roofs gives it.
void BM_CheckManyRoofs(benchmark::State& state) {
    const Traced& t = TracedTown();
    std::vector<MeasuredVertical> all;
    for (int k = 0; all.size() < std::size_t(state.range(0)) * 3; ++k)
        for (std::size_t r = 0; r < t.outlines.size(); ++r)
            for (MeasuredVertical v : MeasureVerticals(t.outlines[r], t.input.edges)) {
                v.roof = int(r) + k * int(t.outlines.size());
                all.push_back(v);
            }
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckCamera(all, 1600, 40));
    state.counters["verticals"] = double(all.size());
}
BENCHMARK(BM_CheckManyRoofs)->Arg(15)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
