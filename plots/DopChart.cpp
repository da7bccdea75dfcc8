// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/DopChart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "plots/PlotBytes.h"

namespace velmora::plots {

namespace {

constexpr double kPdopTop = 10; // PDOPs above are drawn on the top line
const QColor kOpen(120, 120, 130);
const QColor kCount(30, 90, 200);
const QColor kPdop(200, 40, 40);

struct Panel {
    QRectF box;
    double top = 1; // value at the top edge
    double spanHours = 1;
    QPointF At(double hours, double v) const {
        return {box.left() + box.width() * hours / spanHours,
                box.bottom() - box.height() * std::clamp(v / top, 0.0, 1.0)};
    }
};

void Frame(QPainter& g, const Panel& p, const QString& label, int ticks) {
    g.setPen(QPen(QColor(210, 210, 210), 1));
    for (int i = 1; i < ticks; ++i) {
        const double y = p.box.bottom() - p.box.height() * i / ticks;
        g.drawLine(QPointF(p.box.left(), y), QPointF(p.box.right(), y));
    }
    const int hourStep = p.spanHours > 12 ? 3 : (p.spanHours > 4 ? 1 : 0);
    if (hourStep > 0)
        for (int h = hourStep; h < p.spanHours; h += hourStep)
            g.drawLine(p.At(h, 0), p.At(h, p.top));
    g.setPen(QPen(Qt::black, 1));
    g.drawRect(p.box);
    for (int i = 0; i <= ticks; ++i) {
        const double v = p.top * i / ticks;
        const double y = p.box.bottom() - p.box.height() * i / ticks;
        g.drawText(QRectF(p.box.left() - 44, y - 8, 38, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v, 'g', 3));
    }
    g.save();
    g.translate(p.box.left() - 50, p.box.center().y());
    g.rotate(-90);
    g.drawText(QRectF(-p.box.height() / 2, -18, p.box.height(), 16), Qt::AlignCenter, label);
    g.restore();
}

void Series(QPainter& g, const Panel& p, const DopChartInput& in, const QPen& pen,
            std::optional<double> (*value)(const DopChartEpoch&)) {
    g.setPen(pen);
    QPainterPath path;
    bool open = false;
    for (const DopChartEpoch& e : in.epochs) {
        const std::optional<double> v = value(e);
        if (!v) {
            open = false;
            continue;
        }
        const QPointF at = p.At(e.hours, *v);
        if (open)
            path.lineTo(at);
        else
            path.moveTo(at);
        open = true;
    }
    g.drawPath(path);
}

} // namespace

QSize DopChartSize() {
    return {820, 620};
}

void DrawDopChart(QPainter& g, const DopChartInput& in, QSize size) {
    g.setRenderHint(QPainter::Antialiasing);
    g.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), Qt::white);
    QFont font = g.font();
    font.setPixelSize(13);
    g.setFont(font);
    g.setPen(Qt::black);
    g.drawText(QRectF(10, 6, size.width() - 20, 36), Qt::AlignHCenter | Qt::TextWordWrap, in.title);

    const double left = 70, right = size.width() - 20.0;
    const double span = in.spanHours > 0 ? in.spanHours : 1;
    int most = 4;
    for (const DopChartEpoch& e : in.epochs)
        most = std::max(most, e.open);
    const double countTop = std::ceil((most + 1) / 4.0) * 4;
    const double h = (size.height() - 150) / 2.0;
    const Panel counts{QRectF(left, 56, right - left, h), countTop, span};
    const Panel pdop{QRectF(left, 56 + h + 24, right - left, h), kPdopTop, span};
    Frame(g, counts, in.texts.counts, static_cast<int>(countTop / 4));
    Frame(g, pdop, in.texts.pdop, 5);

    // 4 satellites and PDOP 6: the limits of a usable position.
    g.setPen(QPen(QColor(60, 160, 60), 1, Qt::DashLine));
    g.drawLine(counts.At(0, 4), counts.At(span, 4));
    g.drawLine(pdop.At(0, 6), pdop.At(span, 6));

    Series(g, counts, in, QPen(kOpen, 1.5),
           [](const DopChartEpoch& e) { return std::optional<double>(e.open); });
    Series(g, counts, in, QPen(kCount, 2),
           [](const DopChartEpoch& e) { return std::optional<double>(e.withBuildings); });
    Series(g, pdop, in, QPen(kOpen, 1.5), [](const DopChartEpoch& e) { return e.openPdop; });
    Series(g, pdop, in, QPen(kPdop, 2), [](const DopChartEpoch& e) { return e.withBuildingsPdop; });

    // Hours along the bottom.
    g.setPen(Qt::black);
    const int step = span > 12 ? 3 : (span > 4 ? 1 : 0);
    for (int hour = 0; step > 0 && hour <= span; hour += step) {
        const QPointF at = pdop.At(hour, 0);
        g.drawText(QRectF(at.x() - 20, at.y() + 4, 40, 16), Qt::AlignCenter, QString::number(hour));
    }
    if (step == 0) {
        g.drawText(QRectF(pdop.box.left() - 20, pdop.box.bottom() + 4, 40, 16), Qt::AlignCenter,
                   QStringLiteral("0"));
        g.drawText(QRectF(pdop.box.right() - 30, pdop.box.bottom() + 4, 60, 16), Qt::AlignCenter,
                   QString::number(span, 'g', 3));
    }
    g.drawText(QRectF(left, pdop.box.bottom() + 20, right - left, 18), Qt::AlignCenter,
               in.timeAxis);

    // Legend.
    const double y = size.height() - 26.0;
    // Each key at its place, or after the one before where that is longer.
    const QFontMetricsF metrics(g.font());
    double after = left;
    auto key = [&](double x, const QPen& pen, const QString& text) {
        x = std::max(x, after);
        g.setPen(pen);
        g.drawLine(QPointF(x, y), QPointF(x + 28, y));
        g.setPen(Qt::black);
        g.drawText(QPointF(x + 34, y + 5), text);
        after = x + 34 + metrics.horizontalAdvance(text) + 16;
    };
    key(left, QPen(kOpen, 1.5), in.texts.openSky);
    key(left + 140, QPen(kCount, 2), in.texts.seen);
    key(left + 380, QPen(kPdop, 2), in.texts.pdopSeen);
    g.setPen(Qt::black);
    g.drawText(QRectF(left, y + 8, right - left, 16), Qt::AlignLeft, in.texts.gaps.arg(kPdopTop));
}

QByteArray DopChartBytes(const DopChartInput& in, const QString& path) {
    return PictureBytes(DopChartSize(), path, in.title,
                        [&](QPainter& g) { DrawDopChart(g, in, DopChartSize()); });
}

} // namespace velmora::plots
