// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing and editing of roof outlines and wall lines on the record: the hit
// tests, the table operations that keep the point store, roof table and wall
// table consistent, and the decisions of the drawing and editing tools. The
// views keep the tool state (outline buffer, wall start, grab, active roof)
// and pass it in; these functions say what changed and what to redraw.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "data/BuildingData.h"
#include "data/DrawList.h"

namespace velmora {

// Slots of the outline buffer of the roof tool (corners plus closing point).
inline constexpr std::size_t kOutlineCapacity = 101;
// A click closer than this to the first corner closes the outline.
inline constexpr double kCloseDistance = 5;
// A click closer than this to a point or wall end picks it.
inline constexpr double kPickDistance = 6;
// A click closer than this to an edge (vertically, or horizontally for a
// vertical edge) hits it.
inline constexpr double kEdgeDistance = 5;
// A roof left with fewer points (two corners and the closing point) goes.
inline constexpr Count kSmallestOutline = 4;

// Why an edit did not happen; None when it did.
enum class EditRefusal {
    None,
    NoActiveRoof, // silent: the tool simply does nothing
    BadIndex,     // silent: a point, edge or wall that is not there
    OutlineFull,
    PointStoreFull,
    RoofTableFull,
    WallTableFull,
};

// The message box text for a refusal (UTF-8); empty when the refusal is
// silent.
std::string_view RefusalMessage(EditRefusal r);

// The coordinates a hit test reads: picture points or plan points.
enum class PointSpace { Picture, Plan };

// ---------------------------------------------------------------- drawing

// The outline being drawn with the roof tool.
struct OutlineBuffer {
    std::array<float, kOutlineCapacity> pDrawX{};
    std::array<float, kOutlineCapacity> pDrawY{};
    Count pDrawPointNum = 0;
};

// True when at least 3 points are stored and (x, y) is closer than 5 units
// to the first one.
bool IsTopAreaClosed(const OutlineBuffer& o, float x, float y);

// Appends the buffered outline (slots 0 ... pDrawPointNum - 1) as a new
// roof. Refused as a whole when the point store or roof table is full.
EditRefusal AddDrawnTopArea(BuildingData& d, const OutlineBuffer& o);

enum class RoofClickKind { PointAdded, RoofClosed, Refused };
struct RoofClickResult {
    RoofClickKind kind = RoofClickKind::Refused;
    EditRefusal refusal = EditRefusal::None;
    // The buffer was emptied (closed, or dropped because the record could
    // not take it): a full redraw removes the marks.
    bool outlineDropped = false;
};

// A left click of the roof tool at drawing position (x, y): stores the
// point, or closes the outline on its first point and appends it as a new
// roof. A point is refused while the buffer has no slot left besides the one
// kept for the closing point, or when the record could not take the outline
// with its closing point.
RoofClickResult RoofToolClick(BuildingData& d, OutlineBuffer& o, float x, float y);

// The picked upper end of a wall being drawn.
struct WallStart {
    Count pWallStartSet = 0;
    float pWallStartX = 0;
    float pWallStartY = 0;
};

// Point-store index of the first point of roof `active` closer than 6 units
// to (x, y); -1 when none or no valid active roof.
Count FindActiveTopPoint(const BuildingData& d, Count active, float x, float y);

// Appends the wall from the picked upper end to (x, y), owned by `active`.
EditRefusal AddWallEdge(BuildingData& d, Count active, const WallStart& s, float x, float y);

enum class WallClickKind { Nothing, StartPicked, WallAdded, Refused };
struct WallClickResult {
    WallClickKind kind = WallClickKind::Nothing;
    Count point = -1; // the picked roof point (StartPicked)
    EditRefusal refusal = EditRefusal::None;
};

// A left click of the wall tool at drawing position (x, y). StartPicked:
// the upper end snapped to roof point `point`. WallAdded: the wall from the
// start to (x, y) was appended and the start released (its position stays in
// `s` for the height display). A pick is refused when the wall table is
// full; a refused append releases the start.
WallClickResult WallToolClick(BuildingData& d, Count active, WallStart& s, float x, float y);

// -------------------------------------------------------------- hit tests

// Index of the first roof containing (x, y), or -1. An edge crosses the
// vertical through x when x lies in its half-open x range; a roof is found
// when exactly two of its edges cross there and y lies between them.
Count FindTopAreaAt(const BuildingData& d, float x, float y);

// The same on the plan map: (x, y) is a map position, plan points are
// scaled by `flatMapRate` (pixels per metre). -1 when the rate is 0.
Count FindFlatTopAreaAt(const BuildingData& d, float flatMapRate, float x, float y);

// 1 when y lies between the heights at x of the edges ending at points j1
// and j2 (both ends included), else -1 (also for a vertical edge, which has
// no height at x, and for indices outside the point store).
int IsBetweenEdges(const BuildingData& d, PointSpace space, Count j1, Count j2, double x, double y);

struct PointOrWallHit {
    // -1 nothing (or no active roof), 1 a point of the active roof, 2 a point
    // and a wall end, 3 a wall end only.
    int kind = -1;
    Count point = -1;
    Count wall = -1;
    // The position, snapped to the hit point's exact position.
    float x = 0;
    float y = 0;
};
PointOrWallHit FindActivePointOrWallEnd(const BuildingData& d, Count active, float x, float y);

struct EdgeHit {
    Count edge = -1; // point-store index of the end point of the hit edge
    float x = 0;     // foot point on the edge
    float y = 0;
};
// The first edge of roof `active` within 5 units of (x, y), measured
// vertically (horizontally for a vertical edge), inside the edge's extent.
EdgeHit FindActiveEdge(const BuildingData& d, Count active, float x, float y);

// Index of the first point of roof `active` whose map position (plan point
// times `flatMapRate`) is closer than 6 units to (x, y); -1 when none.
Count FindFlatPoint(const BuildingData& d, Count active, float flatMapRate, float x, float y);

// ------------------------------------------------------------------ edits

// Inserts (x, y) into roof `active` before its point e (an edge end, so
// start < e <= closing slot). Later roofs move up one slot.
EditRefusal InsertTopPoint(BuildingData& d, Count active, Count e, float x, float y);

// Removes slot k of the point store, moving the later points down, and
// keeps roof `active` closed when k was its first point. Counts and starts
// are left to the caller (internal step of the deletions).
void RemovePointSlot(BuildingData& d, Count active, Count k);

// Deletes point k of roof `active`. 1 roof kept, 0 roof removed (it was left
// with fewer than 4 points), -1 nothing done (no active roof, k not one of
// its points). Deleting the closing point deletes the corner it repeats.
int DeleteTopPoint(BuildingData& d, Count active, Count k);

// As DeleteTopPoint, also deleting wall w.
int DeleteTopPointAndWall(BuildingData& d, Count active, Count k, Count w);

// Deletes wall w. 1 when wall lines remain, 0 when none remain, -1 nothing
// done (no active roof, no wall w).
int DeleteWallEdge(BuildingData& d, Count active, Count w);

// Removes roof `active` with its points and walls; later roofs move down a
// row and their walls follow. False when there was nothing to remove.
bool RemoveActiveTopArea(BuildingData& d, Count active);

// ------------------------------------------------------ double-click table

enum class MenuState { Keep, Enable, Disable };

// A full redraw of the inclined view with these arguments, when needed.
struct SlopeRedraw {
    bool needed = false;
    Count active = -1;
    Count wallFlag = -1;
};

struct DoubleClickResult {
    Count active = -1; // the new active roof
    SlopeRedraw redraw;
    MenuState removeRoofMenu = MenuState::Keep; // "1屋根削除(&R)"
    bool changed = false;                       // one edit to count
    EditRefusal refusal = EditRefusal::None;
};

// A double-click of tool `inputMode` (0 ... 7) in the inclined view at the
// drawing position (x, y) of its first click, with `active` the current
// active roof. Selects, inserts or deletes; the one-click tool (7) and the
// zoom tool (1) are not handled here.
DoubleClickResult SlopeDoubleClick(BuildingData& d, int inputMode, Count active, float x, float y);

// --------------------------------------------------------------- move tool

struct MoveGrab {
    Count pGrabbed = -1; // 1 holding, 0 missed, -1 released
    Count pGrabPoint = -1;
    Count pGrabWallTop = -1;
    Count pGrabWallBottom = -1;
};

// What the move tool holds after a mouse-down that produced `hit`.
MoveGrab GrabFromHit(const PointOrWallHit& hit);

// One drag step: the record change and the XOR drawing that follows it
// (erase the handles of `shownMarks`, the old edges, circles and wall line,
// draw the new ones and the new handles). `box` is the new handle box.
struct DragStep {
    bool moved = false;
    DrawList ops;
    SelectBox box;
};

// Moves the held point (and the held wall end) of roof `active` to (x, y)
// in the inclined view. Holding the first point moves the closing point too.
DragStep MoveSlopePoint(BuildingData& d, Count active, const MoveGrab& g,
                        const SelectBox& shownMarks, float x, float y);

// Moves the held plan point of roof `active` to map position (x, y); the
// plan coordinates become (x, y) / flatMapRate. Nothing moves at rate 0.
DragStep MoveFlatPoint(BuildingData& d, Count active, float flatMapRate, Count grabPoint,
                       const SelectBox& shownMarks, float x, float y);

// ---------------------------------------------------------------- tracing

// What the one-click tool registers of a traced roof: the outline (ending on
// its first corner) as a new roof and, when the trace is sure of the height,
// its wall line as that roof's wall.
struct TracedRegistration {
    AppendResult roof = AppendResult::TooFewPoints; // Ok: appended as the last roof
    AppendResult wall = AppendResult::TooFewPoints; // Ok: appended; TooFewPoints: no wall given
};

// The roof is refused, record untouched, when the outline is empty or the
// record is full; the wall then is not tried. A wall refused for a full
// wall table leaves the roof registered.
TracedRegistration RegisterTracedRoof(BuildingData& d, const std::vector<PicturePoint>& outline,
                                      const PicturePoint* wallTop, const PicturePoint* wallBottom);

} // namespace velmora
