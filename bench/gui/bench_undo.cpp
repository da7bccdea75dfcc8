// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo through the main window with every table at capacity and
// 100 steps in the history, each a copy of the full record: the restore and
// the whole redraw of the inclined view (a roof selected) or the plan map.
// The walk back through a history of moved points draws a new state at
// every step.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/InputLineFrm.h"
#include "bench/FullRecord.h"
#include "workspace/EditSession.h"
#include "workspace/PhotoEditor.h"
#include "workspace/Prompts.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"

using namespace velmora;

namespace {

constexpr int kSelected = 250;

struct FullHistory {
    BuildingData data;
    ScriptedPrompts prompts;
    std::unique_ptr<InputLineFrm> w;

    // moves: each step moves one point (a different roof each time) instead
    // of turning north.
    explicit FullHistory(bool plan, bool moves = false) {
        w = std::make_unique<InputLineFrm>(data, prompts);
        w->LoadSamplePhoto(2);
        if (const auto full = bench::FullRecord(7)) {
            const std::string appPath = data.gAppPath;
            data = *full;
            data.gAppPath = appPath;
        }
        if (plan)
            w->Editor().Views().SelectFlatView();
        w->Session().SetActiveRoof(kSelected);
        // Each step turns north or moves a point: the whole record is kept
        // with it.
        for (std::size_t i = 0; i < EditHistory::kDepth; ++i) {
            if (!moves) {
                w->Editor().SetNorth(static_cast<float>(i + 1), false);
                continue;
            }
            EditSession& s = w->Session();
            const std::size_t point = (i * 20) % kPointCapacity;
            s.BeginAction();
            (plan ? data.gFlatTopAreaX : data.gTopAreaX)[point] += 3;
            s.CountEdit();
            s.EndAction();
        }
    }
    bool Ok(benchmark::State& state, bool plan) const {
        const EditHistory& h = w->Session().History();
        if (data.gTopAreaPointTotalNumber != kPointCapacity ||
            data.gEachTopAreaNumber != kRoofCapacity || data.gWallEdgeNumber != kWallCapacity ||
            h.UndoSteps() != EditHistory::kDepth ||
            w->Session().View() != (plan ? ViewMode::Plan : ViewMode::Inclined)) {
            state.SkipWithError("not 100 steps at capacity in the view asked for");
            return false;
        }
        state.counters["history_MB"] = static_cast<double>(h.Bytes()) / (1024.0 * 1024.0);
        return true;
    }
};

// Times undo (or redo) of the newest step; the other of the pair puts the
// history back untimed.
void TimeOneOfPair(benchmark::State& state, PhotoEditor& e, bool undo) {
    if (!undo)
        e.UndoMenu_Click();
    for (auto _ : state) {
        (undo ? e.UndoMenu_Click() : e.RedoMenu_Click());
        state.PauseTiming();
        (undo ? e.RedoMenu_Click() : e.UndoMenu_Click());
        state.ResumeTiming();
    }
}

void UndoOrRedo(benchmark::State& state, bool plan, bool undo) {
    FullHistory f(plan);
    if (!f.Ok(state, plan))
        return;
    PhotoEditor& e = f.w->Editor();
    const float north = f.data.gNorthAngle;
    TimeOneOfPair(state, e, undo);
    if (f.data.gNorthAngle != (undo ? north : north - 1))
        state.SkipWithError("the steps were not taken");
}

void UndoSlope(benchmark::State& s) {
    UndoOrRedo(s, false, true);
}
void RedoSlope(benchmark::State& s) {
    UndoOrRedo(s, false, false);
}
void UndoPlan(benchmark::State& s) {
    UndoOrRedo(s, true, true);
}
void RedoPlan(benchmark::State& s) {
    UndoOrRedo(s, true, false);
}
// Walks back through a history of point moves, each undo timed; at its
// start the steps are redone untimed. Each state differs from the one shown
// before it by one moved point, so this is the cost of drawing a new state.
void UndoWalk(benchmark::State& state, bool plan) {
    FullHistory f(plan, true);
    if (!f.Ok(state, plan))
        return;
    PhotoEditor& e = f.w->Editor();
    const EditSession& s = f.w->Session();
    for (auto _ : state) {
        if (!s.CanUndo()) {
            state.PauseTiming();
            while (s.CanRedo())
                e.RedoMenu_Click();
            state.ResumeTiming();
        }
        e.UndoMenu_Click();
    }
}
void UndoSlopeWalk(benchmark::State& s) {
    UndoWalk(s, false);
}
void UndoPlanWalk(benchmark::State& s) {
    UndoWalk(s, true);
}

// Undo and redo of "全て消去" with the full record in the inclined view:
// the picture and every figure come back.
void ClearAll(benchmark::State& state, bool undo) {
    FullHistory f(false);
    if (!f.Ok(state, false))
        return;
    PhotoEditor& e = f.w->Editor();
    e.ClearAllData();
    TimeOneOfPair(state, e, undo);
    if (static_cast<std::size_t>(f.data.gEachTopAreaNumber) != (undo ? 0 : kRoofCapacity))
        state.SkipWithError("the steps were not taken");
}
void UndoClearAll(benchmark::State& s) {
    ClearAll(s, true);
}
void RedoClearAll(benchmark::State& s) {
    ClearAll(s, false);
}

BENCHMARK(UndoSlope)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoClearAll)->Unit(benchmark::kMillisecond);
BENCHMARK(RedoClearAll)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoSlopeWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoPlanWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(RedoSlope)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(RedoPlan)->Unit(benchmark::kMillisecond);

} // namespace
