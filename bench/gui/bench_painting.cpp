// SPDX-License-Identifier: GPL-3.0-or-later
// Painting through the main window on a 788 x 678 view with every table at
// capacity: the whole inclined-view redraw with a roof selected and the
// whole plan map, and one step of dragging a roof corner with the move tool.
// Each whole redraw is made on a cleared view, of another roof selected
// than the last.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <string>

#include "app/InputLineFrm.h"
#include "bench/FullRecord.h"
#include "workspace/AltitudePanel.h"
#include "workspace/EditSession.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

using namespace velmora;

namespace {

constexpr int kSelected = 250;

// A window over sample picture 2 (788 x 678) holding the full record.
struct FullWindow {
    BuildingData data;
    ScriptedPrompts prompts;
    std::unique_ptr<InputLineFrm> w;

    FullWindow() {
        w = std::make_unique<InputLineFrm>(data, prompts);
        w->LoadSamplePhoto(2);
        const auto full = bench::FullRecord(7);
        if (full) {
            const std::string appPath = data.gAppPath;
            data = *full;
            data.gAppPath = appPath;
        }
        w->Session().SetActiveRoof(kSelected);
    }
    bool Ok(benchmark::State& state) const {
        if (data.gTopAreaPointTotalNumber != kPointCapacity ||
            data.gEachTopAreaNumber != kRoofCapacity || data.gWallEdgeNumber != kWallCapacity) {
            state.SkipWithError("the record is not at capacity");
            return false;
        }
        if (w->Work().PhotoPic->InnerWidth() != 788 || w->Work().PhotoPic->InnerHeight() != 678) {
            state.SkipWithError("the view is not 788 x 678");
            return false;
        }
        return true;
    }
};

void SlopeRedrawWithSelection(benchmark::State& state) {
    FullWindow f;
    if (!f.Ok(state))
        return;
    f.w->Editor().Views().SelectSlopeView();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.w->Work().PhotoPic->Cls();
        state.ResumeTiming();
        f.w->Editor().Views().ShowSlopeLineMap({.roof = Count(kSelected + (i++ & 1))});
    }
}
BENCHMARK(SlopeRedrawWithSelection)->Unit(benchmark::kMillisecond);

void PlanMapRedraw(benchmark::State& state) {
    FullWindow f;
    if (!f.Ok(state))
        return;
    f.w->Editor().Views().SelectFlatView();
    if (f.w->Session().View() != ViewMode::Plan) {
        state.SkipWithError("the plan map did not open");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.w->Work().PhotoPic->Cls();
        state.ResumeTiming();
        f.w->Editor().Views().ShowFlatLineMap({.building = Count(kSelected + (i++ & 1))});
    }
}
BENCHMARK(PlanMapRedraw)->Unit(benchmark::kMillisecond);

// One mouse move while a corner of the selected roof is held: the rubber
// band and handles are XORed off and on again and the corner is stored.
void DragStep(benchmark::State& state) {
    FullWindow f;
    if (!f.Ok(state))
        return;
    f.w->Editor().Views().SelectSlopeView();
    f.w->Editor().Tools().InputModeRbn_Click(ToolId::Move, true);
    f.w->Session().SetTool(ToolId::Move);
    f.w->Session().SetActiveRoof(kSelected); // entering the view clears the selection
    f.w->Editor().Views().ShowSlopeLineMap({.roof = kSelected});
    const auto first = static_cast<std::size_t>(f.data.gEachTopAreaStartNum[kSelected]);
    const QPointF corner(f.data.gTopAreaX[first], f.data.gTopAreaY[first]);
    f.w->Editor().Tools().Move().MouseDown(PictureView::kLeftButton, corner);
    if (f.w->Editor().Tools().Move().Grab().pGrabbed != 1) {
        state.SkipWithError("the corner was not grabbed");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        const double d = (i++ & 1) ? 3 : -3;
        f.w->Editor().Tools().Move().MouseMove(PictureView::kLeftButton, corner + QPointF(d, d));
    }
}
BENCHMARK(DragStep)->Unit(benchmark::kMicrosecond);

} // namespace
