// SPDX-License-Identifier: GPL-3.0-or-later
// The sun's position in the sky of a place: Jean Meeus' solar coordinates of
// lower accuracy (Astronomical Algorithms, 2nd ed., ch. 25, with the nutation
// of ch. 22 and the sidereal time of ch. 12; the apparent longitude is good to
// 0.01 degree), made topocentric and refracted as NREL's Solar Position
// Algorithm does (Reda & Andreas 2004, steps A.3.8 to A.3.15).
#pragma once

#include <optional>

namespace velmora {

// The published accuracy of the solar longitude, degrees.
inline constexpr double kSunAccuracyDeg = 0.01;

// Sunrise and sunset: the centre 0.8333 degrees below the horizon (the upper
// limb on the horizon through an average atmosphere), refraction-free.
inline constexpr double kSunriseAltitudeDeg = -0.8333;

struct SunSite {
    double latitude = 0;     // degrees, north positive
    double longitude = 0;    // degrees, east positive
    double elevation = 0;    // metres above sea level
    double pressure = 1013;  // mbar
    double temperature = 12; // degrees Celsius
};

// A moment given as a local clock time.
struct SunClock {
    int year = 2000;
    int month = 1;
    int day = 1;
    double hours = 0;     // local clock time of the day, may be fractional
    double utcOffset = 0; // hours, local = UTC + offset
    double deltaT = 69.2; // TT - UT1, seconds
};

struct SunAngles {
    double zenith = 0;  // topocentric, refracted, degrees
    double azimuth = 0; // clockwise from north, degrees
    double elevation() const { return 90 - zenith; }
    double geometricElevation = 0; // without refraction
};

// Julian day of a Gregorian date at `hoursUt` universal time.
double JulianDay(int year, int month, int day, double hoursUt);

SunAngles SunPositionAt(const SunClock& when, const SunSite& site);

// Local clock times (hours of the date) of sunrise and sunset; nullopt for
// one that does not happen that day (polar day or night).
struct SunEvents {
    std::optional<double> sunrise;
    std::optional<double> sunset;
};
SunEvents SunriseSunset(const SunClock& date, const SunSite& site);

} // namespace velmora
