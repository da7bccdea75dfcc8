// SPDX-License-Identifier: GPL-3.0-or-later
// The frame "画像高度入力データ": a feet box and a metres box per camera
// altitude. While the user types in one, its partner follows in the other
// unit; which unit drives is the one whose box last had the focus.
#pragma once

#include <QGroupBox>

#include "data/Scenes.h"
#include "geometry/Altitudes.h"
#include "geometry/CameraModel.h"

class QLineEdit;

namespace velmora {

class Prompts;

class AltitudePanel : public QGroupBox {
    Q_OBJECT
  public:
    AltitudePanel(Prompts& prompts, QWidget* parent = nullptr);

    QLineEdit* const VerHeightTxt;
    QLineEdit* const VerHeightmTxt;
    QLineEdit* const IncliHeightTxt;
    QLineEdit* const IncliHeightmTxt;
    // The unit whose box had the focus last.
    Count pHeightUnitFocus = kFocusNone;

    QLineEdit* AltitudeEdit(AltitudeBox box) const;
    void AltitudeTxt_Change(AltitudeBox box);
    AltitudeBoxTexts AltitudeTexts() const;
    // Fills the four boxes, metres first, each change handled as typed.
    void SetTexts(const velmora::AltitudeTexts& t);
    // The metres of a project file, feet derived.
    void ShowMetres(float verMetres, float incliMetres);
    // 1 when both altitudes are acceptable; otherwise the check's message
    // has been shown.
    Count ValidateAltitudes();
    // The boxes only show what is written into them: the user cannot type,
    // and a written box does not drive its partner.
    void SetDisplayOnly(bool on);

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    Prompts& prompts_;
    bool displayOnly_ = false;
};

} // namespace velmora
