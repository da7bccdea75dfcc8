// SPDX-License-Identifier: GPL-3.0-or-later
// The core side of the heaviest redraws and of one drag step on a record
// filled to capacity (2001 points, 501 roofs, 801 walls) over a 788 x 678
// picture.
#include <benchmark/benchmark.h>

#include "data/EditHistory.h"
#include "data/Editing.h"
#include "drawing/FlatMap.h"
#include "drawing/SlopeView.h"

using namespace velmora;

namespace {

BuildingData FullRecord() {
    BuildingData d;
    for (int r = 0; r < 500; ++r) {
        const float x = -380 + float(r % 25) * 30;
        const float y = -320 + float(r / 25) * 32;
        AppendTopArea(d, {{x, y}, {x + 20, y}, {x + 10, y + 20}, {x, y}});
    }
    AppendTopArea(d, {{0, 0}});
    for (int w = 0; w < 801; ++w) {
        const int r = w % 500;
        const int s = d.gEachTopAreaStartNum[r];
        AppendWallEdge(d, {d.gTopAreaX[s], d.gTopAreaY[s]}, {d.gTopAreaX[s], d.gTopAreaY[s] - 15},
                       Count(r));
    }
    for (int j = 0; j < d.gTopAreaPointTotalNumber; ++j) {
        d.gFlatTopAreaX[j] = d.gTopAreaX[j] / 4;
        d.gFlatTopAreaY[j] = d.gTopAreaY[j] / 4;
    }
    return d;
}

void BM_SlopeRedrawHighlighted(benchmark::State& state) {
    const BuildingData d = FullRecord();
    for (auto _ : state)
        benchmark::DoNotOptimize(ShowSlopeLineMap(d, 250, 0, 250));
}
BENCHMARK(BM_SlopeRedrawHighlighted)->Unit(benchmark::kMicrosecond);

void BM_FlatMap(benchmark::State& state) {
    const BuildingData d = FullRecord();
    MapScaleTables t;
    InitMapScaleTables(t);
    for (auto _ : state)
        benchmark::DoNotOptimize(ShowFlatLineMap(d, t, 250));
}
BENCHMARK(BM_FlatMap)->Unit(benchmark::kMicrosecond);

void BM_MoveSlopePointStep(benchmark::State& state) {
    BuildingData d = FullRecord();
    const Count s = d.gEachTopAreaStartNum[250];
    const MoveGrab g =
        GrabFromHit(FindActivePointOrWallEnd(d, 250, d.gTopAreaX[s], d.gTopAreaY[s]));
    SelectBox marks;
    float dx = 0;
    for (auto _ : state) {
        dx = dx > 10 ? 0 : dx + 1;
        const DragStep step = MoveSlopePoint(d, 250, g, marks, d.gTopAreaX[s + 1] - 10 + dx, 5);
        marks = step.box;
        benchmark::DoNotOptimize(marks);
    }
}
BENCHMARK(BM_MoveSlopePointStep)->Unit(benchmark::kMicrosecond);

} // namespace

// One undo and one redo with 100 steps of the full record kept: the record
// side of the undo items, without the redraw.
void BM_UndoRedoAtCapacity(benchmark::State& state) {
    BuildingData d = FullRecord();
    EditHistory h;
    h.Mark(d, 250);
    for (std::size_t i = 0; i < EditHistory::kDepth; ++i) {
        d.gNorthAngle = float(i + 1);
        h.Commit(d, 250);
    }
    Count active = 250;
    unsigned tag = 0;
    for (auto _ : state) {
        h.Undo(d, active, tag);
        h.Redo(d, active, tag);
    }
    if (h.UndoSteps() != EditHistory::kDepth || d.gNorthAngle != 100.0f)
        state.SkipWithError("the history did not come back");
    state.counters["history_MB"] = double(h.Bytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_UndoRedoAtCapacity)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
