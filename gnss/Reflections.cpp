// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Reflections.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace velmora::gnss {

namespace {

constexpr double kDeg = std::numbers::pi / 180;

// Points closer than this (metres along a leg) to the bounce count as the
// bounce itself, not as crossing the face it lies on.
constexpr double kTouch = 1e-6;

// A wall is put in every cell it comes this near to, so that rounding at a
// cell's border cannot hide it from a leg passing the neighbour cell.
constexpr double kCellMargin = 0.01;

double AzimuthDeg(double east, double north) {
    const double a = std::atan2(east, north) / kDeg;
    return a < 0 ? a + 360 : a;
}

} // namespace

Walls::Walls(std::span<const Footprint> prisms) {
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    for (std::size_t p = 0; p < prisms.size(); ++p) {
        const Footprint& f = prisms[p];
        const std::size_t n = f.ring.size();
        // A ring that crosses itself has no outside to tell its faces'
        // fronts by: it still blocks, but reflects nothing.
        const bool reflects = n >= 3 && f.height > 0 && !f.crossesItself;
        // Outward normals: to the right of each edge on a counter-clockwise ring.
        const double side = reflects && SignedArea(f.ring) > 0 ? 1 : -1;
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY a = f.ring[i], b = f.ring[(i + 1) % n];
            Wall w{a.x, a.y, b.x, b.y, f.height, f.base, p, i, false, 0, 0};
            const double ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
            if (reflects && len != 0) {
                w.reflects = true;
                w.nx = side * ey / len;
                w.ny = -side * ex / len;
            }
            walls_.push_back(w);
            if (std::isfinite(a.x + a.y + b.x + b.y)) {
                minX = std::min({minX, a.x, b.x});
                maxX = std::max({maxX, a.x, b.x});
                minY = std::min({minY, a.y, b.y});
                maxY = std::max({maxY, a.y, b.y});
            }
            if (f.height > top_)
                top_ = f.height;
        }
    }
    if (!(minX <= maxX && minY <= maxY))
        return;
    // About one wall per cell, and never more cells than a few per wall.
    const double w = maxX - minX + 2 * kCellMargin, h = maxY - minY + 2 * kCellMargin;
    cell_ = std::max(
        {std::sqrt(w * h / static_cast<double>(walls_.size())), 0.5, std::max(w, h) / 2048});
    x0_ = minX - kCellMargin;
    y0_ = minY - kCellMargin;
    columns_ = static_cast<int>(std::ceil(w / cell_)) + 1;
    rows_ = static_cast<int>(std::ceil(h / cell_)) + 1;
    const auto span = [&](const Wall& wall, int& c0, int& c1, int& r0, int& r1) {
        if (!std::isfinite(wall.ax + wall.ay + wall.bx + wall.by))
            return false;
        c0 =
            std::max(0, static_cast<int>((std::min(wall.ax, wall.bx) - kCellMargin - x0_) / cell_));
        c1 = std::min(columns_ - 1,
                      static_cast<int>((std::max(wall.ax, wall.bx) + kCellMargin - x0_) / cell_));
        r0 =
            std::max(0, static_cast<int>((std::min(wall.ay, wall.by) - kCellMargin - y0_) / cell_));
        r1 = std::min(rows_ - 1,
                      static_cast<int>((std::max(wall.ay, wall.by) + kCellMargin - y0_) / cell_));
        return true;
    };
    const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    cellStart_.assign(cells + 1, 0);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
        for (std::size_t i = 0; i < walls_.size(); ++i) {
            int c0 = 0, c1 = -1, r0 = 0, r1 = -1;
            if (!span(walls_[i], c0, c1, r0, r1))
                continue;
            for (int r = r0; r <= r1; ++r)
                for (int c = c0; c <= c1; ++c) {
                    const std::size_t k = static_cast<std::size_t>(r) * columns_ + c;
                    if (pass == 0)
                        ++cellStart_[k + 1];
                    else
                        cellWalls_[fill[k]++] = static_cast<std::uint32_t>(i);
                }
        }
        if (pass == 0) {
            for (std::size_t k = 0; k < cells; ++k)
                cellStart_[k + 1] += cellStart_[k];
            cellWalls_.resize(cellStart_[cells]);
        }
    }
}

bool Walls::Crosses(const Wall& w, const double from[3], double dx, double dy, double rise,
                    double tMax, double tTouch, double lowest) const {
    // A leg that stays above the roof cannot be blocked by it.
    if (w.height <= lowest)
        return false;
    const double ax = w.ax - from[0], ay = w.ay - from[1];
    const double ex = w.bx - w.ax, ey = w.by - w.ay;
    const double den = dx * ey - dy * ex;
    if (den == 0)
        return false; // parallel: a leg along a wall touches it without passing it
    const double t = (ax * ey - ay * ex) / den;
    const double s = (ax * dy - ay * dx) / den;
    // A leg passing beneath a prism on a base goes under its walls.
    const double z = from[2] + rise * t;
    return t > tTouch && t < tMax - tTouch && s >= 0 && s <= 1 && z < w.height && z >= w.base;
}

// The legs start and end outside every prism (the receiver in the open, the
// bounce on a face), so a leg inside a prism must have gone through a wall.
bool Walls::LegBlocked(const double from[3], double dx, double dy, double rise, double tMax,
                       double tTouch) const {
    // Rays climb: their lowest point is where they start.
    const double lowest = std::isfinite(tMax) ? std::min(from[2], from[2] + rise * tMax) : from[2];
    if (cellWalls_.empty() || !(top_ > lowest))
        return false;
    // Beyond the highest roof nothing blocks; outside the grid there is no wall.
    double t1 = tMax;
    if (rise > 0)
        t1 = std::min(t1, (top_ - from[2]) / rise * (1 + 1e-9) + 1e-9);
    double t0 = 0;
    const double x1 = x0_ + columns_ * cell_, y1 = y0_ + rows_ * cell_;
    const auto clip = [&](double p, double d, double lo, double hi) {
        if (d == 0)
            return p >= lo && p <= hi;
        double a = (lo - p) / d, b = (hi - p) / d;
        if (a > b)
            std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
        return true;
    };
    if (!clip(from[0], dx, x0_, x1) || !clip(from[1], dy, y0_, y1) || !(t0 <= t1))
        return false;
    if (!std::isfinite(t1)) // a leg that never climbs and never ends: test every wall
        return std::any_of(walls_.begin(), walls_.end(), [&](const Wall& w) {
            return Crosses(w, from, dx, dy, rise, tMax, tTouch, lowest);
        });
    // Walk the cells the leg passes, in order.
    const double sx = from[0] + t0 * dx, sy = from[1] + t0 * dy;
    int c = std::clamp(static_cast<int>(std::floor((sx - x0_) / cell_)), 0, columns_ - 1);
    int r = std::clamp(static_cast<int>(std::floor((sy - y0_) / cell_)), 0, rows_ - 1);
    const int stepC = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    const int stepR = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    const double inf = std::numeric_limits<double>::infinity();
    const double deltaC = dx != 0 ? cell_ / std::fabs(dx) : inf;
    const double deltaR = dy != 0 ? cell_ / std::fabs(dy) : inf;
    double nextC = dx > 0   ? (x0_ + (c + 1) * cell_ - from[0]) / dx
                   : dx < 0 ? (x0_ + c * cell_ - from[0]) / dx
                            : inf;
    double nextR = dy > 0   ? (y0_ + (r + 1) * cell_ - from[1]) / dy
                   : dy < 0 ? (y0_ + r * cell_ - from[1]) / dy
                            : inf;
    for (;;) {
        const std::size_t k = static_cast<std::size_t>(r) * columns_ + c;
        for (std::uint32_t i = cellStart_[k]; i < cellStart_[k + 1]; ++i)
            if (Crosses(walls_[cellWalls_[i]], from, dx, dy, rise, tMax, tTouch, lowest))
                return true;
        if (std::min(nextC, nextR) > t1)
            return false;
        if (nextC < nextR) {
            c += stepC;
            nextC += deltaC;
        } else {
            r += stepR;
            nextR += deltaR;
        }
        if (c < 0 || c >= columns_ || r < 0 || r >= rows_)
            return false;
    }
}

ReflectionScene::ReflectionScene(const Walls& walls, PlanXY at, double antenna)
    : walls_(&walls), at_(at), antenna_(antenna) {
    // The receiver sees the bounce along the satellite's horizontal
    // direction mirrored in the face, so a face whose ends lie at azimuths
    // from ... from + span (seen from the receiver) can only mirror
    // satellites at azimuths 2 psi + 180 - (from + span) ... 2 psi + 180 -
    // from, psi being its normal's azimuth. A degree more each side takes
    // any rounding.
    const std::vector<Walls::Wall>& all = walls.All();
    std::vector<std::uint32_t> count(kBins + 1, 0);
    std::vector<std::pair<int, int>> range(all.size(), {0, -1});
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Walls::Wall& w = all[i];
        if (!w.reflects || !(w.height >= antenna))
            continue;
        const double dist = (at.x - w.ax) * w.nx + (at.y - w.ay) * w.ny;
        if (!(dist > 0))
            continue;
        const double a = AzimuthDeg(w.ax - at.x, w.ay - at.y);
        const double b = AzimuthDeg(w.bx - at.x, w.by - at.y);
        double span = std::fmod(b - a + 720, 360);
        double from = a;
        if (span > 180) {
            from = b;
            span = 360 - span;
        }
        const double lo = 2 * AzimuthDeg(w.nx, w.ny) + 180 - from - span;
        if (!std::isfinite(lo) || !(span >= 0 && span <= 180)) {
            everywhere_.push_back(static_cast<std::uint32_t>(i));
            continue;
        }
        const int first = static_cast<int>(std::floor(lo)) - 1;
        const int last = static_cast<int>(std::floor(lo + span)) + 1;
        range[i] = {first, last};
        for (int k = first; k <= last; ++k)
            ++count[static_cast<std::size_t>(((k % kBins) + kBins) % kBins) + 1];
    }
    binStart_.assign(kBins + 1, 0);
    for (int b = 0; b < kBins; ++b)
        binStart_[b + 1] = binStart_[b] + count[b + 1];
    binFaces_.resize(binStart_[kBins]);
    std::vector<std::uint32_t> fill(binStart_.begin(), binStart_.end() - 1);
    // In the walls' order within each bin: the reflections come out in the
    // order a search of every face gives.
    for (std::size_t i = 0; i < all.size(); ++i)
        for (int k = range[i].first; k <= range[i].second; ++k)
            binFaces_[fill[static_cast<std::size_t>(((k % kBins) + kBins) % kBins)]++] =
                static_cast<std::uint32_t>(i);
}

template <class Take> void ReflectionScene::Visit(Direction d, Take&& take) const {
    if (d.elevation <= 0 || d.elevation >= 90 || !std::isfinite(d.azimuth))
        return;
    const double ce = std::cos(d.elevation * kDeg), se = std::sin(d.elevation * kDeg);
    const double ux = std::sin(d.azimuth * kDeg) * ce, uy = std::cos(d.azimuth * kDeg) * ce;
    const std::vector<Walls::Wall>& all = walls_->All();
    const PlanXY at = at_;
    const double antenna = antenna_;
    const auto face = [&](std::uint32_t i) {
        const Walls::Wall& w = all[i];
        const double nx = w.nx, ny = w.ny;
        // The receiver in front of the face, the satellite too.
        const double dist = (at.x - w.ax) * nx + (at.y - w.ay) * ny;
        const double un = ux * nx + uy * ny;
        if (dist <= 0 || un <= 0)
            return false;
        // The mirrored receiver sees the satellite through the face: the
        // line from the image along the direction meets the face's plane
        // after s metres.
        const double imx = at.x - 2 * dist * nx, imy = at.y - 2 * dist * ny;
        const double s = dist / un;
        const PlanXY bounce{imx + s * ux, imy + s * uy};
        const double h = antenna + s * se;
        const double ex = w.bx - w.ax, ey = w.by - w.ay, len = std::hypot(ex, ey);
        const double along = ((bounce.x - w.ax) * ex + (bounce.y - w.ay) * ey) / (len * len);
        if (along < 0 || along > 1 || h < w.base || h > w.height)
            return false;
        // Leg to the receiver, then leg to the satellite.
        const double from[3] = {bounce.x, bounce.y, h};
        const double toRx = std::hypot(at.x - bounce.x, at.y - bounce.y);
        const double touch = kTouch / std::max(toRx, kTouch);
        if (walls_->LegBlocked(from, at.x - bounce.x, at.y - bounce.y, antenna - h, 1, touch))
            return false;
        const double slope = se / ce; // metres up per metre across
        if (walls_->LegBlocked(from, ux / ce, uy / ce, slope,
                               std::numeric_limits<double>::infinity(), kTouch))
            return false;
        return take(Reflection{2 * dist * un, bounce, h, w.prism, w.face});
    };
    double turned = std::fmod(d.azimuth, 360.0);
    if (turned < 0)
        turned += 360;
    const int b = static_cast<int>(std::floor(turned)) % kBins;
    for (std::uint32_t k = binStart_[b]; k < binStart_[b + 1]; ++k)
        if (face(binFaces_[k]))
            return;
    for (const std::uint32_t i : everywhere_)
        if (face(i))
            return;
}

std::vector<Reflection> ReflectionScene::All(Direction d) const {
    std::vector<Reflection> out;
    Visit(d, [&](const Reflection& r) {
        out.push_back(r);
        return false;
    });
    std::sort(out.begin(), out.end(),
              [](const Reflection& x, const Reflection& y) { return x.extraPath < y.extraPath; });
    return out;
}

bool ReflectionScene::Any(Direction d) const {
    bool found = false;
    Visit(d, [&](const Reflection&) { return found = true; });
    return found;
}

std::vector<Reflection> SpecularReflections(std::span<const Footprint> prisms, PlanXY at,
                                            double antenna, Direction d) {
    const Walls walls(prisms);
    return ReflectionScene(walls, at, antenna).All(d);
}

std::optional<Reflection> ShortestReflection(std::span<const Footprint> prisms, PlanXY at,
                                             double antenna, Direction d) {
    auto all = SpecularReflections(prisms, at, antenna, d);
    if (all.empty())
        return std::nullopt;
    return all.front();
}

} // namespace velmora::gnss
