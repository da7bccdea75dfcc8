// SPDX-License-Identifier: GPL-3.0-or-later
#include "predict/Parameters.h"

#include "predict/GnssMap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "predict/Errors.h"

namespace velmora::predict {

using enum ParamType;

// Shared by the algorithms.
// Buildings from map data, beside or instead of a project file's; the
// front end reads them (GDAL) and passes their prisms in with the others.
const Parameter kBuildings{
    .name = "buildings",
    .type = Files,
    .valueName = "FILE",
    .help = "buildings from map data GDAL reads (GeoJSON, GeoPackage, Shapefile, KML, "
            "OpenStreetMap XML or PBF, ...): every polygon a prism of its height, placed around "
            "--origin; repeat for several"};
const Parameter kHeightField{.name = "height-field",
                             .type = Text,
                             .fallback = "height",
                             .valueName = "NAME",
                             .help = "the field of a building's height in metres in --buildings "
                                     "files; min_height gives a base. OpenStreetMap: the tag "
                                     "height, else building:levels x 3 m"};
const Parameter kBbox{.name = "bbox",
                      .type = Text,
                      .valueName = "WEST,SOUTH,EAST,NORTH",
                      .help = "read only the --buildings that meet this box, WGS84 degrees "
                              "(default: 1000 m around the receiver, or the area of the "
                              "project's buildings)"};
const Parameter kLatitude{.name = "latitude",
                          .type = Number,
                          .min = -90,
                          .max = 90,
                          .unit = "degrees",
                          .label = "原点の緯度",
                          .unitJa = "°",
                          .decimals = 7};
const Parameter kLongitude{.name = "longitude",
                           .type = Number,
                           .min = -180,
                           .max = 180,
                           .unit = "degrees",
                           .label = "原点の経度",
                           .unitJa = "°",
                           .decimals = 7};
const Parameter kUtcOffset{.name = "utc-offset",
                           .type = Number,
                           .min = -14,
                           .max = 14,
                           .valueName = "HOURS",
                           .help = "hours of local clock time ahead of UTC",
                           .unit = "hours",
                           .label = "UTCとの時差",
                           .unitJa = "時間"};
const Parameter kAntennaHeight{.name = "antenna-height",
                               .type = Number,
                               .min = 0,
                               .max = 1000,
                               .fallback = "1.5",
                               .valueName = "A",
                               .help = "the antenna's height above the ground in metres",
                               .unit = "metres",
                               .label = "アンテナ高",
                               .unitJa = " m"};

namespace {

const Parameter kOrigin{
    .name = "origin",
    .type = Pair,
    .valueName = "LAT,LON",
    .help = "latitude and longitude in degrees of the ground point at the picture centre"};
const Parameter kAt{.name = "at",
                    .type = Pair,
                    .min = -100000,
                    .max = 100000,
                    .valueName = "X,Y",
                    .help = "the receiver's plan position in metres east and north",
                    .unit = "metres",
                    .label = "受信点",
                    .unitJa = " m"};

// The shade-time map.
const Parameter kShadowDate{
    .name = "date", .type = Date, .valueName = "YYYY-MM-DD", .help = "the day", .label = "日付"};
const Parameter kFrom{.name = "from",
                      .type = Time,
                      .min = 0,
                      .max = 24,
                      .fallback = "8",
                      .valueName = "H[:MM]",
                      .help = "start of the period",
                      .unit = "hours",
                      .label = "始まりの時刻",
                      .unitJa = "時"};
const Parameter kTo{.name = "to",
                    .type = Time,
                    .min = 0,
                    .max = 24,
                    .fallback = "16",
                    .valueName = "H[:MM]",
                    .help = "end of the period",
                    .unit = "hours",
                    .label = "終わりの時刻",
                    .unitJa = "時"};
const Parameter kSolarTime{
    .name = "solar-time", .type = Flag, .help = "the period is true solar time at the origin"};
const Parameter kPlaneHeight{.name = "plane-height",
                             .type = Number,
                             .min = 0,
                             .max = 1000,
                             .fallback = "4",
                             .valueName = "METRES",
                             .help = "height of the measuring plane in metres",
                             .unit = "metres",
                             .label = "測定面の高さ",
                             .unitJa = " m"};
const Parameter kCell{.name = "cell",
                      .type = Number,
                      .min = 0.05,
                      .max = 100,
                      .fallback = "1",
                      .valueName = "METRES",
                      .help = "cell size in metres",
                      .unit = "metres",
                      .label = "格子の大きさ",
                      .unitJa = " m"};
const Parameter kExtent{.name = "extent",
                        .type = Number,
                        .min = 0,
                        .max = 5000,
                        .fallback = "50",
                        .valueName = "METRES",
                        .help = "shadows are followed at least this far from their buildings "
                                "(at least ten times a building's height above the plane); the "
                                "grid covers the buildings and the shade they cast",
                        .unit = "metres",
                        .label = "建物の周りの範囲",
                        .unitJa = " m",
                        .decimals = 0};
const Parameter kContours{.name = "contours",
                          .type = Text,
                          .fallback = "2,3,4,5",
                          .valueName = "H,H,...",
                          .help = "hours of the lines of equal shade time",
                          .label = "等時間日影線 (時間)"};
const Parameter kHourly{.name = "hourly",
                        .type = Flag,
                        .help = "also the shadows' outlines at each full hour",
                        .label = "時刻日影線も描く"};

constexpr const Parameter* kShadowParameters[] = {
    &kOrigin, &kShadowDate, &kFrom,     &kTo,     &kSolarTime, &kUtcOffset,   &kPlaneHeight,
    &kCell,   &kExtent,     &kContours, &kHourly, &kBuildings, &kHeightField, &kBbox};

// The GNSS prediction.
const Parameter kGroundHeight{.name = "height",
                              .type = Number,
                              .min = -1000,
                              .max = 9000,
                              .fallback = "0",
                              .valueName = "H",
                              .help = "ellipsoidal height of the ground at the origin in metres",
                              .unit = "metres",
                              .label = "地面の楕円体高",
                              .unitJa = " m"};
const Parameter kNav{.name = "nav",
                     .type = Files,
                     .valueName = "FILE",
                     .help = "RINEX navigation file (repeat for several)"};
const Parameter kTle{.name = "tle",
                     .type = Files,
                     .valueName = "FILE",
                     .help = "two-line element set instead of --nav"};
const Parameter kAlmanac{.name = "almanac",
                         .type = Files,
                         .valueName = "FILE",
                         .help = "GPS or QZSS almanac (YUMA or SEM) instead of --nav, for days "
                                 "ahead; its week, given modulo 1024, is taken nearest the period",
                         .label = "アルマナック (YUMA・SEM)"};
const Parameter kStart{.name = "start",
                       .type = Text,
                       .valueName = "YYYY-MM-DDTHH:MM:SSZ",
                       .help = "first epoch, UTC",
                       .label = "開始 (現地時刻)"};
const Parameter kHours{.name = "hours",
                       .type = Number,
                       .min = 0,
                       .max = 87600, // ten years: daily epochs of a TLE set still fit
                       .minOpen = true,
                       .valueName = "H",
                       .help = "length of the period",
                       .unit = "hours",
                       .label = "期間",
                       .unitJa = " 時間"};
const Parameter kStep{.name = "step",
                      .type = Whole,
                      .min = 1,
                      .max = 86400,
                      .valueName = "SECONDS",
                      .help = "seconds between epochs (whole)",
                      .unit = "seconds",
                      .label = "間隔",
                      .unitJa = " 秒",
                      .decimals = 0};
const Parameter kMask{.name = "elevation-mask",
                      .type = Number,
                      .min = 0,
                      .max = 90,
                      .maxOpen = true,
                      .fallback = "10",
                      .valueName = "DEG",
                      .help = "degrees",
                      .unit = "degrees",
                      .label = "仰角マスク",
                      .unitJa = "°",
                      .decimals = 1};
const Parameter kSystems{.name = "systems",
                         .type = Text,
                         .fallback = "G,R,E,C,J",
                         .valueName = "G,R,E,C,J",
                         .help = "systems counted",
                         .label = "衛星システム"};

constexpr const Parameter* kGnssParameters[] = {
    &kAt,   &kOrigin,  &kGroundHeight, &kAntennaHeight, &kNav,
    &kTle,  &kAlmanac, &kStart,        &kHours,         &kStep,
    &kMask, &kSystems, &kBuildings,    &kHeightField,   &kBbox};

// The sky mask.
const Parameter kSkyDate{.name = "date",
                         .type = Date,
                         .valueName = "YYYY-MM-DD",
                         .help = "also the sun's path of that day and its minutes of direct and "
                                 "blocked sun (needs --origin and --utc-offset)",
                         .label = "日付"};

constexpr const Parameter* kSkyMaskParameters[] = {
    &kAt, &kAntennaHeight, &kSkyDate, &kOrigin, &kUtcOffset, &kBuildings, &kHeightField, &kBbox};

const Algorithm kShadow{
    "shadow",
    "Shade-time map (hours of shade) of a horizontal measuring plane among the buildings of a "
    "project file over a period of one day, sampled at the middle of every minute. A cell's "
    "value is the shade time at its centre (metres east and north of the ground point at the "
    "picture centre); cells inside a footprint are null. Roofs without a measured height (no "
    "wall line) are left out with a warning. With --solar-time the period is true solar time "
    "at the origin's longitude, with --utc-offset local clock time.",
    kShadowParameters};
const Algorithm kGnss{
    "gnss",
    "The satellites a receiver sees among the buildings of a project file over a period: "
    "positions from RINEX broadcast ephemerides (GPS, GLONASS, Galileo, BeiDou, QZSS), a TLE "
    "set or a GPS/QZSS almanac, azimuth and elevation at the receiver on the WGS84 ellipsoid, "
    "the line of sight tested against every building's prism, a blocked satellite reached by a "
    "single reflection off a wall counted as reflected (with its extra path), and the DOPs of "
    "the open sky, of the satellites left visible and of those with the reflected ones. One "
    "line per epoch and a summary, or JSON.",
    kGnssParameters};
const Algorithm kSkyMask{
    "skymask",
    "The buildings of a project file as prisms of their heights, seen from a receiver: for "
    "every azimuth 0 ... 359 degrees (clockwise from true north) the highest elevation a "
    "building covers. The receiver stands at a point of the north-up plan frame (metres east "
    "and north of the ground point at the picture centre) outside every building.",
    kSkyMaskParameters};

} // namespace

const Algorithm& ShadowAlgorithm() {
    return kShadow;
}
const Algorithm& GnssAlgorithm() {
    return kGnss;
}
const Algorithm& SkyMaskAlgorithm() {
    return kSkyMask;
}

const Parameter* FindParameter(std::string_view name) {
    for (const Parameter* p : {&kLatitude, &kLongitude})
        if (name == p->name)
            return p;
    for (const Algorithm* a : {&kShadow, &kGnss, &kSkyMask, &GnssMapAlgorithm()})
        for (const Parameter* p : a->parameters)
            if (name == p->name)
                return p;
    return nullptr;
}

const Parameter& ParameterOf(const Algorithm& a, std::string_view name) {
    for (const Parameter* p : a.parameters)
        if (name == p->name)
            return *p;
    throw std::logic_error("no parameter " + std::string(name) + " in " + a.name);
}

double DefaultValue(const Parameter& p) {
    char* end = nullptr;
    const double v = std::strtod(p.fallback, &end);
    return end != p.fallback && *end == 0 ? v : NAN;
}

std::string HelpText(const Parameter& p) {
    std::string text = p.help;
    if (*p.fallback)
        text += std::string(" (default ") + p.fallback + ")";
    return text;
}

void CheckValue(const Parameter& p, double v) {
    const bool inside = std::isfinite(v) && (p.minOpen ? v > p.min : v >= p.min) &&
                        (p.maxOpen ? v < p.max : v <= p.max);
    if (inside)
        return;
    Error e;
    e.code = std::isinf(p.max) ? ErrorCode::AtLeast : ErrorCode::OutOfRange;
    e.args = {p.name, NumberText(p.min), NumberText(p.max), p.unit, NumberText(v)};
    throw Failure(std::move(e));
}

double LowestValue(const Parameter& p) {
    // An open end: the lowest value the box's places can show above it.
    return p.minOpen ? p.min + std::pow(10.0, -p.decimals) : p.min;
}

double HighestValue(const Parameter& p) {
    // An open end: the highest value the box's places can show below it.
    return p.maxOpen ? p.max - std::pow(10.0, -p.decimals) : p.max;
}

std::vector<std::string> ListItems(std::string_view text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        std::string part(text.substr(at, comma - at));
        at = comma + 1;
        part.erase(0, part.find_first_not_of(" \t"));
        part.erase(part.find_last_not_of(" \t") + 1);
        items.push_back(std::move(part));
    }
    return items;
}

} // namespace velmora::predict
