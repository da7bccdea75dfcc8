// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Pictures.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace velmora;

namespace tracetest {

GreyRaster TexturedGround(int width, int height, int lo, int hi, unsigned seed) {
    GreyRaster picture(width, height);
    unsigned state = seed;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            state = state * 1664525u + 1013904223u;
            picture.Set(column, row, lo + static_cast<int>((state >> 16) % unsigned(hi - lo + 1)));
        }
    }
    return picture;
}

void FillBox(GreyRaster& picture, int x0, int x1, int y0, int y1, int grey) {
    const int halfW = picture.Width() / 2;
    const int halfH = picture.Height() / 2;
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            picture.Set(x + halfW, halfH - y, grey);
}

void DrawBlock(GreyRaster& picture, const Block& b, int roofGrey, int wallGrey) {
    FillBox(picture, b.x0, b.x1, b.y0, b.y1, roofGrey);
    if (b.wallHeight > 0)
        FillBox(picture, b.x0, b.x1, b.y0 - b.wallHeight, b.y0 - 1, wallGrey);
}

double Distance(PicturePoint a, PicturePoint b) {
    return std::hypot(double(a.x) - b.x, double(a.y) - b.y);
}

double NearestDistance(PicturePoint p, const std::vector<PicturePoint>& points) {
    double best = std::numeric_limits<double>::infinity();
    for (const PicturePoint& q : points)
        best = std::min(best, Distance(p, q));
    return best;
}

void MarkCells(RoofTracer& t, const std::vector<CellRow>& cells, std::uint8_t value) {
    for (const CellRow& c : cells)
        t.gWorkMap.Set(c.x, c.y, value);
}

} // namespace tracetest
