#include "gnss/Prediction.h"

#include <algorithm>
#include <cmath>

namespace velmora::gnss {

std::size_t EpochCount(const PredictionSettings& s) {
    if (!(s.hours > 0) || s.step <= 0)
        return 0;
    return static_cast<std::size_t>(std::floor(s.hours * 3600 / s.step + 1e-9)) + 1;
}

Prediction Predict(const Ephemerides& orbits, std::span<const Footprint> prisms,
                   const PredictionSettings& s,
                   const std::function<bool(std::size_t, std::size_t)>& progress) {
    Prediction p;
    p.receiver = PlaceReceiver(s.latitude, s.longitude, s.groundHeight, s.at, s.antenna);
    const std::size_t total = EpochCount(s);
    const UtcSeconds end =
        s.start +
        static_cast<UtcSeconds>(total > 0 ? (total - 1) * static_cast<std::size_t>(s.step) : 0);
    for (Satellite& sat : orbits.SatellitesDuring(s.start, end)) {
        if (sat.system == 0 || s.systems.find(sat.system) != std::string::npos)
            p.satellites.push_back(std::move(sat));
    }
    std::string systems;
    for (const Satellite& sat : p.satellites)
        if (sat.system && systems.find(sat.system) == std::string::npos)
            systems += sat.system;

    p.epochs.reserve(total);
    std::vector<Direction> open, seen;
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
        std::string positioned;
        for (std::size_t i = 0; i < p.satellites.size(); ++i) {
            const Satellite& sat = p.satellites[i];
            const auto d = LookAt(p.receiver, [&](double before, double rs[3]) {
                const double whole = std::floor(before);
                return orbits.Position(sat, gpst - 1 - static_cast<std::int64_t>(whole),
                                       1 - (before - whole), rs);
            });
            if (!d)
                continue;
            if (sat.system && positioned.find(sat.system) == std::string::npos)
                positioned += sat.system;
            if (d->elevation < 0)
                continue;
            SatelliteSky v{i, *d, SkyState::BelowMask};
            if (d->elevation >= s.mask) {
                open.push_back(*d);
                ++e.aboveMask;
                if (LineOfSightBlocked(prisms, s.at, s.antenna, *d)) {
                    v.state = SkyState::Blocked;
                } else {
                    v.state = SkyState::Visible;
                    seen.push_back(*d);
                    ++e.visible;
                }
            }
            e.satellites.push_back(v);
        }
        e.incomplete = positioned.size() < systems.size();
        e.open = DopsOf(open, s.mask);
        e.withBuildings = DopsOf(seen, s.mask);
        p.epochs.push_back(std::move(e));
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
    double above = 0, visible = 0;
    for (const EpochSky& e : p.epochs) {
        const bool o = GivesPosition(e.open, e.aboveMask);
        const bool w = GivesPosition(e.withBuildings, e.visible);
        goodOpen += o;
        goodWith += w;
        runOpen = o ? 0 : runOpen + 1;
        runWith = w ? 0 : runWith + 1;
        maxOpen = std::max(maxOpen, runOpen);
        maxWith = std::max(maxWith, runWith);
        above += e.aboveMask;
        visible += e.visible;
        s.incompleteEpochs += e.incomplete;
    }
    const double n = static_cast<double>(s.epochs);
    s.shareOpen = static_cast<double>(goodOpen) / n;
    s.shareWithBuildings = static_cast<double>(goodWith) / n;
    s.meanAboveMask = above / n;
    s.meanVisible = visible / n;
    s.longestGapOpen = static_cast<double>(maxOpen) * step;
    s.longestGapWithBuildings = static_cast<double>(maxWith) * step;
    return s;
}

} // namespace velmora::gnss
