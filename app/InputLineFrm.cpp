// SPDX-License-Identifier: GPL-3.0-or-later
// Creation, activation and closing of the main window; the demo and help
// entries; where the built-in files are found.
#include "app/InputLineFrm.h"
#include "app/GnssDialog.h"
#include "app/PredictionMarks.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include "demo/DemoMarkers.h"
#include "demo/InputDemoLineFrm.h"
#include "manual/Manual4Frm.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/EditSession.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

const QString kSaveQuestion = QStringLiteral("変更を保存しますか？");

// Size the window opens with; smaller screens get their available area.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 800;
// Room left for the window frame's title bar.
constexpr int kTitleAllowance = 32;

} // namespace

InputLineFrm::InputLineFrm(BuildingData& data, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), data_(data), prompts_(prompts), work_(new WorkingArea(prompts, this)),
      editor_(new PhotoEditor(*work_, data, prompts, this)) {
    setObjectName(QStringLiteral("InputLineFrm"));
    ShowCaption(ProgramCaption(QString()));
    setCentralWidget(work_);
    work_->PhotoPic->setFocus();
    menus_ = BuildMainMenus(menuBar());
    editor_->SetMenuItems(menus_.Edit);
    ConnectMenus();
    // Why a one-click trace registered nothing, and the camera check's findings.
    connect(editor_, &PhotoEditor::StatusText, statusBar(),
            [bar = statusBar()](const QString& t) { bar->showMessage(t); });

    // The window opens in the screen's top-left corner, as large as the
    // screen allows.
    QSize size(kDefaultWidth, kDefaultHeight - kTitleAllowance);
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        size = size.boundedTo(QSize(avail.width(), avail.height() - kTitleAllowance));
    }
    resize(size);
    move(0, 0);

    // The program directory is where the program was started.
    data_.gAppPath = QDir::toNativeSeparators(QDir::currentPath()).toStdString();

    // The inclined view works in centred picture coordinates.
    work_->Picture().CentrePhotoPic();

    // An empty record, no roof selected, nothing to save, no sample loaded;
    // the first activation still to come.
    data_.gEachTopAreaNumber = 0;
    Session().SetActiveRoof(-1);
    state_.pFirstActivate = kTrue;
    editor_->ResetAllDataBuildingData();
    Session().SetChangeCount(0);
    state_.pSampleLoaded = kFalse;
    state_.pDataFileName = {QStringLiteral("*.dat"), QStringLiteral("LineData5.dat"),
                            QStringLiteral("LineData10.dat")};
    // With no roof selected there is none to remove.
    menus_.Edit.Remove1TopAreaMenu->setEnabled(false);

    // A picture load's undo step keeps the caption and the sample flag.
    editor_->ReadWindowPart = [this] {
        return PhotoEditor::WindowPart{windowTitle(), IsTrue(state_.pSampleLoaded)};
    };
    editor_->RestoreWindowPart = [this](const PhotoEditor::WindowPart& p) {
        ShowCaption(p.caption);
        state_.pSampleLoaded = ToVBool(p.sample);
    };
    connect(editor_, &PhotoEditor::ChangeCountChanged, this, &InputLineFrm::UpdateModifiedMark);
}

QString InputLineFrm::ProgramCaption(const QString& name) {
    const QString program = QStringLiteral("velmora");
    return name.isEmpty() ? program + QStringLiteral("[*]")
                          : name + QStringLiteral("[*] - ") + program;
}

void InputLineFrm::ShowCaption(const QString& caption) {
    setWindowTitle(caption.contains(QStringLiteral("[*]")) ? caption
                                                           : caption + QStringLiteral("[*]"));
    UpdateModifiedMark();
}

void InputLineFrm::UpdateModifiedMark() {
    setWindowModified(Session().ChangeCount() > 0);
}

InputLineFrm::~InputLineFrm() {
    // The marks ask the window's dialogs, which go before the view does.
    work_->PhotoPic->SetMarkSource({});
}

EditSession& InputLineFrm::Session() {
    return editor_->Session();
}

void InputLineFrm::ConnectMenus() {
    const MainMenus& m = menus_;
    PhotoEditor* e = editor_;
    connect(m.OPenPhotoMenu, &QAction::triggered, this, &InputLineFrm::OPenPhotoMenu_Click);
    connect(m.LoadSamplePhotoMenu, &QAction::triggered, this, [this] { LoadSamplePhoto(1); });
    connect(m.LoadSample2PhotoMenu, &QAction::triggered, this, [this] { LoadSamplePhoto(2); });
    connect(m.OpenDataMenu, &QAction::triggered, this, &InputLineFrm::OpenDataMenu_Click);
    connect(m.LoadSampleDataMenu, &QAction::triggered, this, [this] { LoadSampleData(1); });
    connect(m.LoadSample2DataMenu, &QAction::triggered, this, [this] { LoadSampleData(2); });
    connect(m.SaveDataMenu, &QAction::triggered, this, &InputLineFrm::SaveDataMenu_Click);
    ViewController* views = &e->Views();
    ToolController* tools = &e->Tools();
    connect(m.Edit.DispSlopeMapMenu, &QAction::triggered, views, &ViewController::SelectSlopeView);
    connect(m.Edit.DispFlatMapMenu, &QAction::triggered, views, &ViewController::SelectFlatView);
    connect(m.StopDrawLineMenu, &QAction::triggered, tools,
            &ToolController::StopDrawLineMenu_Click);
    for (ToolId t : AllTools())
        if (QAction* item = m.Edit.InputModeMenu[static_cast<std::size_t>(Index(t))])
            connect(item, &QAction::triggered, tools,
                    [tools, t] { tools->InputModeMenu_Click(t); });
    connect(m.Edit.ChangeBillHeightMenu, &QAction::triggered, e,
            &PhotoEditor::ChangeBillHeightMenu_Click);
    connect(m.Edit.Remove1TopAreaMenu, &QAction::triggered, e,
            &PhotoEditor::Remove1TopAreaMenu_Click);
    connect(m.Edit.UndoMenu, &QAction::triggered, e, &PhotoEditor::UndoMenu_Click);
    connect(m.Edit.RedoMenu, &QAction::triggered, e, &PhotoEditor::RedoMenu_Click);
    connect(m.StartDemo1Menu, &QAction::triggered, this, &InputLineFrm::StartDemo1Menu_Click);
    connect(m.StartDemo2Menu, &QAction::triggered, this, &InputLineFrm::StartDemo2Menu_Click);
    connect(m.HelpMenu, &QAction::triggered, this, &InputLineFrm::HelpMenu_Click);
    ConnectGnssMenu(*this);
    ConnectPredictionMarks(*this);
    connect(m.ShadeMapMenu, &QAction::triggered, this, &InputLineFrm::ShadeMapMenu_Click);
    connect(work_->ResetDataCmd, &QPushButton::clicked, this, &InputLineFrm::ResetDataCmd_Click);
    connect(work_->CloseCmd, &QPushButton::clicked, this, &InputLineFrm::CloseCmd_Click);
}

void InputLineFrm::ResetDataCmd_Click() {
    editor_->ClearAllData();
    state_.pSampleLoaded = kFalse;
    state_.pDataFileName[0] = QStringLiteral("*.dat");
    editor_->Tools().SetDefaultCursors();
    work_->SlopeOrFlatRbn->SetValue(0, true);
    work_->SlopeOrFlatRbn->SetValue(1, false);
}

void InputLineFrm::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void InputLineFrm::Form_Activate() {
    if (!IsTrue(state_.pFirstActivate))
        return;
    work_->SlopeOrFlatRbn->SetValue(0, true);
    state_.pFirstActivate = kFalse;
    if (IsTrue(data_.gTempDataSTS))
        RestoreTempDataFile();
}

void InputLineFrm::CloseCmd_Click() {
    if (Session().View() != ViewMode::Plan)
        work_->SlopeOrFlatRbn->SetValue(1, true);
    if (!AsksToSave()) {
        ClosingSequence();
        return;
    }
    switch (prompts_.AskToSave(this, kSaveQuestion)) {
    case SaveChoice::Save:
        // Saved or not, the window stays: the user sees what became of it.
        SaveDataMenu_Click();
        break;
    case SaveChoice::Discard:
        ClosingSequence();
        break;
    case SaveChoice::Cancel:
        break;
    }
}

bool InputLineFrm::AsksToSave() {
    return !IsTrue(state_.pSampleLoaded) && Session().ChangeCount() >= 1;
}

bool InputLineFrm::MayReplaceEdits() {
    if (!AsksToSave())
        return true;
    switch (prompts_.AskToSave(this, kSaveQuestion)) {
    case SaveChoice::Save:
        SaveDataMenu_Click();
        // A save that was cancelled or failed keeps the edits, and the load
        // does not replace them.
        return Session().ChangeCount() < 1;
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

void InputLineFrm::ClosingSequence() {
    Session().SetChangeCount(0);
    // Only a file that was really written is worth reading back.
    data_.gTempDataSTS = ToVBool(SaveTempDataFile());
    close();
}

void InputLineFrm::closeEvent(QCloseEvent* e) {
    if (!AsksToSave()) {
        e->accept();
        return;
    }
    switch (prompts_.AskToSave(this, kSaveQuestion)) {
    case SaveChoice::Save:
        e->ignore();
        SaveDataMenu_Click();
        return;
    case SaveChoice::Discard:
        data_.gTempDataSTS = kFalse;
        e->accept();
        return;
    case SaveChoice::Cancel:
        e->ignore();
        return;
    }
}

void InputLineFrm::StartDemo1Menu_Click() {
    if (IsTrue(data_.gDemoRunning))
        return;
    data_.gDemoRunning = kTrue;
    data_.gDemoNumber = 1;
    ShowDemoWindow();
}

void InputLineFrm::StartDemo2Menu_Click() {
    if (IsTrue(data_.gDemoRunning))
        return;
    data_.gDemoRunning = kTrue;
    data_.gDemoNumber = 2;
    ShowDemoWindow();
}

void InputLineFrm::HelpMenu_Click() {
    ShowManualWindow();
}

void InputLineFrm::ShowDemoWindow() {
    // The demo shows this window's own file menu as its first step's picture.
    const QPixmap menuPicture =
        RenderMenuPicture(menuBar(), menus_.OpenFileMenu, menus_.OPenPhotoMenu, QSize(150, 139));
    demo_ = new InputDemoLineFrm(data_, prompts_, menuPicture, this);
    demo_->setAttribute(Qt::WA_DeleteOnClose);
    demo_->show();
    demo_->activateWindow();
}

InputDemoLineFrm* InputLineFrm::DemoWindow() const {
    return demo_.data();
}

Manual4Frm* InputLineFrm::ManualWindow() const {
    return manual_.data();
}

void InputLineFrm::ShowManualWindow() {
    // One manual window: asked again, the open one comes to the front.
    if (!manual_) {
        manual_ = new Manual4Frm(data_.gAppPath, this);
        manual_->setAttribute(Qt::WA_DeleteOnClose);
    }
    manual_->show();
    manual_->raise();
    manual_->activateWindow();
}

QString InputLineFrm::BuiltInFile(const QString& relative) const {
    return velmora::BuiltInFile(data_.gAppPath, relative);
}

QString InputLineFrm::TempDataFilePath() const {
    const QString folder = QStringLiteral("Sample1");
    const QString name = QStringLiteral("TempData1.dat");
    const QDir app(QString::fromStdString(data_.gAppPath));
    QDir dir = app;
    if (!app.exists(folder)) {
        const QDir exe(QCoreApplication::applicationDirPath());
        if (exe.exists(folder))
            dir = exe;
    }
    return QDir::toNativeSeparators(QDir(dir.filePath(folder)).filePath(name));
}

bool InputLineFrm::SaveTempDataFile() {
    const QString path = TempDataFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return WriteProjectFile(data_, work_->Picture().PictureGeometry(),
                            QFile::encodeName(path).toStdString())
        .ok;
}

bool InputLineFrm::RestoreTempDataFile() {
    const bool ok = ReadProjectIntoWindow(TempDataFilePath()).ok;
    work_->SlopeOrFlatRbn->SetValue(1, true);
    return ok;
}

} // namespace velmora
