// The eight editing tools in one table: what their button and menu item
// show, the cursor each sets, where the mouse position is shifted to, in
// which view each is available and what choosing one resets. Every switch
// over tools reads this table.
#pragma once

#include <QPointF>
#include <array>

namespace velmora {

inline constexpr int kToolCount = 8;

enum ToolIndex : int {
    kSelectTool = 0,
    kZoomTool = 1,
    kRoofTool = 2,
    kWallTool = 3,
    kMoveTool = 4,
    kAddPointTool = 5,
    kDeletePointTool = 6,
    kTraceTool = 7,
};

// How a tool is chosen.
enum class ToolEntry { Button, Menu };

// The two views: 1 inclined view, 2 plan map (the session's pViewMode).
inline constexpr int kSlopeView = 1;
inline constexpr int kFlatView = 2;

struct ToolRow {
    const char* caption;  // button
    const char* toolTip;  // button
    const char* menuText; // item of "編集(&E)"; nullptr: none
    // Cursor file below ico/ (nullptr: the default cursor); the plan map's
    // menu item may set another one.
    const char* cursor;
    const char* planMenuCursor;
    // Drawing position = mouse position + this (view units, y up).
    QPointF hotSpot;
    // Button and menu item enabled in the inclined view / on the plan map.
    bool enabledSlope;
    bool enabledFlat;
    // Choosing it does something, per view and entry.
    bool slopeButton, slopeMenu, flatButton, flatMenu;
    // The button (inclined view) runs the altitude check first.
    bool validates;
    // Choosing it in the inclined view starts a new roof outline / wall.
    bool clearsOutline;
    bool clearsWallStart;
    // A left press stores the position the double-click acts on.
    bool storesDown;
    // The right button's release pops up the edit menu.
    bool editMenu;
};

const ToolRow& ToolRowOf(int tool);
// True for 0 ... 7.
bool IsTool(int tool);
// The mouse position shifted to the tip of the tool's cursor.
QPointF HotSpotPosition(int tool, double x, double y);
// Whether choosing the tool this way in this view does anything.
bool ToolActs(int tool, int viewMode, ToolEntry entry);
// The cursor file the tool sets when chosen this way in this view.
const char* ToolCursor(int tool, int viewMode, ToolEntry entry);
bool ToolEnabledIn(int tool, int viewMode);

} // namespace velmora
