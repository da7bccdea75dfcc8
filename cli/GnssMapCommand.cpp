// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/GnssMapCommand.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "geometry/Footprints.h"
#include "outputs/GnssMapFiles.h"
#include "predict/GnssMap.h"

namespace velmora::cli {

namespace {

const predict::Parameter& Declared(const char* name) {
    return predict::ParameterOf(predict::GnssMapAlgorithm(), name);
}

QString Required(const QCommandLineParser& p, const char* name, const char* what) {
    if (!p.isSet(QString::fromLatin1(name)))
        throw UsageError(QStringLiteral("--%1 %2 is required")
                             .arg(QString::fromLatin1(name), QString::fromLatin1(what)));
    return p.value(QString::fromLatin1(name));
}

gnss::UtcSeconds ReadStart(const QCommandLineParser& p) {
    const QString text = Required(p, "start", "YYYY-MM-DDTHH:MM:SSZ");
    static const QRegularExpression kStart(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"));
    const QDateTime start = QDateTime::fromString(text, Qt::ISODate);
    if (!kStart.match(text).hasMatch() || !start.isValid())
        throw UsageError(
            QStringLiteral("--start %1: expected a UTC time YYYY-MM-DDTHH:MM:SSZ").arg(text));
    return start.toSecsSinceEpoch();
}

int WholeOption(const QCommandLineParser& p, const char* name) {
    const QString text = p.value(QString::fromLatin1(name));
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("--%1 %2: expected a whole number")
                             .arg(QString::fromLatin1(name), text));
    return v;
}

predict::GnssMapRequest ReadRequest(const QCommandLineParser& p) {
    predict::GnssMapRequest r;
    gnss::PredictionSettings& s = r.gnss.settings;
    s = predict::DefaultGnssSettings();
    std::tie(s.latitude, s.longitude) = ParseOrigin(Required(p, "origin", "LAT,LON"));
    s.groundHeight = NumberOption(p, Declared("height"));
    s.antenna = NumberOption(p, predict::kAntennaHeight);
    for (const QString& n : p.values(QStringLiteral("nav")))
        r.gnss.nav.push_back(PathBytes(n));
    if (p.isSet(QStringLiteral("tle")))
        r.gnss.tle = PathBytes(p.value(QStringLiteral("tle")));
    if (r.gnss.nav.empty() == r.gnss.tle.empty())
        throw predict::Failure(predict::Error(predict::ErrorCode::NoEphemerisFiles));
    s.start = ReadStart(p);
    s.hours = ParseNumber(Required(p, "hours", "H"), QStringLiteral("--hours"));
    const int step = WholeOption(p, "step");
    s.step = step;
    if (!Required(p, "step", "SECONDS").isEmpty() && step < Declared("step").min)
        throw UsageError(QStringLiteral("--step %1: expected whole seconds, at least %2")
                             .arg(step)
                             .arg(Declared("step").min));
    s.mask = NumberOption(p, Declared("elevation-mask"));
    s.systems = predict::ParseSystems(p.value(QStringLiteral("systems")).toStdString());
    const auto area = predict::ParseArea(Required(p, "area", "X0,Y0,X1,Y1").toStdString());
    std::tie(r.x0, r.y0, r.x1, r.y1) = std::tuple(area[0], area[1], area[2], area[3]);
    r.cell = NumberOption(p, Declared("cell"));
    r.minSatellites = WholeOption(p, "min-satellites");
    r.maxPdop = NumberOption(p, Declared("max-pdop"));
    std::tie(r.tile, r.tiles) = predict::ParseTile(p.value(QStringLiteral("tile")).toStdString());
    predict::Validate(r);
    return r;
}

QString Caption(const predict::GnssMapRequest& r, const predict::GnssMap& m) {
    const gnss::PredictionSettings& s = r.gnss.settings;
    QString text = QStringLiteral("%1 ... %2 every %3 s, %4, mask %5°; a position: >= %6 "
                                  "satellites in direct view and PDOP <= %7")
                       .arg(QString::fromStdString(predict::UtcTimeText(s.start)),
                            QString::fromStdString(predict::UtcTimeText(gnss::LastEpoch(s))))
                       .arg(s.step)
                       .arg(QString::fromStdString(s.systems))
                       .arg(s.mask)
                       .arg(r.minSatellites)
                       .arg(r.maxPdop);
    if (r.tiles > 1)
        text += QStringLiteral("; tile %1/%2 (rows %3-%4 of %5)")
                    .arg(r.tile)
                    .arg(r.tiles)
                    .arg(m.grid.firstRow + 1)
                    .arg(m.grid.lastRow)
                    .arg(m.grid.rows);
    return text;
}

} // namespace

int GnssMapCommand(const QStringList& args) {
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("file"), QStringLiteral("project file (.dat)"));
    AddOptions(p, predict::GnssMapAlgorithm());
    p.addOption({QStringLiteral("geotiff"),
                 QStringLiteral("five-band GeoTIFF of the cells (plan metres, transverse "
                                "Mercator on the origin)"),
                 QStringLiteral("OUT.tif")});
    p.addOption({QStringLiteral("png"), QStringLiteral("band 1 over the footprints as a picture"),
                 QStringLiteral("MAP.png")});
    p.addOption({QStringLiteral("json"), QStringLiteral("the cells' figures as JSON"),
                 QStringLiteral("OUT.json")});
    if (!ParseCommandLine(p, args, 1, 1, {QStringLiteral("nav")}))
        return 0;
    const QString tif = Required(p, "geotiff", "OUT.tif");
    const QString png = p.value(QStringLiteral("png"));
    if (!png.isEmpty() && !png.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        throw UsageError(QStringLiteral("--png %1: the name must end in .png").arg(png));
    for (const QString& name : {tif, png, p.value(QStringLiteral("json"))})
        if (name == QStringLiteral("-"))
            throw UsageError(QStringLiteral("the map's outputs go to files, not to standard "
                                            "output"));
    const predict::GnssMapRequest r = ReadRequest(p);
    const Project project = ReadProject(p.positionalArguments().at(0));
    const std::vector<Footprint> plan = NorthUpFootprints(*project.data);
    predict::Feedback feedback;
    const std::optional<predict::GnssMap> map = predict::RunGnssMap(plan, r, feedback);
    if (!map)
        throw predict::Failure(predict::Error(predict::ErrorCode::Cancelled));
    PrintWarnings(project.path, feedback);

    std::vector<std::pair<QString, QByteArray>> outputs;
    outputs.emplace_back(tif, GnssMapGeoTiff(*map, r));
    if (p.isSet(QStringLiteral("json")))
        outputs.emplace_back(p.value(QStringLiteral("json")), GnssMapJson(*map, r));
    if (!png.isEmpty()) {
        const QString title =
            QStringLiteral("%1: epochs with a position").arg(QFileInfo(project.path).fileName());
        const QByteArray bytes = GnssMapPng(*map, plan, title, Caption(r, *map));
        if (bytes.isEmpty())
            throw predict::Failure({predict::ErrorCode::DrawFailed, {"map"}, PathBytes(png)});
        outputs.emplace_back(png, bytes);
    }
    QStringList inputs = p.values(QStringLiteral("nav"));
    inputs << project.path;
    if (p.isSet(QStringLiteral("tle")))
        inputs << p.value(QStringLiteral("tle"));
    WriteOutputs(outputs, inputs);
    return 0;
}

} // namespace velmora::cli
