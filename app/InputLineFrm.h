// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the working area with its editor, under the menus. It
// holds the one building record of the program for its whole life and does
// what only the main window does: opening and saving project files, the
// samples and pictures, start-up, activation and closing.
//
//   app/InputLineFrm.cpp           creation, activation, closing, demo and help entries
//   app/InputLineFrm_file.cpp      opening and saving project files
//   app/InputLineFrm_samples.cpp   the built-in sample data sets
//   app/InputLineFrm_pictures.cpp  loading a picture file or a sample picture
//   app/MainMenus.cpp              the menu bar
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>

#include "app/MainMenus.h"
#include "data/BuildingData.h"
#include "data/ProjectFile.h"

namespace velmora {

class EditSession;
class InputDemoLineFrm;
class Manual4Frm;
class ShadeMapDialog;
class PhotoEditor;
class Prompts;
class WorkingArea;

class InputLineFrm : public QMainWindow {
    Q_OBJECT
  public:
    // `data` outlives the window: the run-time flags in it (the temporary
    // data file status, the demo flags) belong to the whole run.
    InputLineFrm(BuildingData& data, Prompts& prompts, QWidget* parent = nullptr);
    ~InputLineFrm() override;

    BuildingData& Data() { return data_; }
    Prompts& Ask() { return prompts_; }
    WorkingArea& Work() { return *work_; }
    PhotoEditor& Editor() { return *editor_; }
    EditSession& Session();
    const MainMenus& Menus() const { return menus_; }

    // What only the main window keeps.
    struct WindowState {
        // A sample was loaded: closing does not ask to save.
        VBool pSampleLoaded = kFalse;
        // [0] the name offered when saving; [1], [2] the sample data files'
        // names, which are not to be overwritten.
        std::array<QString, 3> pDataFileName;
        VBool pFirstActivate = kFalse;
    };
    WindowState& State() { return state_; }

    // ---- Creation, activation, closing ----
    void Form_Activate();
    void CloseCmd_Click();
    void ClosingSequence();
    // Before unsaved edits would be replaced (loading a picture, a project
    // file or a sample data set) asks "変更を保存しますか？" when no sample
    // is loaded and something was changed. True when the load may go on:
    // nothing to ask, "保存しない", or "保存する" and the save wrote the file.
    bool MayReplaceEdits();
    // The caption of the program's own making: the program's name with the
    // name of what is open, and Qt's mark for unsaved changes.
    static QString ProgramCaption(const QString& name);
    // Sets a caption and marks it modified while edits are unsaved.
    void ShowCaption(const QString& caption);
    void ResetDataCmd_Click();
    void StartDemo1Menu_Click();
    void StartDemo2Menu_Click();
    // The open demo window, if any.
    InputDemoLineFrm* DemoWindow() const;
    // The open manual window, if any.
    Manual4Frm* ManualWindow() const;
    void HelpMenu_Click();
    // "日影図(&S)...": opens (or brings up) the shade-map dialog.
    void ShadeMapMenu_Click();
    ShadeMapDialog* ShadeMapWindow() const;
    QString BuiltInFile(const QString& relative) const;
    QString TempDataFilePath() const;
    bool SaveTempDataFile();
    bool RestoreTempDataFile();

    // ---- Files ----
    void OpenDataMenu_Click();
    void SaveDataMenu_Click();
    // Reads a project file into a copy of the record and takes it over only
    // when the whole file was read. Updates the boxes, dial and view.
    FileResult ReadProjectIntoWindow(const QString& path);
    // Takes over what a project file held and shows it: dial, bearing box,
    // view geometry, altitude boxes, outlines.
    void ApplyProjectData(const BuildingData& read, const ViewGeometry& view);

    // ---- Samples and pictures ----
    void LoadSampleData(int set);
    void OPenPhotoMenu_Click();
    void LoadSamplePhoto(int picture);

  protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void ConnectMenus();
    // Whether the unsaved-changes question would come.
    bool AsksToSave();
    void UpdateModifiedMark();
    void ShowDemoWindow();
    void ShowManualWindow();

    BuildingData& data_;
    Prompts& prompts_;
    WorkingArea* work_;
    PhotoEditor* editor_;
    MainMenus menus_;
    WindowState state_;
    QPointer<InputDemoLineFrm> demo_;
    QPointer<Manual4Frm> manual_;
    QPointer<ShadeMapDialog> shadeMap_;
};

} // namespace velmora
