// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/RibbonGroup.h"

#include <QPushButton>
#include <QSignalBlocker>

namespace velmora {

RibbonGroup::RibbonGroup(QObject* parent) : QObject(parent) {}

QPushButton* RibbonGroup::AddButton(const QString& caption, const QString& toolTip,
                                    QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setCheckable(true);
    b->setToolTip(toolTip);
    const int index = Count();
    buttons_.push_back(b);
    values_.push_back(false);
    // The button's own toggling is undone: the group decides the state.
    connect(b, &QPushButton::clicked, this, [this, index](bool) {
        Show(index, values_[static_cast<std::size_t>(index)]);
        SetValue(index, true);
    });
    return b;
}

QPushButton* RibbonGroup::Button(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return buttons_[static_cast<std::size_t>(index)];
}

bool RibbonGroup::Value(int index) const {
    return index >= 0 && index < Count() && values_[static_cast<std::size_t>(index)];
}

int RibbonGroup::Down() const {
    for (int i = 0; i < Count(); ++i)
        if (values_[static_cast<std::size_t>(i)])
            return i;
    return -1;
}

void RibbonGroup::Show(int index, bool down) {
    QSignalBlocker block(buttons_[static_cast<std::size_t>(index)]);
    buttons_[static_cast<std::size_t>(index)]->setChecked(down);
}

void RibbonGroup::SetValue(int index, bool down) {
    if (index < 0 || index >= Count())
        return;
    const auto i = static_cast<std::size_t>(index);
    if (!down) {
        if (!values_[i])
            return;
        values_[i] = false;
        Show(index, false);
        emit Click(index, false);
        return;
    }
    for (int j = 0; j < Count(); ++j) {
        const auto k = static_cast<std::size_t>(j);
        if (j != index && values_[k]) {
            values_[k] = false;
            Show(j, false);
            emit Click(j, false);
        }
    }
    values_[i] = true;
    Show(index, true);
    emit Click(index, true);
}

} // namespace velmora
