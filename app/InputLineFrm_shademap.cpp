// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-map entry of "予測(&P)".
#include "app/InputLineFrm.h"
#include "app/PredictionBoxes.h"
#include "app/ShadeMapDialog.h"
#include "geometry/Footprints.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/WorkingArea.h"

namespace velmora {

void InputLineFrm::ShadeMapMenu_Click() {
    if (!shadeMap_) {
        // The dialog works on the footprints as the plan map places them,
        // from a copy: it never changes the record.
        shadeMap_ = new ShadeMapDialog(
            [this] { return PlanFootprints(data_, work_->Picture().PictureScaleWidth()); },
            prompts_, this);
        shadeMap_->setAttribute(Qt::WA_DeleteOnClose);
        connect(shadeMap_, &ShadeMapDialog::MarksChanged, work_->PhotoPic,
                qOverload<>(&QWidget::update));
        shadeMap_->adjustSize();
        PlaceBesidePlanMap(*shadeMap_, *work_->PhotoPic);
    }
    shadeMap_->show();
    shadeMap_->raise();
    shadeMap_->activateWindow();
}

ShadeMapDialog* InputLineFrm::ShadeMapWindow() const {
    return shadeMap_.data();
}

} // namespace velmora
