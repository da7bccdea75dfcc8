// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Almanac.h"

#include <cctype>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>

#include "gnss/Ephemerides.h"

namespace velmora::gnss {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kGm = 3.986005e14;         // m^3/s^2, IS-GPS-200
constexpr double kOmegaE = 7.2921151467e-5; // rad/s

std::string Where(const std::string& file, int line) {
    return file + ": line " + std::to_string(line) + ": ";
}

bool ParseNumber(const std::string& text, double& out) {
    std::string t = text;
    for (char& c : t)
        if (c == 'D' || c == 'd')
            c = 'E';
    std::istringstream s(t);
    s >> out;
    if (!s || !std::isfinite(out))
        return false;
    s >> std::ws;
    return s.eof();
}

std::string Trim(const std::string& s) {
    const auto a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The PRN as the file gives it: GPS 1-32, QZSS 193-202.
bool SetSatellite(AlmanacEntry& a, double id) {
    if (id != std::floor(id) || id < 0 || id > 1000)
        return false;
    const int n = static_cast<int>(id);
    if (n >= 1 && n <= 32) {
        a.system = 'G';
        a.prn = n;
    } else if (n >= 193 && n <= 202) {
        a.system = 'J';
        a.prn = n - 192;
    } else {
        return false;
    }
    return true;
}

// Orbits no GNSS satellite flies are refused: the file is not what it
// claims to be.
std::string Implausible(const AlmanacEntry& a) {
    if (!(a.eccentricity >= 0 && a.eccentricity < 0.5))
        return "the eccentricity is out of range";
    if (!(a.sqrtA > 4000 && a.sqrtA < 7000))
        return "SQRT(A) is not that of a navigation satellite's orbit";
    if (!(a.toa >= 0 && a.toa <= kSecondsPerWeek))
        return "the time of applicability is not within a week";
    if (a.week < 0)
        return "the week is negative";
    if (a.health < 0 || a.health > 255)
        return "the health is not a byte";
    return {};
}

} // namespace

std::vector<AlmanacEntry> ParseYuma(const std::string& text, const std::string& file) {
    std::vector<AlmanacEntry> out;
    std::istringstream in(text);
    std::string line;
    int number = 0, blockAt = 0;
    AlmanacEntry a;
    std::map<std::string, bool> seen;
    static const char* const kKeys[] = {"ID",
                                        "HEALTH",
                                        "ECCENTRICITY",
                                        "TIME OF APPLICABILITY",
                                        "ORBITAL INCLINATION",
                                        "RATE OF RIGHT ASCEN",
                                        "SQRT(A)",
                                        "RIGHT ASCEN AT WEEK",
                                        "ARGUMENT OF PERIGEE",
                                        "MEAN ANOM",
                                        "AF0",
                                        "AF1",
                                        "WEEK"};
    auto finish = [&]() {
        if (!blockAt)
            return;
        for (const char* k : kKeys)
            if (!seen[k])
                throw InputError(Where(file, blockAt) + "the almanac entry has no \"" + k +
                                 "\" line");
        if (const std::string why = Implausible(a); !why.empty())
            throw InputError(Where(file, blockAt) + why);
        out.push_back(a);
        a = AlmanacEntry();
        seen.clear();
        blockAt = 0;
    };
    while (std::getline(in, line)) {
        ++number;
        const std::string t = Trim(line);
        if (t.empty())
            continue;
        if (t[0] == '*') {
            finish();
            blockAt = number;
            continue;
        }
        const auto colon = t.find(':');
        if (colon == std::string::npos || !blockAt)
            throw InputError(Where(file, number) + "not a line of a YUMA almanac");
        std::string key = Trim(t.substr(0, colon));
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        double v = 0;
        if (!ParseNumber(Trim(t.substr(colon + 1)), v))
            throw InputError(Where(file, number) + "\"" + Trim(t.substr(colon + 1)) +
                             "\" is not a number");
        const char* matched = nullptr;
        for (const char* k : kKeys)
            if (key.rfind(k, 0) == 0)
                matched = k;
        if (!matched)
            throw InputError(Where(file, number) + "unknown almanac field \"" + key + "\"");
        if (seen[matched])
            throw InputError(Where(file, number) + "a second \"" + matched + "\" line");
        seen[matched] = true;
        const std::string k = matched;
        if (k == "ID") {
            if (!SetSatellite(a, v))
                throw InputError(Where(file, number) + "not a GPS or QZSS PRN");
        } else if (k == "HEALTH") {
            if (v != std::floor(v) || v < 0 || v > 255)
                throw InputError(Where(file, number) + "the health is not a byte");
            a.health = static_cast<int>(v);
        } else if (k == "ECCENTRICITY") {
            a.eccentricity = v;
        } else if (k == "TIME OF APPLICABILITY") {
            a.toa = v;
        } else if (k == "ORBITAL INCLINATION") {
            a.inclination = v;
        } else if (k == "RATE OF RIGHT ASCEN") {
            a.raanRate = v;
        } else if (k == "SQRT(A)") {
            a.sqrtA = v;
        } else if (k == "RIGHT ASCEN AT WEEK") {
            a.raanAtWeek = v;
        } else if (k == "ARGUMENT OF PERIGEE") {
            a.perigee = v;
        } else if (k == "MEAN ANOM") {
            a.meanAnomaly = v;
        } else if (k == "AF0") {
            a.af0 = v;
        } else if (k == "AF1") {
            a.af1 = v;
        } else if (k == "WEEK") {
            if (v != std::floor(v) || v < 0 || v > 1e5)
                throw InputError(Where(file, number) + "not a week number");
            a.week = static_cast<int>(v);
        }
    }
    finish();
    if (out.empty())
        throw InputError(file + ": no almanac entry");
    return out;
}

std::vector<AlmanacEntry> ParseSem(const std::string& text, const std::string& file) {
    // The SEM form is a sequence of numbers; their lines only matter for the
    // messages.
    struct Token {
        std::string text;
        int line;
    };
    std::vector<Token> tokens;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    std::string title;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream words(line);
        std::string w;
        if (number == 1) {
            // "31 CURRENT.ALM": the count, then a title.
            words >> w;
            tokens.push_back({w, number});
            continue;
        }
        while (words >> w)
            tokens.push_back({w, number});
    }
    std::size_t at = 0;
    auto next = [&](const char* what) {
        if (at >= tokens.size())
            throw InputError(file + ": the almanac ends before its " + what);
        double v = 0;
        if (!ParseNumber(tokens[at].text, v))
            throw InputError(Where(file, tokens[at].line) + "\"" + tokens[at].text +
                             "\" is not a number (" + what + ")");
        ++at;
        return v;
    };
    const double count = next("number of records");
    if (count != std::floor(count) || count < 1 || count > 64)
        throw InputError(Where(file, 1) + "not a SEM almanac's number of records");
    const double week = next("week"), toa = next("time of applicability");
    if (week != std::floor(week) || week < 0 || week > 1e5)
        throw InputError(Where(file, 2) + "not a week number");
    std::vector<AlmanacEntry> out;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        AlmanacEntry a;
        a.week = static_cast<int>(week);
        a.toa = toa;
        const int prnLine = at < tokens.size() ? tokens[at].line : number;
        // SEM almanacs are GPS's alone: their inclination is an offset from
        // GPS's 0.3 semicircles.
        const double prn = next("PRN");
        if (!SetSatellite(a, prn) || a.system != 'G')
            throw InputError(Where(file, prnLine) + "not a GPS PRN");
        next("SVN");
        next("URA");
        a.eccentricity = next("eccentricity");
        a.inclination = (0.3 + next("inclination offset")) * kPi;
        a.raanRate = next("rate of right ascension") * kPi;
        a.sqrtA = next("SQRT(A)");
        a.raanAtWeek = next("right ascension at week") * kPi;
        a.perigee = next("argument of perigee") * kPi;
        a.meanAnomaly = next("mean anomaly") * kPi;
        a.af0 = next("Af0");
        a.af1 = next("Af1");
        const int healthLine = at < tokens.size() ? tokens[at].line : number;
        const double health = next("health");
        if (health != std::floor(health) || health < 0 || health > 255)
            throw InputError(Where(file, healthLine) + "the health is not a byte");
        a.health = static_cast<int>(health);
        next("configuration");
        if (const std::string why = Implausible(a); !why.empty())
            throw InputError(Where(file, prnLine) + why);
        out.push_back(a);
    }
    if (at != tokens.size())
        throw InputError(Where(file, tokens[at].line) +
                         "more records than the almanac's first line counts");
    return out;
}

std::vector<AlmanacEntry> ReadAlmanac(const std::string& file) {
    return ParseAlmanac(ReadInputFile(file, kMaxAlmanacBytes), file);
}

std::vector<AlmanacEntry> ParseAlmanac(const std::string& text, const std::string& file) {
    if (text.find('\0') != std::string::npos)
        throw InputError(file + ": not a text file");
    const std::string first = Trim(text.substr(0, text.find('\n')));
    if (!first.empty() && first[0] == '*')
        return ParseYuma(text, file);
    if (!first.empty() && std::isdigit(static_cast<unsigned char>(first[0])))
        return ParseSem(text, file);
    throw InputError(file + ": neither a YUMA nor a SEM almanac");
}

int ResolveWeek(int week, double toa, GpsSeconds near) {
    const int mod = ((week % 1024) + 1024) % 1024;
    // The candidate whose reference time lies nearest, from the 1024-week
    // cycle around `near`.
    const double cycle = 1024 * kSecondsPerWeek;
    const double base = mod * kSecondsPerWeek + toa;
    const double k = std::round((near - base) / cycle);
    return mod + 1024 * static_cast<int>(std::max(0.0, k));
}

void AlmanacPosition(const AlmanacEntry& a, int fullWeek, GpsSeconds t, double ecef[3]) {
    const double A = a.sqrtA * a.sqrtA;
    const double n0 = std::sqrt(kGm / (A * A * A));
    const double tk = t - (fullWeek * kSecondsPerWeek + a.toa);
    const double M = a.meanAnomaly + n0 * tk;
    double E = M;
    for (int i = 0; i < 30; ++i) {
        const double step =
            (E - a.eccentricity * std::sin(E) - M) / (1 - a.eccentricity * std::cos(E));
        E -= step;
        if (std::fabs(step) < 1e-14)
            break;
    }
    const double e = a.eccentricity;
    const double nu = std::atan2(std::sqrt(1 - e * e) * std::sin(E), std::cos(E) - e);
    const double phi = nu + a.perigee;
    const double r = A * (1 - e * std::cos(E));
    const double xp = r * std::cos(phi), yp = r * std::sin(phi);
    const double node = a.raanAtWeek + (a.raanRate - kOmegaE) * tk - kOmegaE * a.toa;
    const double cn = std::cos(node), sn = std::sin(node);
    const double ci = std::cos(a.inclination), si = std::sin(a.inclination);
    ecef[0] = xp * cn - yp * ci * sn;
    ecef[1] = xp * sn + yp * ci * cn;
    ecef[2] = yp * si;
}

} // namespace velmora::gnss
