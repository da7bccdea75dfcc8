// SPDX-License-Identifier: GPL-3.0-or-later
// Plays both guided demos in real time, as a user starts them from the menu,
// and reports how long each ran until it closed itself. Exits non-zero when a
// demo does not open, does not show its introduction or does not close.
#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/InputLineFrm.h"
#include "demo/InputDemoLineFrm.h"
#include "workspace/Prompts.h"

namespace {

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Play(velmora::InputLineFrm& w, QAction* entry, int demo) {
    entry->trigger();
    QPointer<velmora::InputDemoLineFrm> d = w.DemoWindow();
    if (!d) {
        std::printf("demo %d: no window\n", demo);
        return false;
    }
    QApplication::setActiveWindow(d);
    Wait(500);
    if (!d->Panels().StartPnl->isVisible()) {
        std::printf("demo %d: no introduction panel\n", demo);
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    d->Panels().NextCmd->click();
    while (d && clock.elapsed() < 150000)
        Wait(200);
    std::printf("demo %d: %s after %.1f s\n", demo, d ? "still open" : "closed itself",
                clock.elapsed() / 1000.0);
    std::fflush(stdout);
    return !d;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    velmora::BuildingData data;
    velmora::ScriptedPrompts prompts;
    velmora::InputLineFrm w(data, prompts);
    w.show();
    Wait(300);
    const bool ok = Play(w, w.Menus().StartDemo1Menu, 1) && Play(w, w.Menus().StartDemo2Menu, 2);
    if (!prompts.Texts().isEmpty())
        std::printf("messages: %s\n", qPrintable(prompts.Texts().join(QStringLiteral(" | "))));
    return ok ? 0 : 1;
}
