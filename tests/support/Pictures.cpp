// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Pictures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/CameraModel.h"
#include "geometry/Polygon.h"

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

// ---- The town of boxes ---------------------------------------------------

namespace {

struct Box {
    Pt centre; // plan metres
    double w = 24;
    double d = 18;
    double h = 25;
};

bool Seen(const TownCamera& c, double x, double y, double h, Pt& p) {
    const auto q = velmora::ImagePoint(c.theta, c.f, x, y, h);
    if (!q)
        return false;
    p = {q->x / c.k, q->y / c.k};
    return true;
}

} // namespace

TownCamera SampleOneCamera(int width) {
    const double theta = 33.2212 * velmora::kDegToRad, f = 160.1795;
    return {theta, f, f / (velmora::kImageWidthFactor * width)};
}

void FillPolygon(velmora::GreyRaster& g, const std::vector<Pt>& poly, int grey) {
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const Pt& p : poly) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    const int w = g.Width(), h = g.Height();
    for (int r = std::max(0, int(h / 2.0 - y1) - 1); r <= std::min(h - 1, int(h / 2.0 - y0) + 1);
         ++r)
        for (int c = std::max(0, int(x0 + w / 2.0) - 1);
             c <= std::min(w - 1, int(x1 + w / 2.0) + 1); ++c)
            if (InsidePolygon(poly, Pt{c - w / 2.0 + 0.5, h / 2.0 - r - 0.5}))
                g.Set(c, r, grey);
}

BoxTown DrawBoxTown(const TownCamera& c, const std::vector<Pt>& at, int width, int height) {
    BoxTown s;
    s.picture = velmora::GreyRaster(width, height);
    unsigned noise = 12345;
    for (int r = 0; r < height; ++r)
        for (int col = 0; col < width; ++col) {
            noise = noise * 1103515245u + 12345u;
            s.picture.Set(col, r, 60 + int((noise >> 16) % 25));
        }
    std::vector<Box> boxes;
    for (const Pt& p : at) {
        const auto g = velmora::PlanPoint(c.theta, c.f, p.x * c.k, p.y * c.k, 0);
        Box b;
        b.centre = {g->x, g->y};
        b.h = 18 + std::fmod(std::fabs(p.x * 0.07 + p.y * 0.05), 20.0);
        boxes.push_back(b);
    }
    std::sort(boxes.begin(), boxes.end(),
              [](const Box& a, const Box& b) { return a.centre.y > b.centre.y; });
    const double footY = -c.f * std::sin(c.theta);
    for (const Box& b : boxes) {
        const std::vector<Pt> plan{{b.centre.x - b.w / 2, b.centre.y - b.d / 2},
                                   {b.centre.x + b.w / 2, b.centre.y - b.d / 2},
                                   {b.centre.x + b.w / 2, b.centre.y + b.d / 2},
                                   {b.centre.x - b.w / 2, b.centre.y + b.d / 2}};
        std::vector<Pt> roof;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const Pt a = plan[i], e = plan[(i + 1) % plan.size()];
            // Outward normal of a counter-clockwise outline.
            const Pt n{e.y - a.y, a.x - e.x};
            const Pt mid{(a.x + e.x) / 2, (a.y + e.y) / 2};
            Pt r0, r1, g0, g1, top;
            Seen(c, a.x, a.y, b.h, top);
            roof.push_back(top);
            if (n.x * (0 - mid.x) + n.y * (footY - mid.y) <= 0)
                continue;
            if (Seen(c, a.x, a.y, 0, g0) && Seen(c, e.x, e.y, 0, g1) &&
                Seen(c, e.x, e.y, b.h, r1) && Seen(c, a.x, a.y, b.h, r0))
                FillPolygon(s.picture, {g0, g1, r1, r0},
                            std::fabs(n.x) > std::fabs(n.y) ? 150 : 115);
        }
        FillPolygon(s.picture, roof, 212);
        Pt click;
        Seen(c, b.centre.x, b.centre.y, b.h, click);
        s.clicks.push_back({float(std::round(click.x)), float(std::round(click.y))});
    }
    return s;
}

std::vector<Pt> TownGrid() {
    std::vector<Pt> at;
    for (const double x : {-250.0, 0.0, 250.0})
        for (const double y : {-170.0, 0.0, 170.0})
            at.push_back({x, y});
    return at;
}

} // namespace tracetest
