// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Sky.h"

#include <algorithm>
#include <limits>
#include <numbers>

#include "gnss/Rtklib.h"

namespace velmora::gnss {

namespace {
constexpr double kDeg = std::numbers::pi / 180;
}

Receiver PlaceReceiver(double latitude, double longitude, double groundHeight, PlanXY at,
                       double antenna) {
    const double origin[3] = {latitude * kDeg, longitude * kDeg, groundHeight};
    double o[3], d[3];
    rtk::pos2ecef(origin, o);
    const double enu[3] = {at.x, at.y, antenna};
    rtk::enu2ecef(origin, enu, d);
    Receiver r;
    for (int i = 0; i < 3; ++i)
        r.ecef[i] = o[i] + d[i];
    double pos[3];
    rtk::ecef2pos(r.ecef, pos);
    r.latitude = pos[0] / kDeg;
    r.longitude = pos[1] / kDeg;
    r.height = pos[2];
    r.at = at;
    r.antenna = antenna;
    return r;
}

Direction DirectionTo(const Receiver& r, const double target[3]) {
    const double pos[3] = {r.latitude * kDeg, r.longitude * kDeg, r.height};
    double e[3] = {target[0] - r.ecef[0], target[1] - r.ecef[1], target[2] - r.ecef[2]};
    const double len = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    if (len > 0)
        for (double& v : e)
            v /= len;
    double azel[2] = {0, 0};
    rtk::satazel(pos, e, azel);
    return {azel[0] / kDeg, azel[1] / kDeg};
}

bool HasMeasuredHeight(const BuildingData& d, Count roof) {
    return RoofHeightOf(d, roof) == RoofHeight::Measured;
}

Buildings MeasuredBuildings(const BuildingData& d) {
    Buildings out;
    for (Footprint& f : NorthUpFootprints(d)) {
        if (f.crossesItself)
            out.crossing.push_back(f.roof);
        else if (!HasMeasuredHeight(d, f.roof))
            out.unmeasured.push_back(f.roof);
        else if (!f.ring.empty())
            out.prisms.push_back(std::move(f));
    }
    return out;
}

bool LineOfSightBlocked(std::span<const Footprint> prisms, PlanXY at, double antenna, Direction d) {
    if (d.elevation >= 90)
        return false;
    const double ux = std::sin(d.azimuth * kDeg), uy = std::cos(d.azimuth * kDeg);
    const double slope = std::tan(d.elevation * kDeg);
    for (const Footprint& f : prisms) {
        const double rise = f.height - antenna;
        if (rise <= 0)
            continue;
        // Walls farther than the ray needs to climb above the roof cannot
        // block it.
        const double reach = slope > 0 ? rise / slope : std::numeric_limits<double>::infinity();
        const std::size_t n = f.ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const PlanXY a = f.ring[i], b = f.ring[(i + 1) % n];
            const double ax = a.x - at.x, ay = a.y - at.y, bx = b.x - at.x, by = b.y - at.y;
            // The ray t (ux, uy), t > 0, meets a + s (b - a), 0 <= s <= 1.
            const double ex = bx - ax, ey = by - ay;
            const double den = ux * ey - uy * ex;
            if (den == 0)
                continue;
            const double t = (ax * ey - ay * ex) / den;
            const double s = (ax * uy - ay * ux) / den;
            if (t > 0 && s >= 0 && s <= 1 && t < reach)
                return true;
        }
    }
    return false;
}

std::optional<Dops> DopsOf(std::span<const Direction> directions, double maskDeg) {
    std::vector<double> azel;
    azel.reserve(directions.size() * 2);
    for (const Direction& d : directions) {
        azel.push_back(d.azimuth * kDeg);
        azel.push_back(d.elevation * kDeg);
    }
    double dop[4] = {0, 0, 0, 0};
    rtk::dops(static_cast<int>(directions.size()), azel.data(), maskDeg * kDeg, dop);
    if (!(dop[0] > 0))
        return std::nullopt;
    return Dops{dop[0], dop[1], dop[2], dop[3]};
}

} // namespace velmora::gnss
