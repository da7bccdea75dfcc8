// SPDX-License-Identifier: GPL-3.0-or-later
// The eight tools. The table in ToolTable.h says how each is chosen; here is
// what each does with the mouse.
#pragma once

#include <memory>
#include <vector>

#include "data/PicturePoint.h"
#include "workspace/Tool.h"

namespace velmora {

class RoofTracer;
struct CameraCheck;
struct TraceInput;
struct TraceWork;

// Selects a roof (double-click) in the inclined view, a building on the
// plan map.
class SelectTool final : public Tool {
  public:
    using Tool::Tool;
    void Chosen() override;
    void DoubleClick() override;
};

// Zooms the plan map: left button in, right button out.
class ZoomTool final : public Tool {
  public:
    using Tool::Tool;
    void MouseDown(int button, QPointF p) override;
    void DoubleClick() override {}
};

// Draws a roof outline point by point; a click near the first point closes it.
class RoofTool final : public Tool {
  public:
    using Tool::Tool;
    void MouseDown(int button, QPointF p) override;
    void MouseMove(int buttons, QPointF p) override;
    // The outline being drawn.
    OutlineBuffer& Outline() { return outline_; }
    void ClearOutline() { outline_.pDrawPointNum = 0; }

  private:
    OutlineBuffer outline_;
    // The last click, where the rubber band starts.
    QPointF anchor_;
};

// Draws a wall line from a corner of the active roof down to the ground.
class WallTool final : public Tool {
  public:
    using Tool::Tool;
    void MouseDown(int button, QPointF p) override;
    void MouseMove(int buttons, QPointF p) override;
    // The upper end once picked.
    WallStart& Start() { return start_; }
    void ClearStart() { start_.pWallStartSet = 0; }

  private:
    WallStart start_;
};

// Drags a roof point or wall end (inclined view) or a plan point (plan map).
class MoveTool final : public Tool {
  public:
    using Tool::Tool;
    void MouseDown(int button, QPointF p) override;
    void MouseMove(int buttons, QPointF p) override;
    void MouseUp(int button, QPointF p) override;
    MoveGrab& Grab() { return grab_; }

  private:
    MoveGrab grab_;
};

// Inserts (add) or deletes (delete) a point with a double-click: the
// default double-click edit of their tool.
class AddPointTool final : public Tool {
  public:
    using Tool::Tool;
};
class DeletePointTool final : public Tool {
  public:
    using Tool::Tool;
};

// One-click tracing: a double-click on a roof registers its outline and the
// wall found below it. Reads the untouched picture, never the drawing.
class TraceTool final : public Tool {
  public:
    TraceTool(ToolEnvironment& env, RoofTool& roof, WallTool& wall);
    ~TraceTool() override;
    void DoubleClick() override;
    // The grey copy follows the untouched picture; rebuilt only when that
    // changed since the last time.
    void RefreshTraceSource();

    // The picture as the one-click tool reads it (prepared once per loaded
    // picture) and its tracer, for the whole-picture search.
    const TraceInput& PreparedInput();
    RoofTracer& Tracer();

  private:
    void TraceRoofAtClick();
    // The typed camera checked against the verticals of the roof just
    // traced and of every roof of the record.
    CameraCheck CheckCamera(const std::vector<PicturePoint>& traced);
    RoofTool& roof_;
    WallTool& wall_;
    std::unique_ptr<TraceWork> work_;
};

} // namespace velmora
