// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli shadow: shade-time maps of the buildings on a measuring plane
// over a period of one day. The computation and its outputs are shared with
// the window's shade-map dialog.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <vector>

#include "cli/CliSupport.h"
#include "data/BuildingData.h"
#include "geometry/ShadeMap.h"
#include "plots/ShadeMapPlot.h"

namespace velmora::cli {

struct ShadowRequest {
    ShadePeriod period;
    SunSite site;           // latitude and longitude of the ground point at the picture centre
    double planeHeight = 4; // metres above the ground
    double cell = 1;        // metres
    double extent = 50;     // metres around the buildings
    std::vector<double> contours{2, 3, 4, 5};
    bool hourly = false;
};

struct ShadowResult {
    ShadeMap map;
    std::vector<Footprint> footprints; // every roof with an outline
    std::vector<bool> measured;        // per footprint
    std::vector<Count> unmeasured;     // roofs left out: no measured height
    std::vector<ShadeLevelLines> contours;
    std::vector<ShadeOutline> hourly;
};

// Why there is no map; the window words it in its own language.
enum class ShadowProblem { NoRoofs, NoHeights, SunDown, GridTooLarge };
class ShadowFailure : public Failure {
  public:
    ShadowFailure(ShadowProblem problem, const QString& message)
        : Failure(message), problem(problem) {}
    ShadowProblem problem;
};

// "08:00" for 8 hours.
QString ClockText(double hours);

// The whole map; throws Failure when there is nothing to map (no roofs, no
// roof with a measured height, the sun below the horizon all period, a grid
// too large). Nothing when `progress` cancels.
// `extra` are prisms from map data, cast beside the project's buildings.
std::optional<ShadowResult> ComputeShadow(const BuildingData& d, const ShadowRequest& r,
                                          const ShadeProgress& progress = {},
                                          std::span<const Footprint> extra = {});

QByteArray ShadowJson(const ShadowResult& s, const ShadowRequest& r);
// Contour lines (property hours) and hourly outlines (property time) as
// WGS84 GeoJSON.
QByteArray ShadowGeoJson(const ShadowResult& s, const ShadowRequest& r);
// The plan map's drawing input; `name` is the project's file name.
ShadePlotInput ShadowPlotInput(const ShadowResult& s, const ShadowRequest& r, const QString& name);

int ShadowCommand(const QStringList& args);

} // namespace velmora::cli
