// SPDX-License-Identifier: GPL-3.0-or-later
// The guided-demo window: the main window's working area, made of the same
// components, with narration and marker panels over the picture. A step
// clock plays seven steps on a built-in scene; nothing of the demo reaches
// the main window's record, which the window reads only for the run-time
// demo flags.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <array>
#include <memory>

#include "data/BuildingData.h"
#include "data/DrawList.h"
#include "demo/DemoSteps.h"
#include "workspace/EditSession.h"

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace velmora {

class PictureView;
class Prompts;
class ViewController;
class WorkingArea;

class InputDemoLineFrm : public QMainWindow {
    Q_OBJECT
  public:
    // `shared` holds gDemoRunning and gDemoNumber; `menuPicture` is the
    // picture TopMenuPnl shows.
    InputDemoLineFrm(BuildingData& shared, Prompts& prompts, const QPixmap& menuPicture,
                     QWidget* owner = nullptr);
    ~InputDemoLineFrm() override;

    // The panels of the window (the working area's controls are in Work()).
    struct DemoPanels {
        QFrame* StartPnl = nullptr;
        std::array<QLabel*, kDemoIntroLines> MssagwPnl{};
        // Says that the demo waits for "次へ".
        QLabel* StartHintLbl = nullptr;
        QPushButton* NextCmd = nullptr;
        QPushButton* CancelCmd = nullptr;
        QLabel* MessagePnl = nullptr;
        QLabel* FocusPnl = nullptr;
        QLabel* OnDemoPnl = nullptr;
        QLabel* ResidentTimePnl = nullptr;
        QLabel* TopMenuPnl = nullptr;
        QLabel* ArrowPnl = nullptr;
        QLabel* ElpsoidPnl = nullptr;
        QLabel* TopLinePen = nullptr;
        QLabel* WallLinePen = nullptr;
        QLabel* BillTopPen = nullptr;
        QLabel* BusyPnl = nullptr;
        QPushButton* SaveDemoCmd = nullptr;
        PictureView* Sample2Pic = nullptr;
        PictureView* SamplePic1 = nullptr;
        QTimer* ResidentTmr = nullptr;
        QTimer* Resident2Tmr = nullptr;
    };
    // Where the step clock stands.
    struct Runner {
        Count pStepIndex = 0;
        Count pStepTicksLeft = 0;
        Count pStepTick = 0;
        VBool pDemoCompleted = kFalse;
        VBool pFirstActivate = kFalse;
    };
    // The pens' and the pointer's progress through the scene.
    struct Cursors {
        Count pPenPointIndex = 0;
        Count pRoofOpen = 0;
        float pRoofStartX = 0, pRoofStartY = 0;
        float pPenLastX = 0, pPenLastY = 0;
        Count pWallIndex = 0;
        Count pWallHalf = 0;
        Count pClickIndex = 0;
        Count pClickPhase = 0;
    };

    WorkingArea& Work() { return *work_; }
    const DemoPanels& Panels() const { return panels_; }
    Runner& State() { return runner_; }
    Cursors& Pens() { return cursors_; }
    // The scene tables (the p-tables of the scene, in a record of their own).
    BuildingData& Scene() { return scene_; }
    float pFlatMapRate() const { return flatMapRate_; }

    void Form_Activate();
    void NextCmd_Click();
    void CancelCmd_Click();
    void CloseCmd_Click();
    void ResetDataCmd_Click();
    // One tick of the running demo's step clock.
    void ResidentTmr_Timer();
    void Resident2Tmr_Timer();

    void SetDemo1Steps();
    void SetDemo2Steps();
    // ---- The scene ----
    void ShowDemoPicture();
    void LoadDemo1Scene();
    void LoadDemo2Scene();
    void PrintDemoSlopeCaption();
    void StepDemoRoofPen(int k);
    void StepDemoWallPen();
    void StepDemoRoofClick();
    void ShowDemoRevealedRoofs();
    void ShowDemoSlopeLines();
    void EraseDemoPicture();
    void ShowFlatLineMap(int index1);
    // The plan map of the scene as ShowFlatLineMap draws it: the map, the
    // scale bar, the north arrow.
    DrawList DemoFlatMapOps() const;
    DrawList DrawDemoFlatMap() const;
    DrawList DrawDemoScaleBar() const;

  protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void BuildPanels(const QPixmap& menuPicture);
    void StepClockTick();
    void StartStep(int step);
    void TickAction(int step);
    void LoadDemoScene(int demo);
    QTimer* RunningTimer() const;
    // Places a panel of PhotoPic with its top-left corner at a picture point.
    void PlaceInPhoto(QWidget* panel, double left, double top);
    void PlaceTextPanel(QLabel* panel, double left, double top, double width);
    // Tops of the panels along the view's top and bottom edges.
    double ViewTop() const;
    double ViewBottom() const;
    // The demo's name and the countdown in the view's lower right corner.
    void PlaceCornerPanels();

    BuildingData& shared_;
    WorkingArea* work_;
    DemoPanels panels_;
    Runner runner_;
    Cursors cursors_;
    std::array<DemoStep, kDemoStepSlots> steps_{};
    BuildingData scene_;
    // The scene's session: the view switch keeps the view there.
    EditSession session_{scene_};
    std::unique_ptr<ViewController> views_;
    float flatMapRate_ = 0;
    std::array<PicturePoint, kDemoStepSlots> clicks_{};
};

} // namespace velmora
