// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Report.h"

#include <QCommandLineParser>
#include <cmath>

#include "cli/Commands.h"
#include "geometry/Footprints.h"

namespace velmora::cli {

namespace {

double Round(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double r = std::round(v * scale) / scale;
    return r == 0 ? 0.0 : r;
}

struct RoofFacts {
    Count roof = 0;
    std::vector<PicturePoint> corners;
    std::vector<std::pair<PicturePoint, PicturePoint>> walls;
    double height = 0;
    RoofHeight heightState = RoofHeight::Measured;
    double area = 0;
    std::optional<PlanXY> centroid;
};

// The roofs of one file; those whose outline crosses itself are left out
// and named in `crossing`.
std::vector<RoofFacts> FactsOf(const BuildingData& d, std::vector<Count>& crossing) {
    std::vector<RoofFacts> out;
    const std::vector<Footprint> footprints = NorthUpFootprints(d);
    for (const Footprint& f : footprints) {
        if (f.crossesItself) {
            crossing.push_back(f.roof);
            continue;
        }
        RoofFacts r;
        r.roof = f.roof;
        r.height = f.height;
        r.heightState = f.heightState;
        const auto i = static_cast<std::size_t>(f.roof);
        const int start = d.gEachTopAreaStartNum[i];
        int count = d.gEachTopAreaPointNum[i];
        // The closing repeat of the first corner is not a corner.
        if (count > 1 &&
            d.gTopAreaX[std::size_t(start)] == d.gTopAreaX[std::size_t(start + count - 1)] &&
            d.gTopAreaY[std::size_t(start)] == d.gTopAreaY[std::size_t(start + count - 1)])
            --count;
        for (int k = start; k >= 0 && k < start + count && k < d.gTopAreaPointTotalNumber; ++k)
            r.corners.push_back({d.gTopAreaX[std::size_t(k)], d.gTopAreaY[std::size_t(k)]});
        for (int w = 0; w < d.gWallEdgeNumber; ++w) {
            const auto j = static_cast<std::size_t>(w);
            if (d.gWallEdgefotEachTopArea[j] == f.roof)
                r.walls.push_back({{d.gFirstWallEdgeX[j], d.gFirstWallEdgeY[j]},
                                   {d.gSecondWallEdgeX[j], d.gSecondWallEdgeY[j]}});
        }
        if (!f.ring.empty()) {
            r.area = std::fabs(SignedArea(f.ring));
            r.centroid = Centroid(f.ring);
        }
        out.push_back(std::move(r));
    }
    return out;
}

nlohmann::ordered_json Xy(double x, double y, int decimals) {
    return nlohmann::ordered_json::array({Round(x, decimals), Round(y, decimals)});
}

QString HeightText(const RoofFacts& r) {
    switch (r.heightState) {
    case RoofHeight::Measured:
        return QStringLiteral("height %1 m").arg(Fixed(r.height, 1));
    case RoofHeight::NoWallLine:
        return QStringLiteral("height unknown (no wall line)");
    case RoofHeight::NotAboveGround:
        return QStringLiteral("height unknown (wall line drawn upwards)");
    }
    return QString();
}

void Write(const QByteArray& bytes) {
    WriteOutput(QString(), bytes);
}

} // namespace

nlohmann::ordered_json ReportFileJson(const Project& p, ReportTotals& totals) {
    using json = nlohmann::ordered_json;
    std::vector<Count> crossing;
    json list = json::array();
    int fileWalls = 0;
    double fileArea = 0;
    for (const RoofFacts& r : FactsOf(*p.data, crossing)) {
        json corners = json::array();
        for (const PicturePoint& c : r.corners)
            corners.push_back(Xy(c.x, c.y, 1));
        json wallList = json::array();
        for (const auto& [top, bottom] : r.walls)
            wallList.push_back(
                {{"top", Xy(top.x, top.y, 1)}, {"bottom", Xy(bottom.x, bottom.y, 1)}});
        list.push_back(
            {{"roof", r.roof},
             {"corners", corners},
             {"walls", wallList},
             {"height", r.heightState == RoofHeight::Measured ? json(Round(r.height, 2)) : json()},
             {"area", Round(r.area, 2)},
             {"centroid", r.centroid ? Xy(r.centroid->x, r.centroid->y, 2) : json()}});
        fileWalls += static_cast<int>(r.walls.size());
        fileArea += r.area;
    }
    WarnRoofs(p.path, crossing, kCrossingWarning);
    const int fileRoofs = static_cast<int>(list.size());
    totals.files += 1;
    totals.roofs += fileRoofs;
    totals.walls += fileWalls;
    totals.area += fileArea;
    return {{"file", p.path.toStdString()},
            {"north_angle", Round(p.data->gNorthAngle, 2)},
            {"roofs", list},
            {"totals", {{"roofs", fileRoofs}, {"walls", fileWalls}, {"area", Round(fileArea, 2)}}}};
}

nlohmann::ordered_json ReportUnitsJson() {
    return {{"corners", "picture pixels, origin at the centre, y up"},
            {"height", "m (null: not measured)"},
            {"area", "m2"},
            {"centroid", "m east and north of the ground point at the picture centre"}};
}

nlohmann::ordered_json ReportTotalsJson(const ReportTotals& t) {
    return {{"files", t.files}, {"roofs", t.roofs}, {"walls", t.walls}, {"area", Round(t.area, 2)}};
}

QString ReportFileText(const Project& p, ReportTotals& totals) {
    QString out;
    auto pt = [](PicturePoint c) {
        return QStringLiteral("(%1, %2)").arg(Fixed(c.x, 1), Fixed(c.y, 1));
    };
    std::vector<Count> crossing;
    const std::vector<RoofFacts> facts = FactsOf(*p.data, crossing);
    WarnRoofs(p.path, crossing, kCrossingWarning);
    int fileWalls = 0;
    double fileArea = 0;
    out += QStringLiteral("%1: north %2 deg, %3 roofs, %4 wall lines\n")
               .arg(p.path, Fixed(p.data->gNorthAngle, 1))
               .arg(facts.size())
               .arg(p.data->gWallEdgeNumber);
    for (const RoofFacts& r : facts) {
        QStringList corners;
        for (const PicturePoint& c : r.corners)
            corners << pt(c);
        out += QStringLiteral("  roof %1: %2, area %3 m2, centroid %4\n")
                   .arg(r.roof)
                   .arg(HeightText(r), Fixed(r.area, 1),
                        r.centroid ? QStringLiteral("(%1 E, %2 N) m")
                                         .arg(Fixed(r.centroid->x, 1), Fixed(r.centroid->y, 1))
                                   : QStringLiteral("-"));
        out += QStringLiteral("    %1 corners: %2\n").arg(r.corners.size()).arg(corners.join(u' '));
        for (const auto& [top, bottom] : r.walls)
            out += QStringLiteral("    wall line %1 - %2\n").arg(pt(top), pt(bottom));
        fileWalls += static_cast<int>(r.walls.size());
        fileArea += r.area;
    }
    totals.files += 1;
    totals.roofs += static_cast<int>(facts.size());
    totals.walls += fileWalls;
    totals.area += fileArea;
    return out;
}

QString ReportTotalsText(const ReportTotals& t) {
    return QStringLiteral("total: %1 roofs, %2 wall lines, footprint area %3 m2\n")
        .arg(t.roofs)
        .arg(t.walls)
        .arg(Fixed(t.area, 1));
}

int ReportCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Reports every roof of the project files: corners and wall lines in picture "
        "coordinates, height, plan footprint area and centroid (metres east and north of the "
        "ground point at the picture centre, the north-up plan map's frame), and totals."));
    p.addPositionalArgument(QStringLiteral("files"), QStringLiteral("project files (.dat)"),
                            QStringLiteral("FILE.dat [FILE.dat ...]"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("JSON instead of text"));
    p.addOption(json);
    if (!ParseCommandLine(p, args, 1, -1))
        return 0;
    // File by file: one file's record in memory at a time, however many are
    // named.
    ReportTotals totals;
    const bool asJson = p.isSet(json);
    if (asJson)
        Write("{\n  \"units\": " + QByteArray::fromStdString(ReportUnitsJson().dump()) +
              ",\n  \"files\": [");
    bool first = true;
    for (const QString& path : p.positionalArguments()) {
        const Project project = ReadProject(path);
        if (asJson) {
            Write(QByteArray(first ? "\n    " : ",\n    ") +
                  QByteArray::fromStdString(ReportFileJson(project, totals).dump()));
        } else {
            Write(ReportFileText(project, totals).toUtf8());
        }
        first = false;
    }
    if (asJson)
        Write("\n  ],\n  \"totals\": " +
              QByteArray::fromStdString(ReportTotalsJson(totals).dump()) + "\n}\n");
    else
        Write(ReportTotalsText(totals).toUtf8());
    return 0;
}

} // namespace velmora::cli
