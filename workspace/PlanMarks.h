// SPDX-License-Identifier: GPL-3.0-or-later
// What the prediction dialogs show on the plan map over the roofs: each
// roof's number (the number their texts name it by), the receiver, and the
// buildings read from map data, in a colour of their own. Drawn in canvas
// units as the plan map draws the roofs (plan metres times the map rate,
// unturned); the receiver and the map data come in the north-up frame.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/BuildingData.h"
#include "data/DrawList.h"
#include "geometry/CameraModel.h"

namespace velmora {

inline constexpr Rgb kRoofNumberColour{0, 60, 200};
inline constexpr Rgb kReceiverColour{230, 40, 0};
// While it is picked, the receiver follows the mouse in this colour.
inline constexpr Rgb kPickedReceiverColour{0, 150, 230};
inline constexpr Rgb kMapDataBuildingColour{0, 140, 120};
inline constexpr int kRoofNumberPointSize = 11;
inline constexpr double kReceiverRadius = 6;

struct PlanMarkState {
    bool roofNumbers = false;
    std::optional<PlanXY> receiver;                // north-up plan metres
    bool picking = false;                          // the receiver is being picked
    std::vector<std::vector<PlanXY>> mapDataRings; // north-up plan metres
};

// A roof's number as the dialogs' texts and the map name it: "#4".
std::string RoofNumberLabel(Count roof);

// The inverse of NorthUpPoint: where a north-up point lies in the plan
// frame the plan map draws.
PlanXY PlanPointOfNorthUp(const BuildingData& d, PlanXY p);

// The marks; none without a map rate.
DrawList PlanMarkOps(const BuildingData& d, float flatMapRate, const PlanMarkState& s);

} // namespace velmora
