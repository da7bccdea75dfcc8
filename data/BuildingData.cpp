// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/BuildingData.h"

namespace velmora {

namespace {

// Altitude ratio S/V (decreasing) against tilt in degrees. A smooth curve
// 46.82 * (1 - r)^1.3293 with two measured breakpoints laid in exactly:
// 102/598 -> 36.51477 and 134/589 -> 33.2212. Slot 0 holds ratio 1 so every
// admissible ratio (< 1) finds a slot before its match; slot 31 holds 0 so
// every positive ratio finds a match. Slot 32 is not searched.
constexpr std::array<float, kTiltTableSize> kTiltRatios = {1.0f,
                                                           0.95f,
                                                           0.90f,
                                                           0.85f,
                                                           0.80f,
                                                           0.75f,
                                                           0.70f,
                                                           0.65f,
                                                           0.60f,
                                                           0.55f,
                                                           0.50f,
                                                           0.45f,
                                                           0.40f,
                                                           0.36f,
                                                           0.32f,
                                                           0.29f,
                                                           0.26f,
                                                           0.24f,
                                                           static_cast<float>(134.0 / 589.0),
                                                           0.21f,
                                                           0.19f,
                                                           static_cast<float>(102.0 / 598.0),
                                                           0.15f,
                                                           0.13f,
                                                           0.11f,
                                                           0.09f,
                                                           0.07f,
                                                           0.05f,
                                                           0.035f,
                                                           0.02f,
                                                           0.01f,
                                                           0.0f,
                                                           0.0f};
constexpr std::array<float, kTiltTableSize> kTiltAngles = {
    0.0f,      0.8730286f, 2.193685f, 3.760492f, 5.512139f, 7.415465f, 9.449101f,
    11.59791f, 13.85052f,  16.19798f, 18.63306f, 21.14977f, 23.74304f, 25.86984f,
    28.04088f, 29.69712f,  31.37658f, 32.50879f, 33.2212f,  34.22554f, 35.38207f,
    36.51477f, 37.72331f,  38.90771f, 40.10111f, 41.30338f, 42.51438f, 43.73398f,
    44.65426f, 45.57926f,  46.19853f, 46.81986f, 46.81986f};

} // namespace

BuildingData::BuildingData() {
    InitTiltTable(*this);
}

void InitTiltTable(BuildingData& d) {
    d.gTiltRatioTable = kTiltRatios;
    d.gTiltAngleTable = kTiltAngles;
}

void ResetAllDataBuildingData(BuildingData& d) {
    // Every slot of the tables, not only the first ones: a record filled
    // past them would keep old points, walls and heights.
    for (auto* table : {&d.gTopAreaX, &d.gTopAreaY, &d.gFlatTopAreaX, &d.gFlatTopAreaY})
        table->fill(0);
    for (auto* table :
         {&d.gFirstWallEdgeX, &d.gFirstWallEdgeY, &d.gSecondWallEdgeX, &d.gSecondWallEdgeY})
        table->fill(0);
    d.gWallEdgefotEachTopArea.fill(0);
    for (auto* table : {&d.gEachTopAreaStartNum, &d.gEachTopAreaPointNum, &d.gEachClosedTopAreaSTS})
        table->fill(0);
    d.gFlatTopHeight.fill(0);
    d.gTopAreaPointTotalNumber = 0;
    d.gEachTopAreaNumber = 0;
    d.gWallEdgeNumber = 0;
}

AppendResult AppendTopArea(BuildingData& d, const std::vector<PicturePoint>& outline) {
    if (outline.empty())
        return AppendResult::TooFewPoints;
    const auto total = static_cast<std::size_t>(d.gTopAreaPointTotalNumber);
    const auto roofs = static_cast<std::size_t>(d.gEachTopAreaNumber);
    if (roofs + 1 > kRoofCapacity)
        return AppendResult::RoofTableFull;
    if (total + outline.size() > kPointCapacity)
        return AppendResult::PointStoreFull;
    d.gEachTopAreaStartNum[roofs] = static_cast<Count>(total);
    for (std::size_t i = 0; i < outline.size(); ++i) {
        d.gTopAreaX[total + i] = outline[i].x;
        d.gTopAreaY[total + i] = outline[i].y;
    }
    d.gTopAreaPointTotalNumber = static_cast<Count>(total + outline.size());
    d.gEachTopAreaPointNum[roofs] = static_cast<Count>(outline.size());
    d.gEachClosedTopAreaSTS[roofs] = 1;
    // A new roof has no height yet; the row may hold one of a removed roof.
    d.gFlatTopHeight[roofs] = 0;
    d.gEachTopAreaNumber = static_cast<Count>(roofs + 1);
    return AppendResult::Ok;
}

AppendResult AppendWallEdge(BuildingData& d, PicturePoint upper, PicturePoint lower, Count owner) {
    const auto n = static_cast<std::size_t>(d.gWallEdgeNumber);
    if (n + 1 > kWallCapacity)
        return AppendResult::WallTableFull;
    d.gFirstWallEdgeX[n] = upper.x;
    d.gFirstWallEdgeY[n] = upper.y;
    d.gSecondWallEdgeX[n] = lower.x;
    d.gSecondWallEdgeY[n] = lower.y;
    d.gWallEdgefotEachTopArea[n] = owner;
    d.gWallEdgeNumber = static_cast<Count>(n + 1);
    return AppendResult::Ok;
}

} // namespace velmora
