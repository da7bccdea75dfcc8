// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/realpics/RealisticTown.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "data/Editing.h"
#include "data/Scenes.h"
#include "geometry/CameraModel.h"
#include "tools/realpics/TownParts.h"

namespace realpics {

namespace parts {

using velmora::PicturePoint;

// The camera of sample preset `preset` for a picture `width` pixels wide.
View ViewOf(int preset, int width) {
    const velmora::AltitudeTexts& t = velmora::SamplePicturePresets(preset);
    auto d = std::make_unique<velmora::BuildingData>();
    velmora::UpdateViewGeometry(*d,
                                {std::string(t.verHeight), std::string(t.verHeightm),
                                 std::string(t.incliHeight), std::string(t.incliHeightm)},
                                width);
    return {d->gSlideAngle * velmora::kDegToRad, d->gFlatHeight, d->gPhotoMetrePerUnit};
}

QColor Grey(int g, int tint) {
    return QColor(std::clamp(g + tint, 0, 255), std::clamp(g, 0, 255),
                  std::clamp(g - tint, 0, 255));
}

// Counter-clockwise plan outline of a building with `corners` corners,
// w x d metres, around the origin.
std::vector<QPointF> Footprint(int corners, double w, double d) {
    const double x0 = -w / 2, x1 = w / 2, y0 = -d / 2, y1 = d / 2;
    const double a = 0.42 * w, b = 0.42 * d, c = 0.3 * std::min(w, d);
    switch (corners) {
    case 5:
        return {{x0, y0}, {x1, y0}, {x1, y1 - c}, {x1 - c, y1}, {x0, y1}};
    case 6:
        return {{x0, y0}, {x1, y0}, {x1, y1 - b}, {x1 - a, y1 - b}, {x1 - a, y1}, {x0, y1}};
    case 7:
        return {{x0, y0},     {x1, y0},     {x1, y1 - b}, {x1 - a, y1 - b},
                {x1 - a, y1}, {x0 + c, y1}, {x0, y1 - c}};
    case 8: {
        const double s = 0.3 * w;
        return {{x0, y0},     {x1, y0},     {x1, y1 - b},     {x1 - s, y1 - b},
                {x1 - s, y1}, {x0 + s, y1}, {x0 + s, y1 - b}, {x0, y1 - b}};
    }
    default:
        return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    }
}

struct Building {
    std::vector<QPointF> plan; // counter-clockwise, metres
    double height = 0;
    int roofGrey = 0;
    QPolygonF roof;   // picture
    QPolygonF ground; // picture
    QRectF extent;    // picture, roof and walls
    QPointF click;    // picture, the roof's deepest point
};

// Empty when a point lies behind the camera.
QPolygonF Picture(const View& v, const std::vector<QPointF>& plan, double h) {
    QPolygonF out;
    for (const QPointF& p : plan) {
        const std::optional<QPointF> seen = v.Seen(p.x(), p.y(), h);
        if (!seen)
            return {};
        out << *seen;
    }
    return out;
}

double SegmentDistance(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    const double u = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0;
    const QPointF q = a + u * ab - p;
    return std::hypot(q.x(), q.y());
}

double EdgeDistance(const QPolygonF& poly, QPointF p) {
    double best = 1e9;
    for (int i = 0; i < poly.size(); ++i)
        best = std::min(best, SegmentDistance(p, poly[i], poly[(i + 1) % poly.size()]));
    return best;
}

// The inside point farthest from the outline.
QPointF DeepestPoint(const QPolygonF& poly) {
    const QRectF r = poly.boundingRect();
    QPointF best = r.center();
    double bestDistance = -1;
    for (double y = r.top(); y <= r.bottom(); y += 1)
        for (double x = r.left(); x <= r.right(); x += 1) {
            const QPointF p(x, y);
            if (!poly.containsPoint(p, Qt::OddEvenFill))
                continue;
            const double d = EdgeDistance(poly, p);
            if (d > bestDistance) {
                bestDistance = d;
                best = p;
            }
        }
    return best;
}

// Painter in picture coordinates (y up) on the oversampled canvas.
void UsePictureCoordinates(QPainter& p) {
    p.resetTransform();
    p.scale(kOversample, kOversample);
    p.translate(kWidth / 2.0, kHeight / 2.0);
    p.scale(1, -1);
}

void PaintGround(QPainter& p, const View& v, Random& r) {
    p.fillRect(QRectF(-kWidth, -kHeight, 2 * kWidth, 2 * kHeight), Grey(92 + r.Int(-6, 6), 3));
    auto planRect = [&](QPointF centre, double w, double d, double angle) {
        std::vector<QPointF> pts;
        const double c = std::cos(angle), s = std::sin(angle);
        for (QPointF q : {QPointF(-w / 2, -d / 2), QPointF(w / 2, -d / 2), QPointF(w / 2, d / 2),
                          QPointF(-w / 2, d / 2)})
            pts.emplace_back(centre.x() + c * q.x() - s * q.y(),
                             centre.y() + s * q.x() + c * q.y());
        return Picture(v, pts, 0);
    };
    auto somewhere = [&] { return v.Ground(QPointF(r.Uniform(-420, 420), r.Uniform(-360, 360))); };
    p.setPen(Qt::NoPen);
    // Grass and bare earth.
    for (int i = 0; i < 14; ++i) {
        p.setBrush(i % 3 ? QColor(70 + r.Int(0, 25), 100 + r.Int(0, 25), 50 + r.Int(0, 20))
                         : QColor(120 + r.Int(0, 15), 105 + r.Int(0, 15), 80 + r.Int(0, 15)));
        p.drawPolygon(
            planRect(somewhere(), r.Uniform(20, 90), r.Uniform(20, 90), r.Uniform(0, 3.2)));
    }
    // Roads with their pavements, markings and cars (of any colour, some
    // light) parked along them.
    for (int i = 0; i < 3; ++i) {
        const QPointF c = somewhere();
        const double angle = r.Uniform(-0.6, 0.6) + (i % 2) * 1.57;
        const QPointF along(std::cos(angle), std::sin(angle));
        const QPointF across(-along.y(), along.x());
        p.setBrush(Grey(128, 2));
        p.drawPolygon(planRect(c, 400, 16, angle));
        p.setBrush(Grey(108 + r.Int(-5, 5)));
        p.drawPolygon(planRect(c, 400, 11, angle));
        p.setBrush(Grey(200));
        for (int k = -16; k <= 16; ++k)
            p.drawPolygon(planRect(c + along * (k * 12.0), 3, 0.25, angle));
        for (int k = 0; k < 25; ++k) {
            const int g = r.Int(20, 250);
            p.setBrush(QColor(g, std::clamp(g + r.Int(-30, 30), 0, 255),
                              std::clamp(g + r.Int(-30, 30), 0, 255)));
            const QPointF at =
                c + along * r.Uniform(-250, 250) + across * (r.Int(0, 1) ? 3.5 : -3.5);
            p.drawPolygon(planRect(at, 4.5, 1.8, angle));
        }
    }
    // Trees.
    for (int i = 0; i < 60; ++i) {
        const QPointF c = somewhere();
        const double radius = r.Uniform(1.5, 4.5);
        p.setBrush(QColor(35 + r.Int(0, 30), 60 + r.Int(0, 35), 25 + r.Int(0, 20)));
        const double px = radius / v.m * 0.85;
        if (const std::optional<QPointF> seen = v.Seen(c.x(), c.y(), 2 * radius))
            p.drawEllipse(*seen, px, px);
    }
}

bool Place(Building& b, const View& v, QPointF target, Random& r) {
    const int corners = r.Int(4, 8);
    const double w = r.Uniform(24, 46), d = r.Uniform(20, 34), angle = r.Uniform(-0.14, 0.14);
    b.height = r.Uniform(8, 50);
    const QPointF centre = v.Ground(target);
    b.plan.clear();
    for (const QPointF& q : Footprint(corners, w, d))
        b.plan.emplace_back(centre.x() + std::cos(angle) * q.x() - std::sin(angle) * q.y(),
                            centre.y() + std::sin(angle) * q.x() + std::cos(angle) * q.y());
    b.roof = Picture(v, b.plan, b.height);
    b.ground = Picture(v, b.plan, 0);
    b.extent = b.roof.boundingRect().united(b.ground.boundingRect());
    // As in the sample pictures, the wall below the lowest roof corner is
    // seen at least this tall; lower down the camera looks too steeply for
    // a wall to be measured at all.
    constexpr double kMinWallPixels = 24;
    int lowest = 0;
    for (int i = 1; i < b.roof.size(); ++i)
        if (b.roof[i].y() < b.roof[lowest].y())
            lowest = i;
    const QPointF wall = b.roof[lowest] - b.ground[lowest];
    if (wall.y() < kMinWallPixels)
        return false;
    // Nor does it lean more than the sample pictures' walls do.
    constexpr double kMaxLean = 0.45; // tangent, about 24 degrees
    if (std::fabs(wall.x()) > kMaxLean * wall.y())
        return false;
    // The tracer looks at 500 x 400 pixels around the click: the building,
    // roof and walls, must lie inside for its wall to be measured whole.
    b.click = DeepestPoint(b.roof);
    const QRectF frame(b.click.x() - 240, b.click.y() - 190, 480, 380);
    return frame.contains(b.extent) &&
           QRectF(-kWidth / 2.0 + 12, -kHeight / 2.0 + 12, kWidth - 24, kHeight - 24)
               .contains(b.extent);
}

// `light`: the horizontal direction towards the sun, which stands behind the
// camera's shoulder: the faces turned to the camera are the lit ones.
void PaintBuilding(QPainter& p, const Building& b, const View& v, QPointF light, Random& r) {
    const int n = static_cast<int>(b.plan.size());
    // The ground point below the camera: a face is seen when it lies outside.
    const QPointF cameraFoot(0, -v.f * std::sin(v.theta));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < n; ++i) {
        const QPointF a = b.plan[std::size_t(i)], c = b.plan[std::size_t((i + 1) % n)];
        const QPointF normal(c.y() - a.y(), a.x() - c.x()); // outward for counter-clockwise
        if (QPointF::dotProduct(normal, cameraFoot - (a + c) / 2) <= 0)
            continue;
        const double len = std::hypot(normal.x(), normal.y());
        const double sun = std::max(0.0, QPointF::dotProduct(normal / len, light));
        const int g = b.roofGrey - 95 + int(std::lround(55 * sun)) + r.Int(-3, 3);
        const QPolygonF face = Picture(v, {a, c}, b.height) + Picture(v, {c, a}, 0);
        p.setBrush(Grey(g, 2));
        p.drawPolygon(face);
        // Rows of windows, a little darker.
        p.setBrush(Grey(g - 14, 2));
        for (double h = 2.5; h + 1.2 < b.height; h += 3.2) {
            const QPointF a2 = a + (c - a) * 0.06, c2 = c - (c - a) * 0.06;
            p.drawPolygon(Picture(v, {a2, c2}, h + 1.2) + Picture(v, {c2, a2}, h));
        }
    }
    p.setBrush(Grey(b.roofGrey, 1));
    p.drawPolygon(b.roof);
    // Roof texture: a pattern of faint strips.
    p.save();
    QPainterPath clip;
    clip.addPolygon(b.roof);
    p.setClipPath(clip);
    const QRectF box = b.roof.boundingRect();
    for (double y = box.top(); y < box.bottom(); y += 2) {
        p.setBrush(Grey(b.roofGrey + (int(y) % 4 == 0 ? 4 : -4)));
        p.drawRect(QRectF(box.left(), y, box.width(), 0.67));
    }
    p.restore();
}

void PaintFixtures(QPainter& p, const TrueBuilding& t, const QPolygonF& roof, int roofGrey,
                   Random& r) {
    const QPointF click(t.click.x, t.click.y);
    p.setPen(Qt::NoPen);
    for (int k = 0, placed = 0; k < 40 && placed < 3; ++k) {
        const QPointF q(r.Uniform(roof.boundingRect().left(), roof.boundingRect().right()),
                        r.Uniform(roof.boundingRect().top(), roof.boundingRect().bottom()));
        if (!roof.containsPoint(q, Qt::OddEvenFill) || EdgeDistance(roof, q) < 5 ||
            std::hypot(q.x() - click.x(), q.y() - click.y()) < 8)
            continue;
        const double s = r.Uniform(1.5, 3);
        p.setBrush(Grey(roofGrey + (placed % 2 ? 35 : -60)));
        p.drawRect(QRectF(q.x(), q.y(), s, s));
        ++placed;
    }
}

// Noise on every pixel: fine grain of +-5 and slow blotches of +-3 grey
// levels, with a little colour.
void AddNoise(QImage& image, Random& r) {
    constexpr int kCell = 8;
    const int cw = image.width() / kCell + 2, ch = image.height() / kCell + 2;
    std::vector<double> blotch(std::size_t(cw * ch));
    for (double& b : blotch)
        b = r.Uniform(-3, 3);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double fx = double(x) / kCell, fy = double(y) / kCell;
            const int ix = int(fx), iy = int(fy);
            const double u = fx - ix, w = fy - iy;
            auto at = [&](int i, int j) { return blotch[std::size_t(j * cw + i)]; };
            const double slow = (1 - u) * (1 - w) * at(ix, iy) + u * (1 - w) * at(ix + 1, iy) +
                                (1 - u) * w * at(ix, iy + 1) + u * w * at(ix + 1, iy + 1);
            const int common = int(std::lround(slow)) + r.Int(-5, 5);
            auto channel = [&](int v) { return std::clamp(v + common + r.Int(-2, 2), 0, 255); };
            line[x] =
                qRgb(channel(qRed(line[x])), channel(qGreen(line[x])), channel(qBlue(line[x])));
        }
    }
}

// Soft edges: a Gaussian blur of `sigma` pixels.
QImage Blurred(const QImage& in, double sigma) {
    const int radius = 2;
    double w[2 * radius + 1];
    double sum = 0;
    for (int k = -radius; k <= radius; ++k)
        sum += w[k + radius] = std::exp(-k * k / (2 * sigma * sigma));
    for (double& x : w)
        x /= sum;
    auto pass = [&](const QImage& src, bool horizontal) {
        QImage dst(src.size(), QImage::Format_RGB32);
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                double c[3] = {0, 0, 0};
                for (int k = -radius; k <= radius; ++k) {
                    const int sx = horizontal ? std::clamp(x + k, 0, src.width() - 1) : x;
                    const int sy = horizontal ? y : std::clamp(y + k, 0, src.height() - 1);
                    const QRgb p = reinterpret_cast<const QRgb*>(src.constScanLine(sy))[sx];
                    c[0] += w[k + radius] * qRed(p);
                    c[1] += w[k + radius] * qGreen(p);
                    c[2] += w[k + radius] * qBlue(p);
                }
                reinterpret_cast<QRgb*>(dst.scanLine(y))[x] =
                    qRgb(int(std::lround(c[0])), int(std::lround(c[1])), int(std::lround(c[2])));
            }
        return dst;
    };
    return pass(pass(in, true), false);
}

QImage JpegRoundTrip(const QImage& picture, int quality) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", quality);
    return QImage::fromData(jpeg, "JPG");
}

} // namespace parts

using namespace parts;

double DistanceToOutline(const std::vector<PicturePoint>& corners, PicturePoint p) {
    QPolygonF poly;
    for (const PicturePoint& c : corners)
        poly << QPointF(c.x, c.y);
    return EdgeDistance(poly, QPointF(p.x, p.y));
}

namespace {

double WorstCorner(const std::vector<PicturePoint>& outline, const TrueBuilding& b) {
    if (outline.size() < 4)
        return -1;
    double worst = 0;
    for (const PicturePoint& p : outline)
        worst = std::max(worst, DistanceToOutline(b.roof, p));
    return worst;
}

} // namespace

velmora::GreyRaster PlainGrey(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    velmora::GreyRaster out(rgb.width(), rgb.height());
    for (int row = 0; row < rgb.height(); ++row) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int col = 0; col < rgb.width(); ++col)
            out.SetRgb(col, row, qRed(in[col]), qGreen(in[col]), qBlue(in[col]));
    }
    return out;
}

velmora::TraceCamera CameraOf(int preset, int width) {
    const View v = ViewOf(preset, width);
    return {v.theta, v.f, v.m};
}

std::vector<TraceOutcome> TraceEach(const velmora::GreyRaster& grey, int preset, int width,
                                    const std::vector<TrueBuilding>& buildings) {
    const View v = ViewOf(preset, width);
    auto data = std::make_unique<velmora::BuildingData>();
    auto tracer = std::make_unique<velmora::RoofTracer>();
    tracer->SetPicture(&grey);
    std::vector<TraceOutcome> out;
    for (const TrueBuilding& b : buildings) {
        TraceOutcome o;
        velmora::ResetAllDataBuildingData(*data);
        if (!tracer->TraceRoof(b.click.x, b.click.y)) {
            o.refused = "not the dominant grey";
        } else {
            o.outline = tracer->TracedRoofOutline();
            o.worstCorner = WorstCorner(o.outline, b);
            tracer->FindWall();
            const std::optional<velmora::WallLine> wall = tracer->LongestWall();
            const PicturePoint* top = wall ? &wall->top : nullptr;
            const PicturePoint* bottom = wall ? &wall->bottom : nullptr;
            const velmora::TracedRegistration r =
                velmora::RegisterTracedRoof(*data, o.outline, top, bottom);
            if (r.roof != velmora::AppendResult::Ok)
                o.refused = "no outline";
            else if (r.wall == velmora::AppendResult::Ok) {
                o.wall = wall;
                o.height =
                    velmora::WallHeight(v.theta, v.f, v.m * wall->bottom.y, v.m * wall->top.y);
            } else {
                o.noWall = "no wall line found";
            }
        }
        out.push_back(std::move(o));
    }
    return out;
}

std::vector<TraceOutcome> TraceEachChecked(const velmora::TraceInput& input, int preset, int width,
                                           const std::vector<TrueBuilding>& buildings) {
    const velmora::TraceCamera camera = CameraOf(preset, width);
    auto tracer = std::make_unique<velmora::RoofTracer>();
    tracer->SetInput(&input);
    std::vector<TraceOutcome> out;
    for (const TrueBuilding& b : buildings) {
        TraceOutcome o;
        const velmora::TraceResult r = tracer->Trace(b.click.x, b.click.y, &camera);
        switch (r.refusal) {
        case velmora::TraceRefusal::None:
            break;
        case velmora::TraceRefusal::NotOnRoof:
            o.refused = "not an even roof surface";
            break;
        case velmora::TraceRefusal::NoClosedEdge:
            o.refused = "no closed roof edge";
            break;
        case velmora::TraceRefusal::NoOutline:
            o.refused = "no outline";
            break;
        }
        o.outline = r.outline;
        o.worstCorner = WorstCorner(o.outline, b);
        o.searched = r.height.height;
        o.support = r.height.support;
        o.rival = r.height.rival;
        o.groundSupport = r.height.groundSupport;
        o.verticalSupport = r.height.verticalSupport;
        o.margin = r.height.margin;
        if (r.wall) {
            o.wall = r.wall;
            o.height = velmora::LineHeight(*r.wall, camera);
        } else if (r.refusal == velmora::TraceRefusal::None) {
            o.noWall = velmora::HeightVerdictReason(r.height.verdict);
        }
        out.push_back(std::move(o));
    }
    return out;
}

RealisticPicture PaintRealisticPicture(int index) {
    Random r(20261209u + 7919u * unsigned(index));
    RealisticPicture out;
    out.preset = index % 2 + 1;
    out.quality = 75 + (index * 7) % 16;
    const View v = ViewOf(out.preset, kWidth);

    // Buildings on a jittered 3 x 3 grid of picture positions, none touching another.
    std::vector<Building> buildings;
    const int wanted = 6 + index % 2;
    std::vector<QPointF> cells;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            cells.emplace_back(-250 + col * 250, -190 + row * 190);
    std::shuffle(cells.begin(), cells.end(), std::mt19937(index));
    const int base = r.Int(204, 214);
    for (const QPointF& cell : cells) {
        if (int(buildings.size()) == wanted)
            break;
        for (int attempt = 0; attempt < 40; ++attempt) {
            Building b;
            b.roofGrey = base + r.Int(-3, 3);
            if (!Place(b, v, cell + QPointF(r.Uniform(-50, 50), r.Uniform(-40, 40)), r))
                continue;
            const QRectF room = b.extent.adjusted(-14, -14, 14, 14);
            if (std::any_of(buildings.begin(), buildings.end(),
                            [&](const Building& o) { return o.extent.intersects(room); }))
                continue;
            buildings.push_back(std::move(b));
            break;
        }
    }
    // Far buildings first, so nearer ones cover them.
    std::sort(buildings.begin(), buildings.end(), [](const Building& a, const Building& b) {
        return a.roof.boundingRect().top() > b.roof.boundingRect().top();
    });

    QImage canvas(kWidth * kOversample, kHeight * kOversample, QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        UsePictureCoordinates(p);
        PaintGround(p, v, r);
        const double sunAzimuth = r.Uniform(-0.45, 0.45);
        const QPointF light(std::sin(sunAzimuth), -std::cos(sunAzimuth));
        for (Building& b : buildings) {
            // Shadow away from the sun.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 90));
            std::vector<QPointF> shadow;
            const QPointF cast = -0.75 * b.height * light;
            for (const QPointF& q : b.plan)
                shadow.push_back(q + cast);
            p.drawPolygon(Picture(v, shadow, 0));
        }
        for (Building& b : buildings) {
            PaintBuilding(p, b, v, light, r);
            TrueBuilding t;
            for (const QPointF& c : b.roof)
                t.roof.push_back({float(c.x()), float(c.y())});
            t.click = {float(std::round(b.click.x())), float(std::round(b.click.y()))};
            t.height = b.height;
            PaintFixtures(p, t, b.roof, b.roofGrey, r);
            out.buildings.push_back(std::move(t));
        }
    }
    QImage picture = canvas.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    AddNoise(picture, r);
    out.image = JpegRoundTrip(picture, out.quality);
    return out;
}

} // namespace realpics
