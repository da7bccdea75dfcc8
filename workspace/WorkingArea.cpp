// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/WorkingArea.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "workspace/AltitudePanel.h"
#include "workspace/NorthDial.h"
#include "workspace/Panels.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Widgets.h"

namespace velmora {

namespace {
constexpr int kSidePanelWidth = 336;
} // namespace

WorkingArea::WorkingArea(Prompts& prompts, QWidget* parent)
    : QWidget(parent), picture_(new PicturePane(this)), altitudes_(new AltitudePanel(prompts)),
      dial_(new NorthDial(prompts)) {
    setObjectName(QStringLiteral("InputLineClient"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);
    layout->addWidget(picture_, 1);

    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("SidePanel"));
    side->setFixedWidth(kSidePanelWidth);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* views = new ViewSelector();
    auto* tools = new ToolPanel();
    column->addWidget(altitudes_);
    column->addWidget(dial_);
    column->addWidget(views);
    column->addWidget(tools);

    // The height display and the two commands, indented like the frames'
    // contents.
    auto* commands = new QVBoxLayout();
    commands->setContentsMargins(10, 4, 10, 0);
    commands->setSpacing(8);
    auto* heightRow = new QHBoxLayout();
    heightRow->addWidget(new QLabel(QStringLiteral("ﾋﾞﾙの高さ（ｍ）"), side));
    HeightTxt = NumberBox("HeightTxt", side, 80);
    HeightTxt->setReadOnly(true);
    heightRow->addWidget(HeightTxt);
    heightRow->addStretch(1);
    commands->addLayout(heightRow);

    auto* commandRow = new QHBoxLayout();
    ResetDataCmd = new QPushButton(QStringLiteral("全て消去"), side);
    ResetDataCmd->setObjectName(QStringLiteral("ResetDataCmd"));
    ClearPhotoCmd = new QPushButton(QStringLiteral("画像消去"), side);
    ClearPhotoCmd->setObjectName(QStringLiteral("ClearPhotoCmd"));
    for (QPushButton* b : {ResetDataCmd, ClearPhotoCmd}) {
        b->setMinimumHeight(30);
        commandRow->addWidget(b);
    }
    commands->addLayout(commandRow);
    column->addLayout(commands);
    column->addStretch(1);
    CloseCmd = new QPushButton(QStringLiteral("閉じる(&C)"), side);
    CloseCmd->setObjectName(QStringLiteral("CloseCmd"));
    CloseCmd->setMinimumHeight(34);
    column->addWidget(CloseCmd);
    layout->addWidget(side);

    BasePic = picture_->BasePic;
    PhotoPic = picture_->PhotoPic;
    PhotoPic2 = picture_->PhotoPic2;
    VerHeightTxt = altitudes_->VerHeightTxt;
    VerHeightmTxt = altitudes_->VerHeightmTxt;
    IncliHeightTxt = altitudes_->IncliHeightTxt;
    IncliHeightmTxt = altitudes_->IncliHeightmTxt;
    AzimusPic = dial_->AzimusPic;
    PointImg = dial_->PointImg;
    AzimusTxt = dial_->AzimusTxt;
    SlopeOrFlatRbn = views->SlopeOrFlatRbn;
    InputModeRbn = tools->InputModeRbn;
    TraceAllCmd = tools->TraceAllCmd;
}

void WorkingArea::SetPictureCursor(const QCursor& c) {
    BasePic->setCursor(c);
    PhotoPic->setCursor(c);
}

void WorkingArea::SetDefaultCursors() {
    BasePic->unsetCursor();
    PhotoPic->unsetCursor();
}

} // namespace velmora
