// SPDX-License-Identifier: GPL-3.0-or-later
// One-click tracing in the inclined view: a double-click with the tool
// "ビル屋上" registers the roof under the click and the wall found below it,
// and shows the building height.
#include <QImage>

#include "data/Conventions.h"
#include "data/Editing.h"
#include "geometry/CameraModel.h"
#include "picture/GreyPicture.h"
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
};

namespace {

const QColor kWallPreview(0, 200, 255);

} // namespace

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
        w.hasPicture = false;
        return;
    }
    if (w.hasPicture && w.pictureKey == picture.cacheKey())
        return;
    w.input = PrepareTraceInput(GreyCopyOf(picture));
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
        env_.Message(QStringLiteral("この屋上は既にセットされています。"));
        return;
    }
    DrawingSurface& view = env_.Surface();
    // Told after the hourglass is gone.
    EditRefusal refusal = EditRefusal::None;
    {
        BusyCursor busy;
        RefreshTraceSource();
        RoofTracer& tracer = work_->tracer;
        // The camera as the altitude boxes give it now.
        env_.RefreshViewGeometry();
        const TraceCamera camera{data.gSlideAngle * kDegToRad, data.gFlatHeight,
                                 data.gPhotoMetrePerUnit};
        const TraceResult r = tracer.Trace(s.DownX(), s.DownY(), &camera);
        if (r.refusal == TraceRefusal::None) {
            for (const PreviewLine& l : tracer.CornerPreview())
                view.Line(l.from.x, l.from.y, l.to.x, l.to.y, ToQColor(kRoofColour));
            const TracedRegistration added =
                RegisterTracedRoof(data, r.outline, r.wall ? &r.wall->top : nullptr,
                                   r.wall ? &r.wall->bottom : nullptr);
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
