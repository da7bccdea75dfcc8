// velmora-cli skymask: the elevation mask that the buildings cast at a
// receiver, as the plain text GNSS tools read and as a polar sky plot.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "geometry/SkyMask.h"

namespace velmora::cli {

struct SkyPlotInput {
    std::vector<double> mask; // one elevation per degree of azimuth
    QString title;
    const SunDay* sun = nullptr;
    QString sunCaption; // the day, place and minutes
};

// The plot as PNG or SVG bytes (by the extension of `path`).
QByteArray SkyPlotBytes(const SkyPlotInput& in, const QString& path);

int SkyMaskCommand(const QStringList& args);

} // namespace velmora::cli
