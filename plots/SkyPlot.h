// SPDX-License-Identifier: GPL-3.0-or-later
// The polar sky plot: the elevation mask the buildings cast, shaded, with
// the sun's path of a day or satellites' tracks over it.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

#include "geometry/SkyMask.h"

class QPainter;

namespace velmora::plots {

// A satellite's track: one point per epoch while it is above the horizon;
// a point starts a new piece of line when `joined` is false.
struct SkyTrackPoint {
    double azimuth = 0, elevation = 0;
    enum class State { Visible, Blocked, BelowMask, Reflected } state = State::Visible;
    bool joined = true;
};
struct SkyTrack {
    QString label;
    QColor colour;
    std::vector<SkyTrackPoint> points;
};

// One row of the plot's key: a colour and what it stands for.
struct LegendEntry {
    QString label;
    QColor colour;
};

struct SkyPlotInput {
    std::vector<double> mask; // one elevation per degree of azimuth
    QString title;
    const SunDay* sun = nullptr;
    QString sunCaption; // the day, place and minutes
    std::vector<SkyTrack> tracks;
    QString trackCaption;
    // North, east, south, west as the plot's language writes them (empty:
    // N, E, S, W).
    QStringList cardinal;
    std::vector<LegendEntry> legend; // empty: no key
};

// Places text boxes of `sizes` near their `anchors` so that no two
// overlap where the room allows: each box stands first at `offset` from
// its anchor (top-left corner), else at the nearest free place on rings
// around it, within `bounds`. Boxes come back in the anchors' order.
std::vector<QRectF> SpreadLabels(const std::vector<QPointF>& anchors,
                                 const std::vector<QSizeF>& sizes, QPointF offset, QRectF bounds);

QSize SkyPlotSize();
void DrawSkyPlot(QPainter& g, const SkyPlotInput& in);
// The plot as PNG or SVG bytes (by the extension of `path`).
QByteArray SkyPlotBytes(const SkyPlotInput& in, const QString& path);

} // namespace velmora::plots
