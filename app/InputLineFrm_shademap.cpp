// SPDX-License-Identifier: GPL-3.0-or-later
// The shade-map entry of "予測(&P)".
#include "app/InputLineFrm.h"
#include "app/ShadeMapDialog.h"
#include "geometry/CameraModel.h"
#include "workspace/PicturePane.h"
#include "workspace/WorkingArea.h"

namespace velmora {

void InputLineFrm::ShadeMapMenu_Click() {
    if (!shadeMap_) {
        // The dialog works on a copy with heights and plan positions as the
        // plan map works them out, so it never changes the record.
        shadeMap_ = new ShadeMapDialog(
            [this] {
                auto copy = std::make_unique<BuildingData>(data_);
                const double width = work_->Picture().PictureScaleWidth();
                ComputeRoofHeights(*copy, width);
                ComputeRoofPlanPoints(*copy, width);
                return copy;
            },
            prompts_, this);
        shadeMap_->setAttribute(Qt::WA_DeleteOnClose);
    }
    shadeMap_->show();
    shadeMap_->raise();
    shadeMap_->activateWindow();
}

ShadeMapDialog* InputLineFrm::ShadeMapWindow() const {
    return shadeMap_.data();
}

} // namespace velmora
