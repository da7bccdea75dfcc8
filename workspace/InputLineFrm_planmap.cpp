// The plan map on the picture view's canvas: the drawing, the zoom tool, and
// the north-up redraw after the north direction changed.
#include <algorithm>

#include "app/InputLineFrm.h"
#include "geometry/FlatMap.h"
#include "workspace/PictureView.h"

namespace velmora {

namespace {
Count ClampLevel(int level) {
    return static_cast<Count>(std::clamp<int>(level, 0, kMaxMapLevel));
}
} // namespace

void InputLineFrm::ShowFlatLineMap(int index1) {
    const Count active = static_cast<Count>(std::clamp<int>(index1, -1, kRoofCapacity - 1));
    const FlatMapView view = velmora::ShowFlatLineMap(data_, MapTables, active);
    gMapScaleIndex = view.level;
    pFlatMapRate = view.drawing.flatMapRate;
    PhotoPic->Paint(view.drawing.ops);
    PhotoPic->SetMode(view.drawing.modeAfter);
    if (view.drawing.marks) {
        RememberMarks(*view.drawing.marks);
    }
}

void InputLineFrm::FlatZoomMouseDown(int button) {
    if (button != PictureView::kLeftButton && button != PictureView::kRightButton)
        return;
    gMapScaleIndex =
        ZoomLevelAfterClick(ClampLevel(gMapScaleIndex), button == PictureView::kLeftButton);
    const MapDrawing map = DrawFlatLineMap(data_, MapTables, gMapScaleIndex, pActiveTopArea);
    pFlatMapRate = map.flatMapRate;
    DrawList ops = map.ops;
    const DrawList bar = DrawMapScaleBar(MapTables, gMapScaleIndex, map.modeAfter);
    ops.insert(ops.end(), bar.begin(), bar.end());
    const DrawList arrow = DrawNorthArrow(map.modeAfter);
    ops.insert(ops.end(), arrow.begin(), arrow.end());
    PhotoPic->Paint(ops);
    PhotoPic->SetMode(map.modeAfter);
    if (map.marks) {
        RememberMarks(*map.marks);
    }
}

void InputLineFrm::UpdateNorthAngle() {
    const DrawMode mode = PhotoPic->Mode();
    const DrawList ops = UpdateNorthAngleOps(data_, MapTables, ClampLevel(gMapScaleIndex), mode);
    PhotoPic->Paint(ops);
    if (ops.empty())
        PhotoPic->SetMode(mode);
    // The north-up map works in the map's rate.
    pFlatMapRate = MapTables.gMapRate[static_cast<std::size_t>(ClampLevel(gMapScaleIndex))];
}

} // namespace velmora
