// SPDX-License-Identifier: GPL-3.0-or-later
// The camera checked against the picture. Under the camera model's fixed
// field of view every vertical edge of a building runs towards the nadir,
// the picture point straight below the camera: on the centre column, at
// y = -0.85 W tan(theta) (W the picture's width in picture units), whatever
// altitudes were typed. The verticals at the traced roofs' corners are
// measured in the picture's edges, the point they meet is fitted, and the
// tilt it gives is compared with the tilt of the typed altitudes, as far as
// the measurement's own scatter allows. A meeting point off the centre
// column means a cropped or shifted picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/PicturePoint.h"
#include "tracing/EdgeField.h"

namespace velmora {

// One building vertical as the picture shows it: a straight line through
// its edge pixels.
struct MeasuredVertical {
    double x = 0; // centre of the edge pixels, picture units
    double y = 0;
    double dx = 0; // unit direction, pointing down the wall
    double dy = -1;
    double length = 0;      // picture units between its first and last edge pixel
    double sigmaAngle = 0;  // radians, one standard deviation of its direction
    double sigmaAcross = 0; // picture units, of its centre across the line
    // The roof it stands under: the verticals of one building share its own
    // errors, so buildings, not verticals, are the independent evidence.
    int roof = 0;
};

// The verticals below the corners of one roof outline (picture coordinates;
// a closing point equal to the first is ignored): at each corner the
// longest straight edge running down from it outside the roof, if it is long
// and straight enough to measure.
std::vector<MeasuredVertical> MeasureVerticals(const std::vector<PicturePoint>& outline,
                                               const EdgeField& edges);

// Where the verticals meet, by a consensus over pairs of them refined by
// weighted least squares. `column`: the nadir's column when it is known
// (the picture's centre column, 0), else fitted too. Uncertainties are one
// standard deviation, scaled up when the verticals scatter more about the
// point than their own measurement explains.
struct NadirFit {
    bool found = false;
    double x = 0;
    double y = 0;
    double sigmaX = 0; // 0 when the column was given
    double sigmaY = 0;
    int used = 0; // verticals that meet there
    std::vector<int> inliers;
};
NadirFit FitNadir(const std::vector<MeasuredVertical>& verticals, std::optional<double> column);

enum class CameraVerdict { Agrees, Disagrees, Unknown };

enum class CameraReason {
    TooFewVerticals, // fewer than kFewestVerticals verticals meet at one point
    NadirNotBelow,   // they meet above the picture's centre row: no tilt of the model
    TooUncertain,    // the tilt they give is too uncertain to tell a wrong camera
    Fits,            // the typed tilt lies within the measurement's scatter
    TiltDiffers,     // it does not
    NadirOffCentre,  // they meet off the centre column: a cropped or shifted picture
};

// The fewest verticals that can show both where they meet and that they
// do meet there.
inline constexpr int kFewestVerticals = 3;

struct CameraCheck {
    CameraVerdict verdict = CameraVerdict::Unknown;
    CameraReason reason = CameraReason::TooFewVerticals;
    double typedTilt = 0;              // degrees, from the altitudes
    std::optional<double> pictureTilt; // degrees, from the verticals; none when not measurable
    double tiltUncertainty = 0;        // degrees, one standard deviation
    int verticals = 0;                 // the verticals used
    int measured = 0;                  // the verticals measured
    int buildings = 0;                 // the roofs the verticals used stand under
    std::optional<double> nadirX;      // the column where they meet, picture units
    double nadirXUncertainty = 0;
    std::optional<double> nadirY;
};

// Checks the typed tilt (degrees) against the verticals of a picture
// `pictureWidth` picture units wide. A difference counts beyond the 0.995
// quantile of Student's t for as many degrees of freedom as buildings with
// verticals at the meeting point, less the parameters fitted.
CameraCheck CheckCamera(const std::vector<MeasuredVertical>& verticals, double pictureWidth,
                        double typedTiltDeg);

// The check over the verticals of several roof outlines of one picture
// (each vertical's `roof` its outline's index).
CameraCheck CheckCameraAtRoofs(const std::vector<std::vector<PicturePoint>>& outlines,
                               const EdgeField& edges, double pictureWidth, double typedTiltDeg);

// The tilt (degrees) a nadir at picture height `nadirY` gives, and back.
double TiltOfNadir(double nadirY, double pictureWidth);
double NadirOfTilt(double tiltDeg, double pictureWidth);

// English texts: the verdict's word ("agrees", "disagrees", "unknown"), the
// reason, and the reason roofs are registered without heights when the
// camera disagrees.
const char* VerdictWord(CameraVerdict v);
std::string CameraReasonText(const CameraCheck& c);
std::string CameraMisfitText(const CameraCheck& c);

} // namespace velmora
