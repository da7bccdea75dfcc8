// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CameraCommand.h"

#include <QCommandLineParser>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Trace.h"
#include "data/Conventions.h"
#include "data/Editing.h"
#include "geometry/CameraModel.h"
#include "picture/GreyPicture.h"
#include "tracing/CameraCheck.h"
#include "tracing/EdgeField.h"
#include "tracing/RoofTracer.h"
#include "tracing/WholePicture.h"

namespace velmora::cli {

int CameraCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Checks the camera that the altitudes give against the picture: the vertical edges of "
        "the buildings traced at the given points (without any, every building the whole-picture "
        "search finds) meet at the nadir, whose place shows the "
        "camera's tilt and whether the picture was cropped or shifted.\nPicture coordinates as "
        "in the window: origin at the picture's centre, x to the right, y upwards, one unit a "
        "pixel."));
    AddPictureAndAltitudes(p);
    p.addOption({QStringLiteral("click"),
                 QStringLiteral("a roof to trace and read the verticals of; repeat for more "
                                "roofs (the more, and the farther apart, the surer the check)"),
                 QStringLiteral("X,Y")});
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("JSON instead of text"));
    p.addOption(json);
    if (!ParseCommandLine(p, args, 1, 1, {QStringLiteral("click")}))
        return 0;
    if (!p.isSet(QStringLiteral("altitudes")))
        throw UsageError(QStringLiteral("--altitudes V,S is required"));
    const auto [ver, incli] =
        ParsePair(p.value(QStringLiteral("altitudes")), QStringLiteral("--altitudes"));
    std::vector<PicturePoint> clicks;
    for (const QString& c : p.values(QStringLiteral("click"))) {
        const auto [x, y] = ParsePair(c, QStringLiteral("--click"));
        clicks.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
    const AltitudeBoxTexts boxes = BoxesFor(ver, incli);
    const QString path = p.positionalArguments().at(0);
    const QImage picture = ReadPictureFile(path);
    CheckClicksInside(picture, clicks);
    const int w = picture.width();
    auto d = std::make_unique<BuildingData>();
    UpdateViewGeometry(*d, boxes, w);

    const TraceInput input = PrepareTraceInput(GreyCopyOf(picture));
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetInput(&input);
    std::vector<std::vector<PicturePoint>> outlines;
    QStringList lines;
    int index = 0;
    for (const PicturePoint& c : clicks) {
        QString line = QStringLiteral("click %1 (%2, %3): ")
                           .arg(++index)
                           .arg(QString::number(c.x, 'g', 7), QString::number(c.y, 'g', 7));
        const Count inside = FindTopAreaAt(*d, c.x, c.y);
        if (inside >= 0) {
            lines << line + QStringLiteral("on a roof traced before: not read twice");
            continue;
        }
        // Only the outline is wanted: no camera, no height search.
        const TraceResult r = tracer->Trace(c.x, c.y, nullptr);
        if (r.refusal != TraceRefusal::None ||
            RegisterTracedRoof(*d, r.outline, nullptr, nullptr).roof != AppendResult::Ok) {
            lines << line + QString::fromLatin1(RefusalText(r.refusal));
            continue;
        }
        const auto verticals = MeasureVerticals(r.outline, input.edges);
        lines << line + QStringLiteral("roof traced, %1 verticals measured").arg(verticals.size());
        outlines.push_back(r.outline);
    }
    // Without clicks, every roof the whole-picture search finds.
    if (clicks.empty()) {
        const TraceCamera camera{d->gSlideAngle * kDegToRad, d->gFlatHeight, d->gPhotoMetrePerUnit};
        const WholePictureResult found = FindEveryRoof(*tracer, input, camera, {});
        for (const FoundRoof& f : found.roofs)
            outlines.push_back(f.traced.outline);
        lines << QStringLiteral("whole picture: %1 roofs found").arg(found.roofs.size());
    }
    const CameraCheck check = CheckCameraAtRoofs(outlines, input.edges, w, d->gSlideAngle);

    QByteArray text;
    if (p.isSet(json)) {
        using Json = nlohmann::ordered_json;
        auto rounded = [](double v, int decimals) { return Fixed(v, decimals).toDouble(); };
        const Json j{
            {"typed_tilt", rounded(check.typedTilt, 3)},
            {"picture_tilt", check.pictureTilt ? Json(rounded(*check.pictureTilt, 3)) : Json()},
            {"verticals", check.verticals},
            {"nadir_x", check.nadirX ? Json(rounded(*check.nadirX, 1)) : Json()},
            {"verdict", VerdictWord(check.verdict)},
            {"reason", CameraReasonText(check)}};
        text = QByteArray::fromStdString(j.dump(2)) + '\n';
    } else {
        for (const QString& l : lines)
            text += l.toUtf8() + '\n';
        text += "typed tilt: " + Fixed(check.typedTilt, 2).toUtf8() + " degrees\n";
        text += "picture tilt: " +
                (check.pictureTilt ? Fixed(*check.pictureTilt, 2).toUtf8() + " +- " +
                                         Fixed(check.tiltUncertainty, 2).toUtf8() + " degrees"
                                   : QByteArray("none")) +
                "\n";
        text += "verticals: " + QByteArray::number(check.verticals) + " of " +
                QByteArray::number(check.measured) + " measured\n";
        text += "nadir column: " +
                (check.nadirX ? Fixed(*check.nadirX, 1).toUtf8() : QByteArray("none")) + "\n";
        text += QByteArray("verdict: ") + VerdictWord(check.verdict) + "\n";
        text += "reason: " + QByteArray::fromStdString(CameraReasonText(check)) + "\n";
    }
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    return 0;
}

} // namespace velmora::cli
