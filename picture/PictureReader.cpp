// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/PictureReader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "data/PictureCheck.h"

namespace velmora {

namespace {

double DecodedMB(QSize size) {
    // Decoded with four bytes a pixel.
    return 4.0 * size.width() * size.height() / 1048576;
}

} // namespace

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
    const double mb = DecodedMB(size);
    if (mb <= PictureAllocationLimitMB())
        return QString();
    return QStringLiteral(
               "画像が大きすぎます（%1 × %2 ピクセル、約 %3 MB。読み込めるのは約 %4 MB まで）。")
        .arg(size.width())
        .arg(size.height())
        .arg(std::ceil(mb), 0, 'f', 0)
        .arg(PictureAllocationLimitMB());
}

PictureRead ReadPicture(const std::string& path) {
    PictureRead r;
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        r.fault = PictureFault::CannotOpen;
        r.error = errno;
        return r;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        r.fault = PictureFault::CannotOpen;
        r.error = EIO;
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        r.fault = PictureFault::NotAFile;
        return r;
    }
    const int limitMB = PictureAllocationLimitMB();
    {
        // The header alone decides the format and the size, before the
        // file's bytes take any memory.
        QImageReader header(&file);
        header.setDecideFormatFromContent(true);
        if (header.format().isEmpty()) {
            r.fault = PictureFault::NotAPicture;
            return r;
        }
        r.size = header.size();
        if (r.size.isValid() && DecodedMB(r.size) > limitMB) {
            r.fault = PictureFault::TooLarge;
            return r;
        }
    }
    // The file is read whole before it is decoded. No picture format needs
    // more than 16 bytes a pixel (16-bit RGBA, uncompressed, twice over) plus
    // 16 MB of metadata; a file far larger than the picture its header
    // announces holds something else, and reading it would only take time
    // and memory. Without a size in the header, the limit itself bounds it.
    const double allowedMB =
        r.size.isValid() ? 16.0 * r.size.width() * r.size.height() / 1048576 + 16 : limitMB;
    if (static_cast<double>(st.st_size) / 1048576 > std::min(allowedMB, double(limitMB))) {
        r.fault = PictureFault::FileTooLarge;
        return r;
    }
    if (!file.seek(0)) {
        r.fault = PictureFault::CannotOpen;
        r.error = EIO;
        return r;
    }
    QByteArray bytes = file.readAll();
    file.close();
    if (CheckPictureData(std::string_view(
            bytes.constData(), static_cast<std::size_t>(bytes.size()))) == PictureData::Truncated) {
        r.fault = PictureFault::Truncated;
        return r;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImageReader::setAllocationLimit(limitMB);
    r.picture = reader.read();
    if (r.picture.isNull()) {
        r.fault = PictureFault::CannotDecode;
        r.detail = reader.errorString();
    }
    return r;
}

QString PictureProblemJapanese(const PictureRead& r) {
    switch (r.fault) {
    case PictureFault::None:
        return QString();
    case PictureFault::CannotOpen:
        return QStringLiteral("画像ファイルを開けません（%1）。")
            .arg(QString::fromLocal8Bit(std::strerror(r.error)));
    case PictureFault::NotAFile:
        return QStringLiteral("画像ファイルを読み込めません。通常のファイルではありません。");
    case PictureFault::NotAPicture:
    case PictureFault::CannotDecode:
        return QStringLiteral("画像ファイルを読み込めません。");
    case PictureFault::TooLarge:
        return PictureSizeProblem(r.size);
    case PictureFault::FileTooLarge:
        return QStringLiteral("画像ファイルが、中の画像に比べて大きすぎます。");
    case PictureFault::Truncated:
        return QStringLiteral("画像ファイルが途中で切れています。");
    }
    return QString();
}

QString PictureProblemEnglish(const PictureRead& r) {
    switch (r.fault) {
    case PictureFault::None:
        return QString();
    case PictureFault::CannotOpen:
        return QStringLiteral("cannot open: ") + QString::fromLocal8Bit(std::strerror(r.error));
    case PictureFault::NotAFile:
        return QStringLiteral("not a regular file");
    case PictureFault::NotAPicture:
        return QStringLiteral("not a picture in any readable format (%1)")
            .arg(PictureSuffixes().join(QStringLiteral(", ")));
    case PictureFault::TooLarge:
        return QStringLiteral("the picture is too large (%1 x %2 pixels, about %3 MB; at most "
                              "about %4 MB can be read)")
            .arg(r.size.width())
            .arg(r.size.height())
            .arg(std::ceil(DecodedMB(r.size)), 0, 'f', 0)
            .arg(PictureAllocationLimitMB());
    case PictureFault::FileTooLarge:
        return QStringLiteral("the file is far larger than the picture it holds");
    case PictureFault::Truncated:
        return QStringLiteral("the picture file is cut short");
    case PictureFault::CannotDecode:
        return QStringLiteral("cannot decode the picture: ") + r.detail;
    }
    return QString();
}

QStringList PictureSuffixes() {
    QStringList rest;
    bool jpeg = false;
    for (const QByteArray& f : QImageReader::supportedImageFormats()) {
        const QString s = QString::fromLatin1(f).toLower();
        if (s == QStringLiteral("jpg") || s == QStringLiteral("jpeg"))
            jpeg = true;
        // Vector drawings and cursors are no aerial pictures.
        else if (s != QStringLiteral("svg") && s != QStringLiteral("svgz") &&
                 s != QStringLiteral("ico") && s != QStringLiteral("cur") && !rest.contains(s))
            rest << s;
    }
    rest.sort();
    if (jpeg)
        rest = QStringList{QStringLiteral("jpg"), QStringLiteral("jpeg")} + rest;
    return rest;
}

} // namespace velmora
