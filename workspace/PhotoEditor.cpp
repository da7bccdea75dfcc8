// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/PhotoEditor.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "workspace/AltitudePanel.h"
#include "workspace/EditorEnvironment.h"
#include "workspace/NorthDial.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

PhotoEditor::PhotoEditor(WorkingArea& work, BuildingData& data, Prompts& prompts, QObject* parent)
    : QObject(parent), work_(work), prompts_(prompts), session_(data),
      views_(std::make_unique<ViewController>(work, session_)),
      env_(std::make_unique<EditorEnvironment>(work, session_, *views_, prompts)),
      tools_(std::make_unique<ToolController>(work, *env_)) {
    views_->MayEnterPlan = [this] { return work_.Altitudes().ValidateAltitudes() == 1; };
    // The height box shows the wall just measured; after a view switch
    // there is none.
    connect(views_.get(), &ViewController::Entered, this, [this] {
        SetChangeHeightMenu(false);
        env_->ClearHeight();
    });
    connect(env_.get(), &EditorEnvironment::RemoveRoofMenuWanted, this,
            &PhotoEditor::SetRemoveRoofMenu);
    connect(env_.get(), &EditorEnvironment::ChangeHeightMenuWanted, this,
            &PhotoEditor::SetChangeHeightMenu);
    connect(env_.get(), &EditorEnvironment::StatusWanted, this, &PhotoEditor::StatusText);
    connect(tools_.get(), &ToolController::ActionDone, this, &PhotoEditor::UpdateUndoItems);
    connect(tools_.get(), &ToolController::EditMenuWanted, this, [this](QPoint global) {
        if (menus_.EditPhotoLineMenu)
            menus_.EditPhotoLineMenu->popup(global);
    });
    connect(work_.ClearPhotoCmd, &QPushButton::clicked, this, &PhotoEditor::ClearPhotoCmd_Click);
    if (work_.TraceAllCmd)
        connect(work_.TraceAllCmd, &QPushButton::clicked, this, &PhotoEditor::TraceAllRoofs_Click);
    connect(&work_.Dial(), &NorthDial::NorthSet, this, &PhotoEditor::SetNorth);
    // The grey copy is made once per loaded picture, not in the user's double-click.
    connect(this, &PhotoEditor::PictureReady, this,
            [this] { tools_->Trace().RefreshTraceSource(); });
    session_.CountChanged = [this] { emit ChangeCountChanged(); };
    session_.HistoryChanged = [this] {
        PruneScenes();
        UpdateUndoItems();
    };
}

PhotoEditor::~PhotoEditor() {
    session_.HistoryChanged = nullptr;
    session_.CountChanged = nullptr;
}

void PhotoEditor::SetMenuItems(const EditMenuItems& items) {
    menus_ = items;
    if (items.TraceAllMenu)
        connect(items.TraceAllMenu, &QAction::triggered, this, &PhotoEditor::TraceAllRoofs_Click);
    views_->SetMenuItems({items.DispSlopeMapMenu, items.DispFlatMapMenu, items.InputModeMenu});
    UpdateUndoItems();
}

void PhotoEditor::SetRemoveRoofMenu(bool enabled) {
    if (menus_.Remove1TopAreaMenu)
        menus_.Remove1TopAreaMenu->setEnabled(enabled);
}

void PhotoEditor::SetChangeHeightMenu(bool enabled) {
    if (menus_.ChangeBillHeightMenu)
        menus_.ChangeBillHeightMenu->setEnabled(enabled);
}

void PhotoEditor::ResetAllDataBuildingData() {
    velmora::ResetAllDataBuildingData(session_.Data());
    session_.SetChangeCount(0);
    StartNewHistory();
    views_->SelectSlopeView();
}

void PhotoEditor::PictureLoaded() {
    emit PictureReady();
}

} // namespace velmora
