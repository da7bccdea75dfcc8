// The built-in sample data sets.
#include <QLineEdit>

#include "app/InputLineFrm.h"
#include "data/Scenes.h"
#include "geometry/Compass.h"

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
