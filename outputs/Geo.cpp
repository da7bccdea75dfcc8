// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputs/Geo.h"

#include <cmath>

namespace velmora {

predict::Failure ProjectionFailure(const gis::ProjectionError& e) {
    if (e.WhatFailed() == gis::ProjectionError::Kind::TooFar)
        return predict::Failure(predict::Error(predict::ErrorCode::TooFar));
    predict::Error error{predict::ErrorCode::Projection};
    error.reason = e.Reason();
    return predict::Failure(std::move(error));
}

std::vector<Ring> SplitLineAtAntimeridian(const Ring& line) {
    const auto wrap = [](double lon) {
        return lon > 180 ? lon - 360 : lon < -180 ? lon + 360 : lon;
    };
    std::vector<Ring> out(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (i > 0) {
            const auto& a = line[i - 1];
            const auto& b = line[i];
            for (const double cut : {180.0, -180.0}) {
                // Within -180 ... 180 on this side of the cut.
                const auto inside = [cut](double lon) { return cut > 0 ? lon <= cut : lon >= cut; };
                if (inside(a[0]) == inside(b[0]))
                    continue;
                const double lat = Degrees7(a[1] + (cut - a[0]) / (b[0] - a[0]) * (b[1] - a[1]));
                const double end = inside(a[0]) ? cut : -cut;
                out.back().push_back({end, lat});
                out.emplace_back();
                out.back().push_back({-end, lat});
            }
        }
        out.back().push_back({wrap(line[i][0]), line[i][1]});
    }
    std::erase_if(out, [](const Ring& part) { return part.size() < 2; });
    return out;
}

std::vector<std::array<double, 2>> PlanToLonLatExact(const std::vector<PlanXY>& points,
                                                     double latitude, double longitude) {
    std::vector<std::array<double, 2>> out;
    out.reserve(points.size());
    for (const PlanXY& p : points)
        out.push_back({p.x, p.y});
    try {
        const gis::PlanProjection projection(latitude, longitude);
        projection.ToLonLat(out);
    } catch (const gis::ProjectionError& e) {
        throw ProjectionFailure(e);
    }
    return out;
}

std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude) {
    std::vector<std::array<double, 2>> out = PlanToLonLatExact(points, latitude, longitude);
    for (auto& c : out)
        c = {Degrees7(c[0]), Degrees7(c[1])};
    return out;
}

} // namespace velmora
