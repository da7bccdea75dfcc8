// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputs/GnssFiles.h"

#include <QFileInfo>
#include <QStringList>
#include <cmath>
#include <nlohmann/json.hpp>

#include "outputs/Outputs.h"

namespace velmora {

namespace {

using gnss::EpochSky;
using gnss::Prediction;
using gnss::SkyState;

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
    case SkyState::Reflected:
        return "reflected";
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

// "G05 +12.3 m, R12 +4.0 m": the reflected satellites with their extra
// paths.
QStringList ReflectedList(const Prediction& p, const EpochSky& e) {
    QStringList out;
    for (const gnss::SatelliteSky& v : e.satellites)
        if (v.state == SkyState::Reflected)
            out << QString::fromStdString(p.satellites[v.satellite].id) + QStringLiteral(" +") +
                       Fixed(v.extraPath, 1) + QStringLiteral(" m");
    return out;
}

QByteArray TextOf(const predict::GnssRun& r, const QString& file) {
    const gnss::PredictionSettings& s = r.settings;
    const gnss::Receiver& rx = r.prediction.receiver;
    QByteArray out;
    out += QStringLiteral("# velmora-cli gnss: %1, receiver at (%2 E, %3 N) m: %4, %5, %6 m "
                          "ellipsoidal (antenna %7 m above the ground); elevation mask %8 deg\n")
               .arg(QFileInfo(file).fileName(), Fixed(s.at.x, 2), Fixed(s.at.y, 2),
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
        if (e.reflected > 0)
            out += QStringLiteral(" reflected: %1; pdop with reflected %2")
                       .arg(ReflectedList(r.prediction, e).join(QStringLiteral(", ")),
                            Dop(e.withReflected))
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
    out += QStringLiteral("reflected signals (direct line blocked, one reflection off a wall): "
                          "mean %1 satellites; epochs with a position counting them %2, "
                          "with a reflected satellite in use %3\n")
               .arg(Fixed(m.meanReflected, 2), Percent(m.shareWithReflected),
                    Percent(m.shareReflectedInUse))
               .toUtf8();
    if (!r.buildings.unmeasured.empty())
        out += QStringLiteral("roofs left out, no measured height: %1\n")
                   .arg(RoofList(r.buildings.unmeasured))
                   .toUtf8();
    return out;
}

QByteArray JsonOf(const predict::GnssRun& r) {
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
        for (const gnss::SatelliteSky& v : e.satellites) {
            nlohmann::ordered_json sat = {{"id", p.satellites[v.satellite].id},
                                          {"azimuth", Rounded(v.direction.azimuth, 1e4)},
                                          {"elevation", Rounded(v.direction.elevation, 1e4)},
                                          {"state", StateName(v.state)}};
            if (v.state == SkyState::Reflected)
                sat["extra_path_m"] = Rounded(v.extraPath, 1e3);
            sats.push_back(std::move(sat));
        }
        nlohmann::ordered_json epoch;
        epoch["time"] = plots::UtcText(e.utc).toStdString();
        epoch["satellites"] = std::move(sats);
        epoch["open"] = DopJson(e.aboveMask, e.open);
        epoch["with_buildings"] = DopJson(e.visible, e.withBuildings);
        epoch["with_reflected"] = DopJson(e.visible + e.reflected, e.withReflected);
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
                    {"mean_reflected", Rounded(m.meanReflected, 1e3)},
                    {"share_with_reflected", Rounded(m.shareWithReflected, 1e4)},
                    {"share_reflected_in_use", Rounded(m.shareReflectedInUse, 1e4)},
                    {"roofs_without_height", std::move(roofs)},
                    {"incomplete_epochs", m.incompleteEpochs}};
    return QByteArray::fromStdString(j.dump(1)) + "\n";
}

// "G05:12.345 R12:4.000": each reflected satellite and its extra path.
QString ReflectedPaths(const Prediction& p, const EpochSky& e) {
    QStringList out;
    for (const gnss::SatelliteSky& v : e.satellites)
        if (v.state == SkyState::Reflected)
            out << QString::fromStdString(p.satellites[v.satellite].id) + u':' +
                       QString::number(v.extraPath, 'f', 3);
    return out.join(u' ');
}

QString CsvDop(const std::optional<gnss::Dops>& d, double gnss::Dops::*field) {
    return d ? QString::number((*d).*field, 'f', 3) : QString();
}

// "town.dat at (-20.0 E, -22.0 N) m, from 2012-10-31T21:00:00Z for 3 h"
QString Where(const predict::GnssRun& r, const QString& name, predict::Language language) {
    const gnss::PredictionSettings& s = r.settings;
    if (language == predict::Language::Japanese)
        return QStringLiteral("%1 受信点 (東 %2 m, 北 %3 m)、%4 から %5 時間")
            .arg(name, Fixed(s.at.x, 1), Fixed(s.at.y, 1), plots::UtcText(s.start))
            .arg(s.hours);
    return QStringLiteral("%1 at (%2 E, %3 N) m, from %4 for %5 h")
        .arg(name, Fixed(s.at.x, 1), Fixed(s.at.y, 1), plots::UtcText(s.start))
        .arg(s.hours);
}

} // namespace

QByteArray GnssText(const predict::GnssRun& r, const QString& file) {
    return TextOf(r, file);
}

QByteArray GnssJson(const predict::GnssRun& r) {
    return JsonOf(r);
}

QByteArray GnssCsv(const predict::GnssRun& r) {
    QByteArray out = "time_utc,above_mask,visible,gdop_open,pdop_open,hdop_open,vdop_open,"
                     "gdop_buildings,pdop_buildings,hdop_buildings,vdop_buildings,no_ephemeris,"
                     "reflected,gdop_with_reflected,pdop_with_reflected,hdop_with_reflected,"
                     "vdop_with_reflected,reflected_extra_path_m\r\n";
    using D = gnss::Dops;
    for (const gnss::EpochSky& e : r.prediction.epochs) {
        const QStringList missing = MissingIds(r.prediction, e);
        out += QStringList{plots::UtcText(e.utc),
                           QString::number(e.aboveMask),
                           QString::number(e.visible),
                           CsvDop(e.open, &D::gdop),
                           CsvDop(e.open, &D::pdop),
                           CsvDop(e.open, &D::hdop),
                           CsvDop(e.open, &D::vdop),
                           CsvDop(e.withBuildings, &D::gdop),
                           CsvDop(e.withBuildings, &D::pdop),
                           CsvDop(e.withBuildings, &D::hdop),
                           CsvDop(e.withBuildings, &D::vdop),
                           missing.join(u' '),
                           QString::number(e.reflected),
                           CsvDop(e.withReflected, &D::gdop),
                           CsvDop(e.withReflected, &D::pdop),
                           CsvDop(e.withReflected, &D::hdop),
                           CsvDop(e.withReflected, &D::vdop),
                           ReflectedPaths(r.prediction, e)}
                   .join(u',')
                   .toUtf8() +
               "\r\n";
    }
    return out;
}

plots::SkyPlotInput GnssSkyPlotInput(const predict::GnssRun& r, const QString& name,
                                     predict::Language language) {
    const QString title = language == predict::Language::Japanese
                              ? QStringLiteral("衛星の天空図: ") + Where(r, name, language)
                              : QStringLiteral("Satellites over ") + Where(r, name, language);
    return plots::GnssSkyPlot(r.prediction, r.settings, r.buildings.prisms, title,
                              language == predict::Language::Japanese
                                  ? plots::PlotLanguage::Japanese
                                  : plots::PlotLanguage::English);
}

plots::DopChartInput GnssChartInput(const predict::GnssRun& r, const QString& name,
                                    predict::Language language) {
    const QString title = language == predict::Language::Japanese
                              ? QStringLiteral("衛星数と PDOP: ") + Where(r, name, language)
                              : QStringLiteral("Satellites and PDOP, ") + Where(r, name, language);
    return plots::GnssChart(r.prediction, r.settings, title,
                            language == predict::Language::Japanese ? plots::PlotLanguage::Japanese
                                                                    : plots::PlotLanguage::English);
}

} // namespace velmora
