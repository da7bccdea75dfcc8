// SPDX-License-Identifier: GPL-3.0-or-later
// The roof and wall tools of the inclined view: click marks, rubber bands
// on the view's overlay, and the appends through the editing core. The
// height of a new wall is measured at once.
#include "data/Conventions.h"
#include "data/Editing.h"
#include "workspace/DrawingSurface.h"
#include "workspace/EditSession.h"
#include "workspace/QtText.h"
#include "workspace/Tools.h"

namespace velmora {

void RoofTool::MouseDown(int button, QPointF p) {
    float x = 0, y = 0;
    if (!DrawingPress(button, p, x, y))
        return;
    EditSession& s = env_.Session();
    DrawingSurface& v = env_.Surface();
    // The band to the click becomes the outline's edge.
    v.CommitOverlay();
    v.SetMode(DrawMode::Xor);
    v.Circle(x, y, kMarkerRadius, ToQColor(kClickMarkColour));
    anchor_ = QPointF(x, y);

    const RoofClickResult r = RoofToolClick(s.Data(), outline_, x, y);
    switch (r.kind) {
    case RoofClickKind::PointAdded:
        break;
    case RoofClickKind::RoofClosed:
        env_.ShowSlopeLineMap({});
        s.CountEdit();
        break;
    case RoofClickKind::Refused:
        // The refused click leaves no mark behind.
        if (r.outlineDropped)
            env_.ShowSlopeLineMap({});
        else
            v.Circle(x, y, kMarkerRadius, ToQColor(kClickMarkColour));
        env_.ShowRefusal(r.refusal);
        break;
    }
}

void RoofTool::MouseMove(int, QPointF p) {
    if (!InSlopeView() || outline_.pDrawPointNum <= 0)
        return;
    const QPointF to(static_cast<float>(p.x()), static_cast<float>(p.y()));
    // Back on the last corner, the band has no length and shows nothing.
    if (to == anchor_) {
        env_.Surface().ClearOverlay();
        return;
    }
    env_.Surface().SetOverlay(
        {DrawOp::Line(anchor_.x(), anchor_.y(), to.x(), to.y(), kRoofRubberColour, DrawMode::Xor)});
}

void WallTool::MouseDown(int button, QPointF p) {
    float x = 0, y = 0;
    if (!DrawingPress(button, p, x, y))
        return;
    EditSession& s = env_.Session();
    DrawingSurface& v = env_.Surface();
    const WallClickResult r = WallToolClick(s.Data(), s.ActiveRoof(), start_, x, y);
    switch (r.kind) {
    case WallClickKind::Nothing:
        break;
    case WallClickKind::StartPicked:
        v.ClearOverlay();
        v.Circle(start_.pWallStartX, start_.pWallStartY, kMarkerRadius, ToQColor(kWallDrawColour));
        break;
    case WallClickKind::WallAdded:
        env_.ShowSlopeLineMap({.roof = s.ActiveRoof(), .walls = true});
        env_.ShowWallHeight(start_.pWallStartY, y);
        s.CountEdit();
        break;
    case WallClickKind::Refused:
        env_.ShowSlopeLineMap({.roof = s.ActiveRoof(), .walls = true});
        env_.ShowRefusal(r.refusal);
        break;
    }
    s.SetDown(x, y);
}

void WallTool::MouseMove(int, QPointF p) {
    if (!InSlopeView() || start_.pWallStartSet != 1)
        return;
    DrawingSurface& v = env_.Surface();
    const QPointF to(static_cast<float>(p.x()), static_cast<float>(p.y()));
    v.SetOverlay({DrawOp::Line(start_.pWallStartX, start_.pWallStartY, to.x(), to.y(),
                               kWallDrawColour, v.Mode())});
    env_.Session().CountEdit();
}

} // namespace velmora
