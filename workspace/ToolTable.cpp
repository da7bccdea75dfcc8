#include "workspace/ToolTable.h"

namespace velmora {

namespace {

// clang-format off
constexpr std::array<ToolRow, kToolCount> kTools{{
    //  caption         tip                 menu              cursor           plan menu        hot spot       slope  flat   sB     sM     fB     fM     valid  outln  wall   down   menu
    {"選択",          "ラインの選択",     "選択(&S)",       nullptr,         nullptr,         {0, 0},        true,  true,  true,  true,  true,  true,  false, false, false, true,  true},
    {"拡大縮小",      "拡大縮小",         "拡大縮小(&Z)",   "Magnify.cur",   nullptr,         {0, 0},        false, true,  true,  false, true,  false, false, true,  false, false, false},
    {"屋上ライン",    "屋上ラインの描画", "屋上ライン(&T)", "RedPen.ICO",    nullptr,         {-14, 14},     true,  false, true,  true,  false, false, true,  true,  false, true,  true},
    {"側壁ライン",    "側壁ラインの描画", "側壁ライン(&W)", "BluePen.ICO",   nullptr,         {-14, 14},     true,  false, true,  true,  false, false, true,  false, true,  true,  true},
    {"ポイント移動",  "ポイントの移動",   "移動(&M)",       "MovePen.ICO",   "POINT14.ICO",   {-13, 13},     true,  true,  true,  true,  true,  true,  false, false, false, true,  true},
    {"ポイント追加",  "ポイントの追加",   "追加(&A)",       "AddPen.ICO",    nullptr,         {-1, 0},       true,  false, true,  true,  false, false, false, false, false, true,  true},
    {"ポイント削除",  "ポイントの削除",   "削除(&D)",       "Remove.ICO",    nullptr,         {-1, 0},       true,  false, true,  true,  false, false, false, false, false, true,  true},
    {"ビル屋上",      "１クリックでの屋上、壁ライン描画", nullptr,          "ARW10NW2.ICO",  nullptr,         {-10, 10},     true,  true,  true,  false, false, false, true,  true,  false, true,  false},
}};
// clang-format on

} // namespace

bool IsTool(int tool) {
    return tool >= 0 && tool < kToolCount;
}

const ToolRow& ToolRowOf(int tool) {
    return kTools[static_cast<std::size_t>(IsTool(tool) ? tool : kSelectTool)];
}

QPointF HotSpotPosition(int tool, double x, double y) {
    if (!IsTool(tool))
        return QPointF(x, y);
    return QPointF(x, y) + ToolRowOf(tool).hotSpot;
}

bool ToolActs(int tool, int viewMode, ToolEntry entry) {
    if (!IsTool(tool))
        return false;
    const ToolRow& s = ToolRowOf(tool);
    const bool button = entry == ToolEntry::Button;
    if (viewMode == kSlopeView)
        return button ? s.slopeButton : s.slopeMenu;
    if (viewMode == kFlatView)
        return button ? s.flatButton : s.flatMenu;
    return false;
}

const char* ToolCursor(int tool, int viewMode, ToolEntry entry) {
    const ToolRow& s = ToolRowOf(tool);
    if (viewMode == kFlatView && entry == ToolEntry::Menu && s.planMenuCursor)
        return s.planMenuCursor;
    return s.cursor;
}

bool ToolEnabledIn(int tool, int viewMode) {
    const ToolRow& s = ToolRowOf(tool);
    return viewMode == kFlatView ? s.enabledFlat : s.enabledSlope;
}

} // namespace velmora
