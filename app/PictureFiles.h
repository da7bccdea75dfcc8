// Names of picture files and of the built-in sample pictures.
#pragma once

#include <QString>

namespace velmora {

// The last piece of a path ("\" or "/" separated).
QString PictureFileName(const QString& path);
// True for names whose text after the last "." is bmp, jpg, BMP or JPG.
bool IsPictureFileName(const QString& name);
// Resource path of sample picture n.
QString SamplePictureResource(int picture);

} // namespace velmora
