#include "workspace/FigurePixels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora {

namespace {

// Hulls hold pixel centres; the margin only covers rounding.
constexpr double kHullMargin = 0.05;

// floor(v / 2) for any sign.
constexpr int HalfDown(long long v) {
    return static_cast<int>(v >= 0 ? v / 2 : -((-v + 1) / 2));
}

// floor(v) for |v| < 2^31, without the library call the baseline
// instruction set needs.
int FloorOf(double v) {
    const int i = static_cast<int>(v);
    return i - (static_cast<double>(i) > v);
}

// The lit whole numbers of (lo, hi]: floor(lo) + 1 .. floor(hi), kept
// within int range for far-off figures.
int FirstAbove(double lo) {
    return FloorOf(std::clamp(lo, -1.0e9, 1.0e9)) + 1;
}
int LastAtMost(double hi) {
    return FloorOf(std::clamp(hi, -1.0e9, 1.0e9));
}

// Largest s >= 0 with s * s <= v (v >= 0).
long long RootDown(long long v) {
    auto s = static_cast<long long>(std::sqrt(static_cast<double>(v)));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

} // namespace

FigurePixels FigurePixels::Line(int ax, int ay, int bx, int by, int width) {
    // Either way round is the same figure.
    if (ay > by || (ay == by && ax > bx)) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    FigurePixels f;
    f.kind_ = Kind::Line;
    f.ax_ = ax;
    f.ay_ = ay;
    f.dx_ = bx - ax;
    f.dy_ = by - ay;
    f.width_ = std::max(width, 1);
    const double dx = f.dx_, dy = f.dy_;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double h = f.width_ / 2.0;
    if (f.dx_ != 0 && f.dy_ != 0) {
        // Along the line: x dx + y dy in (-h L, L^2 + h L]; across it:
        // x dy - y dx in (-h L, h L]; x and y from the first pixel.
        const double hl = h * length, perX = 1 / dx, perY = 1 / dy;
        f.alongLo_ = -hl * perX;
        f.alongHi_ = (dx * dx + dy * dy + hl) * perX;
        if (f.dx_ < 0)
            std::swap(f.alongLo_, f.alongHi_);
        f.alongSlope_ = -dy * perX;
        f.acrossLo_ = -hl * perY;
        f.acrossHi_ = hl * perY;
        f.acrossSlope_ = dx * perY;
    }
    // The stroke's rectangle, a margin round it.
    const double ux = length > 0 ? dx / length : 1, uy = length > 0 ? dy / length : 0;
    PixelHull hull;
    hull.cx = ax + ux * length / 2;
    hull.cy = ay + uy * length / 2;
    hull.ax = ux;
    hull.ay = uy;
    hull.along = length / 2 + h + kHullMargin;
    hull.bx = -uy;
    hull.by = ux;
    hull.across = h + kHullMargin;
    f.SetHull(hull);
    return f;
}

inline bool FigurePixels::LineRun(int y, PixelRun& out) const {
    const int row = y - ay_;
    int x0, x1;
    if (dx_ == 0 || dy_ == 0) {
        // Square ends make a point a square and an upright or level line a
        // rectangle; whole numbers decide every edge.
        const int lo = HalfDown(-width_) + 1, hi = HalfDown(width_);
        const int rowLo = lo, rowHi = dy_ == 0 ? hi : HalfDown(2LL * dy_ + width_);
        if (row < rowLo || row > rowHi)
            return false;
        x0 = lo;
        x1 = dx_ == 0 ? hi : HalfDown(2LL * dx_ + width_);
    } else {
        const double r = row;
        const double lo = std::max(alongLo_ + alongSlope_ * r, acrossLo_ + acrossSlope_ * r);
        const double hi = std::min(alongHi_ + alongSlope_ * r, acrossHi_ + acrossSlope_ * r);
        if (!(lo < hi))
            return false;
        x0 = FirstAbove(lo);
        x1 = LastAtMost(hi);
    }
    if (x0 > x1)
        return false;
    out = {ax_ + x0, ax_ + x1 + 1};
    return true;
}

int FigurePixels::LineRuns(int y, PixelRun* out) const {
    return LineRun(y, out[0]) ? 1 : 0;
}

FigurePixels FigurePixels::Ring(int cx, int cy, long long radius, int width) {
    FigurePixels f;
    f.kind_ = Kind::Ring;
    f.ax_ = cx;
    f.ay_ = cy;
    f.width_ = std::max(width, 1);
    radius = std::clamp(radius, 0LL, 1000000LL);
    // Lit where (2r - w)^2 < 4 d^2 <= (2r + w)^2; no hole when 2r <= w.
    f.outer4_ = (2 * radius + f.width_) * (2 * radius + f.width_);
    f.inner4_ = 2 * radius > f.width_ ? (2 * radius - f.width_) * (2 * radius - f.width_) : -1;
    const double reach = static_cast<double>(radius) + f.width_ / 2.0 + kHullMargin;
    f.SetBoxHull(cx - reach, cy - reach, cx + reach, cy + reach);
    return f;
}

int FigurePixels::RingRuns(int y, PixelRun* out) const {
    const long long row = y - ay_;
    const long long outerRoom = outer4_ - 4 * row * row;
    if (outerRoom < 0)
        return 0;
    const long long m = RootDown(outerRoom / 4);
    const long long innerRoom = inner4_ - 4 * row * row;
    if (innerRoom < 0) {
        out[0] = {static_cast<int>(ax_ - m), static_cast<int>(ax_ + m + 1)};
        return 1;
    }
    const long long k = RootDown(innerRoom / 4);
    if (k >= m)
        return 0;
    out[0] = {static_cast<int>(ax_ - m), static_cast<int>(ax_ - k)};
    out[1] = {static_cast<int>(ax_ + k + 1), static_cast<int>(ax_ + m + 1)};
    return 2;
}

FigurePixels FigurePixels::Frame(int ax, int ay, int bx, int by, int width) {
    FigurePixels f;
    f.kind_ = Kind::Frame;
    f.width_ = std::max(width, 1);
    const long long w = f.width_;
    const long long x0 = std::min(ax, bx), x1 = std::max(ax, bx);
    const long long y0 = std::min(ay, by), y1 = std::max(ay, by);
    f.outerX0_ = HalfDown(2 * x0 - w) + 1;
    f.outerX1_ = HalfDown(2 * x1 + w);
    f.outerY0_ = HalfDown(2 * y0 - w) + 1;
    f.outerY1_ = HalfDown(2 * y1 + w);
    f.innerX0_ = HalfDown(2 * x0 + w) + 1;
    f.innerX1_ = HalfDown(2 * x1 - w);
    f.innerY0_ = HalfDown(2 * y0 + w) + 1;
    f.innerY1_ = HalfDown(2 * y1 - w);
    f.SetBoxHull(f.outerX0_ - kHullMargin, f.outerY0_ - kHullMargin, f.outerX1_ + kHullMargin,
                 f.outerY1_ + kHullMargin);
    return f;
}

int FigurePixels::FrameRuns(int y, PixelRun* out) const {
    if (y < outerY0_ || y > outerY1_)
        return 0;
    if (y >= innerY0_ && y <= innerY1_ && innerX0_ <= innerX1_) {
        out[0] = {outerX0_, innerX0_};
        out[1] = {innerX1_ + 1, outerX1_ + 1};
        return 2;
    }
    out[0] = {outerX0_, outerX1_ + 1};
    return 1;
}

PixelMask PixelMask::FromBytes(int width, int height, const std::vector<std::uint8_t>& lit) {
    PixelMask m;
    m.width = std::max(width, 0);
    m.height = std::max(height, 0);
    if (lit.size() < static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height))
        m.height = 0;
    m.rowStart.push_back(0);
    for (int y = 0; y < m.height; ++y) {
        const std::uint8_t* row =
            lit.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m.width);
        for (int x = 0; x < m.width;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < m.width && row[x])
                ++x;
            m.runs.push_back({start, x});
        }
        m.rowStart.push_back(static_cast<int>(m.runs.size()));
    }
    return m;
}

FigurePixels FigurePixels::Mask(int left, int top, const PixelMask* mask) {
    FigurePixels f;
    f.kind_ = Kind::Mask;
    f.left_ = left;
    f.mask_ = mask;
    const int width = mask ? mask->width : 0, height = mask ? mask->height : 0;
    f.SetBoxHull(left - kHullMargin, top - kHullMargin, left + width - 1 + kHullMargin,
                 top + height - 1 + kHullMargin);
    f.top_ = top;
    f.bottom_ = top + height;
    return f;
}

void FigurePixels::SetHull(const PixelHull& hull) {
    hull_ = hull;
    const double rx = hull.along * std::abs(hull.ax) + hull.across * std::abs(hull.bx);
    const double ry = hull.along * std::abs(hull.ay) + hull.across * std::abs(hull.by);
    minX_ = hull.cx - rx;
    maxX_ = hull.cx + rx;
    minY_ = hull.cy - ry;
    maxY_ = hull.cy + ry;
    top_ = static_cast<int>(std::floor(std::clamp(minY_, -1.0e9, 1.0e9)));
    bottom_ = static_cast<int>(std::ceil(std::clamp(maxY_, -1.0e9, 1.0e9))) + 1;
}

void FigurePixels::SetBoxHull(double x0, double y0, double x1, double y1) {
    PixelHull hull;
    hull.cx = (x0 + x1) / 2;
    hull.cy = (y0 + y1) / 2;
    hull.along = (x1 - x0) / 2;
    hull.across = (y1 - y0) / 2;
    SetHull(hull);
}

std::optional<std::pair<int, int>> SharedRows(const FigurePixels& fa, const FigurePixels& fb) {
    if (fa.minX_ > fb.maxX_ || fb.minX_ > fa.maxX_ || fa.minY_ > fb.maxY_ || fb.minY_ > fa.maxY_)
        return std::nullopt;
    const PixelHull& a = fa.hull_;
    const PixelHull& b = fb.hull_;
    // Apart when one of the four axes separates the rectangles: most long
    // lines that share a bounding box never meet.
    const double ox = b.cx - a.cx, oy = b.cy - a.cy;
    const auto apart = [&](double nx, double ny) {
        const double ra =
            a.along * std::abs(nx * a.ax + ny * a.ay) + a.across * std::abs(nx * a.bx + ny * a.by);
        const double rb =
            b.along * std::abs(nx * b.ax + ny * b.ay) + b.across * std::abs(nx * b.bx + ny * b.by);
        return std::abs(nx * ox + ny * oy) > ra + rb;
    };
    if (apart(a.ax, a.ay) || apart(a.bx, a.by) || apart(b.ax, b.ay) || apart(b.bx, b.by))
        return std::nullopt;
    double lo = std::max(fa.minY_, fb.minY_), hi = std::min(fa.maxY_, fb.maxY_);
    // Where the two thin strips cross (a line's width, a box's columns):
    // a few rows for lines that meet at an angle.
    const double det = a.bx * b.by - a.by * b.bx;
    if (std::abs(det) > 1e-9) {
        const double ka = a.bx * a.cx + a.by * a.cy, kb = b.bx * b.cx + b.by * b.cy;
        const double y = (a.bx * kb - b.bx * ka) / det;
        const double reach =
            (std::abs(a.bx) * b.across + std::abs(b.bx) * a.across) / std::abs(det);
        lo = std::max(lo, y - reach);
        hi = std::min(hi, y + reach);
    }
    const int first = static_cast<int>(std::ceil(std::clamp(lo, -1.0e9, 1.0e9)));
    const int last = static_cast<int>(std::floor(std::clamp(hi, -1.0e9, 1.0e9)));
    if (first > last)
        return std::nullopt;
    return std::pair{first, last};
}

void PixelRegion::Add(const FigurePixels& f) {
    const int y0 = std::max(f.Top(), 0), y1 = std::min(f.Bottom(), height_);
    for (int y = y0; y < y1; ++y)
        f.ForRuns(y, [&](int x0, int x1) {
            x0 = std::max(x0, 0);
            x1 = std::min(x1, width_);
            if (x0 < x1)
                added_.push_back({y, x0, x1});
        });
}

void PixelRegion::Seal() {
    std::sort(added_.begin(), added_.end(), [](const RowRun& a, const RowRun& b) {
        return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
    });
    runs_.clear();
    rowStart_.assign(static_cast<std::size_t>(height_) + 1, 0);
    count_ = 0;
    std::size_t i = 0;
    for (int y = 0; y < height_; ++y) {
        rowStart_[static_cast<std::size_t>(y)] = static_cast<int>(runs_.size());
        for (; i < added_.size() && added_[i].y == y; ++i) {
            const RowRun& r = added_[i];
            if (runs_.size() > static_cast<std::size_t>(rowStart_[static_cast<std::size_t>(y)]) &&
                r.x0 <= runs_.back().x1) {
                runs_.back().x1 = std::max(runs_.back().x1, r.x1);
                continue;
            }
            runs_.push_back({r.x0, r.x1});
        }
    }
    rowStart_[static_cast<std::size_t>(height_)] = static_cast<int>(runs_.size());
    for (const PixelRun& r : runs_)
        count_ += r.x1 - r.x0;
    added_.clear();
}

namespace {

void Light(std::uint32_t* row, int x0, int x1, std::uint32_t rgb, bool xorInk) {
    if (xorInk) {
        // The surface has no alpha: it stays opaque.
        for (int x = x0; x < x1; ++x)
            row[x] = (row[x] ^ rgb) | 0xff000000u;
    } else {
        std::fill(row + x0, row + x1, rgb | 0xff000000u);
    }
}

} // namespace

void FillFigure(const PixelBuffer& b, const FigurePixels& f, std::uint32_t rgb, bool xorInk) {
    const int y0 = std::max(f.Top(), 0), y1 = std::min(f.Bottom(), b.height);
    if (f.kind_ == FigurePixels::Kind::Line) {
        // Most of a full redraw: one run a row, straight.
        PixelRun r;
        for (int y = y0; y < y1; ++y)
            if (f.LineRun(y, r)) {
                const int x0 = std::max(r.x0, 0), x1 = std::min(r.x1, b.width);
                if (x0 < x1)
                    Light(b.bits + static_cast<std::ptrdiff_t>(y) * b.stride, x0, x1, rgb, xorInk);
            }
        return;
    }
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* row = b.bits + static_cast<std::ptrdiff_t>(y) * b.stride;
        f.ForRuns(y, [&](int x0, int x1) {
            x0 = std::max(x0, 0);
            x1 = std::min(x1, b.width);
            if (x0 < x1)
                Light(row, x0, x1, rgb, xorInk);
        });
    }
}

void FillFigureWithin(const PixelBuffer& b, const FigurePixels& f, std::uint32_t rgb, bool xorInk,
                      const PixelRegion& within, int firstRow, int lastRow) {
    const int y0 = std::max({f.Top(), firstRow, 0});
    const int y1 = std::min({f.Bottom() - 1, lastRow, b.height - 1});
    const auto lightWithin = [&](std::uint32_t* row, const PixelRun* runs, std::size_t count,
                                 int x0, int x1) {
        for (std::size_t i = 0; i < count && runs[i].x0 < x1; ++i) {
            const int s0 = std::max(x0, runs[i].x0), s1 = std::min(x1, runs[i].x1);
            if (s0 < s1)
                Light(row, s0, s1, rgb, xorInk);
        }
    };
    for (int y = y0; y <= y1; ++y) {
        const auto [runs, count] = within.Runs(y);
        if (count == 0)
            continue;
        std::uint32_t* row = b.bits + static_cast<std::ptrdiff_t>(y) * b.stride;
        if (f.kind_ == FigurePixels::Kind::Line) {
            PixelRun r;
            if (f.LineRun(y, r))
                lightWithin(row, runs, count, r.x0, r.x1);
            continue;
        }
        f.ForRuns(y, [&](int x0, int x1) { lightWithin(row, runs, count, x0, x1); });
    }
}

} // namespace velmora
