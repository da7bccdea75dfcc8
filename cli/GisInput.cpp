// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/GisInput.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstdio>

#include "cli/CliSupport.h"

namespace velmora::cli {

namespace {

// The options' names as declared.
QString Name(const predict::Parameter& p) {
    return QString::fromLatin1(p.name);
}

QString Option(const predict::Parameter& p) {
    return QStringLiteral("--") + Name(p);
}

gis::LonLatBox ParseBox(const QString& text) {
    const QStringList parts = text.split(u',');
    double v[4] = {};
    bool ok = parts.size() == 4;
    for (int i = 0; ok && i < 4; ++i) {
        v[i] = parts[i].trimmed().toDouble(&ok);
        ok = ok && std::isfinite(v[i]);
    }
    if (!ok || v[0] >= v[2] || v[1] >= v[3] || std::fabs(v[1]) > 90 || std::fabs(v[3]) > 90 ||
        v[0] < -360 || v[2] > 360)
        throw UsageError(QStringLiteral("%1 \"%2\": expected WEST,SOUTH,EAST,NORTH in degrees, "
                                        "west below east and south below north")
                             .arg(Option(predict::kBbox), text));
    return {v[0], v[1], v[2], v[3]};
}

QString Names(const std::vector<std::string>& ids) {
    QStringList out;
    for (const std::string& id : ids)
        out << QString::fromStdString(id);
    return out.join(QStringLiteral(", "));
}

} // namespace

void CheckBuildingFileOptions(const QCommandLineParser& p, bool withProject) {
    const bool withFiles = p.isSet(Name(predict::kBuildings));
    if (!withFiles && !withProject)
        throw UsageError(QStringLiteral("give a project file, %1 FILE, or both")
                             .arg(Option(predict::kBuildings)));
    if (!withFiles && (p.isSet(Name(predict::kBbox)) || p.isSet(Name(predict::kHeightField))))
        throw UsageError(QStringLiteral("%1 and %2 go with %3 FILE")
                             .arg(Option(predict::kBbox), Option(predict::kHeightField),
                                  Option(predict::kBuildings)));
}

BuildingFiles ReadBuildingFiles(const QCommandLineParser& p, double latitude, double longitude,
                                std::span<const PlanXY> around, double margin, bool withProject) {
    BuildingFiles out;
    out.files = p.values(Name(predict::kBuildings));
    if (out.files.isEmpty())
        return out;
    gis::GisReadOptions o;
    o.latitude = latitude;
    o.longitude = longitude;
    o.heightField = p.value(Name(predict::kHeightField)).toStdString();
    if (o.heightField.empty())
        throw UsageError(
            QStringLiteral("%1: expected a field name").arg(Option(predict::kHeightField)));
    if (p.isSet(Name(predict::kBbox)))
        o.bbox = ParseBox(p.value(Name(predict::kBbox)));
    else if (!around.empty())
        o.bbox = gis::BoxAround(around, margin, latitude, longitude);
    QStringList names;
    for (const QString& file : out.files) {
        names << QFileInfo(file).fileName();
        const gis::GisRead r = gis::ReadGisBuildings(QFile::encodeName(file).toStdString(), o);
        const QByteArray f = QFile::encodeName(file);
        if (!r.failure.empty()) {
            std::fprintf(stderr, "velmora-cli: %s: %s\n", f.constData(), r.failure.c_str());
            continue;
        }
        for (const std::string& line : r.problems)
            std::fprintf(stderr, "velmora-cli: %s: %s\n", f.constData(), line.c_str());
        if (r.unmeasuredCount > 0) {
            const std::size_t count = r.unmeasuredCount;
            QString ids = Names(r.unmeasured);
            if (count > r.unmeasured.size())
                ids += QStringLiteral(" and %1 more").arg(count - r.unmeasured.size());
            std::fprintf(stderr,
                         "velmora-cli: %s: %zu feature%s without a usable height (field %s%s) "
                         "left out: %s\n",
                         f.constData(), count, count == 1 ? "" : "s", o.heightField.c_str(),
                         r.noHeightField ? ", which no layer has" : "", qPrintable(ids));
        }
        if (r.filledCount > 0) {
            QString ids = Names(r.filled);
            if (r.filledCount > r.filled.size())
                ids += QStringLiteral(" and %1 more").arg(r.filledCount - r.filled.size());
            std::fprintf(stderr,
                         "velmora-cli: %s: %zu polygon%s with inner rings (courtyards) kept "
                         "filled; a point in a courtyard counts as inside the building: %s\n",
                         f.constData(), r.filledCount, r.filledCount == 1 ? "" : "s",
                         qPrintable(ids));
        }
        for (const gis::GisBuilding& b : r.buildings)
            out.buildings.push_back(b);
    }
    out.label = names.join(QStringLiteral(", "));
    if (out.buildings.empty() && !withProject)
        throw UsageError(QStringLiteral("no building left to predict with in %1")
                             .arg(out.files.join(QStringLiteral(", "))));
    return out;
}

std::vector<Footprint> Prisms(const BuildingFiles& files) {
    std::vector<Footprint> out;
    out.reserve(files.buildings.size());
    for (const gis::GisBuilding& b : files.buildings) {
        out.push_back(b.footprint);
        out.back().base = b.base;
    }
    return out;
}

void CheckOutsideBuildingFiles(const BuildingFiles& files, PlanXY at) {
    if (const auto i = gis::GisBuildingAt(files.buildings, at))
        throw Failure(QStringLiteral("the point (%1, %2) lies inside %3 of %4; a receiver must "
                                     "stand outside the buildings")
                          .arg(Fixed(at.x, 2), Fixed(at.y, 2),
                               QString::fromStdString(files.buildings[*i].feature),
                               QFile::decodeName(files.buildings[*i].file.c_str())));
}

} // namespace velmora::cli
