// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/PicturePane.h"

#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "workspace/PictureView.h"

namespace velmora {

namespace {

// The working view's design size: the plan-map canvas (785 x 657).
constexpr int kPhotoPicWidth = 785;
constexpr int kPhotoPicHeight = 657;

// The plan-map canvas' coordinates: one unit a pixel, y up, origin 380
// pixels from the left and 326 from the top.
constexpr double kCanvasScaleLeft = -380;
constexpr double kCanvasScaleTop = 326;
constexpr double kCanvasScaleWidth = 781;
constexpr double kCanvasScaleHeight = -653;

} // namespace

PicturePane::PicturePane(QWidget* parent)
    : QWidget(parent), BasePic(this), PhotoPic(new PictureView(this)),
      PhotoPic2(new PictureView(this)) {
    BasePic->setObjectName(QStringLiteral("BasePic"));
    BasePic->setAutoFillBackground(true);
    QPalette pal = BasePic->palette();
    pal.setColor(QPalette::Window, Qt::white);
    BasePic->setPalette(pal);
    BasePic->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    BasePic->setMinimumSize(400, 300);
    PhotoPic->setObjectName(QStringLiteral("PhotoPic"));
    // Keyboard focus starts on the picture, not in an altitude box: a box
    // that has had the focus makes the loaders' writes follow in the other
    // unit.
    PhotoPic->setFocusPolicy(Qt::StrongFocus);
    PhotoPic->setFocus();
    PhotoPic->SetOuterGeometry(0, 0, kPhotoPicWidth, kPhotoPicHeight);
    PhotoPic2->setObjectName(QStringLiteral("PhotoPic2"));
    PhotoPic2->SetOuterGeometry(0, 0, kPhotoPicWidth, kPhotoPicHeight);
    PhotoPic2->hide();

    // Centred coordinates with y up for the view and its hidden copy.
    const double h = PhotoPic->ScaleHeight();
    const double w = PhotoPic->ScaleWidth();
    PhotoPic->SetScale(-w / 2, h / 2, w, -h);
    PhotoPic2->SetScale(-w / 2, h / 2, w, -h);
    PhotoPic->SetDrawWidth(2);
    PhotoPic->SetMode(DrawMode::Xor);
    CentrePhotoPic();
}

void PicturePane::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    CentrePhotoPic();
}

void PicturePane::ShowPicture(const QImage& picture) {
    for (PictureView* v : {PhotoPic, PhotoPic2}) {
        v->SetPicture(picture);
        v->SizeToPicture();
    }
}

PicturePane::PictureFrame PicturePane::Frame() const {
    const PictureView& v = *PhotoPic2;
    return {v.Width(), v.Height(), v.ScaleLeft(), v.ScaleTop(), v.ScaleWidth(), v.ScaleHeight()};
}

void PicturePane::RestorePicture(const QImage& picture, const PictureFrame& f, bool shown) {
    PhotoPic2->SetPicture(picture);
    PhotoPic2->SetOuterGeometry(0, 0, f.width, f.height);
    PhotoPic2->SetScale(f.scaleLeft, f.scaleTop, f.scaleWidth, f.scaleHeight);
    if (saved_) {
        saved_ = f;
        pictureOnReturn_ = shown;
    } else {
        if (shown)
            PhotoPic->SetPicture(picture);
        else
            PhotoPic->RemovePicture();
        PhotoPic->SetOuterGeometry(0, 0, f.width, f.height);
        PhotoPic->SetScale(f.scaleLeft, f.scaleTop, f.scaleWidth, f.scaleHeight);
    }
    CentrePhotoPic();
}

void PicturePane::SetPictureCoordinates(double h, double w) {
    h = std::abs(h);
    w = std::abs(w);
    for (PictureView* v : {PhotoPic, PhotoPic2})
        v->SetScale(-w / 2, h / 2, w, -h);
    CentrePhotoPic();
}

void PicturePane::CentrePhotoPic() {
    for (PictureView* v : {PhotoPic, PhotoPic2})
        v->move((BasePic->width() - v->Width()) / 2, (BasePic->height() - v->Height()) / 2);
}

ViewGeometry PicturePane::PictureGeometry() const {
    const int w = saved_ ? saved_->width : PhotoPic->Width();
    const int h = saved_ ? saved_->height : PhotoPic->Height();
    ViewGeometry g;
    g.height = static_cast<float>(h);
    g.width = static_cast<float>(w);
    g.top = static_cast<float>((BasePic->height() - h) / 2);
    g.left = static_cast<float>((BasePic->width() - w) / 2);
    return g;
}

void PicturePane::ApplyViewGeometry(const ViewGeometry& g) {
    // The frame here is larger than the one the offsets were measured in and
    // follows the window's size: the view is centred in it instead.
    auto px = [](float v) {
        return std::isfinite(v) ? static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0e5f))) : 0;
    };
    // While the plan map holds the view, the picture's size waits for the
    // way back.
    if (saved_) {
        saved_->width = px(g.width);
        saved_->height = px(g.height);
    } else {
        PhotoPic->SetOuterGeometry(0, 0, px(g.width), px(g.height));
    }
    PhotoPic2->SetOuterGeometry(0, 0, px(g.width), px(g.height));
    CentrePhotoPic();
}

void PicturePane::KeepOneUnitPerPixel() {
    auto unitPerPixel = [](double scale, int pixels) {
        return std::copysign(static_cast<double>(pixels), scale);
    };
    for (PictureView* view : {PhotoPic, PhotoPic2}) {
        if (view == PhotoPic && saved_) {
            // The plan map holds the view; its picture scale waits for the way back.
            saved_->scaleWidth =
                unitPerPixel(saved_->scaleWidth, saved_->width - 2 * PictureView::kBorder);
            saved_->scaleHeight =
                unitPerPixel(saved_->scaleHeight, saved_->height - 2 * PictureView::kBorder);
            continue;
        }
        view->SetScale(view->ScaleLeft(), view->ScaleTop(),
                       unitPerPixel(view->ScaleWidth(), view->InnerWidth()),
                       unitPerPixel(view->ScaleHeight(), view->InnerHeight()));
    }
}

double PicturePane::PictureScaleWidth() const {
    return saved_ ? saved_->scaleWidth : PhotoPic->ScaleWidth();
}

void PicturePane::EnterCanvas() {
    if (!saved_)
        saved_ =
            PictureFrame{PhotoPic->Width(),    PhotoPic->Height(),     PhotoPic->ScaleLeft(),
                         PhotoPic->ScaleTop(), PhotoPic->ScaleWidth(), PhotoPic->ScaleHeight()};
    PhotoPic->SetOuterGeometry(0, 0, kPhotoPicWidth, kPhotoPicHeight);
    CentrePhotoPic();
    PhotoPic->SetScale(kCanvasScaleLeft, kCanvasScaleTop, kCanvasScaleWidth, kCanvasScaleHeight);
}

void PicturePane::LeaveCanvas() {
    if (!saved_)
        return;
    const PictureFrame& s = *saved_;
    PhotoPic->SetOuterGeometry(0, 0, s.width, s.height);
    PhotoPic->SetScale(s.scaleLeft, s.scaleTop, s.scaleWidth, s.scaleHeight);
    saved_.reset();
    CentrePhotoPic();
}

} // namespace velmora
