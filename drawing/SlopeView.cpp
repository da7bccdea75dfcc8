// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/SlopeView.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

constexpr int kSlopeCaptionSize = 16;

int Roofs(const BuildingData& d) {
    return std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
}
int Walls(const BuildingData& d) {
    return std::clamp<int>(d.gWallEdgeNumber, 0, static_cast<int>(kWallCapacity));
}

// First and one-past-last slot of roof r's run, empty when it is not inside
// the used point store.
std::pair<int, int> Run(const BuildingData& d, int r) {
    const int total =
        std::clamp<int>(d.gTopAreaPointTotalNumber, 0, static_cast<int>(kPointCapacity));
    const int s = d.gEachTopAreaStartNum[r];
    const int n = d.gEachTopAreaPointNum[r];
    if (s < 0 || n < 0 || s + n > total)
        return {0, 0};
    return {s, s + n};
}

void Begin(DrawList& ops, double captionY = kSlopeCaptionY) {
    ops.push_back(DrawOp::Clear());
    ops.push_back(DrawOp::Text(250, captionY, "傾斜図表示", kSlopeCaptionSize, true, kCaptionColour,
                               DrawMode::Copy));
}

void AppendRoof(DrawList& ops, const BuildingData& d, int r) {
    const auto [begin, end] = Run(d, r);
    for (int j = begin + 1; j < end; ++j)
        ops.push_back(DrawOp::Line(d.gTopAreaX[j - 1], d.gTopAreaY[j - 1], d.gTopAreaX[j],
                                   d.gTopAreaY[j], kRoofColour, DrawMode::Copy));
}

void AppendWall(DrawList& ops, const BuildingData& d, int w) {
    ops.push_back(DrawOp::Line(d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w], d.gSecondWallEdgeX[w],
                               d.gSecondWallEdgeY[w], kWallColour, DrawMode::Copy));
}

} // namespace

SlopeDrawing ShowSlopeLineMap(const BuildingData& d, Count active, Count wallFlag,
                              Count activeMember) {
    SlopeDrawing s;
    Begin(s.ops);
    const int roofs = Roofs(d);
    for (int i = 0; i < roofs; ++i)
        if (i != active)
            AppendRoof(s.ops, d, i);
    for (int w = 0; w < Walls(d); ++w)
        if (d.gWallEdgefotEachTopArea[w] != activeMember)
            AppendWall(s.ops, d, w);
    if (active < 0 || active >= roofs)
        return s;

    const DrawMode x = DrawMode::Xor;
    s.modeAfter = x;
    SelectBox box;
    const auto [begin, end] = Run(d, active);
    for (int j = begin; j < end; ++j) {
        const double px = d.gTopAreaX[j], py = d.gTopAreaY[j];
        if (j > begin) {
            s.ops.push_back(DrawOp::Circle(px, py, kMarkerRadius, kActiveColour, x));
            s.ops.push_back(
                DrawOp::Line(d.gTopAreaX[j - 1], d.gTopAreaY[j - 1], px, py, kActiveColour, x));
        }
        box.Widen(px, py);
    }
    if (wallFlag > -1) {
        for (int w = 0; w < Walls(d); ++w) {
            if (d.gWallEdgefotEachTopArea[w] != activeMember)
                continue;
            const double ux = d.gFirstWallEdgeX[w], uy = d.gFirstWallEdgeY[w];
            const double lx = d.gSecondWallEdgeX[w], ly = d.gSecondWallEdgeY[w];
            s.ops.push_back(DrawOp::Circle(ux, uy, kMarkerRadius, kActiveWallColour, x));
            s.ops.push_back(DrawOp::Line(ux, uy, lx, ly, kActiveWallColour, x));
            s.ops.push_back(DrawOp::Circle(lx, ly, kMarkerRadius, kActiveWallColour, x));
            box.Widen(ux, uy);
            box.Widen(lx, ly);
        }
    }
    AppendSelectMarks(s.ops, box, x);
    s.marks = box;
    return s;
}

DrawList ShowAllSlopeLines(const BuildingData& d, double captionY) {
    DrawList ops;
    Begin(ops, captionY);
    for (int i = 0; i < Roofs(d); ++i)
        AppendRoof(ops, d, i);
    for (int w = 0; w < Walls(d); ++w)
        AppendWall(ops, d, w);
    return ops;
}

DrawList ShowRevealedSlopeLines(const BuildingData& d, double captionY) {
    DrawList ops;
    Begin(ops, captionY);
    const int roofs = Roofs(d);
    for (int i = 0; i < roofs; ++i)
        AppendRoof(ops, d, i);
    for (int w = 0; w < Walls(d); ++w)
        if (d.gWallEdgefotEachTopArea[w] < roofs)
            AppendWall(ops, d, w);
    return ops;
}

} // namespace velmora
