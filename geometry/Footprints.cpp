// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/Footprints.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace velmora {

PlanXY NorthUpPoint(const BuildingData& d, double x, double y) {
    const double a = d.gNorthAngle * kDegToRad;
    RotateAboutPoint(x, y, 0, 0, std::sin(a), std::cos(a));
    return {x, y};
}

RoofHeight RoofHeightOf(const BuildingData& d, Count roof) {
    const auto walls = static_cast<std::size_t>(
        std::clamp<int>(d.gWallEdgeNumber, 0, static_cast<int>(kWallCapacity)));
    bool wall = false;
    for (std::size_t w = 0; w < walls && !wall; ++w)
        wall = d.gWallEdgefotEachTopArea[w] == roof;
    if (!wall)
        return RoofHeight::NoWallLine;
    const double h = d.gFlatTopHeight[static_cast<std::size_t>(roof)];
    return std::isfinite(h) && h > 0 ? RoofHeight::Measured : RoofHeight::NotAboveGround;
}

namespace {

// -1, 0 or 1: the side of line a-b that p lies on.
int Side(PlanXY a, PlanXY b, PlanXY p) {
    const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    const double scale = std::max(
        {std::fabs(b.x - a.x), std::fabs(b.y - a.y), std::fabs(p.x - a.x), std::fabs(p.y - a.y)});
    if (std::fabs(cross) <= 1e-12 * scale * scale)
        return 0;
    return cross > 0 ? 1 : -1;
}

// p on the segment a-b, given the three are in line.
bool Within(PlanXY a, PlanXY b, PlanXY p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool SegmentsMeet(PlanXY a, PlanXY b, PlanXY c, PlanXY d) {
    const int s1 = Side(a, b, c), s2 = Side(a, b, d), s3 = Side(c, d, a), s4 = Side(c, d, b);
    if (s1 * s2 < 0 && s3 * s4 < 0)
        return true;
    return (s1 == 0 && Within(a, b, c)) || (s2 == 0 && Within(a, b, d)) ||
           (s3 == 0 && Within(c, d, a)) || (s4 == 0 && Within(c, d, b));
}

} // namespace

bool OutlineCrossesItself(std::span<const PlanXY> ring) {
    const std::size_t n = ring.size();
    if (n < 3)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        const PlanXY a = ring[i], b = ring[(i + 1) % n];
        // Neighbours share a corner; they cross only by doubling back.
        const PlanXY next = ring[(i + 2) % n];
        if (Side(a, b, next) == 0 &&
            (b.x - a.x) * (next.x - b.x) + (b.y - a.y) * (next.y - b.y) < 0)
            return true;
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1)
                continue; // the closing edge and the first share corner 0
            if (SegmentsMeet(a, b, ring[j], ring[(j + 1) % n]))
                return true;
        }
    }
    return false;
}

bool RoofOutlineCrossesItself(const BuildingData& d, Count roof) {
    if (roof < 0 || roof >= d.gEachTopAreaNumber || static_cast<std::size_t>(roof) >= kRoofCapacity)
        return false;
    const int points =
        std::clamp<int>(d.gTopAreaPointTotalNumber, 0, static_cast<int>(kPointCapacity));
    const int start = d.gEachTopAreaStartNum[static_cast<std::size_t>(roof)];
    const int count = d.gEachTopAreaPointNum[static_cast<std::size_t>(roof)];
    if (start < 0 || count <= 0 || start + count > points)
        return false;
    std::vector<PlanXY> ring;
    for (int i = start; i < start + count; ++i) {
        const PlanXY p{d.gFlatTopAreaX[static_cast<std::size_t>(i)],
                       d.gFlatTopAreaY[static_cast<std::size_t>(i)]};
        if (ring.empty() || ring.back().x != p.x || ring.back().y != p.y)
            ring.push_back(p);
    }
    while (ring.size() > 1 && ring.back().x == ring.front().x && ring.back().y == ring.front().y)
        ring.pop_back();
    return OutlineCrossesItself(ring);
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
        f.heightState = RoofHeightOf(d, f.roof);
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
            f.crossesItself = OutlineCrossesItself(f.ring);
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

void ComputePlanState(BuildingData& d, double pictureWidth) {
    ComputeRoofHeights(d, pictureWidth);
    ComputeRoofPlanPoints(d, pictureWidth);
}

std::vector<Footprint> PlanFootprints(const BuildingData& record, double pictureWidth) {
    // The record is large: the copy lives on the heap.
    const auto copy = std::make_unique<BuildingData>(record);
    ComputePlanState(*copy, pictureWidth);
    return NorthUpFootprints(*copy);
}

} // namespace velmora
