// Point-in-polygon for any point type with x and y members.
#pragma once

#include <cstddef>
#include <vector>

namespace velmora {

// Even-odd rule: true when (x, y) lies inside the closed polygon `poly`. The
// sum is worked in T, the type the caller gives the point in.
template <typename T, typename P> bool InsidePolygonAt(const std::vector<P>& poly, T x, T y) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].y > y) != (poly[j].y > y) &&
            x < (poly[j].x - poly[i].x) * (y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    return in;
}

template <typename P> bool InsidePolygon(const std::vector<P>& poly, P p) {
    return InsidePolygonAt(poly, p.x, p.y);
}

template <typename P> bool InsidePolygon(const std::vector<P>& poly, double x, double y) {
    return InsidePolygonAt<double>(poly, x, y);
}

} // namespace velmora
