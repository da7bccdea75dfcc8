// SPDX-License-Identifier: GPL-3.0-or-later
// The edit commands of the working area: clear or restore the picture,
// remove a roof, change a building's height, set north, clear all data,
// undo and redo, and the undo items that follow them.
#include <QAction>
#include <QGuiApplication>
#include <QInputDialog>
#include <QPushButton>
#include <cmath>

#include "data/Conventions.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

const QString kClearPhoto = QStringLiteral("画像消去");
const QString kRestorePhoto = QStringLiteral("戻す");

// The tag of a step that also took the picture off the view.
constexpr unsigned kStepHidPicture = 1;

} // namespace

// ---------------------------------------------------------------- commands

void PhotoEditor::ClearPhotoCmd_Click() {
    QPushButton* cmd = work_.ClearPhotoCmd;
    if (cmd->text() == kClearPhoto) {
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
    // The plan map is drawn without the picture in any case.
    if ((tag & kStepHidPicture) && slope) {
        if (undo)
            work_.PhotoPic->CopyPictureFrom(*work_.PhotoPic2);
        else
            work_.PhotoPic->RemovePicture();
    }
    views_->RedrawCurrentView();
    const bool active = session_.ActiveRoof() >= 0;
    SetRemoveRoofMenu(active && slope);
    SetChangeHeightMenu(active && !slope);
    UpdateUndoItems();
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
