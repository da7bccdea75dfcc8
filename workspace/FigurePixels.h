// The pixels a figure lights on a surface, worked out here rather than by
// the paint engine. Whether a pixel is lit depends on the figure and on that
// pixel alone, never on which part of the surface is being drawn: so a part
// of a drawing can be drawn again on its own and match the whole, which is
// what lets undo redraw only the pixels that change.
//
// Pixel (x, y) is the unit square whose centre is the point (x, y) here. A
// figure is an area; a pixel is lit when its centre lies in the area, the
// area's low edges left out and its high edges kept (as the raster engine
// fills aliased paths, so the look is the same).
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace velmora {

// Lit columns [x0, x1) of one row.
struct PixelRun {
    int x0 = 0;
    int x1 = 0;
};

// A surface's pixels: 0xffRRGGBB words, `stride` words a row.
struct PixelBuffer {
    std::uint32_t* bits = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
};

// A rectangle holding the centre of every pixel a figure lights: centre, two perpendicular unit
// axes and the half-extent along each. The second axis is across the figure's thin side for lines.
struct PixelHull {
    double cx = 0, cy = 0;
    double ax = 1, ay = 0, along = 0;
    double bx = 0, by = 1, across = 0;
};

class PixelRegion;

// A figure's pixels kept as runs, row by row (a text's glyphs).
struct PixelMask {
    int width = 0;
    int height = 0;
    // Runs of row y are runs[rowStart[y]] .. runs[rowStart[y + 1] - 1],
    // columns from the mask's left edge.
    std::vector<int> rowStart;
    std::vector<PixelRun> runs;
    // From width x height bytes, non-zero where lit.
    static PixelMask FromBytes(int width, int height, const std::vector<std::uint8_t>& lit);
};

class FigurePixels {
  public:
    // The segment between the centres of pixels a and b stroked `width`
    // pixels wide with square ends; a point when a == b.
    static FigurePixels Line(int ax, int ay, int bx, int by, int width);
    // A circle of `radius` pixels around the centre of pixel c.
    static FigurePixels Ring(int cx, int cy, long long radius, int width);
    // The outline of the rectangle with corners at the centres of a and b.
    static FigurePixels Frame(int ax, int ay, int bx, int by, int width);
    // A ready mask with its top-left corner at (left, top); it must outlive
    // the figure.
    static FigurePixels Mask(int left, int top, const PixelMask* mask);

    // Rows that may hold lit pixels: [Top(), Bottom()).
    int Top() const { return top_; }
    int Bottom() const { return bottom_; }
    // True when the hull's bounding box and this box share a point.
    bool MayMeet(double minX, double minY, double maxX, double maxY) const {
        return !(minX > maxX_ || maxX < minX_ || minY > maxY_ || maxY < minY_);
    }

    // Calls run(x0, x1) for each run of row y, left to right, disjoint.
    template <class F> void ForRuns(int y, F&& run) const {
        if (y < top_ || y >= bottom_)
            return;
        PixelRun r[2];
        int n = 0;
        switch (kind_) {
        case Kind::Line:
            n = LineRuns(y, r);
            break;
        case Kind::Ring:
            n = RingRuns(y, r);
            break;
        case Kind::Frame:
            n = FrameRuns(y, r);
            break;
        case Kind::Mask: {
            const auto i = static_cast<std::size_t>(y - top_);
            for (int k = mask_->rowStart[i]; k < mask_->rowStart[i + 1]; ++k) {
                const PixelRun& m = mask_->runs[static_cast<std::size_t>(k)];
                run(left_ + m.x0, left_ + m.x1);
            }
            return;
        }
        }
        for (int i = 0; i < n; ++i)
            run(r[i].x0, r[i].x1);
    }

  private:
    friend std::optional<std::pair<int, int>> SharedRows(const FigurePixels&, const FigurePixels&);
    friend void FillFigure(const PixelBuffer&, const FigurePixels&, std::uint32_t, bool);
    friend void FillFigureWithin(const PixelBuffer&, const FigurePixels&, std::uint32_t, bool,
                                 const PixelRegion&, int, int);
    enum class Kind { Line, Ring, Frame, Mask };
    bool LineRun(int y, PixelRun& out) const;
    int LineRuns(int y, PixelRun* out) const;
    int RingRuns(int y, PixelRun* out) const;
    int FrameRuns(int y, PixelRun* out) const;
    void SetHull(const PixelHull& hull);
    void SetBoxHull(double x0, double y0, double x1, double y1);

    Kind kind_ = Kind::Line;
    int top_ = 0;
    int bottom_ = 0;
    PixelHull hull_{};
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    // Line: the first pixel; ring: the centre.
    int ax_ = 0;
    int ay_ = 0;
    // Line: the far pixel less the first.
    int dx_ = 0;
    int dy_ = 0;
    int width_ = 1;
    // Frame: lit columns and rows of the outer and of the inner rectangle
    // (inner ones may be empty), inclusive.
    int outerX0_ = 0, outerX1_ = -1, outerY0_ = 0, outerY1_ = -1;
    int innerX0_ = 0, innerX1_ = -1, innerY0_ = 0, innerY1_ = -1;
    // Line: bounds of the run in a row as c + s * row, one pair per edge pair.
    double alongLo_ = 0, alongHi_ = 0, alongSlope_ = 0;
    double acrossLo_ = 0, acrossHi_ = 0, acrossSlope_ = 0;
    // Ring: squared radii, four times over (whole numbers for odd widths).
    long long outer4_ = 0;
    long long inner4_ = -1;
    // Mask.
    int left_ = 0;
    const PixelMask* mask_ = nullptr;
};

// The rows [first, last] in which two figures' hulls overlap; nothing
// when they are apart.
std::optional<std::pair<int, int>> SharedRows(const FigurePixels& a, const FigurePixels& b);

// A set of pixels kept as disjoint runs row by row: the part of a surface
// that is drawn again.
class PixelRegion {
  public:
    PixelRegion(int width, int height) : width_(width), height_(height) {}
    // Adds the figure's pixels on the surface.
    void Add(const FigurePixels& f);
    // Sorts and merges what was added; call before reading.
    void Seal();
    long long PixelCount() const { return count_; }
    // The runs of row y, left to right, and how many there are.
    std::pair<const PixelRun*, std::size_t> Runs(int y) const {
        if (y < 0 || y >= height_ || rowStart_.empty())
            return {nullptr, 0};
        const auto i = static_cast<std::size_t>(y);
        return {runs_.data() + rowStart_[i],
                static_cast<std::size_t>(rowStart_[i + 1] - rowStart_[i])};
    }

  private:
    struct RowRun {
        int y;
        int x0;
        int x1;
    };
    int width_;
    int height_;
    std::vector<RowRun> added_;
    std::vector<PixelRun> runs_;
    std::vector<int> rowStart_;
    long long count_ = 0;
};

// Lights the figure's pixels with `rgb`: replacing them, or combining them
// by exclusive-or.
void FillFigure(const PixelBuffer& b, const FigurePixels& f, std::uint32_t rgb, bool xorInk);
// The same, in rows [firstRow, lastRow] and only where `within` holds.
void FillFigureWithin(const PixelBuffer& b, const FigurePixels& f, std::uint32_t rgb, bool xorInk,
                      const PixelRegion& within, int firstRow, int lastRow);

} // namespace velmora
