// SPDX-License-Identifier: GPL-3.0-or-later
// An editing tool: what a mouse action on the picture view means while the
// tool is chosen. Each tool keeps its own state between clicks and reaches
// the rest of the program only through its environment.
#pragma once

#include <QImage>
#include <QPointF>
#include <QString>

#include "data/Editing.h"
#include "workspace/Redraws.h"

namespace velmora {

class EditSession;
class DrawingSurface;

// What a tool may use: the session, the drawing on the picture view, the
// messages, the cursors, the redraws of the working area and the state of
// the edit menu's items, all without seeing a widget or a menu.
class ToolEnvironment {
  public:
    virtual ~ToolEnvironment() = default;
    virtual EditSession& Session() = 0;
    virtual DrawingSurface& Surface() = 0;
    // The picture as loaded, without the drawing (PhotoPic2's).
    virtual const QImage& UntouchedPicture() = 0;
    virtual void Message(const QString& text) = 0;
    // The message box of a refused edit (silent refusals show nothing).
    virtual void ShowRefusal(EditRefusal r) = 0;
    // Cursor file below ico/; nullptr or empty: the default cursors.
    virtual void SetToolCursor(const char* file) = 0;
    // The whole redraws of the view.
    virtual void ShowSlopeLineMap(InclinedRedraw r) = 0;
    virtual void ShowFlatLineMap(PlanRedraw r) = 0;
    // The plan map one zoom level in (false: out), redrawn.
    virtual void ZoomFlatMap(bool in) = 0;
    // Measures the wall line between picture heights yUpper and yLower and
    // shows the building height.
    virtual void ShowWallHeight(float yUpper, float yLower) = 0;
    // The record's view values (camera tilt, range, scale) from the altitude boxes.
    virtual void RefreshViewGeometry() = 0;
    virtual void ClearHeight() = 0;
    // One line in the window's status bar (empty: cleared); nothing where
    // the window has none.
    virtual void ShowStatus(const QString& text) { (void)text; }
    // The state of the items "1屋根削除(&R)" and "建物高さ変更".
    virtual void SetRemoveRoofMenu(MenuState s) = 0;
    virtual void SetChangeHeightMenu(bool enabled) = 0;
};

class Tool {
  public:
    explicit Tool(ToolEnvironment& env) : env_(env) {}
    virtual ~Tool() = default;
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // The tool was chosen (its cursor and the session's tool are set).
    virtual void Chosen() {}
    // Positions are drawing positions: the cursor's hot-spot offset applied.
    virtual void MouseDown(int button, QPointF p);
    virtual void MouseMove(int buttons, QPointF p);
    virtual void MouseUp(int button, QPointF p);
    // At the position the last left press stored. By default the inclined
    // view's double-click edit of this tool.
    virtual void DoubleClick();

  protected:
    bool InSlopeView();
    bool OnPlanMap();
    // A left press in the inclined view, as the drawing tools take it: the
    // pen set to 2 pixels and the position in single precision. False for
    // any other press.
    bool DrawingPress(int button, QPointF p, float& x, float& y);
    void SlopeDoubleClick();
    ToolEnvironment& env_;
};

} // namespace velmora
