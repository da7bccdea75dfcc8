// SPDX-License-Identifier: GPL-3.0-or-later
// One-click tracing in the inclined view: a double-click with the tool
// "ビル屋上" registers the roof under the click and the wall found below it,
// and shows the building height.
#include <QImage>
#include <map>
#include <tuple>

#include "data/Conventions.h"
#include "data/Editing.h"
#include "geometry/CameraModel.h"
#include "picture/GreyPicture.h"
#include "tracing/CameraCheck.h"
#include "tracing/RoofTracer.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/DrawingSurface.h"
#include "workspace/EditSession.h"
#include "workspace/QtText.h"
#include "workspace/Tools.h"

namespace velmora {

struct TraceWork {
    RoofTracer tracer;
    // Cleaned grey copy and edges of the picture as loaded; the drawing
    // surface with its outlines must never leak into the analysis.
    TraceInput input;
    qint64 pictureKey = 0;
    bool hasPicture = false;
    // The verticals read below each roof outline of this picture.
    std::map<std::vector<float>, std::vector<MeasuredVertical>> verticals;
    // The picture and camera (tilt and width, rounded) the user was last
    // told do not fit: told once, not at every click.
    std::tuple<qint64, long, long> misfitTold{0, 0, 0};
};

namespace {

const QColor kWallPreview(0, 200, 255);

// Why a double-click traced nothing, for the status bar.
QString RefusalLine(TraceRefusal r) {
    switch (r) {
    case TraceRefusal::NotOnRoof:
        return QStringLiteral(
            "屋上が見つかりません（クリックした所が一様な明るい面ではありません）。");
    case TraceRefusal::NoClosedEdge:
        return QStringLiteral(
            "屋上が見つかりません（クリックした所の周りに屋上の縁がありません）。");
    case TraceRefusal::NoOutline:
    case TraceRefusal::None:
        break;
    }
    return QStringLiteral("屋上の輪郭に角がありません。");
}

QString Degrees(double v) {
    return QString::number(v, 'f', 1) + QStringLiteral("°");
}

// The roofs registered without heights because the camera does not fit.
QString MisfitLine(const CameraCheck& c) {
    if (c.reason == CameraReason::NadirOffCentre && c.nadirX)
        return QStringLiteral(
                   "カメラが画像に合いません：建物の縦の線は画像の中央ではなく横 %1 "
                   "の下に集まります（切り取られたか、ずれた画像です）。高さは登録しません。")
            .arg(QString::number(*c.nadirX, 'f', 0));
    return QStringLiteral("カメラが画像に合いません：建物の縦の線は傾き %1、高度からは %2 "
                          "です。高さは登録しません。")
        .arg(Degrees(c.pictureTilt.value_or(0)), Degrees(c.typedTilt));
}

std::vector<float> Key(const std::vector<PicturePoint>& outline) {
    std::vector<float> k;
    for (const PicturePoint& p : outline) {
        k.push_back(p.x);
        k.push_back(p.y);
    }
    return k;
}

} // namespace

CameraCheck TraceTool::CheckCamera(const std::vector<PicturePoint>& traced) {
    TraceWork& w = *work_;
    const BuildingData& d = env_.Session().Data();
    // Every roof of the record and the one just traced: their verticals.
    std::vector<std::vector<PicturePoint>> outlines{traced};
    for (int r = 0; r < d.gEachTopAreaNumber; ++r) {
        std::vector<PicturePoint> o;
        const int start = d.gEachTopAreaStartNum[std::size_t(r)];
        for (int i = start; i < start + d.gEachTopAreaPointNum[std::size_t(r)]; ++i)
            o.push_back({d.gTopAreaX[std::size_t(i)], d.gTopAreaY[std::size_t(i)]});
        outlines.push_back(std::move(o));
    }
    std::vector<MeasuredVertical> all;
    for (std::size_t r = 0; r < outlines.size(); ++r) {
        auto [it, fresh] = w.verticals.try_emplace(Key(outlines[r]));
        if (fresh)
            it->second = MeasureVerticals(outlines[r], w.input.edges);
        for (MeasuredVertical v : it->second) {
            v.roof = int(r);
            all.push_back(v);
        }
    }
    const double k = d.gPhotoMetrePerUnit;
    const double width = k > 0 ? d.gFlatHeight / (kImageWidthFactor * k) : 0;
    return velmora::CheckCamera(all, width, d.gSlideAngle);
}

TraceTool::TraceTool(ToolEnvironment& env, RoofTool& roof, WallTool& wall)
    : Tool(env), roof_(roof), wall_(wall), work_(std::make_unique<TraceWork>()) {
    work_->tracer.SetInput(&work_->input);
}

TraceTool::~TraceTool() = default;

void TraceTool::RefreshTraceSource() {
    TraceWork& w = *work_;
    const QImage& picture = env_.UntouchedPicture();
    if (picture.isNull()) {
        // No picture: every pixel reads as outside and no click passes the gate.
        if (w.hasPicture)
            w.input = TraceInput();
        w.verticals.clear();
        w.hasPicture = false;
        return;
    }
    if (w.hasPicture && w.pictureKey == picture.cacheKey())
        return;
    w.input = PrepareTraceInput(GreyCopyOf(picture));
    w.verticals.clear();
    w.pictureKey = picture.cacheKey();
    w.hasPicture = true;
}

void TraceTool::DoubleClick() {
    if (InSlopeView())
        TraceRoofAtClick();
}

void TraceTool::TraceRoofAtClick() {
    EditSession& s = env_.Session();
    BuildingData& data = s.Data();
    if (FindTopAreaAt(data, s.DownX(), s.DownY()) >= 0) {
        env_.ShowStatus(QStringLiteral("この屋上は既にセットされています。"));
        env_.Message(QStringLiteral("この屋上は既にセットされています。"));
        return;
    }
    DrawingSurface& view = env_.Surface();
    // Told after the hourglass is gone.
    EditRefusal refusal = EditRefusal::None;
    QString status;
    bool tellMisfit = false;
    {
        BusyCursor busy;
        RefreshTraceSource();
        RoofTracer& tracer = work_->tracer;
        // The camera as the altitude boxes give it now.
        env_.RefreshViewGeometry();
        const TraceCamera camera{data.gSlideAngle * kDegToRad, data.gFlatHeight,
                                 data.gPhotoMetrePerUnit};
        const TraceResult r = tracer.Trace(s.DownX(), s.DownY(), &camera);
        if (r.refusal != TraceRefusal::None)
            status = RefusalLine(r.refusal);
        if (r.refusal == TraceRefusal::None) {
            for (const PreviewLine& l : tracer.CornerPreview())
                view.Line(l.from.x, l.from.y, l.to.x, l.to.y, ToQColor(kRoofColour));
            // A camera that does not fit the picture measures no height.
            const CameraCheck cam = CheckCamera(r.outline);
            const bool misfit = cam.verdict == CameraVerdict::Disagrees;
            if (misfit) {
                status = MisfitLine(cam);
                const std::tuple<qint64, long, long> key{work_->pictureKey,
                                                         std::lround(cam.typedTilt * 1000),
                                                         std::lround(data.gFlatHeight * 1000)};
                if (work_->misfitTold != key) {
                    work_->misfitTold = key;
                    tellMisfit = true;
                }
            }
            const bool withWall = r.wall && !misfit;
            const TracedRegistration added =
                RegisterTracedRoof(data, r.outline, withWall ? &r.wall->top : nullptr,
                                   withWall ? &r.wall->bottom : nullptr);
            if (added.roof == AppendResult::RoofTableFull ||
                added.roof == AppendResult::PointStoreFull) {
                // A full record: the preview must not stay behind looking
                // like a registered roof, and the user is told, as with the
                // roof tool.
                env_.ShowSlopeLineMap({});
                refusal = added.roof == AppendResult::RoofTableFull ? EditRefusal::RoofTableFull
                                                                    : EditRefusal::PointStoreFull;
            }
            if (added.roof == AppendResult::Ok) {
                s.CountEdit();
                // The roof tool's outline and the wall tool's start begin anew.
                roof_.ClearOutline();
                env_.ShowSlopeLineMap({});
                s.SetActiveRoof(static_cast<Count>(data.gEachTopAreaNumber - 1));
                const bool walled = added.wall == AppendResult::Ok;
                if (walled) {
                    view.Line(r.wall->top.x, r.wall->top.y, r.wall->bottom.x, r.wall->bottom.y,
                              kWallPreview);
                    view.Circle(r.wall->top.x, r.wall->top.y, 2, kWallPreview);
                    view.Circle(r.wall->bottom.x, r.wall->bottom.y, 2, kWallPreview);
                    env_.ShowSlopeLineMap({.roof = s.ActiveRoof(), .walls = true});
                } else if (added.wall == AppendResult::WallTableFull) {
                    refusal = EditRefusal::WallTableFull;
                }
                // Without a wall of this roof the box would otherwise keep the
                // height of some other building; an unsure height leaves it empty.
                env_.ClearHeight();
                if (walled)
                    env_.ShowWallHeight(static_cast<float>(r.wall->top.y),
                                        static_cast<float>(r.wall->bottom.y));
                wall_.ClearStart();
            }
        }
    }
    env_.SetToolCursor("ARW10NW2.ICO");
    if (refusal != EditRefusal::None)
        status = Text(RefusalMessage(refusal));
    env_.ShowStatus(status);
    if (tellMisfit)
        env_.Message(status);
    env_.ShowRefusal(refusal);
}

const TraceInput& TraceTool::PreparedInput() {
    RefreshTraceSource();
    return work_->input;
}

RoofTracer& TraceTool::Tracer() {
    return work_->tracer;
}

} // namespace velmora
