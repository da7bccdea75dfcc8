// SPDX-License-Identifier: GPL-3.0-or-later
// Storage shared by the tracing stages: the two byte maps over the local
// analysis frame and the ordered point tables that carry results from one
// stage to the next. Everything has a fixed capacity set once.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

namespace velmora {

// The local frame: x 0 ... 500, y 0 ... 400, y upwards like picture y.
inline constexpr int kLocalMaxX = 500;
inline constexpr int kLocalMaxY = 400;
inline constexpr int kLocalCells = (kLocalMaxX + 1) * (kLocalMaxY + 1);

// One byte per local cell. Reads outside the frame give 0, writes there are ignored.
class LocalMap {
  public:
    LocalMap() : cells_(kLocalCells, 0) {}

    static constexpr bool Contains(int x, int y) {
        return x >= 0 && x <= kLocalMaxX && y >= 0 && y <= kLocalMaxY;
    }
    std::uint8_t Get(int x, int y) const { return Contains(x, y) ? cells_[Index(x, y)] : 0; }
    void Set(int x, int y, std::uint8_t v) {
        if (Contains(x, y))
            cells_[Index(x, y)] = v;
    }
    void Clear() { std::fill(cells_.begin(), cells_.end(), std::uint8_t{0}); }

  private:
    static std::size_t Index(int x, int y) {
        return static_cast<std::size_t>(x) * (kLocalMaxY + 1) + static_cast<std::size_t>(y);
    }
    std::vector<std::uint8_t> cells_;
};

// Flags of the tables: one letter, 0 for none.
inline constexpr char kNoFlag = 0;

struct CellRow {
    int x = 0;
    int y = 0;
    friend bool operator==(const CellRow&, const CellRow&) = default;
};

struct FlaggedCellRow {
    int x = 0;
    int y = 0;
    char flag = kNoFlag;
    friend bool operator==(const FlaggedCellRow&, const FlaggedCellRow&) = default;
};

struct PointNumRow {
    int index = 0;
    char flag = kNoFlag;
};

struct WallPointRow {
    int topX = 0;
    int topY = 0;
    int bottomX = 0;
    int bottomY = 0;
    int length = 0;
};

// An ordered list of rows numbered from 1 (row 0 is never used). Appends
// beyond the current limit are refused; the limit is the capacity unless a
// clear sets a smaller one for the coming fill.
template <typename Row> class WorkTable {
  public:
    explicit WorkTable(int capacity)
        : capacity_(std::max(capacity, 0)), limit_(capacity_),
          rows_(static_cast<std::size_t>(capacity_) + 1) {}

    int Capacity() const { return capacity_; }
    int Limit() const { return limit_; }
    int Rows() const { return count_; }
    bool Empty() const { return count_ == 0; }

    void Clear() { Clear(capacity_); }
    void Clear(int limit) {
        count_ = 0;
        limit_ = std::clamp(limit, 0, capacity_);
    }
    bool Append(const Row& r) {
        if (count_ >= limit_)
            return false;
        rows_[static_cast<std::size_t>(++count_)] = r;
        return true;
    }
    // Keeps rows 1 ... rows.
    void Truncate(int rows) { count_ = std::clamp(rows, 0, count_); }

    bool Has(int row) const { return row >= 1 && row <= count_; }
    Row& operator[](int row) {
        assert(Has(row));
        return rows_[static_cast<std::size_t>(row)];
    }
    const Row& operator[](int row) const {
        assert(Has(row));
        return rows_[static_cast<std::size_t>(row)];
    }

    // Rows 1 ... Rows() as a range.
    Row* begin() { return rows_.data() + 1; }
    Row* end() { return rows_.data() + 1 + count_; }
    const Row* begin() const { return rows_.data() + 1; }
    const Row* end() const { return rows_.data() + 1 + count_; }

  private:
    int capacity_;
    int limit_;
    int count_ = 0;
    std::vector<Row> rows_;
};

} // namespace velmora
