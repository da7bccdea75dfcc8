// SPDX-License-Identifier: GPL-3.0-or-later
#include "gis/PlanProjection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <proj.h>
#include <string>

#include "geometry/Footprints.h"

namespace velmora::gis {

struct PlanProjection::Pj {
    PJ_CONTEXT* ctx = nullptr;
    PJ* pj = nullptr;
    ~Pj() {
        if (pj)
            proj_destroy(pj);
        proj_context_destroy(ctx);
    }
};

std::string PlanDefinition(double latitude, double longitude) {
    char definition[200];
    std::snprintf(definition, sizeof definition,
                  "+proj=tmerc +lat_0=%.17g +lon_0=%.17g +k_0=1 +x_0=0 +y_0=0 +ellps=WGS84 "
                  "+units=m",
                  latitude, longitude);
    return definition;
}

PlanProjection::PlanProjection(double latitude, double longitude)
    : latitude_(latitude), longitude_(longitude), pj_(new Pj) {
    pj_->ctx = proj_context_create();
    proj_log_level(pj_->ctx, PJ_LOG_NONE);
    // The plan frame never needs a grid from the network.
    proj_context_set_enable_network(pj_->ctx, 0);
    pj_->pj = proj_create(pj_->ctx, PlanDefinition(latitude, longitude).c_str());
    if (!pj_->pj) {
        const std::string why = proj_context_errno_string(pj_->ctx, proj_context_errno(pj_->ctx));
        delete pj_;
        throw ProjectionError(ProjectionError::Kind::Setup,
                              "PROJ cannot set up the local projection: " + why, why);
    }
}

PlanProjection::~PlanProjection() {
    delete pj_;
}

void PlanProjection::ToLonLat(std::vector<std::array<double, 2>>& points) const {
    if (points.empty())
        return;
    // All points in one call: PROJ's set-up per call costs more than the work.
    std::vector<PJ_COORD> coords;
    coords.reserve(points.size());
    for (const auto& p : points)
        coords.push_back(proj_coord(p[0], p[1], 0, 0));
    proj_trans_array(pj_->pj, PJ_INV, coords.size(), coords.data());
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = {proj_todeg(coords[i].lp.lam), proj_todeg(coords[i].lp.phi)};
        if (!std::isfinite(points[i][0]) || !std::isfinite(points[i][1]))
            throw ProjectionError(ProjectionError::Kind::TooFar,
                                  "a footprint lies too far from the origin to be placed");
    }
}

void PlanProjection::ToPlan(std::vector<std::array<double, 2>>& points) const {
    if (points.empty())
        return;
    std::vector<PJ_COORD> coords;
    coords.reserve(points.size());
    for (const auto& p : points) {
        // Continuous around the origin's longitude, as the export writes them.
        const double lon = longitude_ + std::remainder(p[0] - longitude_, 360.0);
        coords.push_back(proj_coord(proj_torad(lon), proj_torad(p[1]), 0, 0));
    }
    proj_trans_array(pj_->pj, PJ_FWD, coords.size(), coords.data());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = coords[i].xy.x, y = coords[i].xy.y;
        // PROJ marks a point it cannot place with HUGE_VAL.
        const bool ok = std::isfinite(x) && std::isfinite(y) && std::fabs(x) < 1e7 &&
                        std::fabs(y) < 1e8 && std::fabs(points[i][1]) <= 90;
        points[i] =
            ok ? std::array<double, 2>{x, y} : std::array<double, 2>{std::nan(""), std::nan("")};
    }
}

double Degrees7(double v) {
    constexpr double kDegreeScale = 1e7; // 7 decimals
    return std::round(v * kDegreeScale) / kDegreeScale;
}

namespace {

double RingArea(const Ring& ring) {
    double twice = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        twice += ring[i][0] * ring[i + 1][1] - ring[i + 1][0] * ring[i][1];
    return twice / 2;
}

// The part of a closed ring on one side of the meridian `cut` (keep < 0:
// west of it, > 0: east), as Sutherland and Hodgman clip: corners on the
// cut land on it exactly.
Ring ClipAt(const Ring& ring, double cut, int keep) {
    const auto inside = [&](const std::array<double, 2>& p) {
        return keep < 0 ? p[0] <= cut : p[0] >= cut;
    };
    Ring out;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        const auto& a = ring[i];
        const auto& b = ring[i + 1];
        if (inside(a))
            out.push_back(a);
        if (inside(a) != inside(b) && a[0] != cut && b[0] != cut) {
            const double t = (cut - a[0]) / (b[0] - a[0]);
            out.push_back({cut, a[1] + t * (b[1] - a[1])});
        }
    }
    if (!out.empty())
        out.push_back(out.front());
    return out;
}

// Rounded to 7 decimals, corners closer than the rounding made one, closed,
// counter-clockwise; empty when no area is left.
Ring Finished(const Ring& raw) {
    Ring ring;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
        const std::array<double, 2> c{Degrees7(raw[i][0]), Degrees7(raw[i][1])};
        if (ring.empty() || ring.back() != c)
            ring.push_back(c);
    }
    while (ring.size() > 1 && ring.back() == ring.front())
        ring.pop_back();
    if (ring.size() < 3)
        return {};
    ring.push_back(ring.front());
    const double area = RingArea(ring);
    if (area == 0)
        return {};
    if (area < 0)
        std::reverse(ring.begin(), ring.end());
    return ring;
}

} // namespace

std::vector<Ring> CutAtAntimeridian(const Ring& ring) {
    bool east = false, west = false;
    for (const auto& c : ring) {
        east = east || c[0] > 180;
        west = west || c[0] < -180;
    }
    if (!east && !west)
        return {ring};
    // A footprint is far smaller than the globe: it crosses one of the two.
    const double cut = east ? 180 : -180;
    const double shift = east ? -360 : 360;
    Ring near = ClipAt(ring, cut, east ? -1 : 1);
    Ring far = ClipAt(ring, cut, east ? 1 : -1);
    for (auto& c : far)
        c[0] += shift;
    std::vector<Ring> out;
    for (Ring* part : {&near, &far})
        if (part->size() >= 4)
            out.push_back(std::move(*part));
    return out;
}

std::vector<BuildingPolygon> BuildingPolygons(const BuildingData& d, double latitude,
                                              double longitude, LeftOut* leftOut,
                                              bool keepCrossing) {
    const PlanProjection projection(latitude, longitude);
    const std::vector<Footprint> footprints = NorthUpFootprints(d);
    std::vector<std::array<double, 2>> coords;
    for (const Footprint& f : footprints)
        for (const PlanXY& p : f.ring)
            coords.push_back({p.x, p.y});
    projection.ToLonLat(coords);

    std::vector<BuildingPolygon> out;
    std::size_t next = 0;
    for (const Footprint& f : footprints) {
        Ring raw;
        for (std::size_t i = 0; i < f.ring.size(); ++i, ++next) {
            // Longitudes continuous around the origin's: PROJ wraps them
            // into -180 ... 180, which would tear a building at the
            // antimeridian into a band round the globe.
            double lon = coords[next][0];
            lon = longitude + std::remainder(lon - longitude, 360.0);
            raw.push_back({lon, coords[next][1]});
        }
        if (f.crossesItself && !keepCrossing) {
            if (leftOut)
                leftOut->crossing.push_back(f.roof);
            continue;
        }
        BuildingPolygon b;
        b.roof = f.roof;
        b.selfIntersecting = f.crossesItself;
        if (f.heightState == RoofHeight::Measured)
            b.height = f.height;
        if (!raw.empty())
            raw.push_back(raw.front());
        for (const Ring& part : CutAtAntimeridian(raw)) {
            Ring ring = Finished(part);
            if (!ring.empty())
                b.parts.push_back(std::move(ring));
        }
        if (b.parts.empty()) {
            if (leftOut)
                leftOut->noArea.push_back(f.roof);
            continue;
        }
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude) {
    const PlanProjection projection(latitude, longitude);
    std::vector<std::array<double, 2>> out;
    out.reserve(points.size());
    for (const PlanXY& p : points)
        out.push_back({p.x, p.y});
    projection.ToLonLat(out);
    for (auto& c : out)
        c = {Degrees7(c[0]), Degrees7(c[1])};
    return out;
}

} // namespace velmora::gis
