// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Records.h"

#include <QStringList>

namespace testsupport {

namespace {

std::string Text(const char* what, int index) {
    return std::string(what) + " " + std::to_string(index);
}

} // namespace

std::string InvariantViolation(const BuildingData& d) {
    using namespace velmora;
    if (d.gTopAreaPointTotalNumber < 0 || d.gTopAreaPointTotalNumber > Count(kPointCapacity))
        return "point total out of range";
    if (d.gEachTopAreaNumber < 0 || d.gEachTopAreaNumber > Count(kRoofCapacity))
        return "roof count out of range";
    if (d.gWallEdgeNumber < 0 || d.gWallEdgeNumber > Count(kWallCapacity))
        return "wall count out of range";
    int expectedStart = 0;
    for (int r = 0; r < d.gEachTopAreaNumber; ++r) {
        if (d.gEachTopAreaStartNum[r] != expectedStart)
            return Text("run not consecutive at roof", r);
        const int n = d.gEachTopAreaPointNum[r];
        if (n < 1)
            return Text("empty run of roof", r);
        if (d.gEachClosedTopAreaSTS[r] != 1)
            return Text("status not 1 for roof", r);
        const int s = expectedStart;
        if (s + n > d.gTopAreaPointTotalNumber)
            return Text("run past the point total, roof", r);
        if (d.gTopAreaX[s] != d.gTopAreaX[s + n - 1] || d.gTopAreaY[s] != d.gTopAreaY[s + n - 1])
            return Text("outline not closed, roof", r);
        expectedStart += n;
    }
    if (expectedStart != d.gTopAreaPointTotalNumber)
        return "point total is not the sum of the runs";
    for (int w = 0; w < d.gWallEdgeNumber; ++w)
        if (d.gWallEdgefotEachTopArea[w] < 0 ||
            d.gWallEdgefotEachTopArea[w] >= d.gEachTopAreaNumber)
            return Text("invalid owner of wall", w);
    return {};
}

void AddRoof(BuildingData& d, const Outline& corners, float height) {
    Outline closed = corners;
    if (!corners.empty())
        closed.push_back(corners.front());
    const int r = d.gEachTopAreaNumber;
    if (velmora::AppendTopArea(d, closed) == velmora::AppendResult::Ok)
        d.gFlatTopHeight[r] = height;
}

void AddWall(BuildingData& d, PicturePoint upper, PicturePoint lower, Count owner) {
    velmora::AppendWallEdge(d, upper, lower, owner);
}

Outline RoofPoints(const BuildingData& d, int r) {
    Outline out;
    if (r < 0 || r >= d.gEachTopAreaNumber)
        return out;
    for (int j = d.gEachTopAreaStartNum[r];
         j < d.gEachTopAreaStartNum[r] + d.gEachTopAreaPointNum[r]; ++j)
        out.push_back({d.gTopAreaX[j], d.gTopAreaY[j]});
    return out;
}

Outline ParsePoints(const QString& text) {
    Outline out;
    for (const QString& pair : text.split(';', Qt::SkipEmptyParts)) {
        const QStringList xy = pair.split(',');
        out.push_back({xy.value(0).toFloat(), xy.value(1).toFloat()});
    }
    return out;
}

QString PointsText(const Outline& points) {
    QStringList parts;
    for (const auto& p : points)
        parts << QString("%1,%2").arg(p.x).arg(p.y);
    return parts.join(';');
}

} // namespace testsupport
