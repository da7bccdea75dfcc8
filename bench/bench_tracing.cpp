// One-click tracing on a synthetic scene of the size of a typical inclined
// picture: several blocks with light roofs and darker wall faces on a
// textured ground. Measures the whole core trace of one roof (gate, region,
// outline, corners, wall) and its two largest parts.
#include <benchmark/benchmark.h>

#include "tracing/RoofTracer.h"
#include "tracing/TraceSource.h"

using namespace velmora;

namespace {

void Fill(GreyRaster& p, int x0, int x1, int y0, int y1, int grey) {
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y)
            p.Set(x + p.Width() / 2, p.Height() / 2 - y, grey);
}

GreyRaster Scene() {
    GreyRaster p(1024, 768);
    unsigned s = 11;
    for (int r = 0; r < p.Height(); ++r)
        for (int c = 0; c < p.Width(); ++c) {
            s = s * 1664525u + 1013904223u;
            p.Set(c, r, 40 + int((s >> 16) % 81u));
        }
    struct B {
        int x0, x1, y0, y1, h;
    };
    for (const B& b : {B{-90, 70, -20, 90, 60}, B{-400, -250, 100, 220, 80},
                       B{200, 330, -250, -120, 50}, B{150, 260, 120, 200, 70}}) {
        Fill(p, b.x0, b.x1, b.y0, b.y1, 205);
        Fill(p, b.x0, b.x1, b.y0 - b.h, b.y0 - 1, 160);
    }
    return p;
}

const GreyRaster& ScenePicture() {
    static const GreyRaster picture = Scene();
    return picture;
}

void BM_TraceRoofAndWall(benchmark::State& state) {
    RoofTracer tracer;
    tracer.SetPicture(&ScenePicture());
    for (auto _ : state) {
        const bool traced = tracer.TraceRoof(-10, 35);
        tracer.FindWall();
        benchmark::DoNotOptimize(traced);
        benchmark::DoNotOptimize(tracer.TracedRoofOutline());
        benchmark::DoNotOptimize(tracer.LongestWall());
    }
    if (!tracer.LongestWall())
        state.SkipWithError("no wall traced");
}
BENCHMARK(BM_TraceRoofAndWall)->Unit(benchmark::kMillisecond);

void BM_DominantGrey(benchmark::State& state) {
    RoofTracer tracer;
    tracer.SetPicture(&ScenePicture());
    for (auto _ : state)
        benchmark::DoNotOptimize(tracer.FindDominantGrey());
}
BENCHMARK(BM_DominantGrey)->Unit(benchmark::kMicrosecond);

void BM_RegionAndOutline(benchmark::State& state) {
    RoofTracer tracer;
    tracer.SetPicture(&ScenePicture());
    tracer.SetLocalFrame(-10, 35);
    tracer.EstimateRoofGrey();
    for (auto _ : state) {
        tracer.FillRoofRegion();
        tracer.TraceRoofContour(tracer.ExtractRegionBoundary());
        benchmark::DoNotOptimize(tracer.LineDataGrid.Rows());
    }
}
BENCHMARK(BM_RegionAndOutline)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

// The tracer's cleaned input of a 1600 x 1000 picture, built once per load.
void BM_TracingGreyOf(benchmark::State& state) {
    GreyRaster picture(1600, 1000);
    unsigned s = 5;
    for (int r = 0; r < picture.Height(); ++r)
        for (int c = 0; c < picture.Width(); ++c) {
            s = s * 1664525u + 1013904223u;
            picture.Set(c, r, ((c / 40 + r / 30) % 2 ? 200 : 150) + int((s >> 16) % 11u) - 5);
        }
    for (auto _ : state)
        benchmark::DoNotOptimize(TracingGreyOf(picture).Width());
}
BENCHMARK(BM_TracingGreyOf)->Unit(benchmark::kMillisecond);
