// SPDX-License-Identifier: GPL-3.0-or-later
// Signals that reach the receiver after one specular reflection off a
// building's vertical face: the receiver mirrored in the face's plane, the
// bounce point on the face between its base and the roof, both legs (face
// to receiver, face to satellite) clear of every building. Ground
// reflections and diffraction are not modelled.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "geometry/Footprints.h"
#include "gnss/Sky.h"

namespace velmora::gnss {

struct Reflection {
    double extraPath = 0;    // metres beyond the direct range (extra_path_m)
    PlanXY bounce;           // plan point of the bounce on the face
    double bounceHeight = 0; // above the ground
    std::size_t prism = 0;   // index of the building in the prisms given
    std::size_t face = 0;    // the face from ring[face] to ring[face + 1]
};

// Every single reflection of a satellite in direction `d` (at infinity)
// onto the receiver at plan point `at`, `antenna` metres above the ground,
// shortest extra path first.
std::vector<Reflection> SpecularReflections(std::span<const Footprint> prisms, PlanXY at,
                                            double antenna, Direction d);

// The one with the shortest extra path, if any.
std::optional<Reflection> ShortestReflection(std::span<const Footprint> prisms, PlanXY at,
                                             double antenna, Direction d);

} // namespace velmora::gnss
