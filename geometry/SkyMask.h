// SPDX-License-Identifier: GPL-3.0-or-later
// How much sky a receiver sees among the buildings: every footprint is a
// prism on flat ground from its base (mostly the ground itself) up to its
// height, and the receiver looks
// from a point of the north-up plan frame at some height above the ground.
// Azimuths are degrees clockwise from true north, elevations degrees above
// the receiver's horizontal.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "geometry/Footprints.h"
#include "geometry/SunPosition.h"

namespace velmora {

// The roof whose footprint holds the point (its boundary included), if any.
std::optional<Count> FootprintAt(std::span<const Footprint> footprints, PlanXY p);

// The wall tops that can rise above the receiver, as seen from it.
class SkyScene {
  public:
    SkyScene(std::span<const Footprint> footprints, PlanXY receiver, double antennaHeight);

    // The highest elevation that a building covers along the azimuth; 0 where
    // none rises above the receiver's horizontal. A building on a base may
    // leave sky open below it: Blocks tells.
    double ElevationAt(double azimuthDeg) const;

    // Blocks, the line of the buildings' top itself included: the sun's
    // test, whose centre on that line counts as hidden.
    bool Covers(double azimuthDeg, double elevationDeg) const {
        return elevationDeg <= GroundedElevationAt(azimuthDeg) ||
               RaisedBlocks(azimuthDeg, elevationDeg);
    }

    // ElevationAt for the azimuths 0, step, 2 step, ... below 360; empty
    // unless the step divides 360.
    std::vector<double> Mask(double stepDeg) const;

    // True when a ray at this azimuth and elevation passes below the
    // buildings' top there: the one test of a blocked line of sight, used
    // for the satellites' states and for the plotted mask alike.
    // The same answer as comparing with ElevationAt, found sooner: the
    // edges along the azimuth are tried steepest-possible first and the
    // search ends once none left can rise to the elevation.
    bool Blocks(double azimuthDeg, double elevationDeg) const;

  private:
    double GroundedElevationAt(double azimuthDeg) const;
    // A ray climbing from the receiver is inside a prism on a base between
    // two crossings of its outline; it is blocked where its height there
    // meets the span from base to roof.
    bool RaisedBlocks(double azimuthDeg, double elevationDeg) const;

    struct Edge {
        double ax, ay, bx, by;   // ends relative to the receiver, metres
        double rise;             // height of the wall top above the receiver
        double fromDeg, spanDeg; // azimuths covered: from ... from + span
    };
    // Tangent of the elevation of the edge's top along the direction
    // (ux, uy) = (sin, cos) of an azimuth; 0 when the ray misses the edge.
    static double EdgeSlope(const Edge& e, double ux, double uy);
    static bool Covers(const Edge& e, double azimuthDeg);
    // The edges that may cover an azimuth: those of its whole degree, each
    // degree's steepest bound first, and those without a place anywhere.
    std::span<const std::uint32_t> Candidates(double azimuthDeg) const;

    std::vector<Edge> edges_; // of prisms standing on the ground
    std::vector<double> bound_;           // per edge: its slope can be no steeper
    std::vector<std::uint32_t> binStart_; // kBins + 1 offsets into binEdges_
    std::vector<std::uint32_t> binEdges_;
    std::vector<std::uint32_t> everywhere_; // ends not finite: tried at every azimuth
    static constexpr int kBins = 360;
    struct Raised {
        std::vector<Edge> edges;
        double low = 0, rise = 0; // base and roof above the receiver
    };
    std::vector<Raised> raised_;
};

// The sun over one local day, minute by minute (sampled at the middle of
// each minute) while its centre is above the horizon: in direct sun when it
// stands higher than the buildings along its azimuth, else blocked.
struct SunMinute {
    double hours = 0; // local clock time
    double azimuth = 0;
    double elevation = 0; // refracted
    bool blocked = false;
};
struct SunDay {
    std::vector<SunMinute> minutes;
    int directMinutes = 0;
    int blockedMinutes = 0;
    SunEvents events;
};
SunDay SunOverDay(const SkyScene& scene, const SunClock& date, const SunSite& site);

} // namespace velmora
