// SPDX-License-Identifier: GPL-3.0-or-later
// The working area's picture: the frame `BasePic` (this widget), the view `PhotoPic` the
// user draws on, and its hidden untouched copy `PhotoPic2`. The plan map
// borrows PhotoPic as its canvas; the picture's size and coordinates are
// kept meanwhile and given back on the way out.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "data/ProjectFile.h"

namespace velmora {

class PictureView;

class PicturePane : public QWidget {
    Q_OBJECT
  public:
    explicit PicturePane(QWidget* parent = nullptr);

    QWidget* const BasePic;
    PictureView* const PhotoPic;
    PictureView* const PhotoPic2;

    // Puts a picture into both views, each sized to it.
    void ShowPicture(const QImage& picture);

    // The picture's size and coordinates: PhotoPic2's, which the plan map
    // never borrows.
    struct PictureFrame {
        int width = 0, height = 0;
        double scaleLeft = 0, scaleTop = 0, scaleWidth = 1, scaleHeight = 1;
    };
    PictureFrame Frame() const;
    // Puts a picture and its frame back on both views; while the plan map
    // holds PhotoPic, its part waits for the way back.
    void RestorePicture(const QImage& picture, const PictureFrame& f, bool shown);
    // Whether PhotoPic shows the picture when the plan map gives the view
    // back: it did when the map took it, and the user has not hidden it
    // meanwhile.
    bool PictureOnReturn() const { return pictureOnReturn_; }
    void SetPictureOnReturn(bool shown) { pictureOnReturn_ = shown; }
    // Picture coordinate set-up for a view of h x w: centred, y up, both
    // views alike; then both centred in BasePic.
    void SetPictureCoordinates(double h, double w);
    void CentrePhotoPic();
    // Size and offset in BasePic the picture view has (or had before the
    // plan map replaced them).
    ViewGeometry PictureGeometry() const;
    // Puts a file's view size on the picture views (centred in BasePic).
    void ApplyViewGeometry(const ViewGeometry& g);
    // One unit per pixel from the same corner, also for the picture's
    // coordinates that wait while the plan map holds the view.
    void KeepOneUnitPerPixel();
    // The picture's scale width, also while the plan map holds the view.
    double PictureScaleWidth() const;

    bool ShowsCanvas() const { return saved_.has_value(); }
    // The plan map's canvas on PhotoPic, keeping the picture's size and
    // coordinates; again while shown just re-centres it.
    void EnterCanvas();
    // Gives PhotoPic its picture size and coordinates back.
    void LeaveCanvas();

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    std::optional<PictureFrame> saved_;
    bool pictureOnReturn_ = true;
};

} // namespace velmora
