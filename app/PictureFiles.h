// Names of picture files and of the built-in sample pictures.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace velmora {

// The last piece of a path ("\" or "/" separated).
QString PictureFileName(const QString& path);
// True for names whose text after the last "." is bmp, jpg, BMP or JPG.
bool IsPictureFileName(const QString& name);
// Resource path of sample picture n.
QString SamplePictureResource(int picture);

// The most memory one decoded picture may take, in megabytes: a quarter of
// the machine's memory, since the views and the tracer's grey copy need
// about three times the picture again.
int PictureAllocationLimitMB();
// Why a picture of this size cannot be loaded; empty when it can.
QString PictureSizeProblem(QSize size);

// A picture file's picture, or why there is none (the message's first line).
struct PictureRead {
    QImage picture;
    QString problem;
};
PictureRead ReadPictureFile(const QString& path);

} // namespace velmora
