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
#include "gnss/Prediction.h"
#include "plots/GnssPlots.h"

namespace velmora::cli {

namespace {

using gnss::EpochSky;
using gnss::Prediction;
using gnss::SkyState;

// A day at one-second steps is the most one run computes.
constexpr std::size_t kMaxEpochs = 86401;

QString Dop(const std::optional<gnss::Dops>& d) {
    return d ? Fixed(d->pdop, 2) : QStringLiteral("-");
}

QString Minutes(double seconds) {
    return Fixed(seconds / 60, 1) + QStringLiteral(" min");
}

QString Percent(double share) {
    return Fixed(share * 100, 1) + QStringLiteral("%");
}

const char* StateName(SkyState s) {
    switch (s) {
    case SkyState::Visible:
        return "visible";
    case SkyState::Blocked:
        return "blocked";
    case SkyState::BelowMask:
        return "below_mask";
    }
    return "";
}

double Rounded(double v, double scale) {
    return std::round(v * scale) / scale;
}

nlohmann::ordered_json DopJson(int count, const std::optional<gnss::Dops>& d) {
    nlohmann::ordered_json j;
    j["count"] = count;
    auto value = [&](double v) {
        return d ? nlohmann::ordered_json(Rounded(v, 1e3)) : nlohmann::ordered_json(nullptr);
    };
    j["gdop"] = value(d ? d->gdop : 0);
    j["pdop"] = value(d ? d->pdop : 0);
    j["hdop"] = value(d ? d->hdop : 0);
    j["vdop"] = value(d ? d->vdop : 0);
    return j;
}

struct Run {
    QString file;
    gnss::PredictionSettings settings;
    gnss::Buildings buildings;
    Prediction prediction;
    gnss::Summary summary;
};

QString RoofList(const std::vector<Count>& roofs) {
    QStringList s;
    for (const Count r : roofs)
        s << QString::number(r);
    return s.join(QStringLiteral(", "));
}

QStringList MissingIds(const Prediction& p, const EpochSky& e) {
    QStringList ids;
    for (const std::size_t i : e.missing)
        ids << QString::fromStdString(p.satellites[i].id);
    return ids;
}

QByteArray Text(const Run& r) {
    const gnss::PredictionSettings& s = r.settings;
    const gnss::Receiver& rx = r.prediction.receiver;
    QByteArray out;
    out += QStringLiteral("# velmora-cli gnss: %1, receiver at (%2 E, %3 N) m: %4, %5, %6 m "
                          "ellipsoidal (antenna %7 m above the ground); elevation mask %8 deg\n")
               .arg(QFileInfo(r.file).fileName(), Fixed(s.at.x, 2), Fixed(s.at.y, 2),
                    Fixed(rx.latitude, 7), Fixed(rx.longitude, 7), Fixed(rx.height, 2),
                    Fixed(s.antenna, 2), Fixed(s.mask, 1))
               .toUtf8();
    out += "# time (UTC)          above_mask visible pdop_open pdop_buildings\n";
    for (const EpochSky& e : r.prediction.epochs) {
        out += QStringLiteral("%1 %2 %3 %4 %5")
                   .arg(plots::UtcText(e.utc))
                   .arg(e.aboveMask, 10)
                   .arg(e.visible, 7)
                   .arg(Dop(e.open), 9)
                   .arg(Dop(e.withBuildings), 14)
                   .toUtf8();
        if (!e.missing.empty())
            out += " no ephemeris: " + MissingIds(r.prediction, e).join(u' ').toUtf8();
        out += "\n";
    }
    const gnss::Summary& m = r.summary;
    out += QStringLiteral("summary: %1 epochs, %2 s apart").arg(m.epochs).arg(s.step).toUtf8();
    if (m.incompleteEpochs > 0)
        out += QStringLiteral(
                   "; %1 with satellites lacking an ephemeris left out of the figures below")
                   .arg(m.incompleteEpochs)
                   .toUtf8();
    out += "\n";
    out += QStringLiteral("epochs with at least 4 satellites and PDOP <= 6: open sky %1, among the "
                          "buildings %2\n")
               .arg(Percent(m.shareOpen), Percent(m.shareWithBuildings))
               .toUtf8();
    out += QStringLiteral("mean satellites: above the mask %1, visible among the buildings %2\n")
               .arg(Fixed(m.meanAboveMask, 2), Fixed(m.meanVisible, 2))
               .toUtf8();
    out +=
        QStringLiteral("longest stretch without a position: open sky %1, among the buildings %2\n")
            .arg(Minutes(m.longestGapOpen), Minutes(m.longestGapWithBuildings))
            .toUtf8();
    if (!r.buildings.unmeasured.empty())
        out += QStringLiteral("roofs left out, no measured height: %1\n")
                   .arg(RoofList(r.buildings.unmeasured))
                   .toUtf8();
    return out;
}

QByteArray Json(const Run& r) {
    const Prediction& p = r.prediction;
    nlohmann::ordered_json j;
    j["receiver"] = {{"latitude", Rounded(p.receiver.latitude, 1e8)},
                     {"longitude", Rounded(p.receiver.longitude, 1e8)},
                     {"height", Rounded(p.receiver.height, 1e3)},
                     {"x", r.settings.at.x},
                     {"y", r.settings.at.y}};
    j["elevation_mask"] = r.settings.mask;
    nlohmann::ordered_json epochs = nlohmann::ordered_json::array();
    for (const EpochSky& e : p.epochs) {
        nlohmann::ordered_json sats = nlohmann::ordered_json::array();
        for (const gnss::SatelliteSky& v : e.satellites)
            sats.push_back({{"id", p.satellites[v.satellite].id},
                            {"azimuth", Rounded(v.direction.azimuth, 1e4)},
                            {"elevation", Rounded(v.direction.elevation, 1e4)},
                            {"state", StateName(v.state)}});
        nlohmann::ordered_json epoch;
        epoch["time"] = plots::UtcText(e.utc).toStdString();
        epoch["satellites"] = std::move(sats);
        epoch["open"] = DopJson(e.aboveMask, e.open);
        epoch["with_buildings"] = DopJson(e.visible, e.withBuildings);
        if (!e.missing.empty()) {
            nlohmann::ordered_json missing = nlohmann::ordered_json::array();
            for (const QString& id : MissingIds(p, e))
                missing.push_back(id.toStdString());
            epoch["missing"] = std::move(missing);
        }
        epochs.push_back(std::move(epoch));
    }
    j["epochs"] = std::move(epochs);
    const gnss::Summary& m = r.summary;
    nlohmann::ordered_json roofs = nlohmann::ordered_json::array();
    for (const Count c : r.buildings.unmeasured)
        roofs.push_back(c);
    j["summary"] = {{"epochs", m.epochs},
                    {"step", r.settings.step},
                    {"share_open", Rounded(m.shareOpen, 1e4)},
                    {"share_with_buildings", Rounded(m.shareWithBuildings, 1e4)},
                    {"mean_above_mask", Rounded(m.meanAboveMask, 1e3)},
                    {"mean_visible", Rounded(m.meanVisible, 1e3)},
                    {"longest_gap_open_seconds", m.longestGapOpen},
                    {"longest_gap_with_buildings_seconds", m.longestGapWithBuildings},
                    {"roofs_without_height", std::move(roofs)},
                    {"incomplete_epochs", m.incompleteEpochs}};
    return QByteArray::fromStdString(j.dump(1)) + "\n";
}

} // namespace

int GnssCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "The satellites a receiver sees among the buildings of a project file over a period: "
        "positions from RINEX broadcast ephemerides (GPS, GLONASS, Galileo, BeiDou, QZSS) or a "
        "TLE set, azimuth and elevation at the receiver on the WGS84 ellipsoid, the line of sight "
        "tested against every building's prism, and the DOPs of the open sky and of the "
        "satellites left visible. One line per epoch and a summary, or JSON."));
    p.addPositionalArgument(QStringLiteral("file"),
                            QStringLiteral("project file (.dat); optional with --buildings"));
    p.addOption({QStringLiteral("at"),
                 QStringLiteral("the receiver's plan position in metres east and north"),
                 QStringLiteral("X,Y")});
    p.addOption({QStringLiteral("origin"),
                 QStringLiteral(
                     "latitude and longitude in degrees of the ground point at the picture centre"),
                 QStringLiteral("LAT,LON")});
    p.addOption(
        {QStringLiteral("height"),
         QStringLiteral("ellipsoidal height of the ground at the origin in metres (default 0)"),
         QStringLiteral("H"), QStringLiteral("0")});
    p.addOption({QStringLiteral("antenna-height"),
                 QStringLiteral("the antenna's height above the ground in metres (default 1.5)"),
                 QStringLiteral("A"), QStringLiteral("1.5")});
    p.addOption({QStringLiteral("nav"),
                 QStringLiteral("RINEX navigation file (repeat for several)"),
                 QStringLiteral("FILE")});
    p.addOption({QStringLiteral("tle"), QStringLiteral("two-line element set instead of --nav"),
                 QStringLiteral("FILE")});
    p.addOption({QStringLiteral("start"), QStringLiteral("first epoch, UTC"),
                 QStringLiteral("YYYY-MM-DDTHH:MM:SSZ")});
    p.addOption(
        {QStringLiteral("hours"), QStringLiteral("length of the period"), QStringLiteral("H")});
    p.addOption({QStringLiteral("step"), QStringLiteral("seconds between epochs (whole)"),
                 QStringLiteral("SECONDS")});
    p.addOption({QStringLiteral("elevation-mask"), QStringLiteral("degrees (default 10)"),
                 QStringLiteral("DEG"), QStringLiteral("10")});
    p.addOption({QStringLiteral("systems"), QStringLiteral("systems counted (default G,R,E,C,J)"),
                 QStringLiteral("G,R,E,C,J")});
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
    AddBuildingFileOptions(p);
    if (!ParseCommandLine(p, args, 0, 1, {QStringLiteral("nav"), QStringLiteral("buildings")}))
        return 0;
    const bool withProject = !p.positionalArguments().isEmpty();
    CheckBuildingFileOptions(p, withProject);

    auto required = [&](const char* name, const char* what) {
        if (!p.isSet(QString::fromLatin1(name)))
            throw UsageError(QStringLiteral("--%1 %2 is required")
                                 .arg(QString::fromLatin1(name), QString::fromLatin1(what)));
        return p.value(QString::fromLatin1(name));
    };
    Run run;
    gnss::PredictionSettings& s = run.settings;
    std::tie(s.at.x, s.at.y) = ParsePair(required("at", "X,Y"), QStringLiteral("--at"));
    std::tie(s.latitude, s.longitude) = ParseOrigin(required("origin", "LAT,LON"));
    s.groundHeight = ParseNumber(p.value(QStringLiteral("height")), QStringLiteral("--height"));
    if (std::fabs(s.groundHeight) > 10000)
        throw UsageError(QStringLiteral("--height: expected metres within -10000 ... 10000"));
    s.antenna =
        ParseNumber(p.value(QStringLiteral("antenna-height")), QStringLiteral("--antenna-height"));
    if (s.antenna < 0 || s.antenna > 1000)
        throw UsageError(QStringLiteral("--antenna-height: expected metres within 0 ... 1000"));
    const QStringList navs = p.values(QStringLiteral("nav"));
    const QString tle = p.value(QStringLiteral("tle"));
    if (navs.isEmpty() == tle.isEmpty())
        throw UsageError(QStringLiteral("give either --nav FILE (one or more) or --tle FILE"));
    const QString startText = required("start", "YYYY-MM-DDTHH:MM:SSZ");
    static const QRegularExpression kStart(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"));
    const QDateTime start = QDateTime::fromString(startText, Qt::ISODate);
    if (!kStart.match(startText).hasMatch() || !start.isValid())
        throw UsageError(
            QStringLiteral("--start %1: expected a UTC time YYYY-MM-DDTHH:MM:SSZ").arg(startText));
    s.start = start.toSecsSinceEpoch();
    s.hours = ParseNumber(required("hours", "H"), QStringLiteral("--hours"));
    bool ok = false;
    s.step = required("step", "SECONDS").toInt(&ok);
    if (!ok || s.step < 1)
        throw UsageError(QStringLiteral("--step %1: expected whole seconds, at least 1")
                             .arg(p.value(QStringLiteral("step"))));
    if (!(s.hours > 0) || gnss::EpochCount(s) > kMaxEpochs)
        throw UsageError(
            QStringLiteral("--hours %1 --step %2: expected a period above 0 of at most %3 epochs")
                .arg(p.value(QStringLiteral("hours")))
                .arg(s.step)
                .arg(kMaxEpochs));
    s.mask =
        ParseNumber(p.value(QStringLiteral("elevation-mask")), QStringLiteral("--elevation-mask"));
    if (s.mask < 0 || s.mask >= 90)
        throw UsageError(QStringLiteral("--elevation-mask: expected degrees within 0 ... 90"));
    if (p.isSet(QStringLiteral("systems"))) {
        s.systems.clear();
        for (const QString& part : p.value(QStringLiteral("systems")).split(u',')) {
            const QString t = part.trimmed().toUpper();
            if (t.size() != 1 || !QStringLiteral("GRECJ").contains(t))
                throw UsageError(
                    QStringLiteral(
                        "--systems %1: expected letters among G, R, E, C, J, comma-separated")
                        .arg(p.value(QStringLiteral("systems"))));
            s.systems += static_cast<char>(t[0].toLatin1());
        }
    }
    const QString plot = p.value(QStringLiteral("plot"));
    const QString chart = p.value(QStringLiteral("chart"));
    for (const auto& [name, option] : {std::pair{plot, "--plot"}, std::pair{chart, "--chart"}})
        if (!name.isEmpty() && !name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
            !name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
            throw UsageError(QStringLiteral("%1 %2: the name must end in .png or .svg")
                                 .arg(QString::fromLatin1(option), name));

    Project project;
    if (withProject)
        project = ReadProject(p.positionalArguments().at(0));
    else
        project.data = std::make_unique<BuildingData>();
    const BuildingFiles files =
        ReadBuildingFiles(p, s.latitude, s.longitude, std::span(&s.at, 1), 1000, withProject);
    CheckOutsideBuildingFiles(files, s.at);
    run.file = withProject ? project.path : files.label;
    if (const std::optional<Count> roof = FootprintAt(NorthUpFootprints(*project.data), s.at))
        throw Failure(QStringLiteral("%1: the point (%2, %3) lies inside roof %4; a receiver must "
                                     "stand outside the buildings")
                          .arg(project.path, Fixed(s.at.x, 2), Fixed(s.at.y, 2))
                          .arg(*roof));
    run.buildings = gnss::MeasuredBuildings(*project.data);
    for (Footprint& f : Prisms(files))
        run.buildings.prisms.push_back(std::move(f));

    std::optional<gnss::Ephemerides> orbits;
    try {
        if (!tle.isEmpty()) {
            orbits.emplace(gnss::Ephemerides::FromTle(QFile::encodeName(tle).toStdString()));
        } else {
            std::vector<std::string> files;
            for (const QString& n : navs)
                files.push_back(QFile::encodeName(n).toStdString());
            orbits.emplace(gnss::Ephemerides::FromNav(files));
        }
    } catch (const gnss::InputError& e) {
        throw Failure(QString::fromLocal8Bit(e.what()));
    }
    const gnss::UtcSeconds end =
        s.start +
        static_cast<gnss::UtcSeconds>((gnss::EpochCount(s) - 1) * static_cast<std::size_t>(s.step));
    const std::vector<std::string> idle = orbits->FilesCoveringNone(s.start, end);
    if (!idle.empty())
        throw Failure(QStringLiteral("%1: covers none of the period %2 ... %3")
                          .arg(QString::fromLocal8Bit(idle.front().c_str()),
                               plots::UtcText(s.start), plots::UtcText(end)));
    run.prediction = gnss::Predict(*orbits, run.buildings.prisms, s);
    run.summary = gnss::Summarise(run.prediction, s.step);

    if (!run.buildings.unmeasured.empty())
        std::fprintf(stderr,
                     "velmora-cli: warning: %s: roofs %s have no measured height (no wall line, or "
                     "a height of 0 or less) and are left out\n",
                     qPrintable(project.path), qPrintable(RoofList(run.buildings.unmeasured)));
    if (run.summary.incompleteEpochs > 0)
        std::fprintf(stderr,
                     "velmora-cli: warning: at %zu epochs some satellites have no valid ephemeris; "
                     "those epochs are marked and left out of the summary\n",
                     run.summary.incompleteEpochs);

    // Every output is made before any is written.
    std::vector<std::pair<QString, QByteArray>> outputs;
    outputs.emplace_back(p.value(QStringLiteral("output")),
                         p.isSet(QStringLiteral("json")) ? Json(run) : Text(run));
    const QString where = QStringLiteral("%1 at (%2 E, %3 N) m, from %4 for %5 h")
                              .arg(withProject ? QFileInfo(project.path).fileName() : files.label,
                                   Fixed(s.at.x, 1), Fixed(s.at.y, 1), plots::UtcText(s.start))
                              .arg(s.hours);
    if (!plot.isEmpty()) {
        const QByteArray bytes =
            plots::SkyPlotBytes(plots::GnssSkyPlot(run.prediction, s, run.buildings.prisms,
                                                   QStringLiteral("Satellites over ") + where),
                                plot);
        if (bytes.isEmpty())
            throw Failure(plot + QStringLiteral(": the plot could not be drawn"));
        outputs.emplace_back(plot, bytes);
    }
    if (!chart.isEmpty()) {
        const QByteArray bytes = plots::DopChartBytes(
            plots::GnssChart(run.prediction, s, QStringLiteral("Satellites and PDOP, ") + where),
            chart);
        if (bytes.isEmpty())
            throw Failure(chart + QStringLiteral(": the chart could not be drawn"));
        outputs.emplace_back(chart, bytes);
    }
    // Files first, standard output last.
    std::stable_partition(outputs.begin(), outputs.end(), [](const auto& o) {
        return !o.first.isEmpty() && o.first != QStringLiteral("-");
    });
    QStringList inputs = navs;
    inputs << files.files;
    if (withProject)
        inputs << project.path;
    if (!tle.isEmpty())
        inputs << tle;
    WriteOutputs(outputs, inputs);
    return 0;
}

} // namespace velmora::cli
