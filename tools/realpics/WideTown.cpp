// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/realpics/WideTown.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "tools/realpics/TownParts.h"

namespace realpics {

namespace {

using namespace parts;

constexpr double kPi = 3.14159265358979;

struct WideBuilding {
    std::vector<QPointF> plan; // counter-clockwise, metres
    double height = 0;
    int roofGrey = 0;
    QPolygonF roof;
    QPolygonF ground;
    QRectF extent;
    QPointF click;
};

// What one picture shows besides its buildings.
struct Look {
    bool flat = false;   // flat fills, no texture, noise, blur or JPEG
    QPointF light;       // horizontal direction towards the sun
    double shadow = 0.8; // shadow length per metre of height
    double blur = 0;     // px
};

bool PlaceWide(WideBuilding& b, const View& v, QPointF target, Random& r) {
    const int corners = r.Int(4, 8);
    const double w = r.Uniform(22, 46), d = r.Uniform(18, 34);
    const double angle = r.Uniform(-30, 30) * kPi / 180;
    b.height = r.Uniform(8, 50);
    const QPointF centre = v.Ground(target);
    b.plan.clear();
    for (const QPointF& q : Footprint(corners, w, d))
        b.plan.emplace_back(centre.x() + std::cos(angle) * q.x() - std::sin(angle) * q.y(),
                            centre.y() + std::sin(angle) * q.x() + std::cos(angle) * q.y());
    b.roof = Picture(v, b.plan, b.height);
    b.ground = Picture(v, b.plan, 0);
    if (b.roof.isEmpty() || b.ground.isEmpty())
        return false;
    b.extent = b.roof.boundingRect().united(b.ground.boundingRect());
    // A building whose walls are seen less than this tall anywhere is too
    // steeply below the camera for any height to be read from it.
    double tallest = 0;
    for (int i = 0; i < b.roof.size(); ++i)
        tallest = std::max(tallest, b.roof[i].y() - b.ground[i].y());
    if (tallest < 24)
        return false;
    b.click = DeepestPoint(b.roof);
    if (EdgeDistance(b.roof, b.click) < 6)
        return false;
    const QRectF frame(b.click.x() - 240, b.click.y() - 190, 480, 380);
    return frame.contains(b.extent) &&
           QRectF(-kWidth / 2.0 + 12, -kHeight / 2.0 + 12, kWidth - 24, kHeight - 24)
               .contains(b.extent);
}

// The visible faces, shaded by the sun, with rows or a grid of windows.
void PaintFaces(QPainter& p, const WideBuilding& b, const View& v, const Look& look, Random& r) {
    const int n = static_cast<int>(b.plan.size());
    const QPointF cameraFoot(0, -v.f * std::sin(v.theta));
    p.setPen(Qt::NoPen);
    const bool grid = r.Int(0, 1) == 1;
    const double contrast = r.Uniform(0.10, 0.30) * (r.Int(0, 3) == 0 ? -1 : 1);
    const double storey = r.Uniform(3.0, 3.8);
    for (int i = 0; i < n; ++i) {
        const QPointF a = b.plan[std::size_t(i)], c = b.plan[std::size_t((i + 1) % n)];
        const QPointF normal(c.y() - a.y(), a.x() - c.x());
        if (QPointF::dotProduct(normal, cameraFoot - (a + c) / 2) <= 0)
            continue;
        const double len = std::hypot(normal.x(), normal.y());
        const double sun = std::max(0.0, QPointF::dotProduct(normal / len, look.light));
        const int g = std::max(35, b.roofGrey - 120 + int(std::lround(80 * sun)) + r.Int(-4, 4));
        p.setBrush(Grey(g, 2));
        p.drawPolygon(Picture(v, {a, c}, b.height) + Picture(v, {c, a}, 0));
        if (look.flat)
            continue;
        p.setBrush(Grey(int(std::lround(g * (1 - contrast))), 2));
        const double width = len;
        for (double h = 1.0; h + 1.4 < b.height - 0.6; h += storey) {
            if (!grid) {
                const QPointF a2 = a + (c - a) * (1.2 / width), c2 = c - (c - a) * (1.2 / width);
                p.drawPolygon(Picture(v, {a2, c2}, h + 1.4) + Picture(v, {c2, a2}, h));
                continue;
            }
            for (double s = 1.2; s + 1.6 < width - 1.0; s += 2.8) {
                const QPointF a2 = a + (c - a) * (s / width),
                              c2 = a + (c - a) * ((s + 1.6) / width);
                p.drawPolygon(Picture(v, {a2, c2}, h + 1.5) + Picture(v, {c2, a2}, h));
            }
        }
    }
}

// The roof: its grey, faint texture, a parapet line along the edge and fixtures.
void PaintRoof(QPainter& p, const WideBuilding& b, const View& v, const Look& look, Random& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(Grey(b.roofGrey, 1));
    p.drawPolygon(b.roof);
    if (look.flat)
        return;
    p.save();
    QPainterPath clip;
    clip.addPolygon(b.roof);
    p.setClipPath(clip);
    const QRectF box = b.roof.boundingRect();
    for (double y = box.top(); y < box.bottom(); y += 2) {
        p.setBrush(Grey(b.roofGrey + (int(y) % 4 == 0 ? 3 : -3)));
        p.drawRect(QRectF(box.left(), y, box.width(), 0.67));
    }
    // Parapet: the roof edge, a little inside, drawn as a thin line.
    const int parapet = b.roofGrey + (r.Int(0, 1) ? 1 : -1) * r.Int(12, 25);
    QPen pen(Grey(parapet));
    pen.setWidthF(0.9);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    std::vector<QPointF> inner;
    const double inset = r.Uniform(0.6, 1.2);
    double cx = 0, cy = 0;
    for (const QPointF& q : b.plan) {
        cx += q.x();
        cy += q.y();
    }
    cx /= double(b.plan.size());
    cy /= double(b.plan.size());
    // Each corner pulled towards the inside along its two edges' normals.
    const int n = int(b.plan.size());
    for (int i = 0; i < n; ++i) {
        const QPointF prev = b.plan[std::size_t((i + n - 1) % n)], cur = b.plan[std::size_t(i)],
                      next = b.plan[std::size_t((i + 1) % n)];
        auto inward = [](QPointF a, QPointF c) {
            const QPointF d = c - a;
            const double l = std::hypot(d.x(), d.y());
            return QPointF(-d.y() / l, d.x() / l); // left of a counter-clockwise edge
        };
        inner.push_back(cur + inset * (inward(prev, cur) + inward(cur, next)));
    }
    p.drawPolygon(Picture(v, inner, b.height));
    p.restore();
    // Fixtures: air-conditioning units, stair houses, tanks (kept away from the click).
    p.setPen(Qt::NoPen);
    for (int k = 0, placed = 0; k < 60 && placed < 4; ++k) {
        const QPointF q(r.Uniform(box.left(), box.right()), r.Uniform(box.top(), box.bottom()));
        const double s = r.Uniform(1.5, 5);
        if (!b.roof.containsPoint(q, Qt::OddEvenFill) || EdgeDistance(b.roof, q) < s + 4 ||
            std::hypot(q.x() - b.click.x(), q.y() - b.click.y()) < s + 7)
            continue;
        p.setBrush(Grey(b.roofGrey + (placed % 2 ? 30 : -70)));
        p.drawRect(QRectF(q.x(), q.y(), s, s * r.Uniform(0.6, 1.4)));
        ++placed;
    }
}

} // namespace

bool IsFlatFillPicture(int index) {
    return index % 7 == 6;
}

RealisticPicture PaintWidePicture(int index) {
    Random r(77003u + 104729u * unsigned(index));
    RealisticPicture out;
    out.preset = index % 2 + 1;
    out.quality = 70 + r.Int(0, 20);
    Look look;
    look.flat = IsFlatFillPicture(index);
    const View v = ViewOf(out.preset, kWidth);

    std::vector<WideBuilding> buildings;
    const int wanted = 6 + r.Int(0, 1);
    std::vector<QPointF> cells;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            cells.emplace_back(-250 + col * 250, -190 + row * 190);
    std::shuffle(cells.begin(), cells.end(), std::mt19937(unsigned(index) + 5u));
    for (const QPointF& cell : cells) {
        if (int(buildings.size()) == wanted)
            break;
        for (int attempt = 0; attempt < 60; ++attempt) {
            WideBuilding b;
            // Roof greys per building; a new one differs from the one placed
            // before it by at least 10.
            do
                b.roofGrey = r.Int(185, 230);
            while (!buildings.empty() && std::abs(b.roofGrey - buildings.back().roofGrey) < 10);
            if (!PlaceWide(b, v, cell + QPointF(r.Uniform(-50, 50), r.Uniform(-40, 40)), r))
                continue;
            const QRectF room = b.extent.adjusted(-14, -14, 14, 14);
            if (std::any_of(buildings.begin(), buildings.end(),
                            [&](const WideBuilding& o) { return o.extent.intersects(room); }))
                continue;
            buildings.push_back(std::move(b));
            break;
        }
    }
    std::sort(buildings.begin(), buildings.end(), [](const WideBuilding& a, const WideBuilding& b) {
        return a.roof.boundingRect().top() > b.roof.boundingRect().top();
    });

    // The sun within 70 degrees of the camera's side (the camera looks
    // towards +y in the plan, so its side is -y).
    const double azimuth = r.Uniform(-70, 70) * kPi / 180;
    look.light = QPointF(std::sin(azimuth), -std::cos(azimuth));
    look.shadow = r.Uniform(0.5, 1.1);
    look.blur = look.flat ? 0 : r.Uniform(0.5, 1.0);

    const int scale = look.flat ? 1 : kOversample;
    QImage canvas(kWidth * scale, kHeight * scale, QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, !look.flat);
        if (look.flat) {
            p.translate(kWidth / 2.0, kHeight / 2.0);
            p.scale(1, -1);
        } else {
            UsePictureCoordinates(p);
        }
        if (look.flat) {
            p.fillRect(QRectF(-kWidth, -kHeight, 2 * kWidth, 2 * kHeight), Grey(96));
        } else {
            PaintGround(p, v, r);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(look.flat ? QColor(60, 60, 60) : QColor(0, 0, 0, 95));
        for (const WideBuilding& b : buildings) {
            std::vector<QPointF> shadow;
            const QPointF cast = -look.shadow * b.height * look.light;
            for (const QPointF& q : b.plan)
                shadow.push_back(q + cast);
            // The shadow joins the building's foot: its outline and the cast one.
            const QPolygonF foot = Picture(v, b.plan, 0), cast2 = Picture(v, shadow, 0);
            for (int i = 0; i < foot.size(); ++i) {
                const int j = (i + 1) % int(foot.size());
                p.drawPolygon(QPolygonF({foot[i], foot[j], cast2[j], cast2[i]}));
            }
            p.drawPolygon(cast2);
        }
        for (const WideBuilding& b : buildings) {
            PaintFaces(p, b, v, look, r);
            PaintRoof(p, b, v, look, r);
            TrueBuilding t;
            for (const QPointF& c : b.roof)
                t.roof.push_back({float(c.x()), float(c.y())});
            t.click = {float(std::round(b.click.x())), float(std::round(b.click.y()))};
            t.height = b.height;
            out.buildings.push_back(std::move(t));
        }
    }
    if (look.flat) {
        out.image = canvas;
        out.quality = 0;
        return out;
    }
    QImage picture = canvas.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    picture = Blurred(picture, look.blur);
    AddNoise(picture, r);
    out.image = JpegRoundTrip(picture, out.quality);
    return out;
}

} // namespace realpics
