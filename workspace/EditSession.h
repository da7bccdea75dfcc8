// SPDX-License-Identifier: GPL-3.0-or-later
// What the edits act on: the building record, the active roof, the change
// count, the view and the tool in use, the position the last press stored,
// the plan map's zoom, and the selection handles now on the view. The one
// place that counts an edit, and so the one place that makes it undoable.
//
// Every user action on the record (a press, move, release or double-click
// on the picture, a command) runs between BeginAction and EndAction. The
// start marks the record as the action finds it; an action that counted an
// edit becomes one undo step when it ends. A press held down (a drag) is one
// action from press to release.
#pragma once

#include <functional>

#include "data/BuildingData.h"
#include "data/DrawList.h"
#include "data/EditHistory.h"
#include "drawing/FlatMap.h"
#include "workspace/ToolTable.h"

namespace velmora {

class EditSession {
  public:
    explicit EditSession(BuildingData& data);
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    BuildingData& Data() { return data_; }
    const BuildingData& Data() const { return data_; }

    // Counts one edit and records the action as an undo step. The count
    // stops at its largest value: wrapping to a negative count would let the
    // window close without offering to save.
    void CountEdit();
    // Records the action as an undo step without counting it (a command
    // that resets the count). `tag` travels with the step.
    void RecordEdit(unsigned tag = 0);
    // Records the action as an undo step even when the record did not
    // change: `tag` stands for what else it changed.
    void RecordStep(unsigned tag);

    // Actions nest; only the outermost marks and commits.
    void BeginAction();
    void EndAction();
    // A press on the picture is held until its release.
    void BeginPress();
    void EndPress();
    bool PressHeld() const { return held_; }

    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    // Each counts as an edit (the result is unsaved again). `tag` receives
    // the step's tag. False, changing nothing, when there is no step or a
    // press is held.
    bool Undo(unsigned& tag);
    bool Redo(unsigned& tag);
    // A new record (a project file, sample data or a picture): no steps.
    void StartNewHistory();
    const EditHistory& History() const { return history_; }
    // Told whenever a step was recorded, undone or redone, or the history
    // started anew.
    std::function<void()> HistoryChanged;

    // Keeps the box of handles just drawn, each bound in single precision
    // as the record's coordinates are: the next erase must draw exactly
    // the same handles.
    void RememberMarks(const SelectBox& box);

    // The roof selected (-1 none).
    Count ActiveRoof() const { return activeRoof_; }
    void SetActiveRoof(Count roof) { activeRoof_ = roof; }
    // Edits since the record was loaded or saved.
    Count ChangeCount() const { return changeCount_; }
    void SetChangeCount(Count n);
    // Told whenever the change count changed.
    std::function<void()> CountChanged;
    ViewMode View() const { return view_; }
    void SetView(ViewMode v) { view_ = v; }
    ToolId CurrentTool() const { return tool_; }
    void SetTool(ToolId t) { tool_ = t; }
    // Where the last left press went down; the double-click acts there.
    float DownX() const { return downX_; }
    float DownY() const { return downY_; }
    void SetDown(float x, float y) {
        downX_ = x;
        downY_ = y;
    }
    // The selection handles currently on the view.
    const SelectBox& Marks() const { return marks_; }
    // The plan map's zoom: its level and its rate in pixels per metre.
    Count MapLevel() const { return mapLevel_; }
    void SetMapLevel(Count level) { mapLevel_ = level; }
    float FlatMapRate() const { return flatMapRate_; }
    void SetFlatMapRate(float rate) { flatMapRate_ = rate; }
    const MapScaleTables& MapTables() const { return mapTables_; }

  private:
    void AddToCount();
    void Commit();
    void Changed();

    BuildingData& data_;
    EditHistory history_;
    Count activeRoof_ = -1;
    Count changeCount_ = 0;
    ViewMode view_ = ViewMode::None;
    ToolId tool_ = ToolId::Select;
    float downX_ = 0;
    float downY_ = 0;
    SelectBox marks_{0, 0, 0, 0};
    float flatMapRate_ = 0;
    Count mapLevel_ = 0;
    MapScaleTables mapTables_;
    int depth_ = 0;
    bool held_ = false;
    // An edit was counted or recorded in the action now running.
    bool pending_ = false;
    // ... and is to be a step whether or not the record changed.
    bool always_ = false;
    unsigned tag_ = 0;
};

// Runs its scope as one action of the session.
class EditAction {
  public:
    explicit EditAction(EditSession& s) : s_(s) { s_.BeginAction(); }
    ~EditAction() { s_.EndAction(); }
    EditAction(const EditAction&) = delete;
    EditAction& operator=(const EditAction&) = delete;

  private:
    EditSession& s_;
};

} // namespace velmora
