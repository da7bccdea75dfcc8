// SPDX-License-Identifier: GPL-3.0-or-later
// Names of picture files and of the built-in sample pictures.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <string>

#include "picture/PictureReader.h"

namespace velmora {

// The last piece of a path ("\" or "/" separated).
QString PictureFileName(const QString& path);
// True for names whose text after the last "." is the suffix of a readable
// picture format, all in lower or all in upper case.
bool IsPictureFileName(const QString& name);
// Resource path of sample picture n.
QString SamplePictureResource(int picture);

// The open dialog's filter: every readable format in one entry, JPEG first.
QString PictureDialogFilter();

// The system's bytes of a file name a dialog answered (names that are not
// UTF-8 included).
std::string FilePathBytes(const QString& path);

} // namespace velmora
