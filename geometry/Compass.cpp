// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/Compass.h"

#include <cmath>

#include "data/Conventions.h"
#include "geometry/CameraModel.h"

namespace velmora {

CompassPoint CompassPointAt(double x, double y) {
    return {static_cast<float>(x - kCompassPointHalf), static_cast<float>(y + kCompassPointHalf)};
}

CompassPoint PlaceCompassPoint(double b) {
    if (!std::isfinite(b))
        return NorthCompassPoint();
    if (b < 0 || b > 360)
        b = std::fmod(b, 360.0) + (b < 0 ? 360.0 : 0.0);
    // Mathematical angle, counter-clockwise from +x.
    double a = 90;
    if (b < 90)
        a = 90 - b;
    else if (b < 180)
        a = 360 - (b - 90);
    else if (b < 270)
        a = 270 - (b - 180);
    else if (b < 360)
        a = 180 - (b - 270);
    const double r = a * kDegToRad;
    return CompassPointAt(kCompassRadius * std::cos(r), kCompassRadius * std::sin(r));
}

TypedBearing EnterTypedBearing(std::string_view boxText) {
    TypedBearing t;
    const double v = ParseLeadingNumber(boxText);
    if (v < 0 || v > 360) {
        t.message = v < 0 ? kBelowRangeMessage : kAboveRangeMessage;
        t.replaceText = true;
        t.text = v < 0 ? "0" : "360";
        t.point = NorthCompassPoint();
        t.northAngle = 0;
        return t;
    }
    t.point = PlaceCompassPoint(v);
    t.northAngle = static_cast<float>(v);
    t.updateNorth = true;
    return t;
}

CompassPoint DragCompassPoint(CompassPoint p, float x, float y) {
    return {static_cast<float>(p.left + 0.02 * x), static_cast<float>(p.top - 0.02 * y)};
}

CompassDrop DropCompassPoint(CompassPoint p) {
    CompassDrop drop;
    const double cx = p.CentreX();
    const double cy = p.CentreY();
    double x = 0;
    double y = 0;
    if (cx == 0) {
        // Straight above or below the centre; at the centre itself the point
        // stays where it is and north is up.
        drop.bearing = cy < 0 ? 180 : 0;
        y = cy > 0 ? kCompassRadius : (cy < 0 ? -kCompassRadius : 0);
    } else {
        const double a = std::atan(cy / cx) * kRadToDeg;
        const double r = a * kDegToRad;
        const double side = cx > 0 ? 1 : -1;
        drop.bearing = (cx > 0 ? 90 : 270) - a;
        x = side * kCompassRadius * std::cos(r);
        y = side * kCompassRadius * std::sin(r);
    }
    drop.text = FormatWhole(drop.bearing);
    drop.point = CompassPointAt(x, y);
    return drop;
}

} // namespace velmora
