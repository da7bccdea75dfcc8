// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-time map drawn as a plan: north up, buildings, shade-time colour
// bands, lines of equal shade time and hourly shadow outlines, with a north
// arrow, a scale bar and a legend.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "geometry/ShadeMap.h"

class QPainter;

namespace velmora {

struct ShadePlotInput {
    const ShadeMap* map = nullptr;
    std::vector<Footprint> footprints;     // every roof with an outline
    std::vector<bool> measured;            // per footprint: has a height
    std::vector<ShadeLevelLines> contours; // ascending hours
    std::vector<ShadeOutline> hourly;
    QString title;
    QString caption;
};

// The picture's size in pixels for a map.
QSize ShadePlotSize(const ShadePlotInput& in);

void DrawShadePlot(QPainter& g, const ShadePlotInput& in);

QImage ShadePlotImage(const ShadePlotInput& in);

// PNG bytes, or SVG bytes when `svg`; empty when the drawing fails.
QByteArray ShadePlotBytes(const ShadePlotInput& in, bool svg);

} // namespace velmora
