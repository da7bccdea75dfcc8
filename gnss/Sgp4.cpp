// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Sgp4.h"

#include <cctype>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "gnss/Ephemerides.h"

namespace velmora::gnss {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDeg = kPi / 180;
constexpr double kTwoThirds = 2.0 / 3.0;

// WGS-72, the constants the element sets are fitted with.
constexpr double kMu = 398600.8;     // km^3/s^2
constexpr double kRadius = 6378.135; // km
constexpr double kJ2 = 0.001082616;
constexpr double kJ3 = -0.00000253881;
constexpr double kJ4 = -0.00000165597;
constexpr double kJ3OverJ2 = kJ3 / kJ2;
const double kXke = 60.0 / std::sqrt(kRadius * kRadius * kRadius / kMu); // sqrt(mu) in er^1.5/min

// Julian date of 1950 January 0.0, the deep-space terms' time origin.
constexpr double kJd1950 = 2433281.5;

// Lunar-solar constants of the deep-space model.
constexpr double kZes = 0.01675, kZel = 0.05490;         // solar and lunar eccentricities
constexpr double kZns = 1.19459e-5, kZnl = 1.5835218e-4; // mean motions, rad/min
constexpr double kC1ss = 2.9864797e-6, kC1l = 4.7968065e-7;
constexpr double kZsinis = 0.39785416, kZcosis = 0.91744867; // the ecliptic's obliquity
constexpr double kZcosgs = 0.1945905, kZsings = -0.98088458;
constexpr double kRptim = 4.37526908801129966e-3; // earth rotation, rad/min

std::string Field(const std::string& line, std::size_t from, std::size_t to) {
    // Columns are 1-based and inclusive, as the format describes them.
    if (line.size() < to)
        throw std::invalid_argument("the line is shorter than " + std::to_string(to) + " columns");
    return line.substr(from - 1, to - from + 1);
}

double Number(const std::string& text) {
    std::size_t used = 0;
    std::string t = text;
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    std::size_t lead = t.find_first_not_of(' ');
    if (lead == std::string::npos)
        throw std::invalid_argument("an empty number field");
    t = t.substr(lead);
    // "+.123" and "-.5" are valid in the format.
    double v = 0;
    try {
        v = std::stod(t, &used);
    } catch (const std::out_of_range&) {
        throw std::invalid_argument("\"" + text + "\" is out of range");
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("\"" + text + "\" is not a number");
    }
    if (used != t.size() || !std::isfinite(v))
        throw std::invalid_argument("\"" + text + "\" is not a number");
    return v;
}

// "-12345-3" means -0.12345e-3: sign, five digits with an assumed leading
// decimal point, signed exponent.
double AssumedDecimal(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.front() == ' ')
        t.erase(t.begin());
    if (t.empty())
        throw std::invalid_argument("an empty exponent field");
    double sign = 1;
    if (t[0] == '-' || t[0] == '+') {
        sign = t[0] == '-' ? -1 : 1;
        t.erase(t.begin());
    }
    const std::size_t e = t.find_last_of("+-");
    if (e == std::string::npos || e == 0 || e + 1 >= t.size())
        throw std::invalid_argument("\"" + text + "\" is not a number with an exponent");
    const std::string mantissa = t.substr(0, e), exponent = t.substr(e);
    for (char c : mantissa)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            throw std::invalid_argument("\"" + text + "\" is not a number with an exponent");
    const double v = sign * Number("0." + mantissa) * std::pow(10.0, Number(exponent));
    if (!std::isfinite(v))
        throw std::invalid_argument("\"" + text + "\" is out of range");
    return v;
}

double JulianDate(int year, int month, int day) {
    return 367.0 * year - std::floor(7 * (year + std::floor((month + 9) / 12.0)) * 0.25) +
           std::floor(275 * month / 9.0) + day + 1721013.5;
}

} // namespace

TwoLineElements ParseTwoLineElements(const std::string& line1, const std::string& line2) {
    if (line1.empty() || line1[0] != '1' || line2.empty() || line2[0] != '2')
        throw std::invalid_argument("expected lines 1 and 2 of an element set");
    TwoLineElements e;
    e.catalog = Field(line1, 3, 7);
    if (Field(line2, 3, 7) != e.catalog)
        throw std::invalid_argument("lines 1 and 2 name different satellites");
    e.designator = Field(line1, 10, 17);
    while (!e.designator.empty() && e.designator.back() == ' ')
        e.designator.pop_back();
    const int yy = static_cast<int>(Number(Field(line1, 19, 20)));
    const int year = yy < 57 ? 2000 + yy : 1900 + yy;
    const double day = Number(Field(line1, 21, 32));
    if (day < 1 || day >= 367)
        throw std::invalid_argument("the epoch's day of the year is out of range");
    e.epochJd = JulianDate(year, 1, 1) - 1 + day;
    e.ndot = Number(Field(line1, 34, 43));
    e.nddot = AssumedDecimal(Field(line1, 45, 52));
    e.bstar = AssumedDecimal(Field(line1, 54, 61));
    e.inclination = Number(Field(line2, 9, 16));
    e.raan = Number(Field(line2, 18, 25));
    e.eccentricity = Number("0." + Field(line2, 27, 33));
    e.perigee = Number(Field(line2, 35, 42));
    e.meanAnomaly = Number(Field(line2, 44, 51));
    e.meanMotion = Number(Field(line2, 53, 63));
    if (e.meanMotion <= 0)
        throw std::invalid_argument("the mean motion is not above zero");
    return e;
}

double GreenwichMeanSidereal(double jdUt1) {
    const double t = (jdUt1 - 2451545.0) / 36525.0;
    double s = -6.2e-6 * t * t * t + 0.093104 * t * t + (876600.0 * 3600 + 8640184.812866) * t +
               67310.54841; // seconds of time
    s = std::fmod(s * kDeg / 240.0, kTwoPi);
    return s < 0 ? s + kTwoPi : s;
}

void TemeToEcef(const double teme[3], double jdUt1, double ecef[3]) {
    const double g = GreenwichMeanSidereal(jdUt1);
    const double c = std::cos(g), s = std::sin(g);
    const double x = c * teme[0] + s * teme[1], y = -s * teme[0] + c * teme[1];
    ecef[0] = x;
    ecef[1] = y;
    ecef[2] = teme[2];
}

Sgp4::Sgp4(const TwoLineElements& e) : epochJd_(e.epochJd) {
    const double perDay = 1440.0 / kTwoPi; // rev/day per rad/min
    const double kozai = e.meanMotion / perDay;
    bstar_ = e.bstar;
    ecco_ = e.eccentricity;
    inclo_ = e.inclination * kDeg;
    nodeo_ = e.raan * kDeg;
    argpo_ = e.perigee * kDeg;
    mo_ = e.meanAnomaly * kDeg;
    const double epoch1950 = e.epochJd - kJd1950;

    // Brouwer's mean motion and semi-major axis from Kozai's mean motion.
    const double eccsq = ecco_ * ecco_;
    const double omeosq = 1 - eccsq;
    const double rteosq = std::sqrt(omeosq);
    const double cosio = std::cos(inclo_), cosio2 = cosio * cosio;
    const double ak = std::pow(kXke / kozai, kTwoThirds);
    const double d1 = 0.75 * kJ2 * (3 * cosio2 - 1) / (rteosq * omeosq);
    double del = d1 / (ak * ak);
    const double adel = ak * (1 - del * del - del * (1.0 / 3.0 + 134 * del * del / 81.0));
    del = d1 / (adel * adel);
    no_ = kozai / (1 + del);
    const double ao = std::pow(kXke / no_, kTwoThirds);
    const double sinio = std::sin(inclo_);
    const double po = ao * omeosq;
    const double con42 = 1 - 5 * cosio2;
    con41_ = -con42 - cosio2 - cosio2;
    const double posq = po * po;
    const double rp = ao * (1 - ecco_);
    gsto_ = GreenwichMeanSidereal(e.epochJd);

    if (omeosq < 0 && no_ < 0) {
        initError_ = Sgp4Error::MeanEccentricity;
        return;
    }
    simple_ = rp < 220.0 / kRadius + 1;
    // The atmosphere's density parameters; lowered for perigees below 156 km.
    double sfour = 78.0 / kRadius + 1;
    double qzms24 = std::pow((120.0 - 78.0) / kRadius, 4);
    const double perigee = (rp - 1) * kRadius;
    if (perigee < 156) {
        sfour = perigee < 98 ? 20 : perigee - 78;
        qzms24 = std::pow((120 - sfour) / kRadius, 4);
        sfour = sfour / kRadius + 1;
    }
    const double pinvsq = 1 / posq;
    const double tsi = 1 / (ao - sfour);
    eta_ = ao * ecco_ * tsi;
    const double etasq = eta_ * eta_;
    const double eeta = ecco_ * eta_;
    const double psisq = std::fabs(1 - etasq);
    const double coef = qzms24 * std::pow(tsi, 4);
    const double coef1 = coef / std::pow(psisq, 3.5);
    const double cc2 = coef1 * no_ *
                       (ao * (1 + 1.5 * etasq + eeta * (4 + etasq)) +
                        0.375 * kJ2 * tsi / psisq * con41_ * (8 + 3 * etasq * (8 + etasq)));
    cc1_ = bstar_ * cc2;
    const double cc3 = ecco_ > 1e-4 ? -2 * coef * tsi * kJ3OverJ2 * no_ * sinio / ecco_ : 0;
    x1mth2_ = 1 - cosio2;
    cc4_ = 2 * no_ * coef1 * ao * omeosq *
           (eta_ * (2 + 0.5 * etasq) + ecco_ * (0.5 + 2 * etasq) -
            kJ2 * tsi / (ao * psisq) *
                (-3 * con41_ * (1 - 2 * eeta + etasq * (1.5 - 0.5 * eeta)) +
                 0.75 * x1mth2_ * (2 * etasq - eeta * (1 + etasq)) * std::cos(2 * argpo_)));
    cc5_ = 2 * coef1 * ao * omeosq * (1 + 2.75 * (etasq + eeta) + eeta * etasq);
    const double cosio4 = cosio2 * cosio2;
    const double temp1 = 1.5 * kJ2 * pinvsq * no_;
    const double temp2 = 0.5 * temp1 * kJ2 * pinvsq;
    const double temp3 = -0.46875 * kJ4 * pinvsq * pinvsq * no_;
    mdot_ = no_ + 0.5 * temp1 * rteosq * con41_ +
            0.0625 * temp2 * rteosq * (13 - 78 * cosio2 + 137 * cosio4);
    argpdot_ = -0.5 * temp1 * con42 + 0.0625 * temp2 * (7 - 114 * cosio2 + 395 * cosio4) +
               temp3 * (3 - 36 * cosio2 + 49 * cosio4);
    const double xhdot1 = -temp1 * cosio;
    nodedot_ = xhdot1 + (0.5 * temp2 * (4 - 19 * cosio2) + 2 * temp3 * (3 - 7 * cosio2)) * cosio;
    xpidot_ = argpdot_ + nodedot_;
    omgcof_ = bstar_ * cc3 * std::cos(argpo_);
    xmcof_ = ecco_ > 1e-4 ? -kTwoThirds * coef * bstar_ / eeta : 0;
    nodecf_ = 3.5 * omeosq * xhdot1 * cc1_;
    t2cof_ = 1.5 * cc1_;
    // Near the retrograde equator 1 + cos i vanishes; the model then divides
    // by a small constant instead.
    const double opc = std::fabs(cosio + 1) > 1.5e-12 ? 1 + cosio : 1.5e-12;
    xlcof_ = -0.25 * kJ3OverJ2 * sinio * (3 + 5 * cosio) / opc;
    aycof_ = -0.5 * kJ3OverJ2 * sinio;
    delmo_ = std::pow(1 + eta_ * std::cos(mo_), 3);
    sinmao_ = std::sin(mo_);
    x7thm1_ = 7 * cosio2 - 1;

    if (kTwoPi / no_ >= 225.0) {
        deep_ = true;
        simple_ = true;
        InitDeepSpace(epoch1950);
    }
    if (!simple_) {
        const double cc1sq = cc1_ * cc1_;
        d2_ = 4 * ao * tsi * cc1sq;
        const double temp = d2_ * tsi * cc1_ / 3.0;
        d3_ = (17 * ao + sfour) * temp;
        d4_ = 0.5 * temp * ao * tsi * (221 * ao + 31 * sfour) * cc1_;
        t3cof_ = d2_ + 2 * cc1sq;
        t4cof_ = 0.25 * (3 * d3_ + cc1_ * (12 * d2_ + 10 * cc1sq));
        t5cof_ = 0.2 * (3 * d4_ + 12 * cc1_ * d3_ + 6 * d2_ * d2_ + 15 * cc1sq * (2 * d2_ + cc1sq));
    }
    double r[3], v[3];
    initError_ = Propagate(0, r, v);
}

// The lunar-solar terms of the deep-space model at epoch: the directions of
// the sun and the moon and the coefficients of their perturbations on this
// orbit (index 0: the sun, 1: the moon), and their mean anomalies.
struct LunarSolarTerms {
    double s1[2], s2[2], s3[2], s4[2], s5[2], s6[2], s7[2];
    double z1[2], z2[2], z3[2], z11[2], z12[2], z13[2], z21[2], z22[2], z23[2], z31[2], z32[2],
        z33[2];
    double zmol = 0, zmos = 0;
};

namespace {

// The mean elements the lunar-solar terms are taken at.
struct DeepElements {
    double em, emsq, betasq, rtemsq;
    double snodm, cnodm, sinomm, cosomm, sinim, cosim;
    double xnoi; // 1 / mean motion
};

// The moon's orbit at the day: the direction cosines the second pass of the
// terms works with.
struct MoonOrbit {
    double zcosil, zsinil, zsinhl, zcoshl, zcosgl, zsingl, gam;
};

MoonOrbit MoonOrbitAt(double day) {
    MoonOrbit m{};
    const double xnodce = std::fmod(4.5236020 - 9.2422029e-4 * day, kTwoPi);
    const double stem = std::sin(xnodce), ctem = std::cos(xnodce);
    m.zcosil = 0.91375164 - 0.03568096 * ctem;
    m.zsinil = std::sqrt(1 - m.zcosil * m.zcosil);
    m.zsinhl = 0.089683511 * stem / m.zsinil;
    m.zcoshl = std::sqrt(1 - m.zsinhl * m.zsinhl);
    m.gam = 5.8351514 + 0.0019443680 * day;
    double zx = 0.39785416 * stem / m.zsinil;
    const double zy = m.zcoshl * ctem + 0.91744867 * m.zsinhl * stem;
    zx = std::atan2(zx, zy);
    zx = m.gam + zx - xnodce;
    m.zcosgl = std::cos(zx);
    m.zsingl = std::sin(zx);
    return m;
}

// One body's pass: the body's orbit given by the cosines and sines of its
// argument, inclination and node relative to the satellite's node.
void LunarSolarPass(LunarSolarTerms& t, int b, const DeepElements& e, double zcosg, double zsing,
                    double zcosi, double zsini, double zcosh, double zsinh, double cc) {
    const double cosim = e.cosim, sinim = e.sinim, cosomm = e.cosomm, sinomm = e.sinomm;
    const double emsq = e.emsq;
    const double a1 = zcosg * zcosh + zsing * zcosi * zsinh;
    const double a3 = -zsing * zcosh + zcosg * zcosi * zsinh;
    const double a7 = -zcosg * zsinh + zsing * zcosi * zcosh;
    const double a8 = zsing * zsini;
    const double a9 = zsing * zsinh + zcosg * zcosi * zcosh;
    const double a10 = zcosg * zsini;
    const double a2 = cosim * a7 + sinim * a8;
    const double a4 = cosim * a9 + sinim * a10;
    const double a5 = -sinim * a7 + cosim * a8;
    const double a6 = -sinim * a9 + cosim * a10;
    const double x1 = a1 * cosomm + a2 * sinomm;
    const double x2 = a3 * cosomm + a4 * sinomm;
    const double x3 = -a1 * sinomm + a2 * cosomm;
    const double x4 = -a3 * sinomm + a4 * cosomm;
    const double x5 = a5 * sinomm;
    const double x6 = a6 * sinomm;
    const double x7 = a5 * cosomm;
    const double x8 = a6 * cosomm;
    t.z31[b] = 12 * x1 * x1 - 3 * x3 * x3;
    t.z32[b] = 24 * x1 * x2 - 6 * x3 * x4;
    t.z33[b] = 12 * x2 * x2 - 3 * x4 * x4;
    t.z1[b] = 3 * (a1 * a1 + a2 * a2) + t.z31[b] * emsq;
    t.z2[b] = 6 * (a1 * a3 + a2 * a4) + t.z32[b] * emsq;
    t.z3[b] = 3 * (a3 * a3 + a4 * a4) + t.z33[b] * emsq;
    t.z11[b] = -6 * a1 * a5 + emsq * (-24 * x1 * x7 - 6 * x3 * x5);
    t.z12[b] =
        -6 * (a1 * a6 + a3 * a5) + emsq * (-24 * (x2 * x7 + x1 * x8) - 6 * (x3 * x6 + x4 * x5));
    t.z13[b] = -6 * a3 * a6 + emsq * (-24 * x2 * x8 - 6 * x4 * x6);
    t.z21[b] = 6 * a2 * a5 + emsq * (24 * x1 * x5 - 6 * x3 * x7);
    t.z22[b] =
        6 * (a4 * a5 + a2 * a6) + emsq * (24 * (x2 * x5 + x1 * x6) - 6 * (x4 * x7 + x3 * x8));
    t.z23[b] = 6 * a4 * a6 + emsq * (24 * x2 * x6 - 6 * x4 * x8);
    t.z1[b] = t.z1[b] + t.z1[b] + e.betasq * t.z31[b];
    t.z2[b] = t.z2[b] + t.z2[b] + e.betasq * t.z32[b];
    t.z3[b] = t.z3[b] + t.z3[b] + e.betasq * t.z33[b];
    t.s3[b] = cc * e.xnoi;
    t.s2[b] = -0.5 * t.s3[b] / e.rtemsq;
    t.s4[b] = t.s3[b] * e.rtemsq;
    t.s1[b] = -15 * e.em * t.s4[b];
    t.s5[b] = x1 * x3 + x2 * x4;
    t.s6[b] = x2 * x3 + x1 * x4;
    t.s7[b] = x2 * x4 - x1 * x3;
}

// The sun's pass, then the moon's, `day` days from 1950 January 0.
LunarSolarTerms LunarSolar(const DeepElements& e, double day) {
    const MoonOrbit m = MoonOrbitAt(day);
    LunarSolarTerms t{};
    LunarSolarPass(t, 0, e, kZcosgs, kZsings, kZcosis, kZsinis, e.cnodm, e.snodm, kC1ss);
    LunarSolarPass(t, 1, e, m.zcosgl, m.zsingl, m.zcosil, m.zsinil,
                   m.zcoshl * e.cnodm + m.zsinhl * e.snodm, e.snodm * m.zcoshl - e.cnodm * m.zsinhl,
                   kC1l);
    t.zmol = std::fmod(4.7199672 + 0.22997150 * day - m.gam, kTwoPi);
    t.zmos = std::fmod(6.2565837 + 0.017201977 * day, kTwoPi);
    return t;
}

// The eccentricity functions of the half-day resonance (G in the model).
struct HalfDayG {
    double g201, g211, g310, g322, g410, g422, g520, g521, g532, g533;
};

HalfDayG HalfDayEccentricityFunctions(double em, double emsq) {
    const double eoc = em * emsq;
    HalfDayG g{};
    g.g201 = -0.306 - (em - 0.64) * 0.440;
    if (em <= 0.65) {
        g.g211 = 3.616 - 13.2470 * em + 16.2900 * emsq;
        g.g310 = -19.302 + 117.3900 * em - 228.4190 * emsq + 156.5910 * eoc;
        g.g322 = -18.9068 + 109.7927 * em - 214.6334 * emsq + 146.5816 * eoc;
        g.g410 = -41.122 + 242.6940 * em - 471.0940 * emsq + 313.9530 * eoc;
        g.g422 = -146.407 + 841.8800 * em - 1629.014 * emsq + 1083.4350 * eoc;
        g.g520 = -532.114 + 3017.977 * em - 5740.032 * emsq + 3708.2760 * eoc;
    } else {
        g.g211 = -72.099 + 331.819 * em - 508.738 * emsq + 266.724 * eoc;
        g.g310 = -346.844 + 1582.851 * em - 2415.925 * emsq + 1246.113 * eoc;
        g.g322 = -342.585 + 1554.908 * em - 2366.899 * emsq + 1215.972 * eoc;
        g.g410 = -1052.797 + 4758.686 * em - 7193.992 * emsq + 3651.957 * eoc;
        g.g422 = -3581.690 + 16178.110 * em - 24462.770 * emsq + 12422.520 * eoc;
        if (em > 0.715)
            g.g520 = -5149.66 + 29936.92 * em - 54087.36 * emsq + 31324.56 * eoc;
        else
            g.g520 = 1464.74 - 4664.75 * em + 3763.64 * emsq;
    }
    if (em < 0.7) {
        g.g533 = -919.22770 + 4988.6100 * em - 9064.7700 * emsq + 5542.21 * eoc;
        g.g521 = -822.71072 + 4568.6173 * em - 8491.4146 * emsq + 5337.524 * eoc;
        g.g532 = -853.66600 + 4690.2500 * em - 8624.7700 * emsq + 5341.4 * eoc;
    } else {
        g.g533 = -37995.780 + 161616.52 * em - 229838.20 * emsq + 109377.94 * eoc;
        g.g521 = -51752.104 + 218913.95 * em - 309468.16 * emsq + 146349.42 * eoc;
        g.g532 = -40023.880 + 170470.89 * em - 242699.48 * emsq + 115605.82 * eoc;
    }
    return g;
}

// The coefficients of the half-day resonance's geopotential terms.
struct HalfDayTerms {
    double d2201, d2211, d3210, d3222, d4410, d4422, d5220, d5232, d5421, d5433;
};

HalfDayTerms HalfDayResonance(double em, double emsq, double cosim, double sinim, double nm,
                              double aonv) {
    const HalfDayG g = HalfDayEccentricityFunctions(em, emsq);
    const double cosisq = cosim * cosim;
    const double sini2 = sinim * sinim;
    const double f220 = 0.75 * (1 + 2 * cosim + cosisq);
    const double f221 = 1.5 * sini2;
    const double f321 = 1.875 * sinim * (1 - 2 * cosim - 3 * cosisq);
    const double f322 = -1.875 * sinim * (1 + 2 * cosim - 3 * cosisq);
    const double f441 = 35 * sini2 * f220;
    const double f442 = 39.3750 * sini2 * sini2;
    const double f522 =
        9.84375 * sinim *
        (sini2 * (1 - 2 * cosim - 5 * cosisq) + 0.33333333 * (-2 + 4 * cosim + 6 * cosisq));
    const double f523 = sinim * (4.92187512 * sini2 * (-2 - 4 * cosim + 10 * cosisq) +
                                 6.56250012 * (1 + 2 * cosim - 3 * cosisq));
    const double f542 =
        29.53125 * sinim * (2 - 8 * cosim + cosisq * (-12 + 8 * cosim + 10 * cosisq));
    const double f543 =
        29.53125 * sinim * (-2 - 8 * cosim + cosisq * (12 + 8 * cosim - 10 * cosisq));
    constexpr double root22 = 1.7891679e-6, root32 = 3.7393792e-7, root44 = 7.3636953e-9,
                     root52 = 1.1428639e-7, root54 = 2.1765803e-9;
    const double xno2 = nm * nm, ainv2 = aonv * aonv;
    HalfDayTerms d{};
    double t1 = 3 * xno2 * ainv2;
    double t = t1 * root22;
    d.d2201 = t * f220 * g.g201;
    d.d2211 = t * f221 * g.g211;
    t1 *= aonv;
    t = t1 * root32;
    d.d3210 = t * f321 * g.g310;
    d.d3222 = t * f322 * g.g322;
    t1 *= aonv;
    t = 2 * t1 * root44;
    d.d4410 = t * f441 * g.g410;
    d.d4422 = t * f442 * g.g422;
    t1 *= aonv;
    t = t1 * root52;
    d.d5220 = t * f522 * g.g520;
    d.d5232 = t * f523 * g.g532;
    t = 2 * t1 * root54;
    d.d5421 = t * f542 * g.g521;
    d.d5433 = t * f543 * g.g533;
    return d;
}

// The coefficients of the synchronous (24-hour) resonance.
struct SynchronousTerms {
    double del1, del2, del3;
};

SynchronousTerms SynchronousResonance(double emsq, double cosim, double sinim, double nm,
                                      double aonv) {
    constexpr double q22 = 1.7891679e-6, q31 = 2.1460748e-6, q33 = 2.2123015e-7;
    const double g200 = 1 + emsq * (-2.5 + 0.8125 * emsq);
    const double g310 = 1 + 2 * emsq;
    const double g300 = 1 + emsq * (-6 + 6.60937 * emsq);
    const double f220 = 0.75 * (1 + cosim) * (1 + cosim);
    const double f311 = 0.9375 * sinim * sinim * (1 + 3 * cosim) - 0.75 * (1 + cosim);
    const double f330 = 1.875 * std::pow(1 + cosim, 3);
    const double d = 3 * nm * nm * aonv * aonv;
    SynchronousTerms s{};
    s.del2 = 2 * d * f220 * g200 * q22;
    s.del3 = 3 * d * f330 * g300 * q33 * aonv;
    s.del1 = d * f311 * g310 * q31 * aonv;
    return s;
}

} // namespace

void Sgp4::InitDeepSpace(double epoch1950) {
    DeepElements e{};
    e.em = ecco_;
    e.emsq = e.em * e.em;
    e.betasq = 1 - e.emsq;
    e.rtemsq = std::sqrt(e.betasq);
    e.snodm = std::sin(nodeo_);
    e.cnodm = std::cos(nodeo_);
    e.sinomm = std::sin(argpo_);
    e.cosomm = std::cos(argpo_);
    e.sinim = std::sin(inclo_);
    e.cosim = std::cos(inclo_);
    e.xnoi = 1 / no_;
    const LunarSolarTerms t = LunarSolar(e, epoch1950 + 18261.5);
    InitLunarSolarPeriodics(t, e.emsq);
    InitLunarSolarSecular(t, e.emsq, e.sinim, e.cosim);
    if (resonance_ == 0)
        return;

    // Resonance coefficients: geopotential terms that do not average out
    // for orbits commensurate with the earth's rotation.
    const double nm = no_;
    const double theta = std::fmod(gsto_, kTwoPi);
    const double aonv = std::pow(nm / kXke, kTwoThirds);
    if (resonance_ == 2) {
        const HalfDayTerms d = HalfDayResonance(e.em, e.emsq, e.cosim, e.sinim, nm, aonv);
        d2201_ = d.d2201;
        d2211_ = d.d2211;
        d3210_ = d.d3210;
        d3222_ = d.d3222;
        d4410_ = d.d4410;
        d4422_ = d.d4422;
        d5220_ = d.d5220;
        d5232_ = d.d5232;
        d5421_ = d.d5421;
        d5433_ = d.d5433;
        xlamo_ = std::fmod(mo_ + nodeo_ + nodeo_ - theta - theta, kTwoPi);
        xfact_ = mdot_ + dmdt_ + 2 * (nodedot_ + dnodt_ - kRptim) - no_;
    } else {
        const SynchronousTerms s = SynchronousResonance(e.emsq, e.cosim, e.sinim, nm, aonv);
        del1_ = s.del1;
        del2_ = s.del2;
        del3_ = s.del3;
        xlamo_ = std::fmod(mo_ + nodeo_ + argpo_ - theta, kTwoPi);
        xfact_ = mdot_ + xpidot_ - kRptim + dmdt_ + domdt_ + dnodt_ - no_;
    }
}

void Sgp4::InitLunarSolarPeriodics(const LunarSolarTerms& t, double emsq) {
    zmol_ = t.zmol;
    zmos_ = t.zmos;
    // Periodic coefficients, sun then moon.
    se2_ = 2 * t.s1[0] * t.s6[0];
    se3_ = 2 * t.s1[0] * t.s7[0];
    si2_ = 2 * t.s2[0] * t.z12[0];
    si3_ = 2 * t.s2[0] * (t.z13[0] - t.z11[0]);
    sl2_ = -2 * t.s3[0] * t.z2[0];
    sl3_ = -2 * t.s3[0] * (t.z3[0] - t.z1[0]);
    sl4_ = -2 * t.s3[0] * (-21 - 9 * emsq) * kZes;
    sgh2_ = 2 * t.s4[0] * t.z32[0];
    sgh3_ = 2 * t.s4[0] * (t.z33[0] - t.z31[0]);
    sgh4_ = -18 * t.s4[0] * kZes;
    sh2_ = -2 * t.s2[0] * t.z22[0];
    sh3_ = -2 * t.s2[0] * (t.z23[0] - t.z21[0]);
    ee2_ = 2 * t.s1[1] * t.s6[1];
    e3_ = 2 * t.s1[1] * t.s7[1];
    xi2_ = 2 * t.s2[1] * t.z12[1];
    xi3_ = 2 * t.s2[1] * (t.z13[1] - t.z11[1]);
    xl2_ = -2 * t.s3[1] * t.z2[1];
    xl3_ = -2 * t.s3[1] * (t.z3[1] - t.z1[1]);
    xl4_ = -2 * t.s3[1] * (-21 - 9 * emsq) * kZel;
    xgh2_ = 2 * t.s4[1] * t.z32[1];
    xgh3_ = 2 * t.s4[1] * (t.z33[1] - t.z31[1]);
    xgh4_ = -18 * t.s4[1] * kZel;
    xh2_ = -2 * t.s2[1] * t.z22[1];
    xh3_ = -2 * t.s2[1] * (t.z23[1] - t.z21[1]);
}

void Sgp4::InitLunarSolarSecular(const LunarSolarTerms& t, double emsq, double sinim,
                                 double cosim) {
    // Secular rates from the sun and the moon, and which resonance, if any,
    // the mean motion falls in.
    const double nm = no_, em = ecco_;
    if (nm < 0.0052359877 && nm > 0.0034906585)
        resonance_ = 1;
    if (nm >= 8.26e-3 && nm <= 9.24e-3 && em >= 0.5)
        resonance_ = 2;
    const bool nearEquator = inclo_ < 5.2359877e-2 || inclo_ > kPi - 5.2359877e-2;
    const double ses = t.s1[0] * kZns * t.s5[0];
    const double sis = t.s2[0] * kZns * (t.z11[0] + t.z13[0]);
    const double sls = -kZns * t.s3[0] * (t.z1[0] + t.z3[0] - 14 - 6 * emsq);
    const double sghs = t.s4[0] * kZns * (t.z31[0] + t.z33[0] - 6);
    double shs = -kZns * t.s2[0] * (t.z21[0] + t.z23[0]);
    if (nearEquator)
        shs = 0;
    if (sinim != 0)
        shs /= sinim;
    const double sgs = sghs - cosim * shs;
    dedt_ = ses + t.s1[1] * kZnl * t.s5[1];
    didt_ = sis + t.s2[1] * kZnl * (t.z11[1] + t.z13[1]);
    dmdt_ = sls - kZnl * t.s3[1] * (t.z1[1] + t.z3[1] - 14 - 6 * emsq);
    const double sghl = t.s4[1] * kZnl * (t.z31[1] + t.z33[1] - 6);
    double shll = -kZnl * t.s2[1] * (t.z21[1] + t.z23[1]);
    if (nearEquator)
        shll = 0;
    domdt_ = sgs + sghl;
    dnodt_ = shs;
    if (sinim != 0) {
        domdt_ -= cosim / sinim * shll;
        dnodt_ += shll / sinim;
    }
}

void Sgp4::DeepSecular(double t, double& em, double& argpm, double& inclm, double& nodem,
                       double& mm, double& nm) const {
    em += dedt_ * t;
    inclm += didt_ * t;
    argpm += domdt_ * t;
    nodem += dnodt_ * t;
    mm += dmdt_ * t;
    if (resonance_ == 0)
        return;
    // Resonance: the mean motion and longitude integrated in 720-minute
    // steps from the epoch (second-order Taylor steps, as the model defines).
    constexpr double fasx2 = 0.13130908, fasx4 = 2.8843198, fasx6 = 0.37448087;
    constexpr double g22 = 5.7686396, g32 = 0.95240898, g44 = 1.8014998, g52 = 1.0508330,
                     g54 = 4.4108898;
    constexpr double step = 720, step2 = 259200; // step^2 / 2
    const double theta = std::fmod(gsto_ + t * kRptim, kTwoPi);
    const double delt = t > 0 ? step : -step;
    double atime = 0, xli = xlamo_, xni = no_;
    double xndt = 0, xldot = 0, xnddt = 0, ft = 0;
    for (;;) {
        if (resonance_ != 2) {
            xndt = del1_ * std::sin(xli - fasx2) + del2_ * std::sin(2 * (xli - fasx4)) +
                   del3_ * std::sin(3 * (xli - fasx6));
            xldot = xni + xfact_;
            xnddt = del1_ * std::cos(xli - fasx2) + 2 * del2_ * std::cos(2 * (xli - fasx4)) +
                    3 * del3_ * std::cos(3 * (xli - fasx6));
            xnddt *= xldot;
        } else {
            const double xomi = argpo_ + argpdot_ * atime;
            const double x2omi = xomi + xomi, x2li = xli + xli;
            xndt = d2201_ * std::sin(x2omi + xli - g22) + d2211_ * std::sin(xli - g22) +
                   d3210_ * std::sin(xomi + xli - g32) + d3222_ * std::sin(-xomi + xli - g32) +
                   d4410_ * std::sin(x2omi + x2li - g44) + d4422_ * std::sin(x2li - g44) +
                   d5220_ * std::sin(xomi + xli - g52) + d5232_ * std::sin(-xomi + xli - g52) +
                   d5421_ * std::sin(xomi + x2li - g54) + d5433_ * std::sin(-xomi + x2li - g54);
            xldot = xni + xfact_;
            xnddt =
                d2201_ * std::cos(x2omi + xli - g22) + d2211_ * std::cos(xli - g22) +
                d3210_ * std::cos(xomi + xli - g32) + d3222_ * std::cos(-xomi + xli - g32) +
                d5220_ * std::cos(xomi + xli - g52) + d5232_ * std::cos(-xomi + xli - g52) +
                2 * (d4410_ * std::cos(x2omi + x2li - g44) + d4422_ * std::cos(x2li - g44) +
                     d5421_ * std::cos(xomi + x2li - g54) + d5433_ * std::cos(-xomi + x2li - g54));
            xnddt *= xldot;
        }
        if (std::fabs(t - atime) < step) {
            ft = t - atime;
            break;
        }
        xli += xldot * delt + xndt * step2;
        xni += xndt * delt + xnddt * step2;
        atime += delt;
    }
    nm = xni + xndt * ft + xnddt * ft * ft * 0.5;
    const double xl = xli + xldot * ft + xndt * ft * ft * 0.5;
    if (resonance_ == 1)
        mm = xl - nodem - argpm + theta;
    else
        mm = xl - 2 * nodem + 2 * theta;
}

void Sgp4::DeepPeriodic(double t, double& ep, double& inclp, double& nodep, double& argpp,
                        double& mp) const {
    auto terms = [](double zm, double ecc, double c2, double c3, double c4 = 0) {
        const double zf = zm + 2 * ecc * std::sin(zm);
        const double sinzf = std::sin(zf);
        const double f2 = 0.5 * sinzf * sinzf - 0.25;
        const double f3 = -0.5 * sinzf * std::cos(zf);
        return c2 * f2 + c3 * f3 + c4 * sinzf;
    };
    const double zms = zmos_ + kZns * t, zml = zmol_ + kZnl * t;
    const double pe = terms(zms, kZes, se2_, se3_) + terms(zml, kZel, ee2_, e3_);
    const double pinc = terms(zms, kZes, si2_, si3_) + terms(zml, kZel, xi2_, xi3_);
    const double pl = terms(zms, kZes, sl2_, sl3_, sl4_) + terms(zml, kZel, xl2_, xl3_, xl4_);
    double pgh = terms(zms, kZes, sgh2_, sgh3_, sgh4_) + terms(zml, kZel, xgh2_, xgh3_, xgh4_);
    double ph = terms(zms, kZes, sh2_, sh3_) + terms(zml, kZel, xh2_, xh3_);
    inclp += pinc;
    ep += pe;
    const double sinip = std::sin(inclp), cosip = std::cos(inclp);
    if (inclp >= 0.2) {
        ph /= sinip;
        pgh -= cosip * ph;
        argpp += pgh;
        nodep += ph;
        mp += pl;
        return;
    }
    // Low inclinations: Lyddane's form, free of the division by sin i.
    const double sinop = std::sin(nodep), cosop = std::cos(nodep);
    double alfdp = sinip * sinop, betdp = sinip * cosop;
    const double dalf = ph * cosop + pinc * cosip * sinop;
    const double dbet = -ph * sinop + pinc * cosip * cosop;
    alfdp += dalf;
    betdp += dbet;
    nodep = std::fmod(nodep, kTwoPi);
    double xls = mp + argpp + cosip * nodep;
    const double dls = pl + pgh - pinc * nodep * sinip;
    xls += dls;
    const double xnoh = nodep;
    nodep = std::atan2(alfdp, betdp);
    if (std::fabs(xnoh - nodep) > kPi)
        nodep += nodep < xnoh ? kTwoPi : -kTwoPi;
    mp += pl;
    argpp = xls - mp - cosip * nodep;
}

Sgp4Error Sgp4::Propagate(double t, double r[3], double v[3]) const {
    r[0] = r[1] = r[2] = v[0] = v[1] = v[2] = 0;
    if (!(std::fabs(t) <= 20 * 366 * 1440.0))
        return Sgp4Error::TimeOutOfRange;
    if (initError_ != Sgp4Error::None && t != 0)
        return initError_;
    // Secular gravity and drag.
    const double xmdf = mo_ + mdot_ * t;
    const double argpdf = argpo_ + argpdot_ * t;
    const double nodedf = nodeo_ + nodedot_ * t;
    double argpm = argpdf, mm = xmdf;
    const double t2 = t * t;
    double nodem = nodedf + nodecf_ * t2;
    double tempa = 1 - cc1_ * t, tempe = bstar_ * cc4_ * t, templ = t2cof_ * t2;
    if (!simple_) {
        const double delomg = omgcof_ * t;
        const double delm = xmcof_ * (std::pow(1 + eta_ * std::cos(xmdf), 3) - delmo_);
        mm = xmdf + delomg + delm;
        argpm = argpdf - delomg - delm;
        const double t3 = t2 * t, t4 = t3 * t;
        tempa -= d2_ * t2 + d3_ * t3 + d4_ * t4;
        tempe += bstar_ * cc5_ * (std::sin(mm) - sinmao_);
        templ += t3cof_ * t3 + t4 * (t4cof_ + t * t5cof_);
    }
    double nm = no_, em = ecco_, inclm = inclo_;
    if (deep_)
        DeepSecular(t, em, argpm, inclm, nodem, mm, nm);
    if (nm <= 0)
        return Sgp4Error::MeanMotion;
    const double am = std::pow(kXke / nm, kTwoThirds) * tempa * tempa;
    nm = kXke / std::pow(am, 1.5);
    em -= tempe;
    if (em >= 1 || em < -0.001 || am < 0.95)
        return Sgp4Error::MeanEccentricity;
    if (em < 1e-6)
        em = 1e-6;
    mm += no_ * templ;
    double xlm = mm + argpm + nodem;
    nodem = std::fmod(nodem, kTwoPi);
    argpm = std::fmod(argpm, kTwoPi);
    xlm = std::fmod(xlm, kTwoPi);
    mm = std::fmod(xlm - argpm - nodem, kTwoPi);

    // Lunar-solar periodics.
    double ep = em, xincp = inclm, argpp = argpm, nodep = nodem, mp = mm;
    double sinip = std::sin(inclm), cosip = std::cos(inclm);
    double aycof = aycof_, xlcof = xlcof_, con41 = con41_, x1mth2 = x1mth2_, x7thm1 = x7thm1_;
    if (deep_) {
        DeepPeriodic(t, ep, xincp, nodep, argpp, mp);
        if (xincp < 0) {
            xincp = -xincp;
            nodep += kPi;
            argpp -= kPi;
        }
        if (ep < 0 || ep > 1)
            return Sgp4Error::PerturbedEccentricity;
        sinip = std::sin(xincp);
        cosip = std::cos(xincp);
        aycof = -0.5 * kJ3OverJ2 * sinip;
        const double opc = std::fabs(cosip + 1) > 1.5e-12 ? 1 + cosip : 1.5e-12;
        xlcof = -0.25 * kJ3OverJ2 * sinip * (3 + 5 * cosip) / opc;
        const double cosisq = cosip * cosip;
        con41 = 3 * cosisq - 1;
        x1mth2 = 1 - cosisq;
        x7thm1 = 7 * cosisq - 1;
    }

    // Long-period periodics.
    const double axnl = ep * std::cos(argpp);
    double temp = 1 / (am * (1 - ep * ep));
    const double aynl = ep * std::sin(argpp) + temp * aycof;
    const double xl = mp + argpp + nodep + temp * xlcof * axnl;

    // Kepler's equation in the equinoctial form, steps limited to 0.95 rad.
    const double u = std::fmod(xl - nodep, kTwoPi);
    double eo1 = u, sineo1 = 0, coseo1 = 0;
    double step = 9999.9;
    for (int k = 0; std::fabs(step) >= 1e-12 && k < 10; ++k) {
        sineo1 = std::sin(eo1);
        coseo1 = std::cos(eo1);
        step = (u - aynl * coseo1 + axnl * sineo1 - eo1) / (1 - coseo1 * axnl - sineo1 * aynl);
        if (std::fabs(step) >= 0.95)
            step = step > 0 ? 0.95 : -0.95;
        eo1 += step;
    }

    // Short-period periodics.
    const double ecose = axnl * coseo1 + aynl * sineo1;
    const double esine = axnl * sineo1 - aynl * coseo1;
    const double el2 = axnl * axnl + aynl * aynl;
    const double pl = am * (1 - el2);
    if (pl < 0)
        return Sgp4Error::SemiLatusRectum;
    const double rl = am * (1 - ecose);
    const double rdotl = std::sqrt(am) * esine / rl;
    const double rvdotl = std::sqrt(pl) / rl;
    const double betal = std::sqrt(1 - el2);
    temp = esine / (1 + betal);
    const double sinu = am / rl * (sineo1 - aynl - axnl * temp);
    const double cosu = am / rl * (coseo1 - axnl + aynl * temp);
    double su = std::atan2(sinu, cosu);
    const double sin2u = (cosu + cosu) * sinu;
    const double cos2u = 1 - 2 * sinu * sinu;
    temp = 1 / pl;
    const double temp1 = 0.5 * kJ2 * temp;
    const double temp2 = temp1 * temp;
    const double mrt = rl * (1 - 1.5 * temp2 * betal * con41) + 0.5 * temp1 * x1mth2 * cos2u;
    su -= 0.25 * temp2 * x7thm1 * sin2u;
    const double xnode = nodep + 1.5 * temp2 * cosip * sin2u;
    const double xinc = xincp + 1.5 * temp2 * cosip * sinip * cos2u;
    const double mvt = rdotl - nm * temp1 * x1mth2 * sin2u / kXke;
    const double rvdot = rvdotl + nm * temp1 * (x1mth2 * cos2u + 1.5 * con41) / kXke;

    const double sinsu = std::sin(su), cossu = std::cos(su);
    const double snod = std::sin(xnode), cnod = std::cos(xnode);
    const double sini = std::sin(xinc), cosi = std::cos(xinc);
    const double xmx = -snod * cosi, xmy = cnod * cosi;
    const double ux = xmx * sinsu + cnod * cossu, uy = xmy * sinsu + snod * cossu,
                 uz = sini * sinsu;
    const double vx = xmx * cossu - cnod * sinsu, vy = xmy * cossu - snod * sinsu,
                 vz = sini * cossu;
    const double kmps = kRadius * kXke / 60.0;
    r[0] = mrt * ux * kRadius;
    r[1] = mrt * uy * kRadius;
    r[2] = mrt * uz * kRadius;
    v[0] = (mvt * ux + rvdot * vx) * kmps;
    v[1] = (mvt * uy + rvdot * vy) * kmps;
    v[2] = (mvt * uz + rvdot * vz) * kmps;
    if (mrt < 1)
        return Sgp4Error::Decayed;
    return Sgp4Error::None;
}

Sgp4Error EcefAtGpsTime(const Sgp4& model, std::int64_t gpst, double fraction, double rs[3]) {
    // The leap seconds at the instant in UTC: GPS time less those of the
    // GPS-time instant, corrected where a leap second falls in between.
    UtcSeconds utc = gpst - static_cast<std::int64_t>(GpsMinusUtc(gpst));
    utc = gpst - static_cast<std::int64_t>(GpsMinusUtc(utc));
    // Whole days and the rest apart, to keep the fraction's precision.
    const double days = static_cast<double>(utc - 946728000) / 86400.0 + fraction / 86400.0;
    const double jdUtc = 2451545.0 + days; // 946728000: 2000-01-01 12:00 UTC
    const double minutes = ((2451545.0 - model.epochJd()) + days) * 1440.0;
    double teme[3], v[3];
    const Sgp4Error e = model.Propagate(minutes, teme, v);
    if (e != Sgp4Error::None)
        return e;
    TemeToEcef(teme, jdUtc, rs);
    for (int i = 0; i < 3; ++i)
        rs[i] *= 1000;
    return Sgp4Error::None;
}

} // namespace velmora::gnss
