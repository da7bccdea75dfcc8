// SPDX-License-Identifier: GPL-3.0-or-later
// The plan frame on the map: metres east and north of the ground point at
// the picture centre (the origin) and WGS84 longitude and latitude, through
// a transverse Mercator projection centred on the origin. Every export and
// every reader of map data goes through this one projection, so that a
// footprint exported and read back lands where it was.
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/CameraModel.h"

namespace velmora::gis {

// PROJ could not set up the projection (`Reason()` is PROJ's word), or a
// point lies too far from the origin to be placed.
class ProjectionError : public std::runtime_error {
  public:
    enum class Kind { Setup, TooFar };
    ProjectionError(Kind kind, const std::string& message, std::string reason = {})
        : std::runtime_error(message), kind_(kind), reason_(std::move(reason)) {}
    Kind WhatFailed() const { return kind_; }
    const std::string& Reason() const { return reason_; }

  private:
    Kind kind_;
    std::string reason_;
};

// Degrees rounded to the 7 decimals every map file carries (about 1 cm).
double Degrees7(double v);

// The projection as PROJ reads it: a transverse Mercator centred on the
// origin, scale 1, no false easting or northing, on the WGS84 ellipsoid.
// Rasters in plan metres carry it as their CRS.
std::string PlanDefinition(double latitude, double longitude);

class PlanProjection {
  public:
    PlanProjection(double latitude, double longitude);
    ~PlanProjection();
    PlanProjection(const PlanProjection&) = delete;
    PlanProjection& operator=(const PlanProjection&) = delete;

    double Latitude() const { return latitude_; }
    double Longitude() const { return longitude_; }

    // In place: x, y in metres become longitude, latitude in degrees;
    // throws ProjectionError for a point too far from the origin.
    void ToLonLat(std::vector<std::array<double, 2>>& points) const;
    // In place: longitude, latitude in degrees become x, y in metres. A
    // point the projection cannot place becomes NaN.
    void ToPlan(std::vector<std::array<double, 2>>& points) const;

  private:
    double latitude_, longitude_;
    struct Pj;
    Pj* pj_;
};

using Ring = std::vector<std::array<double, 2>>;

// One building: closed outer rings, counter-clockwise, [lon, lat] in degrees
// rounded to 7 decimals, the first corner repeated at the end. One ring, or
// one on each side of the antimeridian for a building that straddles it
// (cut at exactly 180 and -180 degrees).
struct BuildingPolygon {
    Count roof = 0;
    std::optional<double> height; // metres; none when it was not measured
    std::vector<Ring> parts;
    bool selfIntersecting = false; // see OutlineCrossesItself
};

// Roofs that are not exported, and why.
struct LeftOut {
    std::vector<Count> noArea;
    std::vector<Count> crossing; // the outline crosses itself
};

// The north-up footprints placed around the ground point at the picture
// centre (latitude, longitude in degrees). Roofs without an area are left
// out and named in `leftOut`; so are roofs whose outline crosses itself,
// unless `keepCrossing`, which keeps them marked selfIntersecting.
std::vector<BuildingPolygon> BuildingPolygons(const BuildingData& d, double latitude,
                                              double longitude, LeftOut* leftOut = nullptr,
                                              bool keepCrossing = false);

// A closed ring cut at the antimeridian: longitudes continuous around the
// origin's (they may run past 180 or -180) in, rings within -180 ... 180 out.
std::vector<Ring> CutAtAntimeridian(const Ring& ring);

// Plan points (metres east and north of that ground point) as [lon, lat]
// in degrees rounded to 7 decimals, placed as the footprints are.
std::vector<std::array<double, 2>> PlanToLonLat(const std::vector<PlanXY>& points, double latitude,
                                                double longitude);

} // namespace velmora::gis
