// SPDX-License-Identifier: GPL-3.0-or-later
// The operating-manual window: nine page titles on the left; the page
// picture of the title clicked, stretched to the page area's width, in a
// scrollable area on the right. The pages are pictures below Pic01/ of the
// program directory.
#pragma once

#include <QSize>
#include <QWidget>
#include <array>
#include <string>

class QLabel;
class QPushButton;
class QScrollBar;

namespace velmora {

// The nine pages of the operating procedure, then the two on the
// predictions (GNSS reception and the shade-time map).
inline constexpr int kManualPages = 11;

class Manual4Frm : public QWidget {
    Q_OBJECT
  public:
    Manual4Frm(const std::string& appPath, QWidget* owner = nullptr);

    QLabel* Label1 = nullptr;
    std::array<QLabel*, kManualPages> ItemName1Lbl{};
    QWidget* BackPic = nullptr;
    QWidget* DocPic = nullptr;
    QLabel* DocImg = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QPushButton* CloseCmd = nullptr;

    // The page whose title is highlighted, -1 before the first click.
    int SelectedPage() const { return pSelectedPage; }
    // The page picture's place in page-area units (850 wide, 900 high).
    double ImageTop() const { return imageTop_; }
    double ImageHeight() const { return imageHeight_; }

    void ItemName1Lbl_Click(int page);
    void VScroll1_Change(int value);

    // The page table.
    static const char* PageFile(int page);
    static int PageHeight(int page);
    static QString PageTitle(int page);
    // The size in pixels the page picture is shown at (the page area's
    // width, and 1.2 times the page height in the area's taller units):
    // pictures drawn in this proportion are shown undistorted.
    static QSize ShownPageSize(int page);

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // Puts DocImg at its place in page-area units.
    void PlaceImage();

    std::string appPath_;
    int pSelectedPage = -1;
    double imageTop_ = 0;
    double imageHeight_ = 0;
};

} // namespace velmora
