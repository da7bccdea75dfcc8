// SPDX-License-Identifier: GPL-3.0-or-later
// The project data file: one BuildingData record plus the picture view's
// geometry as comma-separated text, one record per line, CR LF line ends.
// It is also the hand-over format to the reception/sunshine predictor, so its
// layout is fixed.
//
//   1        north angle ("##0")
//   2        view height, width (general), top, left ("###0")
//   3        gSourceHeight, gFlatHeight, gSlideHeight, gSlideAngle (general)
//   4        N points, then N lines "x,y" ("####0.0")
//   next     R roofs, then R lines "start,count,status,height" ("####0.0")
//   next     W walls, then W lines "x1,y1,x2,y2,owner" ("####0.0")
#pragma once

#include <string>
#include <string_view>

#include "data/BuildingData.h"

namespace velmora {

struct FileResult {
    bool ok = true;
    // 1-based line the failure refers to; 0 when it concerns the file as a
    // whole (cannot be opened, created or renamed).
    int line = 0;
    // Human-readable reason, already prefixed with "line N: " when line > 0.
    std::string error;
    // The same in English where `error` is in Japanese (velmora-cli's
    // output is English); empty when `error` is English already.
    std::string english;

    const std::string& English() const { return english.empty() ? error : english; }
};

// The exact text the writer puts on disk (CR LF line ends). Counts outside
// their table capacity are clamped so the text always reads back.
std::string ProjectFileText(const BuildingData& d, const ViewGeometry& view);

// True when a written record is worth reading back at the next start: at
// least one point, more than two roofs and at least one wall line.
bool WorthKeepingAsTempData(const BuildingData& d);

// Writes the record to `path`. A symbolic link is followed: the file it
// names is replaced and the link stays. The text goes to a temporary file
// with a fresh name in the target's folder (created exclusively, never
// through a link), is synced to disk and then replaces the target, so a
// failed save or a power cut never damages an existing file. The new file
// keeps the replaced file's mode; a file the user may not write is not
// replaced. On success gTempDataSTS is set from WorthKeepingAsTempData; on
// failure it is left as it was and nothing at `path` changes.
FileResult WriteProjectFile(BuildingData& d, const ViewGeometry& view, const std::string& path);

// Reads `path` into the record (view parameters, the three tables and
// gFlatTopAreaX/Y of every point line) and the view geometry of line 2 into
// `viewOut`. Missing or non-numeric fields read as 0; LF or CR LF line ends,
// a leading UTF-8 byte-order mark and blanks around fields are accepted. A
// file that cannot be trusted (larger than 16 MB, judged from its size
// before it is read; a NUL or non-ASCII byte; no number on line 2; a count
// outside its capacity, a file ending before its counts are satisfied, a roof
// run past the point count, a wall owner naming no roof, a number too large
// for a 32-bit float) fails as a whole: the tables are then cleared (all
// counts 0), and neither the view parameters nor `viewOut` change. No
// exception escapes; running out of memory is a failed read.
// The caller places the compass point, fills the boxes and redraws.
FileResult ReadProjectFile(BuildingData& d, const std::string& path, ViewGeometry& viewOut);

// The same as ReadProjectFile for text already in memory.
FileResult ReadProjectText(BuildingData& d, std::string_view text, ViewGeometry& viewOut);

// Splits `text` at the one-character `separator` into d.gSplitField (51
// slots) and returns the index of the last field, -1 for no field or an
// empty separator. Only fields 0 to 10 are cleared beforehand. A separator
// right after another separator belongs to the next field; a trailing
// separator gives no empty last field; a separator in the first position
// yields an empty field 0. Fields are trimmed of blanks. Text beyond the last
// slot stays in the last slot instead of being lost past the array.
int SplitLine(BuildingData& d, std::string_view text, std::string_view separator);

// The same algorithm into d.gPathField (31 slots), except that a separator in
// the first position becomes the first character of field 0.
int SplitPath(BuildingData& d, std::string_view text, std::string_view separator);

} // namespace velmora
