// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up window: the title picture and the version for seven ticks of
// 400 ms after it is shown, then the main window.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QTimer;

namespace velmora {

class StartUpFrm : public QWidget {
    Q_OBJECT
  public:
    // `showMain` opens the main window when the splash ends.
    explicit StartUpFrm(std::function<void()> showMain, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* VersionLbl = nullptr;
    QTimer* Timer1 = nullptr;
    int pTickCount = 0;

    void Form_Activate();
    void Timer1_Timer();

  protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    std::function<void()> showMain_;
    bool started_ = false;
};

} // namespace velmora
