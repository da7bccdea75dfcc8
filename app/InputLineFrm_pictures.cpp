// Loading the inclined picture: a user's JPEG or BMP file, or one of the two
// built-in sample pictures.
#include <QImage>
#include <QImageReader>
#include <algorithm>

#include "app/InputLineFrm.h"
#include "app/PictureFiles.h"
#include "data/Scenes.h"
#include "workspace/AltitudePanel.h"
#include "workspace/BuiltInFiles.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
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
    // Exactly these spellings: mixed case is not taken.
    return ext == QLatin1String("bmp") || ext == QLatin1String("jpg") ||
           ext == QLatin1String("BMP") || ext == QLatin1String("JPG");
}

QString SamplePictureResource(int picture) {
    return QStringLiteral(":/samples/sample%1.jpg").arg(picture);
}

void InputLineFrm::OPenPhotoMenu_Click() {
    const std::optional<QString> chosen =
        prompts_.OpenFile(this,
                          QStringLiteral("3D画像ファイル (*.jpg)|*.jpg|") +
                              QStringLiteral("jpg ファイル (*.bmp)|*.bmp|"),
                          QStringLiteral("*.jpg"));
    // Nothing chosen or not a picture name: no busy pointer was shown, and
    // the tool in use keeps its own pointer.
    if (!chosen || chosen->isEmpty())
        return;
    const QString name = PictureFileName(*chosen);
    if (!IsPictureFileName(name))
        return;

    editor_->ResetAllDataBuildingData();
    QImage picture;
    {
        BusyCursor busy;
        // The file's content decides the decoder, not its name.
        QImageReader reader(*chosen);
        reader.setDecideFormatFromContent(true);
        picture = reader.read();
    }
    if (picture.isNull()) {
        // The data is already cleared; the caption keeps naming the picture
        // still shown, and the user learns why nothing changed.
        prompts_.Message(this, QStringLiteral("画像ファイルを読み込めません。\n") + name);
        editor_->SetDefaultCursors();
        return;
    }
    setWindowTitle(QStringLiteral("３D写真/") + name);
    PicturePane& pane = work_->Picture();
    pane.ShowPicture(picture);
    pane.SetPictureCoordinates(pane.PhotoPic->InnerHeight(), pane.PhotoPic->InnerWidth());
    data_.gNorthAngle = 0;
    editor_->SelectSlopeView();
    state_.pSampleLoaded = kFalse;
    editor_->SetDefaultCursors();
    editor_->PictureLoaded();
}

void InputLineFrm::LoadSamplePhoto(int picture) {
    if (picture != 1 && picture != 2)
        return;
    editor_->ResetAllDataBuildingData();
    PicturePane& pane = work_->Picture();
    const QImage sample(SamplePictureResource(picture));
    if (!sample.isNull())
        pane.ShowPicture(sample);
    work_->Altitudes().SetTexts(SamplePicturePresets(picture));
    // The frame is measured in pixels from its top-left corner already.
    pane.SetPictureCoordinates(pane.PhotoPic->Height(), pane.PhotoPic->Width());
    data_.gNorthAngle = 0;
    state_.pSampleLoaded = kTrue;
    if (!sample.isNull())
        editor_->PictureLoaded();
}

} // namespace velmora
