// The built-in sample data sets.
#include <QLineEdit>
#include <cmath>

#include "app/InputLineFrm.h"
#include "data/Scenes.h"
#include "geometry/Compass.h"
#include "workspace/PictureView.h"

namespace velmora {

namespace {
QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

void InputLineFrm::LoadSampleData(int set) {
    if (set != 1 && set != 2)
        return;
    const SampleDataValues& v = SampleDataFor(set);

    const CompassPoint north = NorthCompassPoint();
    MovePointImg(north.left, north.top);
    AzimusTxt->setText(QString());
    data_.gNorthAngle = 0;

    ApplyViewGeometry(v.view);
    // The set's view size differs from the picture's: keep one unit per
    // pixel from the same corner, so the outlines are not stretched off the
    // roofs of the picture.
    auto unitPerPixel = [](double scale, int pixels) {
        return std::copysign(static_cast<double>(pixels), scale);
    };
    for (PictureView* view : {PhotoPic, PhotoPic2}) {
        if (view == PhotoPic && pictureState_) {
            // The plan map holds the view; its picture scale waits for the way back.
            PictureViewState& st = *pictureState_;
            st.scaleWidth = unitPerPixel(st.scaleWidth, st.width - 2 * PictureView::kBorder);
            st.scaleHeight = unitPerPixel(st.scaleHeight, st.height - 2 * PictureView::kBorder);
            continue;
        }
        view->SetScale(view->ScaleLeft(), view->ScaleTop(),
                       unitPerPixel(view->ScaleWidth(), view->InnerWidth()),
                       unitPerPixel(view->ScaleHeight(), view->InnerHeight()));
    }
    data_.gSourceHeight = v.parameters.sourceHeight;
    data_.gFlatHeight = v.parameters.flatHeight;
    data_.gSlideHeight = v.parameters.slideHeight;
    data_.gSlideAngle = v.parameters.slideAngle;
    VerHeightmTxt->setText(Text(v.texts.verHeightm));
    IncliHeightmTxt->setText(Text(v.texts.incliHeightm));
    VerHeightTxt->setText(Text(v.texts.verHeight));
    IncliHeightTxt->setText(Text(v.texts.incliHeight));
    LoadSampleDataTables(data_, set);

    ShowSlopeLineMap(-1, -1);
    pSampleLoaded = kTrue;
    SelectSlopeView();
}

} // namespace velmora
