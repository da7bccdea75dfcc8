// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/GnssCommand.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/GisInput.h"
#include "geometry/Footprints.h"
#include "outputs/GnssFiles.h"
#include "picture/SystemNames.h"

namespace velmora::cli {

namespace {

const predict::Parameter& Declared(const char* name) {
    return predict::ParameterOf(predict::GnssAlgorithm(), name);
}

// The option's name as declared.
QString Name(const char* declared) {
    return QString::fromLatin1(Declared(declared).name);
}

QString Required(const QCommandLineParser& p, const char* declared) {
    const predict::Parameter& d = Declared(declared);
    const QString name = QString::fromLatin1(d.name);
    if (!p.isSet(name))
        throw UsageError(
            QStringLiteral("--%1 %2 is required").arg(name, QString::fromLatin1(d.valueName)));
    return p.value(name);
}

gnss::UtcSeconds ReadStart(const QCommandLineParser& p) {
    const QString startText = Required(p, "start");
    static const QRegularExpression kStart(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"));
    const QDateTime start = QDateTime::fromString(startText, Qt::ISODate);
    if (!kStart.match(startText).hasMatch() || !start.isValid())
        throw UsageError(
            QStringLiteral("--start %1: expected a UTC time YYYY-MM-DDTHH:MM:SSZ").arg(startText));
    return start.toSecsSinceEpoch();
}

int ReadStep(const QCommandLineParser& p) {
    bool ok = false;
    const int step = Required(p, "step").toInt(&ok);
    if (!ok || step < Declared("step").min)
        throw UsageError(QStringLiteral("--step %1: expected whole seconds, at least %2")
                             .arg(p.value(Name("step")))
                             .arg(Declared("step").min));
    return step;
}

predict::GnssRequest ReadRequest(const QCommandLineParser& p) {
    predict::GnssRequest r;
    gnss::PredictionSettings& s = r.settings;
    s = predict::DefaultGnssSettings();
    std::tie(s.at.x, s.at.y) = ParsePair(Required(p, "at"), "--" + Name("at"));
    std::tie(s.latitude, s.longitude) = ParseOrigin(Required(p, "origin"));
    s.groundHeight = NumberOption(p, Declared("height"));
    s.antenna = NumberOption(p, predict::kAntennaHeight);
    // File names as the system's bytes: names that are not UTF-8 stay whole.
    for (const QString& n : p.values(Name("nav")))
        r.nav.push_back(PathBytes(n));
    for (const auto& [name, into] :
         {std::pair{Declared("tle").name, &r.tle}, std::pair{Declared("almanac").name, &r.almanac}})
        if (p.isSet(QString::fromLatin1(name)))
            *into = PathBytes(p.value(QString::fromLatin1(name)));
    if (predict::EphemerisSources(r) != 1)
        throw predict::Failure(predict::Error(predict::ErrorCode::NoEphemerisFiles));
    s.start = ReadStart(p);
    s.hours = ParseNumber(Required(p, "hours"), "--" + Name("hours"));
    s.step = ReadStep(p);
    s.mask = NumberOption(p, Declared("elevation-mask"));
    s.systems = predict::ParseSystems(p.value(Name("systems")).toStdString());
    predict::Validate(r);
    return r;
}

void CheckPictureNames(const QString& plot, const QString& chart) {
    for (const auto& [name, option] : {std::pair{plot, "--plot"}, std::pair{chart, "--chart"}})
        if (!name.isEmpty() && !name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
            !name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
            throw UsageError(QStringLiteral("%1 %2: the name must end in .png or .svg")
                                 .arg(QString::fromLatin1(option), name));
}

// Every output is made before any is written; files first, standard output
// last.
std::vector<std::pair<QString, QByteArray>>
Outputs(const QCommandLineParser& p, const predict::GnssRun& run, const QString& file) {
    std::vector<std::pair<QString, QByteArray>> outputs;
    outputs.emplace_back(p.value(QStringLiteral("output")),
                         p.isSet(QStringLiteral("json")) ? GnssJson(run) : GnssText(run, file));
    const QString name = QFileInfo(file).fileName();
    const QString plot = p.value(QStringLiteral("plot"));
    const QString chart = p.value(QStringLiteral("chart"));
    if (!plot.isEmpty()) {
        const QByteArray bytes =
            plots::SkyPlotBytes(GnssSkyPlotInput(run, name, predict::Language::English), plot);
        if (bytes.isEmpty())
            throw predict::Failure({predict::ErrorCode::DrawFailed, {"plot"}, PathBytes(plot)});
        outputs.emplace_back(plot, bytes);
    }
    if (!chart.isEmpty()) {
        const QByteArray bytes =
            plots::DopChartBytes(GnssChartInput(run, name, predict::Language::English), chart);
        if (bytes.isEmpty())
            throw predict::Failure({predict::ErrorCode::DrawFailed, {"chart"}, PathBytes(chart)});
        outputs.emplace_back(chart, bytes);
    }
    std::stable_partition(outputs.begin(), outputs.end(), [](const auto& o) {
        return !o.first.isEmpty() && o.first != QStringLiteral("-");
    });
    return outputs;
}

} // namespace

int GnssCommand(const QStringList& args) {
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("file"),
                            QStringLiteral("project file (.dat); optional with --buildings"));
    AddOptions(p, predict::GnssAlgorithm());
    p.addOption({QStringLiteral("json"), QStringLiteral("write JSON instead of text")});
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("file to write (default: standard output)"),
                 QStringLiteral("OUT")});
    p.addOption({QStringLiteral("plot"),
                 QStringLiteral("sky plot with the satellites' tracks (.png or .svg)"),
                 QStringLiteral("SKY.png|SKY.svg")});
    p.addOption({QStringLiteral("chart"),
                 QStringLiteral("satellites and PDOP over time (.png or .svg)"),
                 QStringLiteral("DOP.png|DOP.svg")});
    if (!ParseCommandLine(p, args, 0, 1, {Name("nav"), Name("buildings")}))
        return 0;
    const bool withProject = !p.positionalArguments().isEmpty();
    CheckBuildingFileOptions(p, withProject);
    const predict::GnssRequest r = ReadRequest(p);
    CheckPictureNames(p.value(QStringLiteral("plot")), p.value(QStringLiteral("chart")));

    Project project;
    if (withProject)
        project = ReadProject(p.positionalArguments().at(0));
    else
        project.data = std::make_unique<BuildingData>();
    const PlanXY at = r.settings.at;
    const BuildingFiles files =
        ReadBuildingFiles(p, r.settings.latitude, r.settings.longitude, std::span(&at, 1),
                          predict::kBuildingFileReach, withProject);
    CheckOutsideBuildingFiles(files, at);
    std::vector<Footprint> plan = NorthUpFootprints(*project.data);
    for (Footprint& f : Prisms(files))
        plan.push_back(std::move(f));
    predict::Feedback feedback;
    const std::optional<predict::GnssRun> run =
        predict::RunGnss(plan, r, feedback, PathBytes(project.path));
    if (!run)
        throw predict::Failure(predict::Error(predict::ErrorCode::Cancelled));
    PrintWarnings(project.path, feedback);
    QStringList inputs = p.values(Name("nav"));
    inputs << files.files;
    if (withProject)
        inputs << project.path;
    for (const char* name : {"tle", "almanac"})
        if (p.isSet(QString::fromLatin1(Declared(name).name)))
            inputs << p.value(QString::fromLatin1(Declared(name).name));
    WriteOutputs(Outputs(p, *run, withProject ? project.path : files.label), inputs);
    return 0;
}

} // namespace velmora::cli
