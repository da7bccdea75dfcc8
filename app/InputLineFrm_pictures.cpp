// Loading the inclined picture: a user's JPEG or BMP file, or one of the two
// built-in sample pictures.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <unistd.h>

#include "app/InputLineFrm.h"
#include "app/PictureFiles.h"
#include "data/PictureCheck.h"
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
    return QStringLiteral(":/samples/sample%1.png").arg(picture);
}

int PictureAllocationLimitMB() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    // Without an answer, Qt's own default.
    if (pages <= 0 || pageSize <= 0)
        return 256;
    const double mb = static_cast<double>(pages) * static_cast<double>(pageSize) / 4 / 1048576;
    return static_cast<int>(std::clamp(mb, 256.0, 1.0e6));
}

QString PictureSizeProblem(QSize size) {
    if (!size.isValid())
        return QString();
    // Decoded with four bytes a pixel.
    const double mb = 4.0 * size.width() * size.height() / 1048576;
    if (mb <= PictureAllocationLimitMB())
        return QString();
    return QStringLiteral(
               "画像が大きすぎます（%1 × %2 ピクセル、約 %3 MB。読み込めるのは約 %4 MB まで）。")
        .arg(size.width())
        .arg(size.height())
        .arg(std::ceil(mb), 0, 'f', 0)
        .arg(PictureAllocationLimitMB());
}

PictureRead ReadPictureFile(const QString& path) {
    PictureRead r;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.problem = QStringLiteral("画像ファイルを読み込めません。");
        return r;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (CheckPictureData(std::string_view(
            bytes.constData(), static_cast<std::size_t>(bytes.size()))) == PictureData::Truncated) {
        r.problem = QStringLiteral("画像ファイルが途中で切れています。");
        return r;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The file's content decides the decoder, not its name.
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    r.problem = PictureSizeProblem(reader.size());
    if (!r.problem.isEmpty())
        return r;
    QImageReader::setAllocationLimit(PictureAllocationLimitMB());
    r.picture = reader.read();
    if (r.picture.isNull())
        r.problem = QStringLiteral("画像ファイルを読み込めません。");
    return r;
}

void InputLineFrm::OPenPhotoMenu_Click() {
    if (SaveInsteadOfReplacing())
        return;
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
    PictureRead read;
    {
        BusyCursor busy;
        read = ReadPictureFile(*chosen);
    }
    const QImage& picture = read.picture;
    if (picture.isNull()) {
        // The data is already cleared; the caption keeps naming the picture
        // still shown, and the user learns why nothing changed. A picture
        // cut short is not shown at all: roofs would be traced in its padding.
        prompts_.Message(this, read.problem + QStringLiteral("\n") + name);
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
    if (SaveInsteadOfReplacing())
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
