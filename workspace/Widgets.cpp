// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/Widgets.h"

#include <QLineEdit>

namespace velmora {

QLineEdit* NumberBox(const char* name, QWidget* parent, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight);
    return e;
}

} // namespace velmora
