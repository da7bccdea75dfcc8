// SPDX-License-Identifier: GPL-3.0-or-later
// The SGP4/SDP4 orbit model of the two-line element sets, near-Earth and
// deep-space (periods of 225 minutes and more: lunar-solar secular and
// periodic terms, 12-hour and 24-hour resonances), with the WGS-72 constants
// and the "improved" choices the element sets are generated with. Positions
// come out in TEME, the frame of the elements.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::gnss {

// One element set as its two lines give it; angles in degrees, mean motion
// in revolutions a day (Kozai's), epoch as a Julian date (UTC).
struct TwoLineElements {
    std::string catalog;    // columns 3-7
    std::string designator; // columns 10-17, blanks trimmed
    double epochJd = 0;     // Julian date of the epoch
    double ndot = 0;        // first derivative of the mean motion / 2, rev/day^2
    double nddot = 0;       // second derivative / 6, rev/day^3
    double bstar = 0;       // drag term, 1/earth radii
    double inclination = 0, raan = 0, eccentricity = 0, perigee = 0, meanAnomaly = 0;
    double meanMotion = 0;
};

// Reads lines 1 and 2 (columns 1-69; anything beyond is ignored); throws
// std::invalid_argument when a field cannot be read or the lines disagree on
// the catalogue number. Checksums are the caller's business.
TwoLineElements ParseTwoLineElements(const std::string& line1, const std::string& line2);

// Why a propagation gave no position.
enum class Sgp4Error {
    None = 0,
    MeanEccentricity = 1,      // mean eccentricity out of [0, 1) or semi-major axis < 0.95 radii
    MeanMotion = 2,            // mean motion at or below zero
    PerturbedEccentricity = 3, // eccentricity out of [0, 1] after the periodic terms
    SemiLatusRectum = 4,       // negative semi-latus rectum
    Decayed = 6,               // radius below the earth's
    // Not the model's: a time that is not a number or lies more than 20
    // years from the epoch, where the resonance integration would take
    // without end and the elements mean nothing.
    TimeOutOfRange = 7,
};

struct LunarSolarTerms;

class Sgp4 {
  public:
    // Initialises the model; error() tells whether the elements work at
    // their own epoch.
    explicit Sgp4(const TwoLineElements& e);

    // Position (km) and velocity (km/s) in TEME `minutes` after the epoch
    // (negative before). The model has no state: the resonance integration
    // restarts from the epoch every call, so calls can come in any order
    // and from several threads.
    Sgp4Error Propagate(double minutes, double r[3], double v[3]) const;

    bool DeepSpace() const { return deep_; }
    Sgp4Error error() const { return initError_; }
    double epochJd() const { return epochJd_; }

  private:
    void InitDeepSpace(double epoch1950);
    // The lunar-solar periodic coefficients, and the secular rates with the
    // resonance the mean motion falls in.
    void InitLunarSolarPeriodics(const LunarSolarTerms& t, double emsq);
    void InitLunarSolarSecular(const LunarSolarTerms& t, double emsq, double sinim, double cosim);
    void DeepSecular(double t, double& em, double& argpm, double& inclm, double& nodem, double& mm,
                     double& nm) const;
    void DeepPeriodic(double t, double& ep, double& inclp, double& nodep, double& argpp,
                      double& mp) const;

    double epochJd_ = 0;
    bool deep_ = false, simple_ = false;
    Sgp4Error initError_ = Sgp4Error::None;

    // Mean elements at epoch (Brouwer mean motion, radians, radians/minute).
    double no_ = 0, ecco_ = 0, inclo_ = 0, nodeo_ = 0, argpo_ = 0, mo_ = 0, bstar_ = 0;
    // Secular rates and drag coefficients.
    double mdot_ = 0, argpdot_ = 0, nodedot_ = 0, xpidot_ = 0, nodecf_ = 0, omgcof_ = 0, xmcof_ = 0;
    double cc1_ = 0, cc4_ = 0, cc5_ = 0, t2cof_ = 0, t3cof_ = 0, t4cof_ = 0, t5cof_ = 0;
    double d2_ = 0, d3_ = 0, d4_ = 0, eta_ = 0, delmo_ = 0, sinmao_ = 0;
    // Short-period coefficients (near-Earth; deep-space recomputes them).
    double con41_ = 0, x1mth2_ = 0, x7thm1_ = 0, aycof_ = 0, xlcof_ = 0;
    double gsto_ = 0; // sidereal angle at epoch

    // Deep space: lunar-solar periodic coefficients, secular rates and the
    // resonance terms.
    double e3_ = 0, ee2_ = 0, se2_ = 0, se3_ = 0, sgh2_ = 0, sgh3_ = 0, sgh4_ = 0, sh2_ = 0,
           sh3_ = 0, si2_ = 0, si3_ = 0, sl2_ = 0, sl3_ = 0, sl4_ = 0, xgh2_ = 0, xgh3_ = 0,
           xgh4_ = 0, xh2_ = 0, xh3_ = 0, xi2_ = 0, xi3_ = 0, xl2_ = 0, xl3_ = 0, xl4_ = 0,
           zmol_ = 0, zmos_ = 0;
    double dedt_ = 0, didt_ = 0, dmdt_ = 0, dnodt_ = 0, domdt_ = 0;
    int resonance_ = 0; // 0 none, 1 synchronous (24 h), 2 half-day (12 h)
    double d2201_ = 0, d2211_ = 0, d3210_ = 0, d3222_ = 0, d4410_ = 0, d4422_ = 0, d5220_ = 0,
           d5232_ = 0, d5421_ = 0, d5433_ = 0, del1_ = 0, del2_ = 0, del3_ = 0, xfact_ = 0,
           xlamo_ = 0;
};

// Greenwich mean sidereal angle (IAU 1982) in radians for a UT1 Julian date.
double GreenwichMeanSidereal(double jdUt1);

// TEME to earth-fixed (pseudo-Earth-fixed: polar motion left out, well below
// a metre at GNSS distances) at the Julian date `jdUt1`.
void TemeToEcef(const double teme[3], double jdUt1, double ecef[3]);

// Earth-fixed position in metres at GPS time `gpst` (seconds counted like
// time_t's, plus `fraction`: what Ephemerides::Position takes). UTC comes
// from the leap seconds of the day; UT1 is taken as UTC, which places a GNSS
// satellite up to 2 km (0.005 degrees from the ground) along the earth's
// rotation when |UT1 - UTC| nears its 0.9 s bound.
Sgp4Error EcefAtGpsTime(const Sgp4& model, std::int64_t gpst, double fraction, double rs[3]);

} // namespace velmora::gnss
