// SPDX-License-Identifier: GPL-3.0-or-later
// Buildings from map data: every polygon of a vector file GDAL's OGR reads
// (GeoJSON, GeoPackage, Shapefile, KML, OpenStreetMap XML and PBF, ...) as a
// prism standing in the plan frame of an origin, placed by the same
// projection the exports use. Only the features whose extent meets a box are
// read, through OGR's spatial filter, so that a country's file is streamed,
// never loaded whole.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/Footprints.h"

namespace velmora::gis {

// WGS84 degrees.
struct LonLatBox {
    double west = 0, south = 0, east = 0, north = 0;
};

struct GisReadOptions {
    double latitude = 0, longitude = 0; // the origin of the plan frame
    // The field that holds a building's height in metres. For OpenStreetMap
    // data, the tag; "building:levels" x 3 m stands in where it is missing.
    std::string heightField = "height";
    std::optional<LonLatBox> bbox; // none: every feature
};

// One prism: its footprint in the plan frame (roof is -1: the feature is
// named by `feature`), from `base` up to footprint.height.
struct GisBuilding {
    Footprint footprint;
    double base = 0;     // min_height, metres above the ground
    std::string feature; // "feature 12", "way 4711", "relation 9"
    std::string file;    // as given to ReadGisBuildings
};

struct GisRead {
    std::string file;
    // Why nothing could be read at all (not opened, no polygon layer);
    // empty when the file was read.
    std::string failure;
    std::vector<GisBuilding> buildings;
    // Features left out for want of a height (no field, empty, zero): how
    // many, and the first hundred by name.
    std::size_t unmeasuredCount = 0;
    std::vector<std::string> unmeasured;
    bool noHeightField = false; // no layer has the height field
    // Features left out for a fault in their data: one line each,
    // "FEATURE: REASON".
    std::vector<std::string> problems;
    std::size_t polygonFeatures = 0; // polygon features met in the box
    // Polygons with inner rings (courtyards), read as their outer ring:
    // how many, and the first hundred by name. From a point outside the
    // outer ring nothing changes (a line of sight or a shadow reaching a
    // courtyard crosses the outer walls first); points in a courtyard count
    // as inside the building.
    std::size_t filledCount = 0;
    std::vector<std::string> filled;
};

// The one heights read from text: a decimal number of metres, optionally
// followed by "m"; within 0 ... 1000. Returns the reason when it is not.
std::optional<std::string> HeightProblem(const std::string& text, double& metres);

// Reads the buildings of one file. Only regular files are opened (no
// virtual file systems, no connection strings), read-only, by the vector
// drivers of map formats, without network access.
GisRead ReadGisBuildings(const std::string& path, const GisReadOptions& options);

// The building whose footprint holds the point, if any.
std::optional<std::size_t> GisBuildingAt(std::span<const GisBuilding> buildings, PlanXY p);

// The box around plan points (metres), grown by `margin` metres, in WGS84.
LonLatBox BoxAround(std::span<const PlanXY> points, double margin, double latitude,
                    double longitude);

} // namespace velmora::gis
