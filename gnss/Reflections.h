// SPDX-License-Identifier: GPL-3.0-or-later
// Signals that reach the receiver after one specular reflection off a
// building's vertical face: the receiver mirrored in the face's plane, the
// bounce point on the face between its base and the roof, both legs (face
// to receiver, face to satellite) clear of every building. Ground
// reflections and diffraction are not modelled.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The walls of the prisms, in a grid of square cells over their extent so
// that a leg meets only the walls of the cells it passes. Built once and
// shared by every receiver among the same buildings.
class Walls {
  public:
    explicit Walls(std::span<const Footprint> prisms);

    struct Wall {
        double ax, ay, bx, by; // plan metres
        double height;         // of its prism's roof
        double base;           // of its prism's underside: 0 on the ground
        std::size_t prism, face;
        bool reflects; // a face of a ring with an outside
        double nx, ny; // outward unit normal, where it reflects
    };
    const std::vector<Wall>& All() const { return walls_; }

    // True when the leg from `from` (x, y, z) along the horizontal step
    // (dx, dy) -- to t = tMax, which may be infinite -- climbing `rise`
    // metres per unit t crosses a wall below its roof at tTouch < t <
    // tMax - tTouch.
    bool LegBlocked(const double from[3], double dx, double dy, double rise, double tMax,
                    double tTouch) const;

  private:
    bool Crosses(const Wall& w, const double from[3], double dx, double dy, double rise,
                 double tMax, double tTouch, double lowest) const;

    std::vector<Wall> walls_;
    double top_ = 0;
    double x0_ = 0, y0_ = 0, cell_ = 1;
    int columns_ = 0, rows_ = 0;
    std::vector<std::uint32_t> cellStart_, cellWalls_;
};

// The faces that can mirror a satellite onto one receiver, sorted by the
// satellite azimuths for which the bounce can land on them.
class ReflectionScene {
  public:
    // `walls` must outlive the scene.
    ReflectionScene(const Walls& walls, PlanXY at, double antenna);

    // As SpecularReflections.
    std::vector<Reflection> All(Direction d) const;
    // Whether there is any such reflection: stops at the first.
    bool Any(Direction d) const;

  private:
    template <class Take> void Visit(Direction d, Take&& take) const;

    const Walls* walls_;
    PlanXY at_;
    double antenna_;
    static constexpr int kBins = 360;
    std::vector<std::uint32_t> binStart_, binFaces_, everywhere_;
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
