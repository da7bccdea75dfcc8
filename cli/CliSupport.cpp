#include "cli/CliSupport.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <cstdio>

#include "data/ProjectFile.h"
#include "geometry/CameraModel.h"

namespace velmora::cli {

Project ReadProject(const QString& path) {
    Project p;
    p.path = path;
    p.data = std::make_unique<BuildingData>();
    const FileResult r = ReadProjectFile(*p.data, QFile::encodeName(path).toStdString(), p.view);
    if (!r.ok)
        throw Failure(path + QStringLiteral(": ") + QString::fromStdString(r.error));
    // The file keeps no plan positions: they are worked out as the plan map
    // does, heights first, with the picture's width (the saved view less
    // its border).
    const double width = static_cast<double>(p.view.width) - 2 * kViewBorder;
    if (p.data->gEachTopAreaNumber > 0 && !(width > 0))
        throw Failure(path + QStringLiteral(": line 2: the picture view has no width"));
    ComputeRoofHeights(*p.data, width);
    ComputeRoofPlanPoints(*p.data, width);
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
    if (std::fabs(lat) > 90 || std::fabs(lon) > 180)
        throw UsageError(QStringLiteral("--origin %1: the latitude must lie within -90 ... 90 and "
                                        "the longitude within -180 ... 180 degrees")
                             .arg(text));
    return {lat, lon};
}

double ParseNumber(const QString& text, const QString& what) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw UsageError(QStringLiteral("%1 \"%2\": expected a number").arg(what, text));
    return v;
}

void WriteOutput(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty() || path == QStringLiteral("-")) {
        if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) !=
                static_cast<std::size_t>(bytes.size()) ||
            std::fflush(stdout) != 0)
            throw Failure(QStringLiteral("cannot write to standard output"));
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Failure(path + QStringLiteral(": cannot write: ") + file.errorString());
}

QString Fixed(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    if (std::round(v * scale) == 0)
        v = 0;
    return QString::number(v, 'f', decimals);
}

} // namespace velmora::cli
