// SPDX-License-Identifier: GPL-3.0-or-later
#include "manual/Manual4Frm.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>

#include "data/Conventions.h"
#include "workspace/BuiltInFiles.h"

namespace velmora {

namespace {

// Twips of the window's layout to pixels (15 twips a pixel).
int Px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}
QRect Twips(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

constexpr int kClientWidth = 15270;
constexpr int kClientHeight = 10725;
// The page area's units.
constexpr double kAreaWidth = 850;
constexpr double kAreaHeight = 900;
constexpr double kStretch = 1.2;
// The page area in twips.
constexpr int kDocWidth = 11295;
constexpr int kDocHeight = 9855;
constexpr int kStepUnits = 50;

struct Page {
    const char* title;
    const char* file;
    int height;
};
// The runs of full-width spaces push the rest of a title onto its second line.
constexpr Page kPages[kManualPages] = {
    {"１・Google Earthからの　　　　　３D画像取得", "Manua40.jpg", 1193},
    {"２・３D画像の傾斜とファイル　　　　への保存", "Manua41.jpg", 1193},
    {"３・日照シミュレーション　　　　プログラムでの取り扱い", "Manua42.jpg", 1193},
    {"４・画像取り扱い機能の説明１", "Manua43.jpg", 1109},
    {"５・画像取り扱い機能の説明２", "Manua44.jpg", 1109},
    {"６・画像上への書き込み", "Manua45.jpg", 1193},
    {"７・平面図の表示", "Manua46.jpg", 1193},
    {"８・屋上、壁をラインで描画", "Manua47.jpg", 1193},
    {"９・１クリックでの屋上、壁ライン描画", "Manua60.jpg", 1193},
    {"１０・GNSS受信予測", "Manua61.jpg", 1193},
    {"１１・日影図", "Manua62.jpg", 1193},
};
// Title 9 takes two lines, as titles 3 and 7 do; the prediction pages'
// titles follow below it at the same spacing.
constexpr int kTitleTops[kManualPages] = {900,  1680, 2340, 2940, 3480, 4020,
                                          4560, 5160, 5700, 6300, 6840};
constexpr int kTitleHeights[kManualPages] = {735, 615, 555, 495, 495, 495, 555, 495, 555, 495, 495};

const QString kTitleStyle =
    QStringLiteral("QLabel { background: rgb(224, 224, 224); color: rgb(%1); padding: 2px; }");
const QString kTitleColour = QStringLiteral("0, 0, 255");
const QString kSelectedColour = QStringLiteral("192, 64, 0");

} // namespace

Manual4Frm::Manual4Frm(const std::string& appPath, QWidget* owner)
    : QWidget(owner, Qt::Window), appPath_(appPath) {
    setObjectName(QStringLiteral("Manual4Frm"));
    setWindowTitle(QStringLiteral("操作マニュアル"));
    setFixedSize(Px(kClientWidth), Px(kClientHeight));
    move(0, 0);

    Label1 = new QLabel(QStringLiteral("操作マニュアル"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips(0, 0, 3255, 375));
    QFont big = Label1->font();
    big.setPointSize(12);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setStyleSheet(QStringLiteral("QLabel { color: rgb(192, 0, 192); padding-left: 6px; }"));

    for (int i = 0; i < kManualPages; ++i) {
        auto* l = new QLabel(PageTitle(i), this);
        l->setObjectName(QStringLiteral("ItemName1Lbl%1").arg(i));
        l->setGeometry(Twips(120, kTitleTops[i], 3015, kTitleHeights[i]));
        l->setWordWrap(true);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setStyleSheet(kTitleStyle.arg(kTitleColour));
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        ItemName1Lbl[static_cast<std::size_t>(i)] = l;
    }

    BackPic = new QWidget(this);
    BackPic->setObjectName(QStringLiteral("BackPic"));
    BackPic->setGeometry(Twips(3360, 480, 11715, 9975));
    BackPic->setAutoFillBackground(true);
    QPalette white = BackPic->palette();
    white.setColor(QPalette::Window, Qt::white);
    BackPic->setPalette(white);
    DocPic = new QWidget(BackPic);
    DocPic->setObjectName(QStringLiteral("DocPic"));
    DocPic->setGeometry(Twips(0, 0, kDocWidth, kDocHeight));
    DocPic->setAutoFillBackground(true);
    DocPic->setPalette(white);
    DocImg = new QLabel(DocPic);
    DocImg->setObjectName(QStringLiteral("DocImg"));
    DocImg->setScaledContents(true);
    DocImg->hide();
    VScroll1 = new QScrollBar(Qt::Vertical, BackPic);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setGeometry(Twips(11340, 0, 315, 8895));
    VScroll1->setRange(0, 0);
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(4);
    CloseCmd = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    CloseCmd->setObjectName(QStringLiteral("CloseCmd"));
    CloseCmd->setGeometry(Twips(11400, 120, 1335, 375));

    for (QWidget* page : {BackPic, DocPic, static_cast<QWidget*>(DocImg)})
        page->installEventFilter(this);
    connect(VScroll1, &QScrollBar::valueChanged, this, &Manual4Frm::VScroll1_Change);
    connect(CloseCmd, &QPushButton::clicked, this, &QWidget::close);
    pSelectedPage = -1;
}

const char* Manual4Frm::PageFile(int page) {
    return page >= 0 && page < kManualPages ? kPages[page].file : "";
}

int Manual4Frm::PageHeight(int page) {
    return page >= 0 && page < kManualPages ? kPages[page].height : 0;
}

QSize Manual4Frm::ShownPageSize(int page) {
    // As PlaceImage() puts it in the page area of its fixed size.
    const double ux = Px(kDocWidth) / kAreaWidth;
    const double uy = Px(kDocHeight) / kAreaHeight;
    return QSize(static_cast<int>(std::lround(kAreaWidth * ux)),
                 static_cast<int>(std::lround(PageHeight(page) * kStretch * uy)));
}

QString Manual4Frm::PageTitle(int page) {
    return page >= 0 && page < kManualPages ? QString::fromUtf8(kPages[page].title) : QString();
}

bool Manual4Frm::eventFilter(QObject* watched, QEvent* e) {
    // The wheel over the page scrolls it, as over the scroll bar.
    if (e->type() == QEvent::Wheel &&
        (watched == DocImg || watched == DocPic || watched == BackPic))
        return QCoreApplication::sendEvent(VScroll1, e);
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        for (int i = 0; i < kManualPages; ++i)
            if (watched == ItemName1Lbl[static_cast<std::size_t>(i)])
                ItemName1Lbl_Click(i);
    }
    return QWidget::eventFilter(watched, e);
}

void Manual4Frm::ItemName1Lbl_Click(int page) {
    if (page < 0 || page >= kManualPages)
        return;
    if (pSelectedPage >= 0)
        ItemName1Lbl[static_cast<std::size_t>(pSelectedPage)]->setStyleSheet(
            kTitleStyle.arg(kTitleColour));
    ItemName1Lbl[static_cast<std::size_t>(page)]->setStyleSheet(kTitleStyle.arg(kSelectedColour));
    // A page that cannot be read leaves the picture shown before.
    QImageReader reader(
        BuiltInFile(appPath_, QStringLiteral("Pic01/") + QString::fromLatin1(PageFile(page))));
    const QImage picture = reader.read();
    if (!picture.isNull()) {
        DocImg->setPixmap(QPixmap::fromImage(picture));
        DocImg->show();
    }
    const int height = PageHeight(page);
    imageHeight_ = height * kStretch;
    imageTop_ = 0;
    PlaceImage();
    const int steps = static_cast<int>(RoundHalfEven((height - 400) * 0.02));
    {
        // The range is set first: the value's change then moves the image.
        VScroll1->setRange(0, steps);
        VScroll1->setValue(0);
    }
    pSelectedPage = page;
}

void Manual4Frm::VScroll1_Change(int value) {
    imageTop_ = -static_cast<double>(value) * kStepUnits;
    PlaceImage();
}

void Manual4Frm::PlaceImage() {
    const double ux = DocPic->width() / kAreaWidth;
    const double uy = DocPic->height() / kAreaHeight;
    DocImg->setGeometry(0, static_cast<int>(std::lround(imageTop_ * uy)),
                        static_cast<int>(std::lround(kAreaWidth * ux)),
                        static_cast<int>(std::lround(imageHeight_ * uy)));
}

} // namespace velmora
