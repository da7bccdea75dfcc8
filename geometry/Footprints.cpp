#include "geometry/Footprints.h"

#include <algorithm>
#include <cmath>

namespace velmora {

PlanXY NorthUpPoint(const BuildingData& d, double x, double y) {
    const double a = d.gNorthAngle * kDegToRad;
    RotateAboutPoint(x, y, 0, 0, std::sin(a), std::cos(a));
    return {x, y};
}

std::vector<Footprint> NorthUpFootprints(const BuildingData& d) {
    const int roofs = std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
    const int points =
        std::clamp<int>(d.gTopAreaPointTotalNumber, 0, static_cast<int>(kPointCapacity));
    const double a = d.gNorthAngle * kDegToRad;
    const double s = std::sin(a);
    const double c = std::cos(a);
    std::vector<Footprint> out;
    out.reserve(static_cast<std::size_t>(roofs));
    for (int r = 0; r < roofs; ++r) {
        Footprint f;
        f.roof = static_cast<Count>(r);
        f.height = d.gFlatTopHeight[static_cast<std::size_t>(r)];
        const int start = d.gEachTopAreaStartNum[static_cast<std::size_t>(r)];
        const int count = d.gEachTopAreaPointNum[static_cast<std::size_t>(r)];
        if (start >= 0 && count > 0 && start + count <= points) {
            for (int i = start; i < start + count; ++i) {
                double x = d.gFlatTopAreaX[static_cast<std::size_t>(i)];
                double y = d.gFlatTopAreaY[static_cast<std::size_t>(i)];
                RotateAboutPoint(x, y, 0, 0, s, c);
                const PlanXY p{x, y};
                if (!f.ring.empty() && f.ring.back().x == p.x && f.ring.back().y == p.y)
                    continue;
                f.ring.push_back(p);
            }
            while (f.ring.size() > 1 && f.ring.back().x == f.ring.front().x &&
                   f.ring.back().y == f.ring.front().y)
                f.ring.pop_back();
            if (f.ring.size() < 3)
                f.ring.clear();
        }
        out.push_back(std::move(f));
    }
    return out;
}

double SignedArea(std::span<const PlanXY> ring) {
    const std::size_t n = ring.size();
    double twice = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PlanXY& p = ring[i];
        const PlanXY& q = ring[(i + 1) % n];
        twice += p.x * q.y - q.x * p.y;
    }
    return twice / 2;
}

PlanXY Centroid(std::span<const PlanXY> ring) {
    const std::size_t n = ring.size();
    if (n == 0)
        return {};
    // Relative to the first corner: plan points far from the origin keep
    // their precision.
    const PlanXY o = ring[0];
    double twice = 0, cx = 0, cy = 0, mx = 0, my = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double px = ring[i].x - o.x, py = ring[i].y - o.y;
        const double qx = ring[(i + 1) % n].x - o.x, qy = ring[(i + 1) % n].y - o.y;
        const double cross = px * qy - qx * py;
        twice += cross;
        cx += (px + qx) * cross;
        cy += (py + qy) * cross;
        mx += px;
        my += py;
    }
    if (std::fabs(twice) < 1e-12)
        return {o.x + mx / static_cast<double>(n), o.y + my / static_cast<double>(n)};
    return {o.x + cx / (3 * twice), o.y + cy / (3 * twice)};
}

bool RingContains(std::span<const PlanXY> ring, PlanXY p) {
    const std::size_t n = ring.size();
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const PlanXY& a = ring[i];
        const PlanXY& b = ring[j];
        // On the edge: its cross product vanishes and p lies between its ends.
        const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        if (std::fabs(cross) <= 1e-9 * (1 + std::hypot(b.x - a.x, b.y - a.y)) &&
            std::min(a.x, b.x) - 1e-9 <= p.x && p.x <= std::max(a.x, b.x) + 1e-9 &&
            std::min(a.y, b.y) - 1e-9 <= p.y && p.y <= std::max(a.y, b.y) + 1e-9)
            return true;
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

} // namespace velmora
