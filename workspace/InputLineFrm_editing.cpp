// Selecting and editing roofs: double-clicks in both views, the move tool's
// drags, removing the selected roof and changing a building's height.
#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <cmath>
#include <limits>

#include "app/InputLineFrm.h"
#include "data/Conventions.h"
#include "data/Editing.h"
#include "workspace/PictureView.h"

namespace velmora {

namespace {

void ApplyMenuState(QAction* item, MenuState s) {
    if (s == MenuState::Enable)
        item->setEnabled(true);
    else if (s == MenuState::Disable)
        item->setEnabled(false);
}

} // namespace

void InputLineFrm::CountEdit() {
    if (pChangeCount < std::numeric_limits<Count>::max())
        ++pChangeCount;
}

void InputLineFrm::SlopeDoubleClick() {
    const DoubleClickResult r =
        velmora::SlopeDoubleClick(data_, pInputMode, pActiveTopArea, pDownX, pDownY);
    pActiveTopArea = r.active;
    if (r.redraw.needed)
        ShowSlopeLineMap(r.redraw.active, r.redraw.wallFlag);
    ApplyMenuState(Remove1TopAreaMenu, r.removeRoofMenu);
    if (r.changed)
        CountEdit();
    ShowRefusal(r.refusal);
}

void InputLineFrm::FlatDoubleClick() {
    const Count i = FindFlatTopAreaAt(data_, pFlatMapRate, pDownX, pDownY);
    if (i >= 0) {
        pActiveTopArea = i;
        ShowFlatLineMap(i);
        ChangeBillHeightMenu->setEnabled(true);
    } else {
        ShowFlatLineMap(-1);
        ChangeBillHeightMenu->setEnabled(false);
        pActiveTopArea = -1;
    }
}

void InputLineFrm::Remove1TopAreaMenu_Click() {
    if (RemoveActiveTopArea(data_, pActiveTopArea))
        CountEdit();
    pActiveTopArea = -1;
    Remove1TopAreaMenu->setEnabled(false);
    ShowSlopeLineMap(-1, -1);
}

void InputLineFrm::MoveSlopeMouseDown(int button, QPointF p) {
    if (button != PictureView::kLeftButton)
        return;
    PhotoPic->SetDrawWidth(2);
    float x = static_cast<float>(p.x());
    float y = static_cast<float>(p.y());
    MoveGrab g;
    g.pGrabbed = 0;
    if (pActiveTopArea >= 0) {
        const PointOrWallHit hit = FindActivePointOrWallEnd(data_, pActiveTopArea, x, y);
        g = GrabFromHit(hit);
        if (hit.kind > 0) {
            x = hit.x;
            y = hit.y;
        }
    }
    pGrabbed = g.pGrabbed;
    pGrabPoint = g.pGrabPoint;
    pGrabWallTop = g.pGrabWallTop;
    pGrabWallBottom = g.pGrabWallBottom;
    pDownX = x;
    pDownY = y;
}

SelectBox InputLineFrm::ShownMarks() const {
    SelectBox shown;
    shown.maxX = pMarkMaxX;
    shown.minX = pMarkMinX;
    shown.maxY = pMarkMaxY;
    shown.minY = pMarkMinY;
    return shown;
}

void InputLineFrm::RememberMarks(const SelectBox& box) {
    pMarkMaxX = static_cast<float>(box.maxX);
    pMarkMinX = static_cast<float>(box.minX);
    pMarkMaxY = static_cast<float>(box.maxY);
    pMarkMinY = static_cast<float>(box.minY);
}

void InputLineFrm::MoveSlopeMouseMove(int, QPointF p) {
    if (pGrabbed != 1)
        return;
    MoveGrab g;
    g.pGrabbed = pGrabbed;
    g.pGrabPoint = pGrabPoint;
    g.pGrabWallTop = pGrabWallTop;
    g.pGrabWallBottom = pGrabWallBottom;
    const SelectBox shown = ShownMarks();
    const float x = static_cast<float>(p.x());
    const float y = static_cast<float>(p.y());
    const DragStep step = MoveSlopePoint(data_, pActiveTopArea, g, shown, x, y);
    const DrawMode mode = PhotoPic->Mode();
    PhotoPic->Paint(step.ops);
    PhotoPic->SetMode(mode);
    if (!step.ops.empty()) {
        RememberMarks(step.box);
    }
    pLastX = x;
    pLastY = y;
    CountEdit();
}

void InputLineFrm::MoveSlopeMouseUp(int button, QPointF) {
    if (button != PictureView::kLeftButton || pGrabbed != 1)
        return;
    const int w = pGrabWallBottom;
    if (w >= 0 && w < data_.gWallEdgeNumber && w < static_cast<int>(kWallCapacity)) {
        const auto i = static_cast<std::size_t>(w);
        ShowWallHeight(data_.gFirstWallEdgeY[i], data_.gSecondWallEdgeY[i]);
        CountEdit();
    }
    pGrabbed = -1;
}

void InputLineFrm::MoveFlatMouseDown(int button, QPointF p) {
    if (button != PictureView::kLeftButton)
        return;
    const float x = static_cast<float>(p.x());
    const float y = static_cast<float>(p.y());
    const Count k =
        pActiveTopArea >= 0 ? FindFlatPoint(data_, pActiveTopArea, pFlatMapRate, x, y) : Count{-1};
    if (k >= 0) {
        pGrabPoint = k;
        pGrabbed = 1;
        CountEdit();
    } else {
        pGrabPoint = -1;
        pGrabbed = 0;
    }
    pDownX = x;
    pDownY = y;
}

void InputLineFrm::MoveFlatMouseMove(int, QPointF p) {
    if (pGrabbed != 1)
        return;
    const SelectBox shown = ShownMarks();
    const DragStep step = MoveFlatPoint(data_, pActiveTopArea, pFlatMapRate, pGrabPoint, shown,
                                        static_cast<float>(p.x()), static_cast<float>(p.y()));
    const DrawMode mode = PhotoPic->Mode();
    PhotoPic->Paint(step.ops);
    PhotoPic->SetMode(mode);
    if (!step.ops.empty()) {
        RememberMarks(step.box);
    }
}

void InputLineFrm::MoveFlatMouseUp(int button, QPointF) {
    if (button == PictureView::kLeftButton && pGrabbed == 1)
        pGrabbed = -1;
}

void InputLineFrm::ChangeBillHeightMenu_Click() {
    const int a = pActiveTopArea;
    if (a < 0 || a >= data_.gEachTopAreaNumber || a >= static_cast<int>(kRoofCapacity))
        return;
    const auto i = static_cast<std::size_t>(a);
    const QString text = QStringLiteral(
        "建物の高さ（m）を入力してください（0～1000）。\n"
        "側壁ラインのある建物は、次に平面図を表示したときに側壁ラインから高さが計算し直されます。");
    std::optional<double> v;
    if (AskBuildingHeight) {
        v = AskBuildingHeight(this, text, data_.gFlatTopHeight[i]);
    } else {
        bool ok = false;
        const double got = QInputDialog::getDouble(this, QStringLiteral("建物高さ変更"), text,
                                                   data_.gFlatTopHeight[i], 0, 1000, 1, &ok);
        if (ok)
            v = got;
    }
    if (!v || !std::isfinite(*v) || *v < 0 || *v > 1000)
        return;
    data_.gFlatTopHeight[i] = static_cast<float>(RoundHalfEven(*v * 10) / 10);
    CountEdit();
    ShowFlatLineMap(a);
}

} // namespace velmora
