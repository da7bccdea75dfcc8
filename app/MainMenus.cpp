// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace velmora {

MainMenus BuildMainMenus(QMenuBar* bar) {
    auto item = [](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto submenu = [](QMenu* parent, const char* name, const char* caption) {
        QMenu* m = parent->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    MainMenus m;
    m.OpenFileMenu = bar->addMenu(QStringLiteral("ファイル(&F)"));
    m.OpenFileMenu->setObjectName(QStringLiteral("OpenFileMenu"));
    m.OPenPhotoMenu = item(m.OpenFileMenu, "OPenPhotoMenu", "画像ファイル読込み(&P)");
    m.SamplePhotoMenu = submenu(m.OpenFileMenu, "SamplePhotoMenu", "サンプル画像");
    m.LoadSamplePhotoMenu = item(m.SamplePhotoMenu, "LoadSamplePhotoMenu", "サンプル画像1読込み");
    m.LoadSample2PhotoMenu = item(m.SamplePhotoMenu, "LoadSample2PhotoMenu", "サンプル画像2読込み");
    m.OpenFileMenu->addSeparator();
    m.OpenDataMenu = item(m.OpenFileMenu, "OpenDataMenu", "データ読込み(&D)");
    m.SampleDataMenu = submenu(m.OpenFileMenu, "SampleDataMenu", "サンプルデータ");
    m.LoadSampleDataMenu = item(m.SampleDataMenu, "LoadSampleDataMenu", "サンプルデータ1読込み");
    m.LoadSample2DataMenu = item(m.SampleDataMenu, "LoadSample2DataMenu", "サンプルデータ2読込み");
    m.OpenFileMenu->addSeparator();
    m.SaveDataMenu = item(m.OpenFileMenu, "SaveDataMenu", "データ保存(&S)");

    EditMenuItems& e = m.Edit;
    e.EditPhotoLineMenu = bar->addMenu(QStringLiteral("編集(&E)"));
    e.EditPhotoLineMenu->setObjectName(QStringLiteral("EditPhotoLineMenu"));
    e.DispSlopeMapMenu = item(e.EditPhotoLineMenu, "DispSlopeMapMenu", "傾斜図表示");
    e.DispFlatMapMenu = item(e.EditPhotoLineMenu, "DispFlatMapMenu", "平面図表示");
    e.DispSlopeMapMenu->setCheckable(true);
    e.DispFlatMapMenu->setCheckable(true);
    e.EditPhotoLineMenu->addSeparator();
    m.StopDrawLineMenu = item(e.EditPhotoLineMenu, "StopDrawLineMenu", "中止");
    e.EditPhotoLineMenu->addSeparator();
    for (ToolId t : AllTools()) {
        const int i = Index(t);
        const char* text = ToolRowOf(t).menuText;
        if (!text)
            continue;
        QAction* a = item(e.EditPhotoLineMenu, "InputModeMenu", text);
        a->setObjectName(QStringLiteral("InputModeMenu%1").arg(i));
        e.InputModeMenu[static_cast<std::size_t>(i)] = a;
    }
    e.EditPhotoLineMenu->addSeparator();
    e.ChangeBillHeightMenu = item(e.EditPhotoLineMenu, "ChangeBillHeightMenu", "建物高さ変更");
    e.Remove1TopAreaMenu = item(e.EditPhotoLineMenu, "Remove1TopAreaMenu", "1屋根削除(&R)");
    e.TraceAllMenu = item(e.EditPhotoLineMenu, "TraceAllMenu", "全ビル自動トレース");
    // Undo and redo come last, so the items above keep their places.
    e.EditPhotoLineMenu->addSeparator();
    e.UndoMenu = item(e.EditPhotoLineMenu, "UndoMenu", "元に戻す");
    e.UndoMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    e.RedoMenu = item(e.EditPhotoLineMenu, "RedoMenu", "やり直し");
    e.RedoMenu->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    m.StartDemoMenu = bar->addMenu(QStringLiteral("デモ(&D)"));
    m.StartDemoMenu->setObjectName(QStringLiteral("StartDemoMenu"));
    m.StartDemo1Menu = item(m.StartDemoMenu, "StartDemo1Menu", "デモー１(&1)");
    m.StartDemo2Menu = item(m.StartDemoMenu, "StartDemo2Menu", "デモー２(&2)");

    m.PredictMenu = bar->addMenu(QStringLiteral("予測(&P)"));
    m.PredictMenu->setObjectName(QStringLiteral("PredictMenu"));
    m.GnssMenu = item(m.PredictMenu, "GnssMenu", "GNSS受信予測(&G)...");
    m.ShadeMapMenu = item(m.PredictMenu, "ShadeMapMenu", "日影図(&S)...");

    m.HelpMenu = bar->addAction(QStringLiteral("ヘルプ(&H)"));
    m.HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    return m;
}

} // namespace velmora
