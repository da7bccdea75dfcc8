// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of the edits to a record. A step keeps a copy of everything
// an edit may change (outlines, walls, heights, plan points, north
// direction, active roof), each table only up to its last non-zero slot: an
// empty record costs almost nothing, one at capacity about 51 KB a step.
#pragma once

#include <cstddef>
#include <cstring>
#include <deque>
#include <vector>

#include "data/BuildingData.h"

namespace velmora {

// A fixed table kept up to its last slot that is not all-zero bytes; the
// rest reads back as zero. Bytes, not values, decide: -0.0 and NaN come
// back exactly.
template <class T> class PackedTable {
  public:
    PackedTable() = default;
    template <std::size_t N> explicit PackedTable(const std::array<T, N>& a) {
        // The all-zero tail, mostly the whole unused capacity, is skipped a
        // block at a time: a snapshot is taken at every edit.
        constexpr std::size_t kBlock = 1024;
        static const T zeros[kBlock] = {};
        std::size_t n = N;
        while (n >= kBlock && std::memcmp(&a[n - kBlock], zeros, sizeof zeros) == 0)
            n -= kBlock;
        while (n > 0 && IsZero(a[n - 1]))
            --n;
        values_.assign(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n));
    }
    template <std::size_t N> void CopyTo(std::array<T, N>& a) const {
        const std::size_t n = values_.size() < N ? values_.size() : N;
        // An empty vector may hold no storage at all.
        if (n > 0)
            std::memcpy(a.data(), values_.data(), n * sizeof(T));
        std::memset(static_cast<void*>(a.data() + n), 0, (N - n) * sizeof(T));
    }
    std::size_t Bytes() const { return values_.size() * sizeof(T); }
    friend bool operator==(const PackedTable& a, const PackedTable& b) {
        return a.values_.size() == b.values_.size() &&
               (a.values_.empty() ||
                std::memcmp(a.values_.data(), b.values_.data(), a.Bytes()) == 0);
    }

  private:
    static bool IsZero(const T& v) {
        static const T zero{};
        return std::memcmp(&v, &zero, sizeof(T)) == 0;
    }
    std::vector<T> values_;
};

// What an edit may change, as it was at one moment.
struct EditSnapshot {
    EditSnapshot() = default;
    EditSnapshot(const BuildingData& d, Count active);
    // Puts the snapshot back; returns the active roof (−1 when that roof is
    // not in the restored record).
    Count RestoreTo(BuildingData& d) const;
    std::size_t Bytes() const;
    friend bool operator==(const EditSnapshot&, const EditSnapshot&);
    // Equal but perhaps for the active roof.
    friend bool SameRecord(const EditSnapshot&, const EditSnapshot&);

    float northAngle = 0;
    Count pointTotal = 0, roofCount = 0, wallCount = 0, active = -1;
    PackedTable<float> topX, topY, flatX, flatY;
    PackedTable<Count> startNum, pointNum, closedSTS;
    PackedTable<float> height;
    PackedTable<float> firstX, firstY, secondX, secondY;
    PackedTable<Count> wallOwner;
};

class EditHistory {
  public:
    // Steps kept; the oldest goes first.
    static constexpr std::size_t kDepth = 100;

    // The record as the next edit finds it.
    void Mark(const BuildingData& d, Count active) { base_ = EditSnapshot(d, active); }
    // An edit has ended. When it changed the record, the state it started
    // from (the last mark) becomes an undo step carrying `tag`, and the redo
    // steps are dropped. True when a step was recorded. `always` records the
    // step also when the record did not change: the tag stands for a change
    // outside it (a new picture).
    bool Commit(const BuildingData& d, Count active, unsigned tag = 0, bool always = false);
    // Back to before the last step (forward again for redo). `active` and
    // `tag` receive the active roof and the step's tag. False with nothing
    // to undo (redo), the record untouched.
    bool Undo(BuildingData& d, Count& active, unsigned& tag);
    bool Redo(BuildingData& d, Count& active, unsigned& tag);
    // Forgets every step; the record as it is now is the new start.
    void Clear(const BuildingData& d, Count active);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    std::size_t UndoSteps() const { return undo_.size(); }
    std::size_t RedoSteps() const { return redo_.size(); }
    // The tags of every step kept, undo and redo.
    std::vector<unsigned> Tags() const;
    // Memory held by the steps' tables.
    std::size_t Bytes() const;

  private:
    struct Step {
        EditSnapshot state;
        unsigned tag = 0;
    };
    bool Move(std::deque<Step>& from, std::deque<Step>& to, BuildingData& d, Count& active,
              unsigned& tag);
    EditSnapshot base_;
    std::deque<Step> undo_;
    std::deque<Step> redo_;
};

} // namespace velmora
