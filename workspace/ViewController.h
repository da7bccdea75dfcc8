// SPDX-License-Identifier: GPL-3.0-or-later
// The working area's view: the switch between the inclined view and the plan
// map (the selector's buttons, the check marks of the view items, which
// tools can be chosen), the whole redraws of the view's base drawing, and
// the plan map's zoom. The main window's editor and the demo window switch
// through it; the demo draws its own scene.
#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "data/DrawList.h"
#include "workspace/Redraws.h"
#include "workspace/ToolTable.h"

class QAction;

namespace velmora {

class EditSession;
class WorkingArea;

// The menu items that follow the view; those not given are skipped.
struct ViewMenuItems {
    QAction* DispSlopeMapMenu = nullptr;
    QAction* DispFlatMapMenu = nullptr;
    std::array<QAction*, kToolCount> InputModeMenu{};
};

class ViewController : public QObject {
    Q_OBJECT
  public:
    ViewController(WorkingArea& work, EditSession& session, QObject* parent = nullptr);

    void SetMenuItems(const ViewMenuItems& items) { menus_ = items; }
    // Entering the plan map asks this first (unset: always allowed); a
    // refusal puts the selector back.
    std::function<bool()> MayEnterPlan;
    // False for a window that draws its own scene: entering a view then
    // switches the controls and leaves the view empty.
    bool DrawsRecord = true;

    // The selection as the menu makes it: check marks, then the selector's
    // buttons, whose click enters the view.
    void SelectSlopeView();
    void SelectFlatView();
    // What the selector's click does.
    void EnterSlopeView();
    void EnterFlatView();
    // Heights and plan points, then the plan map on its canvas.
    void PrepareFlatMapView();

    void ShowSlopeLineMap(InclinedRedraw r);
    void ShowAllSlopeLines();
    void DrawSelectMarks(float maxX, float minX, float maxY, float minY);
    void EraseSelectMarks();
    void ShowFlatLineMap(PlanRedraw r);
    // One zoom level in (false: out), the map redrawn at the new scale.
    void ZoomFlatMap(bool in);
    // The whole redraw of the view on show, the active roof highlighted.
    void RedrawCurrentView();
    // Redraws what depends on the north direction.
    void UpdateNorthAngle();

  signals:
    // A view was entered; no roof is active any more.
    void Entered(ViewMode view);

  private:
    void Enter(ViewMode view);
    void CheckViewItems(bool slope);
    // Enables each tool's button and menu item for the view.
    void EnableToolsFor(ViewMode view);
    void Show(const DrawList& ops, DrawMode modeAfter);

    WorkingArea& work_;
    EditSession& session_;
    ViewMenuItems menus_;
};

} // namespace velmora
