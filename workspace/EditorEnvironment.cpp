// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/EditorEnvironment.h"

#include <QLineEdit>
#include <cmath>

#include "data/Conventions.h"
#include "geometry/CameraModel.h"
#include "workspace/AltitudePanel.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/CursorFile.h"
#include "workspace/EditSession.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/QtText.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

EditorEnvironment::EditorEnvironment(WorkingArea& work, EditSession& session, ViewController& views,
                                     Prompts& prompts, QObject* parent)
    : QObject(parent), work_(work), session_(session), views_(views), prompts_(prompts) {}

DrawingSurface& EditorEnvironment::Surface() {
    return *work_.PhotoPic;
}

const QImage& EditorEnvironment::UntouchedPicture() {
    return work_.PhotoPic2->Picture();
}

void EditorEnvironment::Message(const QString& text) {
    prompts_.Message(work_.window(), text);
}

void EditorEnvironment::ShowRefusal(EditRefusal r) {
    const std::string_view text = RefusalMessage(r);
    if (!text.empty())
        Message(Text(text));
}

void EditorEnvironment::SetToolCursor(const char* file) {
    if (!file || !*file) {
        work_.SetDefaultCursors();
        return;
    }
    const QString path =
        BuiltInFile(session_.Data().gAppPath, QStringLiteral("ico/") + QString::fromLatin1(file));
    if (const auto c = LoadCursorFile(path))
        work_.SetPictureCursor(*c);
}

void EditorEnvironment::ShowSlopeLineMap(InclinedRedraw r) {
    views_.ShowSlopeLineMap(r);
}

void EditorEnvironment::ShowFlatLineMap(PlanRedraw r) {
    views_.ShowFlatLineMap(r);
}

void EditorEnvironment::ZoomFlatMap(bool in) {
    views_.ZoomFlatMap(in);
}

void EditorEnvironment::RefreshViewGeometry() {
    UpdateViewGeometry(session_.Data(), work_.Altitudes().AltitudeTexts(),
                       work_.PhotoPic->ScaleWidth());
}

void EditorEnvironment::ShowWallHeight(float yUpper, float yLower) {
    BuildingData& d = session_.Data();
    RefreshViewGeometry();
    const double m = d.gPhotoMetrePerUnit;
    const std::optional<double> h =
        WallHeight(d.gSlideAngle * kDegToRad, d.gFlatHeight, m * yLower, m * yUpper);
    // A height that cannot be measured leaves the box as it was.
    if (h && std::isfinite(*h))
        work_.HeightTxt->setText(QString::fromStdString(FormatFixed1(*h)));
}

void EditorEnvironment::ClearHeight() {
    work_.HeightTxt->clear();
}

void EditorEnvironment::SetRemoveRoofMenu(MenuState s) {
    if (s != MenuState::Keep)
        emit RemoveRoofMenuWanted(s == MenuState::Enable);
}

void EditorEnvironment::SetChangeHeightMenu(bool enabled) {
    emit ChangeHeightMenuWanted(enabled);
}

} // namespace velmora
