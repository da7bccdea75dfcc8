// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SkyMaskCommand.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <cmath>
#include <numbers>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/GisInput.h"
#include "plots/SkyPlot.h"

namespace velmora::cli {

namespace {

QString Clock(double hours) {
    const int minutes = static_cast<int>(std::lround(hours * 60));
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QChar(u'0'))
        .arg(minutes % 60, 2, 10, QChar(u'0'));
}

QByteArray MaskText(const std::vector<double>& mask, const QStringList& header) {
    QByteArray out;
    for (const QString& h : header)
        out += "% " + h.toUtf8() + "\n";
    for (std::size_t i = 0; i < mask.size(); ++i)
        out += QStringLiteral("%1 %2\n").arg(i).arg(Fixed(mask[i], 2)).toLatin1();
    return out;
}

} // namespace

int SkyMaskCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "The buildings of a project file as prisms of their heights, seen from a receiver: for "
        "every azimuth 0 ... 359 degrees (clockwise from true north) the highest elevation a "
        "building covers. The receiver stands at a point of the north-up plan frame (metres east "
        "and north of the ground point at the picture centre) outside every building."));
    p.addPositionalArgument(QStringLiteral("file"),
                            QStringLiteral("project file (.dat); optional with --buildings"));
    p.addOption({QStringLiteral("at"), QStringLiteral("the receiver's plan position in metres"),
                 QStringLiteral("X,Y")});
    p.addOption({QStringLiteral("antenna-height"),
                 QStringLiteral("the receiver's height above the ground in metres (default 1.5)"),
                 QStringLiteral("H"), QStringLiteral("1.5")});
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("mask file to write (default: standard output)"),
                 QStringLiteral("MASK.txt")});
    p.addOption({QStringLiteral("plot"), QStringLiteral("polar sky plot to write (.png or .svg)"),
                 QStringLiteral("SKY.png|SKY.svg")});
    p.addOption({QStringLiteral("date"),
                 QStringLiteral("also the sun's path of that day and its minutes of direct and "
                                "blocked sun (needs --origin and --utc-offset)"),
                 QStringLiteral("YYYY-MM-DD")});
    p.addOption({QStringLiteral("origin"),
                 QStringLiteral("latitude and longitude in degrees of the ground point at the "
                                "picture centre"),
                 QStringLiteral("LAT,LON")});
    p.addOption({QStringLiteral("utc-offset"),
                 QStringLiteral("hours of local clock time ahead of UTC"),
                 QStringLiteral("HOURS")});
    AddBuildingFileOptions(p);
    if (!ParseCommandLine(p, args, 0, 1, {QStringLiteral("buildings")}))
        return 0;
    const bool withFiles = p.isSet(QStringLiteral("buildings"));
    const bool withProject = !p.positionalArguments().isEmpty();
    CheckBuildingFileOptions(p, withProject);

    if (!p.isSet(QStringLiteral("at")))
        throw UsageError(QStringLiteral("--at X,Y is required"));
    const auto [x, y] = ParsePair(p.value(QStringLiteral("at")), QStringLiteral("--at"));
    const double antenna =
        ParseNumber(p.value(QStringLiteral("antenna-height")), QStringLiteral("--antenna-height"));
    if (antenna < 0)
        throw UsageError(QStringLiteral("--antenna-height: the height cannot be negative"));
    const QString plot = p.value(QStringLiteral("plot"));
    if (!plot.isEmpty() && !plot.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
        !plot.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        throw UsageError(QStringLiteral("--plot %1: the name must end in .png or .svg").arg(plot));
    const bool withSun = p.isSet(QStringLiteral("date"));
    if (withFiles && !p.isSet(QStringLiteral("origin")))
        throw UsageError(QStringLiteral("--buildings needs --origin LAT,LON"));
    if ((withSun != p.isSet(QStringLiteral("origin")) && !withFiles) ||
        withSun != p.isSet(QStringLiteral("utc-offset")))
        throw UsageError(QStringLiteral("--date, --origin and --utc-offset go together"));
    SunClock date;
    SunSite site;
    if (withSun) {
        // The day only: Qt's ISO reading would also take a time after it.
        const QString text = p.value(QStringLiteral("date"));
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid() || text.size() != 10)
            throw UsageError(QStringLiteral("--date %1: expected a date YYYY-MM-DD")
                                 .arg(p.value(QStringLiteral("date"))));
        date.year = d.year();
        date.month = d.month();
        date.day = d.day();
        date.utcOffset =
            ParseNumber(p.value(QStringLiteral("utc-offset")), QStringLiteral("--utc-offset"));
        if (std::fabs(date.utcOffset) > 14)
            throw UsageError(QStringLiteral("--utc-offset: expected hours within -14 ... 14"));
    }
    if (p.isSet(QStringLiteral("origin")))
        std::tie(site.latitude, site.longitude) = ParseOrigin(p.value(QStringLiteral("origin")));

    Project project;
    if (withProject)
        project = ReadProject(p.positionalArguments().at(0));
    else
        project.data = std::make_unique<BuildingData>();
    const PlanXY at{x, y};
    const BuildingFiles files =
        ReadBuildingFiles(p, site.latitude, site.longitude, std::span(&at, 1), 1000, withProject);
    CheckOutsideBuildingFiles(files, at);
    const QString name = withProject ? QFileInfo(project.path).fileName() : files.label;
    // Only buildings of a measured height cast a mask: one of unknown height
    // is neither open sky nor a wall of some made-up height.
    std::vector<Footprint> footprints;
    std::vector<Count> crossing, unknown;
    for (Footprint& f : NorthUpFootprints(*project.data)) {
        if (f.crossesItself)
            crossing.push_back(f.roof);
        else if (f.heightState != RoofHeight::Measured)
            unknown.push_back(f.roof);
        if (!f.crossesItself)
            footprints.push_back(std::move(f));
    }
    WarnRoofs(project.path, crossing, kCrossingWarning);
    WarnRoofs(project.path, unknown,
              QStringLiteral("height unknown (no wall line, or one drawn upwards); left out of the "
                             "mask"));
    if (const std::optional<Count> roof = FootprintAt(footprints, at))
        throw Failure(QStringLiteral("%1: the point (%2, %3) lies inside roof %4; a receiver must "
                                     "stand outside the buildings")
                          .arg(project.path, Fixed(x, 2), Fixed(y, 2))
                          .arg(*roof));
    std::erase_if(footprints,
                  [](const Footprint& f) { return f.heightState != RoofHeight::Measured; });
    for (Footprint& f : Prisms(files))
        footprints.push_back(std::move(f));
    const SkyScene scene(footprints, at, antenna);
    const std::vector<double> mask = scene.Mask(1);

    const QString where = QStringLiteral("(%1 E, %2 N) m, antenna %3 m above the ground")
                              .arg(Fixed(x, 2), Fixed(y, 2), Fixed(antenna, 2));
    QStringList header{
        QStringLiteral("velmora-cli sky mask of %1 at %2").arg(name, where),
        QStringLiteral("azimuth: degrees clockwise from true north; elevation: degrees above the "
                       "horizon that buildings cover (0: open sky)"),
        QStringLiteral("azimuth elevation")};
    if (withFiles)
        header.insert(1, QStringLiteral("buildings from map data: %1 (%2 prisms)")
                             .arg(files.label)
                             .arg(files.buildings.size()));
    if (!unknown.empty() || !crossing.empty()) {
        QStringList names;
        for (const Count r : unknown)
            names << QString::number(r);
        for (const Count r : crossing)
            names << QString::number(r);
        header.insert(2, QStringLiteral("left out (height or outline unknown): roofs ") +
                             names.join(QStringLiteral(", ")));
    }
    SunDay day;
    QString sunCaption;
    if (withSun) {
        day = SunOverDay(scene, date, site);
        const QString offset = QStringLiteral("UTC%1%2")
                                   .arg(QChar(date.utcOffset < 0 ? u'-' : u'+'))
                                   .arg(std::fabs(date.utcOffset));
        sunCaption =
            QStringLiteral("%1 at %2, %3 (%4): sunrise %5, sunset %6; direct sun %7 min, sun "
                           "blocked by buildings %8 min")
                .arg(p.value(QStringLiteral("date")), Fixed(site.latitude, 5),
                     Fixed(site.longitude, 5), offset,
                     day.events.sunrise ? Clock(*day.events.sunrise) : QStringLiteral("-"),
                     day.events.sunset ? Clock(*day.events.sunset) : QStringLiteral("-"))
                .arg(day.directMinutes)
                .arg(day.blockedMinutes);
        header.insert(2, QStringLiteral("sun on ") + sunCaption);
    }
    // Both outputs are made before either is written.
    std::vector<std::pair<QString, QByteArray>> outputs{
        {p.value(QStringLiteral("output")), MaskText(mask, header)}};
    if (!plot.isEmpty()) {
        plots::SkyPlotInput in{mask,
                               QStringLiteral("Sky mask of %1 at %2").arg(name, where),
                               withSun ? &day : nullptr,
                               sunCaption,
                               {},
                               {}};
        QByteArray plotBytes = plots::SkyPlotBytes(in, plot);
        if (plotBytes.isEmpty())
            throw Failure(plot + QStringLiteral(": the plot could not be drawn"));
        outputs.emplace_back(plot, std::move(plotBytes));
    }
    QStringList inputs = files.files;
    if (withProject)
        inputs << project.path;
    WriteOutputs(outputs, inputs);
    return 0;
}

} // namespace velmora::cli
