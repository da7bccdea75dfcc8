// Loading the inclined picture: a user's JPEG or BMP file, or one of the two
// built-in sample pictures.
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <algorithm>

#include "app/InputLineFrm.h"
#include "app/PictureFiles.h"
#include "data/Scenes.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"

namespace velmora {

namespace {
QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

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

    ResetAllDataBuildingData();
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
        SetDefaultCursors();
        return;
    }
    setWindowTitle(QStringLiteral("３D写真/") + name);
    for (PictureView* v : {PhotoPic, PhotoPic2}) {
        v->SetPicture(picture);
        v->SizeToPicture();
    }
    SetPictureCoordinates(PhotoPic->InnerHeight(), PhotoPic->InnerWidth());
    data_.gNorthAngle = 0;
    SelectSlopeView();
    pSampleLoaded = kFalse;
    SetDefaultCursors();
    PictureLoaded();
}

void InputLineFrm::LoadSamplePhoto(int picture) {
    if (picture != 1 && picture != 2)
        return;
    ResetAllDataBuildingData();
    const QImage sample(SamplePictureResource(picture));
    if (!sample.isNull()) {
        for (PictureView* v : {PhotoPic, PhotoPic2}) {
            v->SetPicture(sample);
            v->SizeToPicture();
        }
    }
    const velmora::AltitudeTexts& preset = SamplePicturePresets(picture);
    VerHeightmTxt->setText(Text(preset.verHeightm));
    IncliHeightmTxt->setText(Text(preset.incliHeightm));
    VerHeightTxt->setText(Text(preset.verHeight));
    IncliHeightTxt->setText(Text(preset.incliHeight));
    // The frame is measured in pixels from its top-left corner already.
    SetPictureCoordinates(PhotoPic->Height(), PhotoPic->Width());
    data_.gNorthAngle = 0;
    pSampleLoaded = kTrue;
    if (!sample.isNull())
        PictureLoaded();
}

void InputLineFrm::PictureLoaded() {
    emit PictureReady();
}

} // namespace velmora
