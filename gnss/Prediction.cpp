// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnss/Prediction.h"

#include "geometry/SkyMask.h"
#include "gnss/Reflections.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace velmora::gnss {

std::size_t EpochCount(const PredictionSettings& s) {
    if (!(s.hours > 0) || s.step <= 0)
        return 0;
    const double n = std::floor(s.hours * 3600 / s.step + 1e-9);
    if (!(n < 1e15))
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(n) + 1;
}

std::string SettingsProblem(const PredictionSettings& s) {
    if (!(std::fabs(s.at.x) <= kMaxPlanOffset && std::fabs(s.at.y) <= kMaxPlanOffset))
        return "the receiver must stand within " +
               std::to_string(static_cast<int>(kMaxPlanOffset)) +
               " m of the origin, east and north";
    if (!(std::fabs(s.latitude) <= 90 && std::fabs(s.longitude) <= 360))
        return "the origin's latitude and longitude are out of range";
    if (!(std::fabs(s.groundHeight) <= 10000 && s.antenna >= 0 && s.antenna <= 1000))
        return "the ground's or the antenna's height is out of range";
    if (s.step < 1 || !(s.hours > 0) || EpochCount(s) > kMaxEpochs)
        return "the period must be above 0 and hold at most " + std::to_string(kMaxEpochs) +
               " epochs";
    if (!(s.mask >= 0 && s.mask < 90))
        return "the elevation mask must lie within 0 ... 90 degrees";
    return {};
}

UtcSeconds LastEpoch(const PredictionSettings& s) {
    const std::size_t n = EpochCount(s);
    return s.start +
           static_cast<UtcSeconds>(n > 0 ? (n - 1) * static_cast<std::size_t>(s.step) : 0);
}

Sight SightOf(const SkyScene& scene, std::span<const Footprint> prisms, PlanXY at, double antenna,
              Direction d) {
    if (!scene.Blocks(d.azimuth, d.elevation))
        return {SkyState::Visible, 0};
    if (const std::optional<Reflection> r = ShortestReflection(prisms, at, antenna, d))
        return {SkyState::Reflected, r->extraPath};
    return {SkyState::Blocked, 0};
}

Prediction Predict(const Ephemerides& orbits, std::span<const Footprint> prisms,
                   const PredictionSettings& s,
                   const std::function<bool(std::size_t, std::size_t)>& progress) {
    if (const std::string problem = SettingsProblem(s); !problem.empty())
        throw std::invalid_argument(problem);
    Prediction p;
    p.receiver = PlaceReceiver(s.latitude, s.longitude, s.groundHeight, s.at, s.antenna);
    const std::size_t total = EpochCount(s);
    const UtcSeconds end = LastEpoch(s);
    const SkyScene scene(prisms, s.at, s.antenna);
    for (Satellite& sat : orbits.SatellitesDuring(s.start, end, s.step)) {
        if (sat.system == 0 || s.systems.find(sat.system) != std::string::npos)
            p.satellites.push_back(std::move(sat));
    }

    // Per satellite: the last light time, and the first instant it may rise
    // to the horizon again. Its elevation changes no faster than its speed
    // (at most the escape speed at its radius, plus the earth's turning)
    // over its distance, so below the horizon whole stretches are passed
    // over.
    struct Track {
        double tau = 0.075;
        int rounds = 2;
        UtcSeconds hiddenUntil = 0;
    };
    std::vector<Track> tracks(p.satellites.size());
    // Where each satellite was below the horizon: the instant and how long
    // it must stay there at the least.
    struct Hidden {
        UtcSeconds utc;
        double seconds;
    };
    std::vector<std::vector<Hidden>> below(p.satellites.size());
    constexpr double kGm = 3.986004418e14;
    p.epochs.reserve(total);
    std::vector<Direction> open, seen, heard;
    for (std::size_t k = 0; k < total; ++k) {
        if (progress && k % 64 == 0 && !progress(k, total)) {
            p.cancelled = true;
            return p;
        }
        EpochSky e;
        e.utc = s.start + static_cast<UtcSeconds>(k) * s.step;
        const std::int64_t gpst = e.utc + static_cast<std::int64_t>(GpsMinusUtc(e.utc));
        open.clear();
        seen.clear();
        heard.clear();
        for (std::size_t i = 0; i < p.satellites.size(); ++i) {
            const Satellite& sat = p.satellites[i];
            Track& track = tracks[i];
            if (e.utc < track.hiddenUntil)
                continue;
            Ephemerides::Fix fix = Ephemerides::Fix::Position;
            double radius = 0, range = 0;
            const auto d = LookAt(
                p.receiver,
                [&](double before, double rs[3]) {
                    // The light time from any place an orbit may be is well
                    // under a second.
                    if (!(before >= 0 && before < 1)) {
                        fix = Ephemerides::Fix::NoEphemeris;
                        return false;
                    }
                    const double whole = std::floor(before);
                    fix = orbits.Position(sat, gpst - 1 - static_cast<std::int64_t>(whole),
                                          1 - (before - whole), rs);
                    radius = std::sqrt(rs[0] * rs[0] + rs[1] * rs[1] + rs[2] * rs[2]);
                    return fix == Ephemerides::Fix::Position;
                },
                track.tau, track.rounds, range);
            if (fix == Ephemerides::Fix::NoEphemeris)
                e.missing.push_back(i);
            if (!d) {
                track.rounds = 2;
                continue;
            }
            track.rounds = 1;
            if (d->elevation < -1 && radius > 0) {
                const double rate = (std::sqrt(2 * kGm / radius) + 500) / range; // rad/s
                const double seconds =
                    std::min((-d->elevation - 0.5) * std::numbers::pi / 180 / rate, 86400.0 * 366);
                track.hiddenUntil = e.utc + static_cast<UtcSeconds>(seconds);
                below[i].push_back({e.utc, seconds});
            }
            if (d->elevation < 0)
                continue;
            SatelliteSky v{i, *d, SkyState::BelowMask};
            if (d->elevation >= s.mask) {
                open.push_back(*d);
                ++e.aboveMask;
                const Sight sight = SightOf(scene, prisms, s.at, s.antenna, *d);
                v.state = sight.state;
                v.extraPath = sight.extraPath;
                if (sight.state == SkyState::Visible) {
                    seen.push_back(*d);
                    ++e.visible;
                }
                if (sight.state != SkyState::Blocked)
                    heard.push_back(*d);
                e.reflected += sight.state == SkyState::Reflected;
            }
            e.satellites.push_back(v);
        }
        e.open = DopsOf(open, s.mask);
        e.withBuildings = DopsOf(seen, s.mask);
        e.withReflected = DopsOf(heard, s.mask);
        p.epochs.push_back(std::move(e));
    }
    // A satellite without an ephemeris is missing only where it might have
    // stood above the horizon: not within the time it needs to rise from
    // where it was last or will next be seen below.
    for (EpochSky& e : p.epochs) {
        std::erase_if(e.missing, [&](std::size_t i) {
            const std::vector<Hidden>& h = below[i];
            const auto next = std::lower_bound(
                h.begin(), h.end(), e.utc, [](const Hidden& a, UtcSeconds t) { return a.utc < t; });
            const auto near = [&](const Hidden& a) {
                return std::fabs(static_cast<double>(e.utc - a.utc)) < a.seconds;
            };
            return (next != h.end() && near(*next)) || (next != h.begin() && near(*(next - 1)));
        });
    }
    if (progress)
        progress(total, total);
    return p;
}

bool GivesPosition(const std::optional<Dops>& d, int count) {
    return count >= 4 && d && d->pdop <= 6;
}

Summary Summarise(const Prediction& p, int step) {
    Summary s;
    s.epochs = p.epochs.size();
    if (s.epochs == 0)
        return s;
    std::size_t goodOpen = 0, goodWith = 0, runOpen = 0, runWith = 0, maxOpen = 0, maxWith = 0;
    std::size_t goodReflected = 0, reflectedInUse = 0;
    double above = 0, visible = 0, reflected = 0;
    for (const EpochSky& e : p.epochs) {
        if (!e.missing.empty()) {
            // Unknown: neither a position nor a gap; a stretch ends here.
            ++s.incompleteEpochs;
            runOpen = runWith = 0;
            continue;
        }
        const bool o = GivesPosition(e.open, e.aboveMask);
        const bool w = GivesPosition(e.withBuildings, e.visible);
        const bool h = GivesPosition(e.withReflected, e.visible + e.reflected);
        goodOpen += o;
        goodWith += w;
        goodReflected += h;
        reflectedInUse += h && e.reflected > 0;
        reflected += e.reflected;
        runOpen = o ? 0 : runOpen + 1;
        runWith = w ? 0 : runWith + 1;
        maxOpen = std::max(maxOpen, runOpen);
        maxWith = std::max(maxWith, runWith);
        above += e.aboveMask;
        visible += e.visible;
    }
    const double n = static_cast<double>(s.epochs - s.incompleteEpochs);
    if (n == 0)
        return s;
    s.shareOpen = static_cast<double>(goodOpen) / n;
    s.shareWithBuildings = static_cast<double>(goodWith) / n;
    s.meanAboveMask = above / n;
    s.meanVisible = visible / n;
    s.shareWithReflected = static_cast<double>(goodReflected) / n;
    s.shareReflectedInUse = static_cast<double>(reflectedInUse) / n;
    s.meanReflected = reflected / n;
    s.longestGapOpen = static_cast<double>(maxOpen) * step;
    s.longestGapWithBuildings = static_cast<double>(maxWith) * step;
    return s;
}

} // namespace velmora::gnss
