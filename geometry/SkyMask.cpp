// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/SkyMask.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora {

namespace {

double Azimuth(double east, double north) {
    const double a = std::atan2(east, north) * kRadToDeg;
    return a < 0 ? a + 360 : a;
}

} // namespace

std::optional<Count> FootprintAt(std::span<const Footprint> footprints, PlanXY p) {
    for (const Footprint& f : footprints)
        if (f.ring.size() >= 3 && RingContains(f.ring, p))
            return f.roof;
    return std::nullopt;
}

SkyScene::SkyScene(std::span<const Footprint> footprints, PlanXY receiver, double antennaHeight) {
    for (const Footprint& f : footprints) {
        const double rise = f.height - antennaHeight;
        // A building no higher than the receiver never covers sky.
        if (!(rise > 0) || f.ring.size() < 3)
            continue;
        // A base at or below the antenna leaves no sky open beneath: such a
        // prism blocks as one standing on the ground.
        const bool raised = f.base > antennaHeight;
        if (raised)
            raised_.push_back({{}, f.base - antennaHeight, rise});
        std::vector<Edge>& edges = raised ? raised_.back().edges : edges_;
        const std::size_t n = f.ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            Edge e;
            e.ax = f.ring[i].x - receiver.x;
            e.ay = f.ring[i].y - receiver.y;
            e.bx = f.ring[(i + 1) % n].x - receiver.x;
            e.by = f.ring[(i + 1) % n].y - receiver.y;
            e.rise = rise;
            const double a = Azimuth(e.ax, e.ay);
            const double b = Azimuth(e.bx, e.by);
            // The edge covers the shorter way round between its ends'
            // azimuths (the receiver is never on it: points in buildings are
            // refused).
            double span = std::fmod(b - a + 720, 360);
            e.fromDeg = a;
            if (span > 180) {
                e.fromDeg = b;
                span = 360 - span;
            }
            e.spanDeg = span;
            edges.push_back(e);
        }
    }
    // The ray meets an edge no nearer than the edge's closest point, so its
    // slope there is at most rise over that distance (a hair more for the
    // rounding of either).
    bound_.resize(edges_.size());
    std::vector<std::uint32_t> count(kBins + 1, 0);
    const auto binsOf = [](const Edge& e, int& first, int& last) {
        if (!(e.fromDeg >= 0 && e.fromDeg <= 360 && e.spanDeg >= 0 && e.spanDeg <= 180))
            return false;
        first = static_cast<int>(std::floor(e.fromDeg)) - 1;
        last = static_cast<int>(std::floor(e.fromDeg + e.spanDeg)) + 1;
        return true;
    };
    for (std::size_t i = 0; i < edges_.size(); ++i) {
        const Edge& e = edges_[i];
        const double dx = e.bx - e.ax, dy = e.by - e.ay, len2 = dx * dx + dy * dy;
        const double s = len2 > 0 ? std::clamp(-(e.ax * dx + e.ay * dy) / len2, 0.0, 1.0) : 0.0;
        const double near = std::hypot(e.ax + s * dx, e.ay + s * dy) * (1 - 1e-9);
        bound_[i] = near > 0 ? e.rise / near : std::numeric_limits<double>::infinity();
        int first = 0, last = 0;
        if (!binsOf(e, first, last) || !std::isfinite(bound_[i])) {
            everywhere_.push_back(static_cast<std::uint32_t>(i));
            continue;
        }
        for (int k = first; k <= last; ++k)
            ++count[static_cast<std::size_t>((k + kBins) % kBins) + 1];
    }
    binStart_.assign(kBins + 1, 0);
    for (int b = 0; b < kBins; ++b)
        binStart_[b + 1] = binStart_[b] + count[b + 1];
    binEdges_.resize(binStart_[kBins]);
    std::vector<std::uint32_t> fill(binStart_.begin(), binStart_.end() - 1);
    for (std::size_t i = 0; i < edges_.size(); ++i) {
        int first = 0, last = 0;
        if (!binsOf(edges_[i], first, last) || !std::isfinite(bound_[i]))
            continue;
        for (int k = first; k <= last; ++k)
            binEdges_[fill[static_cast<std::size_t>((k + kBins) % kBins)]++] =
                static_cast<std::uint32_t>(i);
    }
    for (int b = 0; b < kBins; ++b)
        std::sort(binEdges_.begin() + binStart_[b], binEdges_.begin() + binStart_[b + 1],
                  [this](std::uint32_t x, std::uint32_t y) { return bound_[x] > bound_[y]; });
    for (double& b : bound_)
        b = std::atan(b) * kRadToDeg;
}

bool SkyScene::Covers(const Edge& e, double azimuthDeg) {
    const double off = std::fmod(azimuthDeg - e.fromDeg + 720, 360);
    return off <= e.spanDeg + 1e-9;
}

std::span<const std::uint32_t> SkyScene::Candidates(double azimuthDeg) const {
    const int b = static_cast<int>(std::floor(azimuthDeg)) % kBins;
    return {binEdges_.data() + binStart_[static_cast<std::size_t>(b)],
            binEdges_.data() + binStart_[static_cast<std::size_t>(b) + 1]};
}

bool SkyScene::Blocks(double azimuthDeg, double elevationDeg) const {
    if (!(elevationDeg < 90))
        return false;
    // Below the horizontal is below every mask.
    if (elevationDeg < 0)
        return true;
    if (!(azimuthDeg >= 0 && azimuthDeg <= 360))
        return elevationDeg < ElevationAt(azimuthDeg);
    const double az = azimuthDeg * kDegToRad;
    const double ux = std::sin(az), uy = std::cos(az);
    const auto blocks = [&](std::uint32_t i) {
        const Edge& e = edges_[i];
        return Covers(e, azimuthDeg) && elevationDeg < std::atan(EdgeSlope(e, ux, uy)) * kRadToDeg;
    };
    for (const std::uint32_t i : Candidates(azimuthDeg)) {
        if (bound_[i] <= elevationDeg)
            break; // bound_ holds degrees by now, steepest first
        if (blocks(i))
            return true;
    }
    return std::any_of(everywhere_.begin(), everywhere_.end(), blocks) ||
           RaisedBlocks(azimuthDeg, elevationDeg);
}

double SkyScene::EdgeSlope(const Edge& e, double ux, double uy) {
    // The ray t (ux, uy) meets the edge a + s (b - a) where the cross
    // product with the ray's direction vanishes.
    const double dx = e.bx - e.ax, dy = e.by - e.ay;
    const double den = ux * dy - uy * dx;
    if (den == 0)
        return 0;
    const double s = -(ux * e.ay - uy * e.ax) / den;
    if (s < -1e-9 || s > 1 + 1e-9)
        return 0;
    const double t = (e.ax + s * dx) * ux + (e.ay + s * dy) * uy;
    if (!(t > 0))
        return 0;
    return e.rise / t;
}

double SkyScene::GroundedElevationAt(double azimuthDeg) const {
    const double az = azimuthDeg * kDegToRad;
    const double ux = std::sin(az), uy = std::cos(az);
    double best = 0;
    // Only the edges of the azimuth's degree can cover it.
    if (azimuthDeg >= 0 && azimuthDeg <= 360) {
        for (const std::uint32_t i : Candidates(azimuthDeg))
            if (Covers(edges_[i], azimuthDeg))
                best = std::max(best, EdgeSlope(edges_[i], ux, uy));
        for (const std::uint32_t i : everywhere_)
            if (Covers(edges_[i], azimuthDeg))
                best = std::max(best, EdgeSlope(edges_[i], ux, uy));
        return std::atan(best) * kRadToDeg;
    }
    for (const Edge& e : edges_)
        if (Covers(e, azimuthDeg))
            best = std::max(best, EdgeSlope(e, ux, uy));
    return std::atan(best) * kRadToDeg;
}

double SkyScene::ElevationAt(double azimuthDeg) const {
    double best = GroundedElevationAt(azimuthDeg);
    const double az = azimuthDeg * kDegToRad;
    const double ux = std::sin(az), uy = std::cos(az);
    for (const Raised& r : raised_)
        for (const Edge& e : r.edges)
            if (std::fmod(azimuthDeg - e.fromDeg + 720, 360) <= e.spanDeg + 1e-9)
                best = std::max(best, std::atan(EdgeSlope(e, ux, uy)) * kRadToDeg);
    return best;
}

bool SkyScene::RaisedBlocks(double azimuthDeg, double elevationDeg) const {
    if (raised_.empty() || !(elevationDeg >= 0))
        return false;
    const double az = azimuthDeg * kDegToRad;
    const double ux = std::sin(az), uy = std::cos(az);
    const double slope = std::tan(elevationDeg * kDegToRad);
    std::vector<double> cuts;
    for (const Raised& r : raised_) {
        // The distances at which the ray crosses the outline; the receiver
        // stands outside, so it is inside between the first and second,
        // third and fourth, ...
        cuts.clear();
        for (const Edge& e : r.edges) {
            if (std::fmod(azimuthDeg - e.fromDeg + 720, 360) > e.spanDeg + 1e-9)
                continue;
            const double dx = e.bx - e.ax, dy = e.by - e.ay;
            const double den = ux * dy - uy * dx;
            if (den == 0)
                continue;
            const double s = -(ux * e.ay - uy * e.ax) / den;
            // Half-open, so that a ray through a corner counts it once.
            if (s < 0 || s >= 1)
                continue;
            const double t = (e.ax + s * dx) * ux + (e.ay + s * dy) * uy;
            if (t > 0)
                cuts.push_back(t);
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t i = 0; i + 1 < cuts.size(); i += 2)
            if (cuts[i] * slope < r.rise && cuts[i + 1] * slope > r.low)
                return true;
    }
    return false;
}

std::vector<double> SkyScene::Mask(double stepDeg) const {
    std::vector<double> mask;
    // A step finer than this would take more memory than any mask needs.
    if (!(stepDeg >= 1e-4 && stepDeg <= 360))
        return mask;
    const int n = static_cast<int>(std::lround(360 / stepDeg));
    if (n < 1 || std::fabs(n * stepDeg - 360) > 1e-9)
        return mask;
    std::vector<double> ux(static_cast<std::size_t>(n)), uy(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        ux[static_cast<std::size_t>(k)] = std::sin(k * stepDeg * kDegToRad);
        uy[static_cast<std::size_t>(k)] = std::cos(k * stepDeg * kDegToRad);
    }
    // The steepest slope per azimuth first, one arc tangent each at the end;
    // each edge visits only the azimuths it covers.
    mask.assign(static_cast<std::size_t>(n), 0.0);
    for (const Edge& e : edges_) {
        // Corners without a place (not finite) cover no azimuth.
        if (!(std::fabs(e.fromDeg) <= 720 && e.spanDeg >= 0 && e.spanDeg <= 360))
            continue;
        const int first = static_cast<int>(std::ceil(e.fromDeg / stepDeg - 1e-9));
        const int last = static_cast<int>(std::floor((e.fromDeg + e.spanDeg) / stepDeg + 1e-9));
        for (int k = first; k <= last; ++k) {
            const auto j = static_cast<std::size_t>(k % n);
            mask[j] = std::max(mask[j], EdgeSlope(e, ux[j], uy[j]));
        }
    }
    for (double& m : mask)
        m = std::atan(m) * kRadToDeg;
    return mask;
}

SunDay SunOverDay(const SkyScene& scene, const SunClock& date, const SunSite& site) {
    SunDay day;
    day.events = SunriseSunset(date, site);
    for (int m = 0; m < 24 * 60; ++m) {
        SunClock c = date;
        c.hours = (m + 0.5) / 60;
        const SunAngles a = SunPositionAt(c, site);
        if (!(a.elevation() > 0))
            continue;
        SunMinute s{c.hours, a.azimuth, a.elevation(), false};
        s.blocked = scene.Covers(a.azimuth, a.elevation());
        ++(s.blocked ? day.blockedMinutes : day.directMinutes);
        day.minutes.push_back(s);
    }
    return day;
}

} // namespace velmora
