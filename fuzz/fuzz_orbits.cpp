// SPDX-License-Identifier: GPL-3.0-or-later
// Orbit inputs: YUMA and SEM almanacs, two-line element sets through the
// propagator, and satellite names. Files come from users and the web; any
// of them must be refused with a message or give numbers, never crash or
// hang.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "gnss/Almanac.h"
#include "gnss/Ephemerides.h"
#include "gnss/SatelliteNames.h"
#include "gnss/Sgp4.h"

using namespace velmora::gnss;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (int form = 0; form < 2; ++form) {
        try {
            const auto entries = form ? ParseSem(text, "in") : ParseYuma(text, "in");
            for (const AlmanacEntry& a : entries) {
                double r[3];
                const int week = ResolveWeek(a.week, a.toa, 1.0e9);
                AlmanacPosition(a, week, week * kSecondsPerWeek + a.toa + 3600, r);
            }
        } catch (const InputError&) {
        }
    }
    // The first two lines as an element set.
    const std::size_t end1 = text.find('\n');
    if (end1 != std::string::npos) {
        const std::size_t end2 = text.find('\n', end1 + 1);
        try {
            const Sgp4 model(ParseTwoLineElements(
                text.substr(0, end1),
                text.substr(end1 + 1, end2 == std::string::npos ? end2 : end2 - end1 - 1)));
            double r[3], v[3];
            for (double t : {0.0, -1440.0, 1440.0, 30 * 1440.0})
                model.Propagate(t, r, v);
        } catch (const std::invalid_argument&) {
        }
    }
    (void)SatelliteFromName(text.substr(0, 120));
    return 0;
}
