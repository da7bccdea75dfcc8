// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/EditSession.h"

#include <limits>

namespace velmora {

EditSession::EditSession(BuildingData& data) : data_(data) {
    InitMapScaleTables(mapTables_);
    history_.Mark(data_, -1);
}

void EditSession::AddToCount() {
    if (changeCount_ < std::numeric_limits<Count>::max())
        SetChangeCount(static_cast<Count>(changeCount_ + 1));
}

void EditSession::SetChangeCount(Count n) {
    const bool changed = n != changeCount_;
    changeCount_ = n;
    if (changed && CountChanged)
        CountChanged();
}

void EditSession::CountEdit() {
    AddToCount();
    RecordEdit();
}

void EditSession::RecordEdit(unsigned tag) {
    pending_ = true;
    tag_ |= tag;
}

void EditSession::RecordStep(unsigned tag) {
    RecordEdit(tag);
    always_ = true;
}

void EditSession::Commit() {
    if (!pending_)
        return;
    pending_ = false;
    const unsigned tag = tag_;
    const bool always = always_;
    tag_ = 0;
    always_ = false;
    if (history_.Commit(data_, activeRoof_, tag, always))
        Changed();
}

void EditSession::BeginAction() {
    if (depth_++ > 0 || held_)
        return;
    // An edit recorded outside any action ends here.
    Commit();
    history_.Mark(data_, activeRoof_);
}

void EditSession::EndAction() {
    if (depth_ > 0)
        --depth_;
    if (depth_ == 0 && !held_)
        Commit();
}

void EditSession::BeginPress() {
    held_ = true;
}

void EditSession::EndPress() {
    held_ = false;
    if (depth_ == 0)
        Commit();
}

bool EditSession::Undo(unsigned& tag) {
    if (held_)
        return false;
    Commit();
    if (!history_.Undo(data_, activeRoof_, tag))
        return false;
    AddToCount();
    Changed();
    return true;
}

bool EditSession::Redo(unsigned& tag) {
    if (held_)
        return false;
    Commit();
    if (!history_.Redo(data_, activeRoof_, tag))
        return false;
    AddToCount();
    Changed();
    return true;
}

void EditSession::StartNewHistory() {
    pending_ = false;
    always_ = false;
    tag_ = 0;
    history_.Clear(data_, activeRoof_);
    Changed();
}

void EditSession::Changed() {
    if (HistoryChanged)
        HistoryChanged();
}

void EditSession::RememberMarks(const SelectBox& box) {
    marks_.maxX = static_cast<float>(box.maxX);
    marks_.minX = static_cast<float>(box.minX);
    marks_.maxY = static_cast<float>(box.maxY);
    marks_.minY = static_cast<float>(box.minY);
}

} // namespace velmora
