// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputs/ShadowFiles.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "outputs/Geo.h"
#include "outputs/Outputs.h"

namespace velmora {

namespace {

using predict::ShadowRequest;
using predict::ShadowResult;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QString EnglishCaption(const ShadowResult& s, const ShadowRequest& r) {
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
    return caption;
}

void JapaneseWording(ShadePlotInput& in, const ShadowResult& s, const ShadowRequest& r) {
    const ShadePeriod& p = r.period;
    const QString from = Q(predict::ClockText(p.fromHours)), to = Q(predict::ClockText(p.toHours));
    const QString period = p.solarTime ? QStringLiteral("真太陽時 %1〜%2").arg(from, to)
                                       : QStringLiteral("%1〜%2 (UTC%3%4)")
                                             .arg(from, to)
                                             .arg(QChar(p.utcOffset < 0 ? u'-' : u'+'))
                                             .arg(std::fabs(p.utcOffset));
    in.title = QStringLiteral("日影図 %1 %2、測定面の高さ %3 m")
                   .arg(Q(predict::DateText(p)), period)
                   .arg(r.planeHeight);
    in.caption = QStringLiteral("緯度 %1、経度 %2。実線: 等時間日影線（時間）")
                     .arg(Fixed(r.site.latitude, 5), Fixed(r.site.longitude, 5));
    if (r.hourly)
        in.caption += QStringLiteral("、破線: 時刻日影線");
    in.caption += QStringLiteral("。格子 %1 m、1 分ごと。").arg(r.cell);
    if (!s.unmeasured.empty())
        in.caption += QStringLiteral("斜線: 高さの測られていない屋根 %1 棟（除外）。")
                          .arg(s.unmeasured.size());
    if (s.map.sunDownSamples > 0)
        in.caption += QStringLiteral("太陽が地平線の下にある %1 分は日影に数えていません。")
                          .arg(s.map.sunDownSamples * r.period.stepMinutes);
}

} // namespace

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
                      {"from", predict::ClockText(r.period.fromHours)},
                      {"to", predict::ClockText(r.period.toHours)},
                      {"time", r.period.solarTime ? "solar" : "clock"},
                      {"hours", std::move(hours)}};
    return QByteArray::fromStdString(out.dump() + "\n");
}

QByteArray ShadowGeoJson(const ShadowResult& s, const ShadowRequest& r) {
    using json = nlohmann::ordered_json;
    json features = json::array();
    auto add = [&](const PlanLine& line, json properties) {
        // Longitudes continuous around the origin's, then cut at the
        // antimeridian as the footprints are.
        Ring lonLat = PlanToLonLat(line.points, r.site.latitude, r.site.longitude);
        for (auto& c : lonLat)
            c[0] = r.site.longitude + std::remainder(c[0] - r.site.longitude, 360.0);
        json parts = json::array();
        for (const Ring& part : SplitLineAtAntimeridian(lonLat)) {
            json coordinates = json::array();
            std::array<double, 2> last{NAN, NAN};
            for (const auto& c : part) {
                // Points closer than the rounding become one.
                if (c == last)
                    continue;
                coordinates.push_back({c[0], c[1]});
                last = c;
            }
            if (coordinates.size() >= 2)
                parts.push_back(std::move(coordinates));
        }
        if (parts.empty())
            return;
        json geometry = parts.size() == 1
                            ? json{{"type", "LineString"}, {"coordinates", parts[0]}}
                            : json{{"type", "MultiLineString"}, {"coordinates", parts}};
        features.push_back({{"type", "Feature"},
                            {"properties", std::move(properties)},
                            {"geometry", std::move(geometry)}});
    };
    for (const ShadeLevelLines& c : s.contours)
        for (const PlanLine& line : c.lines)
            add(line, {{"hours", c.hours}});
    for (const ShadeOutline& o : s.hourly)
        for (const PlanLine& line : o.lines)
            add(line, {{"time", o.time}});
    const json collection = {{"type", "FeatureCollection"}, {"features", features}};
    return QByteArray::fromStdString(collection.dump() + "\n");
}

ShadePlotInput ShadowPlotInput(const ShadowResult& s, const ShadowRequest& r, const QString& name,
                               predict::Language language) {
    ShadePlotInput in;
    in.map = &s.map;
    in.footprints = s.footprints;
    in.measured = s.measured;
    in.contours = s.contours;
    in.hourly = s.hourly;
    if (language == predict::Language::Japanese) {
        JapaneseWording(in, s, r);
        return in;
    }
    in.title = QStringLiteral("Shade-time map of %1: %2, plane %3 m above the ground")
                   .arg(name, Q(predict::PeriodText(r.period)), Fixed(r.planeHeight, 1));
    in.caption = EnglishCaption(s, r);
    return in;
}

QByteArray ShadowSummary(const ShadowResult& s, const ShadowRequest& r, const QString& file) {
    // The most shade and the area per contour.
    const ShadeGrid& g = s.map.grid;
    double most = 0;
    for (const double h : s.map.hours)
        if (!std::isnan(h))
            most = std::max(most, h);
    QString text =
        QStringLiteral("%1: %2 x %3 cells of %4 m from (%5, %6) m, %7, plane %8 m; "
                       "most shade %9 h\n")
            .arg(file)
            .arg(g.nx)
            .arg(g.ny)
            .arg(Fixed(g.cell, 2), Fixed(g.x0, 2), Fixed(g.y0, 2), Q(predict::PeriodText(r.period)),
                 Fixed(r.planeHeight, 2), Fixed(most, 2));
    for (const double level : r.contours) {
        int n = 0;
        for (const double h : s.map.hours)
            n += !std::isnan(h) && h >= level - 1e-9;
        text += QStringLiteral("  shade for %1 h or more: %2 m2\n")
                    .arg(Fixed(level, 1), Fixed(n * g.cell * g.cell, 1));
    }
    return text.toUtf8();
}

} // namespace velmora
