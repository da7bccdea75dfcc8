// SPDX-License-Identifier: GPL-3.0-or-later
// The one record of everything known about the buildings of the current
// inclined picture and the two camera views. The program holds exactly one
// instance (owned by the main window); core routines take it by reference so
// tests can build their own.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "data/Conventions.h"
#include "data/PicturePoint.h"

namespace velmora {

inline constexpr std::size_t kPointCapacity = 2001;
inline constexpr std::size_t kRoofCapacity = 501;
inline constexpr std::size_t kWallCapacity = 801;
inline constexpr std::size_t kTiltTableSize = 33;
inline constexpr std::size_t kSplitFieldCapacity = 51;
inline constexpr std::size_t kPathFieldCapacity = 31;

// Picture view geometry stored with a project (line 2 of the project file).
struct ViewGeometry {
    float height = 0;
    float width = 0;
    float top = 0;
    float left = 0;
    friend bool operator==(const ViewGeometry&, const ViewGeometry&) = default;
};

// The picture view's sunken frame: this many pixels on each side, included
// in the view size a project stores.
inline constexpr int kViewBorder = 2;

struct BuildingData {
    // View parameters.
    float gNorthAngle = 0;
    float gSourceHeight = 0;
    float gSlideHeight = 0;
    float gFlatHeight = 0;
    float gSlideAngle = 0;
    float gPhotoMetrePerUnit = 0;

    // Point store: the outline points of all roofs, back to back.
    Count gTopAreaPointTotalNumber = 0;
    std::array<float, kPointCapacity> gTopAreaX{};
    std::array<float, kPointCapacity> gTopAreaY{};
    std::array<float, kPointCapacity> gFlatTopAreaX{};
    std::array<float, kPointCapacity> gFlatTopAreaY{};

    // Roof table.
    Count gEachTopAreaNumber = 0;
    std::array<Count, kRoofCapacity> gEachTopAreaStartNum{};
    std::array<Count, kRoofCapacity> gEachTopAreaPointNum{};
    std::array<Count, kRoofCapacity> gEachClosedTopAreaSTS{};
    std::array<float, kRoofCapacity> gFlatTopHeight{};

    // Wall table.
    Count gWallEdgeNumber = 0;
    std::array<float, kWallCapacity> gFirstWallEdgeX{};
    std::array<float, kWallCapacity> gFirstWallEdgeY{};
    std::array<float, kWallCapacity> gSecondWallEdgeX{};
    std::array<float, kWallCapacity> gSecondWallEdgeY{};
    std::array<Count, kWallCapacity> gWallEdgefotEachTopArea{};

    // Tilt table: altitude ratio (decreasing) -> tilt in degrees.
    std::array<float, kTiltTableSize> gTiltRatioTable{};
    std::array<float, kTiltTableSize> gTiltAngleTable{};

    // Run-time flags (not saved).
    VBool gTempDataSTS = kFalse;
    VBool gDemoRunning = kFalse;
    Count gDemoNumber = 0;
    std::string gAppPath;
    std::array<std::string, kSplitFieldCapacity> gSplitField{};
    std::array<std::string, kPathFieldCapacity> gPathField{};

    BuildingData();
};

// Result of an append: refused appends leave the record untouched.
enum class AppendResult { Ok, PointStoreFull, RoofTableFull, WallTableFull, TooFewPoints };

// Clears the point, wall and roof slots the reset covers and the three
// counts. View parameters, flags and file names are left alone. (Resetting
// the change count and switching the view belong to the main window.)
void ResetAllDataBuildingData(BuildingData& d);

// Appends a closed roof outline (its last point repeats its first) as a new
// roof with status 1 and height 0. Refused as a whole when the point store or roof table
// would overflow.
AppendResult AppendTopArea(BuildingData& d, const std::vector<PicturePoint>& outline);

// Appends a wall line owned by roof `owner`.
AppendResult AppendWallEdge(BuildingData& d, PicturePoint upper, PicturePoint lower, Count owner);

// Fills the tilt table (part of the record's initial state).
void InitTiltTable(BuildingData& d);

} // namespace velmora
