// SPDX-License-Identifier: GPL-3.0-or-later
// Synthetic scenes drawn through the camera of sample preset 1: the camera,
// plan points seen in the picture, filled roofs, and how far a traced
// outline is from the drawn roof.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "geometry/Polygon.h"
#include "tracing/RoofTracer.h"

namespace tracetest {

inline constexpr int kWidth = 800;
inline constexpr int kHeight = 680;

inline velmora::TraceCamera PresetCamera() {
    const velmora::AltitudeTexts& t = velmora::SamplePicturePresets(1);
    auto d = std::make_unique<velmora::BuildingData>();
    velmora::UpdateViewGeometry(*d,
                                {std::string(t.verHeight), std::string(t.verHeightm),
                                 std::string(t.incliHeight), std::string(t.incliHeightm)},
                                kWidth);
    return {d->gSlideAngle * velmora::kDegToRad, d->gFlatHeight, d->gPhotoMetrePerUnit};
}

// A point on the ground plan, metres (y away from the camera).
struct Plan {
    double x = 0;
    double y = 0;
};

// Where plan point p at height h metres shows in the picture.
inline velmora::PicturePoint Seen(const velmora::TraceCamera& c, Plan p, double h) {
    const auto q = velmora::ImagePoint(c.thetaRad, c.slantRange, p.x, p.y, h);
    return q ? velmora::PicturePoint{float(q->x / c.metresPerUnit), float(q->y / c.metresPerUnit)}
             : velmora::PicturePoint{};
}

// Sets every pixel whose centre lies inside `poly` to `grey`.
inline void FillPolygon(velmora::GreyRaster& p, const std::vector<velmora::PicturePoint>& poly,
                        int grey) {
    for (int row = 0; row < p.Height(); ++row)
        for (int col = 0; col < p.Width(); ++col)
            if (velmora::InsidePolygon(poly, col - p.Width() / 2.0 + 0.5,
                                       p.Height() / 2.0 - row - 0.5))
                p.Set(col, row, grey);
}

// The mean of the corners, rounded to whole pixels: a click inside a convex roof.
inline velmora::PicturePoint Middle(const std::vector<velmora::PicturePoint>& roof) {
    velmora::PicturePoint m;
    for (const velmora::PicturePoint& q : roof) {
        m.x += q.x / float(roof.size());
        m.y += q.y / float(roof.size());
    }
    return {std::round(m.x), std::round(m.y)};
}

// The farthest any traced corner lies from the drawn roof's outline, pixels.
inline double WorstCorner(const std::vector<velmora::PicturePoint>& traced,
                          const std::vector<velmora::PicturePoint>& roof) {
    double worst = 0;
    for (const velmora::PicturePoint& q : traced) {
        double best = 1e9;
        for (std::size_t i = 0; i < roof.size(); ++i) {
            const velmora::PicturePoint a = roof[i], b = roof[(i + 1) % roof.size()];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double u =
                std::clamp(((q.x - a.x) * dx + (q.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            best = std::min(best, std::hypot(q.x - a.x - u * dx, q.y - a.y - u * dy));
        }
        worst = std::max(worst, best);
    }
    return worst;
}

} // namespace tracetest
