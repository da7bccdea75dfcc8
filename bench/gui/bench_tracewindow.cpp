// One-click tracing on sample picture 1: the whole double-click through the
// main window (gate, outline, corners, registration, wall, redraws, height)
// and the tracing core alone on the same click.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "app/InputLineFrm.h"
#include "data/Scenes.h"
#include "tracing/RoofTracer.h"
#include "workspace/AltitudePanel.h"
#include "workspace/EditSession.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/Tools.h"
#include "workspace/WorkingArea.h"

using namespace velmora;

namespace {

constexpr int kRoof = 0;

PicturePoint Click() {
    return SamplePictureScene(1).clickPoints[kRoof];
}

void WholeDoubleClick(benchmark::State& state) {
    BuildingData data;
    ScriptedPrompts prompts;
    InputLineFrm w(data, prompts);
    w.LoadSamplePhoto(1);
    w.Editor().InputModeRbn_Click(7, true);
    w.Session().pInputMode = 7;
    w.Session().pViewMode = 1;
    const PicturePoint p = Click();
    for (auto _ : state) {
        state.PauseTiming();
        ResetAllDataBuildingData(data);
        w.Session().pDownX = p.x;
        w.Session().pDownY = p.y;
        state.ResumeTiming();
        w.Editor().PhotoPic_DblClick();
    }
    if (data.gEachTopAreaNumber != 1 || data.gWallEdgeNumber != 1)
        state.SkipWithError("the click did not register one roof with a wall");
}
BENCHMARK(WholeDoubleClick)->Unit(benchmark::kMillisecond);

void CoreTrace(benchmark::State& state) {
    const QImage img =
        QImage(QStringLiteral(":/samples/sample1.jpg")).convertToFormat(QImage::Format_RGB32);
    GreyRaster grey(img.width(), img.height());
    for (int r = 0; r < img.height(); ++r)
        for (int c = 0; c < img.width(); ++c) {
            const QRgb px = img.pixel(c, r);
            grey.SetRgb(c, r, qRed(px), qGreen(px), qBlue(px));
        }
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetPicture(&grey);
    BuildingData data;
    const PicturePoint p = Click();
    for (auto _ : state) {
        state.PauseTiming();
        ResetAllDataBuildingData(data);
        state.ResumeTiming();
        if (tracer->TraceRoof(p.x, p.y) && RegisterTracedRoof(*tracer, data) == AppendResult::Ok) {
            tracer->FindWall();
            benchmark::DoNotOptimize(RegisterLongestWall(*tracer, data, 0));
        }
    }
    if (data.gEachTopAreaNumber != 1 || data.gWallEdgeNumber != 1)
        state.SkipWithError("the click did not register one roof with a wall");
}
BENCHMARK(CoreTrace)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
