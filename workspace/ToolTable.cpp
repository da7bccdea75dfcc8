// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/ToolTable.h"

#include <iterator>

namespace velmora {

namespace {

using enum ToolFlag;

// One row per tool, in the order of ToolId.
constexpr ToolRow kTools[] = {
    {.caption = "選択",
     .toolTip = "ラインの選択",
     .menuText = "選択(&S)",
     .flags = OnInclined | OnPlan | InclinedButton | InclinedMenu | PlanButton | PlanMenu |
              StoresDown | EditMenu},
    {.caption = "拡大縮小",
     .toolTip = "拡大縮小",
     .menuText = "拡大縮小(&Z)",
     .cursor = "Magnify.cur",
     .flags = OnPlan | InclinedButton | PlanButton | ClearsOutline},
    {.caption = "屋上ライン",
     .toolTip = "屋上ラインの描画",
     .menuText = "屋上ライン(&T)",
     .cursor = "RedPen.ICO",
     .hotSpot = {-14, 14},
     .flags = OnInclined | InclinedButton | InclinedMenu | Validates | ClearsOutline | StoresDown |
              EditMenu},
    {.caption = "側壁ライン",
     .toolTip = "側壁ラインの描画",
     .menuText = "側壁ライン(&W)",
     .cursor = "BluePen.ICO",
     .hotSpot = {-14, 14},
     .flags = OnInclined | InclinedButton | InclinedMenu | Validates | ClearsWallStart |
              StoresDown | EditMenu},
    {.caption = "ポイント移動",
     .toolTip = "ポイントの移動",
     .menuText = "移動(&M)",
     .cursor = "MovePen.ICO",
     .planMenuCursor = "POINT14.ICO",
     .hotSpot = {-13, 13},
     .flags = OnInclined | OnPlan | InclinedButton | InclinedMenu | PlanButton | PlanMenu |
              StoresDown | EditMenu},
    {.caption = "ポイント追加",
     .toolTip = "ポイントの追加",
     .menuText = "追加(&A)",
     .cursor = "AddPen.ICO",
     .hotSpot = {-1, 0},
     .flags = OnInclined | InclinedButton | InclinedMenu | StoresDown | EditMenu},
    {.caption = "ポイント削除",
     .toolTip = "ポイントの削除",
     .menuText = "削除(&D)",
     .cursor = "Remove.ICO",
     .hotSpot = {-1, 0},
     .flags = OnInclined | InclinedButton | InclinedMenu | StoresDown | EditMenu},
    {.caption = "ビル屋上",
     .toolTip = "１クリックでの屋上、壁ライン描画",
     .cursor = "ARW10NW2.ICO",
     .hotSpot = {-10, 10},
     .flags =
         OnInclined | OnPlan | InclinedButton | Validates | ClearsOutline | StoresDown | StaysDown},
};
static_assert(std::size(kTools) == kToolCount, "one row per tool");

constexpr std::array<ToolId, kToolCount> MakeAllTools() {
    std::array<ToolId, kToolCount> all{};
    for (int i = 0; i < kToolCount; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<ToolId>(i);
    return all;
}
constexpr std::array<ToolId, kToolCount> kAllTools = MakeAllTools();

} // namespace

std::optional<ToolId> ToolAt(int index) {
    if (index < 0 || index >= kToolCount)
        return std::nullopt;
    return static_cast<ToolId>(index);
}

const std::array<ToolId, kToolCount>& AllTools() {
    return kAllTools;
}

const ToolRow& ToolRowOf(ToolId tool) {
    const int i = Index(tool);
    return kTools[i >= 0 && i < kToolCount ? i : 0];
}

QPointF HotSpotPosition(ToolId tool, double x, double y) {
    return QPointF(x, y) + ToolRowOf(tool).hotSpot;
}

bool ToolActs(ToolId tool, ViewMode view, ToolEntry entry) {
    const ToolRow& s = ToolRowOf(tool);
    const bool button = entry == ToolEntry::Button;
    switch (view) {
    case ViewMode::Inclined:
        return s.Has(button ? ToolFlag::InclinedButton : ToolFlag::InclinedMenu);
    case ViewMode::Plan:
        return s.Has(button ? ToolFlag::PlanButton : ToolFlag::PlanMenu);
    case ViewMode::None:
        break;
    }
    return false;
}

const char* ToolCursor(ToolId tool, ViewMode view, ToolEntry entry) {
    const ToolRow& s = ToolRowOf(tool);
    if (view == ViewMode::Plan && entry == ToolEntry::Menu && s.planMenuCursor)
        return s.planMenuCursor;
    return s.cursor;
}

bool ToolEnabledIn(ToolId tool, ViewMode view) {
    return ToolRowOf(tool).Has(view == ViewMode::Plan ? ToolFlag::OnPlan : ToolFlag::OnInclined);
}

} // namespace velmora
