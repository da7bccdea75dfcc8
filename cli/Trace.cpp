// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Trace.h"

#include "geometry/Footprints.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "data/Conventions.h"
#include "data/Editing.h"
#include "data/ProjectFile.h"
#include "geometry/Altitudes.h"
#include "geometry/CameraModel.h"
#include "picture/GreyPicture.h"
#include "picture/PictureReader.h"
#include "tracing/CameraCheck.h"
#include "tracing/RoofTracer.h"
#include "tracing/WholePicture.h"

namespace velmora::cli {

namespace {

QString Num(double v) {
    return QString::number(v, 'g', 7);
}

// A value as typed, to the last digit that tells it from a limit.
QString Exact(double v) {
    return QString::number(v, 'g', 15);
}

QString Point(PicturePoint p) {
    return QStringLiteral("(%1, %2)").arg(Num(p.x), Num(p.y));
}

} // namespace

AltitudeBoxTexts BoxesFor(double verMetres, double incliMetres) {
    // Checked as numbers first: the boxes' texts of a huge value read as
    // something else entirely.
    for (const double m : {verMetres, incliMetres})
        if (!(m >= 0 && m <= 1500))
            throw UsageError(
                QStringLiteral("--altitudes: %1 m: each altitude must lie within 0 ... 1500 m")
                    .arg(Exact(m)));
    AltitudeBoxTexts t;
    t.verMetres = QString::number(verMetres, 'g', 10).toStdString();
    t.incliMetres = QString::number(incliMetres, 'g', 10).toStdString();
    const AltitudeBoxChange ver =
        AltitudeBoxChanged(AltitudeBox::VerMetres, t.verMetres, kFocusMetres);
    const AltitudeBoxChange incli =
        AltitudeBoxChanged(AltitudeBox::IncliMetres, t.incliMetres, kFocusMetres);
    if (ver.rejected || incli.rejected || !ver.partnerText || !incli.partnerText)
        throw UsageError(QStringLiteral("--altitudes: each altitude must lie within 0 ... 1500 m"));
    t.verFeet = *ver.partnerText;
    t.incliFeet = *incli.partnerText;
    const AltitudeValidation v = ValidateAltitudes(t.verFeet, t.incliFeet);
    if (v.result != 1) {
        QString why = QStringLiteral("the altitudes are not usable");
        if (v.message == kAltitudesMissingMessage)
            why = QStringLiteral("both altitudes must be set");
        else if (v.message == kAltitudeTooLowMessage)
            why = QStringLiteral("an altitude is too low");
        else if (v.message == kAltitudeTooHighMessage)
            why = QStringLiteral("an altitude is too high");
        else if (v.message == kAltitudeRatioMessage)
            why = QStringLiteral("the inclined view's altitude must be at most 90 % of the plan "
                                 "view's");
        throw UsageError(QStringLiteral("--altitudes: ") + why);
    }
    return t;
}

namespace {

// The line of a roof just registered (the record's last): its number,
// corners and height with support, or why it has none; returns that reason
// (empty with a height).
QString Registered(BuildingData& d, const AltitudeBoxTexts& boxes, int w, const TraceResult& r,
                   const TracedRegistration& added, const QString& misfit, QString& line) {
    const Count roof = static_cast<Count>(d.gEachTopAreaNumber - 1);
    QString why;
    line += QStringLiteral("roof %1 registered, %2 corners")
                .arg(roof)
                .arg(d.gEachTopAreaPointNum[static_cast<std::size_t>(roof)] - 1);
    const QString support =
        QStringLiteral(", support %1").arg(QString::number(r.height.support, 'f', 2));
    if (added.wall == AppendResult::Ok) {
        // The height the window shows for the new wall.
        UpdateViewGeometry(d, boxes, w);
        const double m = d.gPhotoMetrePerUnit;
        const std::optional<double> height = WallHeight(d.gSlideAngle * kDegToRad, d.gFlatHeight,
                                                        m * r.wall->bottom.y, m * r.wall->top.y);
        line += QStringLiteral("; wall %1 - %2").arg(Point(r.wall->top), Point(r.wall->bottom));
        line += height && std::isfinite(*height)
                    ? QStringLiteral(", height %1 m")
                              .arg(QString::fromStdString(FormatFixed1(*height))) +
                          support
                    : QStringLiteral(", height not measurable");
        if (!(height && std::isfinite(*height)))
            why = QStringLiteral("height not measurable");
    } else if (!misfit.isEmpty()) {
        line += QStringLiteral("; no wall: ") + misfit;
        why = QStringLiteral("the camera does not fit the picture");
    } else if (r.wall) {
        line += QStringLiteral("; no wall line: the wall table is full");
        why = QStringLiteral("the wall table is full");
    } else if (r.height.verdict == HeightVerdict::TwoHeights) {
        why = QStringLiteral("two heights fit");
        line += QStringLiteral("; no wall: two heights fit: %1 m and %2 m")
                    .arg(QString::fromStdString(
                             FormatFixed1(std::min(r.height.height, r.height.rival))),
                         QString::fromStdString(
                             FormatFixed1(std::max(r.height.height, r.height.rival))));
    } else if (r.height.verdict != HeightVerdict::TooWeak) {
        why = QString::fromStdString(HeightVerdictReason(r.height.verdict));
        line += QStringLiteral("; no wall: ") + why;
    } else {
        line += QStringLiteral("; no wall: evidence too weak") + support;
        why = QStringLiteral("evidence too weak");
    }
    return why;
}

} // namespace

GreyRaster TraceSource(const QImage& picture) {
    return TraceSourceOf(picture);
}

QImage ReadPictureFile(const QString& path) {
    PictureRead read = ReadPicture(PathBytes(path));
    if (read.picture.isNull())
        throw Failure(path + QStringLiteral(": ") + PictureProblemEnglish(read));
    return std::move(read.picture);
}

void CheckClicksInside(const QImage& picture, const std::vector<PicturePoint>& clicks) {
    const int w = picture.width(), h = picture.height();
    for (const PicturePoint& c : clicks) {
        int column = 0, row = 0;
        if (!PicturePixel(w, h, c.x, c.y, column, row))
            throw UsageError(QStringLiteral("--click %1,%2 lies outside the picture (%3 x %4 "
                                            "pixels: x from %5 to %6, y from %7 to %8)")
                                 .arg(Num(c.x), Num(c.y))
                                 .arg(w)
                                 .arg(h)
                                 .arg(Num(-w / 2.0), Num(w / 2.0), Num(-h / 2.0), Num(h / 2.0)));
    }
}

const char* RefusalText(TraceRefusal r) {
    switch (r) {
    case TraceRefusal::NotOnRoof:
        return "no roof under the click (not an even, light surface)";
    case TraceRefusal::NoClosedEdge:
        return "no roof under the click (no roof edge around it)";
    case TraceRefusal::NoOutline:
    case TraceRefusal::None:
        break;
    }
    return "the outline has no corners";
}

namespace {

// Why a traced roof found no room in the record.
const char* RegisterFailureText(AppendResult result) {
    switch (result) {
    case AppendResult::RoofTableFull:
        return "the roof table is full";
    case AppendResult::PointStoreFull:
        return "the point store is full";
    default:
        return "the outline has no corners";
    }
}

// A traced roof registered with its wall, or without one under a camera
// that does not fit the picture (it measures no height).
TracedRegistration RegisterTrace(BuildingData& d, const TraceResult& r, bool misfit) {
    const bool walled = r.wall && !misfit;
    return RegisterTracedRoof(d, r.outline, walled ? &r.wall->top : nullptr,
                              walled ? &r.wall->bottom : nullptr);
}

// The outlines of the record's roofs, which the whole-picture search does
// not trace again.
std::vector<std::vector<PicturePoint>> RoofOutlines(const BuildingData& d) {
    std::vector<std::vector<PicturePoint>> known;
    for (Count roof = 0; roof < d.gEachTopAreaNumber; ++roof) {
        const auto start = static_cast<std::size_t>(d.gEachTopAreaStartNum[std::size_t(roof)]);
        const auto count = static_cast<std::size_t>(d.gEachTopAreaPointNum[std::size_t(roof)]);
        std::vector<PicturePoint> o;
        for (std::size_t i = start; i < start + count; ++i)
            o.push_back({d.gTopAreaX[i], d.gTopAreaY[i]});
        known.push_back(std::move(o));
    }
    return known;
}

// The closing count of a run with --all, clicked and found roofs alike.
QString RegisteredCountLine(int registered, const std::map<QString, int>& noHeight) {
    int without = 0;
    QStringList reasons;
    for (const auto& [why, n] : noHeight) {
        without += n;
        reasons << QStringLiteral("%1: %2").arg(why).arg(n);
    }
    return QStringLiteral("%1 buildings registered, %2 with a height, %3 without%4")
        .arg(registered)
        .arg(registered - without)
        .arg(without)
        .arg(reasons.isEmpty() ? QString()
                               : QStringLiteral(" (") + reasons.join(u", ") + QStringLiteral(")"));
}

} // namespace

TraceOutcome TracePicture(const TraceRequest& request) {
    if (!(request.north >= 0 && request.north <= 360))
        throw UsageError(QStringLiteral("--north %1: the bearing must lie within 0 ... 360")
                             .arg(Exact(request.north)));
    if (request.clicks.empty() && !request.all)
        throw UsageError(QStringLiteral("give at least one --click X,Y, or --all"));
    const AltitudeBoxTexts boxes = BoxesFor(request.verMetres, request.incliMetres);
    const QImage picture = ReadPictureFile(request.picture);
    const int w = picture.width(), h = picture.height();
    CheckClicksInside(picture, request.clicks);

    TraceOutcome out;
    out.data = std::make_unique<BuildingData>();
    if (!request.project.isEmpty())
        out.data = ReadProject(request.project).data;
    BuildingData& d = *out.data;
    if (request.northGiven || request.project.isEmpty())
        d.gNorthAngle = static_cast<float>(request.north);
    // The picture's coordinates have one unit a pixel, so the view's scale
    // width is the picture's width. The view values follow the altitudes
    // from the start (the window takes them at its first wall height).
    UpdateViewGeometry(d, boxes, w);

    const TraceInput input = PrepareTraceInput(GreyCopyOf(picture));
    const TraceCamera camera{d.gSlideAngle * kDegToRad, d.gFlatHeight, d.gPhotoMetrePerUnit};
    auto tracer = std::make_unique<RoofTracer>();
    tracer->SetInput(&input);
    // Every click traced first, on a scratch record that only tells which
    // clicks land on a roof already set (the project's or one traced
    // before), then with --all every other building: the camera is checked
    // on all the roofs before any wall is registered.
    struct Click {
        Count inside = -1;
        TraceResult r;
    };
    std::vector<Click> traced;
    std::vector<std::vector<PicturePoint>> outlines;
    WholePictureResult found;
    {
        auto scratch = std::make_unique<BuildingData>(d);
        for (const PicturePoint& c : request.clicks) {
            Click k;
            k.inside = FindTopAreaAt(*scratch, c.x, c.y);
            if (k.inside < 0) {
                k.r = tracer->Trace(c.x, c.y, &camera);
                if (k.r.refusal == TraceRefusal::None &&
                    RegisterTracedRoof(*scratch, k.r.outline, nullptr, nullptr).roof ==
                        AppendResult::Ok)
                    outlines.push_back(k.r.outline);
            }
            traced.push_back(std::move(k));
        }
        if (request.all) {
            // The roofs of the record (the project's and the clicked ones)
            // are known and not traced again.
            found = FindEveryRoof(*tracer, input, camera, RoofOutlines(*scratch));
            for (const FoundRoof& f : found.roofs)
                outlines.push_back(f.traced.outline);
        }
    }
    out.camera = CheckCameraAtRoofs(outlines, input.edges, w, d.gSlideAngle);
    const bool misfit = out.camera.verdict == CameraVerdict::Disagrees;
    const QString misfitText =
        misfit ? QString::fromStdString(CameraMisfitText(out.camera)) : QString();
    std::map<QString, int> noHeight;
    int registered = 0;
    int index = 0;
    for (std::size_t i = 0; i < traced.size(); ++i) {
        const PicturePoint& c = request.clicks[i];
        const TraceResult& r = traced[i].r;
        QString line = QStringLiteral("click %1 %2: ").arg(++index).arg(Point(c));
        if (traced[i].inside >= 0) {
            out.lines << line + QStringLiteral("nothing registered: roof %1 is already set there")
                                    .arg(traced[i].inside);
            continue;
        }
        if (r.refusal != TraceRefusal::None) {
            out.lines << line + QStringLiteral("nothing registered: ") +
                             QString::fromLatin1(RefusalText(r.refusal));
            continue;
        }
        const TracedRegistration added = RegisterTrace(d, r, misfit);
        if (added.roof != AppendResult::Ok) {
            out.lines << line + QStringLiteral("nothing registered: ") +
                             QString::fromLatin1(RegisterFailureText(added.roof));
            continue;
        }
        ++registered;
        const QString why = Registered(d, boxes, w, r, added, misfitText, line);
        if (!why.isEmpty())
            noHeight[why] += 1;
        out.lines << line;
    }
    int building = 0;
    for (const FoundRoof& f : found.roofs) {
        const TraceResult& r = f.traced;
        QString line = QStringLiteral("building %1: ").arg(++building);
        const TracedRegistration added = RegisterTrace(d, r, misfit);
        if (added.roof != AppendResult::Ok) {
            out.lines << line + QStringLiteral("nothing registered: ") +
                             QString::fromLatin1(RegisterFailureText(added.roof));
            continue;
        }
        ++registered;
        // Under a camera that does not fit, the reason is told once, below.
        const QString why = Registered(
            d, boxes, w, r, added,
            misfit ? QStringLiteral("the camera does not fit the picture") : QString(), line);
        if (!why.isEmpty())
            noHeight[why] += 1;
        out.lines << line;
    }
    out.lines
        << QStringLiteral("camera %1: ").arg(QString::fromLatin1(VerdictWord(out.camera.verdict))) +
               QString::fromStdString(CameraReasonText(out.camera));
    if (request.all)
        out.lines << RegisteredCountLine(registered, noHeight);
    // What the plan map computes before every save.
    ComputePlanState(d, w);
    out.view.width = static_cast<float>(w + 2 * kViewBorder);
    out.view.height = static_cast<float>(h + 2 * kViewBorder);
    return out;
}

int TraceCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Traces the roofs at the given picture points with the one-click tool of velmora and "
        "writes the project file the window would save.\nPicture coordinates as in the window: "
        "origin at the picture's centre, x to the right, y upwards, one unit a pixel."));
    AddPictureAndAltitudes(p);
    p.addOption({QStringLiteral("north"),
                 QStringLiteral("direction of north in degrees clockwise from the picture's "
                                "upward direction (default 0)"),
                 QStringLiteral("deg"), QStringLiteral("0")});
    p.addOption({QStringLiteral("click"),
                 QStringLiteral("a double-click of the one-click tool; repeat for more roofs"),
                 QStringLiteral("X,Y")});
    p.addOption({QStringLiteral("all"),
                 QStringLiteral("after the clicks, every other building of the picture, from the "
                                "top down")});
    p.addOption({QStringLiteral("project"),
                 QStringLiteral("project file whose roofs are kept and not traced again"),
                 QStringLiteral("IN.dat")});
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("project file to write (default: the picture's name with .dat)"),
                 QStringLiteral("OUT.dat")});
    if (!ParseCommandLine(p, args, 1, 1, {QStringLiteral("click")}))
        return 0;

    TraceRequest r;
    r.picture = p.positionalArguments().at(0);
    if (!p.isSet(QStringLiteral("altitudes")))
        throw UsageError(QStringLiteral("--altitudes V,S is required"));
    std::tie(r.verMetres, r.incliMetres) =
        ParsePair(p.value(QStringLiteral("altitudes")), QStringLiteral("--altitudes"));
    r.north = ParseNumber(p.value(QStringLiteral("north")), QStringLiteral("--north"));
    r.northGiven = p.isSet(QStringLiteral("north"));
    r.all = p.isSet(QStringLiteral("all"));
    r.project = p.value(QStringLiteral("project"));
    for (const QString& c : p.values(QStringLiteral("click"))) {
        const auto [x, y] = ParsePair(c, QStringLiteral("--click"));
        r.clicks.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
    QString output = p.value(QStringLiteral("output"));
    if (output.isEmpty()) {
        const QFileInfo info(r.picture);
        output = info.path() + u'/' + info.completeBaseName() + QStringLiteral(".dat");
    }

    TraceOutcome out = TracePicture(r);
    // The clicks' lines first: when they cannot be printed, nothing is
    // written.
    for (const QString& line : out.lines)
        std::printf("%s\n", qPrintable(line));
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw Failure(QStringLiteral("cannot write to standard output: ") +
                      QString::fromLocal8Bit(std::strerror(errno)) +
                      QStringLiteral("; nothing written"));
    WriteOutput(output, QByteArray::fromStdString(ProjectFileText(*out.data, out.view)),
                r.project.isEmpty() ? QStringList{r.picture} : QStringList{r.picture, r.project});
    std::printf("%s: %d roofs, %d wall lines\n", qPrintable(output), out.data->gEachTopAreaNumber,
                out.data->gWallEdgeNumber);
    return 0;
}

} // namespace velmora::cli
