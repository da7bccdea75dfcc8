// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/ViewController.h"

#include <QAction>
#include <QPushButton>
#include <algorithm>

#include "drawing/FlatMap.h"
#include "drawing/SlopeView.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"
#include "workspace/EditSession.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/RibbonGroup.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

constexpr int kSlopeButton = 0;
constexpr int kPlanButton = 1;

Count ClampLevel(int level) {
    return static_cast<Count>(std::clamp<int>(level, 0, kMaxMapLevel));
}

} // namespace

ViewController::ViewController(WorkingArea& work, EditSession& session, QObject* parent)
    : QObject(parent), work_(work), session_(session) {
    connect(work_.SlopeOrFlatRbn, &RibbonGroup::Click, this, [this](int index, bool down) {
        if (down && index == kSlopeButton)
            EnterSlopeView();
        else if (down && index == kPlanButton)
            EnterFlatView();
    });
}

// ---------------------------------------------------------------- switching

void ViewController::CheckViewItems(bool slope) {
    if (menus_.DispSlopeMapMenu)
        menus_.DispSlopeMapMenu->setChecked(slope);
    if (menus_.DispFlatMapMenu)
        menus_.DispFlatMapMenu->setChecked(!slope);
}

void ViewController::SelectSlopeView() {
    CheckViewItems(true);
    work_.SlopeOrFlatRbn->SetValue(kSlopeButton, true);
    work_.SlopeOrFlatRbn->SetValue(kPlanButton, false);
}

void ViewController::SelectFlatView() {
    CheckViewItems(false);
    work_.SlopeOrFlatRbn->SetValue(kPlanButton, true);
    work_.SlopeOrFlatRbn->SetValue(kSlopeButton, false);
}

void ViewController::EnableToolsFor(ViewMode view) {
    for (ToolId t : AllTools()) {
        const bool on = ToolEnabledIn(t, view);
        work_.InputModeRbn->Button(Index(t))->setEnabled(on);
        if (QAction* item = menus_.InputModeMenu[static_cast<std::size_t>(Index(t))])
            item->setEnabled(on);
    }
    session_.SetActiveRoof(-1);
    for (ToolId t : AllTools())
        if (!ToolRowOf(t).Has(ToolFlag::StaysDown))
            work_.InputModeRbn->SetValue(Index(t), false);
}

void ViewController::EnterSlopeView() {
    Enter(ViewMode::Inclined);
}

void ViewController::EnterFlatView() {
    Enter(ViewMode::Plan);
}

void ViewController::Enter(ViewMode view) {
    work_.SetDefaultCursors();
    const bool plan = view == ViewMode::Plan;
    if (plan && MayEnterPlan && !MayEnterPlan()) {
        work_.SlopeOrFlatRbn->SetValue(kPlanButton, false);
        return;
    }
    // The plan map is drawn without the picture; the inclined view's
    // figures are 2 pixels wide.
    const ViewMode from = session_.View();
    if (plan) {
        // The way back shows the picture again if it is shown now.
        if (from != ViewMode::Plan && DrawsRecord)
            work_.Picture().SetPictureOnReturn(work_.PhotoPic->HasPicture());
        work_.PhotoPic->RemovePicture();
    } else {
        work_.PhotoPic->SetDrawWidth(2);
    }
    CheckViewItems(!plan);
    EnableToolsFor(view);
    session_.SetView(view);
    emit Entered(view);
    if (!DrawsRecord)
        return;
    if (plan) {
        session_.SetFlatMapRate(
            session_.MapTables()
                .gMapRate[static_cast<std::size_t>(ClampLevel(session_.MapLevel()))]);
        PrepareFlatMapView();
    } else {
        // Back from the plan map: the view gets its picture size and picture
        // coordinates again, so outlines and new clicks keep meaning picture
        // pixels, and the picture unless the user had hidden it.
        PicturePane& pane = work_.Picture();
        pane.LeaveCanvas();
        if (from == ViewMode::Plan && pane.PictureOnReturn() && pane.PhotoPic2->HasPicture())
            pane.PhotoPic->CopyPictureFrom(*pane.PhotoPic2);
        ShowSlopeLineMap({});
    }
}

void ViewController::PrepareFlatMapView() {
    // Heights first: the plan points are lifted by them. Both measure with
    // the picture's width, also when the canvas is already up.
    const double pictureWidth = work_.Picture().PictureScaleWidth();
    ComputePlanState(session_.Data(), pictureWidth);
    work_.Picture().EnterCanvas();
    ShowFlatLineMap({});
}

// ---------------------------------------------------------------- redraws

void ViewController::Show(const DrawList& ops, DrawMode modeAfter) {
    work_.PhotoPic->Paint(ops);
    work_.PhotoPic->SetMode(modeAfter);
}

void ViewController::ShowSlopeLineMap(InclinedRedraw r) {
    const SlopeDrawing drawing =
        velmora::ShowSlopeLineMap(session_.Data(), r.roof, r.walls ? 0 : -1, session_.ActiveRoof());
    Show(drawing.ops, drawing.modeAfter);
    if (drawing.marks)
        session_.RememberMarks(*drawing.marks);
}

void ViewController::ShowAllSlopeLines() {
    Show(velmora::ShowAllSlopeLines(session_.Data()), DrawMode::Copy);
}

void ViewController::DrawSelectMarks(float maxX, float minX, float maxY, float minY) {
    DrawList ops;
    SelectBox box;
    box.maxX = maxX;
    box.minX = minX;
    box.maxY = maxY;
    box.minY = minY;
    const DrawMode mode = work_.PhotoPic->Mode();
    AppendSelectMarks(ops, box, mode);
    Show(ops, mode);
    session_.RememberMarks(box);
}

void ViewController::EraseSelectMarks() {
    const SelectBox& m = session_.Marks();
    DrawSelectMarks(static_cast<float>(m.maxX), static_cast<float>(m.minX),
                    static_cast<float>(m.maxY), static_cast<float>(m.minY));
}

void ViewController::ShowFlatLineMap(PlanRedraw r) {
    const Count active = static_cast<Count>(std::clamp<int>(r.building, -1, kRoofCapacity - 1));
    const FlatMapView view =
        velmora::ShowFlatLineMap(session_.Data(), session_.MapTables(), active);
    session_.SetMapLevel(view.level);
    session_.SetFlatMapRate(view.drawing.flatMapRate);
    Show(view.drawing.ops, view.drawing.modeAfter);
    if (view.drawing.marks)
        session_.RememberMarks(*view.drawing.marks);
}

void ViewController::ZoomFlatMap(bool in) {
    EditSession& s = session_;
    s.SetMapLevel(ZoomLevelAfterClick(ClampLevel(s.MapLevel()), in));
    const MapDrawing map = DrawFlatLineMap(s.Data(), s.MapTables(), s.MapLevel(), s.ActiveRoof());
    s.SetFlatMapRate(map.flatMapRate);
    DrawList ops = map.ops;
    const DrawList bar = MapHasBuildings(s.Data())
                             ? DrawMapScaleBar(s.MapTables(), s.MapLevel(), map.modeAfter)
                             : DrawList{};
    for (const DrawList& more : {bar, DrawNorthArrow(map.modeAfter)})
        ops.insert(ops.end(), more.begin(), more.end());
    Show(ops, map.modeAfter);
    if (map.marks)
        s.RememberMarks(*map.marks);
}

void ViewController::RedrawCurrentView() {
    const Count a = session_.ActiveRoof();
    if (session_.View() == ViewMode::Plan)
        ShowFlatLineMap({.building = a});
    else
        ShowSlopeLineMap({.roof = a, .walls = a >= 0});
}

void ViewController::UpdateNorthAngle() {
    PictureView& v = *work_.PhotoPic;
    const DrawMode mode = v.Mode();
    const Count level = ClampLevel(session_.MapLevel());
    const DrawList ops = UpdateNorthAngleOps(session_.Data(), session_.MapTables(), level, mode);
    v.Paint(ops);
    if (ops.empty())
        v.SetMode(mode);
    // The north-up map works in the map's rate.
    session_.SetFlatMapRate(session_.MapTables().gMapRate[static_cast<std::size_t>(level)]);
}

} // namespace velmora
