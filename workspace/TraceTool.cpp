// One-click tracing in the inclined view: a double-click with the tool
// "ビル屋上" registers the roof under the click and the wall found below it,
// and shows the building height.
#include <QImage>

#include "data/Conventions.h"
#include "data/Editing.h"
#include "tracing/RoofTracer.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/DrawingSurface.h"
#include "workspace/EditSession.h"
#include "workspace/GreyPicture.h"
#include "workspace/QtText.h"
#include "workspace/Tools.h"

namespace velmora {

struct TraceWork {
    RoofTracer tracer;
    // Cleaned grey copy of the picture as loaded; the drawing surface with
    // its outlines must never leak into the analysis.
    GreyRaster grey;
    qint64 pictureKey = 0;
    bool hasPicture = false;
};

namespace {

const QColor kWallPreview(0, 200, 255);

} // namespace

TraceTool::TraceTool(ToolEnvironment& env, RoofTool& roof, WallTool& wall)
    : Tool(env), roof_(roof), wall_(wall), work_(std::make_unique<TraceWork>()) {
    work_->tracer.SetPicture(&work_->grey);
}

TraceTool::~TraceTool() = default;

void TraceTool::RefreshTraceSource() {
    TraceWork& w = *work_;
    const QImage& picture = env_.UntouchedPicture();
    if (picture.isNull()) {
        // No picture: every pixel reads as outside and no click passes the gate.
        if (w.hasPicture)
            w.grey = GreyRaster();
        w.hasPicture = false;
        return;
    }
    if (w.hasPicture && w.pictureKey == picture.cacheKey())
        return;
    w.grey = TraceSourceOf(picture);
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
        if (tracer.TraceRoof(s.DownX(), s.DownY())) {
            for (const PreviewLine& l : tracer.CornerPreview())
                view.Line(l.from.x, l.from.y, l.to.x, l.to.y, ToQColor(kRoofColour));
            // An outline of fewer than two points gives no corners and is
            // refused here, leaving the record as it was.
            const AppendResult added = RegisterTracedRoof(tracer, data);
            if (added == AppendResult::RoofTableFull || added == AppendResult::PointStoreFull) {
                // A full record: the preview must not stay behind looking
                // like a registered roof, and the user is told, as with the
                // roof tool.
                env_.ShowSlopeLineMap(-1, -1);
                refusal = added == AppendResult::RoofTableFull ? EditRefusal::RoofTableFull
                                                               : EditRefusal::PointStoreFull;
            }
            if (added == AppendResult::Ok) {
                s.CountEdit();
                // The roof tool's outline and the wall tool's start begin anew.
                roof_.ClearOutline();
                env_.ShowSlopeLineMap(-1, -1);
                s.SetActiveRoof(static_cast<Count>(data.gEachTopAreaNumber - 1));
                tracer.FindWall();
                const std::optional<WallLine> wall =
                    RegisterLongestWall(tracer, data, s.ActiveRoof());
                if (wall) {
                    view.Line(wall->top.x, wall->top.y, wall->bottom.x, wall->bottom.y,
                              kWallPreview);
                    view.Circle(wall->top.x, wall->top.y, 2, kWallPreview);
                    view.Circle(wall->bottom.x, wall->bottom.y, 2, kWallPreview);
                    env_.ShowSlopeLineMap(s.ActiveRoof(), data.gWallEdgeNumber + 1);
                } else if (tracer.LongestWall()) {
                    // A wall was found but the wall table is full.
                    refusal = EditRefusal::WallTableFull;
                }
                // Without a wall of this roof the box would otherwise keep the
                // height of some other building; an unmeasurable wall leaves it empty.
                env_.ClearHeight();
                if (wall)
                    env_.ShowWallHeight(static_cast<float>(wall->top.y),
                                        static_cast<float>(wall->bottom.y));
                wall_.ClearStart();
            }
        }
    }
    env_.SetToolCursor("ARW10NW2.ICO");
    env_.ShowRefusal(refusal);
}

} // namespace velmora
