// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/Shadow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "predict/Parameters.h"

namespace velmora::predict {

namespace {

const Parameter& Declared(std::string_view name) {
    return ParameterOf(ShadowAlgorithm(), name);
}

std::string GeneralNumber(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

// The roofs that cast shadows, every roof with an outline, and those left
// out for want of a height.
std::vector<Footprint> SortRoofs(std::span<const Footprint> plan, ShadowResult& s) {
    std::vector<Footprint> buildings;
    for (const Footprint& f : plan) {
        if (f.ring.size() < 3)
            continue;
        if (f.crossesItself) {
            s.crossing.push_back(f.roof);
            continue;
        }
        const bool measured = f.heightState == RoofHeight::Measured;
        const bool near = std::all_of(f.ring.begin(), f.ring.end(), [](const PlanXY& p) {
            return std::fabs(p.x) <= kMaxShadeReach && std::fabs(p.y) <= kMaxShadeReach;
        });
        if (measured && !near)
            throw Failure({ErrorCode::RoofTooFar,
                           {std::to_string(f.roof), GeneralNumber(kMaxShadeReach / 1000)}});
        if (measured && !(f.height <= kMaxRoofHeight))
            throw Failure(
                {ErrorCode::RoofTooTall,
                 {std::to_string(f.roof), GeneralNumber(f.height), GeneralNumber(kMaxRoofHeight)}});
        if (measured)
            buildings.push_back(f);
        else
            s.unmeasured.push_back(f.roof);
        // An unmeasured roof far out has no place on the map.
        if (!near)
            continue;
        s.measured.push_back(measured);
        s.footprints.push_back(f);
    }
    return buildings;
}

void AddHourly(ShadowResult& s, std::span<const Footprint> buildings, const ShadowRequest& r) {
    for (double h = std::ceil(r.period.fromHours - 1e-9); h <= r.period.toHours + 1e-9; h += 1) {
        const ShadeInstant sun = InstantAt(r.period, r.site, h);
        if (!(sun.elevation > 0))
            continue;
        const std::vector<std::uint8_t> cells =
            ShadowCells(buildings, s.map.grid, r.planeHeight, sun);
        const std::vector<double> field(cells.begin(), cells.end());
        s.hourly.push_back({ClockText(h), LevelLines(field, s.map.grid, 0.5)});
    }
}

} // namespace

ShadowRequest DefaultShadowRequest() {
    ShadowRequest r;
    r.period.fromHours = DefaultValue(Declared("from"));
    r.period.toHours = DefaultValue(Declared("to"));
    r.planeHeight = DefaultValue(Declared("plane-height"));
    r.cell = DefaultValue(Declared("cell"));
    r.extent = DefaultValue(Declared("extent"));
    r.contours = ParseContours(Declared("contours").fallback);
    return r;
}

std::vector<double> ParseContours(std::string_view text) {
    std::vector<double> out;
    for (const std::string& part : ListItems(text)) {
        if (part.empty())
            continue;
        char* end = nullptr;
        const double h = std::strtod(part.c_str(), &end);
        if (*end != 0 || !std::isfinite(h) || !(h > 0))
            throw Failure({ErrorCode::BadContours, {"contours", "", "", "", std::string(text)}});
        out.push_back(h);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void Validate(const ShadowRequest& r) {
    CheckValue(kLatitude, r.site.latitude);
    CheckValue(kLongitude, r.site.longitude);
    CheckValue(Declared("from"), r.period.fromHours);
    CheckValue(Declared("to"), r.period.toHours);
    if (!(r.period.toHours > r.period.fromHours))
        throw Failure(Error(ErrorCode::EmptyPeriod));
    if (!r.period.solarTime)
        CheckValue(kUtcOffset, r.period.utcOffset);
    CheckValue(Declared("plane-height"), r.planeHeight);
    CheckValue(Declared("cell"), r.cell);
    CheckValue(Declared("extent"), r.extent);
    for (const double h : r.contours)
        if (!std::isfinite(h) || !(h > 0))
            throw Failure({ErrorCode::BadContours, {"contours"}});
}

std::optional<ShadowResult> RunShadow(std::span<const Footprint> plan, const ShadowRequest& r,
                                      Feedback& feedback) {
    ShadowResult s;
    const std::vector<Footprint> buildings = SortRoofs(plan, s);
    if (s.footprints.empty())
        throw Failure(Error(ErrorCode::NoRoofs));
    if (buildings.empty())
        throw Failure(Error(ErrorCode::NoHeights));
    const std::vector<ShadeInstant> instants = SampleInstants(r.period, r.site);
    // The map is framed by the shade actually cast. A shadow is followed at
    // least as far as the range asked for, and as far as ten times the
    // height that casts it (the sun 5.7 degrees up): the long shadows of the
    // first and last hours are not cut, and a sun at the horizon does not
    // stretch the frame without end. Only measured roofs decide the frame.
    double tallest = 0;
    for (const Footprint& f : buildings)
        tallest = std::max(tallest, f.height - r.planeHeight);
    const double reach = std::max(r.extent, 10 * tallest);
    const double margin = std::max(3 * r.cell, 3.0);
    const ShadeGrid grid =
        GridAroundShadows(buildings, buildings, r.planeHeight, instants, reach, margin, r.cell);
    if (static_cast<double>(grid.nx) * grid.ny > kMaxShadeCells)
        throw Failure({ErrorCode::GridTooLarge,
                       {std::to_string(grid.nx), std::to_string(grid.ny),
                        GeneralNumber(kMaxShadeCells / 1e6)}});
    const bool sunUp = std::any_of(instants.begin(), instants.end(),
                                   [](const ShadeInstant& i) { return i.elevation > 0; });
    if (!sunUp)
        throw Failure({ErrorCode::SunDown,
                       {PeriodText(r.period), FixedText(r.site.latitude, 5),
                        FixedText(r.site.longitude, 5)}});
    std::optional<ShadeMap> map = ComputeShadeMap(buildings, s.footprints, grid, r.planeHeight,
                                                  instants, r.period.stepMinutes / 60,
                                                  [&feedback](std::size_t done, std::size_t total) {
                                                      return feedback.Progress(done, total);
                                                  });
    if (!map)
        return std::nullopt;
    s.map = std::move(*map);
    for (const double level : r.contours)
        s.contours.push_back({level, LevelLines(s.map.hours, grid, level)});
    if (r.hourly)
        AddHourly(s, buildings, r);
    feedback.Warn({WarningCode::OutlineCrossing, s.crossing});
    feedback.Warn({WarningCode::HeightUnknown, s.unmeasured});
    if (s.map.sunDownSamples > 0)
        feedback.Warn({WarningCode::SunDown,
                       {},
                       s.map.sunDownSamples * r.period.stepMinutes,
                       s.map.samples * r.period.stepMinutes});
    return s;
}

std::string ClockText(double hours) {
    const long minutes = std::lround(hours * 60);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02ld:%02ld", minutes / 60, minutes % 60);
    return buffer;
}

std::string DateText(const ShadePeriod& p) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", p.year, p.month, p.day);
    return buffer;
}

std::string PeriodText(const ShadePeriod& p) {
    const std::string reckoning = p.solarTime ? std::string("true solar time")
                                              : std::string("UTC") + (p.utcOffset < 0 ? "-" : "+") +
                                                    GeneralNumber(std::fabs(p.utcOffset));
    return DateText(p) + " " + ClockText(p.fromHours) + "-" + ClockText(p.toHours) + " " +
           reckoning;
}

} // namespace velmora::predict
