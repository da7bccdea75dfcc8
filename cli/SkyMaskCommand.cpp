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
#include "geometry/Footprints.h"
#include "picture/SystemNames.h"
#include "plots/SkyPlot.h"
#include "predict/SkyMask.h"

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

predict::SkyMaskRequest ReadRequest(const QCommandLineParser& p) {
    predict::SkyMaskRequest r;
    if (!p.isSet(QStringLiteral("at")))
        throw UsageError(QStringLiteral("--at X,Y is required"));
    std::tie(r.at.x, r.at.y) = ParsePair(p.value(QStringLiteral("at")), QStringLiteral("--at"));
    r.antenna = NumberOption(p, predict::kAntennaHeight);
    const bool withSun = p.isSet(QStringLiteral("date"));
    const bool withFiles = p.isSet(QStringLiteral("buildings"));
    if (withFiles && !p.isSet(QStringLiteral("origin")))
        throw UsageError(QStringLiteral("--buildings needs --origin LAT,LON"));
    if ((withSun != p.isSet(QStringLiteral("origin")) && !withFiles) ||
        withSun != p.isSet(QStringLiteral("utc-offset")))
        throw UsageError(QStringLiteral("--date, --origin and --utc-offset go together"));
    if (withSun) {
        // The day only: Qt's ISO reading would also take a time after it.
        const QString text = p.value(QStringLiteral("date"));
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid() || text.size() != 10)
            throw UsageError(QStringLiteral("--date %1: expected a date YYYY-MM-DD").arg(text));
        SunClock date;
        date.year = d.year();
        date.month = d.month();
        date.day = d.day();
        date.utcOffset = NumberOption(p, predict::kUtcOffset);
        r.date = date;
    }
    if (p.isSet(QStringLiteral("origin")))
        std::tie(r.site.latitude, r.site.longitude) =
            ParseOrigin(p.value(QStringLiteral("origin")));
    predict::Validate(r);
    return r;
}

QStringList Header(const predict::SkyMaskResult& m, const QString& name, const QString& where,
                   const QString& sunCaption, const BuildingFiles& files) {
    QStringList header{QStringLiteral("velmora-cli sky mask of %1 at %2").arg(name, where),
                       QStringLiteral("azimuth: degrees clockwise from true north; elevation: "
                                      "degrees above the horizon that buildings cover (0: open "
                                      "sky)"),
                       QStringLiteral("azimuth elevation")};
    if (!m.unknown.empty() || !m.crossing.empty()) {
        QStringList names;
        for (const Count r : m.unknown)
            names << QString::number(r);
        for (const Count r : m.crossing)
            names << QString::number(r);
        header.insert(2, QStringLiteral("left out (height or outline unknown): roofs ") +
                             names.join(QStringLiteral(", ")));
    }
    if (!sunCaption.isEmpty())
        header.insert(2, QStringLiteral("sun on ") + sunCaption);
    if (!files.files.isEmpty())
        header.insert(1, QStringLiteral("buildings from map data: %1 (%2 prisms)")
                             .arg(files.label)
                             .arg(files.buildings.size()));
    return header;
}

QString SunCaption(const predict::SkyMaskRequest& r, const SunDay& day, const QString& dateText) {
    const QString offset = QStringLiteral("UTC%1%2")
                               .arg(QChar(r.date->utcOffset < 0 ? u'-' : u'+'))
                               .arg(std::fabs(r.date->utcOffset));
    return QStringLiteral("%1 at %2, %3 (%4): sunrise %5, sunset %6; direct sun %7 min, sun "
                          "blocked by buildings %8 min")
        .arg(dateText, Fixed(r.site.latitude, 5), Fixed(r.site.longitude, 5), offset,
             day.events.sunrise ? Clock(*day.events.sunrise) : QStringLiteral("-"),
             day.events.sunset ? Clock(*day.events.sunset) : QStringLiteral("-"))
        .arg(day.directMinutes)
        .arg(day.blockedMinutes);
}

} // namespace

int SkyMaskCommand(const QStringList& args) {
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("file"),
                            QStringLiteral("project file (.dat); optional with --buildings"));
    AddOptions(p, predict::SkyMaskAlgorithm());
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("mask file to write (default: standard output)"),
                 QStringLiteral("MASK.txt")});
    p.addOption({QStringLiteral("plot"), QStringLiteral("polar sky plot to write (.png or .svg)"),
                 QStringLiteral("SKY.png|SKY.svg")});
    if (!ParseCommandLine(p, args, 0, 1, {QStringLiteral("buildings")}))
        return 0;
    const bool withProject = !p.positionalArguments().isEmpty();
    CheckBuildingFileOptions(p, withProject);
    const predict::SkyMaskRequest r = ReadRequest(p);
    const QString plot = p.value(QStringLiteral("plot"));
    if (!plot.isEmpty() && !plot.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
        !plot.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        throw UsageError(QStringLiteral("--plot %1: the name must end in .png or .svg").arg(plot));

    Project project;
    if (withProject)
        project = ReadProject(p.positionalArguments().at(0));
    else
        project.data = std::make_unique<BuildingData>();
    const BuildingFiles files = ReadBuildingFiles(p, r.site.latitude, r.site.longitude,
                                                  std::span(&r.at, 1), 1000, withProject);
    CheckOutsideBuildingFiles(files, r.at);
    const QString name = withProject ? QFileInfo(project.path).fileName() : files.label;
    std::vector<Footprint> plan = NorthUpFootprints(*project.data);
    for (Footprint& f : Prisms(files))
        plan.push_back(std::move(f));
    predict::Feedback feedback;
    const predict::SkyMaskResult m =
        predict::RunSkyMask(plan, r, feedback, PathBytes(project.path));
    PrintWarnings(project.path, feedback);
    const QString where = QStringLiteral("(%1 E, %2 N) m, antenna %3 m above the ground")
                              .arg(Fixed(r.at.x, 2), Fixed(r.at.y, 2), Fixed(r.antenna, 2));
    const QString sunCaption =
        m.day ? SunCaption(r, *m.day, p.value(QStringLiteral("date"))) : QString();
    // Both outputs are made before either is written.
    std::vector<std::pair<QString, QByteArray>> outputs{
        {p.value(QStringLiteral("output")),
         MaskText(m.mask, Header(m, name, where, sunCaption, files))}};
    if (!plot.isEmpty()) {
        plots::SkyPlotInput in{m.mask,
                               QStringLiteral("Sky mask of %1 at %2").arg(name, where),
                               m.day ? &*m.day : nullptr,
                               sunCaption,
                               {},
                               {},
                               {},
                               {}};
        QByteArray plotBytes = plots::SkyPlotBytes(in, plot);
        if (plotBytes.isEmpty())
            throw predict::Failure({predict::ErrorCode::DrawFailed, {"plot"}, PathBytes(plot)});
        outputs.emplace_back(plot, std::move(plotBytes));
    }
    QStringList inputs = files.files;
    if (withProject)
        inputs << project.path;
    WriteOutputs(outputs, inputs);
    return 0;
}

} // namespace velmora::cli
