// SPDX-License-Identifier: GPL-3.0-or-later
// The working area as the main window shows it: the picture on the left;
// on the right the altitude panel, the north dial, the view selector, the
// tool panel, the building height and the commands "全て消去", "画像消去"
// (or "戻す") and "閉じる(&C)". The controls keep their names; the most used
// are reachable here directly.
#pragma once

#include <QWidget>

class QCursor;
class QLineEdit;
class QPushButton;
class QLabel;

namespace velmora {

class AltitudePanel;
class NorthDial;
class PicturePane;
class PictureView;
class Prompts;
class RibbonGroup;
class ToolPanel;
class ViewSelector;

class WorkingArea : public QWidget {
    Q_OBJECT
  public:
    WorkingArea(Prompts& prompts, QWidget* parent = nullptr);

    PicturePane& Picture() const { return *picture_; }
    AltitudePanel& Altitudes() const { return *altitudes_; }
    NorthDial& Dial() const { return *dial_; }
    // The pointer over the picture's frame and view (the other controls keep
    // their own), and back to the default one.
    void SetPictureCursor(const QCursor& c);
    void SetDefaultCursors();

    // Controls of the components (set once, when the area is built).
    QWidget* BasePic = nullptr;
    PictureView* PhotoPic = nullptr;
    PictureView* PhotoPic2 = nullptr;
    QLineEdit* VerHeightTxt = nullptr;
    QLineEdit* VerHeightmTxt = nullptr;
    QLineEdit* IncliHeightTxt = nullptr;
    QLineEdit* IncliHeightmTxt = nullptr;
    PictureView* AzimusPic = nullptr;
    QLabel* PointImg = nullptr;
    QLineEdit* AzimusTxt = nullptr;
    RibbonGroup* SlopeOrFlatRbn = nullptr;
    RibbonGroup* InputModeRbn = nullptr;
    QPushButton* TraceAllCmd = nullptr;
    // Controls of the area itself.
    QLineEdit* HeightTxt = nullptr;
    QPushButton* ResetDataCmd = nullptr;
    QPushButton* ClearPhotoCmd = nullptr;
    QPushButton* CloseCmd = nullptr;

  private:
    PicturePane* picture_;
    AltitudePanel* altitudes_;
    NorthDial* dial_;
};

} // namespace velmora
