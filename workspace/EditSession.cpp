#include "workspace/EditSession.h"

#include <limits>

namespace velmora {

void EditSession::AddToCount() {
    if (pChangeCount < std::numeric_limits<Count>::max())
        ++pChangeCount;
}

void EditSession::CountEdit() {
    AddToCount();
    RecordEdit();
}

void EditSession::RecordEdit(unsigned tag) {
    pending_ = true;
    tag_ |= tag;
}

void EditSession::Commit() {
    if (!pending_)
        return;
    pending_ = false;
    const unsigned tag = tag_;
    tag_ = 0;
    if (history_.Commit(data_, pActiveTopArea, tag))
        Changed();
}

void EditSession::BeginAction() {
    if (depth_++ > 0 || held_)
        return;
    // An edit recorded outside any action ends here.
    Commit();
    history_.Mark(data_, pActiveTopArea);
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
    if (!history_.Undo(data_, pActiveTopArea, tag))
        return false;
    AddToCount();
    Changed();
    return true;
}

bool EditSession::Redo(unsigned& tag) {
    if (held_)
        return false;
    Commit();
    if (!history_.Redo(data_, pActiveTopArea, tag))
        return false;
    AddToCount();
    Changed();
    return true;
}

void EditSession::StartNewHistory() {
    pending_ = false;
    tag_ = 0;
    history_.Clear(data_, pActiveTopArea);
    Changed();
}

void EditSession::Changed() {
    if (HistoryChanged)
        HistoryChanged();
}

void EditSession::RememberMarks(const SelectBox& box) {
    pMarks.maxX = static_cast<float>(box.maxX);
    pMarks.minX = static_cast<float>(box.minX);
    pMarks.maxY = static_cast<float>(box.maxY);
    pMarks.minY = static_cast<float>(box.minY);
}

} // namespace velmora
