// The north-direction dial: the typed bearing and the dragged point.
#include <QLineEdit>

#include "app/InputLineFrm.h"
#include "geometry/Compass.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"

namespace velmora {

void InputLineFrm::AzimusTxt_Enter() {
    const TypedBearing t = EnterTypedBearing(AzimusTxt->text().toStdString());
    if (!t.message.empty())
        prompts_.Message(
            this, QString::fromUtf8(t.message.data(), static_cast<qsizetype>(t.message.size())));
    if (t.replaceText)
        AzimusTxt->setText(QString::fromStdString(t.text));
    MovePointImg(t.point.left, t.point.top);
    data_.gNorthAngle = t.northAngle;
    CountEdit();
    if (t.updateNorth) {
        PhotoPic->SetDrawWidth(2);
        UpdateNorthAngle();
    }
}

void InputLineFrm::PointImg_MouseMove(int buttons, double x, double y) {
    if (!(buttons & PictureView::kLeftButton))
        return;
    const CompassPoint p =
        DragCompassPoint({PointImgLeft, PointImgTop}, static_cast<float>(x), static_cast<float>(y));
    MovePointImg(p.left, p.top);
}

void InputLineFrm::PointImg_MouseUp(int button, double, double) {
    if (button != PictureView::kLeftButton)
        return;
    const CompassDrop d = DropCompassPoint({PointImgLeft, PointImgTop});
    AzimusTxt->setText(QString::fromStdString(d.text));
    MovePointImg(d.point.left, d.point.top);
    data_.gNorthAngle = static_cast<float>(d.bearing);
    CountEdit();
    PhotoPic->SetDrawWidth(2);
    UpdateNorthAngle();
}

} // namespace velmora
