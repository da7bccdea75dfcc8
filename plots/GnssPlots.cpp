// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/GnssPlots.h"

#include <QDateTime>
#include <map>
#include <string_view>

namespace velmora::plots {

using gnss::EpochSky;
using gnss::Prediction;
using gnss::SkyState;

QColor SystemColour(char system) {
    switch (system) {
    case 'G':
        return QColor(30, 90, 200);
    case 'R':
        return QColor(200, 40, 40);
    case 'E':
        return QColor(20, 140, 60);
    case 'C':
        return QColor(220, 120, 0);
    case 'J':
        return QColor(140, 40, 170);
    default:
        return QColor(60, 60, 60);
    }
}

QString SystemName(char system) {
    switch (system) {
    case 'G':
        return QStringLiteral("GPS");
    case 'R':
        return QStringLiteral("GLONASS");
    case 'E':
        return QStringLiteral("Galileo");
    case 'C':
        return QStringLiteral("BeiDou");
    case 'J':
        return QStringLiteral("QZSS");
    default:
        return QString(QChar::fromLatin1(system));
    }
}

QString UtcText(gnss::UtcSeconds t) {
    return QDateTime::fromSecsSinceEpoch(t, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

SkyPlotInput GnssSkyPlot(const Prediction& p, const gnss::PredictionSettings& s,
                         std::span<const Footprint> prisms, const QString& title,
                         PlotLanguage language) {
    SkyPlotInput in;
    in.mask = SkyScene(prisms, s.at, s.antenna).Mask(1);
    in.title = title;
    std::map<std::size_t, std::pair<SkyTrack, std::size_t>> tracks; // last epoch seen
    for (std::size_t k = 0; k < p.epochs.size(); ++k) {
        for (const gnss::SatelliteSky& v : p.epochs[k].satellites) {
            auto [it, added] = tracks.try_emplace(v.satellite);
            SkyTrack& t = it->second.first;
            if (added) {
                t.label = QString::fromStdString(p.satellites[v.satellite].id);
                t.colour = SystemColour(p.satellites[v.satellite].system);
            }
            using P = SkyTrackPoint;
            const P::State state = v.state == SkyState::Visible     ? P::State::Visible
                                   : v.state == SkyState::Blocked   ? P::State::Blocked
                                   : v.state == SkyState::Reflected ? P::State::Reflected
                                                                    : P::State::BelowMask;
            t.points.push_back({v.direction.azimuth, v.direction.elevation, state,
                                !added && it->second.second + 1 == k});
            it->second.second = k;
        }
    }
    for (auto& [index, track] : tracks)
        in.tracks.push_back(std::move(track.first));
    if (language == PlotLanguage::English) {
        in.trackCaption =
            QStringLiteral("solid: seen; hollow: reflected off a wall (direct line blocked); "
                           "dashed: blocked by a building; light: below the %1° mask. Grey: the "
                           "buildings' mask.")
                .arg(s.mask);
        return in;
    }
    in.trackCaption =
        QStringLiteral("実線: 見える、中抜き線: 壁で反射して届く (直接は遮られる)、"
                       "破線: 建物に遮られる、薄い線: 仰角 %1° 未満。灰色: 建物による遮蔽。")
            .arg(s.mask);
    in.cardinal = {QStringLiteral("北"), QStringLiteral("東"), QStringLiteral("南"),
                   QStringLiteral("西")};
    // The key names the systems the plot has tracks of, in the usual order.
    for (const char system : std::string_view("GRECJ")) {
        bool drawn = false;
        for (const auto& [index, track] : tracks)
            drawn = drawn || p.satellites[index].system == system;
        if (drawn)
            in.legend.push_back({SystemName(system), SystemColour(system)});
    }
    return in;
}

DopChartInput GnssChart(const Prediction& p, const gnss::PredictionSettings& s,
                        const QString& title, PlotLanguage language) {
    DopChartInput in;
    in.title = title;
    in.timeAxis = QStringLiteral("hours from %1").arg(UtcText(s.start));
    if (language == PlotLanguage::Japanese) {
        in.timeAxis = QStringLiteral("%1 からの時間 (時)").arg(UtcText(s.start));
        in.texts.counts = QStringLiteral("衛星数");
        in.texts.openSky = QStringLiteral("空が開けている場合");
        in.texts.seen = QStringLiteral("建物の間で見える衛星");
        in.texts.pdopSeen = QStringLiteral("建物の間の PDOP");
        in.texts.gaps = QStringLiteral("途切れ: 衛星 4 機未満。PDOP %1 を超える値は上端に描画。");
    }
    in.spanHours = s.hours;
    for (const EpochSky& e : p.epochs)
        in.epochs.push_back(
            {static_cast<double>(e.utc - s.start) / 3600, e.aboveMask, e.visible,
             e.open ? std::optional<double>(e.open->pdop) : std::nullopt,
             e.withBuildings ? std::optional<double>(e.withBuildings->pdop) : std::nullopt});
    return in;
}

} // namespace velmora::plots
