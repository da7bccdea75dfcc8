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
#include <vector>

#include "gnss/Ephemerides.h"

using namespace velmora::gnss;

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "ephemerides: %s\n", what);
    std::abort();
}

// 2012-10-31 21:00 UTC, within the test data's day.
constexpr UtcSeconds kAt = 1351717200;

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
        // One instant, a sample of satellite numbers: RTKLIB formats a trace
        // line on every position asked for, so a scan over every number
        // (SatellitesDuring) would make most of a run's time.
        std::vector<Satellite> sats;
        if (data[0] == 'T') {
            sats = e.SatellitesDuring(kAt, kAt, 900);
            if (sats.empty())
                Fault("a TLE set was read without satellites");
            e.ElementsFarFrom(kAt, kAt, 3);
        } else {
            e.FilesCoveringNone(kAt, kAt, 900);
            for (int number = 1; number < 160; number += 5) {
                Satellite s;
                s.number = number;
                s.system = number <= 32 ? 'G' : 'R';
                sats.push_back(s);
            }
        }
        for (std::size_t i = 0; i < sats.size() && i < 32; ++i) {
            double rs[3] = {0, 0, 0};
            if (e.Position(sats[i], kAt + 16, 0.5, rs) != Ephemerides::Fix::Position)
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
