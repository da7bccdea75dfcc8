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
constexpr double kUnboundedHeight = std::numeric_limits<double>::infinity();

struct Point3 {
    double x, y, z;
};

// True when the leg from `from` along the horizontal step (dx, dy) -- to
// t = 1 for a segment, without end for a ray -- while climbing `rise`
// metres per unit t, crosses a wall of a prism below its roof. The legs
// start and end outside every prism (the receiver in the open, the bounce
// on a face), so a leg inside a prism must have gone through a wall (between
// its base and its roof).
bool LegBlocked(std::span<const Footprint> prisms, Point3 from, double dx, double dy, double rise,
                double tMax, double tTouch) {
    for (const Footprint& f : prisms) {
        // A leg that stays above the roof cannot be blocked by this prism
        // (rays climb: their lowest point is where they start).
        const double lowest = std::isfinite(tMax) ? std::min(from.z, from.z + rise * tMax) : from.z;
        if (f.height <= lowest)
            continue;
        // Nor one that stays below its base. A leg crosses the base's plane
        // once at most, so one that goes in or out through the underside
        // also crosses a wall between base and roof.
        const double highest =
            std::isfinite(tMax) ? std::max(from.z, from.z + rise * tMax) : kUnboundedHeight;
        if (f.base > 0 && highest < f.base)
            continue;
        const std::size_t n = f.ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY a = f.ring[i], b = f.ring[(i + 1) % n];
            const double ax = a.x - from.x, ay = a.y - from.y;
            const double ex = b.x - a.x, ey = b.y - a.y;
            const double den = dx * ey - dy * ex;
            if (den == 0)
                continue; // parallel: a leg along a wall touches it without passing it
            const double t = (ax * ey - ay * ex) / den;
            const double s = (ax * dy - ay * dx) / den;
            const double z = from.z + rise * t;
            if (t > tTouch && t < tMax - tTouch && s >= 0 && s <= 1 && z < f.height && z >= f.base)
                return true;
        }
    }
    return false;
}

} // namespace

std::vector<Reflection> SpecularReflections(std::span<const Footprint> prisms, PlanXY at,
                                            double antenna, Direction d) {
    std::vector<Reflection> out;
    if (d.elevation <= 0 || d.elevation >= 90)
        return out;
    const double ce = std::cos(d.elevation * kDeg), se = std::sin(d.elevation * kDeg);
    const double ux = std::sin(d.azimuth * kDeg) * ce, uy = std::cos(d.azimuth * kDeg) * ce;
    for (std::size_t p = 0; p < prisms.size(); ++p) {
        const Footprint& f = prisms[p];
        const std::size_t n = f.ring.size();
        // A ring that crosses itself has no outside to tell its faces'
        // fronts by: it still blocks, but reflects nothing.
        if (n < 3 || f.height <= 0 || f.crossesItself)
            continue;
        // Outward normals: to the right of each edge on a counter-clockwise ring.
        const double side = SignedArea(f.ring) > 0 ? 1 : -1;
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY a = f.ring[i], b = f.ring[(i + 1) % n];
            const double ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
            if (len == 0)
                continue;
            const double nx = side * ey / len, ny = -side * ex / len;
            // The receiver in front of the face, the satellite too.
            const double dist = (at.x - a.x) * nx + (at.y - a.y) * ny;
            const double un = ux * nx + uy * ny;
            if (dist <= 0 || un <= 0)
                continue;
            // The mirrored receiver sees the satellite through the face: the
            // line from the image along the direction meets the face's plane
            // after s metres.
            const double imx = at.x - 2 * dist * nx, imy = at.y - 2 * dist * ny;
            const double s = dist / un;
            const PlanXY bounce{imx + s * ux, imy + s * uy};
            const double h = antenna + s * se;
            const double along = ((bounce.x - a.x) * ex + (bounce.y - a.y) * ey) / (len * len);
            if (along < 0 || along > 1 || h < f.base || h > f.height)
                continue;
            // Leg to the receiver, then leg to the satellite.
            const Point3 from{bounce.x, bounce.y, h};
            const double toRx = std::hypot(at.x - bounce.x, at.y - bounce.y);
            const double touch = kTouch / std::max(toRx, kTouch);
            if (LegBlocked(prisms, from, at.x - bounce.x, at.y - bounce.y, antenna - h, 1, touch))
                continue;
            const double slope = se / ce; // metres up per metre across
            if (LegBlocked(prisms, from, ux / ce, uy / ce, slope,
                           std::numeric_limits<double>::infinity(), kTouch))
                continue;
            out.push_back({2 * dist * un, bounce, h, p, i});
        }
    }
    std::sort(out.begin(), out.end(),
              [](const Reflection& x, const Reflection& y) { return x.extraPath < y.extraPath; });
    return out;
}

std::optional<Reflection> ShortestReflection(std::span<const Footprint> prisms, PlanXY at,
                                             double antenna, Direction d) {
    auto all = SpecularReflections(prisms, at, antenna, d);
    if (all.empty())
        return std::nullopt;
    return all.front();
}

} // namespace velmora::gnss
