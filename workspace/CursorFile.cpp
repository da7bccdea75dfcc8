// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/CursorFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace velmora {

namespace {

quint16 U16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

} // namespace

std::optional<CursorImage> ReadCursorFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    // Directory (6 bytes) and the first entry (16 bytes).
    if (bytes.size() < 22 || U16(bytes, 0) != 0 || U16(bytes, 4) < 1)
        return std::nullopt;
    const quint16 type = U16(bytes, 2);
    if (type != 1 && type != 2)
        return std::nullopt;
    const QPoint fileHotSpot(U16(bytes, 10), U16(bytes, 12));
    // The image decoder reads icons; a cursor differs only in the type field
    // and in what the entry's planes and bit-count words mean.
    if (type == 2) {
        const quint32 offset =
            qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData()) + 18);
        // Bit count from the bitmap header (0 lets the decoder decide).
        quint16 bits = 0;
        if (offset + 16 <= static_cast<quint32>(bytes.size()))
            bits = U16(bytes, static_cast<int>(offset) + 14);
        bytes[2] = 1;
        bytes[10] = 1;
        bytes[11] = 0;
        bytes[12] = static_cast<char>(bits & 0xff);
        bytes[13] = static_cast<char>(bits >> 8);
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    CursorImage c;
    c.image = image.convertToFormat(QImage::Format_ARGB32);
    if (type == 2)
        c.hotSpot = QPoint(std::min(fileHotSpot.x(), c.image.width() - 1),
                           std::min(fileHotSpot.y(), c.image.height() - 1));
    else
        c.hotSpot = QPoint(c.image.width() / 2, c.image.height() / 2);
    return c;
}

std::optional<QCursor> LoadCursorFile(const QString& path) {
    const auto c = ReadCursorFile(path);
    if (!c)
        return std::nullopt;
    return QCursor(QPixmap::fromImage(c->image), c->hotSpot.x(), c->hotSpot.y());
}

} // namespace velmora
