// SPDX-License-Identifier: GPL-3.0-or-later
// The building's height read from the picture through the camera model.
// For an assumed height the model says where each roof corner's vertical
// edge runs (towards the nadir) and where the roof outline lands on the
// ground; the picture's gradients either show edges there or not. Every
// candidate height is scored that way, and one is taken only when it wins
// clearly over every other height and over "no building here".
#pragma once

#include <optional>
#include <vector>

#include "data/PicturePoint.h"
#include "tracing/EdgeField.h"

namespace velmora {

// The inclined view's camera: tilt, slant range (metres) and the image
// plane's metres per picture unit.
struct TraceCamera {
    double thetaRad = 0;
    double slantRange = 0;
    double metresPerUnit = 0;
};

struct WallLine {
    PicturePoint top;
    PicturePoint bottom;
};

enum class HeightVerdict {
    Found,      // one height clearly best
    TooWeak,    // no height has enough edge evidence
    TwoHeights, // two heights far apart fit about equally well
};

struct HeightChoice {
    HeightVerdict verdict = HeightVerdict::TooWeak;
    double height = 0;  // the best-supported height, metres
    double support = 0; // share of the predicted edge pixels the picture shows, 0 ... 1
    // The strongest other height more than 3 m away (0: none), its score
    // as a share of the best one's, and its support. TwoHeights when it
    // comes close.
    double rival = 0;
    double margin = 0;
    double rivalSupport = 0;
    // The support of the best height's two kinds of evidence alone: the
    // faces' feet on the ground and the silhouette's vertical edges.
    double groundSupport = 0;
    double verticalSupport = 0;
    // Found: the vertical edge at the best-supported corner, from the roof
    // corner down to the ground at `height`.
    WallLine wall;
};

// `outline`: the roof's corners in picture coordinates (a closing point equal
// to the first is ignored).
HeightChoice SearchHeight(const std::vector<PicturePoint>& outline, const TraceCamera& camera,
                          const EdgeField& edges);

// The height a wall line measures (nothing when the camera cannot measure it).
std::optional<double> LineHeight(const WallLine& line, const TraceCamera& camera);

} // namespace velmora
