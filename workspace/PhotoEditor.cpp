#include "workspace/PhotoEditor.h"

#include <QAction>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/Conventions.h"
#include "data/SlopeView.h"
#include "geometry/CameraModel.h"
#include "geometry/FlatMap.h"
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

const QString kClearPhoto = QStringLiteral("画像消去");
const QString kRestorePhoto = QStringLiteral("戻す");

// The tag of a step that also took the picture off the view.
constexpr unsigned kStepHidPicture = 1;

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
    tools_[kSelectTool] = std::make_unique<SelectTool>(env);
    tools_[kZoomTool] = std::make_unique<ZoomTool>(env);
    tools_[kRoofTool] = std::move(roof);
    tools_[kWallTool] = std::move(wall);
    tools_[kMoveTool] = std::move(move);
    tools_[kAddPointTool] = std::make_unique<AddPointTool>(env);
    tools_[kDeletePointTool] = std::make_unique<DeletePointTool>(env);
    tools_[kTraceTool] = std::move(trace);
    InitMapScaleTables(session_.MapTables);

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
    connect(work_.InputModeRbn, &RibbonGroup::Click, this, &PhotoEditor::InputModeRbn_Click);
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

PictureView& PhotoEditor::View() {
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
    session_.pChangeCount = 0;
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

void PhotoEditor::EnableToolsFor(int viewMode) {
    for (int t = 0; t < kToolCount; ++t) {
        const bool on = ToolEnabledIn(t, viewMode);
        work_.InputModeRbn->Button(t)->setEnabled(on);
        if (QAction* item = menus_.InputModeMenu[static_cast<std::size_t>(t)])
            item->setEnabled(on);
    }
    SetChangeHeightMenu(false);
    session_.pActiveTopArea = -1;
    // The one-click tool's button stays down across the switch.
    for (int t = 0; t < kTraceTool; ++t)
        work_.InputModeRbn->SetValue(t, false);
}

void PhotoEditor::EnterSlopeView() {
    SetDefaultCursors();
    work_.PhotoPic->SetDrawWidth(2);
    CheckViewItems(true);
    EnableToolsFor(kSlopeView);
    // Back from the plan map: the view gets its picture size and picture
    // coordinates again, so outlines and new clicks keep meaning picture
    // pixels. The picture itself stays hidden until "戻す".
    work_.Picture().LeaveCanvas();
    session_.pViewMode = kSlopeView;
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
    EnableToolsFor(kFlatView);
    session_.pFlatMapRate =
        session_.MapTables.gMapRate[static_cast<std::size_t>(ClampLevel(session_.gMapScaleIndex))];
    session_.pViewMode = kFlatView;
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
        session_.Data(), ToIndex(active), ToIndex(wallFlag), session_.pActiveTopArea);
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
    const SelectBox& m = session_.pMarks;
    DrawSelectMarks(static_cast<float>(m.maxX), static_cast<float>(m.minX),
                    static_cast<float>(m.maxY), static_cast<float>(m.minY));
}

void PhotoEditor::ShowFlatLineMap(int index1) {
    const Count active = static_cast<Count>(std::clamp<int>(index1, -1, kRoofCapacity - 1));
    const FlatMapView view = velmora::ShowFlatLineMap(session_.Data(), session_.MapTables, active);
    session_.gMapScaleIndex = view.level;
    session_.pFlatMapRate = view.drawing.flatMapRate;
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
    const Count level = ClampLevel(session_.gMapScaleIndex);
    const DrawList ops = UpdateNorthAngleOps(session_.Data(), session_.MapTables, level, mode);
    v.Paint(ops);
    if (ops.empty())
        v.SetMode(mode);
    // The north-up map works in the map's rate.
    session_.pFlatMapRate = session_.MapTables.gMapRate[static_cast<std::size_t>(level)];
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

// ---------------------------------------------------------------- tools

void PhotoEditor::ChooseTool(int index, ToolEntry entry) {
    const int view = session_.pViewMode;
    if (!ToolActs(index, view, entry))
        return;
    const ToolRow& row = ToolRowOf(index);
    const bool slope = view == kSlopeView;
    if (slope && entry == ToolEntry::Button && row.validates && ValidateAltitudes() != 1) {
        // The release this raises leaves the select tool chosen.
        work_.InputModeRbn->SetValue(index, false);
        return;
    }
    SetToolCursor(ToolCursor(index, view, entry));
    session_.pInputMode = static_cast<Count>(index);
    if (slope && row.clearsOutline)
        roof_->ClearOutline();
    if (slope && row.clearsWallStart)
        wall_->ClearStart();
    ToolAt(index).Chosen();
}

void PhotoEditor::InputModeRbn_Click(int index, bool down) {
    if (down) {
        ChooseTool(index, ToolEntry::Button);
    } else if (session_.pViewMode == kSlopeView) {
        SetDefaultCursors();
        session_.pInputMode = kSelectTool;
    }
}

void PhotoEditor::StopDrawLineMenu_Click() {
    SetDefaultCursors();
    session_.pInputMode = kSelectTool;
    session_.pActiveTopArea = -1;
    // The change count stays: stopping a tool saves nothing, and a later
    // close must still offer to save the edits made so far.
}

QPointF PhotoEditor::HotSpotPosition(double x, double y) const {
    return velmora::HotSpotPosition(session_.pInputMode, x, y);
}

void PhotoEditor::PhotoPic_MouseDown(int button, double x, double y) {
    // A press whose release never came ends at the next press.
    if (session_.PressHeld())
        session_.EndPress();
    Action action(*this);
    session_.BeginPress();
    const QPointF p = HotSpotPosition(x, y);
    const int tool = session_.pInputMode;
    if (!IsTool(tool))
        return;
    // The double-click handlers act where the first click went down.
    if (button == PictureView::kLeftButton && ToolRowOf(tool).storesDown) {
        session_.pDownX = static_cast<float>(p.x());
        session_.pDownY = static_cast<float>(p.y());
    }
    ToolAt(tool).MouseDown(button, p);
}

void PhotoEditor::PhotoPic_MouseMove(int buttons, double x, double y) {
    Action action(*this);
    if (IsTool(session_.pInputMode))
        ToolAt(session_.pInputMode).MouseMove(buttons, HotSpotPosition(x, y));
}

void PhotoEditor::PhotoPic_MouseUp(int button, double x, double y) {
    Action action(*this);
    session_.EndPress();
    const int tool = session_.pInputMode;
    if (!IsTool(tool))
        return;
    ToolAt(tool).MouseUp(button, HotSpotPosition(x, y));
    if (button == PictureView::kRightButton && ToolRowOf(tool).editMenu &&
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
    if (IsTool(session_.pInputMode))
        ToolAt(session_.pInputMode).DoubleClick();
}

// ---------------------------------------------------------------- commands

void PhotoEditor::ClearPhotoCmd_Click() {
    QPushButton* cmd = work_.ClearPhotoCmd;
    if (cmd->text() == kClearPhoto) {
        work_.PhotoPic->RemovePicture();
        ShowAllSlopeLines();
        SetDefaultCursors();
        cmd->setText(kRestorePhoto);
    } else {
        SetDefaultCursors();
        cmd->setText(kClearPhoto);
        work_.PhotoPic->CopyPictureFrom(*work_.PhotoPic2);
        ShowSlopeLineMap(-1, -1);
    }
}

void PhotoEditor::Remove1TopAreaMenu_Click() {
    Action action(*this, true);
    if (RemoveActiveTopArea(session_.Data(), session_.pActiveTopArea))
        session_.CountEdit();
    session_.pActiveTopArea = -1;
    SetRemoveRoofMenu(MenuState::Disable);
    ShowSlopeLineMap(-1, -1);
}

void PhotoEditor::ChangeBillHeightMenu_Click() {
    Action action(*this, true);
    BuildingData& d = session_.Data();
    const int a = session_.pActiveTopArea;
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
    ShowFlatLineMap(a);
}

QString PhotoEditor::HeightQuestion() {
    return QStringLiteral(
        "建物の高さ（m）を入力してください（0～1000）。\n"
        "側壁ラインのある建物は、次に平面図を表示したときに側壁ラインから高さが計算し直されます。");
}

void PhotoEditor::SetNorth(float northAngle, bool redraw) {
    Action action(*this, true);
    session_.Data().gNorthAngle = northAngle;
    session_.CountEdit();
    if (redraw) {
        work_.PhotoPic->SetDrawWidth(2);
        UpdateNorthAngle();
    }
}

void PhotoEditor::ClearAllData() {
    Action action(*this, true);
    const bool shown = work_.PhotoPic->HasPicture();
    work_.PhotoPic->RemovePicture();
    velmora::ResetAllDataBuildingData(session_.Data());
    // No roof is left to be active.
    session_.pActiveTopArea = -1;
    session_.RecordEdit(shown ? kStepHidPicture : 0);
    session_.pChangeCount = 0;
    SelectSlopeView();
}

bool PhotoEditor::DrawingOutline() {
    return session_.pViewMode == kSlopeView && session_.pInputMode == kRoofTool &&
           roof_->Outline().pDrawPointNum > 0;
}

void PhotoEditor::UndoMenu_Click() {
    EndLostPress();
    // Not in the middle of a drag.
    if (session_.PressHeld())
        return;
    if (DrawingOutline()) {
        // Only the unfinished outline goes; its marks with it.
        roof_->ClearOutline();
        RedrawCurrentView();
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
    const bool slope = session_.pViewMode != kFlatView;
    // The plan map is drawn without the picture in any case.
    if ((tag & kStepHidPicture) && slope) {
        if (undo)
            work_.PhotoPic->CopyPictureFrom(*work_.PhotoPic2);
        else
            work_.PhotoPic->RemovePicture();
    }
    // The view draws again only where the figures differ.
    RedrawCurrentView();
    const bool active = session_.pActiveTopArea >= 0;
    SetRemoveRoofMenu(active && slope ? MenuState::Enable : MenuState::Disable);
    SetChangeHeightMenu(active && !slope);
    UpdateUndoItems();
}

PhotoEditor::ViewDrawing PhotoEditor::CurrentViewDrawing() {
    const Count a = session_.pActiveTopArea;
    if (session_.pViewMode == kFlatView) {
        const Count active = static_cast<Count>(std::clamp<int>(a, -1, kRoofCapacity - 1));
        FlatMapView view = velmora::ShowFlatLineMap(session_.Data(), session_.MapTables, active);
        session_.gMapScaleIndex = view.level;
        session_.pFlatMapRate = view.drawing.flatMapRate;
        if (view.drawing.marks)
            session_.RememberMarks(*view.drawing.marks);
        return {std::move(view.drawing.ops), view.drawing.modeAfter};
    }
    SlopeDrawing d = velmora::ShowSlopeLineMap(session_.Data(), ToIndex(a),
                                               ToIndex(a >= 0 ? 0 : -1), session_.pActiveTopArea);
    if (d.marks)
        session_.RememberMarks(*d.marks);
    return {std::move(d.ops), d.modeAfter};
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
        menus_.UndoMenu->setEnabled(session_.CanUndo() || DrawingOutline());
    if (menus_.RedoMenu)
        menus_.RedoMenu->setEnabled(session_.CanRedo());
}

} // namespace velmora
