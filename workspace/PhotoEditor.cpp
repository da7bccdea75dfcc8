// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/PhotoEditor.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/Conventions.h"
#include "drawing/FlatMap.h"
#include "drawing/SlopeView.h"
#include "geometry/CameraModel.h"
#include "workspace/AltitudePanel.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/CursorFile.h"
#include "workspace/NorthDial.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/QtText.h"
#include "workspace/RibbonGroup.h"
#include "workspace/Tools.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

Count ToIndex(int v) {
    return static_cast<Count>(
        std::clamp<int>(v, std::numeric_limits<Count>::min(), std::numeric_limits<Count>::max()));
}
Count ClampLevel(int level) {
    return static_cast<Count>(std::clamp<int>(level, 0, kMaxMapLevel));
}

} // namespace

PhotoEditor::PhotoEditor(WorkingArea& work, BuildingData& data, Prompts& prompts, QObject* parent)
    : QObject(parent), work_(work), prompts_(prompts), session_(data) {
    ToolEnvironment& env = *this;
    auto roof = std::make_unique<RoofTool>(env);
    auto wall = std::make_unique<WallTool>(env);
    auto move = std::make_unique<MoveTool>(env);
    auto trace = std::make_unique<TraceTool>(env, *roof, *wall);
    roof_ = roof.get();
    wall_ = wall.get();
    move_ = move.get();
    trace_ = trace.get();
    // One registration line per tool.
    Register(ToolId::Select, std::make_unique<SelectTool>(env));
    Register(ToolId::Zoom, std::make_unique<ZoomTool>(env));
    Register(ToolId::Roof, std::move(roof));
    Register(ToolId::Wall, std::move(wall));
    Register(ToolId::Move, std::move(move));
    Register(ToolId::AddPoint, std::make_unique<AddPointTool>(env));
    Register(ToolId::DeletePoint, std::make_unique<DeletePointTool>(env));
    Register(ToolId::Trace, std::move(trace));

    PictureView* photo = work_.PhotoPic;
    connect(photo, &PictureView::MouseDown, this, &PhotoEditor::PhotoPic_MouseDown);
    connect(photo, &PictureView::MouseMove, this, &PhotoEditor::PhotoPic_MouseMove);
    connect(photo, &PictureView::MouseUp, this, &PhotoEditor::PhotoPic_MouseUp);
    connect(photo, &PictureView::DoubleClick, this, &PhotoEditor::PhotoPic_DblClick);
    connect(work_.SlopeOrFlatRbn, &RibbonGroup::Click, this, [this](int index, bool down) {
        if (!down)
            return;
        if (index == 0)
            EnterSlopeView();
        else if (index == 1)
            EnterFlatView();
    });
    connect(work_.InputModeRbn, &RibbonGroup::Click, this, [this](int index, bool down) {
        if (const auto tool = velmora::ToolAt(index))
            InputModeRbn_Click(*tool, down);
    });
    connect(work_.ClearPhotoCmd, &QPushButton::clicked, this, &PhotoEditor::ClearPhotoCmd_Click);
    connect(&work_.Dial(), &NorthDial::NorthSet, this, &PhotoEditor::SetNorth);
    // The grey copy is made once per loaded picture, not in the user's double-click.
    connect(this, &PhotoEditor::PictureReady, this, [this] { trace_->RefreshTraceSource(); });
    session_.HistoryChanged = [this] { UpdateUndoItems(); };
}

PhotoEditor::~PhotoEditor() {
    session_.HistoryChanged = nullptr;
}

void PhotoEditor::SetMenuItems(const EditMenuItems& items) {
    menus_ = items;
    UpdateUndoItems();
}

// ---------------------------------------------------------------- environment

DrawingSurface& PhotoEditor::Surface() {
    return *work_.PhotoPic;
}

const QImage& PhotoEditor::UntouchedPicture() {
    return work_.PhotoPic2->Picture();
}

void PhotoEditor::Message(const QString& text) {
    prompts_.Message(work_.window(), text);
}

void PhotoEditor::ShowRefusal(EditRefusal r) {
    const std::string_view text = RefusalMessage(r);
    if (!text.empty())
        Message(Text(text));
}

void PhotoEditor::ClearHeight() {
    work_.HeightTxt->clear();
}

void PhotoEditor::SetRemoveRoofMenu(MenuState s) {
    if (menus_.Remove1TopAreaMenu && s != MenuState::Keep)
        menus_.Remove1TopAreaMenu->setEnabled(s == MenuState::Enable);
}

void PhotoEditor::SetChangeHeightMenu(bool enabled) {
    if (menus_.ChangeBillHeightMenu)
        menus_.ChangeBillHeightMenu->setEnabled(enabled);
}

void PhotoEditor::SetDefaultCursors() {
    work_.BasePic->unsetCursor();
    work_.PhotoPic->unsetCursor();
}

void PhotoEditor::SetToolCursor(const char* file) {
    if (!file || !*file) {
        SetDefaultCursors();
        return;
    }
    // The window's part is the frame around the picture: the other controls
    // keep their own pointers.
    const QString path =
        BuiltInFile(session_.Data().gAppPath, QStringLiteral("ico/") + QString::fromLatin1(file));
    if (const auto c = LoadCursorFile(path))
        work_.BasePic->setCursor(*c);
    if (const auto c = LoadCursorFile(path))
        work_.PhotoPic->setCursor(*c);
}

// ---------------------------------------------------------------- views

void PhotoEditor::ResetAllDataBuildingData() {
    velmora::ResetAllDataBuildingData(session_.Data());
    session_.SetChangeCount(0);
    StartNewHistory();
    SelectSlopeView();
}

void PhotoEditor::CheckViewItems(bool slope) {
    if (menus_.DispSlopeMapMenu)
        menus_.DispSlopeMapMenu->setChecked(slope);
    if (menus_.DispFlatMapMenu)
        menus_.DispFlatMapMenu->setChecked(!slope);
}

void PhotoEditor::SelectSlopeView() {
    CheckViewItems(true);
    work_.SlopeOrFlatRbn->SetValue(0, true);
    work_.SlopeOrFlatRbn->SetValue(1, false);
}

void PhotoEditor::SelectFlatView() {
    CheckViewItems(false);
    work_.SlopeOrFlatRbn->SetValue(1, true);
    work_.SlopeOrFlatRbn->SetValue(0, false);
}

void PhotoEditor::EnableToolsFor(ViewMode view) {
    for (ToolId t : AllTools()) {
        const bool on = ToolEnabledIn(t, view);
        work_.InputModeRbn->Button(Index(t))->setEnabled(on);
        if (QAction* item = menus_.InputModeMenu[static_cast<std::size_t>(Index(t))])
            item->setEnabled(on);
    }
    SetChangeHeightMenu(false);
    session_.SetActiveRoof(-1);
    for (ToolId t : AllTools())
        if (!ToolRowOf(t).Has(ToolFlag::StaysDown))
            work_.InputModeRbn->SetValue(Index(t), false);
}

void PhotoEditor::EnterSlopeView() {
    SetDefaultCursors();
    work_.PhotoPic->SetDrawWidth(2);
    CheckViewItems(true);
    EnableToolsFor(ViewMode::Inclined);
    // Back from the plan map: the view gets its picture size and picture
    // coordinates again, so outlines and new clicks keep meaning picture
    // pixels. The picture itself stays hidden until "戻す".
    work_.Picture().LeaveCanvas();
    session_.SetView(ViewMode::Inclined);
    ShowSlopeLineMap(-1, -1);
}

void PhotoEditor::EnterFlatView() {
    SetDefaultCursors();
    if (ValidateAltitudes() != 1) {
        work_.SlopeOrFlatRbn->SetValue(1, false);
        return;
    }
    work_.PhotoPic->RemovePicture();
    CheckViewItems(false);
    EnableToolsFor(ViewMode::Plan);
    session_.SetFlatMapRate(
        session_.MapTables().gMapRate[static_cast<std::size_t>(ClampLevel(session_.MapLevel()))]);
    session_.SetView(ViewMode::Plan);
    PrepareFlatMapView();
}

void PhotoEditor::PrepareFlatMapView() {
    // Heights first: the plan points are lifted by them. Both measure with
    // the picture's width, also when the canvas is already up.
    const double pictureWidth = work_.Picture().PictureScaleWidth();
    ComputeRoofHeights(session_.Data(), pictureWidth);
    ComputeRoofPlanPoints(session_.Data(), pictureWidth);
    work_.Picture().EnterCanvas();
    ShowFlatLineMap(-1);
}

void PhotoEditor::PictureLoaded() {
    emit PictureReady();
}

// ---------------------------------------------------------------- redraws

void PhotoEditor::ShowSlopeLineMap(int active, int wallFlag) {
    const SlopeDrawing drawing = velmora::ShowSlopeLineMap(
        session_.Data(), ToIndex(active), ToIndex(wallFlag), session_.ActiveRoof());
    work_.PhotoPic->Paint(drawing.ops);
    work_.PhotoPic->SetMode(drawing.modeAfter);
    if (drawing.marks)
        session_.RememberMarks(*drawing.marks);
}

void PhotoEditor::ShowAllSlopeLines() {
    work_.PhotoPic->Paint(velmora::ShowAllSlopeLines(session_.Data()));
    work_.PhotoPic->SetMode(DrawMode::Copy);
}

void PhotoEditor::DrawSelectMarks(float maxX, float minX, float maxY, float minY) {
    DrawList ops;
    SelectBox box;
    box.maxX = maxX;
    box.minX = minX;
    box.maxY = maxY;
    box.minY = minY;
    const DrawMode mode = work_.PhotoPic->Mode();
    AppendSelectMarks(ops, box, mode);
    work_.PhotoPic->Paint(ops);
    work_.PhotoPic->SetMode(mode);
    session_.RememberMarks(box);
}

void PhotoEditor::EraseSelectMarks() {
    const SelectBox& m = session_.Marks();
    DrawSelectMarks(static_cast<float>(m.maxX), static_cast<float>(m.minX),
                    static_cast<float>(m.maxY), static_cast<float>(m.minY));
}

void PhotoEditor::ShowFlatLineMap(int index1) {
    const Count active = static_cast<Count>(std::clamp<int>(index1, -1, kRoofCapacity - 1));
    const FlatMapView view =
        velmora::ShowFlatLineMap(session_.Data(), session_.MapTables(), active);
    session_.SetMapLevel(view.level);
    session_.SetFlatMapRate(view.drawing.flatMapRate);
    work_.PhotoPic->Paint(view.drawing.ops);
    work_.PhotoPic->SetMode(view.drawing.modeAfter);
    if (view.drawing.marks)
        session_.RememberMarks(*view.drawing.marks);
}

void PhotoEditor::RedrawCurrentView() {
    const ViewDrawing drawing = CurrentViewDrawing();
    work_.PhotoPic->Paint(drawing.ops);
    work_.PhotoPic->SetMode(drawing.modeAfter);
}

void PhotoEditor::UpdateNorthAngle() {
    PictureView& v = *work_.PhotoPic;
    const DrawMode mode = v.Mode();
    const Count level = ClampLevel(session_.MapLevel());
    const DrawList ops = UpdateNorthAngleOps(session_.Data(), session_.MapTables(), level, mode);
    v.Paint(ops);
    if (ops.empty())
        v.SetMode(mode);
    // The north-up map works in the map's rate.
    session_.SetFlatMapRate(session_.MapTables().gMapRate[static_cast<std::size_t>(level)]);
}

void PhotoEditor::RefreshViewGeometry() {
    UpdateViewGeometry(session_.Data(), work_.Altitudes().AltitudeTexts(),
                       work_.PhotoPic->ScaleWidth());
}

void PhotoEditor::ShowWallHeight(float yUpper, float yLower) {
    BuildingData& d = session_.Data();
    UpdateViewGeometry(d, work_.Altitudes().AltitudeTexts(), work_.PhotoPic->ScaleWidth());
    const double m = d.gPhotoMetrePerUnit;
    const std::optional<double> h =
        WallHeight(d.gSlideAngle * kDegToRad, d.gFlatHeight, m * yLower, m * yUpper);
    // A height that cannot be measured leaves the box as it was.
    if (h && std::isfinite(*h))
        work_.HeightTxt->setText(QString::fromStdString(FormatFixed1(*h)));
}

Count PhotoEditor::ValidateAltitudes() {
    return work_.Altitudes().ValidateAltitudes();
}

PhotoEditor::ViewDrawing PhotoEditor::CurrentViewDrawing() {
    const Count a = session_.ActiveRoof();
    if (session_.View() == ViewMode::Plan) {
        const Count active = static_cast<Count>(std::clamp<int>(a, -1, kRoofCapacity - 1));
        FlatMapView view = velmora::ShowFlatLineMap(session_.Data(), session_.MapTables(), active);
        session_.SetMapLevel(view.level);
        session_.SetFlatMapRate(view.drawing.flatMapRate);
        if (view.drawing.marks)
            session_.RememberMarks(*view.drawing.marks);
        return {std::move(view.drawing.ops), view.drawing.modeAfter};
    }
    SlopeDrawing d = velmora::ShowSlopeLineMap(session_.Data(), ToIndex(a),
                                               ToIndex(a >= 0 ? 0 : -1), session_.ActiveRoof());
    if (d.marks)
        session_.RememberMarks(*d.marks);
    return {std::move(d.ops), d.modeAfter};
}

// ---------------------------------------------------------------- tools

void PhotoEditor::ChooseTool(ToolId index, ToolEntry entry) {
    const ViewMode view = session_.View();
    if (!ToolActs(index, view, entry))
        return;
    const ToolRow& row = ToolRowOf(index);
    const bool slope = view == ViewMode::Inclined;
    if (slope && entry == ToolEntry::Button && row.Has(ToolFlag::Validates) &&
        ValidateAltitudes() != 1) {
        // The release this raises leaves the select tool chosen.
        work_.InputModeRbn->SetValue(Index(index), false);
        return;
    }
    SetToolCursor(ToolCursor(index, view, entry));
    session_.SetTool(index);
    if (slope && row.Has(ToolFlag::ClearsOutline))
        roof_->ClearOutline();
    if (slope && row.Has(ToolFlag::ClearsWallStart))
        wall_->ClearStart();
    ToolAt(index).Chosen();
}

void PhotoEditor::InputModeRbn_Click(ToolId index, bool down) {
    if (down) {
        ChooseTool(index, ToolEntry::Button);
    } else if (session_.View() == ViewMode::Inclined) {
        SetDefaultCursors();
        session_.SetTool(ToolId::Select);
    }
}

void PhotoEditor::StopDrawLineMenu_Click() {
    SetDefaultCursors();
    session_.SetTool(ToolId::Select);
    session_.SetActiveRoof(-1);
    // The change count stays: stopping a tool saves nothing, and a later
    // close must still offer to save the edits made so far.
}

QPointF PhotoEditor::HotSpotPosition(double x, double y) const {
    return velmora::HotSpotPosition(session_.CurrentTool(), x, y);
}

void PhotoEditor::PhotoPic_MouseDown(int button, double x, double y) {
    // A press whose release never came ends at the next press.
    if (session_.PressHeld())
        session_.EndPress();
    Action action(*this);
    session_.BeginPress();
    const QPointF p = HotSpotPosition(x, y);
    const ToolId tool = session_.CurrentTool();
    // The double-click handlers act where the first click went down.
    if (button == PictureView::kLeftButton && ToolRowOf(tool).Has(ToolFlag::StoresDown)) {
        session_.SetDown(static_cast<float>(p.x()), static_cast<float>(p.y()));
    }
    ToolAt(tool).MouseDown(button, p);
}

void PhotoEditor::PhotoPic_MouseMove(int buttons, double x, double y) {
    Action action(*this);
    ToolAt(session_.CurrentTool()).MouseMove(buttons, HotSpotPosition(x, y));
}

void PhotoEditor::PhotoPic_MouseUp(int button, double x, double y) {
    Action action(*this);
    session_.EndPress();
    const ToolId tool = session_.CurrentTool();
    ToolAt(tool).MouseUp(button, HotSpotPosition(x, y));
    if (button == PictureView::kRightButton && ToolRowOf(tool).Has(ToolFlag::EditMenu) &&
        menus_.EditPhotoLineMenu) {
        PictureView& v = *work_.PhotoPic;
        const QPointF px = v.ToPixel(x, y);
        menus_.EditPhotoLineMenu->popup(
            v.mapToGlobal(QPoint(static_cast<int>(px.x()) + PictureView::kBorder,
                                 static_cast<int>(px.y()) + PictureView::kBorder)));
    }
}

void PhotoEditor::PhotoPic_DblClick() {
    Action action(*this);
    ToolAt(session_.CurrentTool()).DoubleClick();
}

} // namespace velmora
