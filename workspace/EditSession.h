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
#include "geometry/FlatMap.h"

namespace velmora {

class EditSession {
  public:
    explicit EditSession(BuildingData& data) : data_(data) { history_.Mark(data_, -1); }
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

    Count pActiveTopArea = -1;
    Count pChangeCount = 0;
    Count pViewMode = 0;  // 1 inclined view, 2 plan map
    Count pInputMode = 0; // tool 0 ... 7
    float pDownX = 0;
    float pDownY = 0;
    // The selection handles currently on the view.
    SelectBox pMarks{0, 0, 0, 0};
    float pFlatMapRate = 0;
    Count gMapScaleIndex = 0;
    MapScaleTables MapTables;

  private:
    void AddToCount();
    void Commit();
    void Changed();

    BuildingData& data_;
    EditHistory history_;
    int depth_ = 0;
    bool held_ = false;
    // An edit was counted or recorded in the action now running.
    bool pending_ = false;
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
