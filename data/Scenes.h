// SPDX-License-Identifier: GPL-3.0-or-later
// The two built-in scenes: the buildings of the two sample pictures, as the
// guided demos show them and as the sample data sets load them. Each scene is
// stored once; the demo that draws it by hand (demo 1) uses the scene of
// sample picture 2, the one-click demo (demo 2) that of sample picture 1.
#pragma once

#include <span>
#include <string_view>

#include "data/BuildingData.h"

namespace velmora {

struct SceneRoof {
    Count start;  // first point in the scene's point list
    Count count;  // number of points, the closing repeat of the first included
    float height; // metres
};

struct SceneWall {
    PicturePoint upper; // on the roof outline
    PicturePoint lower; // at the ground
    Count owner;        // roof index
};

// Texts of the four altitude boxes, in the order the loaders write them.
struct AltitudeTexts {
    std::string_view verHeightm;   // VerHeightmTxt (metres)
    std::string_view incliHeightm; // IncliHeightmTxt (metres)
    std::string_view verHeight;    // VerHeightTxt (feet)
    std::string_view incliHeight;  // IncliHeightTxt (feet)
};

// The four shared view parameters that go with a scene.
struct SceneViewParameters {
    float sourceHeight; // gSourceHeight
    float flatHeight;   // gFlatHeight
    float slideHeight;  // gSlideHeight
    float slideAngle;   // gSlideAngle
};

struct DemoScene {
    std::span<const PicturePoint> points;     // picture coordinates
    std::span<const PicturePoint> planPoints; // metres, one per point
    std::span<const SceneRoof> roofs;
    std::span<const SceneWall> walls;
    std::span<const PicturePoint> clickPoints; // one per roof; empty when unused

    ViewGeometry demoView; // PhotoPic of the demo window
    SceneViewParameters view;
    AltitudeTexts demoTexts;
    float flatMapRate; // plan-map pixels per metre
};

// Scene of demo n (1 or 2).
const DemoScene& DemoSceneFor(int demo);

// What a sample data set sets besides its tables; the main window applies
// these (view geometry, view parameters, then the boxes) before the tables.
struct SampleDataValues {
    float northAngle;
    ViewGeometry view;
    SceneViewParameters parameters;
    AltitudeTexts texts; // metre boxes: plain number text of the two altitudes
    const DemoScene* scene;
};

// Values of sample data set n (1 or 2).
const SampleDataValues& SampleDataFor(int set);

// Altitude presets written into the four boxes by loading sample picture n.
const AltitudeTexts& SamplePicturePresets(int picture);

// Size in pixels of sample picture n.
struct PictureSize {
    int width;
    int height;
};
PictureSize SamplePictureSize(int picture);

// Scene whose buildings sample picture n shows.
const DemoScene& SamplePictureScene(int picture);

// The two greys (floor of the mean of R, G and B) of the buildings in sample
// picture n: every roof of the scene is filled with `roof`, its wall faces
// with `wall`. No other pixel of the picture comes near the roof grey, so the
// one-click tracer finds the roofs by it.
struct BuildingGreys {
    int roof;
    int wall;
};
BuildingGreys SamplePictureGreys(int picture);

// Width of the view on which the scene's heights and plan corners were
// measured (the plan corners are the camera model's answer for that width).
float SceneMeasuringWidth(int picture);

// Writes the counts and table entries of a scene into the record: points
// (with their plan coordinates, or 0 without), roofs with status 1 and
// their heights, wall lines. Entries past the new counts keep what they
// held. False (record untouched) when the scene exceeds a capacity.
bool LoadSceneTables(BuildingData& d, const DemoScene& s, bool withPlanPoints);

// Writes the counts and table entries of sample data set n into the record:
// points (plan coordinates 0), roofs with status 1 and their heights, wall
// lines. The record is not cleared first: entries past the new counts keep
// what they held. Returns false (record untouched) for any other n.
bool LoadSampleDataTables(BuildingData& d, int set);

} // namespace velmora
