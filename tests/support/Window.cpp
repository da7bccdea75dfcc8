// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Window.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <cmath>

#include "workspace/PhotoEditor.h"
#include "workspace/PictureView.h"
#include "workspace/ToolController.h"
#include "workspace/ViewController.h"

namespace velmora::testing {

WindowFixture::WindowFixture(bool withIcons) : data(std::make_unique<BuildingData>()) {
    oldCwd_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
    if (withIcons) {
        const QString ico =
            QDir(qEnvironmentVariable("VELMORA_PROGRAM_DIR")).filePath(QStringLiteral("ico"));
        QFile::link(ico, dir.filePath(QStringLiteral("ico")));
    }
}

WindowFixture::~WindowFixture() {
    window.reset();
    QDir::setCurrent(oldCwd_);
}

InputLineFrm& WindowFixture::Create() {
    window.reset();
    window = std::make_unique<InputLineFrm>(*data, prompts);
    return *window;
}

void WindowFixture::ShowActive() {
    window->show();
    QApplication::setActiveWindow(window.get());
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window.get());
}

void WindowFixture::SetAltitudes(const QString& verFeet, const QString& incliFeet) {
    window->Work().VerHeightTxt->setText(verFeet);
    window->Work().IncliHeightTxt->setText(incliFeet);
}

QString WindowFixture::IcoFile(const QString& name) const {
    return QDir(qEnvironmentVariable("VELMORA_PROGRAM_DIR"))
        .filePath(QStringLiteral("ico/") + name);
}

QString ShownCaption(const QWidget& w) {
    QString t = w.windowTitle();
    return t.replace(QStringLiteral("[*]"), w.isWindowModified() ? QStringLiteral("*") : QString());
}

Counts CountsOf(const BuildingData& d) {
    return {d.gTopAreaPointTotalNumber, d.gEachTopAreaNumber, d.gWallEdgeNumber};
}

void DoubleClickAt(InputLineFrm& w, PicturePoint p) {
    const QPointF tip = w.Editor().Tools().HotSpotPosition(p.x, p.y);
    const QPointF mouse(2 * p.x - tip.x(), 2 * p.y - tip.y());
    const QPointF px = w.Work().PhotoPic->ToPixel(mouse.x(), mouse.y());
    const QPoint at(int(std::lround(px.x())) + PictureView::kBorder,
                    int(std::lround(px.y())) + PictureView::kBorder);
    QTest::mouseClick(w.Work().PhotoPic, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.Work().PhotoPic, Qt::LeftButton, {}, at);
}

} // namespace velmora::testing
