// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/samplepics/SampleTown.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

namespace samplepics {

namespace {

// ---------------------------------------------------------------------------
// Small helpers

// Deterministic generator, so every build paints the same pictures.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed ? seed : 1u) {}
    double Uniform(double lo, double hi) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return lo + (hi - lo) * (state_ % 1000003u) / 1000003.0;
    }
    bool Chance(double p) { return Uniform(0, 1) < p; }
    int Pick(int n) { return std::min(n - 1, static_cast<int>(Uniform(0, n))); }

  private:
    std::uint32_t state_;
};

struct Rect { // plan metres
    double x0, x1, y0, y1;
    Rect Inset(double d) const { return {x0 + d, x1 - d, y0 + d, y1 - d}; }
    double Width() const { return x1 - x0; }
    double Depth() const { return y1 - y0; }
    bool Contains(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    bool Overlaps(const Rect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

QColor Shade(const QColor& c, double f) {
    return QColor(std::clamp(static_cast<int>(c.red() * f), 0, 255),
                  std::clamp(static_cast<int>(c.green() * f), 0, 255),
                  std::clamp(static_cast<int>(c.blue() * f), 0, 255));
}

bool PointInPolygon(const QPolygonF& poly, double x, double y) {
    bool inside = false;
    const int n = static_cast<int>(poly.size());
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const QPointF& a = poly[i];
        const QPointF& b = poly[j];
        if ((a.y() > y) != (b.y() > y)) {
            const double xc = a.x() + (y - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
            if (x < xc)
                inside = !inside;
        }
    }
    return inside;
}

double DistanceToSegment(QPointF p, QPointF a, QPointF b) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x() - (a.x() + t * dx), p.y() - (a.y() + t * dy));
}

// Distance from a point to a polygon's area (0 inside).
double DistanceToPolygon(const QPolygonF& poly, QPointF p) {
    if (PointInPolygon(poly, p.x(), p.y()))
        return 0;
    double best = 1e9;
    for (int i = 0; i + 1 < poly.size(); ++i)
        best = std::min(best, DistanceToSegment(p, poly[i], poly[i + 1]));
    return best;
}

// Signed area in painter coordinates (y down).
double SignedArea(const QPolygonF& poly) {
    double a = 0;
    for (int i = 0; i < poly.size(); ++i) {
        const QPointF& p = poly[i];
        const QPointF& q = poly[(i + 1) % poly.size()];
        a += p.x() * q.y() - q.x() * p.y();
    }
    return a / 2;
}

// Paints a wall of an upright prism when the camera sees its outer side.
// Walls are given foot first, along a footprint that runs anticlockwise in
// plan; seen from outside, such a wall runs anticlockwise on the screen too.
bool DrawIfFacing(QPainter& p, const QPolygonF& wall, const QColor& colour) {
    if (SignedArea(wall) >= 0)
        return false;
    p.setBrush(colour);
    p.drawPolygon(wall);
    return true;
}

// ---------------------------------------------------------------------------
// The canvas: picture coordinates (x right, y up, origin at the centre, one
// unit per pixel). Pixel (i, j) stands for the picture point (i - w/2, h/2 - j).

class Canvas {
  public:
    Canvas(int w, int h, const Camera& camera)
        : image(w, h, QImage::Format_RGB32), shadows(w, h, QImage::Format_ARGB32_Premultiplied),
          camera_(camera) {
        shadows.fill(Qt::transparent);
    }

    // Painter position of a picture point: the centre of its pixel.
    QPointF ToPainter(QPointF picture) const {
        return {picture.x() + image.width() / 2 + 0.5, image.height() / 2 - picture.y() + 0.5};
    }
    QPointF PlanToPainter(double x, double y, double h) const {
        return ToPainter(camera_.ToPicture(x, y, h));
    }
    QPolygonF PlanPolygon(const QPolygonF& plan, double h) const {
        QPolygonF out;
        for (const QPointF& p : plan)
            out << PlanToPainter(p.x(), p.y(), h);
        return out;
    }
    static QPolygonF RectPolygon(const Rect& r) {
        return QPolygonF{QPointF(r.x0, r.y0), QPointF(r.x1, r.y0), QPointF(r.x1, r.y1),
                         QPointF(r.x0, r.y1)};
    }
    static QPolygonF Circle(double cx, double cy, double r, int n = 18) {
        QPolygonF out;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n;
            out << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
        }
        return out;
    }

    QImage image;
    QImage shadows; // opaque black where a shadow falls; laid over the ground once

  private:
    const Camera& camera_;
};

// ---------------------------------------------------------------------------
// Town features. Every colour here keeps its grey (mean of R, G, B) at 140
// or below, so that anything painted with antialiasing, and any mix of two
// such colours, stays far from the light grey of the scene's roofs and below
// the band of their wall faces.

const QColor kAsphalt(84, 86, 92);
const QColor kParkingAsphalt(98, 98, 104);
const QColor kSidewalk(128, 122, 114);
const QColor kPaving(116, 110, 102);
const QColor kLawn(92, 118, 66);
const QColor kParkLawn(80, 110, 60);
const QColor kSoil(118, 100, 80);
const QColor kPath(132, 120, 100);
const QColor kMarking(138, 136, 128);
const QColor kCentreLine(170, 140, 60);
const QColor kTreeDark(38, 74, 40);
const QColor kTreeLight(66, 104, 56);

const QColor kHouseRoofs[] = {QColor(142, 76, 58), QColor(86, 96, 118), QColor(112, 96, 84),
                              QColor(70, 84, 78),  QColor(128, 92, 70), QColor(96, 104, 112)};
const QColor kFlatRoofs[] = {QColor(104, 106, 112), QColor(90, 96, 92), QColor(118, 112, 104),
                             QColor(100, 92, 96)};
const QColor kCarColours[] = {QColor(170, 40, 40),  QColor(40, 60, 140), QColor(126, 126, 132),
                              QColor(30, 30, 34),   QColor(60, 110, 70), QColor(140, 120, 60),
                              QColor(110, 112, 120)};

// Shadows fall to the right and a little towards the camera: metres of
// shadow per metre of height.
constexpr double kShadowX = 0.5;
constexpr double kShadowY = -0.22;

struct Street {
    Rect road;
    bool northSouth;
};

enum class BlockKind { Houses, Offices, Park, Parking, Scene };

struct Block {
    Rect area;
    BlockKind kind;
};

struct TownLayout {
    std::vector<Street> streets;
    std::vector<Block> blocks;
    std::vector<std::pair<Rect, QColor>> grounds; // driveways, lots, lawns inside scene blocks
    std::vector<Rect> parkingLots;                // inside scene blocks, with stalls and cars
    QColor sceneGround;
    std::uint32_t seed;
};

// Something standing on the ground, painted far to near.
struct Object {
    double depth;     // plan y of its nearest point
    QPolygonF extent; // painter polygon covering it
    std::function<void(QPainter&)> paint;
    std::function<void(QPainter&)> paintShadow;
};

class Town {
  public:
    Town(Canvas& canvas, const velmora::DemoScene& scene, const TownLayout& layout)
        : canvas_(canvas), layout_(layout), random_(layout.seed) {
        for (const velmora::SceneRoof& r : scene.roofs) {
            QPolygonF foot;
            for (int i = r.start; i < r.start + r.count; ++i)
                foot << QPointF(scene.planPoints[std::size_t(i)].x,
                                scene.planPoints[std::size_t(i)].y);
            footprints_.push_back(foot);
            heights_.push_back(r.height);
        }
    }

    bool FreeOfScene(double x, double y, double margin) const {
        for (const QPolygonF& f : footprints_)
            if (DistanceToPolygon(f, QPointF(x, y)) < margin)
                return false;
        return true;
    }
    bool RectFreeOfScene(const Rect& r, double margin) const {
        const Rect grown = r.Inset(-margin);
        for (const QPolygonF& f : footprints_) {
            const QRectF b = f.boundingRect();
            if (grown.Overlaps({b.left(), b.right(), b.top(), b.bottom()}))
                return false;
        }
        return true;
    }
    bool FreeOfGrounds(double x, double y, double margin) const {
        for (const auto& g : layout_.grounds)
            if (g.second != kLawn && g.second != kParkLawn && g.first.Inset(-margin).Contains(x, y))
                return false;
        for (const Rect& p : layout_.parkingLots)
            if (p.Inset(-margin).Contains(x, y))
                return false;
        return true;
    }

    void PaintGround(QPainter& p) {
        p.setPen(Qt::NoPen);
        for (const Block& b : layout_.blocks)
            PaintBlockGround(p, b);
        for (const auto& g : layout_.grounds) {
            p.setBrush(g.second);
            p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(g.first), 0));
        }
        for (const Rect& lot : layout_.parkingLots)
            PaintParking(p, lot, true);
        for (const Street& s : layout_.streets) {
            p.setBrush(kSidewalk);
            p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(s.road.Inset(-3)), 0));
        }
        for (const Street& s : layout_.streets) {
            p.setBrush(kAsphalt);
            p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(s.road), 0));
        }
        for (const Street& s : layout_.streets)
            PaintMarkings(p, s);
        for (const Street& s : layout_.streets)
            PlantStreetTrees(s);
    }

    // Foot of a scene building in plan metres; its height.
    const std::vector<QPolygonF>& Footprints() const { return footprints_; }
    const std::vector<double>& Heights() const { return heights_; }

    std::vector<Object>& Objects() { return objects_; }

    void AddSceneShadows() {
        for (std::size_t i = 0; i < footprints_.size(); ++i)
            AddPrismShadow(footprints_[i], heights_[i]);
    }

  private:
    void PaintBlockGround(QPainter& p, const Block& b) {
        const QPolygonF area = canvas_.PlanPolygon(Canvas::RectPolygon(b.area), 0);
        switch (b.kind) {
        case BlockKind::Scene:
            p.setBrush(layout_.sceneGround);
            p.drawPolygon(area);
            ScatterTrees(b.area, 0.018);
            break;
        case BlockKind::Park:
            p.setBrush(kParkLawn);
            p.drawPolygon(area);
            PaintPark(p, b.area);
            break;
        case BlockKind::Parking:
            p.setBrush(kPaving);
            p.drawPolygon(area);
            PaintParking(p, b.area.Inset(1.5), false);
            break;
        case BlockKind::Houses:
            p.setBrush(kLawn);
            p.drawPolygon(area);
            PlaceHouses(p, b.area);
            break;
        case BlockKind::Offices:
            p.setBrush(kPaving);
            p.drawPolygon(area);
            PlaceOffices(p, b.area);
            break;
        }
    }

    void PaintMarkings(QPainter& p, const Street& s) {
        // Dashed centre line, 3 m dashes every 8 m.
        const Rect& r = s.road;
        const double along0 = s.northSouth ? r.y0 : r.x0;
        const double along1 = s.northSouth ? r.y1 : r.x1;
        const double mid = s.northSouth ? (r.x0 + r.x1) / 2 : (r.y0 + r.y1) / 2;
        p.setBrush(kCentreLine);
        for (double a = along0 + 2; a + 3 < along1; a += 8) {
            if (NearCrossing(s, a, a + 3))
                continue;
            const Rect dash = s.northSouth ? Rect{mid - 0.15, mid + 0.15, a, a + 3}
                                           : Rect{a, a + 3, mid - 0.15, mid + 0.15};
            p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(dash), 0));
        }
        // Zebra crossings just outside every crossing.
        p.setBrush(kMarking);
        for (const Street& o : layout_.streets) {
            if (o.northSouth == s.northSouth || !o.road.Inset(-3.5).Overlaps(r))
                continue;
            const double c0 = s.northSouth ? o.road.y0 - 3.5 : o.road.x0 - 3.5;
            const double c1 = s.northSouth ? o.road.y1 + 0.5 : o.road.x1 + 0.5;
            for (double c : {c0, c1}) {
                const double w0 = s.northSouth ? r.x0 : r.y0;
                const double w1 = s.northSouth ? r.x1 : r.y1;
                for (double w = w0 + 0.6; w + 0.5 < w1; w += 1.2) {
                    const Rect stripe =
                        s.northSouth ? Rect{w, w + 0.5, c, c + 3} : Rect{c, c + 3, w, w + 0.5};
                    p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(stripe), 0));
                }
            }
        }
    }

    bool NearCrossing(const Street& s, double a0, double a1) const {
        for (const Street& o : layout_.streets) {
            if (o.northSouth == s.northSouth)
                continue;
            const double c0 = (s.northSouth ? o.road.y0 : o.road.x0) - 5;
            const double c1 = (s.northSouth ? o.road.y1 : o.road.x1) + 5;
            if (a1 > c0 && a0 < c1)
                return true;
        }
        return false;
    }

    void PlantStreetTrees(const Street& s) {
        const Rect& r = s.road;
        const double along0 = s.northSouth ? r.y0 : r.x0;
        const double along1 = s.northSouth ? r.y1 : r.x1;
        for (double side : {-1.0, 1.0}) {
            const double across = s.northSouth ? (side < 0 ? r.x0 - 1.6 : r.x1 + 1.6)
                                               : (side < 0 ? r.y0 - 1.6 : r.y1 + 1.6);
            for (double a = along0 + 4 + random_.Uniform(0, 4); a < along1; a += 10) {
                if (NearCrossing(s, a - 4, a + 4))
                    continue;
                const double x = s.northSouth ? across : a;
                const double y = s.northSouth ? a : across;
                if (FreeOfScene(x, y, 3))
                    AddTree(x, y, random_.Uniform(1.8, 2.6), random_.Uniform(5, 7));
            }
        }
    }

    void ScatterTrees(const Rect& area, double perSquareMetre) {
        const int n = static_cast<int>(area.Width() * area.Depth() * perSquareMetre);
        for (int i = 0; i < n; ++i) {
            const double r = random_.Uniform(1.8, 3.2);
            const double x = random_.Uniform(area.x0 + r, area.x1 - r);
            const double y = random_.Uniform(area.y0 + r, area.y1 - r);
            if (FreeOfScene(x, y, r + 2.5) && FreeOfGrounds(x, y, r) && FreeOfTrees(x, y, r))
                AddTree(x, y, r, random_.Uniform(5, 9));
        }
    }

    bool FreeOfTrees(double x, double y, double r) const {
        for (const auto& t : trees_)
            if (std::hypot(t[0] - x, t[1] - y) < t[2] + r)
                return false;
        return true;
    }

    void PaintPark(QPainter& p, const Rect& area) {
        // Two crossing gravel paths and a pond of darker lawn.
        p.setBrush(kPath);
        const double mx = (area.x0 + area.x1) / 2;
        const double my = (area.y0 + area.y1) / 2;
        p.drawPolygon(
            canvas_.PlanPolygon(Canvas::RectPolygon({mx - 1.2, mx + 1.2, area.y0, area.y1}), 0));
        p.drawPolygon(
            canvas_.PlanPolygon(Canvas::RectPolygon({area.x0, area.x1, my - 1.2, my + 1.2}), 0));
        for (int i = 0; i < static_cast<int>(area.Width() * area.Depth() * 0.02); ++i) {
            const double r = random_.Uniform(2.0, 3.6);
            const double x = random_.Uniform(area.x0 + r, area.x1 - r);
            const double y = random_.Uniform(area.y0 + r, area.y1 - r);
            if (std::abs(x - mx) > r + 1.5 && std::abs(y - my) > r + 1.5 && FreeOfTrees(x, y, r) &&
                FreeOfScene(x, y, r + 2.5))
                AddTree(x, y, r, random_.Uniform(6, 10));
        }
    }

    void PaintParking(QPainter& p, const Rect& lot, bool fillLot) {
        p.setPen(Qt::NoPen);
        if (fillLot) {
            p.setBrush(kParkingAsphalt);
            p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(lot), 0));
        }
        // Rows of stalls 2.5 m wide and 5 m deep along the lot's long side.
        const bool alongX = lot.Width() >= lot.Depth();
        const double len = alongX ? lot.Width() : lot.Depth();
        const double cross = alongX ? lot.Depth() : lot.Width();
        const int rows = std::max(1, static_cast<int>(cross / 11));
        for (int row = 0; row < rows; ++row) {
            for (int side = 0; side < 2; ++side) {
                const double c0 = (alongX ? lot.y0 : lot.x0) + row * 11 + (side ? 6 : 0);
                if (c0 + 5 > (alongX ? lot.y1 : lot.x1))
                    continue;
                for (double a = 0.5; a + 2.5 <= len; a += 2.5) {
                    const double a0 = (alongX ? lot.x0 : lot.y0) + a;
                    p.setBrush(kMarking);
                    const Rect line =
                        alongX ? Rect{a0, a0 + 0.15, c0, c0 + 5} : Rect{c0, c0 + 5, a0, a0 + 0.15};
                    p.drawPolygon(canvas_.PlanPolygon(Canvas::RectPolygon(line), 0));
                    if (!random_.Chance(0.6))
                        continue;
                    const Rect car = alongX ? Rect{a0 + 0.35, a0 + 2.15, c0 + 0.3, c0 + 4.7}
                                            : Rect{c0 + 0.3, c0 + 4.7, a0 + 0.35, a0 + 2.15};
                    if (RectFreeOfScene(car, 1))
                        AddBox(car, 1.4, kCarColours[random_.Pick(std::size(kCarColours))], false);
                }
            }
        }
    }

    void PlaceHouses(QPainter& p, const Rect& area) {
        const Rect inner = area.Inset(1.5);
        const double lotW = 12;
        const double lotD = 14;
        for (double y = inner.y0; y + lotD <= inner.y1 + 0.1; y += lotD) {
            for (double x = inner.x0; x + lotW <= inner.x1 + 0.1; x += lotW) {
                const Rect lot{x, x + lotW, y, y + lotD};
                if (!RectFreeOfScene(lot, 2))
                    continue;
                if (random_.Chance(0.12)) {
                    PaintParking(p, lot.Inset(0.5), true);
                    continue;
                }
                const double w = random_.Uniform(7, 9.5);
                const double d = random_.Uniform(7.5, 10);
                const double hx = x + random_.Uniform(1, lotW - w - 1);
                const double hy = y + random_.Uniform(1.5, lotD - d - 1);
                const Rect house{hx, hx + w, hy, hy + d};
                p.setBrush(kSoil);
                p.drawPolygon(canvas_.PlanPolygon(
                    Canvas::RectPolygon({hx - 0.8, hx + w + 0.8, y + 0.3, hy}), 0));
                AddHouse(house, random_.Uniform(5.5, 7.5),
                         kHouseRoofs[random_.Pick(std::size(kHouseRoofs))]);
                const double tx = random_.Chance(0.5) ? x + 1.8 : x + lotW - 1.8;
                const double ty = y + lotD - 2;
                if (random_.Chance(0.6) && FreeOfTrees(tx, ty, 1.8))
                    AddTree(tx, ty, random_.Uniform(1.4, 2.2), random_.Uniform(4, 6));
            }
        }
    }

    void PlaceOffices(QPainter& p, const Rect& area) {
        const Rect inner = area.Inset(2);
        double x = inner.x0;
        while (x < inner.x1 - 8) {
            const double w = std::min(inner.x1 - x, random_.Uniform(14, 22));
            double y = inner.y0;
            while (y < inner.y1 - 8) {
                const double d = std::min(inner.y1 - y, random_.Uniform(12, 20));
                const Rect b{x + 1, x + w - 1, y + 1, y + d - 1};
                if (RectFreeOfScene(b, 3)) {
                    if (random_.Chance(0.8))
                        AddBox(b, random_.Uniform(9, 18),
                               kFlatRoofs[random_.Pick(std::size(kFlatRoofs))], true);
                    else
                        PaintParking(p, b, true);
                }
                y += d;
            }
            x += w;
        }
    }

    // --- objects -------------------------------------------------------------

    void AddTree(double x, double y, double r, double h) {
        trees_.push_back({x, y, r});
        Object o;
        o.depth = y - r;
        const QPolygonF crown = Canvas::Circle(x, y, r);
        const QPolygonF crownPic = canvas_.PlanPolygon(crown, h);
        const QPolygonF light =
            canvas_.PlanPolygon(Canvas::Circle(x - r * 0.25, y + r * 0.2, r * 0.55), h + 0.5);
        o.extent = crownPic.united(canvas_.PlanPolygon(crown, 0));
        const QColor dark = Shade(kTreeDark, random_.Uniform(0.85, 1.15));
        o.paint = [crownPic, light, dark](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(dark);
            p.drawPolygon(crownPic);
            p.setBrush(kTreeLight);
            p.drawPolygon(light);
        };
        const QPolygonF shadow =
            canvas_.PlanPolygon(Canvas::Circle(x + kShadowX * h, y + kShadowY * h, r), 0);
        o.paintShadow = [shadow](QPainter& p) { p.drawPolygon(shadow); };
        objects_.push_back(o);
    }

    // A flat-roofed box (offices, cars).
    void AddBox(const Rect& r, double h, const QColor& roof, bool castShadow) {
        const QPolygonF foot = Canvas::RectPolygon(r);
        AddPrism(foot, h, roof, Shade(roof, 0.78), Shade(roof, 0.62));
        if (castShadow)
            AddPrismShadow(foot, h);
    }

    void AddPrism(const QPolygonF& foot, double h, const QColor& roof, const QColor& front,
                  const QColor& side) {
        Object o;
        o.depth = foot.boundingRect().top();
        const QPolygonF base = canvas_.PlanPolygon(foot, 0);
        const QPolygonF top = canvas_.PlanPolygon(foot, h);
        o.extent = base.united(top);
        o.paint = [base, top, roof, front, side](QPainter& p) {
            p.setPen(Qt::NoPen);
            const int n = static_cast<int>(base.size());
            for (int i = 0; i < n; ++i) {
                const int j = (i + 1) % n;
                // The first side of a footprint faces the camera.
                DrawIfFacing(p, QPolygonF{base[i], base[j], top[j], top[i]}, i == 0 ? front : side);
            }
            p.setBrush(roof);
            p.drawPolygon(top);
        };
        objects_.push_back(o);
    }

    // A house with a gable roof; the ridge runs along the longer side.
    void AddHouse(const Rect& r, double eaves, const QColor& roof) {
        const double ridge = eaves + 2.2;
        const bool alongX = r.Width() >= r.Depth();
        Object o;
        o.depth = r.y0;
        auto at = [&](double x, double y, double h) { return canvas_.PlanToPainter(x, y, h); };
        const QPolygonF base{at(r.x0, r.y0, 0), at(r.x1, r.y0, 0), at(r.x1, r.y1, 0),
                             at(r.x0, r.y1, 0)};
        const QPolygonF eave{at(r.x0, r.y0, eaves), at(r.x1, r.y0, eaves), at(r.x1, r.y1, eaves),
                             at(r.x0, r.y1, eaves)};
        QPointF ridgeA, ridgeB;
        if (alongX) {
            const double my = (r.y0 + r.y1) / 2;
            ridgeA = at(r.x0, my, ridge);
            ridgeB = at(r.x1, my, ridge);
        } else {
            const double mx = (r.x0 + r.x1) / 2;
            ridgeA = at(mx, r.y0, ridge);
            ridgeB = at(mx, r.y1, ridge);
        }
        o.extent = base.united(eave).united(QPolygonF{ridgeA, ridgeB, eave[0]});
        const QColor wall(150, 140, 126);
        o.paint = [=](QPainter& p) {
            p.setPen(Qt::NoPen);
            // Walls, with the gable on the two ends of the ridge.
            for (int i = 0; i < 4; ++i) {
                const int j = (i + 1) % 4;
                const QPolygonF side{base[i], base[j], eave[j], eave[i]};
                const QColor shade = Shade(wall, i == 0 ? 0.92 : 0.78);
                if (!DrawIfFacing(p, side, shade))
                    continue;
                const bool end = alongX ? (i == 1 || i == 3) : (i == 0 || i == 2);
                if (end) {
                    const QPointF apex = (i == 1 || i == 2) ? ridgeB : ridgeA;
                    p.setBrush(Shade(wall, 0.86));
                    p.drawPolygon(QPolygonF{eave[i], eave[j], apex});
                }
            }
            // Both roof planes face the sky; seen from above they do not overlap.
            if (alongX) {
                p.setBrush(Shade(roof, 0.8));
                p.drawPolygon(QPolygonF{eave[3], eave[2], ridgeB, ridgeA});
                p.setBrush(roof);
                p.drawPolygon(QPolygonF{eave[0], eave[1], ridgeB, ridgeA});
            } else {
                p.setBrush(Shade(roof, 0.8));
                p.drawPolygon(QPolygonF{eave[1], eave[2], ridgeB, ridgeA});
                p.setBrush(roof);
                p.drawPolygon(QPolygonF{eave[0], eave[3], ridgeB, ridgeA});
            }
        };
        objects_.push_back(o);
        AddPrismShadow(Canvas::RectPolygon(r), eaves + 1);
    }

    // The shadow of an upright prism: its foot swept along the shadow vector.
    void AddPrismShadow(const QPolygonF& foot, double h) {
        const double dx = kShadowX * h;
        const double dy = kShadowY * h;
        std::vector<QPolygonF> parts;
        parts.push_back(canvas_.PlanPolygon(foot, 0));
        parts.push_back(canvas_.PlanPolygon(foot.translated(dx, dy), 0));
        const int n = static_cast<int>(foot.size());
        for (int i = 0; i < n; ++i) {
            const QPointF a = foot[i];
            const QPointF b = foot[(i + 1) % n];
            parts.push_back(
                canvas_.PlanPolygon(QPolygonF{a, b, b + QPointF(dx, dy), a + QPointF(dx, dy)}, 0));
        }
        groundShadows_.push_back(parts);
    }

  public:
    void PaintShadows(QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (const auto& parts : groundShadows_)
            for (const QPolygonF& part : parts)
                p.drawPolygon(part);
        for (const Object& o : objects_)
            if (o.paintShadow)
                o.paintShadow(p);
    }

  private:
    Canvas& canvas_;
    const TownLayout& layout_;
    Random random_;
    std::vector<QPolygonF> footprints_;
    std::vector<double> heights_;
    std::vector<Object> objects_;
    std::vector<std::array<double, 3>> trees_;
    std::vector<std::vector<QPolygonF>> groundShadows_;
};

// ---------------------------------------------------------------------------
// The two towns, in plan metres around the ground point at the picture centre.

std::vector<Street> GridStreets(const std::vector<std::pair<double, double>>& northSouth,
                                const std::vector<std::pair<double, double>>& eastWest) {
    std::vector<Street> out;
    for (auto [a, b] : eastWest)
        out.push_back({{-400, 400, a, b}, false});
    for (auto [a, b] : northSouth)
        out.push_back({{a, b, -200, 400}, true});
    return out;
}

// Blocks between the streets (sidewalks 3 m wide).
std::vector<Rect> GridBlocks(const std::vector<std::pair<double, double>>& northSouth,
                             const std::vector<std::pair<double, double>>& eastWest) {
    std::vector<double> xs{-400}, ys{-200};
    for (auto [a, b] : northSouth) {
        xs.push_back(a - 3);
        xs.push_back(b + 3);
    }
    for (auto [a, b] : eastWest) {
        ys.push_back(a - 3);
        ys.push_back(b + 3);
    }
    xs.push_back(400);
    ys.push_back(400);
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    std::vector<Rect> out;
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
        for (std::size_t j = 0; j + 1 < ys.size(); j += 2)
            out.push_back({xs[i], xs[i + 1], ys[j], ys[j + 1]});
    return out;
}

// Sample picture 1: a housing estate of seven long blocks in a green,
// family houses around it.
TownLayout EstateLayout() {
    const std::vector<std::pair<double, double>> ns{{-152, -144}, {-94, -86}, {68, 76}, {138, 146}};
    const std::vector<std::pair<double, double>> ew{{-68, -60}, {52, 60}, {112, 120}};
    TownLayout t;
    t.streets = GridStreets(ns, ew);
    for (const Rect& r : GridBlocks(ns, ew)) {
        BlockKind kind = BlockKind::Houses;
        if (r.Contains(0, 0))
            kind = BlockKind::Scene;
        else if (r.Contains(-20, 80))
            kind = BlockKind::Park;
        else if (r.Contains(100, 0))
            kind = BlockKind::Parking;
        t.blocks.push_back({r, kind});
    }
    t.sceneGround = kLawn;
    // Driveways between the rows of blocks and the estate's parking lots.
    t.grounds = {{{-83, 65, 13.6, 17.4}, kAsphalt},
                 {{-83, 65, -19.6, -15.8}, kAsphalt},
                 {{-80, -72, -15.8, 13.6}, kPath},
                 {{59, 63, -57, 49}, kPath}};
    t.parkingLots = {{20, 62, -1, 12}, {-12, 42, -35, -22}};
    t.seed = 20240601u;
    return t;
}

// Sample picture 2: six office blocks around a crossroads downtown.
TownLayout DowntownLayout() {
    const std::vector<std::pair<double, double>> ns{
        {-126, -118}, {-66, -58}, {-9, 5}, {52, 60}, {114, 122}};
    const std::vector<std::pair<double, double>> ew{{-52, -44}, {3, 14}, {70, 78}, {118, 126}};
    TownLayout t;
    t.streets = GridStreets(ns, ew);
    for (const Rect& r : GridBlocks(ns, ew)) {
        BlockKind kind = BlockKind::Offices;
        if (r.x0 > -56 && r.x1 < 50 && r.y0 > -42 && r.y1 < 68)
            kind = BlockKind::Scene;
        else if (r.Contains(-90, 95))
            kind = BlockKind::Park;
        else if (r.Contains(30, -60) || r.Contains(-30, 100))
            kind = BlockKind::Parking;
        else if (r.y0 > 120)
            kind = BlockKind::Houses;
        t.blocks.push_back({r, kind});
    }
    t.sceneGround = kPaving;
    t.grounds = {{{10, 47, -40, -34}, kLawn},
                 {{-54, -48, -40, -2}, kLawn},
                 {{42, 48, 19, 65}, kLawn},
                 {{-54, -42, 42, 66}, kLawn},
                 {{-18, -13, 18, 66}, kLawn}};
    t.parkingLots = {{-54, -14, 46, 66}};
    t.seed = 19970521u;
    return t;
}

// Closed polygon fill for the scene's roofs and faces: a pixel is filled when
// the picture point it stands for lies inside the polygon or within `grow`
// of its outline. No antialiasing: every filled pixel gets exactly the colour.
void FillExact(QImage& image, std::vector<PixelKind>& kinds, const QPolygonF& poly, QRgb colour,
               PixelKind kind, double grow = 0) {
    const int w = image.width();
    const int h = image.height();
    const QRectF b = poly.boundingRect().adjusted(-grow, -grow, grow, grow);
    const int i0 = std::max(0, static_cast<int>(std::floor(b.left() + w / 2)));
    const int i1 = std::min(w - 1, static_cast<int>(std::ceil(b.right() + w / 2)));
    const int j0 = std::max(0, static_cast<int>(std::floor(h / 2 - b.bottom())));
    const int j1 = std::min(h - 1, static_cast<int>(std::ceil(h / 2 - b.top())));
    QPolygonF closed = poly;
    if (closed.first() != closed.last())
        closed << closed.first();
    for (int j = j0; j <= j1; ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(j));
        for (int i = i0; i <= i1; ++i) {
            const QPointF p(i - w / 2, h / 2 - j);
            bool on = PointInPolygon(closed, p.x(), p.y());
            for (int e = 0; !on && e + 1 < closed.size(); ++e)
                on = DistanceToSegment(p, closed[e], closed[e + 1]) <= grow + 1e-6;
            if (on) {
                line[i] = colour;
                kinds[static_cast<std::size_t>(j) * w + i] = kind;
            }
        }
    }
}

// The faces reach this far (picture units) beyond the swept outline, so that
// a wall line drawn down a building's side edge runs inside its face, and a
// roof edge shows a thin dark rim where no face is seen.
constexpr double kFaceRim = 2.0;

// Everything a scene building covers: the roof, the roof moved down by the
// wall vector, and the faces joining them.
std::vector<QPolygonF> SweptParts(const SceneBuilding& b) {
    QPolygonF foot;
    for (int i = 0; i < b.roof.size(); ++i)
        foot << b.roof[i] + b.down[std::size_t(i)];
    std::vector<QPolygonF> parts{foot};
    for (int i = 0; i + 1 < b.roof.size(); ++i) {
        const QPointF a = b.roof[i];
        const QPointF c = b.roof[i + 1];
        parts.push_back(QPolygonF{a, c, foot[i + 1], foot[i]});
    }
    return parts;
}

} // namespace

Camera::Camera(const velmora::DemoScene& scene, double measuringWidth)
    : f_(scene.view.flatHeight), theta_(scene.view.slideAngle * 0.0174532925199433),
      k_(f_ / (0.85 * measuringWidth)), c_(f_ * std::cos(theta_)), g_(f_ * std::sin(theta_)) {}

QPointF Camera::ToPicture(double planX, double planY, double h) const {
    // Inverse of the plan projection: the ray through the picture row must
    // reach the height h above the plan point.
    const double t = (planY + g_) / (c_ - h);
    const double tanTheta = std::tan(theta_);
    const double m = (t - tanTheta) / (1 + t * tanTheta);
    const double d = c_ * t - g_;
    const double imageX = planX / (1 - h / c_) * f_ / (f_ + d * std::sin(theta_));
    return {imageX / k_, m * f_ / k_};
}

std::vector<SceneBuilding> SceneBuildings(const velmora::DemoScene& scene, const Camera& camera) {
    std::vector<SceneBuilding> out;
    for (std::size_t r = 0; r < scene.roofs.size(); ++r) {
        const velmora::SceneRoof& roof = scene.roofs[r];
        SceneBuilding b;
        std::vector<QPointF> vertical; // the camera's, from roof corner to ground
        for (int i = roof.start; i < roof.start + roof.count; ++i) {
            const auto p = scene.points[std::size_t(i)];
            const auto plan = scene.planPoints[std::size_t(i)];
            b.roof << QPointF(p.x, p.y);
            vertical.push_back(camera.ToPicture(plan.x, plan.y, 0) -
                               camera.ToPicture(plan.x, plan.y, roof.height));
        }
        // Where each wall line departs from the camera's vertical.
        std::vector<std::pair<QPointF, QPointF>> misfits; // corner, difference
        for (const velmora::SceneWall& w : scene.walls) {
            if (std::size_t(w.owner) != r)
                continue;
            const QPointF upper(w.upper.x, w.upper.y);
            const QPointF line(w.lower.x - w.upper.x, w.lower.y - w.upper.y);
            for (int i = 0; i < b.roof.size(); ++i)
                if (b.roof[i] == upper) {
                    misfits.emplace_back(upper, line - vertical[std::size_t(i)]);
                    break;
                }
        }
        for (int i = 0; i < b.roof.size(); ++i) {
            // A wall's own corner takes its misfit as it is; other corners
            // a mean weighted by the inverse square of the distance.
            QPointF atCorner, weighted;
            int onCorner = 0;
            double weights = 0;
            for (const auto& [corner, misfit] : misfits) {
                const QPointF d = b.roof[i] - corner;
                const double dist2 = QPointF::dotProduct(d, d);
                if (dist2 < 1e-9) {
                    atCorner += misfit;
                    ++onCorner;
                } else {
                    weighted += misfit / dist2;
                    weights += 1 / dist2;
                }
            }
            QPointF misfit;
            if (onCorner > 0)
                misfit = atCorner / onCorner;
            else if (weights > 0)
                misfit = weighted / weights;
            b.down.push_back(vertical[std::size_t(i)] + misfit);
        }
        out.push_back(b);
    }
    return out;
}

SamplePicture PaintSamplePicture(int picture) {
    const velmora::DemoScene& scene = velmora::SamplePictureScene(picture);
    const velmora::PictureSize size = velmora::SamplePictureSize(picture);
    const velmora::BuildingGreys greys = velmora::SamplePictureGreys(picture);
    const Camera camera(scene, velmora::SceneMeasuringWidth(picture));
    Canvas canvas(size.width, size.height, camera);
    const TownLayout layout = picture == 2 ? DowntownLayout() : EstateLayout();
    canvas.image.fill(kLawn);

    Town town(canvas, scene, layout);
    std::vector<SceneBuilding> buildings = SceneBuildings(scene, camera);

    // Which scene building covers each pixel, to keep nearer things from
    // being painted over by a building that stands behind them.
    const std::size_t pixels = static_cast<std::size_t>(size.width) * size.height;
    std::vector<PixelKind> scratch(pixels, PixelKind::Ground);
    std::vector<int> cover(pixels, -1);
    {
        QImage mask(size.width, size.height, QImage::Format_RGB32);
        for (std::size_t b = 0; b < buildings.size(); ++b) {
            mask.fill(Qt::black);
            std::fill(scratch.begin(), scratch.end(), PixelKind::Ground);
            for (const QPolygonF& part : SweptParts(buildings[b]))
                FillExact(mask, scratch, part, qRgb(255, 255, 255), PixelKind::Wall, kFaceRim);
            FillExact(mask, scratch, buildings[b].roof, qRgb(255, 255, 255), PixelKind::Roof);
            for (std::size_t i = 0; i < pixels; ++i)
                if (scratch[i] != PixelKind::Ground)
                    cover[i] = static_cast<int>(b);
        }
    }

    {
        QPainter p(&canvas.image);
        p.setRenderHint(QPainter::Antialiasing, true);
        town.PaintGround(p);
        town.AddSceneShadows();

        // Drop what stands in front of a scene building but would be hidden
        // by it, since the scene buildings are painted last.
        std::vector<Object> kept;
        for (const Object& o : town.Objects()) {
            bool hidden = false;
            const QRect box = o.extent.boundingRect().toAlignedRect().adjusted(-2, -2, 2, 2);
            for (int j = std::max(0, box.top());
                 !hidden && j <= std::min(size.height - 1, box.bottom()); ++j) {
                for (int i = std::max(0, box.left()); i <= std::min(size.width - 1, box.right());
                     ++i) {
                    const int b = cover[static_cast<std::size_t>(j) * size.width + i];
                    if (b < 0)
                        continue;
                    const double behind = town.Footprints()[std::size_t(b)].boundingRect().bottom();
                    if (o.depth <= behind + 1) {
                        hidden = true;
                        break;
                    }
                }
            }
            if (!hidden)
                kept.push_back(o);
        }
        town.Objects() = kept;

        {
            QPainter s(&canvas.shadows);
            s.setRenderHint(QPainter::Antialiasing, true);
            town.PaintShadows(s);
        }
        p.setOpacity(0.38);
        p.drawImage(0, 0, canvas.shadows);
        p.setOpacity(1);

        std::stable_sort(town.Objects().begin(), town.Objects().end(),
                         [](const Object& a, const Object& b) { return a.depth > b.depth; });
        for (const Object& o : town.Objects())
            o.paint(p);
    }

    // The scene's buildings: their faces far ones (higher up the picture)
    // first, then every roof, as the data shows each roof whole.
    std::vector<std::size_t> order(buildings.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto lowest = [&](std::size_t b) {
        double y = 1e9;
        for (const QPointF& q : buildings[b].roof)
            y = std::min(y, q.y());
        return y;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return lowest(a) > lowest(b); });

    SamplePicture out;
    out.kinds.assign(pixels, PixelKind::Ground);
    const QRgb roof = qRgb(greys.roof, greys.roof, greys.roof);
    const QRgb wall = qRgb(greys.wall, greys.wall, greys.wall);
    for (std::size_t b : order)
        for (const QPolygonF& part : SweptParts(buildings[b]))
            FillExact(canvas.image, out.kinds, part, wall, PixelKind::Wall, kFaceRim);
    for (std::size_t b : order)
        FillExact(canvas.image, out.kinds, buildings[b].roof, roof, PixelKind::Roof);
    out.image = canvas.image;
    return out;
}

} // namespace samplepics
