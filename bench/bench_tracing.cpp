// SPDX-License-Identifier: GPL-3.0-or-later
// One-click tracing on a synthetic scene of the size of a typical inclined
// picture: several blocks with light roofs and darker wall faces on a
// textured ground. Measures the whole core trace of one roof (gate, region,
// outline, corners, wall) and its two largest parts; then the whole click
// as the window runs it (roof, height search, wall) on sample picture 1,
// and the per-picture preparation of a 1600 x 1000 picture.
#include <benchmark/benchmark.h>

#include <QImage>
#include <memory>

#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "tools/realpics/DenseTown.h"
#include "tools/realpics/WideTown.h"
#include "tracing/EdgeField.h"
#include "tracing/RoofTracer.h"
#include "tracing/TraceSource.h"
#include "tracing/WholePicture.h"

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

// Sample picture 1, read as the window reads it, with its camera.
struct Sample {
    TraceInput input;
    TraceCamera camera;
    std::vector<PicturePoint> clicks;
};

const Sample& SamplePicture() {
    static const Sample sample = [] {
        Sample s;
        const QImage image =
            QImage(VELMORA_SAMPLE_PICTURE_DIR "/sample1.png").convertToFormat(QImage::Format_RGB32);
        GreyRaster plain(image.width(), image.height());
        for (int row = 0; row < image.height(); ++row)
            for (int col = 0; col < image.width(); ++col) {
                const QRgb c = image.pixel(col, row);
                plain.SetRgb(col, row, qRed(c), qGreen(c), qBlue(c));
            }
        s.input = PrepareTraceInput(plain);
        const AltitudeTexts& t = SamplePicturePresets(1);
        auto d = std::make_unique<BuildingData>();
        UpdateViewGeometry(*d,
                           {std::string(t.verHeight), std::string(t.verHeightm),
                            std::string(t.incliHeight), std::string(t.incliHeightm)},
                           image.width());
        s.camera = {d->gSlideAngle * kDegToRad, d->gFlatHeight, d->gPhotoMetrePerUnit};
        const DemoScene& scene = SamplePictureScene(1);
        s.clicks.assign(scene.clickPoints.begin(), scene.clickPoints.end());
        return s;
    }();
    return sample;
}

// One click of the one-click tool, averaged over the sample's seven roofs.
void BM_ClickOnSample(benchmark::State& state) {
    const Sample& s = SamplePicture();
    if (s.clicks.empty()) {
        state.SkipWithError("sample picture 1 not found");
        return;
    }
    RoofTracer tracer;
    tracer.SetInput(&s.input);
    std::size_t k = 0;
    for (auto _ : state) {
        const TraceResult r = tracer.Trace(s.clicks[k].x, s.clicks[k].y, &s.camera);
        benchmark::DoNotOptimize(r.wall);
        k = (k + 1) % s.clicks.size();
    }
}
BENCHMARK(BM_ClickOnSample)->Unit(benchmark::kMillisecond);

// One click on a dense town block (the first picture of the dense set),
// averaged over its roofs: the grey band runs past most of them, so the
// edge-bounded surface, the fitted sides and the checks of the feet run too.
void BM_ClickOnDenseBlock(benchmark::State& state) {
    static const realpics::RealisticPicture picture = realpics::PaintDensePicture(0);
    static const TraceInput input = PrepareTraceInput(realpics::PlainGrey(picture.image));
    const TraceCamera camera = realpics::CameraOf(picture.preset, picture.image.width());
    RoofTracer tracer;
    tracer.SetInput(&input);
    std::size_t k = 0;
    for (auto _ : state) {
        const realpics::TrueBuilding& b = picture.buildings[k];
        const TraceResult r = tracer.Trace(b.click.x, b.click.y, &camera);
        benchmark::DoNotOptimize(r.wall);
        k = (k + 1) % picture.buildings.size();
    }
}
BENCHMARK(BM_ClickOnDenseBlock)->Unit(benchmark::kMillisecond);

GreyRaster LargePicture() {
    GreyRaster picture(1600, 1000);
    unsigned s = 5;
    for (int r = 0; r < picture.Height(); ++r)
        for (int c = 0; c < picture.Width(); ++c) {
            s = s * 1664525u + 1013904223u;
            picture.Set(c, r, ((c / 40 + r / 30) % 2 ? 200 : 150) + int((s >> 16) % 11u) - 5);
        }
    return picture;
}

// The per-picture preparation: cleaned copy and edges.
void BM_PrepareTraceInput(benchmark::State& state) {
    const GreyRaster picture = LargePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(PrepareTraceInput(picture).edges.Width());
}
BENCHMARK(BM_PrepareTraceInput)->Unit(benchmark::kMillisecond);

// A picture of the wider realistic set, 800 x 680 as painted (argument 0),
// or scaled to twice the size and cut to 1600 x 1000 about its centre
// (argument 1), with its camera.
struct Town {
    TraceInput input;
    TraceCamera camera;
};
const Town& TownPicture(int large) {
    static Town towns[2];
    static bool made[2] = {false, false};
    Town& t = towns[large];
    if (made[large])
        return t;
    const realpics::RealisticPicture p = realpics::PaintWidePicture(3);
    QImage image = p.image;
    if (large) {
        image = image.scaled(1600, 1360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .copy(0, 180, 1600, 1000);
    }
    t.input = PrepareTraceInput(realpics::PlainGrey(image));
    t.camera = realpics::CameraOf(p.preset, image.width());
    made[large] = true;
    return t;
}

// The whole-picture search on a prepared picture (the preparation is the
// load's, measured above).
void BM_WholePictureSearch(benchmark::State& state) {
    const Town& t = TownPicture(int(state.range(0)));
    RoofTracer tracer;
    std::size_t found = 0;
    for (auto _ : state) {
        const WholePictureResult r = FindEveryRoof(tracer, t.input, t.camera, {});
        found = r.roofs.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["roofs"] = double(found);
}
BENCHMARK(BM_WholePictureSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The tracer's cleaned input of a 1600 x 1000 picture, built once per load.
void BM_TracingGreyOf(benchmark::State& state) {
    const GreyRaster picture = LargePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(TracingGreyOf(picture).Width());
}
BENCHMARK(BM_TracingGreyOf)->Unit(benchmark::kMillisecond);
