// Undo and redo through the main window with every table at capacity and
// 100 steps in the history, each a copy of the full record: the restore and
// the drawing of the inclined view (a roof selected) or the plan map. Undo
// and redo of one step back and forth show drawings kept from before; the
// walk back through the history draws each state anew.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/InputLineFrm.h"
#include "bench/FullRecord.h"
#include "workspace/EditSession.h"
#include "workspace/PhotoEditor.h"
#include "workspace/Prompts.h"

using namespace velmora;

namespace {

constexpr int kSelected = 250;

struct FullHistory {
    BuildingData data;
    ScriptedPrompts prompts;
    std::unique_ptr<InputLineFrm> w;

    explicit FullHistory(bool plan) {
        w = std::make_unique<InputLineFrm>(data, prompts);
        w->LoadSamplePhoto(2);
        if (const auto full = bench::FullRecord(7)) {
            const std::string appPath = data.gAppPath;
            data = *full;
            data.gAppPath = appPath;
        }
        if (plan)
            w->Editor().SelectFlatView();
        w->Session().pActiveTopArea = kSelected;
        // Each step turns north: the whole record is kept with it.
        for (std::size_t i = 0; i < EditHistory::kDepth; ++i)
            w->Editor().SetNorth(static_cast<float>(i + 1), false);
    }
    bool Ok(benchmark::State& state, bool plan) const {
        const EditHistory& h = w->Session().History();
        if (data.gTopAreaPointTotalNumber != kPointCapacity ||
            data.gEachTopAreaNumber != kRoofCapacity || data.gWallEdgeNumber != kWallCapacity ||
            h.UndoSteps() != EditHistory::kDepth || w->Session().pViewMode != (plan ? 2 : 1)) {
            state.SkipWithError("not 100 steps at capacity in the view asked for");
            return false;
        }
        state.counters["history_MB"] = static_cast<double>(h.Bytes()) / (1024.0 * 1024.0);
        return true;
    }
};

// Times one of the pair; the other puts the history back untimed.
void UndoOrRedo(benchmark::State& state, bool plan, bool undo) {
    FullHistory f(plan);
    if (!f.Ok(state, plan))
        return;
    PhotoEditor& e = f.w->Editor();
    const float north = f.data.gNorthAngle;
    if (!undo)
        e.UndoMenu_Click();
    for (auto _ : state) {
        if (undo) {
            e.UndoMenu_Click();
            state.PauseTiming();
            e.RedoMenu_Click();
            state.ResumeTiming();
        } else {
            e.RedoMenu_Click();
            state.PauseTiming();
            e.UndoMenu_Click();
            state.ResumeTiming();
        }
    }
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
// Walks back through the whole history, each undo timed; at its start the
// steps are redone untimed. Most states were never drawn by an undo or redo
// before, so this is the cost of a full redraw with the restore.
void UndoSlopeWalk(benchmark::State& state) {
    FullHistory f(false);
    if (!f.Ok(state, false))
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

BENCHMARK(UndoSlope)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoSlopeWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(RedoSlope)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(RedoPlan)->Unit(benchmark::kMillisecond);

} // namespace
