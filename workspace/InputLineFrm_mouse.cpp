// Mouse events of the picture view. Every position is first shifted to the
// tip of the current tool's cursor; then the event goes to the handler of
// the current view and tool.
#include <QMenu>

#include "app/InputLineFrm.h"
#include "workspace/PictureView.h"

namespace velmora {

void InputLineFrm::PhotoPic_MouseDown(int button, double x, double y) {
    const QPointF p = HotSpotPosition(x, y);
    // The double-click handlers act where the first click went down.
    if (button == PictureView::kLeftButton && pInputMode != 1) {
        pDownX = static_cast<float>(p.x());
        pDownY = static_cast<float>(p.y());
    }
    if (pViewMode == 1) {
        switch (pInputMode) {
        case 2:
            TopLineMouseDown(button, p);
            break;
        case 3:
            WallLineMouseDown(button, p);
            break;
        case 4:
            MoveSlopeMouseDown(button, p);
            break;
        default:
            break;
        }
    } else if (pViewMode == 2) {
        switch (pInputMode) {
        case 1:
            FlatZoomMouseDown(button);
            break;
        case 4:
            MoveFlatMouseDown(button, p);
            break;
        default:
            break;
        }
    }
}

void InputLineFrm::PhotoPic_MouseMove(int buttons, double x, double y) {
    const QPointF p = HotSpotPosition(x, y);
    if (pViewMode == 1) {
        switch (pInputMode) {
        case 2:
            TopLineMouseMove(buttons, p);
            break;
        case 3:
            WallLineMouseMove(buttons, p);
            break;
        case 4:
            MoveSlopeMouseMove(buttons, p);
            break;
        default:
            break;
        }
    } else if (pViewMode == 2 && pInputMode == 4) {
        MoveFlatMouseMove(buttons, p);
    }
}

void InputLineFrm::PhotoPic_MouseUp(int button, double x, double y) {
    const QPointF p = HotSpotPosition(x, y);
    if (pInputMode == 4) {
        if (pViewMode == 1)
            MoveSlopeMouseUp(button, p);
        else if (pViewMode == 2)
            MoveFlatMouseUp(button, p);
    }
    // The edit menu at the pointer, except for the zoom tool (which uses the
    // right button itself) and the one-click tool.
    if (button == PictureView::kRightButton && pInputMode != 1 && pInputMode != 7) {
        const QPointF px = PhotoPic->ToPixel(x, y);
        EditPhotoLineMenu->popup(
            PhotoPic->mapToGlobal(QPoint(static_cast<int>(px.x()) + PictureView::kBorder,
                                         static_cast<int>(px.y()) + PictureView::kBorder)));
    }
}

void InputLineFrm::PhotoPic_DblClick() {
    if (pViewMode == 1) {
        if (pInputMode == 7)
            TraceRoofAtClick();
        else if (pInputMode != 1)
            SlopeDoubleClick();
    } else if (pViewMode == 2 && pInputMode == 0) {
        FlatDoubleClick();
    }
}

} // namespace velmora
