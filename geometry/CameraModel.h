// SPDX-License-Identifier: GPL-3.0-or-later
// The measuring core: an ideal pinhole camera tilted by theta (gSlideAngle)
// from the vertical, whose optical axis meets flat ground at the point seen
// at the picture centre at slant range F (gFlatHeight). The picture is an
// image plane at distance F whose width there is F / 0.85 metres.
//
// Routines that can meet an impossible step (a division by zero, a square
// root of a negative number, a ray parallel to the ground) return nullopt, and
// the record-level routines then leave the affected quantity as it was.
#pragma once

#include <optional>
#include <string>

#include "data/BuildingData.h"
#include "geometry/Altitudes.h"

namespace velmora {

inline constexpr double kDegToRad = 0.0174532925199433;
inline constexpr double kRadToDeg = 57.2957795130824;
// Picture width on the image plane is F / kImageWidthFactor.
inline constexpr double kImageWidthFactor = 0.85;

// Texts of the four altitude boxes.
struct AltitudeBoxTexts {
    std::string verFeet;     // VerHeightTxt
    std::string verMetres;   // VerHeightmTxt
    std::string incliFeet;   // IncliHeightTxt
    std::string incliMetres; // IncliHeightmTxt
};

struct PlanXY {
    double x = 0;
    double y = 0;
};

// Tilt in degrees for the altitude ratio S/V from the tilt table, -1 when the
// ratio is outside (0, 1) or the table has no match.
double TiltFromRatio(const BuildingData& d, double ratio);

// arccos(S / F) in degrees, computed as atan(sqrt((F/S)^2 - 1)); nullopt when
// S is 0 or F < S.
std::optional<double> TiltFromAltitudes(double slantRange, double altitude);

// Derives gSourceHeight, gSlideAngle, gFlatHeight, gSlideHeight and
// gPhotoMetrePerUnit from the altitude boxes and the picture view's scale
// width W. A step that cannot be evaluated is skipped and its quantity keeps
// its previous value.
void UpdateViewGeometry(BuildingData& d, const AltitudeBoxTexts& boxes, double pictureWidth);

// Height in metres of a wall line whose ends lie at image-plane heights a
// and b (metres, either order).
std::optional<double> WallHeight(double thetaRad, double slantRange, double a, double b);

// Plan position (metres) of a point seen at image-plane position (x, y) that
// lies h metres above the ground.
std::optional<PlanXY> PlanPoint(double thetaRad, double slantRange, double x, double y, double h);

// Image-plane position (metres) at which the plan point (planX, planY), lifted
// h metres above the ground, is seen: the inverse of PlanPoint. Nothing for a
// point at or above the camera or behind it.
std::optional<PlanXY> ImagePoint(double thetaRad, double slantRange, double planX, double planY,
                                 double h);

// gFlatTopHeight of every roof = mean WallHeight of its wall lines, from the
// stored gFlatHeight and gSlideAngle; also refreshes gPhotoMetrePerUnit from
// the picture width W. Does nothing without roofs. A roof none of whose wall
// lines can be measured keeps its height.
void ComputeRoofHeights(BuildingData& d, double pictureWidth);

// gFlatTopAreaX/Y of every point of every roof, lifted by its roof's height.
// Does nothing without roofs.
void ComputeRoofPlanPoints(BuildingData& d, double pictureWidth);

// Rotates (x, y) counter-clockwise (y up) by the angle whose sine and cosine
// are given, then shifts it by (cx, cy).
void RotateAboutPoint(double& x, double& y, double cx, double cy, double sinA, double cosA);

} // namespace velmora
