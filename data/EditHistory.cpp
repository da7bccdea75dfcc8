// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/EditHistory.h"

#include <utility>

namespace velmora {

EditSnapshot::EditSnapshot(const BuildingData& d, Count activeRoof)
    : northAngle(d.gNorthAngle), pointTotal(d.gTopAreaPointTotalNumber),
      roofCount(d.gEachTopAreaNumber), wallCount(d.gWallEdgeNumber), active(activeRoof),
      topX(d.gTopAreaX), topY(d.gTopAreaY), flatX(d.gFlatTopAreaX), flatY(d.gFlatTopAreaY),
      startNum(d.gEachTopAreaStartNum), pointNum(d.gEachTopAreaPointNum),
      closedSTS(d.gEachClosedTopAreaSTS), height(d.gFlatTopHeight), firstX(d.gFirstWallEdgeX),
      firstY(d.gFirstWallEdgeY), secondX(d.gSecondWallEdgeX), secondY(d.gSecondWallEdgeY),
      wallOwner(d.gWallEdgefotEachTopArea) {}

Count EditSnapshot::RestoreTo(BuildingData& d) const {
    d.gNorthAngle = northAngle;
    d.gTopAreaPointTotalNumber = pointTotal;
    d.gEachTopAreaNumber = roofCount;
    d.gWallEdgeNumber = wallCount;
    topX.CopyTo(d.gTopAreaX);
    topY.CopyTo(d.gTopAreaY);
    flatX.CopyTo(d.gFlatTopAreaX);
    flatY.CopyTo(d.gFlatTopAreaY);
    startNum.CopyTo(d.gEachTopAreaStartNum);
    pointNum.CopyTo(d.gEachTopAreaPointNum);
    closedSTS.CopyTo(d.gEachClosedTopAreaSTS);
    height.CopyTo(d.gFlatTopHeight);
    firstX.CopyTo(d.gFirstWallEdgeX);
    firstY.CopyTo(d.gFirstWallEdgeY);
    secondX.CopyTo(d.gSecondWallEdgeX);
    secondY.CopyTo(d.gSecondWallEdgeY);
    wallOwner.CopyTo(d.gWallEdgefotEachTopArea);
    return active >= 0 && active < roofCount ? active : Count{-1};
}

std::size_t EditSnapshot::Bytes() const {
    return topX.Bytes() + topY.Bytes() + flatX.Bytes() + flatY.Bytes() + startNum.Bytes() +
           pointNum.Bytes() + closedSTS.Bytes() + height.Bytes() + firstX.Bytes() + firstY.Bytes() +
           secondX.Bytes() + secondY.Bytes() + wallOwner.Bytes();
}

bool SameRecord(const EditSnapshot& a, const EditSnapshot& b) {
    return std::memcmp(&a.northAngle, &b.northAngle, sizeof(float)) == 0 &&
           a.pointTotal == b.pointTotal && a.roofCount == b.roofCount &&
           a.wallCount == b.wallCount && a.topX == b.topX && a.topY == b.topY &&
           a.flatX == b.flatX && a.flatY == b.flatY && a.startNum == b.startNum &&
           a.pointNum == b.pointNum && a.closedSTS == b.closedSTS && a.height == b.height &&
           a.firstX == b.firstX && a.firstY == b.firstY && a.secondX == b.secondX &&
           a.secondY == b.secondY && a.wallOwner == b.wallOwner;
}

bool operator==(const EditSnapshot& a, const EditSnapshot& b) {
    return a.active == b.active && SameRecord(a, b);
}

bool EditHistory::Commit(const BuildingData& d, Count active, unsigned tag, bool always) {
    EditSnapshot now(d, active);
    // Only the record counts as a change: an edit that merely moved the
    // selection is nothing to undo.
    if (!always && SameRecord(base_, now)) {
        base_ = std::move(now);
        return false;
    }
    undo_.push_back({std::move(base_), tag});
    if (undo_.size() > kDepth)
        undo_.pop_front();
    redo_.clear();
    base_ = std::move(now);
    return true;
}

bool EditHistory::Move(std::deque<Step>& from, std::deque<Step>& to, BuildingData& d, Count& active,
                       unsigned& tag) {
    if (from.empty())
        return false;
    Step& step = from.back();
    to.push_back({EditSnapshot(d, active), step.tag});
    tag = step.tag;
    active = step.state.RestoreTo(d);
    // The restored state is where the next edit starts.
    base_ = std::move(step.state);
    base_.active = active;
    from.pop_back();
    return true;
}

bool EditHistory::Undo(BuildingData& d, Count& active, unsigned& tag) {
    return Move(undo_, redo_, d, active, tag);
}

bool EditHistory::Redo(BuildingData& d, Count& active, unsigned& tag) {
    return Move(redo_, undo_, d, active, tag);
}

void EditHistory::Clear(const BuildingData& d, Count active) {
    undo_.clear();
    redo_.clear();
    Mark(d, active);
}

std::vector<unsigned> EditHistory::Tags() const {
    std::vector<unsigned> tags;
    tags.reserve(undo_.size() + redo_.size());
    for (const Step& s : undo_)
        tags.push_back(s.tag);
    for (const Step& s : redo_)
        tags.push_back(s.tag);
    return tags;
}

std::size_t EditHistory::Bytes() const {
    std::size_t n = base_.Bytes();
    for (const Step& s : undo_)
        n += s.state.Bytes();
    for (const Step& s : redo_)
        n += s.state.Bytes();
    return n;
}

} // namespace velmora
