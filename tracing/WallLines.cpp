// SPDX-License-Identifier: GPL-3.0-or-later
// The building's wall: a face of darker, uniform grey directly below the
// roof's lowest corner. Its left and right edges are traced row by row, then
// followed downwards from the roof corners; the longest path is the wall line.
#include <algorithm>
#include <cmath>

#include "data/Conventions.h"
#include "tracing/RoofTracer.h"

namespace velmora {

namespace {

constexpr int kWindowHalfWidth = 20;
constexpr int kWindowMinX = 2;
constexpr int kWindowMaxX = 498;
constexpr int kWindowRows = 20;
constexpr int kWindowMinY = 2;
constexpr int kWindowMaxY = 388;
constexpr int kUniformRun = 9; // a sample is found when the run counter exceeds this
constexpr int kEdgeBand = 20;

constexpr std::uint8_t kFaceEdge = 4;
constexpr std::uint8_t kFollowed = 5;

} // namespace

void RoofTracer::FindWall() {
    int a = 0;
    int b = 0;
    pWallGrey = FindWallSample(a, b);
    const int count = TraceWallFaceEdges(a, b);
    FollowWallLines(count);
}

int RoofTracer::FindWallSample(int& a, int& b) const {
    int xb = 0;
    int yb = 9999;
    bool found = false;
    for (const FlaggedCellRow& c : TopPointGrid) {
        if (c.flag != 'B' && c.y < yb) {
            xb = c.x;
            yb = c.y;
            found = true;
        }
    }
    if (!found) {
        a = 0;
        b = 0;
        return 0;
    }

    const int left = std::max(kWindowMinX, xb - kWindowHalfWidth);
    const int right = std::min(kWindowMaxX, xb + kWindowHalfWidth);
    const int top = std::min(kWindowMaxY, yb - 1);
    const int bottom = std::max(kWindowMinY, yb - kWindowRows);

    // Both band bounds excluded. The sample is the pixel at which the run of
    // equal in-band greys in a row has counted past 9.
    auto search = [&](int lo, int hi) {
        for (int y = top; y >= bottom; --y) {
            int run = 0;
            int previous = 0;
            for (int x = left; x <= right; ++x) {
                const int g = GetLocalGrey(x, y);
                if (lo < g && g < hi) {
                    if (g == previous) {
                        if (++run > kUniformRun) {
                            a = x;
                            b = y;
                            return g;
                        }
                    } else {
                        run = 0;
                    }
                    previous = g;
                } else {
                    run = 0;
                }
            }
        }
        return 0;
    };
    const int first = search(pRoofGrey - 60, pRoofGrey - 30);
    if (first != 0)
        return first;
    return search(pRoofGrey - 120, pRoofGrey - 60);
}

int RoofTracer::TraceWallFaceEdges(int a, int b) {
    const int lo = pWallGrey - kEdgeBand;
    const int hi = pWallGrey + kEdgeBand;
    auto inBand = [&](int x, int y) {
        const int g = GetLocalGrey(x, y);
        return lo <= g && g <= hi;
    };
    int count = 0;
    auto record = [&](int x, int y) {
        if (count < kWallFaceEdgeSlots) {
            gWallFaceEdgeX[static_cast<std::size_t>(count)] = x;
            gWallFaceEdgeY[static_cast<std::size_t>(count)] = y;
        }
        ++count;
    };

    int right = kLocalMaxX;
    // One row of the face: its right edge, then its left edge; the centre
    // column moves to the middle between them.
    auto row = [&](int y, int& cx) {
        for (int x = cx + 1; x <= kLocalMaxX; ++x) {
            if (!inBand(x, y)) {
                record(x - 1, y);
                right = x - 1;
                break;
            }
        }
        for (int x = cx; x >= 0; --x) {
            if (!inBand(x, y)) {
                record(x + 1, y);
                cx = static_cast<int>(RoundHalfEven((right + x + 1) * 0.5));
                break;
            }
        }
    };
    int cx = a;
    for (int y = b + 1; y <= kSweepMaxY && inBand(cx, y); ++y)
        row(y, cx);
    cx = a;
    for (int y = b; y >= 0 && inBand(cx, y); --y)
        row(y, cx);

    gWorkMap.Clear();
    const int stored = std::min(count, kWallFaceEdgeSlots);
    for (int i = 0; i < stored; ++i)
        gWorkMap.Set(gWallFaceEdgeX[static_cast<std::size_t>(i)],
                     gWallFaceEdgeY[static_cast<std::size_t>(i)], kFaceEdge);
    return count;
}

void RoofTracer::FollowWallLines(int count) {
    // A previous trace's candidates never survive into this one.
    WallPointGrid.Clear();

    int starts[kMaxStartingCorners];
    int startCount = 0;
    for (int j = 1; j <= TopPointGrid.Rows() && startCount < kMaxStartingCorners; ++j) {
        int nx = 0;
        int ny = 0;
        if (StepDownWallEdge(TopPointGrid[j].x, TopPointGrid[j].y, nx, ny))
            starts[startCount++] = j;
    }
    if (startCount == 0)
        return;

    // Every reached edge point is set to 5, so no edge point serves two paths.
    LineDataGrid.Clear();
    for (int s = 0; s < startCount; ++s) {
        int x = TopPointGrid[starts[s]].x;
        int y = TopPointGrid[starts[s]].y;
        LineDataGrid.Append({x, y, 'A'});
        gWorkMap.Set(x, y, kFollowed);
        int steps = 0;
        int lastRow = 0;
        for (int i = 0; i < count; ++i) {
            int nx = 0;
            int ny = 0;
            if (!StepDownWallEdge(x, y, nx, ny)) {
                if (steps > 0 && LineDataGrid.Has(lastRow))
                    LineDataGrid[lastRow].flag = 'B';
                break;
            }
            x = nx;
            y = ny;
            if (LineDataGrid.Append({x, y, kNoFlag}))
                lastRow = LineDataGrid.Rows();
            gWorkMap.Set(x, y, kFollowed);
            ++steps;
        }
        LineDataGrid.Append({kPathSeparator, kPathSeparator, kNoFlag});
    }

    bool haveTop = false;
    FlaggedCellRow top;
    for (const FlaggedCellRow& r : LineDataGrid) {
        if (r.flag == 'A') {
            top = r;
            haveTop = true;
        } else if (r.flag == 'B' && haveTop) {
            const double length = std::hypot(r.x - top.x, r.y - top.y);
            WallPointGrid.Append({top.x, top.y, r.x, r.y, static_cast<int>(RoundHalfEven(length))});
        }
    }
}

std::optional<WallLine> RoofTracer::LongestWall() const {
    int best = 0;
    int bestLength = 0;
    for (int i = 1; i <= WallPointGrid.Rows(); ++i) {
        if (WallPointGrid[i].length > bestLength) {
            bestLength = WallPointGrid[i].length;
            best = i;
        }
    }
    if (best == 0)
        return std::nullopt;
    const WallPointRow& w = WallPointGrid[best];
    return WallLine{ToPicture(w.topX, w.topY), ToPicture(w.bottomX, w.bottomY)};
}

} // namespace velmora
