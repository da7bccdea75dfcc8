// Point-in-polygon for any point type with x and y members.
#pragma once

#include <cstddef>
#include <vector>

namespace velmora {

// Even-odd rule: true when p lies inside the closed polygon `poly`.
template <typename P> bool InsidePolygon(const std::vector<P>& poly, P p) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    return in;
}

} // namespace velmora
