// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputs/Geo.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <proj.h>

#include "predict/Errors.h"

namespace velmora {

namespace {

constexpr double kDegreeScale = 1e7; // 7 decimals

// Metres east and north of the origin to WGS84 longitude and latitude.
class LocalToWgs84 {
  public:
    LocalToWgs84(double latitude, double longitude) : ctx_(proj_context_create()) {
        proj_log_level(ctx_, PJ_LOG_NONE);
        const QByteArray definition =
            QStringLiteral("+proj=tmerc +lat_0=%1 +lon_0=%2 +k_0=1 +x_0=0 +y_0=0 +ellps=WGS84 "
                           "+units=m")
                .arg(latitude, 0, 'g', 17)
                .arg(longitude, 0, 'g', 17)
                .toLatin1();
        pj_ = proj_create(ctx_, definition.constData());
        if (!pj_) {
            predict::Error e{predict::ErrorCode::Projection};
            e.reason = proj_context_errno_string(ctx_, proj_context_errno(ctx_));
            proj_context_destroy(ctx_);
            throw predict::Failure(std::move(e));
        }
    }
    ~LocalToWgs84() {
        if (pj_)
            proj_destroy(pj_);
        proj_context_destroy(ctx_);
    }
    LocalToWgs84(const LocalToWgs84&) = delete;
    LocalToWgs84& operator=(const LocalToWgs84&) = delete;

    // In place: x, y in metres become longitude, latitude in degrees.
    void Convert(std::vector<PJ_COORD>& points) const {
        if (points.empty())
            return;
        proj_trans_array(pj_, PJ_INV, points.size(), points.data());
        for (PJ_COORD& c : points) {
            c.xy.x = proj_todeg(c.lp.lam);
            c.xy.y = proj_todeg(c.lp.phi);
            if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y))
                throw predict::Failure(predict::Error(predict::ErrorCode::TooFar));
        }
    }

  private:
    PJ_CONTEXT* ctx_;
    PJ* pj_ = nullptr;
};

} // namespace

double Degrees7(double v) {
    return std::round(v * kDegreeScale) / kDegreeScale;
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
    const LocalToWgs84 toWgs84(latitude, longitude);
    std::vector<PJ_COORD> coords;
    coords.reserve(points.size());
    for (const PlanXY& p : points)
        coords.push_back(proj_coord(p.x, p.y, 0, 0));
    toWgs84.Convert(coords);
    std::vector<std::array<double, 2>> out;
    out.reserve(coords.size());
    for (const PJ_COORD& c : coords)
        out.push_back({c.xy.x, c.xy.y});
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
