// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-time map's files: the grid of hours as JSON, the lines as WGS84
// GeoJSON and the plan map's drawing input, for velmora-cli and the window.
#pragma once

#include <QByteArray>
#include <QString>

#include "plots/ShadeMapPlot.h"
#include "predict/Shadow.h"

namespace velmora {

QByteArray ShadowJson(const predict::ShadowResult& s, const predict::ShadowRequest& r);
// Contour lines (property hours) and hourly outlines (property time) as
// WGS84 GeoJSON.
QByteArray ShadowGeoJson(const predict::ShadowResult& s, const predict::ShadowRequest& r);
// The plan map's drawing input, its title and caption in the language;
// `name` is the project's file name.
ShadePlotInput ShadowPlotInput(const predict::ShadowResult& s, const predict::ShadowRequest& r,
                               const QString& name,
                               predict::Language language = predict::Language::English);
// The summary velmora-cli prints without outputs.
QByteArray ShadowSummary(const predict::ShadowResult& s, const predict::ShadowRequest& r,
                         const QString& file);

} // namespace velmora
