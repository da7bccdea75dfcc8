// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the inclined picture: a user's picture file in any format Qt's
// image plugins read, or one of the two built-in sample pictures.
#include <QImage>
#include <QPushButton>
#include <algorithm>

#include "app/InputLineFrm.h"
#include "app/PictureFiles.h"
#include "data/Scenes.h"
#include "picture/SystemNames.h"
#include "workspace/AltitudePanel.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

QString PictureFileName(const QString& path) {
    // The dialog answers with native separators on Windows and "/" elsewhere.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

bool IsPictureFileName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString ext = name.mid(dot + 1);
    // All lower or all upper case: mixed case is not taken.
    if (ext != ext.toLower() && ext != ext.toUpper())
        return false;
    return PictureSuffixes().contains(ext.toLower());
}

QString SamplePictureResource(int picture) {
    return QStringLiteral(":/samples/sample%1.png").arg(picture);
}

std::string FilePathBytes(const QString& path) {
    return ExistingPathBytes(path);
}

QString PictureDialogFilter() {
    // Lower and upper case: the dialog matches names as the file system
    // spells them.
    QStringList patterns;
    for (const QString& suffix : PictureSuffixes())
        patterns << QStringLiteral("*.") + suffix;
    for (const QString& suffix : PictureSuffixes())
        patterns << QStringLiteral("*.") + suffix.toUpper();
    const QString all = patterns.join(u' ');
    return QStringLiteral("画像ファイル (%1)|%1|").arg(all);
}

void InputLineFrm::OPenPhotoMenu_Click() {
    if (!MayReplaceEdits())
        return;
    const std::optional<QString> chosen =
        prompts_.OpenFile(this, PictureDialogFilter(), QStringLiteral("*.jpg"));
    // Nothing chosen or not a picture name: no busy pointer was shown, and
    // the tool in use keeps its own pointer.
    if (!chosen || chosen->isEmpty())
        return;
    const QString name = PictureFileName(*chosen);
    if (!IsPictureFileName(name))
        return;

    // One step of the undo history, from the cleared record on.
    PhotoEditor::PictureLoad load(*editor_);
    editor_->ClearRecordForPicture();
    PictureRead read;
    {
        BusyCursor busy;
        read = ReadPicture(FilePathBytes(*chosen));
    }
    const QImage& picture = read.picture;
    if (picture.isNull()) {
        // The data is already cleared; the caption keeps naming the picture
        // still shown, and the user learns why nothing changed. A picture
        // cut short is not shown at all: roofs would be traced in its padding.
        prompts_.Message(this, PictureProblemJapanese(read) + QStringLiteral("\n") + name);
        editor_->Tools().SetDefaultCursors();
        return;
    }
    ShowCaption(QStringLiteral("３D写真/") + name);
    PicturePane& pane = work_->Picture();
    pane.ShowPicture(picture);
    pane.SetPictureCoordinates(pane.PhotoPic->InnerHeight(), pane.PhotoPic->InnerWidth());
    data_.gNorthAngle = 0;
    editor_->Views().SelectSlopeView();
    state_.pSampleLoaded = kFalse;
    // Shown, whatever "画像消去" had done to the picture before.
    work_->ClearPhotoCmd->setText(QStringLiteral("画像消去"));
    editor_->Tools().SetDefaultCursors();
    editor_->PictureLoaded();
}

void InputLineFrm::LoadSamplePhoto(int picture) {
    if (picture != 1 && picture != 2)
        return;
    if (!MayReplaceEdits())
        return;
    PhotoEditor::PictureLoad load(*editor_);
    editor_->ClearRecordForPicture();
    PicturePane& pane = work_->Picture();
    const QImage sample(SamplePictureResource(picture));
    if (!sample.isNull()) {
        pane.ShowPicture(sample);
        work_->ClearPhotoCmd->setText(QStringLiteral("画像消去"));
        ShowCaption(ProgramCaption(QStringLiteral("サンプル画像%1").arg(picture)));
    }
    work_->Altitudes().SetTexts(SamplePicturePresets(picture));
    // The frame is measured in pixels from its top-left corner already.
    pane.SetPictureCoordinates(pane.PhotoPic->Height(), pane.PhotoPic->Width());
    data_.gNorthAngle = 0;
    state_.pSampleLoaded = kTrue;
    if (!sample.isNull())
        editor_->PictureLoaded();
}

} // namespace velmora
