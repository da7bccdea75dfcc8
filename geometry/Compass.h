// SPDX-License-Identifier: GPL-3.0-or-later
// The north-direction dial: where its point sits for a bearing, what a typed
// bearing does, and where a dropped point snaps to. Compass units run from
// -100 to 100 both ways, y up; the point is a 20 x 20 image placed by its
// top-left corner, so its centre is (Left + 10, Top - 10). Bearings are
// degrees clockwise from the picture's upward direction.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

inline constexpr double kCompassRadius = 90;
inline constexpr double kCompassPointHalf = 10;

struct CompassPoint {
    float left = 0;
    float top = 0;
    double CentreX() const { return left + kCompassPointHalf; }
    double CentreY() const { return top - kCompassPointHalf; }
    friend bool operator==(const CompassPoint&, const CompassPoint&) = default;
};

// The point placed on the circle of radius 90 in the direction of bearing b.
// Bearings outside 0 ... 360 (from a project file) are taken modulo 360;
// a bearing that is not a number points north.
CompassPoint PlaceCompassPoint(double b);

// The point with its centre at (x, y).
CompassPoint CompassPointAt(double x, double y);

// The point pointing north: centre (0, 90).
inline CompassPoint NorthCompassPoint() {
    return CompassPointAt(0, kCompassRadius);
}

inline constexpr std::string_view kBelowRangeMessage = "設定範囲を下まわっています。";
inline constexpr std::string_view kAboveRangeMessage = "設定範囲を超えています。";

// What Enter in the bearing box does.
struct TypedBearing {
    std::string_view message; // message box text; empty when the value was accepted
    bool replaceText = false; // the box text becomes `text`
    std::string text;
    CompassPoint point;
    float northAngle = 0;     // the new gNorthAngle
    bool updateNorth = false; // redraw what depends on the north direction
};
TypedBearing EnterTypedBearing(std::string_view boxText);

// One mouse-move step of the dragged point: it follows the pointer position
// (x, y), reported relative to the point's top-left corner, slowly.
CompassPoint DragCompassPoint(CompassPoint p, float x, float y);

// Dropping the point snaps it onto the circle in the direction it was let go.
struct CompassDrop {
    double bearing = 0; // the new gNorthAngle (not rounded)
    std::string text;   // the box text, whole degrees
    CompassPoint point;
};
CompassDrop DropCompassPoint(CompassPoint p);

} // namespace velmora
