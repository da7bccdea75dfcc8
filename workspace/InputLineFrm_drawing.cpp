// The roof and wall tools of the inclined view: click marks, XOR rubber
// bands, and the appends through the editing core. The height of a new wall
// is measured at once.
#include <QLineEdit>
#include <cmath>

#include "app/InputLineFrm.h"
#include "data/Conventions.h"
#include "data/Editing.h"
#include "geometry/CameraModel.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"

namespace velmora {

namespace {
QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}
} // namespace

void InputLineFrm::ShowRefusal(EditRefusal r) {
    const std::string_view text = RefusalMessage(r);
    if (!text.empty())
        prompts_.Message(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void InputLineFrm::ShowWallHeight(float yUpper, float yLower) {
    UpdateViewGeometry(data_, AltitudeTexts(), PhotoPic->ScaleWidth());
    const double m = data_.gPhotoMetrePerUnit;
    const std::optional<double> h =
        WallHeight(data_.gSlideAngle * kDegToRad, data_.gFlatHeight, m * yLower, m * yUpper);
    // A height that cannot be measured leaves the box as it was.
    if (h && std::isfinite(*h))
        HeightTxt->setText(QString::fromStdString(FormatFixed1(*h)));
}

void InputLineFrm::TopLineMouseDown(int button, QPointF p) {
    if (button != PictureView::kLeftButton)
        return;
    const float x = static_cast<float>(p.x());
    const float y = static_cast<float>(p.y());
    PhotoPic->SetDrawWidth(2);
    PhotoPic->SetMode(DrawMode::Xor);
    PhotoPic->Circle(x, y, kMarkerRadius, ToQColor(kClickMarkColour));
    pDownX = x;
    pDownY = y;
    pLastX = x;
    pLastY = y;

    OutlineBuffer o;
    o.pDrawX = pDrawX;
    o.pDrawY = pDrawY;
    o.pDrawPointNum = pDrawPointNum;
    const RoofClickResult r = RoofToolClick(data_, o, x, y);
    pDrawX = o.pDrawX;
    pDrawY = o.pDrawY;
    pDrawPointNum = o.pDrawPointNum;
    switch (r.kind) {
    case RoofClickKind::PointAdded:
        break;
    case RoofClickKind::RoofClosed:
        ShowSlopeLineMap(-1, -1);
        CountEdit();
        break;
    case RoofClickKind::Refused:
        // The refused click leaves no mark behind.
        if (r.outlineDropped)
            ShowSlopeLineMap(-1, -1);
        else
            PhotoPic->Circle(x, y, kMarkerRadius, ToQColor(kClickMarkColour));
        ShowRefusal(r.refusal);
        break;
    }
}

void InputLineFrm::TopLineMouseMove(int, QPointF p) {
    if (pDrawPointNum <= 0)
        return;
    const QColor c = ToQColor(kRoofRubberColour);
    const DrawMode mode = PhotoPic->Mode();
    PhotoPic->SetMode(DrawMode::Xor);
    PhotoPic->Line(pDownX, pDownY, pLastX, pLastY, c);
    pLastX = static_cast<float>(p.x());
    pLastY = static_cast<float>(p.y());
    PhotoPic->Line(pDownX, pDownY, pLastX, pLastY, c);
    PhotoPic->SetMode(mode);
}

void InputLineFrm::WallLineMouseDown(int button, QPointF p) {
    if (button != PictureView::kLeftButton)
        return;
    const float x = static_cast<float>(p.x());
    const float y = static_cast<float>(p.y());
    PhotoPic->SetDrawWidth(2);
    WallStart s;
    s.pWallStartSet = pWallStartSet;
    s.pWallStartX = pWallStartX;
    s.pWallStartY = pWallStartY;
    const WallClickResult r = WallToolClick(data_, pActiveTopArea, s, x, y);
    pWallStartSet = s.pWallStartSet;
    pWallStartX = s.pWallStartX;
    pWallStartY = s.pWallStartY;
    switch (r.kind) {
    case WallClickKind::Nothing:
        break;
    case WallClickKind::StartPicked:
        pLastX = pWallStartX;
        pLastY = pWallStartY;
        PhotoPic->Circle(pWallStartX, pWallStartY, kMarkerRadius, ToQColor(kWallDrawColour));
        break;
    case WallClickKind::WallAdded:
        ShowSlopeLineMap(pActiveTopArea, data_.gWallEdgeNumber + 1);
        ShowWallHeight(pWallStartY, y);
        CountEdit();
        break;
    case WallClickKind::Refused:
        ShowSlopeLineMap(pActiveTopArea, data_.gWallEdgeNumber + 1);
        ShowRefusal(r.refusal);
        break;
    }
    pDownX = x;
    pDownY = y;
}

void InputLineFrm::WallLineMouseMove(int, QPointF p) {
    if (pWallStartSet != 1)
        return;
    const QColor c = ToQColor(kWallDrawColour);
    PhotoPic->Line(pWallStartX, pWallStartY, pLastX, pLastY, c);
    pLastX = static_cast<float>(p.x());
    pLastY = static_cast<float>(p.y());
    PhotoPic->Line(pWallStartX, pWallStartY, pLastX, pLastY, c);
    CountEdit();
}

} // namespace velmora
