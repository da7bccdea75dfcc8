// SPDX-License-Identifier: GPL-3.0-or-later
// Reduction of the traced outline to the corners of a polygon: start from
// the outline's extreme points, split every side that strays more than 2
// pixels from its chord, split the split parts once more, then flag corners
// that lie too close to the corner kept before them.
#include <algorithm>
#include <array>
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

namespace {

// A notch deeper than this (pixels) below the outline's hull is one.
constexpr double kNotchDepth = 3;
// Outline points this close to a hull side run along it.
constexpr double kAlongSide = 2.5;
// The outline runs along the side this far on both sides of a bridged notch.
constexpr double kSideRun = 8;
// Wider notches are no structure on the roof: another building hides that part.
constexpr double kWidestNotch = 70;
// A side whose outwards normal points this far up the picture is the
// roof's far side; a notch there spans at most this share of it.
constexpr double kFarSide = 0.85;
constexpr double kFarNotch = 0.9;
// A notch whose side faces the camera (outwards normal this far down in
// the picture) is where a building in front hides the roof.
constexpr double kNearSide = -0.5;

long Cross(const FlaggedCellRow& o, const FlaggedCellRow& a, const FlaggedCellRow& b) {
    return long(a.x - o.x) * (b.y - o.y) - long(a.y - o.y) * (b.x - o.x);
}

} // namespace

int RoofTracer::BridgeSideNotches() {
    const int n = LineDataGrid.Rows();
    if (n < 16)
        return 0;
    auto at = [&](int row) -> const FlaggedCellRow& { return LineDataGrid[(row - 1) % n + 1]; };
    // The outline's convex hull (monotone chain), as outline rows.
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        order[std::size_t(i)] = i + 1;
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return at(a).x < at(b).x || (at(a).x == at(b).x && at(a).y < at(b).y);
    });
    std::vector<int> hull(2 * order.size());
    std::size_t k = 0;
    for (const int i : order) {
        while (k >= 2 && Cross(at(hull[k - 2]), at(hull[k - 1]), at(i)) <= 0)
            --k;
        hull[k++] = i;
    }
    for (std::size_t i = order.size() - 1, lower = k + 1; i > 0; --i) {
        while (k >= lower && Cross(at(hull[k - 2]), at(hull[k - 1]), at(order[i - 1])) <= 0)
            --k;
        hull[k++] = order[i - 1];
    }
    hull.resize(k > 0 ? k - 1 : 0);
    std::sort(hull.begin(), hull.end());
    hull.erase(std::unique(hull.begin(), hull.end()), hull.end());
    if (hull.size() < 3)
        return 0;
    double cx = 0, cy = 0;
    for (int i = 1; i <= n; ++i) {
        cx += at(i).x;
        cy += at(i).y;
    }
    cx /= n;
    cy /= n;

    std::vector<FlaggedCellRow> out;
    int bridged = 0;
    for (std::size_t h = 0; h < hull.size(); ++h) {
        const int a = hull[h];
        const int b = h + 1 < hull.size() ? hull[h + 1] : hull[0] + n;
        const FlaggedCellRow p = at(a), q = at(b);
        const double length = std::hypot(q.x - p.x, q.y - p.y);
        bool bridge = false;
        if (b - a > 2 && length > 2 * kSideRun) {
            const double ux = (q.x - p.x) / length, uy = (q.y - p.y) / length;
            auto off = [&](int i) {
                return std::fabs((at(i).x - p.x) * uy - (at(i).y - p.y) * ux);
            };
            auto along = [&](int i) { return (at(i).x - p.x) * ux + (at(i).y - p.y) * uy; };
            double depth = 0;
            for (int i = a; i <= b; ++i)
                depth = std::max(depth, off(i));
            double nx = uy, ny = -ux;
            if (nx * ((p.x + q.x) / 2.0 - cx) + ny * ((p.y + q.y) / 2.0 - cy) < 0) {
                nx = -nx;
                ny = -ny;
            }
            if (depth > kNotchDepth && ny > kNearSide) {
                double fromA = 0, toB = length;
                for (int i = a; i <= b && off(i) <= kAlongSide; ++i)
                    fromA = std::max(fromA, along(i));
                for (int i = b; i >= a && off(i) <= kAlongSide; --i)
                    toB = std::min(toB, along(i));
                // Only what stands on the roof cuts into its far side: there
                // the notch is bridged whatever its width.
                const bool far = ny >= kFarSide && toB - fromA <= kFarNotch * length;
                bridge = toB > fromA && (far || (std::max(fromA, length - toB) >= kSideRun &&
                                                 toB - fromA <= kWidestNotch));
            }
        }
        if (!bridge) {
            for (int i = a; i < b; ++i)
                out.push_back(at(i));
            continue;
        }
        ++bridged;
        const int steps = static_cast<int>(std::ceil(length));
        for (int s = 0; s < steps; ++s)
            out.push_back({static_cast<int>(std::lround(p.x + (q.x - p.x) * double(s) / steps)),
                           static_cast<int>(std::lround(p.y + (q.y - p.y) * double(s) / steps)),
                           kNoFlag});
    }
    if (bridged == 0)
        return 0;
    // The outline now starts at its first hull point, next to where it did.
    LineDataGrid.Clear();
    for (const FlaggedCellRow& c : out)
        if (!LineDataGrid.Append(c))
            break;
    return bridged;
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

namespace velmora {

namespace {

struct FittedSide {
    double px = 0, py = 0; // a point on the side
    double dx = 0, dy = 0; // its unit direction
    int points = 0;
};

// A corner this close (pixels) to the chord between its neighbours is none.
constexpr double kFlat = 3.0;
constexpr double kShortSide = 12.0;
// Sides that run on within this angle (sine) are one side.
constexpr double kStraightOn = 0.17;
// A corner where two sides meet at a sharper angle than this (sine) is
// taken where their lines cross, if that lies within kCornerShift pixels.
constexpr double kMeeting = 0.34;
constexpr double kCornerShift = 8;
// The ends of a side (this share each) lie in the rounding of its corners.
constexpr double kSideEnds = 0.15;
// The roof's rim outside the traced surface, read on the side's mean grey
// profile outwards: a band at least kRimStep darker than the roof (its
// parapet) entered within kRimStart pixels, whose far edge is where the
// profile leaves the band's grey by kRimLeave within kParapetReach pixels.
// A step of more than kDarkStep goes straight to a face or a shadow: no
// band. Without either, the strongest step within kRimStart is the edge.
constexpr int kRimStep = 8;
constexpr int kRimStart = 3;
constexpr int kRimReach = 14;
constexpr int kRimLeave = 5;
constexpr int kParapetReach = 3;
constexpr double kDarkStep = 45;
// A parapet whose far edge the picture does not show is taken as wide as
// the roof's others, or this wide (pixels) when none shows.
constexpr double kTypicalParapet = 3;

} // namespace

RoofRim RoofTracer::ReadRoofRim(double px, double py, double dx, double dy, FlaggedCellRow from,
                                FlaggedCellRow to) const {
    RoofRim rim;
    // Outwards: away from the click.
    double nx = dy, ny = -dx;
    if (nx * (px - kClickLocalX) + ny * (py - kClickLocalY) < 0) {
        nx = -nx;
        ny = -ny;
    }
    rim.nx = nx;
    rim.ny = ny;
    // The side's middle part, read at each distance out: its mean grey.
    const double t0 = (from.x - px) * dx + (from.y - py) * dy;
    const double t1 = (to.x - px) * dx + (to.y - py) * dy;
    const double lo = std::min(t0, t1), hi = std::max(t0, t1), trim = (hi - lo) * kSideEnds;
    std::array<double, kRimReach + 2> mean{};
    for (int d = 0; d <= kRimReach + 1; ++d) {
        double sum = 0;
        int count = 0;
        for (double t = lo + trim; t <= hi - trim; t += 1) {
            sum += GetLocalGrey(static_cast<int>(std::lround(px + t * dx + d * nx)),
                                static_cast<int>(std::lround(py + t * dy + d * ny)));
            ++count;
        }
        mean[std::size_t(d)] = count > 0 ? sum / count : 0;
    }
    const double roof = mean[0];
    int start = 1;
    while (start <= kRimStart && mean[std::size_t(start)] > roof - kRimStep)
        ++start;
    if (start <= kRimStart) {
        rim.inner = start - 0.5;
        const double band = std::min(mean[std::size_t(start)], mean[std::size_t(start + 1)]);
        if (roof - band > kDarkStep)
            return rim;
        rim.band = true;
        for (int d = start + 1; d <= start + kParapetReach && d <= kRimReach + 1; ++d)
            if (std::fabs(mean[std::size_t(d)] - band) >= kRimLeave) {
                rim.width = d - 0.5 - rim.inner;
                break;
            }
        return rim;
    }
    double step = 0;
    for (int d = 0; d < kRimStart; ++d)
        if (const double j = std::fabs(mean[std::size_t(d + 1)] - mean[std::size_t(d)]); j > step) {
            step = j;
            rim.inner = d + 0.5;
        }
    return rim;
}

std::vector<PicturePoint> RoofTracer::FittedRoofOutline() const {
    const int m = TopPointGrid.Rows();
    const int n = LineDataGrid.Rows();
    std::vector<int> corner; // outline rows of the kept corners
    for (int j = 1; j <= m; ++j)
        if (TopPointGrid[j].flag != 'B')
            corner.push_back(std::clamp(j < m ? PointNumGrid[j].index : PointNumGrid[j].index - 1,
                                        1, std::max(n, 1)));
    if (corner.size() > 1 && Distance(TopPointGrid[1], TopPointGrid[m]) < kClosingDistance &&
        TopPointGrid[m].flag != 'B')
        corner.pop_back();
    if (corner.size() < 3 || n < 8)
        return TracedRoofOutline();
    auto at = [&](int row) { return LineDataGrid[(row - 1 + 4 * n) % n + 1]; };
    // The side from corner k to corner k + 1, fitted to the outline between
    // them (total least squares).
    auto fit = [&](std::size_t k) {
        const int a = corner[k];
        int b = corner[(k + 1) % corner.size()];
        if (b <= a)
            b += n;
        const int trim = static_cast<int>((b - a) * kSideEnds);
        FittedSide s;
        double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
        for (int i = a + trim; i <= b - trim; ++i) {
            const FlaggedCellRow& p = at(i);
            sx += p.x;
            sy += p.y;
            sxx += double(p.x) * p.x;
            syy += double(p.y) * p.y;
            sxy += double(p.x) * p.y;
            ++s.points;
        }
        if (s.points < 4) {
            const FlaggedCellRow p = at(a), q = at(b);
            const double len = std::hypot(q.x - p.x, q.y - p.y);
            s = {double(p.x), double(p.y), len > 0 ? (q.x - p.x) / len : 1,
                 len > 0 ? (q.y - p.y) / len : 0, 0};
            return s;
        }
        s.px = sx / s.points;
        s.py = sy / s.points;
        const double cxx = sxx / s.points - s.px * s.px, cyy = syy / s.points - s.py * s.py,
                     cxy = sxy / s.points - s.px * s.py;
        const double angle = 0.5 * std::atan2(2 * cxy, cxx - cyy);
        s.dx = std::cos(angle);
        s.dy = std::sin(angle);
        return s;
    };
    // How far corner k lies from the chord between its neighbours.
    auto offChord = [&](std::size_t k) {
        const FlaggedCellRow p = at(corner[(k + corner.size() - 1) % corner.size()]);
        const FlaggedCellRow c = at(corner[k]);
        const FlaggedCellRow q = at(corner[(k + 1) % corner.size()]);
        const double len = std::hypot(q.x - p.x, q.y - p.y);
        return len > 0 ? std::fabs((q.x - p.x) * (c.y - p.y) - (q.y - p.y) * (c.x - p.x)) / len
                       : 0.0;
    };
    // How sharply the outline turns at corner k (the sine of the angle).
    auto turn = [&](std::size_t k) {
        const FlaggedCellRow p = at(corner[(k + corner.size() - 1) % corner.size()]);
        const FlaggedCellRow c = at(corner[k]);
        const FlaggedCellRow q = at(corner[(k + 1) % corner.size()]);
        const double a = std::hypot(c.x - p.x, c.y - p.y), b = std::hypot(q.x - c.x, q.y - c.y);
        return a > 0 && b > 0
                   ? std::fabs((c.x - p.x) * (q.y - c.y) - (c.y - p.y) * (q.x - c.x)) / (a * b)
                   : 0.0;
    };
    // A corner within kFlat of that chord is a bump of the traced boundary,
    // and a side shorter than kShortSide a spur or a notch, not a side of
    // the roof: the flattest such corner goes first, until every corner is
    // a real turn between real sides.
    while (corner.size() > 3) {
        std::size_t flattest = 0;
        double least = 1e9;
        for (std::size_t k = 0; k < corner.size(); ++k)
            if (const double d = turn(k) < kStraightOn ? 0 : offChord(k); d < least) {
                least = d;
                flattest = k;
            }
        if (least < kFlat) {
            corner.erase(corner.begin() + static_cast<std::ptrdiff_t>(flattest));
            continue;
        }
        std::size_t shortest = 0;
        double shortestLength = 1e9;
        for (std::size_t k = 0; k < corner.size(); ++k) {
            const FlaggedCellRow p = at(corner[k]), q = at(corner[(k + 1) % corner.size()]);
            if (const double len = std::hypot(q.x - p.x, q.y - p.y); len < shortestLength) {
                shortestLength = len;
                shortest = k;
            }
        }
        if (shortestLength >= kShortSide)
            break;
        const std::size_t next = (shortest + 1) % corner.size();
        corner.erase(corner.begin() + static_cast<std::ptrdiff_t>(
                                          offChord(shortest) <= offChord(next) ? shortest : next));
    }
    std::vector<FittedSide> side;
    side.clear();
    for (std::size_t k = 0; k < corner.size(); ++k)
        side.push_back(fit(k));
    std::vector<RoofRim> rim(corner.size());
    std::vector<double> widths;
    for (std::size_t k = 0; k < corner.size(); ++k)
        if (side[k].points >= 4) {
            rim[k] = ReadRoofRim(side[k].px, side[k].py, side[k].dx, side[k].dy, at(corner[k]),
                                 at(corner[(k + 1) % corner.size()]));
            if (rim[k].width >= 0)
                widths.push_back(rim[k].width);
        }
    double typical = kTypicalParapet;
    if (!widths.empty()) {
        std::nth_element(widths.begin(), widths.begin() + widths.size() / 2, widths.end());
        typical = widths[widths.size() / 2];
    }
    for (std::size_t k = 0; k < corner.size(); ++k) {
        const RoofRim& r = rim[k];
        const double push = r.inner + (r.width >= 0 ? r.width : r.band ? typical : 0);
        side[k].px += push * r.nx;
        side[k].py += push * r.ny;
    }
    std::vector<PicturePoint> out;
    for (std::size_t k = 0; k < corner.size(); ++k) {
        const FittedSide& a = side[(k + corner.size() - 1) % corner.size()];
        const FittedSide& b = side[k];
        const FlaggedCellRow c = at(corner[k]);
        double x = c.x, y = c.y;
        const double cross = a.dx * b.dy - a.dy * b.dx;
        if (std::fabs(cross) >= kMeeting) {
            const double t = ((b.px - a.px) * b.dy - (b.py - a.py) * b.dx) / cross;
            const double ix = a.px + t * a.dx, iy = a.py + t * a.dy;
            if (std::hypot(ix - c.x, iy - c.y) <= kCornerShift + kRimReach) {
                x = ix;
                y = iy;
            }
        }
        out.push_back(
            {static_cast<float>(x - pLocalOffsetX), static_cast<float>(y - pLocalOffsetY)});
    }
    out.push_back(out.front());
    return out;
}

} // namespace velmora
