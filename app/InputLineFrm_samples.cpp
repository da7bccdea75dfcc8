// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in sample data sets.
#include "app/InputLineFrm.h"
#include "data/Scenes.h"
#include "workspace/AltitudePanel.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

void InputLineFrm::LoadSampleData(int set) {
    if (set != 1 && set != 2)
        return;
    if (!MayReplaceEdits())
        return;
    const SampleDataValues& v = SampleDataFor(set);

    work_->Dial().ShowNoBearing();
    data_.gNorthAngle = 0;

    PicturePane& pane = work_->Picture();
    pane.ApplyViewGeometry(v.view);
    // The set's view size differs from the picture's: keep one unit per
    // pixel from the same corner, so the outlines are not stretched off the
    // roofs of the picture.
    pane.KeepOneUnitPerPixel();
    data_.gSourceHeight = v.parameters.sourceHeight;
    data_.gFlatHeight = v.parameters.flatHeight;
    data_.gSlideHeight = v.parameters.slideHeight;
    data_.gSlideAngle = v.parameters.slideAngle;
    work_->Altitudes().SetTexts(v.texts);
    LoadSampleDataTables(data_, set);

    editor_->Views().ShowSlopeLineMap({});
    editor_->StartNewHistory();
    state_.pSampleLoaded = kTrue;
    editor_->Views().SelectSlopeView();
    ShowCaption(ProgramCaption(QStringLiteral("サンプルデータ%1").arg(set)));
}

} // namespace velmora
