// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/Panels.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include "workspace/RibbonGroup.h"
#include "workspace/ToolTable.h"

namespace velmora {

ViewSelector::ViewSelector(QWidget* parent)
    : QGroupBox(QStringLiteral("表示設定"), parent), SlopeOrFlatRbn(new RibbonGroup(this)) {
    setObjectName(QStringLiteral("DisplayFlm"));
    auto* row = new QHBoxLayout(this);
    SlopeOrFlatRbn->setObjectName(QStringLiteral("SlopeOrFlatRbn"));
    for (const char* caption : {"傾斜図表示", "平面図表示"}) {
        QPushButton* b = SlopeOrFlatRbn->AddButton(QString::fromUtf8(caption), QString(), this);
        b->setObjectName(QStringLiteral("SlopeOrFlatRbn%1").arg(SlopeOrFlatRbn->Count() - 1));
        b->setMinimumHeight(30);
        row->addWidget(b);
    }
}

ToolPanel::ToolPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("ライン編集"), parent), InputModeRbn(new RibbonGroup(this)),
      TraceAllCmd(new QPushButton(QStringLiteral("全ビル自動トレース"), this)) {
    setObjectName(QStringLiteral("LineEditFlm"));
    auto* grid = new QGridLayout(this);
    InputModeRbn->setObjectName(QStringLiteral("InputModeRbn"));
    for (ToolId tool : AllTools()) {
        const int i = Index(tool);
        const ToolRow& t = ToolRowOf(tool);
        QPushButton* b = InputModeRbn->AddButton(QString::fromUtf8(t.caption),
                                                 QString::fromUtf8(t.toolTip), this);
        b->setObjectName(QStringLiteral("InputModeRbn%1").arg(i));
        b->setMinimumHeight(30);
        grid->addWidget(b, i / 2, i % 2);
    }
    TraceAllCmd->setObjectName(QStringLiteral("TraceAllCmd"));
    TraceAllCmd->setToolTip(QStringLiteral("画像のすべてのビルの屋上、壁ラインを自動で描画"));
    TraceAllCmd->setMinimumHeight(30);
    grid->addWidget(TraceAllCmd, (kToolCount + 1) / 2, 0, 1, 2);
}

} // namespace velmora
