// SPDX-License-Identifier: GPL-3.0-or-later
// The view selector "表示設定" and the tool panel "ライン編集": each a frame
// around a group of two-state buttons.
#pragma once

#include <QGroupBox>

class QPushButton;

namespace velmora {

class RibbonGroup;

// "傾斜図表示" (0) and "平面図表示" (1).
class ViewSelector : public QGroupBox {
    Q_OBJECT
  public:
    explicit ViewSelector(QWidget* parent = nullptr);
    RibbonGroup* const SlopeOrFlatRbn;
};

// One button per tool of the tool table, two to a row.
class ToolPanel : public QGroupBox {
    Q_OBJECT
  public:
    explicit ToolPanel(QWidget* parent = nullptr);
    RibbonGroup* const InputModeRbn;
    // "全ビル自動トレース": every building of the picture, beside the one-click tool.
    QPushButton* const TraceAllCmd;
};

} // namespace velmora
