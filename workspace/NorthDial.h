// SPDX-License-Identifier: GPL-3.0-or-later
// The frame "方向角": the dial `AzimusPic` with its point `PointImg`, and the
// bearing box `AzimusTxt`. North is set by typing a bearing (Enter) or by
// dragging the point and dropping it; either way the dial reports the new
// north direction through NorthSet.
#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;

namespace velmora {

class PictureView;
class Prompts;

class NorthDial : public QGroupBox {
    Q_OBJECT
  public:
    NorthDial(Prompts& prompts, QWidget* parent = nullptr);

    PictureView* const AzimusPic;
    QLabel* const PointImg;
    QLineEdit* const AzimusTxt;
    // Top-left corner of the dial's point, in dial units.
    float PointImgLeft = -10;
    float PointImgTop = 100;

    void MovePointImg(float left, float top);
    // The point and the box for a bearing read from a file.
    void ShowBearing(float northAngle);
    // The point at north and an empty box.
    void ShowNoBearing();

    // The dial only shows what is set from code: no typing, no dragging.
    void SetDisplayOnly(bool on);

    void AzimusTxt_Enter();
    // Pointer position relative to the point's top-left corner, in dial
    // units, x to the right and y downwards.
    void PointImg_MouseMove(int buttons, double x, double y);
    void PointImg_MouseUp(int button, double x, double y);

  signals:
    // North typed or dropped: the bearing in degrees, and whether what
    // depends on it is to be redrawn.
    void NorthSet(float northAngle, bool redraw);

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void DrawCompassDial();
    Prompts& prompts_;
    bool displayOnly_ = false;
};

} // namespace velmora
