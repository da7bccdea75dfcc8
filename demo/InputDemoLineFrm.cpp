// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/InputDemoLineFrm.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "demo/DemoMarkers.h"
#include "drawing/FlatMap.h"
#include "drawing/SlopeView.h"
#include "workspace/AltitudePanel.h"
#include "workspace/NorthDial.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/QtText.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

constexpr int kTickMs = 990;
// Size the window opens with, as the main window.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 768;
// Where the captions of the demo's views go.
constexpr double kDemoCaptionY = 320;

// Panels on the picture (picture units from the view's edges): the
// narration along the top edge, the note along the bottom edge, the demo's
// name and the countdown in the lower right corner.
constexpr double kEdgeGap = 14;
constexpr int kTextPanelHeight = 26;
constexpr double kCornerWidth = 80;
constexpr double kStartLeft = -300, kStartTop = 190;
constexpr QSize kStartSize(600, 300);
constexpr double kArrowLeft = 270, kArrowTop = 320;
constexpr double kWallPenLeft = 330, kWallPenTop = 20;
constexpr QSize kMenuPictureSize(150, 139);
// The pointer's tip lies this far below its panel's top (the panel's top
// is 10 units above the double-click).
constexpr int kPointerTipDrop = 10;

const QString kPanelStyle =
    QStringLiteral("QLabel { background: rgb(236, 240, 248); color: rgb(20, 30, 60);"
                   " border: 1px solid rgb(120, 130, 150); padding: 0 6px; }");
const QString kNoteStyle =
    QStringLiteral("QLabel { background: rgb(255, 250, 220); color: rgb(170, 20, 20);"
                   " border: 1px solid rgb(200, 150, 60); padding: 0 6px; }");

QLabel* TextPanel(QWidget* parent, const char* name, const QString& style) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setStyleSheet(style);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->hide();
    return l;
}

QLabel* PicturePanel(QWidget* parent, const char* name, const QPixmap& picture) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setPixmap(picture);
    l->resize(picture.size());
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->hide();
    return l;
}

PictureView* HiddenPicture(QWidget* parent, const char* name, const QString& resource) {
    auto* v = new PictureView(parent);
    v->setObjectName(QString::fromLatin1(name));
    v->SetPicture(QImage(resource));
    v->SizeToPicture();
    v->hide();
    return v;
}

} // namespace

InputDemoLineFrm::InputDemoLineFrm(BuildingData& shared, Prompts& prompts,
                                   const QPixmap& menuPicture, QWidget* owner)
    : QMainWindow(owner, Qt::Window), shared_(shared), work_(new WorkingArea(prompts, this)) {
    setObjectName(QStringLiteral("InputDemoLineFrm"));
    setWindowTitle(QStringLiteral("InputLine"));
    setCentralWidget(work_);
    work_->Altitudes().SetDisplayOnly(true);
    work_->Dial().SetDisplayOnly(true);
    BuildPanels(menuPicture);

    QSize size(kDefaultWidth, kDefaultHeight);
    if (const QScreen* s = screen())
        size = size.boundedTo(s->availableGeometry().size());
    resize(size);
    move(0, 0);

    // Opaque drawing in the centred picture coordinates the working area
    // set up, pen 2 pixels; the dial has its own coordinates already.
    PictureView& photo = *work_->PhotoPic;
    photo.SetMode(DrawMode::Copy);
    photo.SetDrawWidth(2);

    runner_.pStepTick = 0;
    scene_.gEachTopAreaNumber = 0;
    runner_.pFirstActivate = kTrue;
    // The main window's view switch; the demo draws its own scene.
    views_ = std::make_unique<ViewController>(*work_, session_);
    views_->DrawsRecord = false;
    work_->SlopeOrFlatRbn->SetValue(0, true);
    runner_.pDemoCompleted = kFalse;

    connect(panels_.NextCmd, &QPushButton::clicked, this, &InputDemoLineFrm::NextCmd_Click);
    connect(panels_.CancelCmd, &QPushButton::clicked, this, &InputDemoLineFrm::CancelCmd_Click);
    connect(work_->CloseCmd, &QPushButton::clicked, this, &InputDemoLineFrm::CloseCmd_Click);
    connect(work_->ResetDataCmd, &QPushButton::clicked, this,
            &InputDemoLineFrm::ResetDataCmd_Click);
    connect(panels_.ResidentTmr, &QTimer::timeout, this, &InputDemoLineFrm::ResidentTmr_Timer);
    connect(panels_.Resident2Tmr, &QTimer::timeout, this, &InputDemoLineFrm::Resident2Tmr_Timer);
}

InputDemoLineFrm::~InputDemoLineFrm() {
    // Destroyed with its owner without a close request: the demo is over all
    // the same.
    shared_.gDemoRunning = kFalse;
}

void InputDemoLineFrm::BuildPanels(const QPixmap& menuPicture) {
    DemoPanels& p = panels_;
    PictureView* photo = work_->PhotoPic;

    p.StartPnl = new QFrame(photo);
    p.StartPnl->setObjectName(QStringLiteral("StartPnl"));
    p.StartPnl->setFrameShape(QFrame::StyledPanel);
    p.StartPnl->setStyleSheet(QStringLiteral(
        "#StartPnl { background: rgb(244, 246, 250); border: 2px solid rgb(110, 125, 150); }"));
    p.StartPnl->resize(kStartSize);
    auto* column = new QVBoxLayout(p.StartPnl);
    column->setContentsMargins(24, 18, 24, 16);
    column->setSpacing(4);
    for (std::size_t i = 0; i < p.MssagwPnl.size(); ++i) {
        p.MssagwPnl[i] = new QLabel(p.StartPnl);
        p.MssagwPnl[i]->setObjectName(QStringLiteral("MssagwPnl%1").arg(i));
        column->addWidget(p.MssagwPnl[i]);
    }
    column->addStretch(1);
    // Nothing moves until the user goes on: the panel says so.
    p.StartHintLbl = new QLabel(
        QStringLiteral("「次へ」を押すとデモが始まります。「ｷｬﾝｾﾙ」で閉じます。"), p.StartPnl);
    p.StartHintLbl->setObjectName(QStringLiteral("StartHintLbl"));
    p.StartHintLbl->setStyleSheet(QStringLiteral("QLabel { color: rgb(32, 58, 120); }"));
    QFont hint = p.StartHintLbl->font();
    hint.setBold(true);
    p.StartHintLbl->setFont(hint);
    column->addWidget(p.StartHintLbl);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    p.NextCmd = new QPushButton(QStringLiteral("次へ"), p.StartPnl);
    p.NextCmd->setObjectName(QStringLiteral("NextCmd"));
    p.CancelCmd = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), p.StartPnl);
    p.CancelCmd->setObjectName(QStringLiteral("CancelCmd"));
    for (QPushButton* b : {p.NextCmd, p.CancelCmd}) {
        b->setMinimumSize(100, 30);
        buttons->addWidget(b);
    }
    column->addLayout(buttons);
    p.StartPnl->hide();
    PlaceInPhoto(p.StartPnl, kStartLeft, kStartTop);

    p.MessagePnl = TextPanel(photo, "MessagePnl", kPanelStyle);
    p.FocusPnl = TextPanel(photo, "FocusPnl", kNoteStyle);
    p.OnDemoPnl = TextPanel(photo, "OnDemoPnl", kPanelStyle);
    p.ResidentTimePnl = TextPanel(photo, "ResidentTimePnl", kPanelStyle);
    PlaceCornerPanels();

    p.TopMenuPnl =
        PicturePanel(work_, "TopMenuPnl",
                     menuPicture.isNull() ? QPixmap() : menuPicture.scaled(kMenuPictureSize));
    p.TopMenuPnl->resize(kMenuPictureSize);
    p.ArrowPnl = PicturePanel(photo, "ArrowPnl", ArrowMarker());
    PlaceInPhoto(p.ArrowPnl, kArrowLeft, kArrowTop);
    p.ElpsoidPnl = PicturePanel(work_, "ElpsoidPnl", QPixmap());
    p.TopLinePen = PicturePanel(photo, "TopLinePen", PenMarker(QColor(230, 40, 160)));
    p.WallLinePen = PicturePanel(photo, "WallLinePen", PenMarker(QColor(30, 130, 230)));
    PlaceInPhoto(p.WallLinePen, kWallPenLeft, kWallPenTop);
    p.BillTopPen = PicturePanel(photo, "BillTopPen", PointerMarker(kPointerTipDrop));
    p.BusyPnl = PicturePanel(photo, "BusyPnl", BusyMarker());

    p.SaveDemoCmd = new QPushButton(QStringLiteral("SaveDemo"), this);
    p.SaveDemoCmd->setObjectName(QStringLiteral("SaveDemoCmd"));
    p.SaveDemoCmd->hide();
    p.Sample2Pic = HiddenPicture(this, "Sample2Pic", QStringLiteral(":/samples/sample2.png"));
    p.SamplePic1 = HiddenPicture(this, "SamplePic1", QStringLiteral(":/samples/sample1.png"));

    p.ResidentTmr = new QTimer(this);
    p.ResidentTmr->setObjectName(QStringLiteral("ResidentTmr"));
    p.Resident2Tmr = new QTimer(this);
    p.Resident2Tmr->setObjectName(QStringLiteral("Resident2Tmr"));
}

void InputDemoLineFrm::PlaceInPhoto(QWidget* panel, double left, double top) {
    const QPointF px = work_->PhotoPic->ToPixel(left, top);
    panel->move(static_cast<int>(std::lround(px.x())) + PictureView::kBorder,
                static_cast<int>(std::lround(px.y())) + PictureView::kBorder);
}

void InputDemoLineFrm::PlaceTextPanel(QLabel* panel, double left, double top, double width) {
    const PictureView& v = *work_->PhotoPic;
    const double unit = v.ScaleWidth() != 0 ? v.InnerWidth() / std::abs(v.ScaleWidth()) : 1;
    panel->resize(static_cast<int>(std::lround(width * unit)), kTextPanelHeight);
    PlaceInPhoto(panel, left, top);
}

double InputDemoLineFrm::ViewTop() const {
    return work_->PhotoPic->ScaleTop() - kEdgeGap;
}

double InputDemoLineFrm::ViewBottom() const {
    const PictureView& v = *work_->PhotoPic;
    return v.ScaleTop() + v.ScaleHeight() + kEdgeGap + kTextPanelHeight;
}

void InputDemoLineFrm::PlaceCornerPanels() {
    const PictureView& v = *work_->PhotoPic;
    const double left = v.ScaleLeft() + v.ScaleWidth() - kCornerWidth - kEdgeGap;
    PlaceTextPanel(panels_.ResidentTimePnl, left, ViewBottom() + kTextPanelHeight + 8,
                   kCornerWidth);
    PlaceTextPanel(panels_.OnDemoPnl, left, ViewBottom() + 2 * (kTextPanelHeight + 8),
                   kCornerWidth);
}

QTimer* InputDemoLineFrm::RunningTimer() const {
    if (shared_.gDemoNumber == 1)
        return panels_.ResidentTmr;
    if (shared_.gDemoNumber == 2)
        return panels_.Resident2Tmr;
    return nullptr;
}

// ---------------------------------------------------------------- window

void InputDemoLineFrm::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void InputDemoLineFrm::Form_Activate() {
    if (!IsTrue(runner_.pFirstActivate))
        return;
    work_->SlopeOrFlatRbn->SetValue(0, true);
    runner_.pFirstActivate = kFalse;
    const int demo = shared_.gDemoNumber;
    if (!IsTrue(shared_.gDemoRunning) || (demo != 1 && demo != 2))
        return;
    panels_.MessagePnl->hide();
    const auto& lines = DemoIntroLinesFor(demo);
    for (std::size_t i = 0; i < lines.size(); ++i)
        panels_.MssagwPnl[i]->setText(Text(lines[i]));
    if (demo == 1)
        SetDemo1Steps();
    else
        SetDemo2Steps();
    panels_.StartPnl->show();
    panels_.StartPnl->raise();
}

void InputDemoLineFrm::SetDemo1Steps() {
    steps_ = DemoStepsFor(1);
}
void InputDemoLineFrm::SetDemo2Steps() {
    steps_ = DemoStepsFor(2);
}

void InputDemoLineFrm::NextCmd_Click() {
    const int demo = shared_.gDemoNumber;
    QTimer* timer = RunningTimer();
    if (!timer)
        return;
    panels_.MessagePnl->show();
    timer->setInterval(kTickMs);
    timer->start();
    panels_.OnDemoPnl->setText(demo == 1 ? QStringLiteral("デモ-1") : QStringLiteral("デモ-2"));
    panels_.OnDemoPnl->show();
    runner_.pStepTicksLeft = 10;
    runner_.pStepTick = 0;
    runner_.pStepIndex = 0;
    panels_.StartPnl->hide();
}

void InputDemoLineFrm::CancelCmd_Click() {
    shared_.gDemoRunning = kFalse;
    close();
}

void InputDemoLineFrm::CloseCmd_Click() {
    // A completed demo hands nothing over: the main window's record stays
    // consistent with its own outlines.
    close();
}

void InputDemoLineFrm::closeEvent(QCloseEvent* e) {
    shared_.gDemoRunning = kFalse;
    panels_.ResidentTmr->stop();
    panels_.Resident2Tmr->stop();
    e->accept();
}

void InputDemoLineFrm::ResetDataCmd_Click() {
    work_->PhotoPic->RemovePicture();
    work_->PhotoPic->Cls();
}

// ---------------------------------------------------------------- step clock

void InputDemoLineFrm::ResidentTmr_Timer() {
    StepClockTick();
}
void InputDemoLineFrm::Resident2Tmr_Timer() {
    StepClockTick();
}

void InputDemoLineFrm::StepClockTick() {
    Runner& r = runner_;
    if (r.pStepTicksLeft < 0) {
        const int ranOut = r.pStepIndex;
        ++r.pStepIndex;
        r.pStepTicksLeft = 10;
        r.pStepTick = -1;
        if (ranOut == kDemoStepCount - 1) {
            if (QTimer* timer = RunningTimer()) {
                timer->stop();
                timer->setInterval(0);
            }
            CloseCmd_Click();
        }
    } else if (r.pStepIndex >= 0 && r.pStepIndex < kDemoStepSlots) {
        const int step = r.pStepIndex;
        const DemoStep& s = steps_[static_cast<std::size_t>(step)];
        if (r.pStepTick == 0) {
            panels_.MessagePnl->setText(Text(s.message));
            PlaceTextPanel(panels_.MessagePnl, s.messageLeft, ViewTop(), s.messageWidth);
            panels_.MessagePnl->raise();
            StartStep(step);
            r.pStepTicksLeft = s.ticks;
        } else if (r.pStepTick == 4 && step >= 1 && step <= 3) {
            panels_.FocusPnl->setText(Text(s.note));
            PlaceTextPanel(panels_.FocusPnl, s.noteLeft, ViewBottom(), s.noteWidth);
            panels_.FocusPnl->show();
            panels_.FocusPnl->raise();
        }
        TickAction(step);
        panels_.ResidentTimePnl->setText(QString::number(r.pStepTicksLeft));
        panels_.ResidentTimePnl->show();
    }
    --r.pStepTicksLeft;
    ++r.pStepTick;
}

void InputDemoLineFrm::StartStep(int step) {
    DemoPanels& p = panels_;
    const int demo = shared_.gDemoNumber;
    switch (step) {
    case 0:
        p.FocusPnl->hide();
        p.TopMenuPnl->move(0, 0);
        p.TopMenuPnl->show();
        p.TopMenuPnl->raise();
        break;
    case 1: {
        ShowDemoPicture();
        p.ArrowPnl->show();
        // The ellipse rings the altitude frame the narration speaks of.
        const QWidget& frame = work_->Altitudes();
        const QRect ring = QRect(frame.mapTo(work_, QPoint(0, 0)), frame.size())
                               .adjusted(-14, -10, 14, 10)
                               .intersected(work_->rect().adjusted(1, 1, -1, -1));
        p.ElpsoidPnl->setGeometry(ring);
        p.ElpsoidPnl->setPixmap(EllipseMarker(ring.size()));
        p.ElpsoidPnl->show();
        p.ElpsoidPnl->raise();
        p.TopMenuPnl->hide();
        p.FocusPnl->hide();
        break;
    }
    case 2:
        p.ArrowPnl->hide();
        p.ElpsoidPnl->hide();
        cursors_.pPenPointIndex = 0;
        cursors_.pRoofOpen = 0;
        if (demo == 1)
            LoadDemo1Scene();
        else
            LoadDemo2Scene();
        PrintDemoSlopeCaption();
        p.FocusPnl->hide();
        if (demo == 1) {
            p.TopLinePen->show();
        } else {
            p.BillTopPen->show();
            cursors_.pClickPhase = 0;
            cursors_.pClickIndex = 0;
        }
        break;
    case 3:
        if (demo == 2)
            p.MessagePnl->hide();
        cursors_.pWallIndex = 0;
        cursors_.pWallHalf = 0;
        p.FocusPnl->hide();
        p.WallLinePen->show();
        break;
    case 4:
        if (demo == 2)
            p.MessagePnl->show();
        p.FocusPnl->hide();
        p.WallLinePen->hide();
        EraseDemoPicture();
        break;
    case 5:
        ShowFlatLineMap(true);
        break;
    case 6:
        runner_.pDemoCompleted = kTrue;
        break;
    default:
        break;
    }
}

void InputDemoLineFrm::TickAction(int step) {
    const int demo = shared_.gDemoNumber;
    const bool last = runner_.pStepTicksLeft == 0;
    if (demo == 1 && step == 2) {
        StepDemoRoofPen(cursors_.pPenPointIndex);
        ++cursors_.pPenPointIndex;
        if (last)
            panels_.TopLinePen->hide();
    } else if (demo == 1 && step == 3) {
        StepDemoWallPen();
        if (last)
            panels_.WallLinePen->hide();
    } else if (demo == 2 && step == 2) {
        StepDemoRoofClick();
        if (last) {
            panels_.BillTopPen->hide();
            panels_.BusyPnl->hide();
        }
    }
}

// ---------------------------------------------------------------- scene

void InputDemoLineFrm::ShowDemoPicture() {
    const PictureView* holder = shared_.gDemoNumber == 2 ? panels_.SamplePic1 : panels_.Sample2Pic;
    PicturePane& pane = work_->Picture();
    PictureView& photo = *pane.PhotoPic;
    photo.CopyPictureFrom(*holder);
    photo.SizeToPicture();
    work_->Altitudes().SetTexts(DemoPictureTexts());
    // Measured in pixels of the frame, as the main window's sample pictures.
    pane.SetPictureCoordinates(photo.Height(), photo.Width());
    pane.CentrePhotoPic();
    PlaceCornerPanels();
}

void InputDemoLineFrm::LoadDemo1Scene() {
    LoadDemoScene(1);
}
void InputDemoLineFrm::LoadDemo2Scene() {
    LoadDemoScene(2);
}

void InputDemoLineFrm::LoadDemoScene(int demo) {
    const DemoScene& s = DemoSceneFor(demo);
    work_->Dial().ShowNoBearing();
    // The scene's view size, one unit per pixel from the same corner so the
    // outlines stay on the roofs of the picture.
    PicturePane& pane = work_->Picture();
    pane.ApplyViewGeometry(s.demoView);
    pane.KeepOneUnitPerPixel();
    PlaceCornerPanels();
    work_->Altitudes().SetTexts(s.demoTexts);
    // The scene's view values stay with the demo.
    scene_.gSourceHeight = s.view.sourceHeight;
    scene_.gFlatHeight = s.view.flatHeight;
    scene_.gSlideHeight = s.view.slideHeight;
    scene_.gSlideAngle = s.view.slideAngle;
    LoadSceneTables(scene_, s, true);
    flatMapRate_ = s.flatMapRate;
    clicks_ = {};
    for (std::size_t i = 0; i < s.clickPoints.size() && i < clicks_.size(); ++i)
        clicks_[i] = s.clickPoints[i];
}

void InputDemoLineFrm::PrintDemoSlopeCaption() {
    PictureView& photo = *work_->PhotoPic;
    photo.Paint({DrawOp::Clear(), DrawOp::Text(250, kDemoCaptionY, "傾斜図表示", 16, true,
                                               kCaptionColour, DrawMode::Copy)});
    photo.SetMode(DrawMode::Copy);
}

void InputDemoLineFrm::StepDemoRoofPen(int k) {
    if (k < 0 || k >= static_cast<int>(kPointCapacity))
        return;
    Cursors& c = cursors_;
    const auto i = static_cast<std::size_t>(k);
    const float x = scene_.gTopAreaX[i];
    const float y = scene_.gTopAreaY[i];
    PlaceInPhoto(panels_.TopLinePen, x, y);
    panels_.TopLinePen->raise();
    if (c.pRoofOpen == 0) {
        c.pRoofStartX = x;
        c.pRoofStartY = y;
        c.pPenLastX = x;
        c.pPenLastY = y;
        c.pRoofOpen = 1;
        return;
    }
    PictureView& photo = *work_->PhotoPic;
    photo.SetMode(DrawMode::Copy);
    photo.Line(c.pPenLastX, c.pPenLastY, x, y, ToQColor(kRoofColour));
    const double d =
        std::hypot(static_cast<double>(x) - c.pRoofStartX, static_cast<double>(y) - c.pRoofStartY);
    if (d < 5)
        c.pRoofOpen = 0;
    c.pPenLastX = x;
    c.pPenLastY = y;
}

void InputDemoLineFrm::StepDemoWallPen() {
    Cursors& c = cursors_;
    const int w = c.pWallIndex;
    if (w < 0 || w >= static_cast<int>(kWallCapacity))
        return;
    const auto i = static_cast<std::size_t>(w);
    if (c.pWallHalf == 0) {
        c.pPenLastX = scene_.gFirstWallEdgeX[i];
        c.pPenLastY = scene_.gFirstWallEdgeY[i];
        PlaceInPhoto(panels_.WallLinePen, c.pPenLastX, c.pPenLastY);
        panels_.WallLinePen->raise();
        c.pWallHalf = 1;
        return;
    }
    const float x2 = scene_.gSecondWallEdgeX[i];
    const float y2 = scene_.gSecondWallEdgeY[i];
    PictureView& photo = *work_->PhotoPic;
    photo.SetMode(DrawMode::Copy);
    photo.Line(c.pPenLastX, c.pPenLastY, x2, y2, ToQColor(kWallColour));
    PlaceInPhoto(panels_.WallLinePen, x2, y2);
    c.pWallHalf = 0;
    c.pWallIndex = static_cast<Count>(w + 1);
}

void InputDemoLineFrm::StepDemoRoofClick() {
    Cursors& c = cursors_;
    const int i = c.pClickIndex;
    if (i < 0 || i >= static_cast<int>(clicks_.size()))
        return;
    const PicturePoint click = clicks_[static_cast<std::size_t>(i)];
    switch (c.pClickPhase) {
    case 0:
        panels_.BusyPnl->hide();
        PlaceInPhoto(panels_.BillTopPen, click.x, click.y + 10);
        panels_.BillTopPen->show();
        panels_.BillTopPen->raise();
        break;
    case 2:
        panels_.BillTopPen->hide();
        PlaceInPhoto(panels_.BusyPnl, click.x, click.y + 10);
        panels_.BusyPnl->show();
        panels_.BusyPnl->raise();
        break;
    case 4:
        panels_.BusyPnl->hide();
        scene_.gEachTopAreaNumber = static_cast<Count>(i + 1);
        ShowDemoRevealedRoofs();
        break;
    default:
        break;
    }
    if (c.pClickPhase == 4) {
        panels_.BillTopPen->hide();
        c.pClickPhase = 0;
        c.pClickIndex = static_cast<Count>(i + 1);
    } else {
        ++c.pClickPhase;
    }
}

void InputDemoLineFrm::ShowDemoRevealedRoofs() {
    PictureView& photo = *work_->PhotoPic;
    photo.Paint(ShowRevealedSlopeLines(scene_, kDemoCaptionY));
    photo.SetMode(DrawMode::Copy);
}

void InputDemoLineFrm::ShowDemoSlopeLines() {
    ShowDemoRevealedRoofs();
}

void InputDemoLineFrm::EraseDemoPicture() {
    PictureView& photo = *work_->PhotoPic;
    photo.RemovePicture();
    photo.Cls();
    ShowDemoSlopeLines();
}

namespace {

// The scene's fixed rate is one of the zoom levels (the 50 m scale).
Count LevelOf(const MapScaleTables& t, float rate) {
    return MapLevelOfRate(t, rate).value_or(Count{-1});
}

} // namespace

DrawList InputDemoLineFrm::DrawDemoFlatMap() const {
    return DrawFlatLineMap(scene_, session_.MapTables(),
                           LevelOf(session_.MapTables(), flatMapRate_), -1, kDemoCaptionY)
        .ops;
}

DrawList InputDemoLineFrm::DrawDemoScaleBar() const {
    return DrawMapScaleBar(session_.MapTables(), LevelOf(session_.MapTables(), flatMapRate_),
                           DrawMode::Copy);
}

DrawList InputDemoLineFrm::DemoFlatMapOps() const {
    DrawList ops = DrawDemoFlatMap();
    for (DrawList more : {DrawDemoScaleBar(), DrawNorthArrow(DrawMode::Copy)})
        ops.insert(ops.end(), more.begin(), more.end());
    return ops;
}

void InputDemoLineFrm::ShowFlatLineMap(int) {
    PictureView& photo = *work_->PhotoPic;
    photo.Paint(DemoFlatMapOps());
    photo.SetMode(DrawMode::Copy);
}

} // namespace velmora
