// SPDX-License-Identifier: GPL-3.0-or-later
// The plan map: zoom levels, the automatic choice of a level, and the
// drawings of the map, its scale bar and north arrow as lists of primitives
// in canvas units (one unit per pixel, y up, origin 380 pixels from the left
// and 326 pixels from the top of the canvas). A plan point (X, Y) in metres
// is drawn at (X, Y) times the map rate of the level in pixels per metre.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "data/BuildingData.h"
#include "data/DrawList.h"

namespace velmora {

inline constexpr int kMapLevelCount = 41;
inline constexpr Count kMaxMapLevel = 40;

// The fixed canvas of the plan map.
inline constexpr double kCanvasLeft = -380;
inline constexpr double kCanvasTop = 326;
inline constexpr double kCanvasWidth = 781;
inline constexpr double kCanvasHeight = 653;

struct MapScaleTables {
    std::array<float, kMapLevelCount> gMapRate{};        // pixels per metre
    std::array<float, kMapLevelCount> gMapScaleLength{}; // scale bar in metres
    std::array<std::string, kMapLevelCount> gMapScaleLabel{};
};

// Fills the 41 zoom levels.
void InitMapScaleTables(MapScaleTables& t);

// A position on the canvas (y up) and one in pixels (y down).
struct MapPoint {
    double x = 0;
    double y = 0;
};
struct PixelPoint {
    double x = 0;
    double y = 0;
};
// Canvas position to pixel position inside the canvas.
inline PixelPoint CanvasToPixel(double x, double y) {
    return {x - kCanvasLeft, kCanvasTop - y};
}

// The largest level at which three scale-bar lengths exceed the east-west
// extent of all plan points (0 when none qualifies).
Count ChooseFlatMapScale(const BuildingData& d, const MapScaleTables& t);

// The zoom tool: left button one level in (at most 40), right button one
// level out (at least 0).
Count ZoomLevelAfterClick(Count level, bool leftButton);

inline constexpr Rgb kScaleBarColour{0, 0, 200};
inline constexpr Rgb kScaleLabelColour{0, 0, 192};
inline constexpr Rgb kNorthArrowColour{0, 176, 0};
inline constexpr Rgb kNorthUpRoofColour{255, 128, 255};
// The label of a roof whose outline crosses itself.
inline constexpr Rgb kCrossedOutlineColour{230, 0, 0};
inline constexpr int kCaptionPointSize = 16;
inline constexpr int kLabelPointSize = 14;

// A drawing of the map and the state the view keeps from it.
struct MapDrawing {
    DrawList ops;
    float flatMapRate = 0;               // pFlatMapRate after the drawing
    DrawMode modeAfter = DrawMode::Copy; // the drawing mode the drawing leaves
    std::optional<SelectBox> marks;      // handles drawn (the view remembers the box)
};

// Where a roof's height label goes: the mean of all points of its run, the
// closing point included, times the rate; nullopt for an empty run.
std::optional<MapPoint> LabelPosition(const BuildingData& d, Count roof, float flatMapRate);

// The label text: whole metres followed by "m".
std::string HeightLabel(float height);

// A roof's label on the map: its height label, or kUnknownHeightLabel when
// no height was measured (no wall line, or one drawn upwards). "0m" would
// read as a measured height.
inline constexpr const char* kUnknownHeightLabel = "不明";
std::string RoofLabel(const BuildingData& d, Count roof);

// Where the map's caption "平面図表示" goes (its top-left corner).
inline constexpr double kFlatCaptionY = 300;

// The map itself at `level`, roof `active` highlighted (-1 none).
MapDrawing DrawFlatLineMap(const BuildingData& d, const MapScaleTables& t, Count level,
                           Count active, double captionY = kFlatCaptionY);

// The level whose rate is `rate`; nullopt when no level has it.
std::optional<Count> MapLevelOfRate(const MapScaleTables& t, float rate);

// The scale bar of `level` and its label, drawn in `mode`.
DrawList DrawMapScaleBar(const MapScaleTables& t, Count level, DrawMode mode);
// True when the map has a building to measure: a map without one gets no
// scale bar, whose length would stand for nothing.
bool MapHasBuildings(const BuildingData& d);

// The north arrow and its "N", drawn in `mode`.
DrawList DrawNorthArrow(DrawMode mode);

// The whole map: chooses the level, draws map, scale bar and arrow.
struct FlatMapView {
    Count level = 0; // the new gMapScaleIndex
    MapDrawing drawing;
};
FlatMapView ShowFlatLineMap(const BuildingData& d, const MapScaleTables& t, Count active);

// The map at `level` turned by gNorthAngle so that north is up, without
// highlight or caption. With no roofs it only clears the drawing and leaves
// the drawing mode as it was (modeAfter is then meaningless).
MapDrawing DrawNorthUpFlatMap(const BuildingData& d, const MapScaleTables& t, Count level);

// What a change of the north direction redraws: the north-up map, then the
// scale bar and the arrow in the mode the map left (`currentMode` when the
// map drew nothing).
DrawList UpdateNorthAngleOps(const BuildingData& d, const MapScaleTables& t, Count level,
                             DrawMode currentMode);

} // namespace velmora
