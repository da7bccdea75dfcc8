// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/Editing.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace velmora {

namespace {

using Coords = std::array<float, kPointCapacity>;

struct Run {
    int start = 0;
    int count = 0;
    int Last() const { return start + count - 1; }
};

int Total(const BuildingData& d) {
    return std::clamp<int>(d.gTopAreaPointTotalNumber, 0, static_cast<int>(kPointCapacity));
}
int Roofs(const BuildingData& d) {
    return std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
}
int Walls(const BuildingData& d) {
    return std::clamp<int>(d.gWallEdgeNumber, 0, static_cast<int>(kWallCapacity));
}

bool ValidRoof(const BuildingData& d, int r) {
    return r >= 0 && r < Roofs(d);
}

// The point run of roof r, when r is a roof and its run lies inside the used
// part of the point store.
std::optional<Run> RunOf(const BuildingData& d, int r) {
    if (!ValidRoof(d, r))
        return std::nullopt;
    const Run run{d.gEachTopAreaStartNum[r], d.gEachTopAreaPointNum[r]};
    if (run.start < 0 || run.count < 0 || run.start + run.count > Total(d))
        return std::nullopt;
    return run;
}

const Coords& Xs(const BuildingData& d, PointSpace s) {
    return s == PointSpace::Picture ? d.gTopAreaX : d.gFlatTopAreaX;
}
const Coords& Ys(const BuildingData& d, PointSpace s) {
    return s == PointSpace::Picture ? d.gTopAreaY : d.gFlatTopAreaY;
}

double Distance(double x0, double y0, double x1, double y1) {
    return std::sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0));
}

bool Between(double v, double a, double b) {
    return std::min(a, b) <= v && v <= std::max(a, b);
}

// Copies point slot `from` to slot `to` in all four coordinate columns.
void CopySlot(BuildingData& d, int from, int to) {
    d.gTopAreaX[to] = d.gTopAreaX[from];
    d.gTopAreaY[to] = d.gTopAreaY[from];
    d.gFlatTopAreaX[to] = d.gFlatTopAreaX[from];
    d.gFlatTopAreaY[to] = d.gFlatTopAreaY[from];
}

void CopyWall(BuildingData& d, int from, int to) {
    d.gFirstWallEdgeX[to] = d.gFirstWallEdgeX[from];
    d.gFirstWallEdgeY[to] = d.gFirstWallEdgeY[from];
    d.gSecondWallEdgeX[to] = d.gSecondWallEdgeX[from];
    d.gSecondWallEdgeY[to] = d.gSecondWallEdgeY[from];
    d.gWallEdgefotEachTopArea[to] = d.gWallEdgefotEachTopArea[from];
}

Count FindAreaAt(const BuildingData& d, PointSpace space, double x, double y) {
    const Coords& xs = Xs(d, space);
    const int roofs = Roofs(d);
    for (int i = 0; i < roofs; ++i) {
        const auto run = RunOf(d, i);
        if (!run)
            continue;
        int crossing[3] = {0, 0, 0};
        int crossings = 0;
        for (int j = run->start + 1; j <= run->Last(); ++j) {
            const double x0 = xs[j - 1];
            const double x1 = xs[j];
            if ((x0 <= x && x < x1) || (x1 <= x && x < x0)) {
                if (crossings < 3)
                    crossing[crossings] = j;
                ++crossings;
            }
        }
        if (crossings == 2 && IsBetweenEdges(d, space, static_cast<Count>(crossing[0]),
                                             static_cast<Count>(crossing[1]), x, y) == 1)
            return static_cast<Count>(i);
    }
    return -1;
}

// Point count bookkeeping after one slot of roof a was removed.
void DropOnePoint(BuildingData& d, int a) {
    d.gTopAreaPointTotalNumber = static_cast<Count>(Total(d) - 1);
    d.gEachTopAreaPointNum[a] = static_cast<Count>(d.gEachTopAreaPointNum[a] - 1);
    for (int r = a + 1; r < Roofs(d); ++r)
        d.gEachTopAreaStartNum[r] = static_cast<Count>(d.gEachTopAreaStartNum[r] - 1);
}

// Keeps roof a when it still has a real outline, else removes it.
int KeepOrRemoveRoof(BuildingData& d, int a) {
    if (d.gEachTopAreaPointNum[a] >= kSmallestOutline)
        return 1;
    if (Roofs(d) == 1) {
        d.gTopAreaPointTotalNumber = 0;
        d.gEachTopAreaNumber = 0;
        d.gWallEdgeNumber = 0;
    } else {
        RemoveActiveTopArea(d, static_cast<Count>(a));
    }
    return 0;
}

// The slot a deletion of point k of `run` removes: the closing point stands
// for the first corner, which it repeats.
int CornerSlot(const Run& run, int k) {
    return (k == run.Last() && run.count > 1) ? run.start : k;
}

// How the drag of one outline point reads and writes its coordinates.
struct PointAccess {
    Coords& xs;
    Coords& ys;
    double scale; // map units per stored unit
    double X(int j) const { return xs[j] * scale; }
    double Y(int j) const { return ys[j] * scale; }
};

// Moves point k of `run` to map position (x, y), with the XOR drawing of
// the old and new edges. Edges run from the earlier to the later point, as
// the full redraw draws them, so that XOR removes them exactly. The new
// position is drawn as stored (a float, times the scale), which is where
// the next step erases it.
void MoveOutlinePoint(PointAccess p, const Run& run, int k, double x, double y, DrawList& ops) {
    const DrawMode m = DrawMode::Xor;
    const Rgb c = kActiveColour;
    const int s = run.start;
    const int last = run.Last();
    const auto store = [&](int j) {
        p.xs[j] = static_cast<float>(x / p.scale);
        p.ys[j] = static_cast<float>(y / p.scale);
    };
    if (k == s) {
        const double ox = p.X(s), oy = p.Y(s);
        const bool hasNext = s + 1 <= last;
        const bool hasClosing = last > s + 1;
        if (hasNext)
            ops.push_back(DrawOp::Line(ox, oy, p.X(s + 1), p.Y(s + 1), c, m));
        ops.push_back(DrawOp::Circle(ox, oy, kMarkerRadius, c, m));
        if (hasClosing)
            ops.push_back(DrawOp::Line(p.X(last - 1), p.Y(last - 1), p.X(last), p.Y(last), c, m));
        store(s);
        if (last > s)
            store(last);
        x = p.X(s);
        y = p.Y(s);
        if (hasNext)
            ops.push_back(DrawOp::Line(x, y, p.X(s + 1), p.Y(s + 1), c, m));
        ops.push_back(DrawOp::Circle(x, y, kMarkerRadius, c, m));
        if (hasClosing)
            ops.push_back(DrawOp::Line(p.X(last - 1), p.Y(last - 1), x, y, c, m));
        return;
    }
    const bool hasPrev = k - 1 >= s;
    const bool hasNext = k + 1 <= last;
    if (hasPrev)
        ops.push_back(DrawOp::Line(p.X(k - 1), p.Y(k - 1), p.X(k), p.Y(k), c, m));
    if (hasNext)
        ops.push_back(DrawOp::Line(p.X(k), p.Y(k), p.X(k + 1), p.Y(k + 1), c, m));
    ops.push_back(DrawOp::Circle(p.X(k), p.Y(k), kMarkerRadius, c, m));
    store(k);
    x = p.X(k);
    y = p.Y(k);
    if (hasPrev)
        ops.push_back(DrawOp::Line(p.X(k - 1), p.Y(k - 1), x, y, c, m));
    if (hasNext)
        ops.push_back(DrawOp::Line(x, y, p.X(k + 1), p.Y(k + 1), c, m));
    ops.push_back(DrawOp::Circle(x, y, kMarkerRadius, c, m));
}

} // namespace

std::string_view RefusalMessage(EditRefusal r) {
    switch (r) {
    case EditRefusal::OutlineFull:
        return "1つの屋上ラインに置ける点は100点までです。始点をクリックしてラインを閉じてください"
               "。";
    case EditRefusal::PointStoreFull:
        return "点の数が上限（2001点）に達したため、これ以上追加できません。";
    case EditRefusal::RoofTableFull:
        return "屋上ラインの数が上限（501）に達したため、これ以上追加できません。";
    case EditRefusal::WallTableFull:
        return "側壁ラインの数が上限（801本）に達したため、これ以上追加できません。";
    case EditRefusal::None:
    case EditRefusal::NoActiveRoof:
    case EditRefusal::BadIndex:
        break;
    }
    return {};
}

// ---------------------------------------------------------------- drawing

bool IsTopAreaClosed(const OutlineBuffer& o, float x, float y) {
    return o.pDrawPointNum > 2 && Distance(x, y, o.pDrawX[0], o.pDrawY[0]) < kCloseDistance;
}

EditRefusal AddDrawnTopArea(BuildingData& d, const OutlineBuffer& o) {
    const int n = std::clamp<int>(o.pDrawPointNum, 0, static_cast<int>(kOutlineCapacity));
    std::vector<PicturePoint> outline;
    outline.reserve(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c)
        outline.push_back({o.pDrawX[c], o.pDrawY[c]});
    switch (AppendTopArea(d, outline)) {
    case AppendResult::Ok:
        return EditRefusal::None;
    case AppendResult::PointStoreFull:
        return EditRefusal::PointStoreFull;
    case AppendResult::RoofTableFull:
        return EditRefusal::RoofTableFull;
    case AppendResult::WallTableFull:
        return EditRefusal::WallTableFull;
    case AppendResult::TooFewPoints:
        break;
    }
    return EditRefusal::BadIndex;
}

RoofClickResult RoofToolClick(BuildingData& d, OutlineBuffer& o, float x, float y) {
    RoofClickResult res;
    o.pDrawPointNum = static_cast<Count>(std::clamp<int>(o.pDrawPointNum, 0, kOutlineCapacity - 1));
    const int n = o.pDrawPointNum;
    if (IsTopAreaClosed(o, x, y)) {
        // The outline ends exactly on its first point.
        o.pDrawX[n] = o.pDrawX[0];
        o.pDrawY[n] = o.pDrawY[0];
        o.pDrawPointNum = static_cast<Count>(n + 1);
        res.refusal = AddDrawnTopArea(d, o);
        o.pDrawPointNum = 0;
        res.outlineDropped = true;
        res.kind =
            res.refusal == EditRefusal::None ? RoofClickKind::RoofClosed : RoofClickKind::Refused;
        return res;
    }
    // One slot stays free for the closing point, and the record must be able
    // to take the outline with it, so a started outline can always be closed.
    if (n + 1 >= static_cast<int>(kOutlineCapacity))
        res.refusal = EditRefusal::OutlineFull;
    else if (Roofs(d) + 1 > static_cast<int>(kRoofCapacity))
        res.refusal = EditRefusal::RoofTableFull;
    else if (Total(d) + n + 2 > static_cast<int>(kPointCapacity))
        res.refusal = EditRefusal::PointStoreFull;
    if (res.refusal != EditRefusal::None)
        return res;
    o.pDrawX[n] = x;
    o.pDrawY[n] = y;
    o.pDrawPointNum = static_cast<Count>(n + 1);
    res.kind = RoofClickKind::PointAdded;
    return res;
}

Count FindActiveTopPoint(const BuildingData& d, Count active, float x, float y) {
    const auto run = RunOf(d, active);
    if (!run)
        return -1;
    for (int j = run->start; j <= run->Last(); ++j)
        if (Distance(x, y, d.gTopAreaX[j], d.gTopAreaY[j]) < kPickDistance)
            return static_cast<Count>(j);
    return -1;
}

EditRefusal AddWallEdge(BuildingData& d, Count active, const WallStart& s, float x, float y) {
    if (!ValidRoof(d, active))
        return EditRefusal::NoActiveRoof;
    if (AppendWallEdge(d, {s.pWallStartX, s.pWallStartY}, {x, y}, active) != AppendResult::Ok)
        return EditRefusal::WallTableFull;
    return EditRefusal::None;
}

WallClickResult WallToolClick(BuildingData& d, Count active, WallStart& s, float x, float y) {
    WallClickResult res;
    if (!ValidRoof(d, active))
        return res;
    const Count k = FindActiveTopPoint(d, active, x, y);
    if (k > -1 && s.pWallStartSet == 0) {
        if (Walls(d) + 1 > static_cast<int>(kWallCapacity)) {
            res.kind = WallClickKind::Refused;
            res.refusal = EditRefusal::WallTableFull;
            return res;
        }
        s.pWallStartX = d.gTopAreaX[k];
        s.pWallStartY = d.gTopAreaY[k];
        s.pWallStartSet = 1;
        res.kind = WallClickKind::StartPicked;
        res.point = k;
    } else if (k == -1 && s.pWallStartSet != 0) {
        res.refusal = AddWallEdge(d, active, s, x, y);
        s.pWallStartSet = 0;
        res.kind =
            res.refusal == EditRefusal::None ? WallClickKind::WallAdded : WallClickKind::Refused;
    }
    return res;
}

// -------------------------------------------------------------- hit tests

Count FindTopAreaAt(const BuildingData& d, float x, float y) {
    return FindAreaAt(d, PointSpace::Picture, x, y);
}

Count FindFlatTopAreaAt(const BuildingData& d, float flatMapRate, float x, float y) {
    if (flatMapRate == 0)
        return -1;
    return FindAreaAt(d, PointSpace::Plan, static_cast<double>(x) / flatMapRate,
                      static_cast<double>(y) / flatMapRate);
}

int IsBetweenEdges(const BuildingData& d, PointSpace space, Count j1, Count j2, double x,
                   double y) {
    const Coords& xs = Xs(d, space);
    const Coords& ys = Ys(d, space);
    const auto heightAt = [&](int j) -> std::optional<double> {
        if (j < 1 || j >= Total(d))
            return std::nullopt;
        const double x0 = xs[j - 1], y0 = ys[j - 1], x1 = xs[j], y1 = ys[j];
        if (y1 == y0)
            return y0;
        if (x1 == x0)
            return std::nullopt;
        return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
    };
    const auto h1 = heightAt(j1);
    const auto h2 = heightAt(j2);
    if (!h1 || !h2)
        return -1;
    return Between(y, *h1, *h2) ? 1 : -1;
}

PointOrWallHit FindActivePointOrWallEnd(const BuildingData& d, Count active, float x, float y) {
    PointOrWallHit hit;
    hit.x = x;
    hit.y = y;
    const auto run = RunOf(d, active);
    if (!run)
        return hit;
    for (int j = run->start; j <= run->Last(); ++j) {
        if (Distance(x, y, d.gTopAreaX[j], d.gTopAreaY[j]) < kPickDistance) {
            hit.point = static_cast<Count>(j);
            hit.x = d.gTopAreaX[j];
            hit.y = d.gTopAreaY[j];
            break;
        }
    }
    for (int w = 0; w < Walls(d); ++w) {
        if (d.gWallEdgefotEachTopArea[w] != active)
            continue;
        if (Distance(hit.x, hit.y, d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w]) < kPickDistance ||
            Distance(hit.x, hit.y, d.gSecondWallEdgeX[w], d.gSecondWallEdgeY[w]) < kPickDistance) {
            hit.wall = static_cast<Count>(w);
            break;
        }
    }
    if (hit.point >= 0)
        hit.kind = hit.wall >= 0 ? 2 : 1;
    else if (hit.wall >= 0)
        hit.kind = 3;
    return hit;
}

EdgeHit FindActiveEdge(const BuildingData& d, Count active, float x, float y) {
    EdgeHit hit;
    const auto run = RunOf(d, active);
    if (!run)
        return hit;
    for (int j = run->start + 1; j <= run->Last(); ++j) {
        const double x0 = d.gTopAreaX[j - 1], y0 = d.gTopAreaY[j - 1];
        const double x1 = d.gTopAreaX[j], y1 = d.gTopAreaY[j];
        if (x1 == x0) {
            if (Between(y, y0, y1) && std::fabs(x - x0) < kEdgeDistance) {
                hit = {static_cast<Count>(j), static_cast<float>(x0), y};
                return hit;
            }
            continue;
        }
        const double h = y0 + (x - x0) * (y1 - y0) / (x1 - x0);
        // A horizontal edge has the same height everywhere; only its own x
        // range counts, or a click far beside the roof would add a spike.
        const bool inExtent = y1 != y0 || Between(x, x0, x1);
        if (inExtent && Between(h, y0, y1) && std::fabs(y - h) < kEdgeDistance) {
            hit = {static_cast<Count>(j), x, static_cast<float>(h)};
            return hit;
        }
    }
    return hit;
}

Count FindFlatPoint(const BuildingData& d, Count active, float flatMapRate, float x, float y) {
    const auto run = RunOf(d, active);
    if (!run)
        return -1;
    for (int j = run->start; j <= run->Last(); ++j) {
        const double px = static_cast<double>(d.gFlatTopAreaX[j]) * flatMapRate;
        const double py = static_cast<double>(d.gFlatTopAreaY[j]) * flatMapRate;
        if (Distance(x, y, px, py) < kPickDistance)
            return static_cast<Count>(j);
    }
    return -1;
}

// ------------------------------------------------------------------ edits

EditRefusal InsertTopPoint(BuildingData& d, Count active, Count e, float x, float y) {
    const auto run = RunOf(d, active);
    if (!run)
        return EditRefusal::NoActiveRoof;
    if (e <= run->start || e > run->Last())
        return EditRefusal::BadIndex;
    const int total = Total(d);
    if (total + 1 > static_cast<int>(kPointCapacity))
        return EditRefusal::PointStoreFull;
    for (int i = total; i > e; --i)
        CopySlot(d, i - 1, i);
    d.gTopAreaX[e] = x;
    d.gTopAreaY[e] = y;
    // Plan points are recomputed before the plan map is drawn; until then
    // the new point sits on its predecessor.
    d.gFlatTopAreaX[e] = d.gFlatTopAreaX[e - 1];
    d.gFlatTopAreaY[e] = d.gFlatTopAreaY[e - 1];
    d.gTopAreaPointTotalNumber = static_cast<Count>(total + 1);
    d.gEachTopAreaPointNum[active] = static_cast<Count>(run->count + 1);
    for (int r = active + 1; r < Roofs(d); ++r)
        d.gEachTopAreaStartNum[r] = static_cast<Count>(d.gEachTopAreaStartNum[r] + 1);
    return EditRefusal::None;
}

void RemovePointSlot(BuildingData& d, Count active, Count k) {
    const int total = Total(d);
    if (k < 0 || k >= total)
        return;
    const auto run = RunOf(d, active);
    for (int i = k; i + 1 < total; ++i)
        CopySlot(d, i + 1, i);
    if (run && k == run->start && run->count >= 2)
        CopySlot(d, run->start, run->start + run->count - 2);
}

int DeleteTopPoint(BuildingData& d, Count active, Count k) {
    const auto run = RunOf(d, active);
    if (!run || k < run->start || k > run->Last())
        return -1;
    RemovePointSlot(d, active, static_cast<Count>(CornerSlot(*run, k)));
    DropOnePoint(d, active);
    return KeepOrRemoveRoof(d, active);
}

int DeleteTopPointAndWall(BuildingData& d, Count active, Count k, Count w) {
    const auto run = RunOf(d, active);
    if (!run || k < run->start || k > run->Last() || w < 0 || w >= Walls(d))
        return -1;
    RemovePointSlot(d, active, static_cast<Count>(CornerSlot(*run, k)));
    DeleteWallEdge(d, active, w);
    DropOnePoint(d, active);
    return KeepOrRemoveRoof(d, active);
}

int DeleteWallEdge(BuildingData& d, Count active, Count w) {
    const int walls = Walls(d);
    if (!ValidRoof(d, active) || w < 0 || w >= walls)
        return -1;
    for (int i = w; i + 1 < walls; ++i)
        CopyWall(d, i + 1, i);
    d.gWallEdgeNumber = static_cast<Count>(walls - 1);
    return walls - 1 > 0 ? 1 : 0;
}

bool RemoveActiveTopArea(BuildingData& d, Count active) {
    const auto run = RunOf(d, active);
    if (!run)
        return false;
    const int total = Total(d);
    const int roofs = Roofs(d);
    for (int i = run->start; i + run->count < total; ++i)
        CopySlot(d, i + run->count, i);
    d.gTopAreaPointTotalNumber = static_cast<Count>(total - run->count);

    for (int r = active; r + 1 < roofs; ++r) {
        d.gEachTopAreaStartNum[r] = d.gEachTopAreaStartNum[r + 1];
        d.gEachTopAreaPointNum[r] = d.gEachTopAreaPointNum[r + 1];
        d.gEachClosedTopAreaSTS[r] = d.gEachClosedTopAreaSTS[r + 1];
        d.gFlatTopHeight[r] = d.gFlatTopHeight[r + 1];
    }
    d.gEachTopAreaNumber = static_cast<Count>(roofs - 1);
    int start = 0;
    for (int r = 0; r < roofs - 1; ++r) {
        d.gEachTopAreaStartNum[r] = static_cast<Count>(start);
        start += d.gEachTopAreaPointNum[r];
    }

    int kept = 0;
    for (int w = 0; w < Walls(d); ++w) {
        const Count owner = d.gWallEdgefotEachTopArea[w];
        if (owner == active)
            continue;
        CopyWall(d, w, kept);
        if (owner > active)
            d.gWallEdgefotEachTopArea[kept] = static_cast<Count>(owner - 1);
        ++kept;
    }
    d.gWallEdgeNumber = static_cast<Count>(kept);
    return true;
}

// ------------------------------------------------------ double-click table

DoubleClickResult SlopeDoubleClick(BuildingData& d, int inputMode, Count active, float x, float y) {
    DoubleClickResult res;
    res.active = active;
    const auto select = [&](MenuState whenFound, bool clearWhenMissed) {
        const Count i = FindTopAreaAt(d, x, y);
        if (i >= 0) {
            res.active = i;
            res.redraw = {true, i, 0};
            res.removeRoofMenu = whenFound;
        } else {
            if (clearWhenMissed) {
                res.active = -1;
                res.redraw = {true, -1, -1};
            }
            res.removeRoofMenu = MenuState::Disable;
        }
    };
    const auto deselect = [&] {
        res.active = -1;
        res.removeRoofMenu = MenuState::Disable;
    };
    switch (inputMode) {
    case 0:
    case 2:
    case 3:
    case 4:
        select(MenuState::Enable, true);
        break;
    case 5:
        if (active < 0) {
            select(MenuState::Enable, false);
            break;
        }
        if (const EdgeHit e = FindActiveEdge(d, active, x, y); e.edge >= 0) {
            res.refusal = InsertTopPoint(d, active, e.edge, e.x, e.y);
            if (res.refusal == EditRefusal::None) {
                res.redraw = {true, active, -1};
                res.changed = true;
            }
        } else {
            deselect();
        }
        break;
    case 6: {
        if (active < 0) {
            select(MenuState::Keep, false);
            break;
        }
        const PointOrWallHit hit = FindActivePointOrWallEnd(d, active, x, y);
        int kept = 1;
        switch (hit.kind) {
        case 1:
            kept = DeleteTopPoint(d, active, hit.point);
            break;
        case 2:
            kept = DeleteTopPointAndWall(d, active, hit.point, hit.wall);
            break;
        case 3:
            DeleteWallEdge(d, active, hit.wall);
            break;
        default:
            deselect();
            return res;
        }
        res.changed = true;
        if (kept == 0) {
            res.active = -1;
            res.redraw = {true, -1, -1};
        } else {
            res.redraw = {true, active, 0};
        }
        break;
    }
    default:
        break;
    }
    return res;
}

// --------------------------------------------------------------- move tool

MoveGrab GrabFromHit(const PointOrWallHit& hit) {
    MoveGrab g;
    g.pGrabbed = 1;
    switch (hit.kind) {
    case 1:
        g.pGrabPoint = hit.point;
        break;
    case 2:
        g.pGrabPoint = hit.point;
        g.pGrabWallTop = hit.wall;
        break;
    case 3:
        g.pGrabWallBottom = hit.wall;
        break;
    default:
        g.pGrabbed = 0;
        break;
    }
    return g;
}

DragStep MoveSlopePoint(BuildingData& d, Count active, const MoveGrab& g,
                        const SelectBox& shownMarks, float x, float y) {
    DragStep step;
    const auto run = RunOf(d, active);
    if (!run)
        return step;
    AppendSelectMarks(step.ops, shownMarks, DrawMode::Xor);
    if (g.pGrabWallBottom < 0 && g.pGrabPoint >= run->start && g.pGrabPoint <= run->Last()) {
        MoveOutlinePoint({d.gTopAreaX, d.gTopAreaY, 1.0}, *run, CornerSlot(*run, g.pGrabPoint), x,
                         y, step.ops);
        step.moved = true;
    }
    const int walls = Walls(d);
    const bool top = g.pGrabWallTop >= 0 && g.pGrabWallTop < walls;
    const bool bottom = !top && g.pGrabWallBottom >= 0 && g.pGrabWallBottom < walls;
    if (top || bottom) {
        const int w = top ? g.pGrabWallTop : g.pGrabWallBottom;
        float& ex = top ? d.gFirstWallEdgeX[w] : d.gSecondWallEdgeX[w];
        float& ey = top ? d.gFirstWallEdgeY[w] : d.gSecondWallEdgeY[w];
        const Rgb c = kActiveWallColour;
        const DrawMode m = DrawMode::Xor;
        step.ops.push_back(DrawOp::Line(d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w],
                                        d.gSecondWallEdgeX[w], d.gSecondWallEdgeY[w], c, m));
        step.ops.push_back(DrawOp::Circle(ex, ey, kMarkerRadius, c, m));
        ex = x;
        ey = y;
        step.ops.push_back(DrawOp::Line(d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w],
                                        d.gSecondWallEdgeX[w], d.gSecondWallEdgeY[w], c, m));
        step.ops.push_back(DrawOp::Circle(ex, ey, kMarkerRadius, c, m));
        step.moved = true;
    }
    for (int j = run->start; j <= run->Last(); ++j)
        step.box.Widen(d.gTopAreaX[j], d.gTopAreaY[j]);
    for (int w = 0; w < walls; ++w) {
        if (d.gWallEdgefotEachTopArea[w] != active)
            continue;
        step.box.Widen(d.gFirstWallEdgeX[w], d.gFirstWallEdgeY[w]);
        step.box.Widen(d.gSecondWallEdgeX[w], d.gSecondWallEdgeY[w]);
    }
    AppendSelectMarks(step.ops, step.box, DrawMode::Xor);
    return step;
}

DragStep MoveFlatPoint(BuildingData& d, Count active, float flatMapRate, Count grabPoint,
                       const SelectBox& shownMarks, float x, float y) {
    DragStep step;
    const auto run = RunOf(d, active);
    if (!run || flatMapRate == 0)
        return step;
    AppendSelectMarks(step.ops, shownMarks, DrawMode::Xor);
    const PointAccess p{d.gFlatTopAreaX, d.gFlatTopAreaY, flatMapRate};
    if (grabPoint >= run->start && grabPoint <= run->Last()) {
        MoveOutlinePoint(p, *run, CornerSlot(*run, grabPoint), x, y, step.ops);
        step.moved = true;
    }
    for (int j = run->start; j <= run->Last(); ++j)
        step.box.Widen(p.X(j), p.Y(j));
    AppendSelectMarks(step.ops, step.box, DrawMode::Xor);
    return step;
}

TracedRegistration RegisterTracedRoof(BuildingData& d, const std::vector<PicturePoint>& outline,
                                      const PicturePoint* wallTop, const PicturePoint* wallBottom) {
    TracedRegistration r;
    if (outline.empty())
        return r;
    r.roof = AppendTopArea(d, outline);
    if (r.roof != AppendResult::Ok || wallTop == nullptr || wallBottom == nullptr)
        return r;
    r.wall = AppendWallEdge(d, *wallTop, *wallBottom, static_cast<Count>(d.gEachTopAreaNumber - 1));
    return r;
}

} // namespace velmora
