// SPDX-License-Identifier: GPL-3.0-or-later
// Satellite orbits for a period: broadcast ephemerides from RINEX navigation
// files (GPS, GLONASS, Galileo, BeiDou, QZSS), a set of two-line elements or
// a GPS/QZSS almanac (YUMA or SEM).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
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

// Larger files are refused before they are read: a day of every system's
// broadcast ephemerides is a few megabytes, a full TLE catalogue about five.
inline constexpr std::size_t kMaxNavBytes = 64u << 20;
inline constexpr std::size_t kMaxTleBytes = 16u << 20;
// An almanac of every GPS and QZSS satellite is a few tens of kilobytes.
inline constexpr std::size_t kMaxAlmanacBytes = 4u << 20;
// RINEX lines have 80 columns and TLE rows 69 (names 24): longer lines mean
// another kind of file.
inline constexpr std::size_t kMaxNavLine = 256;
inline constexpr std::size_t kMaxTleLine = 128;
// Earth-centre distances of an orbit in metres: above the atmosphere, within
// a few times the geostationary radius.
inline constexpr double kMinOrbitRadius = 6.5e6;
inline constexpr double kMaxOrbitRadius = 1.5e8;

// The bytes of a file the user named: a regular file only (a pipe, a device
// or a folder is refused without blocking), at most `cap` bytes; throws
// InputError naming the file.
std::string ReadInputFile(const std::string& file, std::size_t cap);

class Ephemerides {
  public:
    // Reads every file into one set; a file that is not a RINEX navigation
    // file or holds no ephemeris throws. Only regular files up to
    // kMaxNavBytes are read, never through the name given: RTKLIB reads a
    // copy in a private folder, so no name can make it run a command.
    static Ephemerides FromNav(const std::vector<std::string>& files);
    // Reads a TLE set (two- or three-line format); a broken row or an epoch
    // that is no date throws. Files as for FromNav, up to kMaxTleBytes.
    static Ephemerides FromTle(const std::string& file);
    // Reads a YUMA or SEM almanac (files as for FromNav, up to
    // kMaxAlmanacBytes). Its weeks, given modulo 1024, are taken nearest
    // `near` (the period's middle); of several entries of one satellite the
    // one whose reference time lies nearest `near` is kept.
    static Ephemerides FromAlmanac(const std::string& file, UtcSeconds near);
    static Ephemerides FromAlmanacText(const std::string& name, const std::string& text,
                                       UtcSeconds near);
    // The same from a file's bytes; `name` is the file named in messages.
    static Ephemerides FromNavText(const std::vector<std::pair<std::string, std::string>>& files);
    static Ephemerides FromTleText(const std::string& name, const std::string& text);

    Ephemerides(Ephemerides&&) noexcept;
    Ephemerides& operator=(Ephemerides&&) noexcept;
    ~Ephemerides();

    // The satellites with an orbit at some of the epochs from, from + step,
    // ... up to `to` (UTC), looked for at no more of them than one every
    // `sample` seconds and the last; for TLE sets every entry. The work
    // grows with the epochs asked for, not with the period's length.
    std::vector<Satellite> SatellitesDuring(UtcSeconds from, UtcSeconds to, int step,
                                            double sample = 600) const;
    // The navigation files of which no ephemeris serves any of those epochs
    // (empty for a TLE set).
    std::vector<std::string> FilesCoveringNone(UtcSeconds from, UtcSeconds to, int step,
                                               double sample = 600) const;
    // The ids of the TLE satellites whose elements nearest the period lie
    // more than `days` from it: SGP4 drifts by kilometres a day; for an
    // almanac, the satellites whose reference time does. Empty for
    // broadcast ephemerides, which are only used within their validity.
    std::vector<std::string> ElementsFarFrom(UtcSeconds from, UtcSeconds to, double days) const;

    // Earth-fixed position in metres at GPS time `gpst` (UTC seconds plus
    // the leap seconds, with a fraction), where an ephemeris valid then exists
    // and does not mark the satellite unhealthy. A position that is not
    // finite or not at an orbit's distance from the earth's centre (a corrupt
    // ephemeris, a failed propagation) is no ephemeris.
    enum class Fix { Position, NoEphemeris, Unhealthy };
    Fix Position(const Satellite& s, std::int64_t gpst, double fraction, double rs[3]) const;

    bool IsAlmanac() const;

  private:
    struct Impl;
    explicit Ephemerides(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace velmora::gnss
