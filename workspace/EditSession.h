// What the edits act on: the building record, the active roof, the change
// count, the view and the tool in use, the position the last press stored,
// the plan map's zoom, and the selection handles now on the view. The one
// place that counts an edit.
#pragma once

#include "data/BuildingData.h"
#include "data/DrawList.h"
#include "geometry/FlatMap.h"

namespace velmora {

class EditSession {
  public:
    explicit EditSession(BuildingData& data) : data_(data) {}
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    BuildingData& Data() { return data_; }
    const BuildingData& Data() const { return data_; }

    // Counts one edit. The count stops at its largest value: wrapping to a
    // negative count would let the window close without offering to save.
    void CountEdit();

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
    BuildingData& data_;
};

} // namespace velmora
