// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PredictionBoxes.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

#include <QDoubleSpinBox>
#include <QFile>
#include <QScreen>
#include <QSpinBox>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace velmora {

QDoubleSpinBox* DeclaredBox(const predict::Parameter& p) {
    return DeclaredBox(p, predict::DefaultValue(p));
}

QDoubleSpinBox* DeclaredBox(const predict::Parameter& p, double value) {
    auto* b = new QDoubleSpinBox;
    b->setObjectName(QString::fromUtf8(p.name));
    b->setDecimals(p.decimals);
    b->setRange(predict::LowestValue(p), predict::HighestValue(p));
    b->setSuffix(QString::fromUtf8(p.unitJa));
    b->setToolTip(QString::fromUtf8(p.label));
    if (std::isfinite(value))
        b->setValue(value);
    return b;
}

QSpinBox* DeclaredWholeBox(const predict::Parameter& p, int value) {
    auto* b = new QSpinBox;
    b->setObjectName(QString::fromUtf8(p.name));
    b->setRange(static_cast<int>(predict::LowestValue(p)),
                static_cast<int>(predict::HighestValue(p)));
    b->setSuffix(QString::fromUtf8(p.unitJa));
    b->setToolTip(QString::fromUtf8(p.label));
    b->setValue(value);
    return b;
}

QString ErrorText(const predict::Error& e) {
    const std::string file = QFile::decodeName(QByteArray::fromStdString(e.file)).toStdString();
    return QString::fromStdString(predict::Message(e, predict::Language::Japanese, file));
}

QString WarningText(const predict::Warning& w) {
    return QString::fromStdString(predict::WarningText(w, predict::Language::Japanese));
}

void PlaceBesidePlanMap(QWidget& dialog, const QWidget& planMap) {
    const QSize size = dialog.size().expandedTo(dialog.sizeHint());
    const QPoint mapTopRight = planMap.mapToGlobal(QPoint(planMap.width(), 0));
    QPoint at(mapTopRight.x(), mapTopRight.y());
    if (const QScreen* screen = planMap.screen()) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(),
                           std::max(room.left(), room.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), room.top(),
                           std::max(room.top(), room.bottom() + 1 - size.height())));
    }
    dialog.move(at);
}

} // namespace velmora
