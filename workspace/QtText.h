// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between the core's plain values and Qt's.
#pragma once

#include <QColor>
#include <QString>
#include <string_view>

#include "data/DrawList.h"

namespace velmora {

// The core's texts are UTF-8.
inline QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace velmora
