// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and saving project files.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "app/InputLineFrm.h"
#include "app/PictureFiles.h"
#include "workspace/AltitudePanel.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/EditSession.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

const QString kOpenFilter =
    QStringLiteral("データファイル (*.dat)|*.dat|") + QStringLiteral("dat ファイル (*.txt)|*.txt|");
const QString kSaveFilter = QStringLiteral("プロジェクト ファイル (*.dat)|*.dat|") +
                            QStringLiteral("txt ファイル (*.txt)|*.txt|");
const QString kRefused = QStringLiteral("このデータは保存できません。");
const QString kOverwrite = QStringLiteral("同じファイル名があります上書きしますか？");
const QString kReadFailed = QStringLiteral("データファイルを読み込めませんでした。");
const QString kWriteFailed = QStringLiteral("データを保存できませんでした。");

// The last piece of a path, by the platform's separator.
QString LastPiece(BuildingData& d, const QString& nativePath) {
    const std::string sep(1, QDir::separator().toLatin1());
    const int last = SplitPath(d, nativePath.toStdString(), sep);
    if (last < 0)
        return QString();
    return QString::fromStdString(d.gPathField[static_cast<std::size_t>(last)]);
}

// Text after the last "." (empty when there is none).
QString Extension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot < 0 ? QString() : path.mid(dot + 1);
}

// Every table and view parameter a project file carries.
void TakeProjectData(BuildingData& to, const BuildingData& from) {
    to.gNorthAngle = from.gNorthAngle;
    to.gSourceHeight = from.gSourceHeight;
    to.gFlatHeight = from.gFlatHeight;
    to.gSlideHeight = from.gSlideHeight;
    to.gSlideAngle = from.gSlideAngle;
    to.gTopAreaPointTotalNumber = from.gTopAreaPointTotalNumber;
    to.gTopAreaX = from.gTopAreaX;
    to.gTopAreaY = from.gTopAreaY;
    to.gFlatTopAreaX = from.gFlatTopAreaX;
    to.gFlatTopAreaY = from.gFlatTopAreaY;
    to.gEachTopAreaNumber = from.gEachTopAreaNumber;
    to.gEachTopAreaStartNum = from.gEachTopAreaStartNum;
    to.gEachTopAreaPointNum = from.gEachTopAreaPointNum;
    to.gEachClosedTopAreaSTS = from.gEachClosedTopAreaSTS;
    to.gFlatTopHeight = from.gFlatTopHeight;
    to.gWallEdgeNumber = from.gWallEdgeNumber;
    to.gFirstWallEdgeX = from.gFirstWallEdgeX;
    to.gFirstWallEdgeY = from.gFirstWallEdgeY;
    to.gSecondWallEdgeX = from.gSecondWallEdgeX;
    to.gSecondWallEdgeY = from.gSecondWallEdgeY;
    to.gWallEdgefotEachTopArea = from.gWallEdgefotEachTopArea;
}

} // namespace

FileResult InputLineFrm::ReadProjectIntoWindow(const QString& path) {
    // Read into a copy first: a file that cannot be read leaves the record,
    // the boxes and the view as they were.
    auto fresh = std::make_unique<BuildingData>(data_);
    ViewGeometry view = work_->Picture().PictureGeometry();
    FileResult r = ReadProjectFile(*fresh, FilePathBytes(path), view);
    if (r.ok) {
        ApplyProjectData(*fresh, view);
        editor_->StartNewHistory();
    }
    return r;
}

void InputLineFrm::ApplyProjectData(const BuildingData& read, const ViewGeometry& view) {
    TakeProjectData(data_, read);
    work_->Dial().ShowBearing(data_.gNorthAngle);
    work_->Picture().ApplyViewGeometry(view);
    work_->Altitudes().ShowMetres(data_.gSourceHeight, data_.gSlideHeight);
    editor_->Views().ShowSlopeLineMap({});
}

void InputLineFrm::OpenDataMenu_Click() {
    if (!MayReplaceEdits())
        return;
    const std::optional<QString> chosen =
        prompts_.OpenFile(this, kOpenFilter, QStringLiteral("*.dat"));
    // Cancelling saves nothing, so the edits stay marked unsaved.
    if (!chosen || chosen->isEmpty())
        return;
    const QString path = QDir::toNativeSeparators(*chosen);
    const QString name = LastPiece(data_, path);
    const QString ext = Extension(path);
    if (ext != QStringLiteral("dat") && ext != QStringLiteral("txt"))
        return;

    // The current work is replaced only by a file that reads completely.
    auto fresh = std::make_unique<BuildingData>(data_);
    velmora::ResetAllDataBuildingData(*fresh);
    fresh->gNorthAngle = 0;
    ViewGeometry view = work_->Picture().PictureGeometry();
    FileResult r;
    {
        BusyCursor busy;
        r = ReadProjectFile(*fresh, FilePathBytes(path), view);
    }
    if (!r.ok) {
        prompts_.Message(this, kReadFailed + QStringLiteral("\n") + path + QStringLiteral("\n") +
                                   QString::fromStdString(r.error));
        return;
    }
    BusyCursor busy;
    state_.pDataFileName[0] = name;
    editor_->ResetAllDataBuildingData();
    ShowCaption(QStringLiteral("データファイル/") + name);
    data_.gNorthAngle = 0;
    ApplyProjectData(*fresh, view);
    editor_->StartNewHistory();
    state_.pSampleLoaded = kFalse;
}

void InputLineFrm::SaveDataMenu_Click() {
    // Heights and plan points are refreshed by the plan map.
    if (Session().View() != ViewMode::Plan)
        work_->SlopeOrFlatRbn->SetValue(1, true);
    const std::optional<QString> chosen =
        prompts_.SaveFile(this, kSaveFilter, state_.pDataFileName[0]);
    if (!chosen || chosen->isEmpty())
        return;
    QString path = QDir::toNativeSeparators(*chosen);
    QString name = LastPiece(data_, path);
    if (name.isEmpty())
        return;
    // A name typed without an extension is a project file.
    if (!name.contains(u'.')) {
        path += QStringLiteral(".dat");
        name += QStringLiteral(".dat");
    }
    const QString ext = Extension(path);
    if (name == state_.pDataFileName[1] || name == state_.pDataFileName[2]) {
        prompts_.Message(this, kRefused);
        return;
    }
    if (ext != QStringLiteral("dat") && ext != QStringLiteral("txt"))
        return;
    if (QFileInfo::exists(path) && !prompts_.Question(this, kOverwrite))
        return; // nothing written: the edits stay marked unsaved
    FileResult r;
    {
        BusyCursor busy;
        r = WriteProjectFile(data_, work_->Picture().PictureGeometry(), FilePathBytes(path));
    }
    if (!r.ok) {
        prompts_.Message(this, kWriteFailed + QStringLiteral("\n") + path + QStringLiteral("\n") +
                                   QString::fromStdString(r.error));
        return;
    }
    Session().SetChangeCount(0);
    state_.pSampleLoaded = kFalse;
    // The captions that name the picture or project file opened stay; the
    // program's own names what was saved.
    if (!windowTitle().startsWith(QStringLiteral("３D写真/")) &&
        !windowTitle().startsWith(QStringLiteral("データファイル/")))
        ShowCaption(ProgramCaption(name));
}

} // namespace velmora
