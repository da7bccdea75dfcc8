// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Shadow.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Export.h"

namespace velmora::cli {

namespace {

// Grids beyond this many cells take more memory than a map is worth.
constexpr double kMaxCells = 16e6;

QString DateText(const ShadePeriod& p) {
    return QDate(p.year, p.month, p.day).toString(Qt::ISODate);
}

QString PeriodText(const ShadowRequest& r) {
    const ShadePeriod& p = r.period;
    const QString reckoning = p.solarTime ? QStringLiteral("true solar time")
                                          : QStringLiteral("UTC%1%2")
                                                .arg(QChar(p.utcOffset < 0 ? u'-' : u'+'))
                                                .arg(std::fabs(p.utcOffset));
    return QStringLiteral("%1 %2-%3 %4")
        .arg(DateText(p), ClockText(p.fromHours), ClockText(p.toHours), reckoning);
}

// "8" or "8:30" as hours of the day, 0 ... 24.
double ParseHour(const QString& text, const QString& what) {
    const QStringList parts = text.trimmed().split(u':');
    bool ok = parts.size() <= 2;
    double h = ok ? parts[0].toDouble(&ok) : 0;
    if (ok && parts.size() == 2) {
        bool okMinutes = false;
        const int m = parts[1].toInt(&okMinutes);
        ok = okMinutes && m >= 0 && m < 60 && h == std::floor(h);
        h += m / 60.0;
    }
    if (!ok || !std::isfinite(h) || h < 0 || h > 24)
        throw UsageError(QStringLiteral("%1 \"%2\": expected an hour of the day, 0 ... 24 (H or "
                                        "H:MM)")
                             .arg(what, text));
    return h;
}

std::vector<double> ParseContours(const QString& text) {
    std::vector<double> out;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const double h = part.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(h) || !(h > 0))
            throw UsageError(
                QStringLiteral("--contours \"%1\": expected positive hours, comma-separated")
                    .arg(text));
        out.push_back(h);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace

QString ClockText(double hours) {
    const long minutes = std::lround(hours * 60);
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QChar(u'0'))
        .arg(minutes % 60, 2, 10, QChar(u'0'));
}

std::optional<ShadowResult> ComputeShadow(const BuildingData& d, const ShadowRequest& r,
                                          const ShadeProgress& progress) {
    ShadowResult s;
    std::vector<Footprint> buildings;
    for (Footprint& f : NorthUpFootprints(d)) {
        if (f.ring.size() < 3)
            continue;
        const bool measured = HasMeasuredHeight(d, f.roof);
        if (measured)
            buildings.push_back(f);
        else
            s.unmeasured.push_back(f.roof);
        s.measured.push_back(measured);
        s.footprints.push_back(std::move(f));
    }
    if (s.footprints.empty())
        throw ShadowFailure(ShadowProblem::NoRoofs,
                            QStringLiteral("there are no roof outlines to cast shadows"));
    if (buildings.empty())
        throw ShadowFailure(
            ShadowProblem::NoHeights,
            QStringLiteral("no roof has a measured height (a wall line): there is no "
                           "shadow to compute"));
    const std::vector<ShadeInstant> instants = SampleInstants(r.period, r.site);
    // The map is framed by the shade actually cast. A shadow is followed at
    // least as far as the range asked for, and as far as ten times the
    // height that casts it (the sun 5.7 degrees up): the long shadows of the
    // first and last hours are not cut, and a sun at the horizon does not
    // stretch the frame without end.
    double tallest = 0;
    for (const Footprint& f : buildings)
        tallest = std::max(tallest, f.height - r.planeHeight);
    const double reach = std::max(r.extent, 10 * tallest);
    const double margin = std::max(3 * r.cell, 3.0);
    const ShadeGrid grid =
        GridAroundShadows(s.footprints, buildings, r.planeHeight, instants, reach, margin, r.cell);
    if (static_cast<double>(grid.nx) * grid.ny > kMaxCells)
        throw ShadowFailure(ShadowProblem::GridTooLarge,
                            QStringLiteral("the grid would have %1 x %2 cells; choose a larger "
                                           "cell or a smaller extent (at most 16 million cells)")
                                .arg(grid.nx)
                                .arg(grid.ny));
    const bool sunUp = std::any_of(instants.begin(), instants.end(),
                                   [](const ShadeInstant& i) { return i.elevation > 0; });
    if (!sunUp)
        throw ShadowFailure(
            ShadowProblem::SunDown,
            QStringLiteral("the sun stays below the horizon all through %1 at %2, %3 "
                           "(polar night or a period outside daylight): no shadows "
                           "to map")
                .arg(PeriodText(r), Fixed(r.site.latitude, 5), Fixed(r.site.longitude, 5)));
    std::optional<ShadeMap> map = ComputeShadeMap(buildings, s.footprints, grid, r.planeHeight,
                                                  instants, r.period.stepMinutes / 60, progress);
    if (!map)
        return std::nullopt;
    s.map = std::move(*map);
    for (const double level : r.contours)
        s.contours.push_back({level, LevelLines(s.map.hours, grid, level)});
    if (r.hourly) {
        for (double h = std::ceil(r.period.fromHours - 1e-9); h <= r.period.toHours + 1e-9;
             h += 1) {
            const ShadeInstant sun = InstantAt(r.period, r.site, h);
            if (!(sun.elevation > 0))
                continue;
            const std::vector<std::uint8_t> cells =
                ShadowCells(buildings, grid, r.planeHeight, sun);
            const std::vector<double> field(cells.begin(), cells.end());
            s.hourly.push_back({ClockText(h), LevelLines(field, grid, 0.5)});
        }
    }
    return s;
}

QByteArray ShadowJson(const ShadowResult& s, const ShadowRequest& r) {
    using json = nlohmann::ordered_json;
    const ShadeGrid& g = s.map.grid;
    json hours = json::array();
    for (int j = 0; j < g.ny; ++j) {
        json row = json::array();
        for (int i = 0; i < g.nx; ++i) {
            const double h = s.map.At(i, j);
            if (std::isnan(h))
                row.push_back(nullptr);
            else
                row.push_back(std::round(h * 1e4) / 1e4);
        }
        hours.push_back(std::move(row));
    }
    const json out = {{"cell", g.cell},
                      {"x0", g.x0},
                      {"y0", g.y0},
                      {"nx", g.nx},
                      {"ny", g.ny},
                      {"plane_height", r.planeHeight},
                      {"from", ClockText(r.period.fromHours).toStdString()},
                      {"to", ClockText(r.period.toHours).toStdString()},
                      {"time", r.period.solarTime ? "solar" : "clock"},
                      {"hours", std::move(hours)}};
    return QByteArray::fromStdString(out.dump() + "\n");
}

QByteArray ShadowGeoJson(const ShadowResult& s, const ShadowRequest& r) {
    using json = nlohmann::ordered_json;
    json features = json::array();
    auto add = [&](const PlanLine& line, json properties) {
        json coordinates = json::array();
        std::array<double, 2> last{NAN, NAN};
        for (const auto& c : PlanToLonLat(line.points, r.site.latitude, r.site.longitude)) {
            // Points closer than the rounding become one.
            if (c == last)
                continue;
            coordinates.push_back({c[0], c[1]});
            last = c;
        }
        if (coordinates.size() < 2)
            return;
        features.push_back({{"type", "Feature"},
                            {"properties", std::move(properties)},
                            {"geometry", {{"type", "LineString"}, {"coordinates", coordinates}}}});
    };
    for (const ShadeLevelLines& c : s.contours)
        for (const PlanLine& line : c.lines)
            add(line, {{"hours", c.hours}});
    for (const ShadeOutline& o : s.hourly)
        for (const PlanLine& line : o.lines)
            add(line, {{"time", o.time.toStdString()}});
    const json collection = {{"type", "FeatureCollection"}, {"features", features}};
    return QByteArray::fromStdString(collection.dump() + "\n");
}

ShadePlotInput ShadowPlotInput(const ShadowResult& s, const ShadowRequest& r, const QString& name) {
    ShadePlotInput in;
    in.map = &s.map;
    in.footprints = s.footprints;
    in.measured = s.measured;
    in.contours = s.contours;
    in.hourly = s.hourly;
    in.title = QStringLiteral("Shade-time map of %1: %2, plane %3 m above the ground")
                   .arg(name, PeriodText(r), Fixed(r.planeHeight, 1));
    QString caption = QStringLiteral("Origin %1, %2. Lines of equal shade time in hours")
                          .arg(Fixed(r.site.latitude, 5), Fixed(r.site.longitude, 5));
    if (r.hourly)
        caption += QStringLiteral("; dashed: the shadows' outlines at each full hour");
    caption += QStringLiteral(". Cells of %1 m, one sample a minute.").arg(Fixed(r.cell, 2));
    if (!s.unmeasured.empty())
        caption += QStringLiteral(" Hatched: %1 roof(s) without a measured height, left out.")
                       .arg(s.unmeasured.size());
    if (s.map.sunDownSamples > 0)
        caption += QStringLiteral(" The sun is below the horizon for %1 min of the period.")
                       .arg(s.map.sunDownSamples * r.period.stepMinutes);
    in.caption = caption;
    return in;
}

int ShadowCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Shade-time map (hours of shade) of a horizontal measuring plane among the buildings of "
        "a project file over a period of one day, sampled at the middle of every minute. A "
        "cell's value is the shade time at its centre (metres east and north of the ground "
        "point at the picture centre); cells inside a footprint are null. Roofs without a "
        "measured height (no wall line) are left out with a warning. With --solar-time the "
        "period is true solar time at the origin's longitude, with --utc-offset local clock "
        "time."));
    p.addPositionalArgument(QStringLiteral("file"), QStringLiteral("project file (.dat)"));
    const QList<QCommandLineOption> options{
        {QStringLiteral("origin"),
         QStringLiteral("latitude and longitude in degrees of the ground point at the picture "
                        "centre"),
         QStringLiteral("LAT,LON")},
        {QStringLiteral("date"), QStringLiteral("the day"), QStringLiteral("YYYY-MM-DD")},
        {QStringLiteral("from"), QStringLiteral("start of the period (default 8)"),
         QStringLiteral("H[:MM]"), QStringLiteral("8")},
        {QStringLiteral("to"), QStringLiteral("end of the period (default 16)"),
         QStringLiteral("H[:MM]"), QStringLiteral("16")},
        {QStringLiteral("solar-time"),
         QStringLiteral("the period is true solar time at the origin")},
        {QStringLiteral("utc-offset"),
         QStringLiteral("the period is clock time, this many hours ahead of UTC"),
         QStringLiteral("HOURS")},
        {QStringLiteral("plane-height"),
         QStringLiteral("height of the measuring plane in metres (default 4)"),
         QStringLiteral("METRES"), QStringLiteral("4")},
        {QStringLiteral("cell"), QStringLiteral("cell size in metres (default 1)"),
         QStringLiteral("METRES"), QStringLiteral("1")},
        {QStringLiteral("extent"),
         QStringLiteral("shadows are followed at least this far from their buildings "
                        "(default 50; at least ten times a building's height above the "
                        "plane); the grid covers the buildings and the shade they cast"),
         QStringLiteral("METRES"), QStringLiteral("50")},
        {QStringLiteral("contours"),
         QStringLiteral("hours of the lines of equal shade time (default 2,3,4,5)"),
         QStringLiteral("H,H,..."), QStringLiteral("2,3,4,5")},
        {QStringLiteral("hourly"), QStringLiteral("also the shadows' outlines at each full hour")},
        {QStringLiteral("json"), QStringLiteral("the grid of shade hours as JSON"),
         QStringLiteral("OUT.json")},
        {QStringLiteral("png"), QStringLiteral("the plan map as PNG"), QStringLiteral("MAP.png")},
        {QStringLiteral("svg"), QStringLiteral("the plan map as SVG"), QStringLiteral("MAP.svg")},
        {QStringLiteral("geojson"),
         QStringLiteral("contour lines and hourly outlines in WGS84 GeoJSON"),
         QStringLiteral("LINES.geojson")}};
    p.addOptions(options);
    if (!ParseCommandLine(p, args, 1, 1))
        return 0;

    ShadowRequest r;
    if (!p.isSet(QStringLiteral("origin")))
        throw UsageError(QStringLiteral("--origin LAT,LON is required"));
    std::tie(r.site.latitude, r.site.longitude) = ParseOrigin(p.value(QStringLiteral("origin")));
    if (!p.isSet(QStringLiteral("date")))
        throw UsageError(QStringLiteral("--date YYYY-MM-DD is required"));
    const QDate date = QDate::fromString(p.value(QStringLiteral("date")), Qt::ISODate);
    if (!date.isValid())
        throw UsageError(QStringLiteral("--date %1: expected a date YYYY-MM-DD")
                             .arg(p.value(QStringLiteral("date"))));
    r.period.year = date.year();
    r.period.month = date.month();
    r.period.day = date.day();
    r.period.fromHours = ParseHour(p.value(QStringLiteral("from")), QStringLiteral("--from"));
    r.period.toHours = ParseHour(p.value(QStringLiteral("to")), QStringLiteral("--to"));
    if (!(r.period.toHours > r.period.fromHours))
        throw UsageError(QStringLiteral("--from and --to: the period must end after it begins"));
    const bool solar = p.isSet(QStringLiteral("solar-time"));
    if (solar == p.isSet(QStringLiteral("utc-offset")))
        throw UsageError(QStringLiteral("give either --solar-time or --utc-offset HOURS"));
    r.period.solarTime = solar;
    if (!solar) {
        r.period.utcOffset =
            ParseNumber(p.value(QStringLiteral("utc-offset")), QStringLiteral("--utc-offset"));
        if (std::fabs(r.period.utcOffset) > 14)
            throw UsageError(QStringLiteral("--utc-offset: expected hours within -14 ... 14"));
    }
    r.planeHeight =
        ParseNumber(p.value(QStringLiteral("plane-height")), QStringLiteral("--plane-height"));
    if (r.planeHeight < 0)
        throw UsageError(QStringLiteral("--plane-height: the height cannot be negative"));
    r.cell = ParseNumber(p.value(QStringLiteral("cell")), QStringLiteral("--cell"));
    if (!(r.cell >= 0.05))
        throw UsageError(QStringLiteral("--cell: expected at least 0.05 metres"));
    r.extent = ParseNumber(p.value(QStringLiteral("extent")), QStringLiteral("--extent"));
    if (r.extent < 0 || r.extent > 5000)
        throw UsageError(QStringLiteral("--extent: expected 0 ... 5000 metres"));
    r.contours = ParseContours(p.value(QStringLiteral("contours")));
    r.hourly = p.isSet(QStringLiteral("hourly"));
    const QString png = p.value(QStringLiteral("png")), svg = p.value(QStringLiteral("svg"));
    if (!png.isEmpty() && !svg.isEmpty())
        throw UsageError(QStringLiteral("give --png or --svg, not both"));

    const Project project = ReadProject(p.positionalArguments().at(0));
    const std::optional<ShadowResult> s = ComputeShadow(*project.data, r);
    if (!s)
        throw Failure(QStringLiteral("the computation was cancelled"));
    for (const Count roof : s->unmeasured)
        std::fprintf(stderr,
                     "velmora-cli: %s: roof %d has no measured height (no wall line) and is left "
                     "out: it casts no shadow in the map\n",
                     qPrintable(project.path), roof);
    if (s->map.sunDownSamples > 0)
        std::fprintf(stderr,
                     "velmora-cli: the sun is below the horizon for %g of the %g minutes of the "
                     "period; those minutes count as no shade\n",
                     s->map.sunDownSamples * r.period.stepMinutes,
                     s->map.samples * r.period.stepMinutes);

    // Every output is made before any is written.
    std::vector<std::pair<QString, QByteArray>> outputs;
    if (p.isSet(QStringLiteral("json")))
        outputs.emplace_back(p.value(QStringLiteral("json")), ShadowJson(*s, r));
    if (!png.isEmpty() || !svg.isEmpty()) {
        const QByteArray bytes = ShadePlotBytes(
            ShadowPlotInput(*s, r, QFileInfo(project.path).fileName()), !svg.isEmpty());
        if (bytes.isEmpty())
            throw Failure((png.isEmpty() ? svg : png) +
                          QStringLiteral(": the map could not be drawn"));
        outputs.emplace_back(png.isEmpty() ? svg : png, bytes);
    }
    if (p.isSet(QStringLiteral("geojson")))
        outputs.emplace_back(p.value(QStringLiteral("geojson")), ShadowGeoJson(*s, r));
    if (outputs.empty()) {
        // Without outputs, a summary: the most shade and the area per contour.
        const ShadeGrid& g = s->map.grid;
        double most = 0;
        for (const double h : s->map.hours)
            if (!std::isnan(h))
                most = std::max(most, h);
        QString text = QStringLiteral("%1: %2 x %3 cells of %4 m from (%5, %6) m, %7, plane %8 m; "
                                      "most shade %9 h\n")
                           .arg(project.path)
                           .arg(g.nx)
                           .arg(g.ny)
                           .arg(Fixed(g.cell, 2), Fixed(g.x0, 2), Fixed(g.y0, 2), PeriodText(r),
                                Fixed(r.planeHeight, 2), Fixed(most, 2));
        for (const double level : r.contours) {
            int n = 0;
            for (const double h : s->map.hours)
                n += !std::isnan(h) && h >= level - 1e-9;
            text += QStringLiteral("  shade for %1 h or more: %2 m2\n")
                        .arg(Fixed(level, 1), Fixed(n * g.cell * g.cell, 1));
        }
        outputs.emplace_back(QString(), text.toUtf8());
    }
    WriteOutputs(outputs, {project.path});
    return 0;
}

} // namespace velmora::cli
