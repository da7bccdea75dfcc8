// SPDX-License-Identifier: GPL-3.0-or-later
// The tools that select and edit what is drawn: select, zoom, move, and the
// double-click edits shared by the inclined view's tools.
#include "data/Editing.h"
#include "workspace/DrawingSurface.h"
#include "workspace/EditSession.h"
#include "workspace/ToolTable.h"
#include "workspace/Tools.h"

namespace velmora {

bool Tool::InSlopeView() {
    return env_.Session().View() == ViewMode::Inclined;
}
bool Tool::OnPlanMap() {
    return env_.Session().View() == ViewMode::Plan;
}

bool Tool::DrawingPress(int button, QPointF p, float& x, float& y) {
    if (!InSlopeView() || button != kLeftButton)
        return false;
    x = static_cast<float>(p.x());
    y = static_cast<float>(p.y());
    env_.Surface().SetDrawWidth(2);
    return true;
}

void Tool::MouseDown(int, QPointF) {}
void Tool::MouseMove(int, QPointF) {}
void Tool::MouseUp(int, QPointF) {}

void Tool::DoubleClick() {
    if (InSlopeView())
        SlopeDoubleClick();
}

void Tool::SlopeDoubleClick() {
    EditSession& s = env_.Session();
    const DoubleClickResult r = velmora::SlopeDoubleClick(
        s.Data(), static_cast<Count>(Index(s.CurrentTool())), s.ActiveRoof(), s.DownX(), s.DownY());
    s.SetActiveRoof(r.active);
    if (r.redraw.needed)
        env_.ShowSlopeLineMap({.roof = r.redraw.active, .walls = r.redraw.wallFlag > -1});
    env_.SetRemoveRoofMenu(r.removeRoofMenu);
    if (r.changed)
        s.CountEdit();
    env_.ShowRefusal(r.refusal);
}

void SelectTool::Chosen() {
    env_.Session().SetActiveRoof(-1);
    if (InSlopeView())
        env_.ShowSlopeLineMap({});
    else
        env_.ShowFlatLineMap({});
}

void SelectTool::DoubleClick() {
    if (InSlopeView()) {
        SlopeDoubleClick();
        return;
    }
    if (!OnPlanMap())
        return;
    EditSession& s = env_.Session();
    const Count i = FindFlatTopAreaAt(s.Data(), s.FlatMapRate(), s.DownX(), s.DownY());
    if (i >= 0) {
        s.SetActiveRoof(i);
        env_.ShowFlatLineMap({.building = i});
        env_.SetChangeHeightMenu(true);
    } else {
        env_.ShowFlatLineMap({});
        env_.SetChangeHeightMenu(false);
        s.SetActiveRoof(-1);
    }
}

void ZoomTool::MouseDown(int button, QPointF) {
    if (OnPlanMap() && (button == kLeftButton || button == kRightButton))
        env_.ZoomFlatMap(button == kLeftButton);
}

void MoveTool::MouseDown(int button, QPointF p) {
    if (button != kLeftButton)
        return;
    EditSession& s = env_.Session();
    float x = static_cast<float>(p.x());
    float y = static_cast<float>(p.y());
    if (InSlopeView()) {
        env_.Surface().SetDrawWidth(2);
        MoveGrab g;
        g.pGrabbed = 0;
        if (s.ActiveRoof() >= 0) {
            const PointOrWallHit hit = FindActivePointOrWallEnd(s.Data(), s.ActiveRoof(), x, y);
            g = GrabFromHit(hit);
            // The drag starts on the point itself.
            if (hit.kind > 0) {
                x = hit.x;
                y = hit.y;
            }
        }
        grab_ = g;
    } else if (OnPlanMap()) {
        const Count k = s.ActiveRoof() >= 0
                            ? FindFlatPoint(s.Data(), s.ActiveRoof(), s.FlatMapRate(), x, y)
                            : Count{-1};
        grab_.pGrabPoint = k >= 0 ? k : Count{-1};
        grab_.pGrabbed = k >= 0 ? 1 : 0;
        if (k >= 0)
            s.CountEdit();
    } else {
        return;
    }
    s.SetDown(x, y);
}

void MoveTool::MouseMove(int, QPointF p) {
    if (grab_.pGrabbed != 1)
        return;
    EditSession& s = env_.Session();
    const float x = static_cast<float>(p.x());
    const float y = static_cast<float>(p.y());
    DragStep step;
    if (InSlopeView())
        step = MoveSlopePoint(s.Data(), s.ActiveRoof(), grab_, s.Marks(), x, y);
    else if (OnPlanMap())
        step = MoveFlatPoint(s.Data(), s.ActiveRoof(), s.FlatMapRate(), grab_.pGrabPoint, s.Marks(),
                             x, y);
    else
        return;
    DrawingSurface& v = env_.Surface();
    const DrawMode mode = v.Mode();
    v.Paint(step.ops);
    v.SetMode(mode);
    if (!step.ops.empty())
        s.RememberMarks(step.box);
    if (InSlopeView())
        s.CountEdit();
}

void MoveTool::MouseUp(int button, QPointF) {
    if (button != kLeftButton || grab_.pGrabbed != 1)
        return;
    if (InSlopeView()) {
        const BuildingData& d = env_.Session().Data();
        const int w = grab_.pGrabWallBottom;
        if (w >= 0 && w < d.gWallEdgeNumber && w < static_cast<int>(kWallCapacity)) {
            const auto i = static_cast<std::size_t>(w);
            env_.ShowWallHeight(d.gFirstWallEdgeY[i], d.gSecondWallEdgeY[i]);
            env_.Session().CountEdit();
        }
    } else if (!OnPlanMap()) {
        return;
    }
    grab_.pGrabbed = -1;
}

} // namespace velmora
