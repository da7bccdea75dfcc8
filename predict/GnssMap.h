// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS prediction over a plan grid: at every cell centre among the
// buildings, the share of epochs with a position, the satellites in direct
// view, the PDOP, the longest outage and the satellites reached by a
// reflection. The satellites' places are computed once per epoch for all
// cells; the cells are shared among the machine's cores. A band of the grid's
// rows (a tile) can be computed alone, so that tiles run anywhere mosaic into
// the whole grid.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "predict/Feedback.h"
#include "predict/Gnss.h"
#include "predict/Parameters.h"

namespace velmora::predict {

const Algorithm& GnssMapAlgorithm();

inline constexpr int kMapBands = 5;
// The value of a cell without figures: inside a footprint, or without an
// epoch of complete ephemerides (every band), or never four satellites in
// view (the PDOP band).
inline constexpr float kMapNodata = -9999.0f;
// Beyond this many cells a grid takes more memory than a map needs.
inline constexpr double kMaxMapCells = 16e6;

// The bands' English descriptions, in order.
std::array<const char*, kMapBands> MapBandNames();

struct GnssMapRequest {
    GnssRequest gnss;                      // settings.at is not used
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0; // the outermost cell centres, plan metres
    double cell = 2;
    int minSatellites = 4;
    double maxPdop = 6;
    int tile = 1, tiles = 1; // the tile-th of `tiles` bands of rows
};

// The cell centres of a request: columns west to east from x0, rows north
// to south from the top; the tile's rows are firstRow ... lastRow - 1.
struct MapGrid {
    int columns = 0, rows = 0;
    int firstRow = 0, lastRow = 0;
    double west = 0, north = 0; // the centre of column 0, row 0
    double cell = 0;
    double X(int column) const { return west + column * cell; }
    double Y(int row) const { return north - row * cell; }
    int TileRows() const { return lastRow - firstRow; }
};

// The rows of tile `tile` of `tiles` among `rows`: as even as whole rows
// allow, together every row once, in order.
std::pair<int, int> TileRows(int rows, int tile, int tiles);

// "X0,Y0,X1,Y1" as four numbers (throws Failure NotANumber or BadSettings);
// "I/N" as two whole numbers (throws Failure BadSettings).
std::array<double, 4> ParseArea(std::string_view text);
std::pair<int, int> ParseTile(std::string_view text);

// Throws Failure for values outside their declarations, an area without
// extent or beyond the reach of a receiver, too many cells, a tile that is
// not one of the grid's; the rest as Validate(GnssRequest).
MapGrid Validate(const GnssMapRequest& r);

struct GnssMap {
    MapGrid grid;
    // Per band, the tile's rows north first, each west to east.
    std::array<std::vector<float>, kMapBands> bands;
    gnss::Buildings buildings;
    std::size_t epochs = 0, incompleteEpochs = 0;
    std::size_t satellites = 0;
    std::size_t insideCells = 0; // nodata: inside a footprint
    float At(int band, int row, int column) const {
        return bands[static_cast<std::size_t>(band)][static_cast<std::size_t>(row - grid.firstRow) *
                                                         static_cast<std::size_t>(grid.columns) +
                                                     static_cast<std::size_t>(column)];
    }
};

// Reads the ephemerides and computes the tile's cells on `threads` threads
// (0: every core). Throws Failure as RunGnss does, but for receivers inside
// roofs, which are nodata cells. Nothing when the feedback cancels. Warns as
// RunGnss does.
std::optional<GnssMap> RunGnssMap(std::span<const Footprint> plan, const GnssMapRequest& r,
                                  Feedback& feedback, unsigned threads = 0);

} // namespace velmora::predict
