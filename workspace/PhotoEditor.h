// SPDX-License-Identifier: GPL-3.0-or-later
// Editing on the working area: the tools and the mouse on the picture view,
// the switch between the inclined view and the plan map, the redraws, and
// the edit commands (stop, clear the picture, remove a roof, change a
// building's height, set north, clear all data, undo, redo). The menu items
// it keeps in step belong to the window that built them; those it was not
// given are skipped.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointF>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "workspace/EditSession.h"
#include "workspace/Tool.h"
#include "workspace/ToolTable.h"

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class MoveTool;
class RoofTool;
class TraceTool;
class WallTool;
class WorkingArea;

// The items of "編集(&E)" whose state follows the editing.
struct EditMenuItems {
    QMenu* EditPhotoLineMenu = nullptr; // popped up by the right button
    QAction* DispSlopeMapMenu = nullptr;
    QAction* DispFlatMapMenu = nullptr;
    std::array<QAction*, kToolCount> InputModeMenu{}; // the last tool has none
    QAction* ChangeBillHeightMenu = nullptr;
    QAction* Remove1TopAreaMenu = nullptr;
    QAction* UndoMenu = nullptr;
    QAction* RedoMenu = nullptr;
};

class PhotoEditor : public QObject, private ToolEnvironment {
    Q_OBJECT
  public:
    PhotoEditor(WorkingArea& work, BuildingData& data, Prompts& prompts, QObject* parent = nullptr);
    ~PhotoEditor() override;

    void SetMenuItems(const EditMenuItems& items);
    EditSession& Session() override { return session_; }
    // The tool objects, by index of the tool table.
    Tool& ToolAt(ToolId tool) { return *tools_[static_cast<std::size_t>(Index(tool))]; }
    RoofTool& Roof() { return *roof_; }
    WallTool& Wall() { return *wall_; }
    MoveTool& Move() { return *move_; }

    // ---- Views ----
    // Clears the record and the change count, starts a new undo history, and
    // selects the inclined view.
    void ResetAllDataBuildingData();
    // The selection as the menu makes it: check marks, then the buttons.
    void SelectSlopeView();
    void SelectFlatView();
    void EnterSlopeView();
    void EnterFlatView();
    // Heights and plan points, then the plan map on its canvas.
    void PrepareFlatMapView();
    // A new picture is in PhotoPic and PhotoPic2.
    void PictureLoaded();

    // ---- Redraws ----
    void ShowSlopeLineMap(int active, int wallFlag) override;
    void ShowAllSlopeLines();
    void DrawSelectMarks(float maxX, float minX, float maxY, float minY);
    void EraseSelectMarks();
    void ShowFlatLineMap(int index1) override;
    // The full redraw of the view on show, the active roof highlighted.
    void RedrawCurrentView();
    // Redraws what depends on the north direction.
    void UpdateNorthAngle();
    void ShowWallHeight(float yUpper, float yLower) override;
    void RefreshViewGeometry() override;
    void ShowRefusal(EditRefusal r) override;
    Count ValidateAltitudes();

    // ---- Tools and the mouse ----
    void ChooseTool(ToolId tool, ToolEntry entry);
    void InputModeRbn_Click(ToolId tool, bool down);
    void InputModeMenu_Click(ToolId tool) { ChooseTool(tool, ToolEntry::Menu); }
    void StopDrawLineMenu_Click();
    void SetDefaultCursors();
    void SetToolCursor(const char* file) override;
    QPointF HotSpotPosition(double x, double y) const;
    void PhotoPic_MouseDown(int button, double x, double y);
    void PhotoPic_MouseMove(int buttons, double x, double y);
    void PhotoPic_MouseUp(int button, double x, double y);
    void PhotoPic_DblClick();

    // ---- Commands ----
    void ClearPhotoCmd_Click();
    void Remove1TopAreaMenu_Click();
    void ChangeBillHeightMenu_Click();
    // North typed or dropped on the dial.
    void SetNorth(float northAngle, bool redraw);
    // Asks for the selected building's height in metres; nullopt when
    // cancelled. Replaceable so that tests never block on the dialog.
    std::function<std::optional<double>(QWidget*, const QString& text, double current)>
        AskBuildingHeight;
    // The question of the height dialog "建物高さ変更".
    static QString HeightQuestion();
    // "全て消去": the picture taken off the view and the record cleared, as
    // one undoable step that leaves nothing to save.
    void ClearAllData();
    // "元に戻す": abandons an outline being drawn, or else takes the last
    // step back; "やり直し" does it again. Each redraws the view.
    void UndoMenu_Click();
    void RedoMenu_Click();
    // A new record was loaded: nothing to undo.
    void StartNewHistory();
    // An outline of the roof tool is being drawn.
    bool DrawingOutline();

  signals:
    // A new picture is in PhotoPic2 (untouched copy) and PhotoPic.
    void PictureReady();

  private:
    // One user action on the record (EditSession): the undo items follow it.
    // A command (not the mouse on the picture) first ends a press whose
    // release never came.
    class Action {
      public:
        explicit Action(PhotoEditor& e, bool command = false) : e_(e) {
            if (command)
                e_.EndLostPress();
            e_.session_.BeginAction();
        }
        ~Action() {
            e_.session_.EndAction();
            e_.UpdateUndoItems();
        }
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

      private:
        PhotoEditor& e_;
    };
    void UpdateUndoItems();
    // A modal message during a press takes its release: with no button down
    // any more, the press is over.
    void EndLostPress();
    // Shows the record after the undo (undo false: the redo) of a step.
    void ShowHistoryStep(unsigned tag, bool undo);

    // What a full redraw of the current view paints, with what it sets in
    // the session (handles, plan-map level and rate) already set.
    struct ViewDrawing {
        DrawList ops;
        DrawMode modeAfter = DrawMode::Copy;
    };
    ViewDrawing CurrentViewDrawing();
    DrawingSurface& Surface() override;
    const QImage& UntouchedPicture() override;
    void Message(const QString& text) override;
    void ClearHeight() override;
    void SetRemoveRoofMenu(MenuState s) override;
    void SetChangeHeightMenu(bool enabled) override;
    void CheckViewItems(bool slope);
    // Enables each tool's button and menu item for the view.
    void EnableToolsFor(ViewMode view);
    void Register(ToolId id, std::unique_ptr<Tool> tool) {
        tools_[static_cast<std::size_t>(Index(id))] = std::move(tool);
    }

    WorkingArea& work_;
    Prompts& prompts_;
    EditSession session_;
    EditMenuItems menus_;
    std::array<std::unique_ptr<Tool>, kToolCount> tools_;
    RoofTool* roof_;
    WallTool* wall_;
    MoveTool* move_;
    TraceTool* trace_;
};

} // namespace velmora
