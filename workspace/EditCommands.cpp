// SPDX-License-Identifier: GPL-3.0-or-later
// The edit commands of the working area: clear or restore the picture,
// remove a roof, change a building's height, set north, clear all data,
// undo and redo, and the undo items that follow them.
#include <QAction>
#include <QGuiApplication>
#include <QInputDialog>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "data/Conventions.h"
#include "workspace/AltitudePanel.h"
#include "workspace/EditorEnvironment.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/QtJapanese.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

const QString kClearPhoto = QStringLiteral("画像消去");
const QString kRestorePhoto = QStringLiteral("戻す");

} // namespace

// ---------------------------------------------------------------- commands

void PhotoEditor::ClearPhotoCmd_Click() {
    QPushButton* cmd = work_.ClearPhotoCmd;
    const bool hide = cmd->text() == kClearPhoto;
    if (hide) {
        work_.PhotoPic->RemovePicture();
        views_->ShowAllSlopeLines();
        work_.SetDefaultCursors();
        cmd->setText(kRestorePhoto);
    } else {
        work_.SetDefaultCursors();
        cmd->setText(kClearPhoto);
        work_.PhotoPic->CopyPictureFrom(*work_.PhotoPic2);
        views_->ShowSlopeLineMap({});
    }
    // Pressed on the plan map, it decides what the way back shows.
    if (session_.View() == ViewMode::Plan)
        work_.Picture().SetPictureOnReturn(!hide);
}

void PhotoEditor::Remove1TopAreaMenu_Click() {
    Action action(*this);
    if (RemoveActiveTopArea(session_.Data(), session_.ActiveRoof()))
        session_.CountEdit();
    session_.SetActiveRoof(-1);
    SetRemoveRoofMenu(false);
    views_->ShowSlopeLineMap({});
}

void PhotoEditor::ChangeBillHeightMenu_Click() {
    Action action(*this);
    BuildingData& d = session_.Data();
    const int a = session_.ActiveRoof();
    if (a < 0 || a >= d.gEachTopAreaNumber || a >= static_cast<int>(kRoofCapacity))
        return;
    const auto i = static_cast<std::size_t>(a);
    const QString text = HeightQuestion();
    QWidget* parent = work_.window();
    std::optional<double> v;
    if (AskBuildingHeight) {
        v = AskBuildingHeight(parent, text, d.gFlatTopHeight[i]);
    } else {
        bool ok = false;
        const JapaneseQtTexts japanese;
        const double got = QInputDialog::getDouble(parent, QStringLiteral("建物高さ変更"), text,
                                                   d.gFlatTopHeight[i], 0, 1000, 1, &ok);
        if (ok)
            v = got;
    }
    if (!v || !std::isfinite(*v) || *v < 0 || *v > 1000)
        return;
    d.gFlatTopHeight[i] = static_cast<float>(RoundHalfEven(*v * 10) / 10);
    session_.CountEdit();
    views_->ShowFlatLineMap({.building = static_cast<Count>(a)});
}

QString PhotoEditor::HeightQuestion() {
    return QStringLiteral(
        "建物の高さ（m）を入力してください（0～1000）。\n"
        "側壁ラインのある建物は、次に平面図を表示したときに側壁ラインから高さが計算し直されます。");
}

void PhotoEditor::SetNorth(float northAngle, bool redraw) {
    Action action(*this);
    session_.Data().gNorthAngle = northAngle;
    session_.CountEdit();
    if (redraw) {
        work_.PhotoPic->SetDrawWidth(2);
        views_->UpdateNorthAngle();
    }
}

void PhotoEditor::ClearAllData() {
    Action action(*this);
    const bool shown = work_.PhotoPic->HasPicture();
    work_.PhotoPic->RemovePicture();
    velmora::ResetAllDataBuildingData(session_.Data());
    // No roof is left to be active.
    session_.SetActiveRoof(-1);
    session_.RecordEdit(shown ? kStepHidPicture : 0);
    session_.SetChangeCount(0);
    // Nothing to show on the way back from the plan map either.
    work_.Picture().SetPictureOnReturn(false);
    views_->SelectSlopeView();
}

void PhotoEditor::UndoMenu_Click() {
    EndLostPress();
    // Not in the middle of a drag.
    if (session_.PressHeld())
        return;
    if (tools_->DrawingOutline()) {
        // Only the unfinished outline goes; its marks with it.
        tools_->Roof().ClearOutline();
        views_->RedrawCurrentView();
        UpdateUndoItems();
        return;
    }
    unsigned tag = 0;
    if (session_.Undo(tag))
        ShowHistoryStep(tag, true);
}

void PhotoEditor::RedoMenu_Click() {
    EndLostPress();
    unsigned tag = 0;
    if (session_.Redo(tag))
        ShowHistoryStep(tag, false);
}

void PhotoEditor::ShowHistoryStep(unsigned tag, bool undo) {
    const bool slope = session_.View() != ViewMode::Plan;
    if (tag & kStepPicture) {
        // The scene kept is the other side of the step: swapping it with the
        // present one serves the undo and the redo alike.
        const auto it = scenes_.find(tag >> kSceneShift);
        if (it != scenes_.end()) {
            PictureScene now = CaptureScene();
            ApplyScene(it->second);
            it->second = std::move(now);
        }
    }
    // The plan map is drawn without the picture in any case: the picture
    // waits for the way back.
    if ((tag & kStepHidPicture) && slope) {
        if (undo)
            work_.PhotoPic->CopyPictureFrom(*work_.PhotoPic2);
        else
            work_.PhotoPic->RemovePicture();
    } else if (tag & kStepHidPicture) {
        work_.Picture().SetPictureOnReturn(undo);
    }
    views_->RedrawCurrentView();
    // The wall last measured may be gone, or back: no height is the truth.
    env_->ClearHeight();
    const bool active = session_.ActiveRoof() >= 0;
    SetRemoveRoofMenu(active && slope);
    SetChangeHeightMenu(active && !slope);
    UpdateUndoItems();
}

// ---------------------------------------------------------------- picture loads

PhotoEditor::PictureLoad::PictureLoad(PhotoEditor& e) : e_(e), id_(e.nextScene_++) {
    // Numbers run in the tag's upper bits; after a wrap they are still
    // unique among the few steps kept.
    if (e_.nextScene_ >= (1u << (32 - kSceneShift)))
        e_.nextScene_ = 1;
    e_.EndLostPress();
    e_.session_.BeginAction();
    e_.scenes_[id_] = e_.CaptureScene();
    e_.loadingScene_ = id_;
}

PhotoEditor::PictureLoad::~PictureLoad() {
    e_.session_.RecordStep(kStepPicture | (id_ << kSceneShift));
    e_.session_.EndAction();
    e_.loadingScene_ = 0;
    e_.PruneScenes();
    e_.UpdateUndoItems();
}

void PhotoEditor::ClearRecordForPicture() {
    velmora::ResetAllDataBuildingData(session_.Data());
    session_.SetActiveRoof(-1);
    session_.SetChangeCount(0);
    views_->SelectSlopeView();
}

PhotoEditor::PictureScene PhotoEditor::CaptureScene() const {
    PictureScene s;
    const PicturePane& pane = work_.Picture();
    s.picture = pane.PhotoPic2->Picture();
    s.frame = pane.Frame();
    s.shown = pane.ShowsCanvas() ? pane.PictureOnReturn() : pane.PhotoPic->HasPicture();
    s.clearCaption = work_.ClearPhotoCmd->text();
    const AltitudeBoxTexts t = work_.Altitudes().AltitudeTexts();
    s.altitudes = {t.verMetres, t.incliMetres, t.verFeet, t.incliFeet};
    if (ReadWindowPart)
        s.window = ReadWindowPart();
    return s;
}

void PhotoEditor::ApplyScene(const PictureScene& s) {
    work_.Picture().RestorePicture(s.picture, s.frame, s.shown);
    work_.ClearPhotoCmd->setText(s.clearCaption);
    work_.Altitudes().SetTexts({s.altitudes[0], s.altitudes[1], s.altitudes[2], s.altitudes[3]});
    if (RestoreWindowPart)
        RestoreWindowPart(s.window);
    emit PictureReady();
}

void PhotoEditor::PruneScenes() {
    const std::vector<unsigned> tags = session_.History().Tags();
    for (auto it = scenes_.begin(); it != scenes_.end();) {
        const unsigned id = it->first;
        const bool used =
            id == loadingScene_ || std::any_of(tags.begin(), tags.end(), [id](unsigned t) {
                return (t & kStepPicture) && (t >> kSceneShift) == id;
            });
        it = used ? std::next(it) : scenes_.erase(it);
    }
}

void PhotoEditor::StartNewHistory() {
    session_.StartNewHistory();
}

void PhotoEditor::EndLostPress() {
    if (session_.PressHeld() && QGuiApplication::mouseButtons() == Qt::NoButton)
        session_.EndPress();
}

void PhotoEditor::UpdateUndoItems() {
    if (menus_.UndoMenu)
        menus_.UndoMenu->setEnabled(session_.CanUndo() || tools_->DrawingOutline());
    if (menus_.RedoMenu)
        menus_.RedoMenu->setEnabled(session_.CanRedo());
}

} // namespace velmora
