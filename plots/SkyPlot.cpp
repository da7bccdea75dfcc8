// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/SkyPlot.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "plots/PlotBytes.h"

namespace velmora::plots {

namespace {

constexpr int kPlotWidth = 640;
constexpr int kPlotHeight = 720;
constexpr double kPlotRadius = 260;
const QPointF kPlotCentre(320, 330);

// Zenith at the centre, the horizon on the outer ring, north up, east to
// the right: the sky as GNSS sky plots show it.
QPointF SkyPoint(double azimuthDeg, double elevationDeg) {
    const double r = kPlotRadius * (90 - std::clamp(elevationDeg, 0.0, 90.0)) / 90;
    const double a = azimuthDeg * std::numbers::pi / 180;
    return kPlotCentre + QPointF(r * std::sin(a), -r * std::cos(a));
}

// Where a track's id stands: the point where it rises above the mask.
struct TrackLabel {
    std::size_t track = 0, point = 0;
    QPointF at;
};

std::vector<TrackLabel> RisingPoints(const SkyPlotInput& in) {
    using S = SkyTrackPoint::State;
    std::vector<TrackLabel> out;
    for (std::size_t k = 0; k < in.tracks.size(); ++k) {
        const SkyTrack& t = in.tracks[k];
        for (std::size_t i = 0; i < t.points.size(); ++i) {
            const SkyTrackPoint& p = t.points[i];
            const bool rises = p.state != S::BelowMask &&
                               (i == 0 || !p.joined || t.points[i - 1].state == S::BelowMask);
            if (rises)
                out.push_back({k, i, SkyPoint(p.azimuth, p.elevation)});
        }
    }
    return out;
}

// Many satellites rise at the mask's edge near one another: their ids are
// spread so that each stays readable, a thin line back to its point where
// it had to move.
std::vector<QRectF> LabelBoxes(QPainter& g, const SkyPlotInput& in,
                               const std::vector<TrackLabel>& labels) {
    const QFontMetricsF m(g.font());
    std::vector<QPointF> anchors;
    std::vector<QSizeF> sizes;
    for (const TrackLabel& l : labels) {
        anchors.push_back(l.at);
        sizes.emplace_back(m.horizontalAdvance(in.tracks[l.track].label), m.ascent() + m.descent());
    }
    // drawText(at + (4, -4)) puts the baseline 4 pixels above the point.
    return SpreadLabels(anchors, sizes, QPointF(4, -4 - m.ascent()),
                        QRectF(0, 0, kPlotWidth, kPlotHeight));
}

// Tracks: solid where the satellite is seen, hollow (a wide line with a
// white core, which reads apart from both the solid and the dashed ones)
// where only a reflection reaches the receiver, dashed where a building
// blocks it, thin and light below the mask; each piece of one style is one
// line so that its dashes run on. The id stands where the track rises
// above the mask.
void DrawTracks(QPainter& g, const SkyPlotInput& in) {
    using S = SkyTrackPoint::State;
    QFont small = g.font();
    small.setPixelSize(11);
    const QFont keep = g.font();
    g.setFont(small);
    const std::vector<TrackLabel> labels = RisingPoints(in);
    const std::vector<QRectF> boxes = LabelBoxes(g, in, labels);
    const double ascent = QFontMetricsF(small).ascent();
    g.setFont(keep);
    std::size_t next = 0;
    for (std::size_t k = 0; k < in.tracks.size(); ++k) {
        const SkyTrack& t = in.tracks[k];
        const QColor light = QColor::fromHsvF(t.colour.hsvHueF(), 0.25, 0.85);
        auto pen = [&](S style) {
            switch (style) {
            case S::BelowMask:
                return QPen(light, 1);
            case S::Blocked:
                return QPen(t.colour, 1.4, Qt::DashLine, Qt::FlatCap);
            case S::Reflected:
                return QPen(t.colour, 3.6, Qt::SolidLine, Qt::RoundCap);
            case S::Visible:
                break;
            }
            return QPen(t.colour, 2.2, Qt::SolidLine, Qt::RoundCap);
        };
        QPolygonF run;
        S style = S::Visible;
        auto flush = [&] {
            if (run.size() > 1) {
                g.setPen(pen(style));
                g.drawPolyline(run);
                if (style == S::Reflected) {
                    g.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap));
                    g.drawPolyline(run);
                }
            }
            run.clear();
        };
        for (std::size_t i = 1; i < t.points.size(); ++i) {
            const SkyTrackPoint& a = t.points[i - 1];
            const SkyTrackPoint& b = t.points[i];
            if (!b.joined) {
                flush();
                continue;
            }
            // A piece takes the worse of its ends' states.
            const auto has = [&](S x) { return a.state == x || b.state == x; };
            const S s = has(S::BelowMask)   ? S::BelowMask
                        : has(S::Blocked)   ? S::Blocked
                        : has(S::Reflected) ? S::Reflected
                                            : S::Visible;
            if (s != style || run.isEmpty()) {
                flush();
                style = s;
                run << SkyPoint(a.azimuth, a.elevation);
            }
            run << SkyPoint(b.azimuth, b.elevation);
        }
        flush();
        g.setFont(small);
        for (; next < labels.size() && labels[next].track == k; ++next) {
            const QPointF at = labels[next].at;
            const QRectF& box = boxes[next];
            g.setPen(Qt::NoPen);
            g.setBrush(t.colour);
            g.drawEllipse(at, 2.5, 2.5);
            g.setBrush(Qt::NoBrush);
            const QPointF usual = at + QPointF(4, -4 - ascent);
            if (QLineF(box.topLeft(), usual).length() > box.height()) {
                // Moved away: a hairline from the point to the id's box.
                const QPointF end(std::clamp(at.x(), box.left(), box.right()),
                                  std::clamp(at.y(), box.top(), box.bottom()));
                g.setPen(QPen(t.colour.lighter(130), 0.6));
                g.drawLine(at, end);
            }
            g.setPen(t.colour.darker(140));
            if (box.topLeft() == usual)
                g.drawText(at + QPointF(4, -4), t.label);
            else
                g.drawText(QPointF(box.left(), box.top() + ascent), t.label);
        }
        g.setFont(keep);
    }
    if (!in.trackCaption.isEmpty()) {
        g.setPen(Qt::black);
        g.drawText(QRectF(10, kPlotHeight - 80, kPlotWidth - 20, 70),
                   Qt::AlignHCenter | Qt::TextWordWrap, in.trackCaption);
    }
}

void DrawLegend(QPainter& g, const std::vector<LegendEntry>& legend) {
    if (legend.empty())
        return;
    // In the top-left corner, outside the horizon's ring.
    double y = 52;
    for (const LegendEntry& e : legend) {
        g.setPen(QPen(e.colour, 2.2));
        g.drawLine(QPointF(12, y), QPointF(36, y));
        g.setPen(Qt::black);
        g.drawText(QPointF(42, y + 5), e.label);
        y += 17;
    }
}

} // namespace

void DrawSkyPlot(QPainter& g, const SkyPlotInput& in) {
    g.setRenderHint(QPainter::Antialiasing);
    g.fillRect(QRectF(0, 0, kPlotWidth, kPlotHeight), Qt::white);
    QFont font = g.font();
    font.setPixelSize(14);
    g.setFont(font);
    g.setPen(Qt::black);
    g.drawText(QRectF(10, 8, kPlotWidth - 20, 40), Qt::AlignHCenter | Qt::TextWordWrap, in.title);

    // The mask: the band between the horizon and the buildings' tops.
    QPainterPath mask;
    mask.setFillRule(Qt::OddEvenFill);
    mask.addEllipse(kPlotCentre, kPlotRadius, kPlotRadius);
    QPolygonF tops;
    const std::size_t n = in.mask.size();
    for (std::size_t i = 0; i < n; ++i)
        tops << SkyPoint(360.0 * static_cast<double>(i) / static_cast<double>(n), in.mask[i]);
    mask.addPolygon(tops);
    mask.closeSubpath();
    g.fillPath(mask, QColor(150, 150, 160));
    g.setPen(QPen(QColor(70, 70, 80), 1.5));
    g.drawPolygon(tops);

    // Rings at 0, 30 and 60 degrees, spokes every 30 degrees of azimuth.
    g.setPen(QPen(QColor(90, 90, 90), 1));
    g.setBrush(Qt::NoBrush);
    for (const int el : {0, 30, 60}) {
        const double r = kPlotRadius * (90 - el) / 90;
        g.drawEllipse(kPlotCentre, r, r);
        g.drawText(SkyPoint(0, el) + QPointF(4, 14), QStringLiteral("%1°").arg(el));
    }
    for (int az = 0; az < 360; az += 30) {
        g.drawLine(kPlotCentre, SkyPoint(az, 0));
        static const QStringList kCardinal{QStringLiteral("N"), QStringLiteral("E"),
                                           QStringLiteral("S"), QStringLiteral("W")};
        const QString label =
            az % 90 == 0 ? in.cardinal.value(az / 90, kCardinal[az / 90]) : QString::number(az);
        const double a = az * std::numbers::pi / 180;
        const QPointF at = kPlotCentre + QPointF((kPlotRadius + 18) * std::sin(a),
                                                 -(kPlotRadius + 18) * std::cos(a));
        g.drawText(QRectF(at.x() - 20, at.y() - 10, 40, 20), Qt::AlignCenter, label);
    }

    DrawTracks(g, in);
    DrawLegend(g, in.legend);

    if (in.sun) {
        // The sun's path: yellow in direct sun, dark red where blocked.
        const std::vector<SunMinute>& s = in.sun->minutes;
        for (std::size_t i = 1; i < s.size(); ++i) {
            if (s[i].hours - s[i - 1].hours > 1.5 / 60)
                continue;
            g.setPen(QPen(s[i].blocked ? QColor(150, 30, 30) : QColor(240, 170, 0), 3));
            g.drawLine(SkyPoint(s[i - 1].azimuth, s[i - 1].elevation),
                       SkyPoint(s[i].azimuth, s[i].elevation));
        }
        g.setPen(Qt::black);
        g.setBrush(QColor(240, 170, 0));
        for (const SunMinute& m : s) {
            // Hourly marks on the first minute of each hour.
            if (std::lround(m.hours * 60 - 0.5) % 60 != 0)
                continue;
            const QPointF at = SkyPoint(m.azimuth, m.elevation);
            g.drawEllipse(at, 4, 4);
            g.drawText(at + QPointF(6, -6), QString::number(static_cast<int>(m.hours)));
        }
        g.setBrush(Qt::NoBrush);
        g.drawText(QRectF(10, kPlotHeight - 80, kPlotWidth - 20, 70),
                   Qt::AlignHCenter | Qt::TextWordWrap, in.sunCaption);
    }
}

std::vector<QRectF> SpreadLabels(const std::vector<QPointF>& anchors,
                                 const std::vector<QSizeF>& sizes, QPointF offset, QRectF bounds) {
    std::vector<QRectF> placed;
    placed.reserve(anchors.size());
    auto free = [&](const QRectF& r) {
        if (!bounds.contains(r))
            return false;
        for (const QRectF& other : placed)
            if (other.intersects(r))
                return false;
        return true;
    };
    constexpr int kRings = 8, kSteps = 16;
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        const QSizeF size = i < sizes.size() ? sizes[i] : QSizeF();
        const QRectF usual(anchors[i] + offset, size);
        QRectF chosen = usual;
        bool found = free(usual);
        // Rings a line's height apart, each tried all the way round.
        for (int ring = 1; ring <= kRings && !found; ++ring) {
            const double radius = ring * std::max(size.height(), 1.0);
            for (int step = 0; step < kSteps && !found; ++step) {
                const double a = 2 * std::numbers::pi * step / kSteps;
                const QRectF r = usual.translated(radius * std::cos(a), radius * std::sin(a));
                if (free(r)) {
                    chosen = r;
                    found = true;
                }
            }
        }
        placed.push_back(chosen);
    }
    return placed;
}

QSize SkyPlotSize() {
    return {kPlotWidth, kPlotHeight};
}

QByteArray SkyPlotBytes(const SkyPlotInput& in, const QString& path) {
    return PictureBytes(SkyPlotSize(), path, in.title, [&](QPainter& g) { DrawSkyPlot(g, in); });
}

} // namespace velmora::plots
