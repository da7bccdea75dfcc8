// SPDX-License-Identifier: GPL-3.0-or-later
// A group of two-state buttons of which at most one is down. Pressing one
// releases the one that was down first (its release event comes before the
// press event). Setting a state from code raises the same events as a click,
// so a handler always runs in one place. A press of the button already down
// raises its press event again; releasing a button that is up raises nothing.
// Unlike an exclusive QButtonGroup, all buttons may be up.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

class QPushButton;
class QWidget;

namespace velmora {

class RibbonGroup : public QObject {
    Q_OBJECT
  public:
    explicit RibbonGroup(QObject* parent = nullptr);

    // Adds a button with the next index.
    QPushButton* AddButton(const QString& caption, const QString& toolTip, QWidget* parent);

    int Count() const { return static_cast<int>(buttons_.size()); }
    QPushButton* Button(int index) const;
    bool Value(int index) const;
    // Index of the button that is down, -1 when all are up.
    int Down() const;
    void SetValue(int index, bool down);

  signals:
    // down: true when the button was pressed, false when it was released.
    void Click(int index, bool down);

  private:
    void Show(int index, bool down);
    std::vector<QPushButton*> buttons_;
    std::vector<bool> values_;
};

} // namespace velmora
