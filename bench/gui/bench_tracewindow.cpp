// SPDX-License-Identifier: GPL-3.0-or-later
// One-click tracing on sample picture 1: the whole double-click through the
// main window (gate, outline, corners, registration, wall, redraws, height)
// and the tracing core alone on the same click.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "app/InputLineFrm.h"
#include "data/Scenes.h"
#include "picture/GreyPicture.h"
#include "tracing/RoofTracer.h"
#include "workspace/EditSession.h"
#include "workspace/PhotoEditor.h"
#include "workspace/Prompts.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"

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
    w.Editor().Tools().InputModeRbn_Click(ToolId::Trace, true);
    w.Session().SetTool(ToolId::Trace);
    w.Session().SetView(ViewMode::Inclined);
    const PicturePoint p = Click();
    for (auto _ : state) {
        state.PauseTiming();
        ResetAllDataBuildingData(data);
        w.Session().SetDown(p.x, p.y);
        state.ResumeTiming();
        w.Editor().Tools().PhotoPic_DblClick();
    }
    if (data.gEachTopAreaNumber != 1 || data.gWallEdgeNumber != 1)
        state.SkipWithError("the click did not register one roof with a wall");
}
BENCHMARK(WholeDoubleClick)->Unit(benchmark::kMillisecond);

// Arg 1: on the cleaned grey copy the window traces on; arg 0: on the plain
// grey copy it traced on before, for comparison.
void CoreTrace(benchmark::State& state) {
    const QImage picture(QStringLiteral(":/samples/sample1.png"));
    GreyRaster grey = state.range(0) ? TraceSourceOf(picture) : GreyCopyOf(picture);
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetPicture(&grey);
    BuildingData data;
    const PicturePoint p = Click();
    for (auto _ : state) {
        state.PauseTiming();
        ResetAllDataBuildingData(data);
        state.ResumeTiming();
        if (tracer->TraceRoof(p.x, p.y)) {
            tracer->FindWall();
            const std::optional<WallLine> wall = tracer->LongestWall();
            benchmark::DoNotOptimize(RegisterTracedRoof(data, tracer->TracedRoofOutline(),
                                                        wall ? &wall->top : nullptr,
                                                        wall ? &wall->bottom : nullptr));
        }
    }
    if (data.gEachTopAreaNumber != 1 || data.gWallEdgeNumber != 1)
        state.SkipWithError("the click did not register one roof with a wall");
}
BENCHMARK(CoreTrace)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
