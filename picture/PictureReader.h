// SPDX-License-Identifier: GPL-3.0-or-later
// The one way a picture file becomes a picture, for the window and for
// velmora-cli alike: any format Qt's image plugins read, judged by its
// content; refused from its header when it would not fit in memory, and
// refused when the file is cut short.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <string>

namespace velmora {

// The most memory one decoded picture may take, in megabytes: a quarter of
// the machine's memory, since the views and the tracer's grey copy need
// about three times the picture again.
int PictureAllocationLimitMB();

// Why a picture of this size cannot be loaded, in Japanese; empty when it
// can.
QString PictureSizeProblem(QSize size);

enum class PictureFault {
    None,
    CannotOpen,  // the system's reason in `error`
    NotAFile,    // a folder, a pipe, a device
    NotAPicture, // no image plugin knows the content
    TooLarge,    // the header's size exceeds the limit
    FileTooLarge,
    Truncated,
    CannotDecode,
};

struct PictureRead {
    QImage picture;
    PictureFault fault = PictureFault::None;
    int error = 0;  // errno for CannotOpen
    QSize size;     // as the header says, when it says
    QString detail; // the decoder's own words, for CannotDecode
};

// Reads the file named by `path` (the system's bytes).
PictureRead ReadPicture(const std::string& path);

// Why there is no picture, for the window (Japanese) and for the command
// line (English); empty when there is one.
QString PictureProblemJapanese(const PictureRead& r);
QString PictureProblemEnglish(const PictureRead& r);

// The file name suffixes of the formats that can be read, lower case,
// JPEG first ("jpg", "jpeg", then the rest in alphabetical order).
QStringList PictureSuffixes();

} // namespace velmora
