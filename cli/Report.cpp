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
    double area = 0;
    std::optional<PlanXY> centroid;
};

std::vector<RoofFacts> FactsOf(const BuildingData& d) {
    std::vector<RoofFacts> out;
    const std::vector<Footprint> footprints = NorthUpFootprints(d);
    for (const Footprint& f : footprints) {
        RoofFacts r;
        r.roof = f.roof;
        r.height = f.height;
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

} // namespace

nlohmann::ordered_json ReportJson(const std::vector<Project>& projects) {
    using json = nlohmann::ordered_json;
    json files = json::array();
    int roofs = 0, walls = 0;
    double area = 0;
    for (const Project& p : projects) {
        json list = json::array();
        int fileWalls = 0;
        double fileArea = 0;
        for (const RoofFacts& r : FactsOf(*p.data)) {
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
                 {"height", Round(r.height, 2)},
                 {"area", Round(r.area, 2)},
                 {"centroid", r.centroid ? Xy(r.centroid->x, r.centroid->y, 2) : json()}});
            fileWalls += static_cast<int>(r.walls.size());
            fileArea += r.area;
        }
        const int fileRoofs = static_cast<int>(list.size());
        files.push_back(
            {{"file", p.path.toStdString()},
             {"north_angle", Round(p.data->gNorthAngle, 2)},
             {"roofs", list},
             {"totals",
              {{"roofs", fileRoofs}, {"walls", fileWalls}, {"area", Round(fileArea, 2)}}}});
        roofs += fileRoofs;
        walls += fileWalls;
        area += fileArea;
    }
    return {{"units",
             {{"corners", "picture pixels, origin at the centre, y up"},
              {"height", "m"},
              {"area", "m2"},
              {"centroid", "m east and north of the ground point at the picture centre"}}},
            {"files", files},
            {"totals",
             {{"files", projects.size()},
              {"roofs", roofs},
              {"walls", walls},
              {"area", Round(area, 2)}}}};
}

QString ReportText(const std::vector<Project>& projects) {
    QString out;
    int roofs = 0, walls = 0;
    double area = 0;
    auto pt = [](PicturePoint p) {
        return QStringLiteral("(%1, %2)").arg(Fixed(p.x, 1), Fixed(p.y, 1));
    };
    for (const Project& p : projects) {
        const std::vector<RoofFacts> facts = FactsOf(*p.data);
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
            out += QStringLiteral("  roof %1: height %2 m, area %3 m2, centroid %4\n")
                       .arg(r.roof)
                       .arg(Fixed(r.height, 1), Fixed(r.area, 1),
                            r.centroid ? QStringLiteral("(%1 E, %2 N) m")
                                             .arg(Fixed(r.centroid->x, 1), Fixed(r.centroid->y, 1))
                                       : QStringLiteral("-"));
            out += QStringLiteral("    %1 corners: %2\n")
                       .arg(r.corners.size())
                       .arg(corners.join(u' '));
            for (const auto& [top, bottom] : r.walls)
                out += QStringLiteral("    wall line %1 - %2\n").arg(pt(top), pt(bottom));
            fileWalls += static_cast<int>(r.walls.size());
            fileArea += r.area;
        }
        roofs += static_cast<int>(facts.size());
        walls += fileWalls;
        area += fileArea;
    }
    out += QStringLiteral("total: %1 roofs, %2 wall lines, footprint area %3 m2\n")
               .arg(roofs)
               .arg(walls)
               .arg(Fixed(area, 1));
    return out;
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
    std::vector<Project> projects;
    for (const QString& path : p.positionalArguments())
        projects.push_back(ReadProject(path));
    const QByteArray text = p.isSet(json)
                                ? QByteArray::fromStdString(ReportJson(projects).dump(2) + "\n")
                                : ReportText(projects).toUtf8();
    WriteOutput(QString(), text);
    return 0;
}

} // namespace velmora::cli
