// SPDX-License-Identifier: GPL-3.0-or-later
// The editing tools in one table: what their button and menu item show, the
// cursor each sets, where the mouse position is shifted to, in which view
// each is available and what choosing one does. Every switch over tools
// reads this table.
//
// A new tool is its enumerator here, its row in ToolTable.cpp, its class
// (Tools.h) and one registration line in the tool controller.
#pragma once

#include <QPointF>
#include <array>
#include <optional>

namespace velmora {

// The tools in the order of their buttons (two to a row) and menu items.
// The numbers are the buttons' places and the tool numbers the editing core
// takes.
enum class ToolId : int { Select, Zoom, Roof, Wall, Move, AddPoint, DeletePoint, Trace };
inline constexpr int kToolCount = static_cast<int>(ToolId::Trace) + 1;

constexpr int Index(ToolId t) {
    return static_cast<int>(t);
}
// The tool at a button's place; nullopt outside the table.
std::optional<ToolId> ToolAt(int index);
// Every tool, in table order.
const std::array<ToolId, kToolCount>& AllTools();

// The view the picture box shows: none yet, the inclined view or the plan map.
enum class ViewMode { None, Inclined, Plan };

// How a tool is chosen.
enum class ToolEntry { Button, Menu };

// What a tool does and where.
enum class ToolFlag : unsigned {
    // Button and menu item enabled in the inclined view / on the plan map.
    OnInclined = 1U << 0,
    OnPlan = 1U << 1,
    // Choosing it does something, per view and entry.
    InclinedButton = 1U << 2,
    InclinedMenu = 1U << 3,
    PlanButton = 1U << 4,
    PlanMenu = 1U << 5,
    // The button (inclined view) runs the altitude check first.
    Validates = 1U << 6,
    // Choosing it in the inclined view starts a new roof outline / wall.
    ClearsOutline = 1U << 7,
    ClearsWallStart = 1U << 8,
    // A left press stores the position the double-click acts on.
    StoresDown = 1U << 9,
    // The right button's release pops up the edit menu.
    EditMenu = 1U << 10,
    // Its button stays down when the view is switched.
    StaysDown = 1U << 11,
};
constexpr ToolFlag operator|(ToolFlag a, ToolFlag b) {
    return static_cast<ToolFlag>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

struct ToolRow {
    const char* caption = "";       // button
    const char* toolTip = "";       // button
    const char* menuText = nullptr; // item of "編集(&E)"; nullptr: none
    // Cursor file below ico/ (nullptr: the default cursor); the plan map's
    // menu item may set another one.
    const char* cursor = nullptr;
    const char* planMenuCursor = nullptr;
    // Drawing position = mouse position + this (view units, y up).
    QPointF hotSpot{0, 0};
    ToolFlag flags{};

    constexpr bool Has(ToolFlag f) const {
        return (static_cast<unsigned>(flags) & static_cast<unsigned>(f)) != 0;
    }
};

const ToolRow& ToolRowOf(ToolId tool);
// The mouse position shifted to the tip of the tool's cursor.
QPointF HotSpotPosition(ToolId tool, double x, double y);
// Whether choosing the tool this way in this view does anything.
bool ToolActs(ToolId tool, ViewMode view, ToolEntry entry);
// The cursor file the tool sets when chosen this way in this view.
const char* ToolCursor(ToolId tool, ViewMode view, ToolEntry entry);
bool ToolEnabledIn(ToolId tool, ViewMode view);

} // namespace velmora
