// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/ToolController.h"

#include "workspace/AltitudePanel.h"
#include "workspace/EditSession.h"
#include "workspace/PictureView.h"
#include "workspace/RibbonGroup.h"
#include "workspace/Tools.h"
#include "workspace/WorkingArea.h"

namespace velmora {

class ToolController::Action {
  public:
    explicit Action(ToolController& c) : c_(c) { c_.session_.BeginAction(); }
    ~Action() {
        c_.session_.EndAction();
        emit c_.ActionDone();
    }
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

  private:
    ToolController& c_;
};

ToolController::ToolController(WorkingArea& work, ToolEnvironment& env, QObject* parent)
    : QObject(parent), work_(work), env_(env), session_(env.Session()) {
    auto roof = std::make_unique<RoofTool>(env);
    auto wall = std::make_unique<WallTool>(env);
    auto move = std::make_unique<MoveTool>(env);
    auto trace = std::make_unique<TraceTool>(env, *roof, *wall);
    roof_ = roof.get();
    wall_ = wall.get();
    move_ = move.get();
    trace_ = trace.get();
    // One registration line per tool.
    Register(ToolId::Select, std::make_unique<SelectTool>(env));
    Register(ToolId::Zoom, std::make_unique<ZoomTool>(env));
    Register(ToolId::Roof, std::move(roof));
    Register(ToolId::Wall, std::move(wall));
    Register(ToolId::Move, std::move(move));
    Register(ToolId::AddPoint, std::make_unique<AddPointTool>(env));
    Register(ToolId::DeletePoint, std::make_unique<DeletePointTool>(env));
    Register(ToolId::Trace, std::move(trace));

    PictureView* photo = work_.PhotoPic;
    connect(photo, &PictureView::MouseDown, this, &ToolController::PhotoPic_MouseDown);
    connect(photo, &PictureView::MouseMove, this, &ToolController::PhotoPic_MouseMove);
    connect(photo, &PictureView::MouseUp, this, &ToolController::PhotoPic_MouseUp);
    connect(photo, &PictureView::DoubleClick, this, &ToolController::PhotoPic_DblClick);
    connect(work_.InputModeRbn, &RibbonGroup::Click, this, [this](int index, bool down) {
        if (const auto tool = velmora::ToolAt(index))
            InputModeRbn_Click(*tool, down);
    });
}

ToolController::~ToolController() = default;

void ToolController::ChooseTool(ToolId index, ToolEntry entry) {
    const ViewMode view = session_.View();
    if (!ToolActs(index, view, entry))
        return;
    const ToolRow& row = ToolRowOf(index);
    const bool slope = view == ViewMode::Inclined;
    if (slope && entry == ToolEntry::Button && row.Has(ToolFlag::Validates) &&
        work_.Altitudes().ValidateAltitudes() != 1) {
        // The release this raises leaves the select tool chosen.
        work_.InputModeRbn->SetValue(Index(index), false);
        return;
    }
    env_.SetToolCursor(ToolCursor(index, view, entry));
    session_.SetTool(index);
    if (slope && row.Has(ToolFlag::ClearsOutline))
        roof_->ClearOutline();
    if (slope && row.Has(ToolFlag::ClearsWallStart))
        wall_->ClearStart();
    ToolAt(index).Chosen();
}

void ToolController::InputModeRbn_Click(ToolId index, bool down) {
    if (down) {
        ChooseTool(index, ToolEntry::Button);
    } else if (session_.View() == ViewMode::Inclined) {
        SetDefaultCursors();
        session_.SetTool(ToolId::Select);
    }
}

void ToolController::StopDrawLineMenu_Click() {
    SetDefaultCursors();
    session_.SetTool(ToolId::Select);
    session_.SetActiveRoof(-1);
    // The change count stays: stopping a tool saves nothing, and a later
    // close must still offer to save the edits made so far.
}

bool ToolController::DrawingOutline() const {
    return session_.View() == ViewMode::Inclined && session_.CurrentTool() == ToolId::Roof &&
           roof_->Outline().pDrawPointNum > 0;
}

QPointF ToolController::HotSpotPosition(double x, double y) const {
    return velmora::HotSpotPosition(session_.CurrentTool(), x, y);
}

void ToolController::PhotoPic_MouseDown(int button, double x, double y) {
    // A press whose release never came ends at the next press.
    if (session_.PressHeld())
        session_.EndPress();
    Action action(*this);
    session_.BeginPress();
    const QPointF p = HotSpotPosition(x, y);
    const ToolId tool = session_.CurrentTool();
    // The double-click handlers act where the first click went down.
    if (button == kLeftButton && ToolRowOf(tool).Has(ToolFlag::StoresDown))
        session_.SetDown(static_cast<float>(p.x()), static_cast<float>(p.y()));
    ToolAt(tool).MouseDown(button, p);
}

void ToolController::PhotoPic_MouseMove(int buttons, double x, double y) {
    Action action(*this);
    ToolAt(session_.CurrentTool()).MouseMove(buttons, HotSpotPosition(x, y));
}

void ToolController::PhotoPic_MouseUp(int button, double x, double y) {
    Action action(*this);
    session_.EndPress();
    const ToolId tool = session_.CurrentTool();
    ToolAt(tool).MouseUp(button, HotSpotPosition(x, y));
    if (button == kRightButton && ToolRowOf(tool).Has(ToolFlag::EditMenu)) {
        const PictureView& v = *work_.PhotoPic;
        const QPointF px = v.ToPixel(x, y);
        emit EditMenuWanted(v.mapToGlobal(QPoint(static_cast<int>(px.x()) + PictureView::kBorder,
                                                 static_cast<int>(px.y()) + PictureView::kBorder)));
    }
}

void ToolController::PhotoPic_DblClick() {
    Action action(*this);
    ToolAt(session_.CurrentTool()).DoubleClick();
}

} // namespace velmora
