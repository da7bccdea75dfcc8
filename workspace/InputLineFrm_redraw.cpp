// The full redraw of the inclined view and the selection handles.
#include <algorithm>
#include <limits>

#include "app/InputLineFrm.h"
#include "data/SlopeView.h"
#include "workspace/PictureView.h"

namespace velmora {

namespace {
Count ToIndex(int v) {
    return static_cast<Count>(
        std::clamp<int>(v, std::numeric_limits<Count>::min(), std::numeric_limits<Count>::max()));
}
} // namespace

void InputLineFrm::ShowSlopeLineMap(int active, int wallFlag) {
    const SlopeDrawing drawing =
        velmora::ShowSlopeLineMap(data_, ToIndex(active), ToIndex(wallFlag), pActiveTopArea);
    PhotoPic->Paint(drawing.ops);
    PhotoPic->SetMode(drawing.modeAfter);
    if (drawing.marks) {
        RememberMarks(*drawing.marks);
    }
}

void InputLineFrm::ShowAllSlopeLines() {
    PhotoPic->Paint(velmora::ShowAllSlopeLines(data_));
    PhotoPic->SetMode(DrawMode::Copy);
}

void InputLineFrm::DrawSelectMarks(float maxX, float minX, float maxY, float minY) {
    DrawList ops;
    SelectBox box;
    box.maxX = maxX;
    box.minX = minX;
    box.maxY = maxY;
    box.minY = minY;
    const DrawMode mode = PhotoPic->Mode();
    AppendSelectMarks(ops, box, mode);
    PhotoPic->Paint(ops);
    PhotoPic->SetMode(mode);
    RememberMarks(box);
}

void InputLineFrm::EraseSelectMarks() {
    DrawSelectMarks(pMarkMaxX, pMarkMinX, pMarkMaxY, pMarkMinY);
}

} // namespace velmora
