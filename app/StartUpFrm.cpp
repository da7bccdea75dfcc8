// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartUpFrm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace velmora {

namespace {
constexpr int kPictureWidth = 600;
constexpr int kPictureHeight = 455;
constexpr int kTickMs = 400;
constexpr int kLastTick = 6; // the splash ends on the tick that passes this
} // namespace

StartUpFrm::StartUpFrm(std::function<void()> showMain, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), showMain_(std::move(showMain)) {
    setObjectName(QStringLiteral("StartUpFrm"));
    setWindowTitle(QStringLiteral("velmora"));
    setFixedSize(kPictureWidth, kPictureHeight);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kPictureWidth, kPictureHeight);
    Image1->setPixmap(QPixmap(QStringLiteral(":/splash/title.jpg")));
    VersionLbl = new QLabel(QStringLiteral("Ver. 8.1"), this);
    VersionLbl->setObjectName(QStringLiteral("VersionLbl"));
    QFont f = VersionLbl->font();
    f.setPointSize(13);
    f.setBold(true);
    VersionLbl->setFont(f);
    VersionLbl->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    VersionLbl->adjustSize();
    VersionLbl->move(kPictureWidth - VersionLbl->width() - 24,
                     kPictureHeight - VersionLbl->height() - 16);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    // Coarse timers may fire 5 % early; the ticks are meant to be 400 ms.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &StartUpFrm::Timer1_Timer);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void StartUpFrm::Form_Activate() {
    // Later activations leave the running count alone.
    if (started_)
        return;
    started_ = true;
    Timer1->setInterval(kTickMs);
    Timer1->start();
}

void StartUpFrm::Timer1_Timer() {
    ++pTickCount;
    if (pTickCount <= kLastTick)
        return;
    Timer1->stop();
    // The main window is up before the splash goes, so the program never
    // finds itself without a window.
    if (showMain_)
        showMain_();
    close();
}

void StartUpFrm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // A splash window is active as soon as it is shown; without a window
    // manager no activation arrives, so showing starts the clock too.
    Form_Activate();
}

void StartUpFrm::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

} // namespace velmora
