// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/Gnss.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "geometry/SkyMask.h"
#include "predict/Parameters.h"

namespace velmora::predict {

namespace {

const Parameter& Declared(std::string_view name) {
    return ParameterOf(GnssAlgorithm(), name);
}

gnss::Ephemerides ReadOrbits(const GnssRequest& r) {
    try {
        if (!r.tle.empty())
            return gnss::Ephemerides::FromTle(r.tle);
        if (!r.almanac.empty()) {
            // The week is resolved against the period's middle.
            const gnss::PredictionSettings& s = r.settings;
            return gnss::Ephemerides::FromAlmanac(r.almanac,
                                                  s.start + (gnss::LastEpoch(s) - s.start) / 2);
        }
        return gnss::Ephemerides::FromNav(r.nav);
    } catch (const gnss::InputError& e) {
        Error error{ErrorCode::EphemerisFile};
        error.reason = e.what();
        throw Failure(std::move(error));
    }
}

} // namespace

int EphemerisSources(const GnssRequest& r) {
    return int(!r.nav.empty()) + int(!r.tle.empty()) + int(!r.almanac.empty());
}

gnss::PredictionSettings DefaultGnssSettings() {
    gnss::PredictionSettings s;
    s.groundHeight = DefaultValue(Declared("height"));
    s.antenna = DefaultValue(Declared("antenna-height"));
    s.mask = DefaultValue(Declared("elevation-mask"));
    s.systems = ParseSystems(Declared("systems").fallback);
    return s;
}

std::string ParseSystems(std::string_view text) {
    std::string out;
    for (const std::string& part : ListItems(text)) {
        const char c = part.size() == 1 ? static_cast<char>(std::toupper(part[0])) : 0;
        if (c == 0 || std::string_view("GRECJ").find(c) == std::string_view::npos)
            throw Failure({ErrorCode::BadSystems, {"systems", "", "", "", std::string(text)}});
        out += c;
    }
    return out;
}

void Validate(const GnssRequest& r) {
    const gnss::PredictionSettings& s = r.settings;
    CheckValue(ParameterOf(GnssAlgorithm(), "at"), s.at.x);
    CheckValue(ParameterOf(GnssAlgorithm(), "at"), s.at.y);
    CheckValue(kLatitude, s.latitude);
    CheckValue(kLongitude, s.longitude);
    CheckValue(Declared("height"), s.groundHeight);
    CheckValue(kAntennaHeight, s.antenna);
    CheckValue(Declared("step"), s.step);
    CheckValue(Declared("elevation-mask"), s.mask);
    if (s.systems.empty())
        throw Failure(Error(ErrorCode::NoSystems));
    if (EphemerisSources(r) != 1)
        throw Failure(Error(ErrorCode::NoEphemerisFiles));
    const Parameter& hours = Declared("hours");
    if (!(s.hours > 0) || !(s.hours <= hours.max) || gnss::EpochCount(s) > kMaxEpochs)
        throw Failure({ErrorCode::TooManyEpochs,
                       {NumberText(s.hours), std::to_string(s.step), std::to_string(kMaxEpochs)}});
    if (const std::string problem = gnss::SettingsProblem(s); !problem.empty()) {
        Error e{ErrorCode::BadSettings};
        e.reason = problem;
        throw Failure(std::move(e));
    }
}

std::optional<GnssRun> RunGnss(std::span<const Footprint> plan, const GnssRequest& r,
                               Feedback& feedback, const std::string& projectFile) {
    GnssRun run;
    run.settings = r.settings;
    const gnss::PredictionSettings& s = run.settings;
    if (const std::optional<Count> roof = FootprintAt(plan, s.at))
        throw Failure({ErrorCode::InsideRoof,
                       {FixedText(s.at.x, 2), FixedText(s.at.y, 2), std::to_string(*roof)},
                       projectFile});
    run.buildings = gnss::MeasuredBuildings(plan);
    const gnss::Ephemerides orbits = ReadOrbits(r);
    const gnss::UtcSeconds end = gnss::LastEpoch(s);
    const std::vector<std::string> idle = orbits.FilesCoveringNone(s.start, end, s.step);
    if (!idle.empty())
        throw Failure(
            {ErrorCode::EphemerisIdle, {UtcTimeText(s.start), UtcTimeText(end)}, idle.front()});
    run.prediction = gnss::Predict(orbits, run.buildings.prisms, s,
                                   [&feedback](std::size_t done, std::size_t total) {
                                       return feedback.Progress(done, total);
                                   });
    if (run.prediction.cancelled || feedback.Cancelled())
        return std::nullopt;
    run.summary = gnss::Summarise(run.prediction, s.step);
    feedback.Warn({WarningCode::HeightUnknown, run.buildings.unmeasured});
    feedback.Warn({WarningCode::OutlineCrossing, run.buildings.crossing});
    const double fresh = orbits.IsAlmanac() ? kAlmanacFreshDays : kTleFreshDays;
    if (std::vector<std::string> far = orbits.ElementsFarFrom(s.start, end, fresh); !far.empty()) {
        Warning w{WarningCode::StaleElements, {}, fresh};
        w.file = orbits.IsAlmanac() ? r.almanac : r.tle;
        w.ids = std::move(far);
        feedback.Warn(std::move(w));
    }
    if (run.summary.incompleteEpochs > 0)
        feedback.Warn(
            {WarningCode::IncompleteEpochs, {}, static_cast<double>(run.summary.incompleteEpochs)});
    return run;
}

std::string UtcTimeText(gnss::UtcSeconds t) {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!gmtime_r(&tt, &tm))
        return "?";
    char buffer[40];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buffer;
}

} // namespace velmora::predict
