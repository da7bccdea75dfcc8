// SPDX-License-Identifier: GPL-3.0-or-later
// Reduction of the traced outline to the corners of a polygon: start from
// the outline's extreme points, split every side that strays more than 2
// pixels from its chord, split the split parts once more, then flag corners
// that lie too close to the corner kept before them.
#include <algorithm>
#include <cmath>

#include "tracing/RoofTracer.h"

namespace velmora {

namespace {

constexpr double kSplitThreshold = 2;
constexpr double kMinimumSide = 5;
constexpr double kClosingDistance = 6;

void SortByIndex(WorkTable<PointNumRow>& table) {
    std::stable_sort(table.begin(), table.end(),
                     [](const PointNumRow& a, const PointNumRow& b) { return a.index < b.index; });
}

double Distance(const FlaggedCellRow& a, const FlaggedCellRow& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

FarthestPoint RoofTracer::FarthestFromChord(int i1, int i2) const {
    FarthestPoint best;
    if (i2 - 1 < i1 || !LineData2Grid.Has(i1) || !LineData2Grid.Has(i2))
        return best;
    const CellRow p1 = LineData2Grid[i1];
    const CellRow p2 = LineData2Grid[i2];
    const double ex = p2.x - p1.x;
    const double ey = p2.y - p1.y;
    const double length = std::hypot(ex, ey);
    if (length == 0)
        return best;
    for (int i = i1; i <= i2 - 1; ++i) {
        const CellRow p = LineData2Grid[i];
        const double d = std::abs(ex * (p.y - p1.y) - ey * (p.x - p1.x)) / length;
        if (d > best.d) {
            best.d = d;
            best.k = i;
        }
    }
    return best;
}

void RoofTracer::FindRoofCorners() {
    PointNumGrid.Clear();
    TopPointGrid.Clear();
    const int n = LineDataGrid.Rows();
    // Fewer than two outline points give no polygon; nothing is registered then.
    if (n < 2)
        return;

    // 1. Extremes: the first row of the largest x, largest y, smallest x, smallest y.
    int maxX = -999, maxY = -999, minX = 999, minY = 999;
    int rowMaxX = -1, rowMaxY = -1, rowMinX = -1, rowMinY = -1;
    for (int row = 1; row <= n; ++row) {
        const FlaggedCellRow& p = LineDataGrid[row];
        if (p.x > maxX) {
            maxX = p.x;
            rowMaxX = row;
        }
        if (p.y > maxY) {
            maxY = p.y;
            rowMaxY = row;
        }
        if (p.x < minX) {
            minX = p.x;
            rowMinX = row;
        }
        if (p.y < minY) {
            minY = p.y;
            rowMinY = row;
        }
    }

    // 2. Initial corners: those rows and the last row, sorted, duplicates dropped.
    int candidates[] = {rowMaxX, rowMaxY, rowMinX, rowMinY, n};
    std::sort(std::begin(candidates), std::end(candidates));
    for (int i = 0; i < 5; ++i) {
        if (i == 0 || candidates[i] >= candidates[i - 1] + 1)
            PointNumGrid.Append({candidates[i], 'A'});
    }
    const int first = PointNumGrid[1].index;
    const int last = PointNumGrid[PointNumGrid.Rows()].index;

    // 3. Working copy: row k holds outline point k for k = first ... last - 1,
    //    the only rows the passes and the corner positions read.
    LineData2Grid.Clear();
    for (int row = 1; row <= last - 1; ++row) {
        const FlaggedCellRow& p = LineDataGrid[row];
        LineData2Grid.Append(row >= first ? CellRow{p.x, p.y} : CellRow{});
    }

    // 4./5. Two split passes; the second looks only at sides split by the first.
    auto split = [&](int i) {
        const FarthestPoint f =
            FarthestFromChord(PointNumGrid[i].index, PointNumGrid[i + 1].index - 1);
        if (f.k > 0 && f.d > kSplitThreshold) {
            PointNumGrid[i].flag = 'B';
            PointNumGrid.Append({f.k, 'B'});
        } else {
            PointNumGrid[i].flag = 'A';
        }
    };
    const int initial = PointNumGrid.Rows();
    for (int i = 1; i <= initial - 1; ++i)
        split(i);
    SortByIndex(PointNumGrid);
    const int afterFirst = PointNumGrid.Rows();
    for (int i = 1; i <= afterFirst - 1; ++i)
        if (PointNumGrid[i].flag == 'B')
            split(i);
    SortByIndex(PointNumGrid);

    // 6. Corner positions; the last one is taken one point before the end of the outline.
    const int m = PointNumGrid.Rows();
    for (int j = 1; j <= m; ++j) {
        const int index = j < m ? PointNumGrid[j].index : PointNumGrid[j].index - 1;
        const CellRow p = LineData2Grid.Has(index) ? LineData2Grid[index] : CellRow{};
        TopPointGrid.Append({p.x, p.y, kNoFlag});
    }

    // 7. Short sides: a corner closer than 5 to the last kept one is flagged.
    int kept = 1;
    for (int j = 2; j <= TopPointGrid.Rows(); ++j) {
        if (Distance(TopPointGrid[j], TopPointGrid[kept]) < kMinimumSide)
            TopPointGrid[j].flag = 'B';
        else
            kept = j;
    }
}

std::vector<PreviewLine> RoofTracer::CornerPreview() const {
    std::vector<PreviewLine> lines;
    const int m = TopPointGrid.Rows();
    if (m == 0)
        return lines;
    auto at = [&](int j) { return ToPicture(TopPointGrid[j].x, TopPointGrid[j].y); };
    int kept = 1;
    for (int j = 2; j <= m; ++j) {
        if (TopPointGrid[j].flag == 'B')
            continue;
        lines.push_back({at(kept), at(j)});
        kept = j;
    }
    lines.push_back({at(m), at(1)});
    return lines;
}

std::vector<PicturePoint> RoofTracer::TracedRoofOutline() const {
    std::vector<PicturePoint> outline;
    const int m = TopPointGrid.Rows();
    if (m == 0)
        return outline;
    for (const FlaggedCellRow& c : TopPointGrid)
        if (c.flag != 'B')
            outline.push_back(ToPicture(c.x, c.y));
    // Close the outline on its first point, as a hand-drawn one is: a last
    // corner very near the first is replaced by it.
    const PicturePoint f = ToPicture(TopPointGrid[1].x, TopPointGrid[1].y);
    if (Distance(TopPointGrid[1], TopPointGrid[m]) < kClosingDistance)
        outline.back() = f;
    else
        outline.push_back(f);
    return outline;
}

} // namespace velmora
