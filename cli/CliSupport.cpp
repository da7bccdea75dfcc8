// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSupport.h"

#include <QFile>
#include <algorithm>
#include <optional>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "data/ProjectFile.h"
#include "data/SafeFile.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"
#include "picture/SystemNames.h"

namespace velmora::cli {

Project ReadProject(const QString& path) {
    Project p;
    p.path = path;
    p.data = std::make_unique<BuildingData>();
    const FileResult r = ReadProjectFile(*p.data, PathBytes(path), p.view);
    if (!r.ok)
        throw Failure(path + QStringLiteral(": ") + QString::fromStdString(r.English()));
    // The file keeps no plan positions: they are worked out as the plan map
    // does, heights first, with the picture's width (the saved view less
    // its border).
    const double width = static_cast<double>(p.view.width) - 2 * kViewBorder;
    if (p.data->gEachTopAreaNumber > 0 && !(width > 0))
        throw Failure(path + QStringLiteral(": line 2: the picture view has no width"));
    ComputePlanState(*p.data, width);
    return p;
}

std::pair<double, double> ParsePair(const QString& text, const QString& what) {
    const QStringList parts = text.split(u',');
    bool ok1 = false, ok2 = false;
    double a = 0, b = 0;
    if (parts.size() == 2) {
        a = parts[0].trimmed().toDouble(&ok1);
        b = parts[1].trimmed().toDouble(&ok2);
    }
    if (!ok1 || !ok2 || !std::isfinite(a) || !std::isfinite(b))
        throw UsageError(QStringLiteral("%1 \"%2\": expected two numbers A,B").arg(what, text));
    return {a, b};
}

std::pair<double, double> ParseOrigin(const QString& text) {
    const auto [lat, lon] = ParsePair(text, QStringLiteral("--origin"));
    const predict::Parameter &a = predict::kLatitude, &b = predict::kLongitude;
    if (!(lat >= a.min && lat <= a.max && lon >= b.min && lon <= b.max))
        throw UsageError(QStringLiteral("--origin %1: the latitude must lie within %2 ... %3 and "
                                        "the longitude within %4 ... %5 degrees")
                             .arg(text)
                             .arg(a.min)
                             .arg(a.max)
                             .arg(b.min)
                             .arg(b.max));
    return {lat, lon};
}

double ParseNumber(const QString& text, const QString& what) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw UsageError(QStringLiteral("%1 \"%2\": expected a number").arg(what, text));
    return v;
}

void AddPictureAndAltitudes(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("picture"),
                                 QStringLiteral("picture file (JPEG, PNG, BMP, TIFF, ...)"));
    parser.addOption({QStringLiteral("altitudes"),
                      QStringLiteral("camera altitudes in metres of the plan view (V) and the "
                                     "inclined view (S)"),
                      QStringLiteral("V,S")});
}

void AddOptions(QCommandLineParser& parser, const predict::Algorithm& algorithm) {
    parser.setApplicationDescription(QString::fromUtf8(algorithm.description));
    for (const predict::Parameter* p : algorithm.parameters) {
        const QString name = QString::fromUtf8(p->name);
        const QString help = QString::fromStdString(predict::HelpText(*p));
        if (p->type == predict::ParamType::Flag)
            parser.addOption({name, help});
        else if (*p->fallback)
            parser.addOption(
                {name, help, QString::fromUtf8(p->valueName), QString::fromUtf8(p->fallback)});
        else
            parser.addOption({name, help, QString::fromUtf8(p->valueName)});
    }
}

double NumberOption(const QCommandLineParser& parser, const predict::Parameter& p) {
    const QString name = QString::fromUtf8(p.name);
    return ParseNumber(parser.value(name), QStringLiteral("--") + name);
}

void PrintWarnings(const QString& file, const predict::Feedback& feedback) {
    for (const predict::Warning& w : feedback.Warnings()) {
        const std::string text = predict::WarningText(w, predict::Language::English);
        if (w.roofs.empty())
            std::fprintf(stderr, "velmora-cli: %s\n", text.c_str());
        else
            std::fprintf(stderr, "velmora-cli: %s: %s\n", PathBytes(file).c_str(), text.c_str());
    }
}

void WarnRoofs(const QString& file, const std::vector<Count>& roofs, const QString& why) {
    if (roofs.empty())
        return;
    QStringList names;
    for (const Count r : roofs)
        names << QString::number(r);
    std::fprintf(stderr, "velmora-cli: %s: %s %s: %s\n", PathBytes(file).c_str(),
                 roofs.size() == 1 ? "roof" : "roofs", qPrintable(names.join(QStringLiteral(", "))),
                 qPrintable(why));
}

} // namespace velmora::cli
