// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shots.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <cmath>

#include "app/GnssDialog.h"
#include "app/InputLineFrm.h"
#include "app/ShadeMapDialog.h"
#include "data/Scenes.h"
#include "demo/DemoMarkers.h"
#include "demo/InputDemoLineFrm.h"
#include "workspace/AltitudePanel.h"
#include "workspace/CursorFile.h"
#include "workspace/EditSession.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/QtJapanese.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/ToolTable.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora::manual {

namespace {

constexpr QSize kWindow(1280, 768);
constexpr QSize kCrop(420, 300);

void Settle() {
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
}

QImage Grab(QWidget* w) {
    Settle();
    return w->grab().toImage();
}

// The part of the picture view around a set of picture points, kCrop large.
QImage CropAround(PictureView& v, double minX, double maxX, double minY, double maxY) {
    const QImage all = Grab(&v);
    const QPointF a = v.ToPixel(minX, maxY);
    const QPointF b = v.ToPixel(maxX, minY);
    const QPointF c = (a + b) / 2 + QPointF(PictureView::kBorder, PictureView::kBorder);
    QRect r(QPoint(0, 0), kCrop);
    r.moveCenter(c.toPoint());
    r.moveLeft(std::clamp(r.left(), 0, std::max(0, all.width() - r.width())));
    r.moveTop(std::clamp(r.top(), 0, std::max(0, all.height() - r.height())));
    return all.copy(r);
}

QImage CropAroundRoof(InputLineFrm& w, int roof) {
    const BuildingData& d = w.Data();
    const int s = d.gEachTopAreaStartNum[static_cast<std::size_t>(roof)];
    const int n = d.gEachTopAreaPointNum[static_cast<std::size_t>(roof)];
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int j = s; j < s + n; ++j) {
        minX = std::min<double>(minX, d.gTopAreaX[j]);
        maxX = std::max<double>(maxX, d.gTopAreaX[j]);
        minY = std::min<double>(minY, d.gTopAreaY[j]);
        maxY = std::max<double>(maxY, d.gTopAreaY[j]);
    }
    // The walls hang below the roof: centre a little lower.
    return CropAround(*w.Work().PhotoPic, minX, maxX, minY - 60, maxY);
}

// A press at a drawing position of the current tool, through the view.
void Press(InputLineFrm& w, double x, double y) {
    const QPointF tip = w.Editor().Tools().HotSpotPosition(0, 0);
    emit w.Work().PhotoPic->MouseDown(PictureView::kLeftButton, x - tip.x(), y - tip.y());
    emit w.Work().PhotoPic->MouseUp(PictureView::kLeftButton, x - tip.x(), y - tip.y());
}

QImage MenuShot(InputLineFrm& w, QMenu* menu, QAction* item) {
    menu->ensurePolished();
    menu->adjustSize();
    const QSize size(menu->width() + 12, menu->height() + w.menuBar()->height() + 4);
    return RenderMenuPicture(w.menuBar(), menu, item, size).toImage();
}

// The eight tool cursors in a row with the button caption under each.
QImage CursorStrip(const QString& icoDir) {
    QImage strip(770, 90, QImage::Format_RGB32);
    strip.fill(Qt::white);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = QApplication::font();
    f.setPixelSize(12);
    p.setFont(f);
    const int cell = strip.width() / kToolCount;
    for (ToolId tool : AllTools()) {
        const int t = Index(tool);
        const ToolRow& s = ToolRowOf(tool);
        QImage icon;
        if (s.cursor) {
            if (const auto c = ReadCursorFile(QDir(icoDir).filePath(QString::fromLatin1(s.cursor))))
                icon = c->image;
        } else {
            icon = PointerMarker(0).toImage();
        }
        const QRect box(t * cell + (cell - 48) / 2, 6, 48, 48);
        p.setPen(QColor(200, 200, 200));
        p.drawRect(box.adjusted(-1, -1, 0, 0));
        if (!icon.isNull()) {
            const QImage scaled = icon.scaled(icon.size().boundedTo(QSize(48, 48)) * 1.4,
                                              Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QRect at(QPoint(0, 0), scaled.size().boundedTo(box.size()));
            at.moveCenter(box.center());
            p.drawImage(at, scaled);
        }
        p.setPen(Qt::black);
        p.drawText(QRect(t * cell, 60, cell, 24), Qt::AlignCenter, QString::fromUtf8(s.caption));
    }
    return strip;
}

} // namespace

QMap<QString, QImage> TakeShots(const QString& icoDir, const QString& gnssDir) {
    QMap<QString, QImage> shots;
    BuildingData data;
    ScriptedPrompts prompts;
    InputLineFrm w(data, prompts);
    w.resize(kWindow);
    w.show();
    w.Form_Activate();
    WorkingArea& a = w.Work();

    // Sample picture 1, then its roofs traced one by one.
    w.Menus().LoadSamplePhotoMenu->trigger();
    shots[QStringLiteral("main-sample1")] = Grab(&w);
    a.InputModeRbn->SetValue(Index(ToolId::Trace), true);
    for (const PicturePoint& c : SamplePictureScene(1).clickPoints) {
        const QPointF tip = w.Editor().Tools().HotSpotPosition(0, 0);
        emit a.PhotoPic->MouseDown(PictureView::kLeftButton, c.x - tip.x(), c.y - tip.y());
        emit a.PhotoPic->MouseUp(PictureView::kLeftButton, c.x - tip.x(), c.y - tip.y());
        emit a.PhotoPic->DoubleClick();
    }
    shots[QStringLiteral("main-traced")] = Grab(&w);
    shots[QStringLiteral("photo-traced")] = Grab(a.PhotoPic);
    shots[QStringLiteral("trace-roof")] = CropAroundRoof(w, 2);

    // Sample picture 2 with its data set.
    w.Menus().LoadSample2PhotoMenu->trigger();
    w.Menus().LoadSample2DataMenu->trigger();
    shots[QStringLiteral("main-sample2")] = Grab(&w);
    shots[QStringLiteral("altitudes")] = Grab(&a.Altitudes());
    shots[QStringLiteral("views")] = Grab(a.SlopeOrFlatRbn->Button(0)->parentWidget());
    shots[QStringLiteral("tools")] =
        Grab(a.InputModeRbn->Button(Index(ToolId::Select))->parentWidget());
    shots[QStringLiteral("side")] = Grab(a.Altitudes().parentWidget());
    shots[QStringLiteral("file-menu")] =
        MenuShot(w, w.Menus().OpenFileMenu, w.Menus().OPenPhotoMenu);
    shots[QStringLiteral("edit-menu")] = MenuShot(w, w.Menus().Edit.EditPhotoLineMenu, nullptr);
    shots[QStringLiteral("cursors")] = CursorStrip(icoDir);

    // Roof 0 selected, as its double-click does.
    w.Session().SetActiveRoof(0);
    w.Editor().Views().ShowSlopeLineMap({.roof = 0, .walls = true});
    shots[QStringLiteral("selected-roof")] = CropAroundRoof(w, 0);

    // The picture hidden and back.
    a.ClearPhotoCmd->click();
    shots[QStringLiteral("cleared")] = Grab(a.PhotoPic);
    a.ClearPhotoCmd->click();

    // The plan map, then north set to 45 degrees.
    w.Editor().Views().SelectFlatView();
    shots[QStringLiteral("plan-map")] = Grab(a.PhotoPic);
    a.AzimusTxt->setText(QStringLiteral("45"));
    a.Dial().AzimusTxt_Enter();
    shots[QStringLiteral("plan-map-north")] = Grab(a.PhotoPic);
    shots[QStringLiteral("dial")] = Grab(&a.Dial());

    // A new roof being drawn, then a wall of roof 0.
    w.Editor().Views().SelectSlopeView();
    a.ClearPhotoCmd->click(); // "戻す": the picture back
    w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
    for (const QPointF c : {QPointF(-330, -250), QPointF(-230, -250), QPointF(-230, -180)})
        Press(w, c.x(), c.y());
    const QPointF tip = w.Editor().Tools().HotSpotPosition(0, 0);
    emit a.PhotoPic->MouseMove(0, -320 - tip.x(), -190 - tip.y());
    shots[QStringLiteral("roof-drawing")] = CropAround(*a.PhotoPic, -330, -230, -250, -180);
    Press(w, -330, -180);
    Press(w, -329, -249);
    w.Editor().Tools().InputModeMenu_Click(ToolId::Wall);
    Press(w, 150, -30);
    emit a.PhotoPic->DoubleClick();
    const int j = data.gEachTopAreaStartNum[static_cast<std::size_t>(w.Session().ActiveRoof())];
    const double tx = data.gTopAreaX[static_cast<std::size_t>(j)];
    const double ty = data.gTopAreaY[static_cast<std::size_t>(j)];
    Press(w, tx, ty);
    Press(w, tx - 18, ty - 84);
    shots[QStringLiteral("wall-drawing")] = CropAroundRoof(w, w.Session().ActiveRoof());

    // The height dialog as the plan map's menu item shows it.
    {
        const JapaneseQtTexts japanese;
        QInputDialog dialog(&w);
        dialog.setWindowTitle(QStringLiteral("建物高さ変更"));
        dialog.setLabelText(PhotoEditor::HeightQuestion());
        dialog.setInputMode(QInputDialog::DoubleInput);
        dialog.setDoubleRange(0, 1000);
        dialog.setDoubleDecimals(1);
        dialog.setDoubleValue(27.2);
        dialog.show();
        shots[QStringLiteral("height-dialog")] = Grab(&dialog);
    }

    // The demo window during its roof step.
    w.Menus().StartDemo1Menu->trigger();
    if (InputDemoLineFrm* demo = w.DemoWindow()) {
        demo->resize(kWindow);
        demo->Form_Activate();
        demo->Panels().NextCmd->click();
        demo->Panels().ResidentTmr->stop();
        while (demo->State().pStepIndex < 2 || demo->State().pStepTick < 20)
            demo->ResidentTmr_Timer();
        shots[QStringLiteral("demo-window")] = Grab(demo);
        demo->close();
    }

    // The predictions, on sample 2 in the plan map.
    w.Menus().LoadSample2PhotoMenu->trigger();
    w.Menus().LoadSample2DataMenu->trigger();
    w.Editor().Views().SelectFlatView();
    w.Menus().GnssMenu->trigger();
    if (GnssDialog* gnss = OpenGnssDialog(w)) {
        const JapaneseQtTexts japanese;
        // Copied into the program directory: the list shows the files' own
        // names, not the build's folders.
        for (const char* file : {"brdc3050.12n", "brdc3050.12g", "brdc3050.12q"}) {
            const QString name = QString::fromLatin1(file);
            QFile::copy(QDir(gnssDir).filePath(name), name);
            prompts.AnswerFile(name);
            gnss->findChild<QPushButton*>(QStringLiteral("AddEphemeris"))->click();
        }
        gnss->findChild<QDoubleSpinBox*>(QStringLiteral("Hours"))->setValue(3);
        gnss->findChild<QSpinBox*>(QStringLiteral("Step"))->setValue(120);
        // On the street between the buildings.
        gnss->SetReceiver(0, 5);
        QEventLoop loop;
        QObject::connect(gnss, &GnssDialog::Finished, &loop, &QEventLoop::quit);
        gnss->Start();
        if (gnss->Running())
            loop.exec();
        shots[QStringLiteral("gnss-dialog")] = Grab(gnss);
        shots[QStringLiteral("gnss-map")] = Grab(a.PhotoPic);
        gnss->close();
    }
    w.Menus().ShadeMapMenu->trigger();
    if (ShadeMapDialog* shade = w.ShadeMapWindow()) {
        const JapaneseQtTexts japanese;
        // A fixed day: the pages come out the same whenever they are built.
        shade->DateBox->setDate(QDate(2024, 12, 21));
        shade->resize(980, 900);
        shade->Compute();
        shots[QStringLiteral("shade-dialog")] = Grab(shade);
        if (!shade->MapView->pixmap().isNull())
            shots[QStringLiteral("shade-map")] = shade->MapView->pixmap().toImage();
        shade->close();
    }
    return shots;
}

} // namespace velmora::manual
