// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/PlanMarks.h"

#include <algorithm>
#include <cmath>

#include "drawing/FlatMap.h"

namespace velmora {

namespace {

// Above the roof's height label, which hangs from the same point.
constexpr double kNumberRise = 16;

void AppendReceiver(DrawList& ops, double x, double y, Rgb c) {
    const double r = kReceiverRadius;
    ops.push_back(DrawOp::Circle(x, y, r, c, DrawMode::Copy));
    ops.push_back(DrawOp::Line(x - 2 * r, y, x + 2 * r, y, c, DrawMode::Copy));
    ops.push_back(DrawOp::Line(x, y - 2 * r, x, y + 2 * r, c, DrawMode::Copy));
}

} // namespace

std::string RoofNumberLabel(Count roof) {
    return "#" + std::to_string(roof);
}

PlanXY PlanPointOfNorthUp(const BuildingData& d, PlanXY p) {
    const double a = d.gNorthAngle * kDegToRad;
    double x = p.x, y = p.y;
    RotateAboutPoint(x, y, 0, 0, -std::sin(a), std::cos(a));
    return {x, y};
}

DrawList PlanMarkOps(const BuildingData& d, float flatMapRate, const PlanMarkState& s) {
    DrawList ops;
    const double rate = flatMapRate;
    if (!(rate > 0) || !std::isfinite(rate))
        return ops;
    for (const std::vector<PlanXY>& ring : s.mapDataRings) {
        for (std::size_t i = 0; i < ring.size() && ring.size() > 1; ++i) {
            const PlanXY a = PlanPointOfNorthUp(d, ring[i]);
            const PlanXY b = PlanPointOfNorthUp(d, ring[(i + 1) % ring.size()]);
            ops.push_back(DrawOp::Line(a.x * rate, a.y * rate, b.x * rate, b.y * rate,
                                       kMapDataBuildingColour, DrawMode::Copy));
        }
    }
    if (s.roofNumbers) {
        const int roofs = std::clamp<int>(d.gEachTopAreaNumber, 0, static_cast<int>(kRoofCapacity));
        for (int r = 0; r < roofs; ++r)
            if (const auto at = LabelPosition(d, static_cast<Count>(r), flatMapRate))
                ops.push_back(
                    DrawOp::Text(at->x, at->y + kNumberRise, RoofNumberLabel(static_cast<Count>(r)),
                                 kRoofNumberPointSize, true, kRoofNumberColour, DrawMode::Copy));
    }
    if (s.receiver) {
        const PlanXY p = PlanPointOfNorthUp(d, *s.receiver);
        AppendReceiver(ops, p.x * rate, p.y * rate,
                       s.picking ? kPickedReceiverColour : kReceiverColour);
    }
    return ops;
}

} // namespace velmora
