// SPDX-License-Identifier: GPL-3.0-or-later
// The editing tools and the mouse on the picture view: owns one object per
// tool, chooses the tool from its button or menu item, and hands the
// picture view's mouse actions to the tool in use. The tools reach the rest
// of the program through their environment; what a tool action asks of the
// window (the edit menu, the undo items) is told by signal.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <array>
#include <memory>

#include "workspace/Tool.h"
#include "workspace/ToolTable.h"

namespace velmora {

class MoveTool;
class RoofTool;
class TraceTool;
class WallTool;
class WorkingArea;

class ToolController : public QObject {
    Q_OBJECT
  public:
    ToolController(WorkingArea& work, ToolEnvironment& env, QObject* parent = nullptr);
    ~ToolController() override;

    Tool& ToolAt(ToolId tool) { return *tools_[static_cast<std::size_t>(Index(tool))]; }
    RoofTool& Roof() { return *roof_; }
    WallTool& Wall() { return *wall_; }
    MoveTool& Move() { return *move_; }
    TraceTool& Trace() { return *trace_; }

    void ChooseTool(ToolId tool, ToolEntry entry);
    void InputModeRbn_Click(ToolId tool, bool down);
    void InputModeMenu_Click(ToolId tool) { ChooseTool(tool, ToolEntry::Menu); }
    void StopDrawLineMenu_Click();
    void SetDefaultCursors() { env_.SetToolCursor(nullptr); }
    QPointF HotSpotPosition(double x, double y) const;
    void PhotoPic_MouseDown(int button, double x, double y);
    void PhotoPic_MouseMove(int buttons, double x, double y);
    void PhotoPic_MouseUp(int button, double x, double y);
    void PhotoPic_DblClick();
    // An outline of the roof tool is being drawn.
    bool DrawingOutline() const;

  signals:
    // A mouse action on the picture is over (it may have made an undo step
    // or begun an outline).
    void ActionDone();
    // The right button's release over the picture asks for the edit menu
    // at this screen position.
    void EditMenuWanted(QPoint global);

  private:
    // One mouse action as one action of the session.
    class Action;
    void Register(ToolId id, std::unique_ptr<Tool> tool) {
        tools_[static_cast<std::size_t>(Index(id))] = std::move(tool);
    }

    WorkingArea& work_;
    ToolEnvironment& env_;
    EditSession& session_;
    std::array<std::unique_ptr<Tool>, kToolCount> tools_;
    RoofTool* roof_;
    WallTool* wall_;
    MoveTool* move_;
    TraceTool* trace_;
};

} // namespace velmora
