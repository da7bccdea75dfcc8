// Handlers whose behaviour comes with later work. Each does nothing yet; the
// work that writes one removes its definition here and defines it in a file
// of its own concern.
#include "app/InputLineFrm.h"
#include "workspace/PictureView.h"

namespace velmora {

// Roof and wall line drawing.
void InputLineFrm::TopLineMouseDown(int, QPointF) {}
void InputLineFrm::TopLineMouseMove(int, QPointF) {}
void InputLineFrm::WallLineMouseDown(int, QPointF) {}
void InputLineFrm::WallLineMouseMove(int, QPointF) {}

// Point and roof editing.
void InputLineFrm::MoveSlopeMouseDown(int, QPointF) {}
void InputLineFrm::MoveSlopeMouseMove(int, QPointF) {}
void InputLineFrm::MoveSlopeMouseUp(int, QPointF) {}
void InputLineFrm::MoveFlatMouseDown(int, QPointF) {}
void InputLineFrm::MoveFlatMouseMove(int, QPointF) {}
void InputLineFrm::MoveFlatMouseUp(int, QPointF) {}
void InputLineFrm::SlopeDoubleClick() {}
void InputLineFrm::FlatDoubleClick() {}
void InputLineFrm::Remove1TopAreaMenu_Click() {}
void InputLineFrm::ChangeBillHeightMenu_Click() {}

// Plan map: zoom tool and the map drawing. Until the map is drawn the canvas
// shows its caption only.
void InputLineFrm::FlatZoomMouseDown(int) {}
void InputLineFrm::ShowFlatLineMap(int) {
    PhotoPic->Cls();
    PhotoPic->SetMode(DrawMode::Copy);
    PhotoPic->Print(250, 300, QStringLiteral("平面図表示"), 16, true, QColor(128, 128, 128));
}

// North direction dial.
void InputLineFrm::AzimusTxt_Enter() {}
void InputLineFrm::PointImg_MouseMove(int, double, double) {}
void InputLineFrm::PointImg_MouseUp(int, double, double) {}

// Guided demo and manual windows.
void InputLineFrm::ShowDemoWindow() {}
void InputLineFrm::ShowManualWindow() {}

} // namespace velmora
