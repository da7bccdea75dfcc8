// SPDX-License-Identifier: GPL-3.0-or-later
// Shade-time maps: how long each point of a horizontal measuring plane lies
// in the buildings' shadows over a period of one day. Every footprint is a
// prism from its base (mostly the ground) up to its height; only the part
// above the plane can shade it. Plan positions are metres in the north-up plan frame (x east,
// y north), as the sky mask and the plan map use them.
//
// Cells: the grid's cell (i, j) stands for the point at its centre,
// (x0 + (i + 1/2) c, y0 + (j + 1/2) c). A cell is in shade at an instant when
// its centre lies inside or on the boundary of some building's shadow, and
// it is null (no value) when its centre lies inside or on a footprint.
//
// Time: the period is sampled at the middle of every step (one minute by
// default), each sample standing for the whole step; an instant whose sun
// centre is not above the horizon (refracted, as the sky mask's sun path)
// casts no building shade and is counted apart.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/Footprints.h"
#include "geometry/SunPosition.h"

namespace velmora {

// Apparent minus mean solar time in minutes at the Julian day `jd` (Meeus,
// Astronomical Algorithms, eq. 28.3; good to a few seconds).
double EquationOfTimeMinutes(double jd);

// Universal time (hours counted from 0:00 UT of the date; may be negative or
// past 24) at which the true solar time at `longitude` (degrees, east
// positive) is `solarHours` on that date.
double SolarToUtHours(int year, int month, int day, double solarHours, double longitude);

// The cell grid of a map.
struct ShadeGrid {
    double x0 = 0, y0 = 0; // south-west corner, metres
    double cell = 1;       // cell size, metres
    int nx = 0, ny = 0;    // columns (east), rows (north)
    PlanXY Centre(int i, int j) const { return {x0 + (i + 0.5) * cell, y0 + (j + 0.5) * cell}; }
};

// Grids beyond this many cells take more memory than a map is worth; no
// computation takes them.
inline constexpr double kMaxShadeCells = 16e6;
// Plan points farther than this from the origin (metres) are no town block.
inline constexpr double kMaxShadeReach = 1e6;

// The grid around the footprints' bounding box widened by `margin` metres on
// every side, its corner on a multiple of the cell size. Empty (nx = ny = 0)
// without footprints. A side past an int's range, and every side of a grid
// reaching beyond kMaxShadeReach, is the largest int: above kMaxShadeCells.
ShadeGrid GridAround(std::span<const Footprint> footprints, double margin, double cell);

// The period of one day.
struct ShadePeriod {
    int year = 2000, month = 12, day = 21;
    double fromHours = 8, toHours = 16; // of the day in the chosen time
    bool solarTime = true;              // true solar time at the site's longitude
    double utcOffset = 9;               // hours; for clock time only
    double stepMinutes = 1;
};

// One sampled instant: its time in the period's reckoning and the sun.
struct ShadeInstant {
    double hours = 0;     // period time of the day
    double azimuth = 0;   // degrees clockwise from north
    double elevation = 0; // refracted, degrees
};

// The sun at the middle of every step of the period.
std::vector<ShadeInstant> SampleInstants(const ShadePeriod& p, const SunSite& site);
// The sun at one instant of the period's reckoning.
ShadeInstant InstantAt(const ShadePeriod& p, const SunSite& site, double hours);

// The grid around the footprints and every shadow that `buildings` cast on
// the plane at the instants with the sun up, each followed at most `reach`
// metres from its building, widened by `margin` on every side; its corner
// on a multiple of the cell size. The frame of a map that shows the shade
// where it falls: no empty band where no shadow goes, no shadow cut short
// within the reach. Empty without footprints.
ShadeGrid GridAroundShadows(std::span<const Footprint> footprints,
                            std::span<const Footprint> buildings, double planeHeight,
                            std::span<const ShadeInstant> instants, double reach, double margin,
                            double cell);

// The cells shaded at one instant (1) or not (0), row j first; the shadows
// of the footprints taller than the plane.
std::vector<std::uint8_t> ShadowCells(std::span<const Footprint> buildings, const ShadeGrid& g,
                                      double planeHeight, const ShadeInstant& sun);

struct ShadeMap {
    ShadeGrid grid;
    std::vector<double> hours;   // per cell, row j first; NaN for a null cell
    int samples = 0;             // instants sampled
    int sunDownSamples = 0;      // of which the sun was not up
    double stepHours = 1.0 / 60; // each sample's share
    double At(int i, int j) const { return hours[static_cast<std::size_t>(j) * grid.nx + i]; }
};

// Called after each instant with (done, total); returning false cancels.
using ShadeProgress = std::function<bool(std::size_t, std::size_t)>;

// Shade time in hours of every cell. `buildings` cast shadows; `nullAreas`
// (typically every footprint, measured or not) make their cells null.
// Nothing when cancelled.
std::optional<ShadeMap> ComputeShadeMap(std::span<const Footprint> buildings,
                                        std::span<const Footprint> nullAreas, const ShadeGrid& g,
                                        double planeHeight, std::span<const ShadeInstant> instants,
                                        double stepHours, const ShadeProgress& progress = {});

// A polyline in plan metres with a place and direction for its label.
struct PlanLine {
    std::vector<PlanXY> points; // a closed line repeats its first point last
    bool closed = false;
    PlanXY label;
    double labelAngleDeg = 0; // of the line at the label, within (-90, 90]
};

// Lines of equal value `level` of a field over the grid (marching squares
// through the cell centres). Null cells take the mean of their valued
// neighbours first, so lines run on across buildings; the field is carried
// out to the grid's edge, so every line is closed or ends on that edge.
std::vector<PlanLine> LevelLines(std::span<const double> field, const ShadeGrid& g, double level);

// The lines of one level of shade time.
struct ShadeLevelLines {
    double hours = 0;
    std::vector<PlanLine> lines;
};

// The shadows' outline at one instant.
struct ShadeOutline {
    std::string time; // "09:00"
    std::vector<PlanLine> lines;
};

} // namespace velmora
