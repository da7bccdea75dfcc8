// SPDX-License-Identifier: GPL-3.0-or-later
// One-click roof tracing: from a double-click on a roof of the inclined
// picture, find the roof as a region of nearly uniform grey, follow its
// boundary into an ordered outline, reduce the outline to corners, and look
// for the building's wall face below the lowest corner.
//
// One RoofTracer holds the whole state of a trace (frame, maps, histogram,
// work tables). The main window owns one; every trace overwrites it. The
// state is public so that the window and tests can read (and tests set up)
// exactly what each stage leaves behind.
//
// A double-click, after the window's own checks, runs:
//   tracer.SetInput(&input);                      // once per loaded picture
//   const TraceResult r = tracer.Trace(x, y, &camera);
//   if (r.refusal == TraceRefusal::None) register r.outline, then r.wall if any.
// Trace reads the roof grey from the clicked roof itself and takes a wall
// only where the picture's edges confirm its height (HeightSearch.h).
//
// The stages underneath keep their own entry points: TraceRoof (the roof
// stages behind the picture's dominant-grey gate) and FindWall (the wall
// stage alone, unverified).
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "data/PicturePoint.h"
#include "tracing/EdgeField.h"
#include "tracing/GreyImage.h"
#include "tracing/HeightSearch.h"
#include "tracing/RingTables.h"
#include "tracing/WorkTables.h"

namespace velmora {

// The clicked point in the local frame.
inline constexpr int kClickLocalX = 250;
inline constexpr int kClickLocalY = 195;
// Sweeps, scans and ring searches stay at or below this local y (the maps go to 400).
inline constexpr int kSweepMaxY = 390;

inline constexpr int kHistogramSlots = 301;
inline constexpr int kLineCheckCapacity = 2999;
inline constexpr int kWallFaceEdgeSlots = 2001;
inline constexpr int kMaxStartingCorners = 101;
inline constexpr int kWallCandidateCapacity = 99;
// The split fit yields at most 5 + 4 + 8 candidates.
inline constexpr int kCornerCapacity = 17;
// Separator row between followed wall paths.
inline constexpr int kPathSeparator = -999;

struct FarthestPoint {
    double d = 0;
    int k = 0;
};

struct PreviewLine {
    PicturePoint from;
    PicturePoint to;
};

// Why a click traced nothing.
enum class TraceRefusal {
    None,
    NotOnRoof,    // no picture there, or not an even, light surface around the click
    NoClosedEdge, // the surface runs out of the tracer's frame: no roof edge around it
    NoOutline,    // the outline gave fewer than three corners
};

struct TraceResult {
    TraceRefusal refusal = TraceRefusal::None;
    // The corners to register, ending on their first point.
    std::vector<PicturePoint> outline;
    // The wall line to register with the roof, if its height is sure.
    std::optional<WallLine> wall;
    // The height search's finding (without a camera: not run, TooWeak).
    HeightChoice height;
    bool searched = false;
};

class RoofTracer {
  public:
    RoofTracer();

    // The untouched picture to read; null reads every pixel as outside. Not owned.
    void SetPicture(const GreyImage* picture) { picture_ = picture; }
    const GreyImage* Picture() const { return picture_; }
    // The cleaned grey copy and the edges of one picture. Not owned.
    void SetInput(const TraceInput* input) {
        picture_ = input != nullptr ? &input->grey : nullptr;
        edges_ = input != nullptr ? &input->edges : nullptr;
    }

    // One double-click: the roof under the click with its own grey, then
    // its height searched and checked against the wall stage's line.
    // Without a camera or edges no height is searched and no wall given.
    TraceResult Trace(double clickX, double clickY, const TraceCamera* camera);

    // ---- The double-click, in order -------------------------------------

    // Sets the frame on the click (picture coordinates), applies the
    // dominant-grey gate and, when the click passes, runs the stages up to
    // the corner list. False when the click was refused (nothing traced).
    bool TraceRoof(double clickX, double clickY);
    // The wall stages after the roof is registered: wall sample, face edges,
    // wall paths (leaves the candidates in WallPointGrid).
    void FindWall();

    // The corners to register as a roof, in picture coordinates, ending on
    // their first point; empty when the outline had fewer than two points.
    std::vector<PicturePoint> TracedRoofOutline() const;
    // The same corners where the outline's straight sides, fitted to the
    // traced boundary, meet; sides that run on in one direction are one.
    std::vector<PicturePoint> FittedRoofOutline() const;
    // Moves a fitted side (through (px, py), unit direction (dx, dy), from
    // one corner to the next) out to the roof's edge: past its parapet, or
    // to the step right outside the traced surface.
    void PushToRoofEdge(double& px, double& py, double dx, double dy, FlaggedCellRow from,
                        FlaggedCellRow to) const;
    // The longest wall line candidate in picture coordinates, if any.
    std::optional<WallLine> LongestWall() const;
    // The corner polygon's preview lines (kept corners, then the closing line).
    std::vector<PreviewLine> CornerPreview() const;

    // ---- Frame and pixels ----------------------------------------------

    void SetLocalFrame(double clickX, double clickY);
    int GetLocalGrey(int lx, int ly) const;
    PicturePoint ToPicture(int lx, int ly) const;

    // ---- Walk primitives ------------------------------------------------

    // 1 and (q, k, x, y) replaced by the found cell when a cell of gWorkMap
    // holding `wanted` lies on rings 1 ... 4 around (x, y); 0, all unchanged, otherwise.
    int RingStep(int wanted, int& q, int& k, int& x, int& y) const;
    // 1 and (nx, ny) when a wall-face edge cell lies 1 ... 3 rows below (x, y) within the fans.
    int StepDownWallEdge(int x, int y, int& nx, int& ny) const;

    // ---- Roof stages ------------------------------------------------------

    // A picture pixel under the click and |click grey - dominant grey| below
    // 10. Needs the frame set.
    bool ClickOnDominantGrey();
    int FindDominantGrey();
    // The mode of the greys around the click within 15 of `seed` (by default
    // the click's own grey).
    void EstimateRoofGrey(int seed = -1);
    // The median grey of the 3 x 3 pixels around the click, or -1 when the
    // click is not on an even, light surface.
    int ClickSurfaceGrey() const;
    void FillRoofRegion();
    // The roof's own surface around the click, up to the roof's edges in
    // the picture's gradients (needs the input's edges), with whatever
    // stands on the roof inside it. Leaves what FillRoofRegion leaves.
    void FillRoofSurface();
    // How many pixels the region holds.
    long RegionArea() const;
    // Drops the region's spurs and threads (a morphological opening) and
    // keeps the part the click is in.
    void OpenRegion();
    // Marks every pixel the region encloses as region.
    void FillRegionHoles();
    // Whether the picture shows an edge at local (lx, ly), or next to it.
    bool OnRoofEdge(int lx, int ly) const;
    bool NearRoofEdge(int lx, int ly) const;
    // One sweep of the region fill over greys lo ... hi: along x, each
    // column scanned up and down (`columns`), or along y, each row scanned
    // right and left.
    void SweepRegion(bool columns, int lo, int hi);
    int ExtractRegionBoundary();
    void TraceRoofContour(int n);
    void FindRoofCorners();
    FarthestPoint FarthestFromChord(int i1, int i2) const;

    // ---- Wall stages ------------------------------------------------------

    int FindWallSample(int& a, int& b) const;
    int TraceWallFaceEdges(int a, int b);
    void FollowWallLines(int count);

    const RingTables& Rings() const { return rings_; }

    // ---- State of the last trace ------------------------------------------

    double pLocalOffsetX = 0;
    int pLocalOffsetY = 0;

    LocalMap gWorkMap;
    LocalMap gDilatedMap;
    std::array<int, kHistogramSlots> pGreyHistogram{};

    int pRoofGrey = 0;
    int pRegionMinX = 1000;
    int pRegionMaxX = -1;
    int pRegionMinY = 1000;
    int pRegionMaxY = -1;

    int pWallGrey = 0;
    std::array<int, kWallFaceEdgeSlots> gWallFaceEdgeX{};
    std::array<int, kWallFaceEdgeSlots> gWallFaceEdgeY{};

    // x, y: the boundary listing.
    WorkTable<CellRow> LineCheckGrid{kLineCheckCapacity};
    // x, y, flag: the outline; later the wall paths ("A" top, "B" bottom, separators).
    WorkTable<FlaggedCellRow> LineDataGrid{kLocalCells};
    // x, y: the second contour trace; later the working copy of the outline.
    WorkTable<CellRow> LineData2Grid{kLocalCells};
    // outline index, flag "A", "B" or "C".
    WorkTable<PointNumRow> PointNumGrid{kCornerCapacity};
    // x, y, flag "B" for a corner too close to the one kept before it.
    WorkTable<FlaggedCellRow> TopPointGrid{kCornerCapacity};
    // top x, top y, bottom x, bottom y, length.
    WorkTable<WallPointRow> WallPointGrid{kWallCandidateCapacity};

  private:
    bool Probe(int wanted, int cx, int cy) const;

    RingTables rings_;
    // Per local cell: 0 not read yet, 1 no edge, 2 an edge (FillRoofSurface).
    mutable std::vector<std::uint8_t> edgeCache_ = std::vector<std::uint8_t>(kLocalCells, 0);
    const GreyImage* picture_ = nullptr;
    const EdgeField* edges_ = nullptr;
};

} // namespace velmora
