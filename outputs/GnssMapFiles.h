// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS map's files: a five-band GeoTIFF in the plan projection (metres
// east and north of the origin), the figures as JSON, and the picture of
// band 1 over the footprints, for velmora-cli and the window.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <span>

#include "predict/GnssMap.h"

namespace velmora {

// The tile's cells as GeoTIFF bytes: Float32 bands, nodata kMapNodata, each
// band described, pixels centred on the cell centres, the CRS the plan
// projection of the request's origin. Throws predict::Failure (Unexpected
// with GDAL's reason) when GDAL cannot make it.
QByteArray GnssMapGeoTiff(const predict::GnssMap& map, const predict::GnssMapRequest& r);

// Grid, period and every band's rows (north first; null for nodata).
QByteArray GnssMapJson(const predict::GnssMap& map, const predict::GnssMapRequest& r);

// Band 1 in colour over the plan, the footprints on top, with a legend, a
// scale bar and a north arrow; `title` heads it.
QImage GnssMapImage(const predict::GnssMap& map, std::span<const Footprint> plan,
                    const QString& title, const QString& caption);
// PNG bytes of the picture; empty when the drawing fails.
QByteArray GnssMapPng(const predict::GnssMap& map, std::span<const Footprint> plan,
                      const QString& title, const QString& caption);

// The colour of a band-1 value (percent of epochs with a position).
QColor PositionShareColour(double percent);

} // namespace velmora
