// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PredictionMarks.h"

#include "app/GnssDialog.h"
#include "app/InputLineFrm.h"
#include "app/ShadeMapDialog.h"
#include "workspace/EditSession.h"
#include "workspace/PictureView.h"
#include "workspace/PlanMarks.h"
#include "workspace/WorkingArea.h"

namespace velmora {

DrawList PredictionMarkOps(InputLineFrm& window) {
    if (window.Session().View() != ViewMode::Plan)
        return {};
    PlanMarkState s;
    bool open = false;
    if (const ShadeMapDialog* d = window.ShadeMapWindow(); d && d->isVisible()) {
        open = true;
        s.mapDataRings = d->MapDataRings();
    }
    const auto* g =
        window.findChild<GnssDialog*>(QStringLiteral("GnssDialog"), Qt::FindDirectChildrenOnly);
    if (g && g->isVisible()) {
        open = true;
        PlanMarkState m = g->Marks();
        s.receiver = m.receiver;
        s.picking = m.picking;
        s.mapDataRings.insert(s.mapDataRings.end(), m.mapDataRings.begin(), m.mapDataRings.end());
    }
    if (!open)
        return {};
    s.roofNumbers = true;
    return PlanMarkOps(window.Data(), window.Session().FlatMapRate(), s);
}

void ConnectPredictionMarks(InputLineFrm& window) {
    window.Work().PhotoPic->SetMarkSource([&window] { return PredictionMarkOps(window); });
}

} // namespace velmora
