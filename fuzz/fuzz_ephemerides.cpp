// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the ephemeris readers. The first byte chooses the
// reader (N: RINEX navigation, T: two-line elements), the rest is the file.
// A refused file must throw InputError; an accepted one must give positions
// that are at an orbit's distance or none, and hold every satellite it named.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "gnss/Ephemerides.h"

using namespace velmora::gnss;

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "ephemerides: %s\n", what);
    std::abort();
}

// 2012-10-31 21:00 UTC, the test data's day, and an hour after.
constexpr UtcSeconds kFrom = 1351717200, kTo = kFrom + 3600;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The readers copy each file into a private folder: in memory, a run
    // does not wait for the disk.
    struct stat st {};
    if (!std::getenv("TMPDIR") && ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode))
        ::setenv("TMPDIR", "/dev/shm", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || (data[0] != 'N' && data[0] != 'T'))
        return -1;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        const Ephemerides e = data[0] == 'N' ? Ephemerides::FromNavText({{"input.nav", text}})
                                             : Ephemerides::FromTleText("input.tle", text);
        const std::vector<Satellite> sats = e.SatellitesDuring(kFrom, kTo, 900);
        if (data[0] == 'T' && sats.empty())
            Fault("a TLE set was read without satellites");
        e.FilesCoveringNone(kFrom, kTo, 900);
        e.ElementsFarFrom(kFrom, kTo, 3);
        for (const Satellite& s : sats)
            for (UtcSeconds t = kFrom; t <= kTo; t += 1800) {
                double rs[3] = {0, 0, 0};
                if (e.Position(s, t + 16, 0.5, rs) != Ephemerides::Fix::Position)
                    continue;
                const double r = std::sqrt(rs[0] * rs[0] + rs[1] * rs[1] + rs[2] * rs[2]);
                if (!(r >= kMinOrbitRadius && r <= kMaxOrbitRadius))
                    Fault("a position outside any orbit");
            }
    } catch (const InputError&) {
        // Refused with a message: what a broken file must give.
    }
    return 0;
}
