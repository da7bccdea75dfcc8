// SPDX-License-Identifier: GPL-3.0-or-later
// GPS almanacs in the YUMA and SEM forms (QZSS publishes YUMA-form almanacs
// too) and the almanac's Keplerian orbit. An almanac gives its week modulo
// 1024; the full week is the one that puts the reference time nearest to
// the period it is used for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::gnss {

// Seconds of GPS time since the GPS epoch (1980-01-06 00:00).
using GpsSeconds = double;
inline constexpr std::int64_t kGpsEpochUnix = 315964800; // 1980-01-06 in time_t seconds
inline constexpr double kSecondsPerWeek = 604800;

struct AlmanacEntry {
    char system = 'G'; // 'G' or 'J'
    int prn = 0;       // GPS PRN; QZSS as RTKLIB numbers it (PRN 193 is 1)
    int health = 0;    // 0 healthy
    int week = 0;      // as the file gives it (modulo 1024)
    double toa = 0;    // reference time, seconds of the week
    double eccentricity = 0;
    double inclination = 0;  // rad
    double raanRate = 0;     // rad/s
    double sqrtA = 0;        // m^0.5
    double raanAtWeek = 0;   // rad, at the start of the reference week
    double perigee = 0;      // rad
    double meanAnomaly = 0;  // rad, at toa
    double af0 = 0, af1 = 0; // clock, s and s/s
};

// Reads a YUMA or a SEM almanac (told apart by their first line); throws
// InputError naming the file and line on anything that is not one. Files as
// the ephemerides' (ReadInputFile): regular files only, size capped.
std::vector<AlmanacEntry> ReadAlmanac(const std::string& file);
// The same from the file's bytes.
std::vector<AlmanacEntry> ParseAlmanac(const std::string& text, const std::string& file);
std::vector<AlmanacEntry> ParseYuma(const std::string& text, const std::string& file);
std::vector<AlmanacEntry> ParseSem(const std::string& text, const std::string& file);

// The full week w = week (mod 1024) whose reference time w weeks + toa lies
// nearest to `near`.
int ResolveWeek(int week, double toa, GpsSeconds near);

// Earth-fixed position in metres at GPS time `t` (IS-GPS-200's almanac
// model: the Keplerian ellipse with the node's drift, no harmonic terms),
// the reference time taken in week `fullWeek`.
void AlmanacPosition(const AlmanacEntry& a, int fullWeek, GpsSeconds t, double ecef[3]);

} // namespace velmora::gnss
