// SPDX-License-Identifier: GPL-3.0-or-later
// Where the satellites stand as seen from a receiver among the buildings:
// the receiver's place on the WGS84 ellipsoid, azimuth and elevation of a
// satellite, whether a building's prism stands in the line of sight, and the
// dilutions of precision of a set of directions.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/Footprints.h"

namespace velmora::gnss {

struct Receiver {
    double latitude = 0, longitude = 0, height = 0; // degrees, ellipsoidal metres
    double ecef[3] = {0, 0, 0};
    PlanXY at;          // plan position, metres east and north of the origin
    double antenna = 0; // above the ground
};

// The receiver `at` metres east and north of the origin (latitude and
// longitude in degrees, ground ellipsoidal height `groundHeight`), the
// antenna `antenna` metres above the ground. The plan offset is carried
// along the origin's local east-north-up axes.
Receiver PlaceReceiver(double latitude, double longitude, double groundHeight, PlanXY at,
                       double antenna);

struct Direction {
    double azimuth = 0;   // degrees clockwise from true north, 0 ... 360
    double elevation = 0; // degrees above the horizontal
};

// The direction in which the receiver sees a satellite: the signal left it
// the light time `tau` before reception, during which the earth turned, so
// `position(tau, rs)` is asked for the satellite's earth-fixed place `tau`
// seconds before reception. `tau` starts as a guess (the last epoch's value
// is good to a microsecond) and comes back refined after `rounds` rounds;
// `range` is the distance in metres.
template <class Position>
std::optional<Direction> LookAt(const Receiver& r, Position&& position, double& tau, int rounds,
                                double& range);

// Azimuth and elevation of the direction from the receiver to an
// earth-fixed point.
Direction DirectionTo(const Receiver& r, const double target[3]);

// The buildings that can block the sky: prisms of a measured height whose
// outline does not cross itself (such an outline has no inside to block
// with).
struct Buildings {
    std::vector<Footprint> prisms;
    std::vector<Count> unmeasured; // roofs left out: no wall line or no height
    std::vector<Count> crossing;   // roofs left out: the outline crosses itself
};

// A roof's height is measured when it has a wall line and came out above 0.
bool HasMeasuredHeight(const BuildingData& d, Count roof);
// The north-up footprints of the roofs with a measured height, but for
// those whose outline crosses itself.
Buildings MeasuredBuildings(const BuildingData& d);

// True when the line of sight from the receiver (plan point `at`, `antenna`
// metres above the ground) along the direction passes below the top of a
// prism: it crosses a wall lower than the prism's height.
bool LineOfSightBlocked(std::span<const Footprint> prisms, PlanXY at, double antenna, Direction d);

// GDOP, PDOP, HDOP and VDOP of the directions at or above `maskDeg`, with one
// receiver clock; empty for fewer than four such directions or a geometry
// without a solution.
struct Dops {
    double gdop = 0, pdop = 0, hdop = 0, vdop = 0;
};
std::optional<Dops> DopsOf(std::span<const Direction> directions, double maskDeg);

// -------------------------------------------------------------------------

inline constexpr double kLightSpeed = 299792458.0;
inline constexpr double kEarthRotation = 7.2921151467e-5; // rad/s, IS-GPS

template <class Position>
std::optional<Direction> LookAt(const Receiver& r, Position&& position, double& tau, int rounds,
                                double& range) {
    double rs[3] = {0, 0, 0};
    for (int i = 0; i < rounds; ++i) {
        double at[3];
        if (!position(tau, at))
            return std::nullopt;
        // The earth-fixed frame of the instant of transmission, turned to that
        // of reception.
        const double a = kEarthRotation * tau;
        rs[0] = std::cos(a) * at[0] + std::sin(a) * at[1];
        rs[1] = -std::sin(a) * at[0] + std::cos(a) * at[1];
        rs[2] = at[2];
        const double dx = rs[0] - r.ecef[0], dy = rs[1] - r.ecef[1], dz = rs[2] - r.ecef[2];
        range = std::sqrt(dx * dx + dy * dy + dz * dz);
        tau = range / kLightSpeed;
    }
    return DirectionTo(r, rs);
}

} // namespace velmora::gnss
