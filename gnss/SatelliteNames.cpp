// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/SatelliteNames.h"

#include <cctype>
#include <cstdio>
#include <regex>

namespace velmora::gnss {

namespace {

struct Qzs {
    const char* name;
    int prn;
};
// The QZSS satellites' L1 C/A PRNs as the operator assigns them; the names
// number the satellites in launch order, which is not the PRN order.
constexpr Qzs kQzss[] = {{"1", 193}, {"2", 194}, {"3", 199}, {"4", 195}, {"1R", 196}};

std::string Upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Trim, and drop a trailing comment some files add after the name.
    if (const auto hash = u.find('#'); hash != std::string::npos)
        u.erase(hash);
    const auto a = u.find_first_not_of(" \t\r"), b = u.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : u.substr(a, b - a + 1);
}

// PRN ranges per system as RTKLIB numbers them (QZSS from PRN 193 as J01).
NamedSatellite Checked(char system, int number, char qualifier = 0) {
    const int max = system == 'G'   ? 32
                    : system == 'R' ? 27
                    : system == 'E' ? 36
                    : system == 'C' ? 63
                    : system == 'J' ? 10
                    : system == 'S' ? 158
                                    : 0;
    const int min = system == 'S' ? 120 : 1;
    if (number < min || number > max)
        return {system, 0, 0};
    return {system, number, qualifier};
}

} // namespace

std::string NamedSatellite::Id() const {
    if (!system || !number)
        return {};
    char id[8];
    if (system == 'S')
        std::snprintf(id, sizeof id, "S%03d", number);
    else
        std::snprintf(id, sizeof id, "%c%02d", system, number);
    return id;
}

NamedSatellite SatelliteFromName(const std::string& raw) {
    const std::string name = Upper(raw);
    std::smatch m;
    // Short ids: "G05", "R14S", "C30", and SBAS PRNs "120".
    static const std::regex shortId(R"(([GRECJ])(\d{2})([A-Z]?))");
    if (std::regex_match(name, m, shortId))
        return Checked(name[0], std::stoi(m[2]), m[3].length() ? m[3].str()[0] : 0);
    static const std::regex sbas(R"(1[2-5]\d)");
    if (std::regex_match(name, sbas))
        return Checked('S', std::stoi(name));

    // A PRN in parentheses: "(PRN 13)", "(C01)", "(GALILEO-PRN E11)",
    // "(QZSS/PRN 193)".
    const bool gps = name.rfind("GPS", 0) == 0 || name.rfind("NAVSTAR", 0) == 0;
    const bool beidou = name.rfind("BEIDOU", 0) == 0 || name.rfind("COMPASS", 0) == 0;
    const bool galileo = name.rfind("GSAT", 0) == 0 || name.rfind("GALILEO", 0) == 0 ||
                         name.find("GALILEO-PRN") != std::string::npos;
    const bool qzss = name.rfind("QZS", 0) == 0 || name.rfind("MICHIBIKI", 0) == 0;
    const bool glonass = name.rfind("COSMOS", 0) == 0 || name.rfind("GLONASS", 0) == 0 ||
                         name.rfind("KOSMOS", 0) == 0;
    static const std::regex lettered(R"(\((?:[A-Z]+-)?(?:PRN )?([GRECJ])(\d{1,2})\))");
    if (std::regex_search(name, m, lettered)) {
        const char sys = m[1].str()[0];
        if ((gps && sys == 'G') || (beidou && sys == 'C') || (galileo && sys == 'E') ||
            (qzss && sys == 'J') || (glonass && sys == 'R'))
            return Checked(sys, std::stoi(m[2]));
    }
    static const std::regex prn(R"(\((?:[A-Z]+[/ -])?PRN[ -]?(\d{1,3})\))");
    if (std::regex_search(name, m, prn)) {
        const int n = std::stoi(m[1]);
        if (gps)
            return Checked('G', n);
        if (qzss)
            return n >= 193 ? Checked('J', n - 192) : NamedSatellite{'J', 0, 0};
        if (galileo)
            return Checked('E', n);
        if (beidou)
            return Checked('C', n);
    }
    if (qzss) {
        static const std::regex qzsNumber(R"(QZS-(\d+R?)\b.*)");
        if (std::regex_match(name, m, qzsNumber))
            for (const Qzs& q : kQzss)
                if (m[1] == q.name)
                    return Checked('J', q.prn - 192);
        return {'J', 0, 0};
    }
    if (gps)
        return {'G', 0, 0}; // "NAVSTAR 43 (USA 132)": a launch number, not the PRN
    if (beidou)
        return {'C', 0, 0}; // "BEIDOU-2 G1": an orbit slot name, not the PRN
    if (galileo)
        return {'E', 0, 0};
    if (glonass)
        return {'R', 0, 0};
    return {};
}

} // namespace velmora::gnss
