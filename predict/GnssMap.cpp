// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/GnssMap.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <exception>
#include <mutex>
#include <numbers>
#include <thread>

#include "geometry/SkyMask.h"
#include "gnss/Reflections.h"

namespace velmora::predict {

namespace {

using enum ParamType;

constexpr double kDeg = std::numbers::pi / 180;

const Parameter kArea{.name = "area",
                      .type = Text,
                      .valueName = "X0,Y0,X1,Y1",
                      .help = "the cell centres' rectangle, plan metres east and north of the "
                              "origin: west, south, east, north",
                      .label = "範囲"};
const Parameter kMapCell{.name = "cell",
                         .type = Number,
                         .min = 0.1,
                         .max = 1000,
                         .fallback = "2",
                         .valueName = "METRES",
                         .help = "distance between cell centres in metres",
                         .unit = "metres",
                         .label = "格子の大きさ",
                         .unitJa = " m"};
const Parameter kMinSatellites{.name = "min-satellites",
                               .type = Whole,
                               .min = 4,
                               .max = 200,
                               .fallback = "4",
                               .valueName = "N",
                               .help = "satellites in direct view an epoch needs for a position",
                               .unit = "satellites",
                               .label = "測位に必要な衛星数",
                               .unitJa = " 機",
                               .decimals = 0};
const Parameter kMaxPdop{.name = "max-pdop",
                         .type = Number,
                         .min = 1,
                         .max = 1000,
                         .fallback = "6",
                         .valueName = "P",
                         .help = "highest PDOP of an epoch with a position",
                         .label = "測位できる PDOP の上限",
                         .decimals = 1};
const Parameter kTile{.name = "tile",
                      .type = Text,
                      .fallback = "1/1",
                      .valueName = "I/N",
                      .help = "compute only the I-th of N bands of rows (north first); the "
                              "tiles' GeoTIFFs mosaic into the whole grid",
                      .label = "タイル"};

gnss::Ephemerides ReadOrbits(const GnssRequest& r) {
    try {
        if (!r.tle.empty())
            return gnss::Ephemerides::FromTle(r.tle);
        return gnss::Ephemerides::FromNav(r.nav);
    } catch (const gnss::InputError& e) {
        Error error{ErrorCode::EphemerisFile};
        error.reason = e.what();
        throw Failure(std::move(error));
    }
}

[[noreturn]] void Refuse(std::string reason) {
    Error e{ErrorCode::BadSettings};
    e.reason = std::move(reason);
    throw Failure(std::move(e));
}

// One satellite's earth-fixed place at an epoch, in the frame of reception.
struct Placed {
    double rs[3];
};

struct EpochPlaces {
    bool complete = true; // every satellite of the set has an ephemeris
    std::vector<Placed> satellites;
};

// The receiver's earth-fixed place and its east-north-up axes, as RTKLIB's
// satazel forms them, computed once per cell.
struct Station {
    gnss::Receiver receiver;
    double axes[9];
};

Station StationAt(const gnss::PredictionSettings& s, PlanXY at) {
    Station st;
    st.receiver = gnss::PlaceReceiver(s.latitude, s.longitude, s.groundHeight, at, s.antenna);
    const double sinp = std::sin(st.receiver.latitude * kDeg);
    const double cosp = std::cos(st.receiver.latitude * kDeg);
    const double sinl = std::sin(st.receiver.longitude * kDeg);
    const double cosl = std::cos(st.receiver.longitude * kDeg);
    const double e[9] = {-sinl,       -sinp * cosl, cosp * cosl, cosl, -sinp * sinl,
                         cosp * sinl, 0.0,          cosp,        sinp};
    std::copy(std::begin(e), std::end(e), st.axes);
    return st;
}

// gnss::DirectionTo with the receiver's axes computed beforehand.
gnss::Direction DirectionFrom(const Station& st, const double target[3]) {
    const double* o = st.receiver.ecef;
    double e[3] = {target[0] - o[0], target[1] - o[1], target[2] - o[2]};
    const double len = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    if (len > 0)
        for (double& v : e)
            v /= len;
    const double* E = st.axes;
    double enu[3];
    for (int i = 0; i < 3; ++i) {
        double d = 0.0;
        d += E[i] * e[0];
        d += E[i + 3] * e[1];
        d += E[i + 6] * e[2];
        enu[i] = d;
    }
    double c = 0.0;
    c += enu[0] * enu[0];
    c += enu[1] * enu[1];
    double az = c < 1e-12 ? 0.0 : std::atan2(enu[0], enu[1]);
    if (az < 0.0)
        az += 2 * std::numbers::pi;
    const double el = std::asin(enu[2]);
    return {az / kDeg, el / kDeg};
}

struct CellFigures {
    std::array<float, kMapBands> band;
};

CellFigures Figures(const std::vector<EpochPlaces>& epochs, const Station& st,
                    const SkyScene& scene, const gnss::ReflectionScene& reflections,
                    const GnssMapRequest& r) {
    const gnss::PredictionSettings& s = r.gnss.settings;
    std::size_t n = 0, good = 0, run = 0, longest = 0, withDops = 0;
    double visibleSum = 0, pdopSum = 0, reflectedSum = 0;
    std::vector<gnss::Direction> seen;
    for (const EpochPlaces& e : epochs) {
        if (!e.complete) {
            // Unknown: neither a position nor an outage; a stretch ends here.
            run = 0;
            continue;
        }
        seen.clear();
        int reflected = 0;
        for (const Placed& p : e.satellites) {
            const gnss::Direction d = DirectionFrom(st, p.rs);
            if (!(d.elevation >= 0 && d.elevation >= s.mask))
                continue;
            if (scene.Blocks(d.azimuth, d.elevation))
                reflected += reflections.Any(d);
            else
                seen.push_back(d);
        }
        const int visible = static_cast<int>(seen.size());
        // Fewer than four directions have no DOPs.
        const std::optional<gnss::Dops> dops =
            visible >= 4 ? gnss::DopsOf(seen, s.mask) : std::nullopt;
        const bool position = visible >= r.minSatellites && dops && dops->pdop <= r.maxPdop;
        ++n;
        good += position;
        run = position ? 0 : run + 1;
        longest = std::max(longest, run);
        visibleSum += visible;
        reflectedSum += reflected;
        if (dops) {
            ++withDops;
            pdopSum += dops->pdop;
        }
    }
    CellFigures f;
    f.band.fill(kMapNodata);
    if (n == 0)
        return f;
    const double count = static_cast<double>(n);
    f.band[0] = static_cast<float>(100.0 * static_cast<double>(good) / count);
    f.band[1] = static_cast<float>(visibleSum / count);
    if (withDops > 0)
        f.band[2] = static_cast<float>(pdopSum / static_cast<double>(withDops));
    f.band[3] = static_cast<float>(static_cast<double>(longest) * s.step / 60.0);
    f.band[4] = static_cast<float>(reflectedSum / count);
    return f;
}

} // namespace

const Algorithm& GnssMapAlgorithm() {
    // Built on first use: the gnss command's declarations live in another
    // file, whose objects need not be ready before this one's.
    static const Parameter* const parameters[] = {&kArea,
                                                  &kMapCell,
                                                  &ParameterOf(GnssAlgorithm(), "origin"),
                                                  &ParameterOf(GnssAlgorithm(), "height"),
                                                  &kAntennaHeight,
                                                  &ParameterOf(GnssAlgorithm(), "nav"),
                                                  &ParameterOf(GnssAlgorithm(), "tle"),
                                                  &ParameterOf(GnssAlgorithm(), "start"),
                                                  &ParameterOf(GnssAlgorithm(), "hours"),
                                                  &ParameterOf(GnssAlgorithm(), "step"),
                                                  &ParameterOf(GnssAlgorithm(), "elevation-mask"),
                                                  &ParameterOf(GnssAlgorithm(), "systems"),
                                                  &kMinSatellites,
                                                  &kMaxPdop,
                                                  &kTile};
    static const Algorithm algorithm{
        "gnss-map",
        "The GNSS prediction of the gnss command at every cell centre of a plan grid among the "
        "buildings of a project file: band 1 the percentage of epochs with a position (enough "
        "satellites in direct view and the PDOP low enough), band 2 the mean number of "
        "satellites in direct view, band 3 the mean PDOP, band 4 the longest outage in "
        "minutes, band 5 the mean number of blocked satellites reached by a single reflection "
        "off a wall. Cells inside a footprint are nodata. Epochs with satellites lacking an "
        "ephemeris are left out, as in the gnss command's summary.",
        parameters};
    return algorithm;
}

std::array<const char*, kMapBands> MapBandNames() {
    return {"epochs with a position (%)", "mean satellites in direct view", "mean PDOP",
            "longest outage (minutes)", "mean reflected satellites"};
}

std::pair<int, int> TileRows(int rows, int tile, int tiles) {
    const auto at = [&](int k) {
        return static_cast<int>(static_cast<long long>(rows) * k / tiles);
    };
    return {at(tile - 1), at(tile)};
}

std::array<double, 4> ParseArea(std::string_view text) {
    const std::vector<std::string> items = ListItems(text);
    std::array<double, 4> v{};
    bool ok = items.size() == 4;
    for (std::size_t i = 0; ok && i < 4; ++i) {
        const std::string& item = items[i];
        const char* end = item.data() + item.size();
        const auto [ptr, ec] = std::from_chars(item.data(), end, v[i]);
        ok = !item.empty() && ec == std::errc() && ptr == end && std::isfinite(v[i]);
    }
    if (!ok)
        Refuse("--area " + std::string(text) +
               ": expected four numbers X0,Y0,X1,Y1 (plan metres: west, south, east, north)");
    return v;
}

std::pair<int, int> ParseTile(std::string_view text) {
    const std::size_t slash = text.find('/');
    int tile = 0, tiles = 0;
    const auto whole = [](std::string_view t, int& out) {
        const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
        return !t.empty() && ec == std::errc() && ptr == t.data() + t.size();
    };
    if (slash == std::string_view::npos || !whole(text.substr(0, slash), tile) ||
        !whole(text.substr(slash + 1), tiles) || tiles < 1 || tile < 1 || tile > tiles)
        Refuse("--tile " + std::string(text) +
               ": expected I/N, whole numbers with 1 <= I <= N (the I-th of N bands of rows)");
    return {tile, tiles};
}

MapGrid Validate(const GnssMapRequest& r) {
    GnssRequest g = r.gnss;
    // The receivers stand at the cell centres; the prediction's own checks
    // see the area's centre.
    g.settings.at = {(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2};
    for (double v : {r.x0, r.y0, r.x1, r.y1})
        if (!(std::fabs(v) <= gnss::kMaxPlanOffset))
            Refuse("--area: every edge must lie within " +
                   std::to_string(static_cast<int>(gnss::kMaxPlanOffset)) +
                   " m of the origin, east and north");
    if (!(r.x1 >= r.x0 && r.y1 >= r.y0))
        Refuse("--area " + NumberText(r.x0) + "," + NumberText(r.y0) + "," + NumberText(r.x1) +
               "," + NumberText(r.y1) +
               ": the east edge must not lie west of the west edge, nor the north edge south "
               "of the south edge");
    predict::Validate(g);
    CheckValue(kMapCell, r.cell);
    CheckValue(kMinSatellites, r.minSatellites);
    CheckValue(kMaxPdop, r.maxPdop);
    // Centres from west to east at whole cells; a rest short of a cell is
    // not covered (a hair of rounding counts as a whole cell).
    const double across = std::floor((r.x1 - r.x0) / r.cell + 1e-9) + 1;
    const double down = std::floor((r.y1 - r.y0) / r.cell + 1e-9) + 1;
    if (across * down > kMaxMapCells)
        throw Failure({ErrorCode::GridTooLarge,
                       {NumberText(across), NumberText(down), NumberText(kMaxMapCells / 1e6)}});
    MapGrid grid;
    grid.columns = static_cast<int>(across);
    grid.rows = static_cast<int>(down);
    grid.cell = r.cell;
    grid.west = r.x0;
    grid.north = r.y0 + (grid.rows - 1) * r.cell;
    if (r.tiles < 1 || r.tile < 1 || r.tile > r.tiles)
        Refuse("--tile " + std::to_string(r.tile) + "/" + std::to_string(r.tiles) +
               ": expected 1 <= I <= N");
    if (r.tiles > grid.rows)
        Refuse("--tile " + std::to_string(r.tile) + "/" + std::to_string(r.tiles) +
               ": the grid has only " + std::to_string(grid.rows) +
               " rows, so at most that many tiles");
    std::tie(grid.firstRow, grid.lastRow) = TileRows(grid.rows, r.tile, r.tiles);
    return grid;
}

std::optional<GnssMap> RunGnssMap(std::span<const Footprint> plan, const GnssMapRequest& r,
                                  Feedback& feedback, unsigned threads) {
    GnssMap map;
    map.grid = Validate(r);
    const MapGrid& grid = map.grid;
    gnss::PredictionSettings s = r.gnss.settings;
    s.at = {(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2};
    map.buildings = gnss::MeasuredBuildings(plan);
    const std::vector<Footprint>& prisms = map.buildings.prisms;
    const gnss::Ephemerides orbits = ReadOrbits(r.gnss);
    const gnss::UtcSeconds end = gnss::LastEpoch(s);
    const std::vector<std::string> idle = orbits.FilesCoveringNone(s.start, end, s.step);
    if (!idle.empty())
        throw Failure(
            {ErrorCode::EphemerisIdle, {UtcTimeText(s.start), UtcTimeText(end)}, idle.front()});

    // The open sky at the area's centre: the satellites of the systems and
    // the epochs at which some of them lack an ephemeris, as the point
    // prediction finds them.
    const gnss::Prediction reference = gnss::Predict(orbits, {}, s);
    map.satellites = reference.satellites.size();
    map.epochs = reference.epochs.size();

    // Every satellite's place once per epoch, for all cells. One that stands
    // far enough below the mask at the centre stands below it at every cell:
    // across the area the vertical turns by its size over the earth's
    // radius, and the satellite's direction by its size over the satellite's
    // distance.
    const double reach = std::hypot(r.x1 - r.x0, r.y1 - r.y0) / 2;
    const double margin = 2 * reach * (1 / 6.3e6 + 1 / 1.9e7) / kDeg + 0.01;
    const gnss::Receiver centre = reference.receiver;
    std::vector<EpochPlaces> epochs(reference.epochs.size());
    std::vector<double> tau(reference.satellites.size(), 0.075);
    for (std::size_t k = 0; k < epochs.size(); ++k) {
        const gnss::EpochSky& sky = reference.epochs[k];
        if (k % 64 == 0 && feedback.Cancelled())
            return std::nullopt;
        epochs[k].complete = sky.missing.empty();
        map.incompleteEpochs += !epochs[k].complete;
        const std::int64_t gpst = sky.utc + static_cast<std::int64_t>(gnss::GpsMinusUtc(sky.utc));
        for (std::size_t i = 0; i < reference.satellites.size(); ++i) {
            double raw[3] = {0, 0, 0}, used = 0, range = 0;
            const auto d = gnss::LookAt(
                centre,
                [&](double before, double rs[3]) {
                    if (!(before >= 0 && before < 1))
                        return false;
                    const double whole = std::floor(before);
                    const bool ok = orbits.Position(reference.satellites[i],
                                                    gpst - 1 - static_cast<std::int64_t>(whole),
                                                    1 - (before - whole),
                                                    rs) == gnss::Ephemerides::Fix::Position;
                    std::copy(rs, rs + 3, raw);
                    used = before;
                    return ok;
                },
                tau[i], 2, range);
            if (!d || d->elevation < s.mask - margin)
                continue;
            // The frame of transmission turned to that of reception, as LookAt does.
            const double a = gnss::kEarthRotation * used;
            Placed p{{std::cos(a) * raw[0] + std::sin(a) * raw[1],
                      -std::sin(a) * raw[0] + std::cos(a) * raw[1], raw[2]}};
            epochs[k].satellites.push_back(p);
        }
    }

    const std::size_t cells =
        static_cast<std::size_t>(grid.TileRows()) * static_cast<std::size_t>(grid.columns);
    for (auto& band : map.bands)
        band.assign(cells, kMapNodata);
    const gnss::Walls walls(prisms);
    std::atomic<int> nextRow{grid.firstRow}, doneRows{0}, running{0};
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> inside{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto work = [&] {
        try {
            for (int row = nextRow++; row < grid.lastRow && !stop.load(); row = nextRow++) {
                for (int c = 0; c < grid.columns; ++c) {
                    const PlanXY at{grid.X(c), grid.Y(row)};
                    if (FootprintAt(plan, at)) {
                        ++inside;
                        continue;
                    }
                    const Station st = StationAt(s, at);
                    const SkyScene scene(prisms, at, s.antenna);
                    const gnss::ReflectionScene reflections(walls, at, s.antenna);
                    const CellFigures f = Figures(epochs, st, scene, reflections, r);
                    const std::size_t k = static_cast<std::size_t>(row - grid.firstRow) *
                                              static_cast<std::size_t>(grid.columns) +
                                          static_cast<std::size_t>(c);
                    for (int b = 0; b < kMapBands; ++b)
                        map.bands[static_cast<std::size_t>(b)][k] =
                            f.band[static_cast<std::size_t>(b)];
                }
                ++doneRows;
            }
        } catch (...) {
            const std::lock_guard lock(failureMutex);
            failure = std::current_exception();
            stop = true;
        }
        --running;
    };
    const auto total = static_cast<std::size_t>(grid.TileRows());
    if (!feedback.Progress(0, total))
        return std::nullopt;
    const unsigned count =
        std::max(1u, threads > 0 ? threads : std::thread::hardware_concurrency());
    std::vector<std::thread> pool;
    running = static_cast<int>(count);
    for (unsigned i = 0; i < count; ++i)
        pool.emplace_back(work);
    // Progress and cancel from the caller's thread only.
    while (running.load() > 0) {
        if (!feedback.Progress(static_cast<std::size_t>(doneRows.load()), total))
            stop = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (std::thread& t : pool)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
    if (stop.load() || feedback.Cancelled())
        return std::nullopt;
    feedback.Progress(total, total);
    map.insideCells = inside.load();
    feedback.Warn({WarningCode::HeightUnknown, map.buildings.unmeasured});
    feedback.Warn({WarningCode::OutlineCrossing, map.buildings.crossing});
    if (std::vector<std::string> far = orbits.ElementsFarFrom(s.start, end, kTleFreshDays);
        !far.empty()) {
        Warning w{WarningCode::StaleElements, {}, kTleFreshDays};
        w.file = r.gnss.tle;
        w.ids = std::move(far);
        feedback.Warn(std::move(w));
    }
    if (map.incompleteEpochs > 0)
        feedback.Warn(
            {WarningCode::IncompleteEpochs, {}, static_cast<double>(map.incompleteEpochs)});
    return map;
}

} // namespace velmora::predict
