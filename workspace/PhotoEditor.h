// SPDX-License-Identifier: GPL-3.0-or-later
// Editing on the working area, put together: the session, the view
// controller (view switch and redraws), the tools' environment and the tool
// controller, and the edit commands (clear or restore the picture, remove a
// roof, change a building's height, set north, clear all data, undo, redo).
// The menu items it keeps in step belong to the window that built them;
// those it was not given are skipped.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workspace/EditSession.h"
#include "workspace/PicturePane.h"
#include "workspace/ToolTable.h"

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class EditorEnvironment;
class Prompts;
class ToolController;
class ViewController;
class WorkingArea;

// The items of "編集(&E)" whose state follows the editing.
struct EditMenuItems {
    QMenu* EditPhotoLineMenu = nullptr; // popped up by the right button
    QAction* DispSlopeMapMenu = nullptr;
    QAction* DispFlatMapMenu = nullptr;
    std::array<QAction*, kToolCount> InputModeMenu{}; // the last tool has none
    QAction* ChangeBillHeightMenu = nullptr;
    QAction* Remove1TopAreaMenu = nullptr;
    QAction* TraceAllMenu = nullptr; // "全ビル自動トレース"
    QAction* UndoMenu = nullptr;
    QAction* RedoMenu = nullptr;
};

class PhotoEditor : public QObject {
    Q_OBJECT
  public:
    PhotoEditor(WorkingArea& work, BuildingData& data, Prompts& prompts, QObject* parent = nullptr);
    ~PhotoEditor() override;

    void SetMenuItems(const EditMenuItems& items);
    EditSession& Session() { return session_; }
    ViewController& Views() { return *views_; }
    ToolController& Tools() { return *tools_; }

    // Clears the record and the change count, starts a new undo history, and
    // selects the inclined view.
    void ResetAllDataBuildingData();
    // A new picture is in PhotoPic and PhotoPic2.
    void PictureLoaded();

    // What the window keeps of a picture load beside the working area: its
    // caption and whether a sample is loaded. Read when a load begins and
    // when one is undone, put back by the undo and the redo.
    struct WindowPart {
        QString caption;
        bool sample = false;
    };
    std::function<WindowPart()> ReadWindowPart;
    std::function<void(const WindowPart&)> RestoreWindowPart;

    // A picture load as one undo step. Made before the load changes
    // anything, it keeps what the load replaces (the record, the picture with
    // its size and coordinates, the altitude boxes, the window's part);
    // "元に戻す" then brings all of it back. Ends with its scope.
    class PictureLoad {
      public:
        explicit PictureLoad(PhotoEditor& e);
        ~PictureLoad();
        PictureLoad(const PictureLoad&) = delete;
        PictureLoad& operator=(const PictureLoad&) = delete;

      private:
        PhotoEditor& e_;
        unsigned id_;
    };
    // Clears the record for a new picture, within a PictureLoad: nothing to
    // save, the inclined view selected.
    void ClearRecordForPicture();

    void ClearPhotoCmd_Click();
    void Remove1TopAreaMenu_Click();
    void ChangeBillHeightMenu_Click();
    // "全ビル自動トレース": every building of the inclined picture not yet
    // set, found and registered as one undoable step, with a progress
    // dialog; cancelled, the record stays as it was.
    void TraceAllRoofs_Click();
    // Its status-bar line after the last run.
    static QString TraceAllSummary(int found, int withHeight,
                                   const std::vector<std::pair<QString, int>>& without);
    // North typed or dropped on the dial.
    void SetNorth(float northAngle, bool redraw);
    // Asks for the selected building's height in metres; nullopt when
    // cancelled. Replaceable so that tests never block on the dialog.
    std::function<std::optional<double>(QWidget*, const QString& text, double current)>
        AskBuildingHeight;
    // The question of the height dialog "建物高さ変更".
    static QString HeightQuestion();
    // "全て消去": the picture taken off the view and the record cleared, as
    // one undoable step that leaves nothing to save.
    void ClearAllData();
    // "元に戻す": abandons an outline being drawn, or else takes the last
    // step back; "やり直し" does it again. Each redraws the view.
    void UndoMenu_Click();
    void RedoMenu_Click();
    // A new record was loaded: nothing to undo.
    void StartNewHistory();

  signals:
    // A new picture is in PhotoPic2 (untouched copy) and PhotoPic.
    void PictureReady();
    // A line for the window's status bar (empty: clear it), such as why a
    // one-click trace registered nothing.
    void StatusText(const QString& text);
    // The count of unsaved edits changed.
    void ChangeCountChanged();

  private:
    // One command on the record (EditSession): the undo items follow it. It
    // first ends a press whose release never came.
    class Action {
      public:
        explicit Action(PhotoEditor& e) : e_(e) {
            e_.EndLostPress();
            e_.session_.BeginAction();
        }
        ~Action() {
            e_.session_.EndAction();
            e_.UpdateUndoItems();
        }
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

      private:
        PhotoEditor& e_;
    };
    void UpdateUndoItems();
    // A modal message during a press takes its release: with no button down
    // any more, the press is over.
    void EndLostPress();
    // Shows the record after the undo (undo false: the redo) of a step.
    void ShowHistoryStep(unsigned tag, bool undo);
    void SetRemoveRoofMenu(bool enabled);
    void SetChangeHeightMenu(bool enabled);

    // Tags of the undo steps: the step also took the picture off the view;
    // the step loaded a picture, its scene's number in the bits above.
    static constexpr unsigned kStepHidPicture = 1;
    static constexpr unsigned kStepPicture = 2;
    static constexpr unsigned kSceneShift = 8;
    // The working area as a picture load found it.
    struct PictureScene {
        QImage picture; // the untouched copy's
        PicturePane::PictureFrame frame;
        bool shown = true; // not hidden by "画像消去" or "全て消去"
        QString clearCaption;
        std::array<std::string, 4> altitudes; // metres, metres, feet, feet
        WindowPart window;
    };
    PictureScene CaptureScene() const;
    void ApplyScene(const PictureScene& scene);
    // Drops the scenes no step refers to any more.
    void PruneScenes();

    WorkingArea& work_;
    Prompts& prompts_;
    EditSession session_;
    EditMenuItems menus_;
    // Destroyed before the session they work on.
    std::unique_ptr<ViewController> views_;
    std::unique_ptr<EditorEnvironment> env_;
    std::unique_ptr<ToolController> tools_;
    // The scenes of the picture loads in the history, by number.
    std::map<unsigned, PictureScene> scenes_;
    unsigned nextScene_ = 1;
    // The scene of the load under way, whose step is still to come (0 none).
    unsigned loadingScene_ = 0;
};

} // namespace velmora
