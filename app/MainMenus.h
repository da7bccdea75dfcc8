// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar: "ファイル(&F)", "編集(&E)", "デモ(&D)",
// "予測(&P)" and "ヘルプ(&H)", with their items under their control names.
#pragma once

#include "workspace/PhotoEditor.h"

class QAction;
class QMenu;
class QMenuBar;

namespace velmora {

struct MainMenus {
    QMenu* OpenFileMenu = nullptr;
    QAction* OPenPhotoMenu = nullptr;
    QMenu* SamplePhotoMenu = nullptr;
    QAction* LoadSamplePhotoMenu = nullptr;
    QAction* LoadSample2PhotoMenu = nullptr;
    QAction* OpenDataMenu = nullptr;
    QMenu* SampleDataMenu = nullptr;
    QAction* LoadSampleDataMenu = nullptr;
    QAction* LoadSample2DataMenu = nullptr;
    QAction* SaveDataMenu = nullptr;
    // "編集(&E)": the items whose state the editing keeps in step.
    EditMenuItems Edit;
    QAction* StopDrawLineMenu = nullptr;
    QMenu* StartDemoMenu = nullptr;
    QAction* StartDemo1Menu = nullptr;
    QAction* StartDemo2Menu = nullptr;
    QMenu* PredictMenu = nullptr;
    QAction* GnssMenu = nullptr;
    QAction* ShadeMapMenu = nullptr;
    QAction* HelpMenu = nullptr;
};

// Builds the menus into `bar`; the tool items come from the tool table.
MainMenus BuildMainMenus(QMenuBar* bar);

} // namespace velmora
