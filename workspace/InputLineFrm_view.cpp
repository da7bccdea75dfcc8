// The switch between the inclined view and the plan map, the tools and their
// cursors, and hiding and restoring the picture.
#include <QAction>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "app/InputLineFrm.h"
#include "workspace/CursorFile.h"
#include "workspace/PictureView.h"
#include "workspace/RibbonGroup.h"

namespace velmora {

namespace {

// The plan-map canvas: outer size, and its coordinates (one unit a pixel,
// y up, origin 380 pixels from the left and 326 from the top).
constexpr int kCanvasOuterWidth = 785;
constexpr int kCanvasOuterHeight = 657;
constexpr double kCanvasScaleLeft = -380;
constexpr double kCanvasScaleTop = 326;
constexpr double kCanvasScaleWidth = 781;
constexpr double kCanvasScaleHeight = -653;

const QString kClearPhoto = QStringLiteral("画像消去");
const QString kRestorePhoto = QStringLiteral("戻す");

// Tools that only make sense on one of the two views.
constexpr int kSlopeOnlyTools[] = {2, 3, 5, 6};
constexpr int kFlatOnlyTool = 1;

} // namespace

void InputLineFrm::SelectSlopeView() {
    DispSlopeMapMenu->setChecked(true);
    DispFlatMapMenu->setChecked(false);
    SlopeOrFlatRbn->SetValue(0, true);
    SlopeOrFlatRbn->SetValue(1, false);
}

void InputLineFrm::SelectFlatView() {
    DispSlopeMapMenu->setChecked(false);
    DispFlatMapMenu->setChecked(true);
    SlopeOrFlatRbn->SetValue(1, true);
    SlopeOrFlatRbn->SetValue(0, false);
}

void InputLineFrm::DispSlopeMapMenu_Click() {
    SelectSlopeView();
}
void InputLineFrm::DispFlatMapMenu_Click() {
    SelectFlatView();
}

void InputLineFrm::SlopeOrFlatRbn_Click(int index, bool down) {
    if (!down)
        return;
    if (index == 0)
        EnterSlopeView();
    else if (index == 1)
        EnterFlatView();
}

void InputLineFrm::EnterSlopeView() {
    SetDefaultCursors();
    PhotoPic->SetDrawWidth(2);
    DispSlopeMapMenu->setChecked(true);
    DispFlatMapMenu->setChecked(false);
    InputModeMenu[kFlatOnlyTool]->setEnabled(false);
    InputModeRbn->Button(kFlatOnlyTool)->setEnabled(false);
    for (int t : kSlopeOnlyTools) {
        InputModeMenu[static_cast<std::size_t>(t)]->setEnabled(true);
        InputModeRbn->Button(t)->setEnabled(true);
    }
    ChangeBillHeightMenu->setEnabled(false);
    pActiveTopArea = -1;
    for (int i = 0; i <= 6; ++i)
        InputModeRbn->SetValue(i, false);
    // Back from the plan map: the view gets its picture size and picture
    // coordinates again, so outlines and new clicks keep meaning picture
    // pixels. The picture itself stays hidden until "戻す".
    if (pictureState_) {
        const PictureViewState& s = *pictureState_;
        PhotoPic->SetOuterGeometry(0, 0, s.width, s.height);
        PhotoPic->SetScale(s.scaleLeft, s.scaleTop, s.scaleWidth, s.scaleHeight);
        pictureState_.reset();
        CentrePhotoPic();
    }
    pViewMode = 1;
    ShowSlopeLineMap(-1, -1);
}

void InputLineFrm::EnterFlatView() {
    SetDefaultCursors();
    if (ValidateAltitudes() != 1) {
        SlopeOrFlatRbn->SetValue(1, false);
        return;
    }
    PhotoPic->RemovePicture();
    DispSlopeMapMenu->setChecked(false);
    DispFlatMapMenu->setChecked(true);
    InputModeMenu[kFlatOnlyTool]->setEnabled(true);
    InputModeRbn->Button(kFlatOnlyTool)->setEnabled(true);
    for (int t : kSlopeOnlyTools) {
        InputModeMenu[static_cast<std::size_t>(t)]->setEnabled(false);
        InputModeRbn->Button(t)->setEnabled(false);
    }
    ChangeBillHeightMenu->setEnabled(false);
    pActiveTopArea = -1;
    for (int i = 0; i <= 6; ++i)
        InputModeRbn->SetValue(i, false);
    pFlatMapRate =
        MapTables
            .gMapRate[static_cast<std::size_t>(std::clamp<int>(gMapScaleIndex, 0, kMaxMapLevel))];
    pViewMode = 2;
    PrepareFlatMapView();
}

void InputLineFrm::PrepareFlatMapView() {
    // Heights first: the plan points are lifted by them. Both measure with
    // the picture's width, also when the canvas is already up.
    const double pictureWidth = pictureState_ ? pictureState_->scaleWidth : PhotoPic->ScaleWidth();
    ComputeRoofHeights(data_, pictureWidth);
    ComputeRoofPlanPoints(data_, pictureWidth);
    if (!pictureState_)
        pictureState_ =
            PictureViewState{PhotoPic->Width(),    PhotoPic->Height(),     PhotoPic->ScaleLeft(),
                             PhotoPic->ScaleTop(), PhotoPic->ScaleWidth(), PhotoPic->ScaleHeight()};
    PhotoPic->SetOuterGeometry(0, 0, kCanvasOuterWidth, kCanvasOuterHeight);
    CentrePhotoPic();
    PhotoPic->SetScale(kCanvasScaleLeft, kCanvasScaleTop, kCanvasScaleWidth, kCanvasScaleHeight);
    ShowFlatLineMap(-1);
}

void InputLineFrm::InitMapScaleTables() {
    velmora::InitMapScaleTables(MapTables);
}

void InputLineFrm::InputModeRbn_Click(int index, bool down) {
    if (pViewMode == 1) {
        if (!down) {
            SetDefaultCursors();
            pInputMode = 0;
            return;
        }
        switch (index) {
        case 0:
            SetDefaultCursors();
            pInputMode = 0;
            pActiveTopArea = -1;
            ShowSlopeLineMap(-1, -1);
            break;
        case 1:
            SetToolCursor(QStringLiteral("Magnify.cur"));
            pInputMode = 1;
            pDrawPointNum = 0;
            break;
        case 2:
            if (ValidateAltitudes() == 1) {
                SetToolCursor(QStringLiteral("RedPen.ICO"));
                pInputMode = 2;
                pDrawPointNum = 0;
            } else {
                InputModeRbn->SetValue(2, false);
            }
            break;
        case 3:
            if (ValidateAltitudes() == 1) {
                SetToolCursor(QStringLiteral("BluePen.ICO"));
                pInputMode = 3;
                pWallStartSet = 0;
            } else {
                InputModeRbn->SetValue(3, false);
            }
            break;
        case 4:
            SetToolCursor(QStringLiteral("MovePen.ICO"));
            pInputMode = 4;
            break;
        case 5:
            SetToolCursor(QStringLiteral("AddPen.ICO"));
            pInputMode = 5;
            break;
        case 6:
            SetToolCursor(QStringLiteral("Remove.ICO"));
            pInputMode = 6;
            break;
        case 7:
            if (ValidateAltitudes() == 1) {
                SetToolCursor(QStringLiteral("ARW10NW2.ICO"));
                pInputMode = 7;
                pDrawPointNum = 0;
            } else {
                InputModeRbn->SetValue(7, false);
            }
            break;
        default:
            break;
        }
    } else if (pViewMode == 2) {
        if (!down)
            return;
        switch (index) {
        case 0:
            SetDefaultCursors();
            pInputMode = 0;
            pActiveTopArea = -1;
            ShowFlatLineMap(-1);
            break;
        case 1:
            SetToolCursor(QStringLiteral("Magnify.cur"));
            pInputMode = 1;
            break;
        case 4:
            SetToolCursor(QStringLiteral("MovePen.ICO"));
            pInputMode = 4;
            break;
        default:
            break;
        }
    }
}

void InputLineFrm::InputModeMenu_Click(int index) {
    // Like the buttons, but without the altitude check and without touching
    // the buttons' state.
    if (pViewMode == 1) {
        switch (index) {
        case 0:
            SetDefaultCursors();
            pInputMode = 0;
            pActiveTopArea = -1;
            ShowSlopeLineMap(-1, -1);
            break;
        case 2:
            SetToolCursor(QStringLiteral("RedPen.ICO"));
            pInputMode = 2;
            pDrawPointNum = 0;
            break;
        case 3:
            SetToolCursor(QStringLiteral("BluePen.ICO"));
            pInputMode = 3;
            pWallStartSet = 0;
            break;
        case 4:
            SetToolCursor(QStringLiteral("MovePen.ICO"));
            pInputMode = 4;
            break;
        case 5:
            SetToolCursor(QStringLiteral("AddPen.ICO"));
            pInputMode = 5;
            break;
        case 6:
            SetToolCursor(QStringLiteral("Remove.ICO"));
            pInputMode = 6;
            break;
        default:
            break;
        }
    } else if (pViewMode == 2) {
        switch (index) {
        case 0:
            SetDefaultCursors();
            pInputMode = 0;
            pActiveTopArea = -1;
            ShowFlatLineMap(-1);
            break;
        case 4:
            SetToolCursor(QStringLiteral("POINT14.ICO"));
            pInputMode = 4;
            break;
        default:
            break;
        }
    }
}

void InputLineFrm::StopDrawLineMenu_Click() {
    SetDefaultCursors();
    pInputMode = 0;
    pActiveTopArea = -1;
    // The change count stays: stopping a tool saves nothing, and a later
    // close must still offer to save the edits made so far.
}

void InputLineFrm::ClearPhotoCmd_Click() {
    if (ClearPhotoCmd->text() == kClearPhoto) {
        PhotoPic->RemovePicture();
        ShowAllSlopeLines();
        SetDefaultCursors();
        ClearPhotoCmd->setText(kRestorePhoto);
    } else {
        SetDefaultCursors();
        ClearPhotoCmd->setText(kClearPhoto);
        PhotoPic->CopyPictureFrom(*PhotoPic2);
        ShowSlopeLineMap(-1, -1);
    }
}

void InputLineFrm::SetDefaultCursors() {
    BasePic->unsetCursor();
    PhotoPic->unsetCursor();
}

void InputLineFrm::SetToolCursor(const QString& file) {
    // The window's part is the frame around the picture: the other controls
    // keep their own pointers.
    const QString path = BuiltInFile(QStringLiteral("ico/") + file);
    if (const auto c = LoadCursorFile(path))
        BasePic->setCursor(*c);
    if (const auto c = LoadCursorFile(path))
        PhotoPic->setCursor(*c);
}

QPointF InputLineFrm::HotSpotPosition(double x, double y) const {
    switch (pInputMode) {
    case 2:
    case 3:
        return QPointF(x - 14, y + 14);
    case 4:
        return QPointF(x - 13, y + 13);
    case 5:
    case 6:
        return QPointF(x - 1, y);
    case 7:
        return QPointF(x - 10, y + 10);
    default:
        return QPointF(x, y);
    }
}

ViewGeometry InputLineFrm::PictureGeometry() const {
    const int w = pictureState_ ? pictureState_->width : PhotoPic->Width();
    const int h = pictureState_ ? pictureState_->height : PhotoPic->Height();
    ViewGeometry g;
    g.height = static_cast<float>(h);
    g.width = static_cast<float>(w);
    g.top = static_cast<float>((BasePic->height() - h) / 2);
    g.left = static_cast<float>((BasePic->width() - w) / 2);
    return g;
}

void InputLineFrm::ApplyViewGeometry(const ViewGeometry& g) {
    // The frame here is larger than the one the offsets were measured in and
    // follows the window's size: the view is centred in it instead.
    auto px = [](float v) {
        return std::isfinite(v) ? static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0e5f))) : 0;
    };
    // While the plan map holds the view, the picture's size waits for the
    // way back.
    if (pictureState_) {
        pictureState_->width = px(g.width);
        pictureState_->height = px(g.height);
    } else {
        PhotoPic->SetOuterGeometry(0, 0, px(g.width), px(g.height));
    }
    PhotoPic2->SetOuterGeometry(0, 0, px(g.width), px(g.height));
    CentrePhotoPic();
}

void InputLineFrm::SetPictureCoordinates(double h, double w) {
    h = std::abs(h);
    w = std::abs(w);
    for (PictureView* v : {PhotoPic, PhotoPic2})
        v->SetScale(-w / 2, h / 2, w, -h);
    CentrePhotoPic();
}

void InputLineFrm::CentrePhotoPic() {
    for (PictureView* v : {PhotoPic, PhotoPic2})
        v->move((BasePic->width() - v->Width()) / 2, (BasePic->height() - v->Height()) / 2);
}

} // namespace velmora
