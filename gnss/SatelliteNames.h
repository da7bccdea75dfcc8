// SPDX-License-Identifier: GPL-3.0-or-later
// The system and number a two-line element set's name line gives its
// satellite, in the forms the usual sources use: "G13", "R14S", "J01",
// "120" (short ids), "GPS BIIR-2 (PRN 13)", "GSAT0101 (GALILEO-PRN E11)",
// "BEIDOU-2 G1 (C01)", "QZS-1 (MICHIBIKI)", "COSMOS 2425 (716)".
#pragma once

#include <string>

namespace velmora::gnss {

struct NamedSatellite {
    char system = 0; // 'G', 'R', 'E', 'C', 'J', 'S'; 0 where the name does not say
    int number = 0;  // PRN (GLONASS: slot); 0 where the name does not say
    // A letter after a short id ("R14S", "R22M"): another satellite that
    // the source filed under that slot, so not the slot's own.
    char qualifier = 0;
    // "G13", "J01", "S120" style id; empty without a number.
    std::string Id() const;
};

// Reads the name; what the name does not say stays unknown. GLONASS names
// ("COSMOS 2425 (716)") carry the satellite's serial number, not its orbital
// slot, and slots are reassigned over the years: they give the system only.
NamedSatellite SatelliteFromName(const std::string& name);

} // namespace velmora::gnss
