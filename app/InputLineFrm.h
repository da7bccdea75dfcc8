// The main window: the picture view with its outlines, the altitude boxes,
// the north dial, the view selector and the editing tools. It holds the one
// building record of the program for its whole life.
//
// The implementation is split by concern, one .cpp file each:
//   app/InputLineFrm.cpp              creation, activation, closing, demo and help entries
//   app/InputLineFrm_ui.cpp           controls, menus and their connections
//   app/InputLineFrm_file.cpp         opening and saving project files
//   app/InputLineFrm_samples.cpp      the built-in sample data sets
//   app/InputLineFrm_pictures.cpp     loading a picture file or a sample picture
//   workspace/InputLineFrm_altitudes.cpp  altitude boxes and their check
//   workspace/InputLineFrm_view.cpp   view switch, tools, cursors, picture hiding
//   workspace/InputLineFrm_redraw.cpp inclined-view redraw and selection handles
//   workspace/InputLineFrm_mouse.cpp  mouse events of the picture view, by view and tool
//   workspace/InputLineFrm_pending.cpp  handlers whose behaviour lands with later work
//
// Members keep their historical names and are public: every concern's file
// and the tests work on the same window state.
#pragma once

#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "data/BuildingData.h"
#include "data/Editing.h"
#include "data/ProjectFile.h"
#include "geometry/Altitudes.h"
#include "geometry/CameraModel.h"
#include "geometry/FlatMap.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QGroupBox;

namespace velmora {

class PictureView;
struct TraceWork;
class Prompts;
class RibbonGroup;

class InputLineFrm : public QMainWindow {
    Q_OBJECT
  public:
    // `data` outlives the window: the run-time flags in it (the temporary
    // data file status, the demo flags) belong to the whole run.
    InputLineFrm(BuildingData& data, Prompts& prompts, QWidget* parent = nullptr);
    ~InputLineFrm() override;

    BuildingData& Data() { return data_; }
    Prompts& Ask() { return prompts_; }

    // ---- Views (the one in use, its hidden copy, the frame, the dial) ----
    QWidget* BasePic = nullptr;
    PictureView* PhotoPic = nullptr;
    PictureView* PhotoPic2 = nullptr;
    PictureView* AzimusPic = nullptr;
    QLabel* PointImg = nullptr;

    // ---- Controls ----
    QLineEdit* VerHeightTxt = nullptr;
    QLineEdit* VerHeightmTxt = nullptr;
    QLineEdit* IncliHeightTxt = nullptr;
    QLineEdit* IncliHeightmTxt = nullptr;
    QLineEdit* AzimusTxt = nullptr;
    QLineEdit* HeightTxt = nullptr;
    RibbonGroup* SlopeOrFlatRbn = nullptr;
    RibbonGroup* InputModeRbn = nullptr;
    QPushButton* ResetDataCmd = nullptr;
    QPushButton* ClearPhotoCmd = nullptr;
    QPushButton* CloseCmd = nullptr;

    // ---- Menus ----
    QMenu* OpenFileMenu = nullptr;
    QAction* OPenPhotoMenu = nullptr;
    QMenu* SamplePhotoMenu = nullptr;
    QAction* LoadSamplePhotoMenu = nullptr;
    QAction* LoadSample2PhotoMenu = nullptr;
    QAction* OpenDataMenu = nullptr;
    QMenu* SampleDataMenu = nullptr;
    QAction* LoadSampleDataMenu = nullptr;
    QAction* LoadSample2DataMenu = nullptr;
    QAction* SaveDataMenu = nullptr;
    QMenu* EditPhotoLineMenu = nullptr;
    QAction* DispSlopeMapMenu = nullptr;
    QAction* DispFlatMapMenu = nullptr;
    QAction* StopDrawLineMenu = nullptr;
    std::array<QAction*, 7> InputModeMenu{};
    QAction* ChangeBillHeightMenu = nullptr;
    QAction* Remove1TopAreaMenu = nullptr;
    QMenu* StartDemoMenu = nullptr;
    QAction* StartDemo1Menu = nullptr;
    QAction* StartDemo2Menu = nullptr;
    QAction* HelpMenu = nullptr;

    // ---- Window state ----
    Count pActiveTopArea = -1;
    Count pChangeCount = 0;
    VBool pSampleLoaded = kFalse;
    std::array<QString, 3> pDataFileName;
    VBool pFirstActivate = kFalse;
    Count pViewMode = 0;  // 1 inclined view, 2 plan map
    Count pInputMode = 0; // tool 0 ... 7
    Count pHeightUnitFocus = kFocusNone;
    float pDownX = 0;
    float pDownY = 0;
    float pLastX = 0;
    float pLastY = 0;
    std::array<float, 101> pDrawX{};
    std::array<float, 101> pDrawY{};
    Count pDrawPointNum = 0;
    Count pWallStartSet = 0;
    float pWallStartX = 0;
    float pWallStartY = 0;
    // The selection handles currently on the view, as the drag steps need them.
    SelectBox ShownMarks() const;
    // Keeps the box of handles just drawn (as floats, the way the next
    // erase reads them back).
    void RememberMarks(const SelectBox& box);
    float pMarkMaxX = 0;
    float pMarkMaxY = 0;
    float pMarkMinX = 0;
    float pMarkMinY = 0;
    Count pGrabbed = 0;
    Count pGrabPoint = -1;
    Count pGrabWallTop = -1;
    Count pGrabWallBottom = -1;
    float pFlatMapRate = 0;
    Count gMapScaleIndex = 0;
    MapScaleTables MapTables;
    // Top-left corner of the dial's point, in dial units.
    float PointImgLeft = -10;
    float PointImgTop = 100;

    // ---- Shared operations ----
    // Clears the tables, the change count, and selects the inclined view.
    void ResetAllDataBuildingData();
    Count ValidateAltitudes();
    AltitudeBoxTexts AltitudeTexts() const;
    void ShowSlopeLineMap(int active, int wallFlag);
    void ShowAllSlopeLines();
    void DrawSelectMarks(float maxX, float minX, float maxY, float minY);
    void EraseSelectMarks();
    void ShowFlatLineMap(int index1);
    void MovePointImg(float left, float top);
    // Size and offset in BasePic the picture view has (or had before the
    // plan map replaced them).
    ViewGeometry PictureGeometry() const;
    // Puts a file's view size on the picture views (centred in BasePic).
    void ApplyViewGeometry(const ViewGeometry& g);
    // Picture coordinate set-up for a view of h x w: centred, y up, both
    // views alike; then both centred in BasePic.
    void SetPictureCoordinates(double h, double w);
    void CentrePhotoPic();
    QString BuiltInFile(const QString& relative) const;
    QString TempDataFilePath() const;
    bool SaveTempDataFile();
    bool RestoreTempDataFile();

    // ---- Creation, activation, closing ----
    void Form_Activate();
    void CloseCmd_Click();
    void ClosingSequence();
    void StartDemo1Menu_Click();
    void StartDemo2Menu_Click();
    void HelpMenu_Click();

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
    // Runs after every picture load (file or sample), once PhotoPic and
    // PhotoPic2 hold the new picture and its coordinates: emits PictureReady.
    void PictureLoaded();

    // ---- Altitude boxes ----
    void AltitudeTxt_Change(AltitudeBox box);
    QLineEdit* AltitudeEdit(AltitudeBox box) const;

    // ---- View switch and tools ----
    void SlopeOrFlatRbn_Click(int index, bool down);
    void DispSlopeMapMenu_Click();
    void DispFlatMapMenu_Click();
    // The selection as the menu makes it: check marks, then the buttons.
    void SelectSlopeView();
    void SelectFlatView();
    void EnterSlopeView();
    void EnterFlatView();
    void PrepareFlatMapView();
    void InputModeRbn_Click(int index, bool down);
    void InputModeMenu_Click(int index);
    void StopDrawLineMenu_Click();
    void ClearPhotoCmd_Click();
    void ResetDataCmd_Click();
    void SetDefaultCursors();
    // Loads ico/<file> below the program directory as the window's and the
    // picture view's cursor; a file that cannot be loaded leaves the cursor.
    void SetToolCursor(const QString& file);
    // The mouse position shifted to the tip of the current tool's cursor.
    QPointF HotSpotPosition(double x, double y) const;

    // ---- Mouse on the picture view ----
    void PhotoPic_MouseDown(int button, double x, double y);
    void PhotoPic_MouseMove(int buttons, double x, double y);
    void PhotoPic_MouseUp(int button, double x, double y);
    void PhotoPic_DblClick();

    // ---- Per-tool handlers filled by the drawing, editing, plan-map and
    // tracing work (InputLineFrm_pending.cpp holds those not written yet).
    // Positions are drawing positions (hot-spot offset applied).
    void TopLineMouseDown(int button, QPointF p);
    void TopLineMouseMove(int buttons, QPointF p);
    void WallLineMouseDown(int button, QPointF p);
    void WallLineMouseMove(int buttons, QPointF p);
    void MoveSlopeMouseDown(int button, QPointF p);
    void MoveSlopeMouseMove(int buttons, QPointF p);
    void MoveSlopeMouseUp(int button, QPointF p);
    void MoveFlatMouseDown(int button, QPointF p);
    void MoveFlatMouseMove(int buttons, QPointF p);
    void MoveFlatMouseUp(int button, QPointF p);
    void FlatZoomMouseDown(int button);
    void SlopeDoubleClick();
    void FlatDoubleClick();
    void TraceRoofAtClick();
    void Remove1TopAreaMenu_Click();
    void ChangeBillHeightMenu_Click();
    void AzimusTxt_Enter();
    // Pointer position relative to the point's top-left corner, in dial
    // units, x to the right and y downwards.
    void PointImg_MouseMove(int buttons, double x, double y);
    void PointImg_MouseUp(int button, double x, double y);
    // ---- Drawing, editing, plan map and dial ----
    // Measures the wall line between picture heights yUpper and yLower and
    // shows the building height in HeightTxt.
    void ShowWallHeight(float yUpper, float yLower);
    // The message box of a refused edit (silent refusals show nothing).
    void ShowRefusal(EditRefusal r);
    // Counts one edit. The count stops at its largest value: wrapping to a
    // negative count would let the window close without offering to save.
    void CountEdit();
    // Redraws what depends on the north direction.
    void UpdateNorthAngle();
    // Asks for the selected building's height in metres; nullopt when
    // cancelled. Replaceable so that tests never block on the dialog.
    std::function<std::optional<double>(QWidget*, const QString& text, double current)>
        AskBuildingHeight;
    void ShowDemoWindow();
    void ShowManualWindow();
    void InitMapScaleTables();
    void InitImageAnalysis();
    // The grey copy of PhotoPic2's picture the tracer reads, rebuilt when
    // that picture changed since the last trace.
    void RefreshTraceSource();
    // Tracer state and the grey copy of the untouched picture.
    std::shared_ptr<TraceWork> traceWork_;

  signals:
    // A new picture is in PhotoPic2 (untouched copy) and PhotoPic.
    void PictureReady();

  protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void BuildControls();
    void BuildMenus();
    QGroupBox* BuildAltitudeFrame();
    QGroupBox* BuildCompassFrame();
    QGroupBox* BuildDisplayFrame();
    QGroupBox* BuildToolFrame();
    void DrawCompassDial();

    BuildingData& data_;
    Prompts& prompts_;
    // The picture view's size and coordinates while the plan map uses it as
    // its canvas.
    struct PictureViewState {
        int width, height;
        double scaleLeft, scaleTop, scaleWidth, scaleHeight;
    };
    std::optional<PictureViewState> pictureState_;

    friend class InputLineFrmTestAccess;
};

// Shows the busy pointer until destroyed.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace velmora
