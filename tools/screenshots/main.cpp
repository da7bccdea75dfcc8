// SPDX-License-Identifier: GPL-3.0-or-later
// Puts the windows into the states worth looking at and saves a picture of
// each: the splash, the empty main window, each sample picture with its
// sample data (roof 0 of sample 2 selected), sample picture 1 with its
// roofs traced, and the plan maps. Run it from the program
// directory (take.sh does); with an X display and ImageMagick's `import` it
// also captures the whole screen, so window frames and menus show as a user
// sees them.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

#include "app/GnssDialog.h"
#include "app/InputLineFrm.h"
#include "app/StartUpFrm.h"
#include "data/Scenes.h"
#include "demo/InputDemoLineFrm.h"
#include "manual/Manual4Frm.h"
#include "workspace/AltitudePanel.h"
#include "workspace/EditSession.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace {

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// With a reference folder, each picture is compared with the one of the same
// name there; any differing pixel makes the run fail.
QString gReference;
int gDiffering = 0;

void Compare(const QImage& shot, const QString& name) {
    const QImage ref(QDir(gReference).filePath(name + QStringLiteral(".png")));
    if (ref.isNull()) {
        std::printf("%s: no reference\n", qPrintable(name));
        return;
    }
    const QImage a = shot.convertToFormat(QImage::Format_RGB32);
    const QImage b = ref.convertToFormat(QImage::Format_RGB32);
    long long n = 0;
    if (a.size() != b.size()) {
        n = -1;
    } else {
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                n += a.pixel(x, y) != b.pixel(x, y);
    }
    std::printf("%s: %s\n", qPrintable(name),
                n < 0 ? "size differs" : qPrintable(QStringLiteral("%1 pixels differ").arg(n)));
    gDiffering += n != 0;
}

void Shoot(QWidget& w, const QDir& out, const QString& name) {
    Wait(400);
    const QImage shot = w.grab().toImage();
    shot.save(out.filePath(name + QStringLiteral(".png")));
    if (!gReference.isEmpty())
        Compare(shot, name);
    const QString import = QStandardPaths::findExecutable(QStringLiteral("import"));
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && !import.isEmpty())
        QProcess::execute(import, {QStringLiteral("-window"), QStringLiteral("root"),
                                   out.filePath(name + QStringLiteral("-screen.png"))});
    std::printf("%s\n", qPrintable(out.filePath(name + QStringLiteral(".png"))));
}

// Ticks the demo's step clock until `step` has run `ticks` of its ticks.
void TickTo(velmora::InputDemoLineFrm& d, int step, int ticks) {
    auto& r = d.State();
    for (int guard = 0; guard < 200; ++guard) {
        if (r.pStepIndex == step && r.pStepTick >= ticks)
            return;
        if (r.pStepIndex > step)
            return;
        (d.Panels().ResidentTmr->isActive() ? d.ResidentTmr_Timer() : d.Resident2Tmr_Timer());
    }
}

// Both demos through their steps, the clock driven tick by tick.
void ShootDemo(velmora::InputLineFrm& w, int demo, const QDir& out) {
    (demo == 1 ? w.Menus().StartDemo1Menu : w.Menus().StartDemo2Menu)->trigger();
    velmora::InputDemoLineFrm* d = w.DemoWindow();
    if (!d)
        return;
    d->Form_Activate();
    const QString n = QStringLiteral("demo%1-").arg(demo);
    Shoot(*d, out, n + QStringLiteral("0-intro"));
    d->Panels().NextCmd->click();
    // Both timers stay off: the driver ticks.
    d->Panels().ResidentTmr->stop();
    d->Panels().Resident2Tmr->stop();
    const struct {
        int step, ticks;
        const char* name;
    } shots[] = {{0, 1, "1-menu"},        {1, 5, "2-altitudes"},   {2, 5, "3-roofs-begun"},
                 {2, 19, "4-roofs-half"}, {2, 30, "5-roofs-late"}, {3, 7, "6-walls"},
                 {4, 1, "7-erased"},      {5, 1, "8-plan-map"},    {6, 1, "9-completed"}};
    for (const auto& shot : shots) {
        TickTo(*d, shot.step, shot.ticks);
        Shoot(*d, out, n + QString::fromLatin1(shot.name));
    }
    d->Work().CloseCmd->click();
    Wait(100);
}

// The manual window empty, then each page at its top and its bottom.
void ShootManual(velmora::InputLineFrm& w, const QDir& out) {
    w.Menus().HelpMenu->trigger();
    velmora::Manual4Frm* m = w.ManualWindow();
    if (!m)
        return;
    Shoot(*m, out, QStringLiteral("manual-0-empty"));
    for (int page = 0; page < velmora::kManualPages; ++page) {
        m->ItemName1Lbl_Click(page);
        Shoot(*m, out, QStringLiteral("manual-page%1-top").arg(page));
        m->VScroll1->setValue(m->VScroll1->maximum());
        Shoot(*m, out, QStringLiteral("manual-page%1-bottom").arg(page));
    }
    m->close();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> [<reference folder>]\n", argv[0]);
        return 2;
    }
    if (argc == 3)
        gReference = QString::fromLocal8Bit(argv[2]);
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));

    {
        velmora::StartUpFrm splash({});
        splash.show();
        Shoot(splash, out, QStringLiteral("1-splash"));
        splash.Timer1->stop();
    }

    auto data = std::make_unique<velmora::BuildingData>();
    velmora::ScriptedPrompts prompts;
    velmora::InputLineFrm w(*data, prompts);
    w.show();
    w.activateWindow();
    Shoot(w, out, QStringLiteral("2-main"));

    // Sample picture 1 with every roof traced by the one-click tool, each
    // double-click where the tool's tip points at the roof, then its plan map.
    w.Menus().LoadSamplePhotoMenu->trigger();
    w.Work().InputModeRbn->SetValue(velmora::Index(velmora::ToolId::Trace), true);
    for (const velmora::PicturePoint& c : velmora::SamplePictureScene(1).clickPoints) {
        emit w.Work().PhotoPic->MouseDown(velmora::PictureView::kLeftButton, c.x + 10, c.y - 10);
        emit w.Work().PhotoPic->MouseUp(velmora::PictureView::kLeftButton, c.x + 10, c.y - 10);
        emit w.Work().PhotoPic->DoubleClick();
    }
    std::printf("traced roofs: %d\n", int(data->gEachTopAreaNumber));
    Shoot(w, out, QStringLiteral("3-sample1-traced"));
    w.Editor().Views().SelectFlatView();
    Shoot(w, out, QStringLiteral("3-sample1-traced-plan"));

    // Sample picture 1 with every building found by "全ビル自動トレース", and
    // the status bar's count.
    w.Menus().LoadSamplePhotoMenu->trigger();
    w.Menus().Edit.TraceAllMenu->trigger();
    std::printf("whole-picture roofs: %d\n", int(data->gEachTopAreaNumber));
    Shoot(w, out, QStringLiteral("3-sample1-traceall"));

    // Each sample picture through its menu command, with the sample data set
    // that outlines it drawn over it.
    w.Menus().LoadSamplePhotoMenu->trigger();
    w.Menus().LoadSampleDataMenu->trigger();
    Shoot(w, out, QStringLiteral("3-sample1"));

    w.Menus().LoadSample2PhotoMenu->trigger();
    Shoot(w, out, QStringLiteral("3-sample2-picture"));
    w.Menus().LoadSample2DataMenu->trigger();
    Shoot(w, out, QStringLiteral("3-sample2"));
    // Roof 0 selected, as a double-click on it does.
    w.Session().SetActiveRoof(0);
    w.Editor().Views().ShowSlopeLineMap({.roof = 0, .walls = true});
    Shoot(w, out, QStringLiteral("3-sample2-roof0"));

    w.Menus().Edit.EditPhotoLineMenu->popup(w.Work().PhotoPic->mapToGlobal(QPoint(300, 200)));
    Shoot(w, out, QStringLiteral("4-edit-menu"));
    w.Menus().Edit.EditPhotoLineMenu->close();

    w.Editor().Views().SelectFlatView();
    Shoot(w, out, QStringLiteral("5-plan-map"));
    // The prediction dialogs beside the plan map: roof numbers and the
    // receiver drawn on it while a dialog is open.
    w.Menus().GnssMenu->trigger();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* g = qobject_cast<velmora::GnssDialog*>(top); g && g->isVisible()) {
            g->SetReceiver(-20, -25);
            Shoot(w, out, QStringLiteral("5-plan-map-gnss"));
            Shoot(*g, out, QStringLiteral("5-gnss-dialog"));
            g->close();
        }
    w.Menus().ShadeMapMenu->trigger();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != &w && top->isVisible() && top->inherits("QDialog")) {
            Shoot(*top, out, QStringLiteral("5-shade-dialog"));
            top->close();
        }
    Wait(200);
    // North typed as 45 degrees: the map turns north-up.
    w.Work().AzimusTxt->setText(QStringLiteral("45"));
    w.Work().Dial().AzimusTxt_Enter();
    Shoot(w, out, QStringLiteral("6-plan-map-north45"));

    // A new roof drawn with the roof tool, its last edge still a rubber
    // band, then a wall of roof 0 drawn with the wall tool.
    w.Editor().Views().SelectSlopeView();
    const auto press = [&](double x, double y) {
        emit w.Work().PhotoPic->MouseDown(velmora::PictureView::kLeftButton, x + 14, y - 14);
        emit w.Work().PhotoPic->MouseUp(velmora::PictureView::kLeftButton, x + 14, y - 14);
    };
    w.Editor().Tools().InputModeMenu_Click(velmora::ToolId::Roof);
    for (const QPointF c : {QPointF(-330, -250), QPointF(-230, -250), QPointF(-230, -180)})
        press(c.x(), c.y());
    emit w.Work().PhotoPic->MouseMove(0, -320 + 14, -190 - 14);
    Shoot(w, out, QStringLiteral("7-drawing-roof"));
    press(-330, -180);
    press(-329, -249);
    w.Editor().Tools().InputModeMenu_Click(velmora::ToolId::Wall);
    press(-300, -220);
    emit w.Work().PhotoPic->DoubleClick();
    const int j = data->gEachTopAreaStartNum[static_cast<std::size_t>(w.Session().ActiveRoof())];
    const double tx = data->gTopAreaX[static_cast<std::size_t>(j)];
    const double ty = data->gTopAreaY[static_cast<std::size_t>(j)];
    press(tx, ty);
    press(tx + 3, ty - 60);
    Shoot(w, out, QStringLiteral("8-drawing-wall"));
    ShootDemo(w, 1, out);
    ShootDemo(w, 2, out);
    ShootManual(w, out);
    if (!prompts.Texts().isEmpty())
        std::printf("messages: %s\n", qPrintable(prompts.Texts().join(QStringLiteral(" | "))));
    return gDiffering == 0 ? 0 : 1;
}
