// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Shadow.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <cmath>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/GisInput.h"
#include "geometry/Footprints.h"
#include "outputs/ShadowFiles.h"

namespace velmora::cli {

namespace {

using predict::ShadowAlgorithm;

const predict::Parameter& Declared(const char* name) {
    return predict::ParameterOf(ShadowAlgorithm(), name);
}

// "8" or "8:30" as hours of the day, within the declared range.
double ParseHour(const QString& text, const predict::Parameter& p) {
    const QStringList parts = text.trimmed().split(u':');
    bool ok = parts.size() <= 2;
    double h = ok ? parts[0].toDouble(&ok) : 0;
    if (ok && parts.size() == 2) {
        bool okMinutes = false;
        const int m = parts[1].toInt(&okMinutes);
        ok = okMinutes && m >= 0 && m < 60 && h == std::floor(h);
        h += m / 60.0;
    }
    if (!ok || !std::isfinite(h) || h < p.min || h > p.max)
        throw UsageError(QStringLiteral("--%1 \"%2\": expected an hour of the day, %3 ... %4 (H or "
                                        "H:MM)")
                             .arg(QString::fromUtf8(p.name), text)
                             .arg(p.min)
                             .arg(p.max));
    return h;
}

void ReadPeriod(const QCommandLineParser& p, predict::ShadowRequest& r) {
    if (!p.isSet(QStringLiteral("date")))
        throw UsageError(QStringLiteral("--date YYYY-MM-DD is required"));
    const QDate date = QDate::fromString(p.value(QStringLiteral("date")), Qt::ISODate);
    if (!date.isValid())
        throw UsageError(QStringLiteral("--date %1: expected a date YYYY-MM-DD")
                             .arg(p.value(QStringLiteral("date"))));
    r.period.year = date.year();
    r.period.month = date.month();
    r.period.day = date.day();
    r.period.fromHours = ParseHour(p.value(QStringLiteral("from")), Declared("from"));
    r.period.toHours = ParseHour(p.value(QStringLiteral("to")), Declared("to"));
    const bool solar = p.isSet(QStringLiteral("solar-time"));
    if (solar == p.isSet(QStringLiteral("utc-offset")))
        throw UsageError(QStringLiteral("give either --solar-time or --utc-offset HOURS"));
    r.period.solarTime = solar;
    if (!solar)
        r.period.utcOffset = NumberOption(p, predict::kUtcOffset);
}

predict::ShadowRequest ReadRequest(const QCommandLineParser& p) {
    predict::ShadowRequest r = predict::DefaultShadowRequest();
    if (!p.isSet(QStringLiteral("origin")))
        throw UsageError(QStringLiteral("--origin LAT,LON is required"));
    std::tie(r.site.latitude, r.site.longitude) = ParseOrigin(p.value(QStringLiteral("origin")));
    ReadPeriod(p, r);
    r.planeHeight = NumberOption(p, Declared("plane-height"));
    r.cell = NumberOption(p, Declared("cell"));
    r.extent = NumberOption(p, Declared("extent"));
    r.contours = predict::ParseContours(p.value(QStringLiteral("contours")).toStdString());
    r.hourly = p.isSet(QStringLiteral("hourly"));
    predict::Validate(r);
    return r;
}

// Every output is made before any is written.
std::vector<std::pair<QString, QByteArray>> Outputs(const QCommandLineParser& p,
                                                    const predict::ShadowResult& s,
                                                    const predict::ShadowRequest& r,
                                                    const QString& file) {
    const QString png = p.value(QStringLiteral("png")), svg = p.value(QStringLiteral("svg"));
    std::vector<std::pair<QString, QByteArray>> outputs;
    if (p.isSet(QStringLiteral("json")))
        outputs.emplace_back(p.value(QStringLiteral("json")), ShadowJson(s, r));
    if (!png.isEmpty() || !svg.isEmpty()) {
        const QByteArray bytes =
            ShadePlotBytes(ShadowPlotInput(s, r, QFileInfo(file).fileName()), !svg.isEmpty());
        if (bytes.isEmpty())
            throw predict::Failure(
                {predict::ErrorCode::DrawFailed, {"map"}, PathBytes(png.isEmpty() ? svg : png)});
        outputs.emplace_back(png.isEmpty() ? svg : png, bytes);
    }
    if (p.isSet(QStringLiteral("geojson")))
        outputs.emplace_back(p.value(QStringLiteral("geojson")), ShadowGeoJson(s, r));
    // Without outputs, a summary: the most shade and the area per contour.
    if (outputs.empty())
        outputs.emplace_back(QString(), ShadowSummary(s, r, file));
    return outputs;
}

} // namespace

int ShadowCommand(const QStringList& args) {
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("file"),
                            QStringLiteral("project file (.dat); optional with --buildings"));
    AddOptions(p, ShadowAlgorithm());
    p.addOptions(
        {{QStringLiteral("json"), QStringLiteral("the grid of shade hours as JSON"),
          QStringLiteral("OUT.json")},
         {QStringLiteral("png"), QStringLiteral("the plan map as PNG"), QStringLiteral("MAP.png")},
         {QStringLiteral("svg"), QStringLiteral("the plan map as SVG"), QStringLiteral("MAP.svg")},
         {QStringLiteral("geojson"),
          QStringLiteral("contour lines and hourly outlines in WGS84 GeoJSON"),
          QStringLiteral("LINES.geojson")}});
    if (!ParseCommandLine(p, args, 0, 1, {QStringLiteral("buildings")}))
        return 0;
    const bool withProject = !p.positionalArguments().isEmpty();
    CheckBuildingFileOptions(p, withProject);
    if (!withProject && p.isSet(QStringLiteral("buildings")) && !p.isSet(QStringLiteral("bbox")))
        throw UsageError(QStringLiteral("--buildings without a project file needs --bbox: the "
                                        "area of the map"));
    const predict::ShadowRequest r = ReadRequest(p);
    if (p.isSet(QStringLiteral("png")) && p.isSet(QStringLiteral("svg")))
        throw UsageError(QStringLiteral("give --png or --svg, not both"));

    Project project;
    if (withProject)
        project = ReadProject(p.positionalArguments().at(0));
    else
        project.data = std::make_unique<BuildingData>();
    std::vector<Footprint> plan = NorthUpFootprints(*project.data);
    // Without a box, the map data around the project's buildings, as far as
    // the grid reaches.
    std::vector<PlanXY> around;
    for (const Footprint& f : plan)
        around.insert(around.end(), f.ring.begin(), f.ring.end());
    const BuildingFiles files =
        ReadBuildingFiles(p, r.site.latitude, r.site.longitude, around, r.extent, withProject);
    for (Footprint& f : Prisms(files))
        plan.push_back(std::move(f));
    predict::Feedback feedback;
    const std::optional<predict::ShadowResult> s = predict::RunShadow(plan, r, feedback);
    if (!s)
        throw predict::Failure(predict::Error(predict::ErrorCode::Cancelled));
    PrintWarnings(project.path, feedback);
    QStringList inputs = files.files;
    if (withProject)
        inputs << project.path;
    WriteOutputs(Outputs(p, *s, r, withProject ? project.path : files.label), inputs);
    return 0;
}

} // namespace velmora::cli
