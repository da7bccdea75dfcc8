// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry/SunPosition.h"

#include <cmath>
#include <numbers>

namespace velmora {

namespace {

constexpr double kRad = std::numbers::pi / 180;

double Deg(double rad) {
    return rad / kRad;
}

double Wrap360(double deg) {
    const double w = std::fmod(deg, 360);
    return w < 0 ? w + 360 : w;
}

} // namespace

double JulianDay(int year, int month, int day, double hoursUt) {
    int y = year, m = month;
    if (m <= 2) {
        y -= 1;
        m += 12;
    }
    const int a = static_cast<int>(std::floor(y / 100.0));
    const int b = 2 - a + static_cast<int>(std::floor(a / 4.0));
    return std::floor(365.25 * (y + 4716)) + std::floor(30.6001 * (m + 1)) + day + b - 1524.5 +
           hoursUt / 24;
}

SunAngles SunPositionAt(const SunClock& when, const SunSite& site) {
    const double jd = JulianDay(when.year, when.month, when.day, when.hours - when.utcOffset);
    const double jde = jd + when.deltaT / 86400;
    const double t = (jde - 2451545) / 36525;
    const double tu = (jd - 2451545) / 36525;

    // Geometric longitude and distance (ch. 25).
    const double l0 = 280.46646 + 36000.76983 * t + 0.0003032 * t * t;
    const double m = 357.52911 + 35999.05029 * t - 0.0001537 * t * t;
    const double e = 0.016708634 - 0.000042037 * t - 0.0000001267 * t * t;
    const double c = (1.914602 - 0.004817 * t - 0.000014 * t * t) * std::sin(m * kRad) +
                     (0.019993 - 0.000101 * t) * std::sin(2 * m * kRad) +
                     0.000289 * std::sin(3 * m * kRad);
    const double trueLong = l0 + c;
    const double nu = m + c;
    const double r = 1.000001018 * (1 - e * e) / (1 + e * std::cos(nu * kRad));

    // Nutation and obliquity (ch. 22, to 0.5").
    const double omega = 125.04452 - 1934.136261 * t + 0.0020708 * t * t + t * t * t / 450000;
    const double ls = 280.4665 + 36000.7698 * t;
    const double lm = 218.3165 + 481267.8813 * t;
    const double dPsi = (-17.20 * std::sin(omega * kRad) - 1.32 * std::sin(2 * ls * kRad) -
                         0.23 * std::sin(2 * lm * kRad) + 0.21 * std::sin(2 * omega * kRad)) /
                        3600;
    const double dEps = (9.20 * std::cos(omega * kRad) + 0.57 * std::cos(2 * ls * kRad) +
                         0.10 * std::cos(2 * lm * kRad) - 0.09 * std::cos(2 * omega * kRad)) /
                        3600;
    const double eps0 =
        23.4392911111 - (46.8150 * t + 0.00059 * t * t - 0.001813 * t * t * t) / 3600;
    const double eps = eps0 + dEps;

    // Apparent longitude: nutation and aberration.
    const double lambda = trueLong + dPsi - 20.4898 / (3600 * r);
    const double alpha =
        Deg(std::atan2(std::sin(lambda * kRad) * std::cos(eps * kRad), std::cos(lambda * kRad)));
    const double delta = Deg(std::asin(std::sin(eps * kRad) * std::sin(lambda * kRad)));

    // Apparent sidereal time at Greenwich (ch. 12) and the local hour angle.
    const double theta0 = 280.46061837 + 360.98564736629 * (jd - 2451545) + 0.000387933 * tu * tu -
                          tu * tu * tu / 38710000;
    const double nuApp = theta0 + dPsi * std::cos(eps * kRad);
    const double h = Wrap360(nuApp + site.longitude - alpha);

    // Topocentric place (SPA A.3.8 ff.).
    const double phi = site.latitude * kRad;
    const double xi = 8.794 / (3600 * r) * kRad;
    const double u = std::atan(0.99664719 * std::tan(phi));
    const double x = std::cos(u) + site.elevation / 6378140 * std::cos(phi);
    const double y = 0.99664719 * std::sin(u) + site.elevation / 6378140 * std::sin(phi);
    const double hr = h * kRad, dr = delta * kRad;
    const double dAlpha = std::atan2(-x * std::sin(xi) * std::sin(hr),
                                     std::cos(dr) - x * std::sin(xi) * std::cos(hr));
    const double deltaP = std::atan2((std::sin(dr) - y * std::sin(xi)) * std::cos(dAlpha),
                                     std::cos(dr) - x * std::sin(xi) * std::cos(hr));
    const double hp = hr - dAlpha;

    const double e0 = Deg(std::asin(std::sin(phi) * std::sin(deltaP) +
                                    std::cos(phi) * std::cos(deltaP) * std::cos(hp)));
    double refraction = 0;
    if (e0 >= -(0.26667 + 0.5667))
        refraction = site.pressure / 1010 * 283 / (273 + site.temperature) * 1.02 /
                     (60 * std::tan((e0 + 10.3 / (e0 + 5.11)) * kRad));
    SunAngles out;
    out.geometricElevation = e0;
    out.zenith = 90 - (e0 + refraction);
    const double gamma = Deg(
        std::atan2(std::sin(hp), std::cos(hp) * std::sin(phi) - std::tan(deltaP) * std::cos(phi)));
    out.azimuth = Wrap360(gamma + 180);
    return out;
}

SunEvents SunriseSunset(const SunClock& date, const SunSite& site) {
    auto above = [&](double hours) {
        SunClock c = date;
        c.hours = hours;
        return SunPositionAt(c, site).geometricElevation - kSunriseAltitudeDeg;
    };
    // Bisects a sign change of the altitude inside one step of the scan.
    auto crossing = [&](double a, double b) {
        double fa = above(a);
        for (int i = 0; i < 40; ++i) {
            const double mid = (a + b) / 2;
            const double fm = above(mid);
            if ((fm > 0) == (fa > 0)) {
                a = mid;
                fa = fm;
            } else {
                b = mid;
            }
        }
        return (a + b) / 2;
    };
    SunEvents ev;
    constexpr double kStep = 0.25; // hours; the sun is never up for less
    double prev = above(0);
    for (double t = kStep; t <= 24 + 1e-9; t += kStep) {
        const double cur = above(t);
        if (prev <= 0 && cur > 0 && !ev.sunrise)
            ev.sunrise = crossing(t - kStep, t);
        if (prev > 0 && cur <= 0)
            ev.sunset = crossing(t - kStep, t);
        prev = cur;
    }
    return ev;
}

} // namespace velmora
