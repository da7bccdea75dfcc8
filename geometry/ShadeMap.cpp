// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/ShadeMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace velmora {

namespace {

constexpr double kRad = std::numbers::pi / 180;

// Spans of cell centres per grid row, gathered from many polygons and merged
// before they are counted, so overlapping shadows shade a cell once.
class SpanRows {
  public:
    explicit SpanRows(const ShadeGrid& g) : g_(g), rows_(static_cast<std::size_t>(g.ny)) {}

    // Even-odd fill of a ring shifted by `off`.
    void AddRing(std::span<const PlanXY> ring, PlanXY off) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const PlanXY& p : ring) {
            lo = std::min(lo, p.y);
            hi = std::max(hi, p.y);
        }
        int j0 = 0, j1 = -1;
        if (!RowRange(lo + off.y, hi + off.y, j0, j1))
            return;
        const std::size_t n = ring.size();
        for (int j = j0; j <= j1; ++j) {
            const double y = RowY(j) - off.y;
            xs_.clear();
            for (std::size_t i = 0, k = n - 1; i < n; k = i++) {
                const PlanXY& a = ring[i];
                const PlanXY& b = ring[k];
                if ((a.y > y) != (b.y > y))
                    xs_.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y) + off.x);
            }
            std::sort(xs_.begin(), xs_.end());
            for (std::size_t k = 0; k + 1 < xs_.size(); k += 2)
                Add(j, xs_[k], xs_[k + 1]);
        }
    }

    // A convex quadrilateral, boundary included.
    void AddConvex(const std::array<PlanXY, 4>& q) {
        double lo = q[0].y, hi = q[0].y;
        for (const PlanXY& p : q) {
            lo = std::min(lo, p.y);
            hi = std::max(hi, p.y);
        }
        int j0 = 0, j1 = -1;
        if (!RowRange(lo, hi, j0, j1))
            return;
        for (int j = j0; j <= j1; ++j) {
            const double y = RowY(j);
            double a = std::numeric_limits<double>::infinity(), b = -a;
            for (std::size_t i = 0; i < 4; ++i) {
                const PlanXY& p = q[i];
                const PlanXY& r = q[(i + 1) % 4];
                if (std::min(p.y, r.y) > y || std::max(p.y, r.y) < y)
                    continue;
                if (p.y == r.y) {
                    a = std::min({a, p.x, r.x});
                    b = std::max({b, p.x, r.x});
                    continue;
                }
                const double x = p.x + (y - p.y) * (r.x - p.x) / (r.y - p.y);
                a = std::min(a, x);
                b = std::max(b, x);
            }
            if (a <= b)
                Add(j, a, b);
        }
    }

    // Calls cells(j, i0, i1) for every run of covered cells, then forgets
    // the spans.
    template <class F> void Flush(F&& cells) {
        for (const int j : touched_) {
            auto& row = rows_[static_cast<std::size_t>(j)];
            std::sort(row.begin(), row.end());
            std::size_t k = 0;
            while (k < row.size()) {
                double a = row[k].first, b = row[k].second;
                for (++k; k < row.size() && row[k].first <= b; ++k)
                    b = std::max(b, row[k].second);
                // Cells whose centre lies in [a, b].
                const double ia = std::ceil((a - g_.x0) / g_.cell - 0.5);
                const double ib = std::floor((b - g_.x0) / g_.cell - 0.5);
                // Within the row before the cast: far or broken spans miss it.
                if (!(ia <= ib) || ib < 0 || ia > g_.nx - 1.0)
                    continue;
                const int i0 = static_cast<int>(std::max(ia, 0.0));
                const int i1 = static_cast<int>(std::min(ib, g_.nx - 1.0));
                cells(j, i0, i1);
            }
            row.clear();
        }
        touched_.clear();
    }

  private:
    double RowY(int j) const { return g_.y0 + (j + 0.5) * g_.cell; }

    bool RowRange(double lo, double hi, int& j0, int& j1) const {
        if (!(lo <= hi))
            return false;
        const double a = std::ceil((lo - g_.y0) / g_.cell - 0.5);
        const double b = std::floor((hi - g_.y0) / g_.cell - 0.5);
        if (!(a <= b) || b < 0 || a > g_.ny - 1)
            return false;
        j0 = static_cast<int>(std::max(a, 0.0));
        j1 = static_cast<int>(std::min(b, g_.ny - 1.0));
        return j0 <= j1;
    }

    void Add(int j, double a, double b) {
        auto& row = rows_[static_cast<std::size_t>(j)];
        if (row.empty())
            touched_.push_back(j);
        row.emplace_back(a, b);
    }

    ShadeGrid g_;
    std::vector<std::vector<std::pair<double, double>>> rows_;
    std::vector<int> touched_;
    std::vector<double> xs_;
};

// No shadow reaches farther than this from its building into the grid:
// longer ones are cut here without changing a cell.
double ShadowCap(std::span<const Footprint> buildings, const ShadeGrid& g) {
    double x0 = g.x0, x1 = g.x0 + g.nx * g.cell, y0 = g.y0, y1 = g.y0 + g.ny * g.cell;
    for (const Footprint& f : buildings)
        for (const PlanXY& p : f.ring) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    return std::hypot(x1 - x0, y1 - y0) + g.cell;
}

// The shadows on the plane at one instant: each prism's footprint, the
// footprint moved away from the sun by the shadow length, and the band each
// wall sweeps between them (their union is the shadow of any footprint,
// concave ones included).
void CastShadows(SpanRows& rows, std::span<const Footprint> buildings, double planeHeight,
                 const ShadeInstant& sun, double cap) {
    if (!(sun.elevation > 0))
        return;
    const double tanE = std::tan(sun.elevation * kRad);
    const double ux = std::sin(sun.azimuth * kRad), uy = std::cos(sun.azimuth * kRad);
    for (const Footprint& f : buildings) {
        const double rise = f.height - planeHeight;
        if (!(rise > 0) || f.ring.size() < 3)
            continue;
        const double d = std::min(rise / tanE, cap);
        const PlanXY off{-d * ux, -d * uy};
        // A prism on a base above the plane casts the footprint from its
        // base's height on: the shadow starts that far from the footprint.
        const double d0 = std::min(std::max(f.base - planeHeight, 0.0) / tanE, cap);
        const PlanXY near{-d0 * ux, -d0 * uy};
        rows.AddRing(f.ring, near);
        rows.AddRing(f.ring, off);
        const std::size_t n = f.ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY& p = f.ring[i];
            const PlanXY& q = f.ring[(i + 1) % n];
            rows.AddConvex({PlanXY{p.x + near.x, p.y + near.y}, PlanXY{q.x + near.x, q.y + near.y},
                            PlanXY{q.x + off.x, q.y + off.y}, PlanXY{p.x + off.x, p.y + off.y}});
        }
    }
}

bool GridUsable(const ShadeGrid& g) {
    return g.nx > 0 && g.ny > 0 && static_cast<double>(g.nx) * g.ny <= kMaxShadeCells &&
           g.cell > 0 && std::isfinite(g.cell) && std::isfinite(g.x0) && std::isfinite(g.y0);
}

// A grid side in cells; past what an int holds (or not a number) it is the
// largest int, which no grid limit accepts.
int Cells(double span, double cell) {
    const double n = std::ceil(span / cell);
    if (!(n < static_cast<double>(std::numeric_limits<int>::max())))
        return std::numeric_limits<int>::max();
    return std::max(1, static_cast<int>(n));
}

} // namespace

double EquationOfTimeMinutes(double jd) {
    const double t = (jd - 2451545) / 36525;
    const double l0 = (280.46646 + 36000.76983 * t + 0.0003032 * t * t) * kRad;
    const double m = (357.52911 + 35999.05029 * t - 0.0001537 * t * t) * kRad;
    const double e = 0.016708634 - 0.000042037 * t - 0.0000001267 * t * t;
    const double eps =
        (23.4392911111 - (46.8150 * t + 0.00059 * t * t - 0.001813 * t * t * t) / 3600) * kRad;
    const double y = std::pow(std::tan(eps / 2), 2);
    const double rad = y * std::sin(2 * l0) - 2 * e * std::sin(m) +
                       4 * e * y * std::sin(m) * std::cos(2 * l0) - 0.5 * y * y * std::sin(4 * l0) -
                       1.25 * e * e * std::sin(2 * m);
    return rad / kRad * 4; // one degree of hour angle is four minutes
}

double SolarToUtHours(int year, int month, int day, double solarHours, double longitude) {
    // The equation of time changes by well under a second an hour: three
    // rounds settle it.
    double ut = solarHours - longitude / 15;
    for (int i = 0; i < 3; ++i)
        ut = solarHours - longitude / 15 -
             EquationOfTimeMinutes(JulianDay(year, month, day, ut)) / 60;
    return ut;
}

ShadeGrid GridAround(std::span<const Footprint> footprints, double margin, double cell) {
    ShadeGrid g;
    g.cell = cell;
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const Footprint& f : footprints)
        for (const PlanXY& p : f.ring) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    if (!(x0 <= x1) || !(cell > 0))
        return g;
    g.x0 = std::floor((x0 - margin) / cell) * cell;
    g.y0 = std::floor((y0 - margin) / cell) * cell;
    g.nx = Cells(x1 + margin - g.x0, cell);
    g.ny = Cells(y1 + margin - g.y0, cell);
    // Corners so far out that a cell is lost in their rounding make no map.
    const double reach = std::max({std::fabs(x0), std::fabs(x1), std::fabs(y0), std::fabs(y1)});
    if (!(reach + margin <= kMaxShadeReach))
        g.nx = g.ny = std::numeric_limits<int>::max();
    return g;
}

ShadeGrid GridAroundShadows(std::span<const Footprint> footprints,
                            std::span<const Footprint> buildings, double planeHeight,
                            std::span<const ShadeInstant> instants, double reach, double margin,
                            double cell) {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    auto widen = [&](const PlanXY& p, double dx, double dy) {
        x0 = std::min(x0, p.x + dx);
        x1 = std::max(x1, p.x + dx);
        y0 = std::min(y0, p.y + dy);
        y1 = std::max(y1, p.y + dy);
    };
    for (const Footprint& f : footprints)
        for (const PlanXY& p : f.ring)
            widen(p, 0, 0);
    if (!(x0 <= x1) || !(cell > 0))
        return {};
    // A shadow lies between its footprint and the footprint moved away from
    // the sun: the far copy's corners bound it.
    for (const ShadeInstant& sun : instants) {
        if (!(sun.elevation > 0))
            continue;
        const double tanE = std::tan(sun.elevation * kRad);
        const double ux = std::sin(sun.azimuth * kRad), uy = std::cos(sun.azimuth * kRad);
        for (const Footprint& f : buildings) {
            const double rise = f.height - planeHeight;
            if (!(rise > 0) || f.ring.size() < 3)
                continue;
            const double d = std::min(rise / tanE, reach);
            if (!std::isfinite(d))
                continue;
            for (const PlanXY& p : f.ring)
                widen(p, -d * ux, -d * uy);
        }
    }
    // A sun due south moves a corner east by a rounding error: that is no
    // reason for one more column.
    constexpr double kSlack = 1e-9;
    ShadeGrid g;
    g.cell = cell;
    g.x0 = std::floor((x0 - margin) / cell + kSlack) * cell;
    g.y0 = std::floor((y0 - margin) / cell + kSlack) * cell;
    g.nx = Cells(x1 + margin - g.x0 - kSlack * cell, cell);
    g.ny = Cells(y1 + margin - g.y0 - kSlack * cell, cell);
    // Corners so far out that a cell is lost in their rounding make no map.
    const double far = std::max({std::fabs(x0), std::fabs(x1), std::fabs(y0), std::fabs(y1)});
    if (!(far + margin <= kMaxShadeReach))
        g.nx = g.ny = std::numeric_limits<int>::max();
    return g;
}

ShadeInstant InstantAt(const ShadePeriod& p, const SunSite& site, double hours) {
    SunClock c;
    c.year = p.year;
    c.month = p.month;
    c.day = p.day;
    if (p.solarTime) {
        c.utcOffset = 0;
        c.hours = SolarToUtHours(p.year, p.month, p.day, hours, site.longitude);
    } else {
        c.utcOffset = p.utcOffset;
        c.hours = hours;
    }
    const SunAngles a = SunPositionAt(c, site);
    return {hours, a.azimuth, a.elevation()};
}

std::vector<ShadeInstant> SampleInstants(const ShadePeriod& p, const SunSite& site) {
    std::vector<ShadeInstant> out;
    if (!(p.stepMinutes > 0) || !(p.toHours > p.fromHours))
        return out;
    const double step = p.stepMinutes / 60;
    // One day at the most.
    const double count = std::round((p.toHours - p.fromHours) / step);
    if (!(count <= 48 * 60 * 60))
        return out;
    const auto n = static_cast<int>(count);
    out.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        out.push_back(InstantAt(p, site, p.fromHours + (k + 0.5) * step));
    return out;
}

std::vector<std::uint8_t> ShadowCells(std::span<const Footprint> buildings, const ShadeGrid& g,
                                      double planeHeight, const ShadeInstant& sun) {
    if (!GridUsable(g))
        return {};
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(g.nx) * g.ny, 0);
    SpanRows rows(g);
    CastShadows(rows, buildings, planeHeight, sun, ShadowCap(buildings, g));
    rows.Flush([&](int j, int i0, int i1) {
        std::fill_n(cells.begin() + static_cast<std::ptrdiff_t>(j) * g.nx + i0, i1 - i0 + 1, 1);
    });
    return cells;
}

std::optional<ShadeMap> ComputeShadeMap(std::span<const Footprint> buildings,
                                        std::span<const Footprint> nullAreas, const ShadeGrid& g,
                                        double planeHeight, std::span<const ShadeInstant> instants,
                                        double stepHours, const ShadeProgress& progress) {
    ShadeMap map;
    map.grid = g;
    map.stepHours = stepHours;
    map.samples = static_cast<int>(instants.size());
    if (!GridUsable(g))
        return map;
    // Per row, +1 where a run of shaded cells starts and -1 after it ends:
    // an instant costs its spans, not the whole grid.
    const std::size_t stride = static_cast<std::size_t>(g.nx) + 1;
    std::vector<std::int32_t> diff(stride * static_cast<std::size_t>(g.ny), 0);
    SpanRows rows(g);
    const double cap = ShadowCap(buildings, g);
    const int total = static_cast<int>(instants.size());
    for (int k = 0; k < total; ++k) {
        const ShadeInstant& sun = instants[static_cast<std::size_t>(k)];
        if (!(sun.elevation > 0))
            ++map.sunDownSamples;
        else {
            CastShadows(rows, buildings, planeHeight, sun, cap);
            rows.Flush([&](int j, int i0, int i1) {
                std::int32_t* row = diff.data() + stride * static_cast<std::size_t>(j);
                ++row[i0];
                --row[i1 + 1];
            });
        }
        if (progress && !progress(k + 1, total))
            return std::nullopt;
    }
    map.hours.assign(static_cast<std::size_t>(g.nx) * g.ny, 0);
    for (int j = 0; j < g.ny; ++j) {
        const std::int32_t* row = diff.data() + stride * static_cast<std::size_t>(j);
        std::int32_t run = 0;
        for (int i = 0; i < g.nx; ++i) {
            run += row[i];
            map.hours[static_cast<std::size_t>(j) * g.nx + i] = run * stepHours;
        }
    }
    SpanRows inside(g);
    for (const Footprint& f : nullAreas) {
        if (f.ring.size() < 3)
            continue;
        inside.AddRing(f.ring, {0, 0});
        // The boundary too: a centre on a wall is inside the building.
        const std::size_t n = f.ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY& p = f.ring[i];
            const PlanXY& q = f.ring[(i + 1) % n];
            inside.AddConvex({p, q, q, p});
        }
    }
    inside.Flush([&](int j, int i0, int i1) {
        std::fill_n(map.hours.begin() + static_cast<std::ptrdiff_t>(j) * g.nx + i0, i1 - i0 + 1,
                    std::numeric_limits<double>::quiet_NaN());
    });
    return map;
}

namespace {

// Null cells take the mean of their valued four neighbours, layer by layer
// from the outside in. False when no cell has a value.
bool FillNullCells(std::vector<double>& v, int nx, int ny) {
    std::vector<std::size_t> open;
    for (std::size_t k = 0; k < v.size(); ++k)
        if (std::isnan(v[k]))
            open.push_back(k);
    if (open.size() == v.size())
        return false;
    std::vector<std::pair<std::size_t, double>> layer;
    while (!open.empty()) {
        layer.clear();
        std::vector<std::size_t> rest;
        for (const std::size_t k : open) {
            const int i = static_cast<int>(k % static_cast<std::size_t>(nx));
            const int j = static_cast<int>(k / static_cast<std::size_t>(nx));
            double sum = 0;
            int n = 0;
            const std::array<std::pair<int, int>, 4> around{
                {{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}}};
            for (const auto& [a, b] : around) {
                if (a < 0 || b < 0 || a >= nx || b >= ny)
                    continue;
                const double w = v[static_cast<std::size_t>(b) * nx + a];
                if (!std::isnan(w)) {
                    sum += w;
                    ++n;
                }
            }
            if (n > 0)
                layer.emplace_back(k, sum / n);
            else
                rest.push_back(k);
        }
        for (const auto& [k, w] : layer)
            v[k] = w;
        open.swap(rest);
    }
    return true;
}

} // namespace

namespace {

// The segments of one lattice square by its corners above the level
// (bit 0 bottom left, then counter-clockwise); a saddle is split by the
// centre's value. Sides: 0 bottom, 1 right, 2 top, 3 left.
template <class Add> void SquareSegments(int c, bool centreIn, Add&& add) {
    switch (c) {
    case 1:
    case 14:
        add(3, 0);
        break;
    case 2:
    case 13:
        add(0, 1);
        break;
    case 3:
    case 12:
        add(3, 1);
        break;
    case 4:
    case 11:
        add(1, 2);
        break;
    case 6:
    case 9:
        add(0, 2);
        break;
    case 7:
    case 8:
        add(3, 2);
        break;
    case 5:
        if (centreIn) {
            add(0, 1);
            add(2, 3);
        } else {
            add(3, 0);
            add(1, 2);
        }
        break;
    case 10:
        if (centreIn) {
            add(3, 0);
            add(1, 2);
        } else {
            add(0, 1);
            add(2, 3);
        }
        break;
    default:
        break;
    }
}

// Drops repeated points, closes a closed line, and places its label at
// half its length; false for a line of fewer than two points.
bool FinishLine(PlanLine& line) {
    std::vector<PlanXY> pts;
    for (const PlanXY& p : line.points)
        if (pts.empty() || std::hypot(p.x - pts.back().x, p.y - pts.back().y) > 1e-9)
            pts.push_back(p);
    line.points = std::move(pts);
    if (line.closed && line.points.size() > 1)
        line.points.push_back(line.points.front());
    if (line.points.size() < 2)
        return false;
    // Label at half the length, along the line there.
    double total = 0;
    for (std::size_t i = 1; i < line.points.size(); ++i)
        total += std::hypot(line.points[i].x - line.points[i - 1].x,
                            line.points[i].y - line.points[i - 1].y);
    double walked = 0;
    for (std::size_t i = 1; i < line.points.size(); ++i) {
        const PlanXY a = line.points[i - 1], b = line.points[i];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (walked + len >= total / 2 || i + 1 == line.points.size()) {
            const double t = len > 0 ? std::clamp((total / 2 - walked) / len, 0.0, 1.0) : 0;
            line.label = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
            double angle = std::atan2(b.y - a.y, b.x - a.x) / kRad;
            if (angle > 90)
                angle -= 180;
            else if (angle <= -90)
                angle += 180;
            line.labelAngleDeg = angle;
            break;
        }
        walked += len;
    }
    return true;
}

} // namespace

std::vector<PlanLine> LevelLines(std::span<const double> field, const ShadeGrid& g, double level) {
    std::vector<PlanLine> out;
    if (!GridUsable(g) || field.size() != static_cast<std::size_t>(g.nx) * g.ny)
        return out;
    std::vector<double> v(field.begin(), field.end());
    if (!FillNullCells(v, g.nx, g.ny))
        return out;

    // The lattice of cell centres with one more point on each side, on the
    // grid's edge, holding the value of the cell within.
    const int px = g.nx + 2, py = g.ny + 2;
    auto latX = [&](int k) {
        return k == 0 ? g.x0 : k == px - 1 ? g.x0 + g.nx * g.cell : g.x0 + (k - 0.5) * g.cell;
    };
    auto latY = [&](int l) {
        return l == 0 ? g.y0 : l == py - 1 ? g.y0 + g.ny * g.cell : g.y0 + (l - 0.5) * g.cell;
    };
    auto val = [&](int k, int l) {
        const int i = std::clamp(k - 1, 0, g.nx - 1), j = std::clamp(l - 1, 0, g.ny - 1);
        return v[static_cast<std::size_t>(j) * g.nx + i];
    };
    // Lattice edges: horizontal (k, l)-(k+1, l), then vertical (k, l)-(k, l+1).
    const std::size_t horizontal = static_cast<std::size_t>(px - 1) * py;
    auto hId = [&](int k, int l) { return static_cast<std::size_t>(l) * (px - 1) + k; };
    auto vId = [&](int k, int l) { return horizontal + static_cast<std::size_t>(l) * px + k; };
    auto crossing = [&](int ka, int la, int kb, int lb) {
        const double a = val(ka, la), b = val(kb, lb);
        const double t = std::clamp((level - a) / (b - a), 0.0, 1.0);
        return PlanXY{latX(ka) + t * (latX(kb) - latX(ka)), latY(la) + t * (latY(lb) - latY(la))};
    };

    struct Segment {
        std::size_t ea, eb;
        PlanXY pa, pb;
    };
    std::vector<Segment> segs;
    for (int l = 0; l + 1 < py; ++l)
        for (int k = 0; k + 1 < px; ++k) {
            const double v00 = val(k, l), v10 = val(k + 1, l), v11 = val(k + 1, l + 1),
                         v01 = val(k, l + 1);
            const int c = (v00 >= level ? 1 : 0) | (v10 >= level ? 2 : 0) | (v11 >= level ? 4 : 0) |
                          (v01 >= level ? 8 : 0);
            if (c == 0 || c == 15)
                continue;
            // Sides: 0 bottom, 1 right, 2 top, 3 left.
            auto side = [&](int s) -> std::pair<std::size_t, PlanXY> {
                switch (s) {
                case 0:
                    return {hId(k, l), crossing(k, l, k + 1, l)};
                case 1:
                    return {vId(k + 1, l), crossing(k + 1, l, k + 1, l + 1)};
                case 2:
                    return {hId(k, l + 1), crossing(k, l + 1, k + 1, l + 1)};
                default:
                    return {vId(k, l), crossing(k, l, k, l + 1)};
                }
            };
            auto add = [&](int s, int t) {
                const auto [ea, pa] = side(s);
                const auto [eb, pb] = side(t);
                segs.push_back({ea, eb, pa, pb});
            };
            const bool centreIn = (v00 + v10 + v11 + v01) / 4 >= level;
            SquareSegments(c, centreIn, add);
        }

    // Each crossed lattice edge joins the segments of its two squares; an
    // edge with one segment lies on the grid's edge and ends a line.
    std::vector<std::array<int, 2>> at(horizontal + static_cast<std::size_t>(px) * (py - 1),
                                       {-1, -1});
    for (std::size_t s = 0; s < segs.size(); ++s)
        for (const std::size_t e : {segs[s].ea, segs[s].eb}) {
            auto& slot = at[e];
            (slot[0] < 0 ? slot[0] : slot[1]) = static_cast<int>(s);
        }
    std::vector<bool> used(segs.size(), false);
    auto follow = [&](std::size_t s, std::size_t fromEdge, PlanLine& line) {
        // Walks from segment s, entered through fromEdge, until the line
        // ends or closes.
        while (true) {
            used[s] = true;
            const Segment& seg = segs[s];
            const bool forward = seg.ea == fromEdge;
            const std::size_t next = forward ? seg.eb : seg.ea;
            line.points.push_back(forward ? seg.pb : seg.pa);
            const auto& slot = at[next];
            const int other = slot[0] == static_cast<int>(s) ? slot[1] : slot[0];
            if (other < 0 || used[static_cast<std::size_t>(other)])
                return;
            s = static_cast<std::size_t>(other);
            fromEdge = next;
        }
    };
    auto finish = [&](PlanLine& line) {
        if (FinishLine(line))
            out.push_back(std::move(line));
    };
    // Open lines first, from their ends on the grid's edge.
    for (std::size_t s = 0; s < segs.size(); ++s) {
        if (used[s])
            continue;
        for (const std::size_t e : {segs[s].ea, segs[s].eb}) {
            if (at[e][1] >= 0 || used[s])
                continue;
            PlanLine line;
            line.points.push_back(e == segs[s].ea ? segs[s].pa : segs[s].pb);
            follow(s, e, line);
            finish(line);
        }
    }
    for (std::size_t s = 0; s < segs.size(); ++s) {
        if (used[s])
            continue;
        PlanLine line;
        line.closed = true;
        line.points.push_back(segs[s].pa);
        follow(s, segs[s].ea, line);
        // The walk ends back at the first point; it is added once by finish.
        if (line.points.size() > 1)
            line.points.pop_back();
        finish(line);
    }
    return out;
}

} // namespace velmora
