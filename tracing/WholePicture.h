// SPDX-License-Identifier: GPL-3.0-or-later
// Every building of the picture from one command: the one-click tracer run
// from seeds spread over the picture's light, even surfaces. A seed is the
// deepest point of such a surface not yet explained by a roof; each trace is
// exactly what a double-click there would give (roof stages, then the
// height search). A traced roof counts as a building only when the picture
// shows a face below it whose silhouette verticals run towards the nadir
// under the camera: plazas, car parks, white vans and zebra crossings have
// none. Roofs already known are seeded around and never traced again, and no
// building is registered twice.
#pragma once

#include <functional>
#include <vector>

#include "data/PicturePoint.h"
#include "tracing/EdgeField.h"
#include "tracing/HeightSearch.h"
#include "tracing/RoofTracer.h"

namespace velmora {

// Why a traced candidate was not registered.
enum class LeftOut {
    NoFace,    // no face with verticals towards the nadir below it: not a building
    AtEdge,    // the roof reaches the picture's edge: only part of it is seen
    Duplicate, // mostly a roof already known or found
    TooSmall,  // too small to be a building's roof
    IsAFace,   // two of its sides run towards the nadir: a lit wall face, not a roof
    Band,      // a long, narrow band: an edge band traced on its own, not a roof
};

struct LeftCandidate {
    PicturePoint seed;
    TraceResult traced;
    LeftOut why = LeftOut::NoFace;
};

struct FoundRoof {
    PicturePoint seed;  // where the tracer was started
    TraceResult traced; // outline (ending on its first point), wall and height
};

struct WholePictureResult {
    // In picture order, from the top down (by each roof's highest corner).
    std::vector<FoundRoof> roofs;
    int seeds = 0; // traces run
    int noFace = 0;
    int atEdge = 0;
    int duplicates = 0;
    int tooSmall = 0;
    int faces = 0;
    int bands = 0;
    // Every candidate traced and not registered, in the order traced.
    std::vector<LeftCandidate> leftOut;
    int refused = 0; // seeds the tracer found no roof at
    bool cancelled = false;
};

// Called after every surface searched with (done, total); false stops the
// search: nothing found so far is kept.
using WholePictureProgress = std::function<bool(int done, int total)>;

// Seeds: the deepest points of the light, even surfaces of the cleaned copy
// (the greys a roof shows, away from the picture's edges), each surface
// from its deepest point down.
struct SearchSeed {
    PicturePoint at;
    int surface = 0; // which surface it lies on
    float depth = 0; // pixels to the surface's edge
};
std::vector<SearchSeed> SearchSeeds(const TraceInput& input);

// The whole search. `tracer` is set to `input`; `known`: outlines already in
// the record (picture coordinates). Without a camera no height is searched
// and no candidate shows a face: nothing is found.
WholePictureResult FindEveryRoof(RoofTracer& tracer, const TraceInput& input,
                                 const TraceCamera& camera,
                                 const std::vector<std::vector<PicturePoint>>& known,
                                 const WholePictureProgress& progress = {});

// How far (pixels) the point deepest inside the outline (picture
// coordinates, ending on its first point or not) lies from its edge.
double RoofThickness(const std::vector<PicturePoint>& outline);

// Whether the outline is a long band narrower than a roof a seed can be
// found on (inside it nothing lies more than a seed's depth from its edge)
// and many times longer than wide.
bool IsBand(const std::vector<PicturePoint>& outline);

// Whether a trace shows a building: a face below the roof with its
// silhouette verticals towards the nadir (the height search's evidence).
bool ShowsFace(const TraceResult& traced);

// Whether at least two sides of the outline (picture coordinates, ending on
// its first point or not) run towards the nadir under the camera: a wall
// face, whose sides are the building's verticals.
bool SidesRunToNadir(const std::vector<PicturePoint>& outline, const TraceCamera& camera);

} // namespace velmora
