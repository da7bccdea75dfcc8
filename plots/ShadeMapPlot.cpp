// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/ShadeMapPlot.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora {

namespace {

constexpr int kMapMaxPixels = 820;
constexpr int kSide = 40;    // margin left and right of the map
constexpr int kTop = 56;     // title above the map
constexpr int kBottom = 120; // legend and caption below it
constexpr int kMinWidth = 640;

struct Frame {
    double scale = 1; // pixels per metre
    double left = 0, top = 0;
    const ShadeGrid* g = nullptr;
    QPointF At(PlanXY p) const {
        return {left + (p.x - g->x0) * scale, top + (g->y0 + g->ny * g->cell - p.y) * scale};
    }
};

Frame FrameOf(const ShadePlotInput& in) {
    Frame f;
    f.g = &in.map->grid;
    const double w = in.map->grid.nx * in.map->grid.cell, h = in.map->grid.ny * in.map->grid.cell;
    f.scale = kMapMaxPixels / std::max(w, h);
    const QSize size = ShadePlotSize(in);
    f.left = (size.width() - w * f.scale) / 2;
    f.top = kTop;
    return f;
}

std::vector<double> BandLimits(const ShadePlotInput& in) {
    std::vector<double> limits;
    for (const ShadeLevelLines& c : in.contours)
        limits.push_back(c.hours);
    if (limits.empty())
        limits = {1, 2, 3, 4, 5};
    return limits;
}

// Pale yellow for little shade through orange and red to violet for the
// most; no band is grey, which the buildings are.
QColor BandColour(std::size_t band, std::size_t bands) {
    static const QColor stops[] = {QColor(255, 244, 176), QColor(255, 200, 100),
                                   QColor(240, 120, 90), QColor(190, 70, 150), QColor(90, 60, 170)};
    const double t = bands > 1 ? static_cast<double>(band) / static_cast<double>(bands - 1) : 1;
    const double at = t * 4;
    const int k = std::min(3, static_cast<int>(at));
    const double u = at - k;
    const QColor& a = stops[k];
    const QColor& b = stops[k + 1];
    return QColor::fromRgbF(static_cast<float>(a.redF() + u * (b.redF() - a.redF())),
                            static_cast<float>(a.greenF() + u * (b.greenF() - a.greenF())),
                            static_cast<float>(a.blueF() + u * (b.blueF() - a.blueF())));
}

QString HoursText(double h) {
    return std::fabs(h - std::round(h)) < 1e-9 ? QString::number(std::lround(h))
                                               : QString::number(h, 'f', 1);
}

void DrawLabel(QPainter& g, QPointF at, double angleDeg, const QString& text, QColor colour) {
    g.save();
    g.translate(at);
    // Plan angles turn counter-clockwise; the picture's y runs down.
    g.rotate(-angleDeg);
    const QRectF box = g.fontMetrics().boundingRect(text).adjusted(-2, 0, 2, 0);
    const QRectF r(-box.width() / 2, -box.height() / 2, box.width(), box.height());
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(255, 255, 255, 220));
    g.drawRect(r);
    g.setPen(colour);
    g.drawText(r, Qt::AlignCenter, text);
    g.restore();
}

// The box a label takes at `at`, turned with it.
QPolygonF LabelBox(const QFontMetrics& fm, QPointF at, double angleDeg, const QString& text) {
    const QRectF box = fm.boundingRect(text).adjusted(-2, 0, 2, 0);
    QTransform t;
    t.translate(at.x(), at.y());
    t.rotate(-angleDeg);
    return t.map(QPolygonF(QRectF(-box.width() / 2, -box.height() / 2, box.width(), box.height())));
}

struct LabelSpot {
    PlanXY at;
    double angleDeg = 0;
};

// Where a line's label may go: its own place first, then points spread
// along the line, each with the line's direction there.
std::vector<LabelSpot> LabelSpots(const PlanLine& l) {
    std::vector<LabelSpot> spots{{l.label, l.labelAngleDeg}};
    double total = 0;
    for (std::size_t i = 1; i < l.points.size(); ++i)
        total += std::hypot(l.points[i].x - l.points[i - 1].x, l.points[i].y - l.points[i - 1].y);
    if (!(total > 0))
        return spots;
    for (const double fraction : {0.25, 0.75, 0.1, 0.9, 0.4, 0.6}) {
        double left = fraction * total;
        for (std::size_t i = 1; i < l.points.size(); ++i) {
            const PlanXY& a = l.points[i - 1];
            const PlanXY& b = l.points[i];
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            if (len < left || len <= 0) {
                left -= len;
                continue;
            }
            const double u = left / len;
            double angle = std::atan2(b.y - a.y, b.x - a.x) * 180 / std::numbers::pi;
            if (angle > 90)
                angle -= 180;
            else if (angle <= -90)
                angle += 180;
            spots.push_back({{a.x + u * (b.x - a.x), a.y + u * (b.y - a.y)}, angle});
            break;
        }
    }
    return spots;
}

QPolygonF Polyline(const Frame& f, const std::vector<PlanXY>& points) {
    QPolygonF out;
    for (const PlanXY& p : points)
        out << f.At(p);
    return out;
}

double LineLength(const PlanLine& l) {
    double len = 0;
    for (std::size_t i = 1; i < l.points.size(); ++i)
        len += std::hypot(l.points[i].x - l.points[i - 1].x, l.points[i].y - l.points[i - 1].y);
    return len;
}

// A round length near a fifth of the map's width.
double ScaleBarMetres(double widthMetres) {
    const double target = widthMetres / 5;
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    for (const double m : {5.0, 2.0, 1.0})
        if (m * p <= target)
            return m * p;
    return p;
}

} // namespace

QSize ShadePlotSize(const ShadePlotInput& in) {
    if (!in.map || in.map->grid.nx <= 0 || in.map->grid.ny <= 0)
        return {kMinWidth, 480};
    const double w = in.map->grid.nx * in.map->grid.cell, h = in.map->grid.ny * in.map->grid.cell;
    const double scale = kMapMaxPixels / std::max(w, h);
    return {std::max(kMinWidth, static_cast<int>(std::ceil(w * scale)) + 2 * kSide),
            static_cast<int>(std::ceil(h * scale)) + kTop + kBottom};
}

void DrawShadePlot(QPainter& g, const ShadePlotInput& in) {
    const QSize size = ShadePlotSize(in);
    g.setRenderHint(QPainter::Antialiasing);
    g.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QFont font = g.font();
    font.setPixelSize(15);
    g.setFont(font);
    g.setPen(Qt::black);
    g.drawText(QRectF(10, 6, size.width() - 20, kTop - 10), Qt::AlignCenter | Qt::TextWordWrap,
               in.title);
    if (!in.map || in.map->grid.nx <= 0 || in.map->grid.ny <= 0)
        return;
    const ShadeMap& map = *in.map;
    const ShadeGrid& grid = map.grid;
    const Frame f = FrameOf(in);
    const QRectF mapRect(f.At({grid.x0, grid.y0 + grid.ny * grid.cell}),
                         f.At({grid.x0 + grid.nx * grid.cell, grid.y0}));

    // Colour bands: one pixel per cell, north row first, drawn unsmoothed.
    const std::vector<double> limits = BandLimits(in);
    const std::size_t bands = limits.size() + 1;
    QImage cells(grid.nx, grid.ny, QImage::Format_ARGB32);
    for (int j = 0; j < grid.ny; ++j) {
        auto* line = reinterpret_cast<QRgb*>(cells.scanLine(grid.ny - 1 - j));
        for (int i = 0; i < grid.nx; ++i) {
            const double h = map.At(i, j);
            if (std::isnan(h) || !(h > 1e-9)) {
                line[i] = qRgba(255, 255, 255, 0);
                continue;
            }
            const std::size_t band = static_cast<std::size_t>(
                std::upper_bound(limits.begin(), limits.end(), h + 1e-9) - limits.begin());
            line[i] = BandColour(band, bands).rgba();
        }
    }
    g.setRenderHint(QPainter::SmoothPixmapTransform, false);
    g.drawImage(mapRect, cells);
    g.setPen(QPen(QColor(120, 120, 120), 1));
    g.setBrush(Qt::NoBrush);
    g.drawRect(mapRect);

    // The lines first, the buildings over them (lines run on across a
    // building's cells), the labels last.
    for (const ShadeOutline& o : in.hourly)
        for (const PlanLine& l : o.lines) {
            g.setPen(QPen(QColor(200, 60, 60, 200), 0.8, Qt::DashLine));
            g.setBrush(Qt::NoBrush);
            g.drawPolyline(Polyline(f, l.points));
        }
    for (const ShadeLevelLines& c : in.contours)
        for (const PlanLine& l : c.lines) {
            g.setPen(QPen(QColor(20, 20, 60), 1.8));
            g.setBrush(Qt::NoBrush);
            g.drawPolyline(Polyline(f, l.points));
        }

    // Buildings: grey, hatched where no height was measured.
    for (std::size_t k = 0; k < in.footprints.size(); ++k) {
        const Footprint& b = in.footprints[k];
        if (b.ring.size() < 3)
            continue;
        const bool measured = k < in.measured.size() && in.measured[k];
        g.setPen(QPen(QColor(40, 40, 40), 1.2));
        g.setBrush(QColor(measured ? 120 : 235, measured ? 120 : 235, measured ? 120 : 235));
        g.drawPolygon(Polyline(f, b.ring));
        if (!measured) {
            g.setBrush(QBrush(QColor(90, 90, 90), Qt::BDiagPattern));
            g.drawPolygon(Polyline(f, b.ring));
        }
    }

    // Short lines go unlabelled, and so does a line with no place for its
    // label off the buildings, inside the map and clear of the labels
    // already written; each hour is named once, on its longest line. The
    // contours' labels come first: they are the map's result.
    const double labelLength = 0.08 * std::max(grid.nx * grid.cell, grid.ny * grid.cell);
    std::vector<QPolygonF> placed;
    auto place = [&](const PlanLine& l, const QString& text, QColor colour) {
        if (LineLength(l) < labelLength)
            return;
        for (const LabelSpot& spot : LabelSpots(l)) {
            const bool onBuilding =
                std::any_of(in.footprints.begin(), in.footprints.end(), [&](const Footprint& b) {
                    return b.ring.size() >= 3 && RingContains(b.ring, spot.at);
                });
            if (onBuilding)
                continue;
            const QPointF at = f.At(spot.at);
            const QPolygonF box = LabelBox(g.fontMetrics(), at, spot.angleDeg, text);
            if (!mapRect.contains(box.boundingRect()))
                continue;
            if (std::any_of(placed.begin(), placed.end(),
                            [&](const QPolygonF& p) { return p.intersects(box); }))
                continue;
            DrawLabel(g, at, spot.angleDeg, text, colour);
            placed.push_back(box);
            return;
        }
    };
    QFont bold = font;
    bold.setPixelSize(12);
    bold.setBold(true);
    g.setFont(bold);
    for (const ShadeLevelLines& c : in.contours)
        for (const PlanLine& l : c.lines)
            place(l, HoursText(c.hours) + QStringLiteral("h"), QColor(20, 20, 60));
    QFont small = font;
    small.setPixelSize(11);
    g.setFont(small);
    for (const ShadeOutline& o : in.hourly) {
        const PlanLine* longest = nullptr;
        for (const PlanLine& l : o.lines)
            if (!longest || LineLength(l) > LineLength(*longest))
                longest = &l;
        if (longest)
            place(*longest, QString::fromStdString(o.time), QColor(160, 30, 30));
    }

    // North arrow in the top right corner of the map.
    g.setFont(font);
    const QPointF tip = mapRect.topRight() + QPointF(-28, 12);
    QPolygonF arrow;
    arrow << tip << tip + QPointF(9, 30) << tip + QPointF(0, 24) << tip + QPointF(-9, 30);
    g.setPen(QPen(QColor(0, 120, 0), 1.2));
    g.setBrush(QColor(0, 176, 0));
    g.drawPolygon(arrow);
    g.setPen(QColor(0, 120, 0));
    g.drawText(QRectF(tip.x() - 15, tip.y() + 30, 30, 20), Qt::AlignCenter, QStringLiteral("N"));

    // Scale bar below the map on the left.
    const double metres = ScaleBarMetres(grid.nx * grid.cell);
    const QPointF s0 = mapRect.bottomLeft() + QPointF(0, 18);
    const QPointF s1 = s0 + QPointF(metres * f.scale, 0);
    g.setPen(QPen(Qt::black, 2));
    g.drawLine(s0, s1);
    g.drawLine(s0, s0 + QPointF(0, -6));
    g.drawLine(s1, s1 + QPointF(0, -6));
    g.setFont(small);
    g.drawText(QRectF(s1.x() + 6, s0.y() - 10, 80, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1 m").arg(metres));

    // Legend of the bands to the right of the scale bar.
    double x = s1.x() + 70;
    const double y = s0.y() - 8;
    for (std::size_t b = 0; b < bands; ++b) {
        const QString text =
            b == 0 ? QStringLiteral("< %1 h").arg(HoursText(limits[0]))
            : b + 1 == bands
                ? QStringLiteral("≥ %1 h").arg(HoursText(limits[b - 1]))
                : QStringLiteral("%1–%2 h").arg(HoursText(limits[b - 1]), HoursText(limits[b]));
        g.setPen(QPen(QColor(120, 120, 120), 1));
        g.setBrush(BandColour(b, bands));
        g.drawRect(QRectF(x, y, 14, 14));
        g.setPen(Qt::black);
        const double w = g.fontMetrics().horizontalAdvance(text) + 6;
        g.drawText(QRectF(x + 18, y - 2, w, 18), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += 18 + w + 10;
    }
    g.setFont(font);
    g.setPen(Qt::black);
    g.drawText(QRectF(10, s0.y() + 16, size.width() - 20, kBottom - 40),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, in.caption);
}

QImage ShadePlotImage(const ShadePlotInput& in) {
    QImage image(ShadePlotSize(in), QImage::Format_RGB32);
    QPainter g(&image);
    DrawShadePlot(g, in);
    return image;
}

QByteArray ShadePlotBytes(const ShadePlotInput& in, bool svg) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        const QSize size = ShadePlotSize(in);
        QSvgGenerator gen;
        gen.setOutputDevice(&buffer);
        gen.setSize(size);
        gen.setViewBox(QRect(QPoint(0, 0), size));
        gen.setTitle(in.title);
        QPainter g(&gen);
        DrawShadePlot(g, in);
    } else {
        if (!ShadePlotImage(in).save(&buffer, "PNG"))
            return {};
    }
    return bytes;
}

} // namespace velmora
