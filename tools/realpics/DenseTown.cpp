// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/realpics/DenseTown.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>

#include "tools/realpics/TownParts.h"

namespace realpics {

namespace {

using namespace parts;

constexpr double kPi = 3.14159265358979;

// A box standing on the roof: stair house, tank or plant room.
struct RoofBox {
    QRectF plan; // layout metres
    double height = 0;
    int grey = 0;
};

struct Block {
    QRectF plan; // layout metres: x along the row, y away from the camera
    double height = 0;
    int roofGrey = 0;
    int parapetGrey = 0;
    double parapetWidth = 0;
    bool low = false; // a low house with a dark roof, never clicked
    int row = 0;      // rows are painted from the far one to the near one
    std::vector<RoofBox> boxes;
    // Windows: a grid (columns and rows) or rows only; their contrast.
    bool grid = true;
    double contrast = 0.2;
    double storey = 3.4;
    double bay = 3.0;
};

struct Layout {
    QPointF centre; // plan point the layout turns around
    double angle = 0;
    QPointF Plan(QPointF local) const {
        const double c = std::cos(angle), s = std::sin(angle);
        return centre + QPointF(c * local.x() - s * local.y(), s * local.x() + c * local.y());
    }
    QPointF Local(QPointF plan) const {
        const QPointF d = plan - centre;
        const double c = std::cos(angle), s = std::sin(angle);
        return {c * d.x() + s * d.y(), -s * d.x() + c * d.y()};
    }
    std::vector<QPointF> Corners(const QRectF& r) const {
        return {Plan(r.topLeft()), Plan(r.topRight()), Plan(r.bottomRight()), Plan(r.bottomLeft())};
    }
};

// The visible side faces of a box h0 ... h1 metres, as picture polygons
// with their outward plan normals.
struct Face {
    QPointF a, c; // plan, the face runs from a to c
    QPointF normal;
};

std::vector<Face> SeenFaces(const Layout& l, const QRectF& r, const View& v) {
    const std::vector<QPointF> q = l.Corners(r);
    const QPointF foot(0, -v.f * std::sin(v.theta));
    std::vector<Face> out;
    for (int i = 0; i < 4; ++i) {
        const QPointF a = q[std::size_t(i)], c = q[std::size_t((i + 1) % 4)];
        // Corners run counter-clockwise in the plan (y up): the outward
        // normal is to the right of a -> c.
        const QPointF d = c - a;
        const double len = std::hypot(d.x(), d.y());
        const QPointF normal(d.y() / len, -d.x() / len);
        if (QPointF::dotProduct(normal, foot - (a + c) / 2) > 0)
            out.push_back({a, c, normal});
    }
    return out;
}

QPolygonF FacePolygon(const View& v, const Face& f, double h0, double h1) {
    return Picture(v, {f.a, f.c}, h1) + Picture(v, {f.c, f.a}, h0);
}

// Everything the box covers in the picture: the hull of its top and foot.
QPainterPath Silhouette(const View& v, const std::vector<QPointF>& plan, double h0, double h1) {
    QPolygonF all = Picture(v, plan, h1) + Picture(v, plan, h0);
    std::vector<QPointF> pts(all.begin(), all.end());
    std::sort(pts.begin(), pts.end(), [](QPointF a, QPointF b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    auto cross = [](QPointF o, QPointF a, QPointF b) {
        return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
    };
    std::vector<QPointF> hull(2 * pts.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0)
            --k;
        hull[k++] = pts[i];
    }
    for (std::size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0)
            --k;
        hull[k++] = pts[i - 1];
    }
    hull.resize(k > 0 ? k - 1 : 0);
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(hull.begin(), hull.end())));
    path.closeSubpath();
    return path;
}

double Area(const QPolygonF& p) {
    double a = 0;
    for (int i = 0; i < p.size(); ++i) {
        const QPointF u = p[i], w = p[(i + 1) % p.size()];
        a += u.x() * w.y() - w.x() * u.y();
    }
    return std::fabs(a) / 2;
}

// Drops points closer than 1.5 px to the previous one and points on a
// straight run between their neighbours.
QPolygonF Simplified(QPolygonF p) {
    if (p.size() > 1 && p.front() == p.back())
        p.removeLast();
    QPolygonF out;
    for (const QPointF& q : p)
        if (out.isEmpty() || std::hypot(q.x() - out.back().x(), q.y() - out.back().y()) > 1.5)
            out << q;
    bool changed = true;
    while (changed && out.size() > 3) {
        changed = false;
        for (int i = 0; i < out.size(); ++i) {
            const QPointF a = out[(i + out.size() - 1) % out.size()], b = out[i],
                          c = out[(i + 1) % out.size()];
            const double cr = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
            const double len = std::hypot(c.x() - a.x(), c.y() - a.y());
            if (len > 0 && std::fabs(cr) / len < 0.4) {
                out.remove(i);
                changed = true;
                break;
            }
        }
    }
    return out;
}

// Rows of blocks wall to wall, with streets between the rows.
std::vector<Block> LayOut(Random& r, double nearY, double farY, double halfWidth) {
    std::vector<Block> out;
    int row = 0;
    for (double y = nearY; y < farY; ++row) {
        const double depth = r.Uniform(16, 30);
        double x = -halfWidth - r.Uniform(0, 20);
        double h = r.Uniform(8, 45);
        int grey = r.Int(175, 220);
        while (x < halfWidth) {
            if (r.Int(0, 6) == 0) {
                // A gap with one or two low houses of dark roofs.
                const double gap = r.Uniform(12, 22);
                for (int k = 0, n = r.Int(1, 2); k < n; ++k) {
                    Block b;
                    const double w = gap / n - 2;
                    b.plan = QRectF(x + 1 + k * gap / n, y + r.Uniform(1, 5), w, r.Uniform(8, 11));
                    b.height = r.Uniform(4, 7);
                    b.roofGrey = r.Int(55, 100);
                    b.parapetGrey = b.roofGrey;
                    b.low = true;
                    b.row = row;
                    b.grid = false;
                    b.contrast = 0.1;
                    out.push_back(b);
                }
                x += gap;
                continue;
            }
            Block b;
            b.plan = QRectF(x, y, r.Uniform(14, 38), depth);
            b.height = h;
            b.roofGrey = grey;
            b.parapetGrey = grey - r.Int(18, 35);
            b.parapetWidth = r.Uniform(0.5, 0.9);
            b.row = row;
            b.grid = r.Int(0, 4) != 0;
            b.contrast = r.Uniform(0.10, 0.30) * (r.Int(0, 4) == 0 ? -1 : 1);
            b.storey = r.Uniform(3.0, 3.8);
            b.bay = r.Uniform(2.6, 3.6);
            // Stair houses, tanks and plant rooms, kept off the edges.
            for (int k = 0, n = r.Int(0, 3); k < n; ++k) {
                RoofBox s;
                const double w = r.Uniform(2.5, 7), d = r.Uniform(2.5, 6);
                if (b.plan.width() < w + 8 || b.plan.height() < d + 8)
                    continue;
                s.plan = QRectF(r.Uniform(b.plan.left() + 4, b.plan.right() - 4 - w),
                                r.Uniform(b.plan.top() + 4, b.plan.bottom() - 4 - d), w, d);
                s.height = r.Uniform(2, 4);
                s.grey = grey + (r.Int(0, 1) ? 1 : -1) * r.Int(10, 25);
                b.boxes.push_back(s);
            }
            out.push_back(b);
            x += b.plan.width();
            // The next one differs by 5 ... 35 m and 8 ... 15 grey levels.
            double next = 0;
            do
                next = h + (r.Int(0, 1) ? 1 : -1) * r.Uniform(5, 35);
            while (next < 6 || next > 55);
            h = next;
            const int step = r.Int(8, 15);
            grey += (grey + step > 228 || (grey - step >= 168 && r.Int(0, 1))) ? -step : step;
        }
        y += depth + r.Uniform(12, 20);
    }
    return out;
}

struct Scene {
    Layout layout;
    std::vector<Block> blocks; // in painting order
    QPointF light;
    double shadow = 0.8;
};

void PaintWindows(QPainter& p, const View& v, const Block& b, const Face& f, int g) {
    const double width = std::hypot(f.c.x() - f.a.x(), f.c.y() - f.a.y());
    const QPointF u = (f.c - f.a) / width;
    p.setBrush(Grey(int(std::lround(g * (1 - b.contrast))), 2));
    for (double h = 1.0; h + 1.5 < b.height - 0.6; h += b.storey) {
        if (!b.grid) {
            const QPointF a2 = f.a + u * 0.8, c2 = f.c - u * 0.8;
            p.drawPolygon(Picture(v, {a2, c2}, h + 1.4) + Picture(v, {c2, a2}, h));
            continue;
        }
        for (double s = 0.8; s + 1.6 < width - 0.8; s += b.bay) {
            const QPointF a2 = f.a + u * s, c2 = f.a + u * (s + 1.6);
            p.drawPolygon(Picture(v, {a2, c2}, h + 1.5) + Picture(v, {c2, a2}, h));
        }
    }
}

int FaceGrey(const Block& b, const Face& f, QPointF light, Random& r) {
    const double sun = std::max(0.0, QPointF::dotProduct(f.normal, light));
    // A face square to the sun is as light as the roof.
    return std::clamp(b.roofGrey - 100 + int(std::lround(100 * sun)) + r.Int(-5, 5), 30, 240);
}

void PaintBlock(QPainter& p, const View& v, const Scene& s, const Block& b, Random& r) {
    const Layout& l = s.layout;
    p.setPen(Qt::NoPen);
    for (const Face& f : SeenFaces(l, b.plan, v)) {
        const int g = FaceGrey(b, f, s.light, r);
        p.setBrush(Grey(g, 2));
        p.drawPolygon(FacePolygon(v, f, 0, b.height));
        PaintWindows(p, v, b, f, g);
    }
    // The roof: parapet band, then the roof inside it with faint strips.
    p.setBrush(Grey(b.parapetGrey, 1));
    p.drawPolygon(Picture(v, l.Corners(b.plan), b.height));
    const QRectF inner =
        b.plan.adjusted(b.parapetWidth, b.parapetWidth, -b.parapetWidth, -b.parapetWidth);
    const QPolygonF roof = Picture(v, l.Corners(b.low ? b.plan : inner), b.height);
    p.setBrush(Grey(b.roofGrey, 1));
    p.drawPolygon(roof);
    if (!b.low) {
        p.save();
        QPainterPath clip;
        clip.addPolygon(roof);
        p.setClipPath(clip);
        const QRectF box = roof.boundingRect();
        for (double y = box.top(); y < box.bottom(); y += 2) {
            p.setBrush(Grey(b.roofGrey + (int(y) % 4 == 0 ? 3 : -3)));
            p.drawRect(QRectF(box.left(), y, box.width(), 0.67));
        }
        p.restore();
    }
    for (const RoofBox& box : b.boxes) {
        for (const Face& f : SeenFaces(l, box.plan, v)) {
            p.setBrush(Grey(FaceGrey(b, f, s.light, r) - 10, 2));
            p.drawPolygon(FacePolygon(v, f, b.height, b.height + box.height));
        }
        p.setBrush(Grey(box.grey, 1));
        p.drawPolygon(Picture(v, l.Corners(box.plan), b.height + box.height));
    }
}

// Streets between the rows: asphalt with lane marks, zebra crossings,
// white vans, light plazas and car parks; trees before the wall feet.
void PaintStreets(QPainter& p, const View& v, const Scene& s, double halfWidth, Random& r) {
    const Layout& l = s.layout;
    std::vector<double> fronts;
    for (const Block& b : s.blocks)
        if (!b.low && (fronts.empty() || std::fabs(fronts.back() - b.plan.top()) > 1))
            fronts.push_back(b.plan.top());
    p.setPen(Qt::NoPen);
    for (const double front : fronts) {
        const double y0 = front - 12;
        auto rect = [&](double x0, double ya, double w, double d) {
            return Picture(v, l.Corners(QRectF(x0, ya, w, d)), 0);
        };
        p.setBrush(Grey(140 + r.Int(-8, 8), 2));
        p.drawPolygon(rect(-halfWidth - 40, y0 - 2, 2 * halfWidth + 80, 14));
        p.setBrush(Grey(104 + r.Int(-6, 6)));
        p.drawPolygon(rect(-halfWidth - 40, y0, 2 * halfWidth + 80, 9));
        p.setBrush(Grey(215));
        for (double x = -halfWidth - 40; x < halfWidth + 40; x += 9)
            p.drawPolygon(rect(x, y0 + 4.4, 3, 0.2));
        for (int k = 0, n = r.Int(1, 2); k < n; ++k) {
            const double x = r.Uniform(-halfWidth, halfWidth);
            for (int st = 0; st < 6; ++st)
                p.drawPolygon(rect(x + st * 0.9, y0, 0.45, 9));
        }
        // Plazas and car parks on the near side of the street.
        for (int k = 0, n = r.Int(0, 2); k < n; ++k) {
            const double x = r.Uniform(-halfWidth, halfWidth), w = r.Uniform(12, 30);
            const bool park = r.Int(0, 1) == 1;
            p.setBrush(Grey(park ? 120 + r.Int(-8, 8) : 178 + r.Int(0, 27), 2));
            p.drawPolygon(rect(x, y0 - 9, w, 7));
            if (park) {
                p.setBrush(Grey(220));
                for (double px = x; px < x + w; px += 2.5)
                    p.drawPolygon(rect(px, y0 - 8.5, 0.15, 5));
            }
        }
        // Vans and cars on the street, many of them white.
        for (int k = 0, n = r.Int(3, 8); k < n; ++k) {
            const double x = r.Uniform(-halfWidth, halfWidth);
            const double ya = y0 + (r.Int(0, 1) ? 1.2 : 5.4);
            const int g = r.Int(0, 2) ? r.Int(215, 245) : r.Int(30, 200);
            const QRectF van(x, ya, r.Uniform(4.2, 5.5), 1.9);
            for (const Face& f : SeenFaces(l, van, v)) {
                p.setBrush(Grey(g - 40, 1));
                p.drawPolygon(FacePolygon(v, f, 0, 2.2));
            }
            p.setBrush(Grey(g, 1));
            p.drawPolygon(Picture(v, l.Corners(van), 2.2));
        }
    }
}

void PaintTrees(QPainter& p, const View& v, const Scene& s, int row, Random& r) {
    p.setPen(Qt::NoPen);
    for (const Block& b : s.blocks) {
        if (b.row != row || b.low || r.Int(0, 2) != 0)
            continue;
        const double radius = r.Uniform(1.8, 3.5);
        const QPointF at = s.layout.Plan(
            {r.Uniform(b.plan.left() + 2, b.plan.right() - 2), b.plan.top() - radius - 0.3});
        p.setBrush(QColor(35 + r.Int(0, 30), 60 + r.Int(0, 35), 25 + r.Int(0, 20)));
        if (const std::optional<QPointF> seen = v.Seen(at.x(), at.y(), 1.6 * radius))
            p.drawEllipse(*seen, radius / v.m * 0.85, radius / v.m);
    }
}

void PaintShadows(QPainter& p, const View& v, const Scene& s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 95));
    for (const Block& b : s.blocks) {
        const std::vector<QPointF> plan = s.layout.Corners(b.plan);
        std::vector<QPointF> cast;
        for (const QPointF& q : plan)
            cast.push_back(q - s.shadow * b.height * s.light);
        const QPolygonF foot = Picture(v, plan, 0), far = Picture(v, cast, 0);
        for (int i = 0; i < foot.size(); ++i) {
            const int j = (i + 1) % int(foot.size());
            p.drawPolygon(QPolygonF({foot[i], foot[j], far[j], far[i]}));
        }
        p.drawPolygon(far);
    }
}

// The roof as the picture shows it, less what nearer blocks cover; empty
// when that is not one piece of most of the roof.
// Pixels inside the path, counted on a raster of its own: a path with holes
// (a nearer building's stair house standing in front of the roof) has no
// area its fill polygons tell.
double PixelArea(const QPainterPath& path) {
    const QRect box = path.boundingRect().toAlignedRect();
    if (box.isEmpty() || box.width() > 4000 || box.height() > 4000)
        return 0;
    QImage raster(box.size(), QImage::Format_Grayscale8);
    raster.fill(0);
    {
        QPainter p(&raster);
        p.translate(-box.topLeft());
        p.fillPath(path, Qt::white);
    }
    double n = 0;
    for (int y = 0; y < raster.height(); ++y) {
        const uchar* line = raster.constScanLine(y);
        for (int x = 0; x < raster.width(); ++x)
            n += line[x] != 0;
    }
    return n;
}

// The pieces of a block's roof the picture shows: its outline less what the
// blocks painted after it (nearer the camera) cover; `share` the part of
// the whole roof they make, and `holed` whether something in front stands
// inside them.
QList<QPolygonF> SeenParts(const View& v, const Scene& s, std::size_t k, double& share,
                           bool& holed) {
    const Block& b = s.blocks[k];
    QPainterPath roof;
    roof.addPolygon(Picture(v, s.layout.Corners(b.plan), b.height));
    roof.closeSubpath();
    const double whole = PixelArea(roof);
    for (std::size_t j = k + 1; j < s.blocks.size(); ++j) {
        const Block& o = s.blocks[j];
        roof = roof.subtracted(Silhouette(v, s.layout.Corners(o.plan), 0, o.height));
        for (const RoofBox& box : o.boxes)
            roof = roof.subtracted(
                Silhouette(v, s.layout.Corners(box.plan), o.height, o.height + box.height));
    }
    const QList<QPolygonF> parts = roof.toFillPolygons();
    const double seen = PixelArea(roof);
    double outlined = 0;
    for (const QPolygonF& part : parts)
        outlined += Area(part);
    holed = std::fabs(outlined - seen) > 0.05 * seen + 20;
    share = whole > 0 ? seen / whole : 0;
    return parts;
}

// The roof as seen when it shows as one piece of most of the roof.
QPolygonF SeenRoof(const View& v, const Scene& s, std::size_t k, const QList<QPolygonF>& parts,
                   double share, bool holed) {
    if (parts.size() != 1 || share < 0.7 || holed)
        return {};
    // The path subtraction now and then hands back another block's outline
    // when a roof is covered whole: what is seen of a roof lies on it.
    const Block& b = s.blocks[k];
    const QPolygonF top = Picture(v, s.layout.Corners(b.plan), b.height);
    for (const QPointF& c : parts.front())
        if (!top.containsPoint(c, Qt::OddEvenFill) && EdgeDistance(top, c) > 1)
            return {};
    return Simplified(parts.front());
}

// The click: the deepest point of the roof away from its boxes; none when
// no point lies well inside it or the roof is too big for the tracer's
// frame around the click.
std::optional<QPointF> ClickOf(const View& v, const Scene& s, const Block& b,
                               const QPolygonF& seen) {
    QPainterPath free;
    free.addPolygon(seen);
    for (const RoofBox& box : b.boxes)
        free = free.subtracted(Silhouette(v, s.layout.Corners(box.plan.adjusted(-1, -1, 1, 1)),
                                          b.height, b.height + box.height));
    const QList<QPolygonF> freeParts = free.toFillPolygons();
    if (freeParts.isEmpty())
        return std::nullopt;
    const QPolygonF biggest =
        *std::max_element(freeParts.begin(), freeParts.end(),
                          [](const QPolygonF& a, const QPolygonF& c) { return Area(a) < Area(c); });
    const QPointF click = DeepestPoint(biggest);
    if (EdgeDistance(biggest, click) < 7 || EdgeDistance(seen, click) < 8)
        return std::nullopt;
    const QRectF frame(click.x() - 240, click.y() - 190, 480, 380);
    if (!frame.contains(seen.boundingRect()))
        return std::nullopt;
    return click;
}

} // namespace

RealisticPicture PaintDensePicture(int index) {
    Random r(60013u + 2654435761u * unsigned(index + 1));
    RealisticPicture out;
    out.preset = index % 2 + 1;
    out.quality = 72 + r.Int(0, 18);
    const View v = ViewOf(out.preset, kWidth);

    Scene s;
    s.layout.centre = v.Ground(QPointF(0, 0));
    s.layout.angle = r.Uniform(-10, 10) * kPi / 180;
    const double nearY = s.layout.Local(v.Ground(QPointF(0, -kHeight / 2.0))).y() - 10;
    const double farY = s.layout.Local(v.Ground(QPointF(0, kHeight / 2.0))).y();
    const double halfWidth =
        std::fabs(s.layout.Local(v.Ground(QPointF(kWidth / 2.0, kHeight / 2.0))).x()) + 20;
    s.blocks = LayOut(r, nearY, farY, halfWidth);
    // Far rows first; in a row, the blocks farther from the camera's foot first.
    const double footX = s.layout.Local(QPointF(0, -v.f * std::sin(v.theta))).x();
    std::stable_sort(s.blocks.begin(), s.blocks.end(), [&](const Block& a, const Block& b) {
        if (a.row != b.row)
            return a.row > b.row;
        return std::fabs(a.plan.center().x() - footX) > std::fabs(b.plan.center().x() - footX);
    });
    // The sun mostly behind the camera: the faces turned to it are lit.
    const double azimuth = s.layout.angle + r.Uniform(-60, 60) * kPi / 180;
    s.light = QPointF(std::sin(azimuth), -std::cos(azimuth));
    s.shadow = r.Uniform(0.4, 1.0);
    const double blur = r.Uniform(0.5, 0.9);

    QImage canvas(kWidth * kOversample, kHeight * kOversample, QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, true);
        UsePictureCoordinates(p);
        PaintGround(p, v, r);
        PaintStreets(p, v, s, halfWidth, r);
        PaintShadows(p, v, s);
        int row = s.blocks.empty() ? 0 : s.blocks.front().row;
        for (const Block& b : s.blocks) {
            if (b.row != row) {
                PaintTrees(p, v, s, row, r);
                row = b.row;
            }
            PaintBlock(p, v, s, b, r);
        }
        PaintTrees(p, v, s, row, r);
    }
    const QRectF inside(-kWidth / 2.0 + 12, -kHeight / 2.0 + 12, kWidth - 24, kHeight - 24);
    const QRectF wholePicture(-kWidth / 2.0, -kHeight / 2.0, kWidth, kHeight);
    for (std::size_t k = 0; k < s.blocks.size(); ++k) {
        const Block& b = s.blocks[k];
        double share = 0;
        bool holed = false;
        const QList<QPolygonF> parts = SeenParts(v, s, k, share, holed);
        const QPolygonF seen = SeenRoof(v, s, k, parts, share, holed);
        // What the list leaves out is kept apart, each piece the picture
        // shows of it, cut to the picture.
        auto unlisted = [&](UnlistedWhy why) {
            for (const QPolygonF& part : parts) {
                const QPolygonF shown = part.intersected(QPolygonF(wholePicture));
                if (shown.size() < 3 || Area(shown) < 20)
                    continue;
                UnlistedRoof u;
                for (const QPointF& c : Simplified(shown))
                    u.seen.push_back({float(c.x()), float(c.y())});
                u.why = why;
                u.height = b.height;
                out.unlisted.push_back(std::move(u));
            }
        };
        if (b.low) {
            unlisted(UnlistedWhy::Low);
            continue;
        }
        if (seen.size() < 3) {
            unlisted(UnlistedWhy::MostlyHidden);
            continue;
        }
        if (!inside.contains(seen.boundingRect())) {
            unlisted(UnlistedWhy::AtEdge);
            continue;
        }
        const std::optional<QPointF> click = ClickOf(v, s, b, seen);
        if (!click) {
            unlisted(UnlistedWhy::Other);
            continue;
        }
        TrueBuilding t;
        for (const QPointF& c : seen)
            t.roof.push_back({float(c.x()), float(c.y())});
        t.click = {float(std::round(click->x())), float(std::round(click->y()))};
        t.height = b.height;
        out.buildings.push_back(std::move(t));
    }
    QImage picture = canvas.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    picture = Blurred(picture, blur);
    AddNoise(picture, r);
    out.image = JpegRoundTrip(picture, out.quality);
    return out;
}

} // namespace realpics
