// SPDX-License-Identifier: GPL-3.0-or-later
// Satellite orbits for a period: broadcast ephemerides from RINEX navigation
// files (GPS, GLONASS, Galileo, BeiDou, QZSS) or a set of two-line elements.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::gnss {

// A file that cannot be used: the message names the file and, where known,
// the line.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Seconds since 1970-01-01 of the UTC calendar (no leap seconds counted), as
// time_t counts them.
using UtcSeconds = std::int64_t;

// GPS time minus UTC in seconds at that instant (the leap seconds then).
double GpsMinusUtc(UtcSeconds utc);

struct Satellite {
    std::string id;  // RINEX id (G05, R12, ...) or the first word of a TLE name line
    char system = 0; // 'G', 'R', 'E', 'C', 'J', 'S' or 0 where unknown
    int number = 0;  // RTKLIB's satellite number (broadcast orbits)
    std::string catalog, designator; // TLE entries
};

class Ephemerides {
  public:
    // Reads every file into one set; a file that is not a RINEX navigation
    // file or holds no ephemeris throws.
    static Ephemerides FromNav(const std::vector<std::string>& files);
    // Reads a TLE set (two- or three-line format); a broken row throws.
    static Ephemerides FromTle(const std::string& file);

    Ephemerides(Ephemerides&&) noexcept;
    Ephemerides& operator=(Ephemerides&&) noexcept;
    ~Ephemerides();

    // The satellites with an orbit somewhere within [from, to] (UTC),
    // looked for every `sample` seconds; for TLE sets every entry.
    std::vector<Satellite> SatellitesDuring(UtcSeconds from, UtcSeconds to,
                                            double sample = 600) const;
    // The navigation files of which no ephemeris serves any instant of the
    // period (empty for a TLE set).
    std::vector<std::string> FilesCoveringNone(UtcSeconds from, UtcSeconds to,
                                               double sample = 600) const;

    // Earth-fixed position in metres at GPS time `gpst` (UTC seconds plus
    // the leap seconds, with a fraction), where an ephemeris valid then exists
    // and does not mark the satellite unhealthy.
    enum class Fix { Position, NoEphemeris, Unhealthy };
    Fix Position(const Satellite& s, std::int64_t gpst, double fraction, double rs[3]) const;

  private:
    struct Impl;
    explicit Ephemerides(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace velmora::gnss
