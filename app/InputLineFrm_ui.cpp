// Controls, menus and their connections of the main window.
#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/InputLineFrm.h"
#include "workspace/PictureView.h"
#include "workspace/RibbonGroup.h"

namespace velmora {

namespace {

// The working view's design size: the plan-map canvas (785 x 657).
constexpr int kPhotoPicWidth = 785;
constexpr int kPhotoPicHeight = 657;
constexpr int kSidePanelWidth = 336;
constexpr int kDialPixels = 150;

struct ToolButton {
    const char* caption;
    const char* tip;
};
constexpr ToolButton kToolButtons[8] = {
    {"選択", "ラインの選択"},           {"拡大縮小", "拡大縮小"},
    {"屋上ライン", "屋上ラインの描画"}, {"側壁ライン", "側壁ラインの描画"},
    {"ポイント移動", "ポイントの移動"}, {"ポイント追加", "ポイントの追加"},
    {"ポイント削除", "ポイントの削除"}, {"ビル屋上", "ポイントの削除"}};
constexpr const char* kToolMenuItems[7] = {"選択(&S)",       "拡大縮小(&Z)", "屋上ライン(&T)",
                                           "側壁ライン(&W)", "移動(&M)",     "追加(&A)",
                                           "削除(&D)"};

QLineEdit* NumberBox(const char* name, QWidget* parent, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight);
    return e;
}

QLabel* Label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

} // namespace

QGroupBox* InputLineFrm::BuildAltitudeFrame() {
    auto* box = new QGroupBox(QStringLiteral("画像高度入力データ"));
    box->setObjectName(QStringLiteral("AltitudeFlm"));
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(6);
    VerHeightTxt = NumberBox("VerHeightTxt", box, 58);
    VerHeightmTxt = NumberBox("VerHeightmTxt", box, 58);
    IncliHeightTxt = NumberBox("IncliHeightTxt", box, 58);
    IncliHeightmTxt = NumberBox("IncliHeightmTxt", box, 58);
    const struct {
        const char* caption;
        QLineEdit* feet;
        QLineEdit* metres;
    } rows[2] = {{"平面視高度(ft)", VerHeightTxt, VerHeightmTxt},
                 {"傾斜視高度(ft)", IncliHeightTxt, IncliHeightmTxt}};
    for (int r = 0; r < 2; ++r) {
        grid->addWidget(Label(QString::fromUtf8(rows[r].caption), box), r, 0);
        grid->addWidget(rows[r].feet, r, 1);
        grid->addWidget(Label(QStringLiteral("フィート"), box), r, 2);
        grid->addWidget(Label(QStringLiteral("Or"), box), r, 3, Qt::AlignCenter);
        grid->addWidget(rows[r].metres, r, 4);
        grid->addWidget(Label(QStringLiteral("m"), box), r, 5);
    }
    grid->setColumnStretch(0, 1);
    return box;
}

QGroupBox* InputLineFrm::BuildCompassFrame() {
    auto* box = new QGroupBox(QStringLiteral("方向角"));
    box->setObjectName(QStringLiteral("AzimusFlm"));
    auto* row = new QHBoxLayout(box);
    AzimusPic = new PictureView(box);
    AzimusPic->setObjectName(QStringLiteral("AzimusPic"));
    AzimusPic->setFixedSize(kDialPixels + 2 * PictureView::kBorder,
                            kDialPixels + 2 * PictureView::kBorder);
    AzimusPic->SetBackColor(QColor(250, 250, 246));
    PointImg = new QLabel(AzimusPic);
    PointImg->setObjectName(QStringLiteral("PointImg"));
    PointImg->setCursor(Qt::OpenHandCursor);
    PointImg->setToolTip(QStringLiteral("ドラッグして北の方向を設定"));
    row->addWidget(AzimusPic);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    auto* entry = new QHBoxLayout();
    AzimusTxt = NumberBox("AzimusTxt", box, 64);
    AzimusTxt->setText(QStringLiteral("0"));
    AzimusTxt->setToolTip(QStringLiteral("北の方向（度）を入力してEnter"));
    entry->addWidget(AzimusTxt);
    entry->addWidget(Label(QStringLiteral("度"), box));
    entry->addStretch(1);
    side->addLayout(entry);
    side->addStretch(1);
    row->addLayout(side, 1);
    return box;
}

QGroupBox* InputLineFrm::BuildDisplayFrame() {
    auto* box = new QGroupBox(QStringLiteral("表示設定"));
    box->setObjectName(QStringLiteral("DisplayFlm"));
    auto* row = new QHBoxLayout(box);
    SlopeOrFlatRbn = new RibbonGroup(this);
    SlopeOrFlatRbn->setObjectName(QStringLiteral("SlopeOrFlatRbn"));
    for (const char* caption : {"傾斜図表示", "平面図表示"}) {
        QPushButton* b = SlopeOrFlatRbn->AddButton(QString::fromUtf8(caption), QString(), box);
        b->setObjectName(QStringLiteral("SlopeOrFlatRbn%1").arg(SlopeOrFlatRbn->Count() - 1));
        b->setMinimumHeight(30);
        row->addWidget(b);
    }
    return box;
}

QGroupBox* InputLineFrm::BuildToolFrame() {
    auto* box = new QGroupBox(QStringLiteral("ライン編集"));
    box->setObjectName(QStringLiteral("LineEditFlm"));
    auto* grid = new QGridLayout(box);
    InputModeRbn = new RibbonGroup(this);
    InputModeRbn->setObjectName(QStringLiteral("InputModeRbn"));
    for (int i = 0; i < 8; ++i) {
        QPushButton* b = InputModeRbn->AddButton(QString::fromUtf8(kToolButtons[i].caption),
                                                 QString::fromUtf8(kToolButtons[i].tip), box);
        b->setObjectName(QStringLiteral("InputModeRbn%1").arg(i));
        b->setMinimumHeight(30);
        grid->addWidget(b, i / 2, i % 2);
    }
    return box;
}

void InputLineFrm::DrawCompassDial() {
    // The dial face: the circle the point runs on, with the four directions.
    QImage face(AzimusPic->InnerWidth(), AzimusPic->InnerHeight(), QImage::Format_RGB32);
    face.fill(AzimusPic->BackColor());
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = AzimusPic->ToPixel(0, 0);
    const double r = AzimusPic->ToPixel(90, 0).x() - c.x();
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.setBrush(QColor(232, 238, 246));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(120, 130, 145), 1));
    for (int deg = 0; deg < 360; deg += 30) {
        const double a = deg * 0.0174532925199433;
        const double inner = deg % 90 == 0 ? r - 9 : r - 5;
        p.drawLine(QPointF(c.x() + inner * std::sin(a), c.y() - inner * std::cos(a)),
                   QPointF(c.x() + r * std::sin(a), c.y() - r * std::cos(a)));
    }
    p.drawLine(QPointF(c.x() - 6, c.y()), QPointF(c.x() + 6, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 6), QPointF(c.x(), c.y() + 6));
    QFont f = font();
    f.setPointSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(200, 30, 30));
    const double t = r - 19;
    p.drawText(QRectF(c.x() - 10, c.y() - t - 8, 20, 16), Qt::AlignCenter, QStringLiteral("N"));
    p.setPen(QColor(90, 100, 115));
    p.drawText(QRectF(c.x() + t - 10, c.y() - 8, 20, 16), Qt::AlignCenter, QStringLiteral("E"));
    p.drawText(QRectF(c.x() - 10, c.y() + t - 8, 20, 16), Qt::AlignCenter, QStringLiteral("S"));
    p.drawText(QRectF(c.x() - t - 10, c.y() - 8, 20, 16), Qt::AlignCenter, QStringLiteral("W"));
    p.end();
    AzimusPic->SetPicture(face);

    // The point: a 20 x 20 unit marker.
    const QPointF corner = AzimusPic->ToPixel(0, 0);
    const int side = static_cast<int>(std::lround(AzimusPic->ToPixel(20, 0).x() - corner.x()));
    QPixmap dot(side, side);
    dot.fill(Qt::transparent);
    QPainter d(&dot);
    d.setRenderHint(QPainter::Antialiasing);
    d.setPen(QPen(QColor(120, 0, 0), 1));
    d.setBrush(QColor(230, 40, 40));
    d.drawEllipse(QRectF(1.5, 1.5, side - 3, side - 3));
    d.end();
    PointImg->setPixmap(dot);
    PointImg->resize(side, side);
}

void InputLineFrm::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("InputLineClient"));
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);

    BasePic = new QWidget(central);
    BasePic->setObjectName(QStringLiteral("BasePic"));
    BasePic->setAutoFillBackground(true);
    QPalette pal = BasePic->palette();
    pal.setColor(QPalette::Window, Qt::white);
    BasePic->setPalette(pal);
    BasePic->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    BasePic->setMinimumSize(400, 300);
    BasePic->installEventFilter(this);
    PhotoPic = new PictureView(BasePic);
    PhotoPic->setObjectName(QStringLiteral("PhotoPic"));
    // Keyboard focus starts on the picture, not in an altitude box: a box
    // that has had the focus makes the loaders' writes follow in the other
    // unit.
    PhotoPic->setFocusPolicy(Qt::StrongFocus);
    PhotoPic->setFocus();
    PhotoPic->SetOuterGeometry(0, 0, kPhotoPicWidth, kPhotoPicHeight);
    PhotoPic2 = new PictureView(BasePic);
    PhotoPic2->setObjectName(QStringLiteral("PhotoPic2"));
    PhotoPic2->SetOuterGeometry(0, 0, kPhotoPicWidth, kPhotoPicHeight);
    PhotoPic2->hide();
    layout->addWidget(BasePic, 1);

    auto* side = new QWidget(central);
    side->setObjectName(QStringLiteral("SidePanel"));
    side->setFixedWidth(kSidePanelWidth);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(BuildAltitudeFrame());
    column->addWidget(BuildCompassFrame());
    column->addWidget(BuildDisplayFrame());
    column->addWidget(BuildToolFrame());

    // The height display and the two commands, indented like the frames'
    // contents.
    auto* commands = new QVBoxLayout();
    commands->setContentsMargins(10, 4, 10, 0);
    commands->setSpacing(8);
    auto* heightRow = new QHBoxLayout();
    heightRow->addWidget(Label(QStringLiteral("ﾋﾞﾙの高さ（ｍ）"), side));
    HeightTxt = NumberBox("HeightTxt", side, 80);
    HeightTxt->setReadOnly(true);
    heightRow->addWidget(HeightTxt);
    heightRow->addStretch(1);
    commands->addLayout(heightRow);

    auto* commandRow = new QHBoxLayout();
    ResetDataCmd = new QPushButton(QStringLiteral("全て消去"), side);
    ResetDataCmd->setObjectName(QStringLiteral("ResetDataCmd"));
    ClearPhotoCmd = new QPushButton(QStringLiteral("画像消去"), side);
    ClearPhotoCmd->setObjectName(QStringLiteral("ClearPhotoCmd"));
    for (QPushButton* b : {ResetDataCmd, ClearPhotoCmd}) {
        b->setMinimumHeight(30);
        commandRow->addWidget(b);
    }
    commands->addLayout(commandRow);
    column->addLayout(commands);
    column->addStretch(1);
    CloseCmd = new QPushButton(QStringLiteral("閉じる(&C)"), side);
    CloseCmd->setObjectName(QStringLiteral("CloseCmd"));
    CloseCmd->setMinimumHeight(34);
    column->addWidget(CloseCmd);
    layout->addWidget(side);
    setCentralWidget(central);

    connect(PhotoPic, &PictureView::MouseDown, this, &InputLineFrm::PhotoPic_MouseDown);
    connect(PhotoPic, &PictureView::MouseMove, this, &InputLineFrm::PhotoPic_MouseMove);
    connect(PhotoPic, &PictureView::MouseUp, this, &InputLineFrm::PhotoPic_MouseUp);
    connect(PhotoPic, &PictureView::DoubleClick, this, &InputLineFrm::PhotoPic_DblClick);
    connect(SlopeOrFlatRbn, &RibbonGroup::Click, this, &InputLineFrm::SlopeOrFlatRbn_Click);
    connect(InputModeRbn, &RibbonGroup::Click, this, &InputLineFrm::InputModeRbn_Click);
    const struct {
        QLineEdit* edit;
        AltitudeBox box;
    } boxes[4] = {{VerHeightTxt, AltitudeBox::VerFeet},
                  {VerHeightmTxt, AltitudeBox::VerMetres},
                  {IncliHeightTxt, AltitudeBox::IncliFeet},
                  {IncliHeightmTxt, AltitudeBox::IncliMetres}};
    for (const auto& b : boxes) {
        b.edit->installEventFilter(this);
        const AltitudeBox which = b.box;
        connect(b.edit, &QLineEdit::textChanged, this,
                [this, which] { AltitudeTxt_Change(which); });
    }
    connect(AzimusTxt, &QLineEdit::returnPressed, this, &InputLineFrm::AzimusTxt_Enter);
    PointImg->installEventFilter(this);
    connect(ResetDataCmd, &QPushButton::clicked, this, &InputLineFrm::ResetDataCmd_Click);
    connect(ClearPhotoCmd, &QPushButton::clicked, this, &InputLineFrm::ClearPhotoCmd_Click);
    connect(CloseCmd, &QPushButton::clicked, this, &InputLineFrm::CloseCmd_Click);
}

void InputLineFrm::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto item = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto submenu = [](QMenu* parent, const char* name, const char* caption) {
        QMenu* m = parent->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    OpenFileMenu = bar->addMenu(QStringLiteral("ファイル(&F)"));
    OpenFileMenu->setObjectName(QStringLiteral("OpenFileMenu"));
    OPenPhotoMenu = item(OpenFileMenu, "OPenPhotoMenu", "画像ファイル読込み(&P)");
    SamplePhotoMenu = submenu(OpenFileMenu, "SamplePhotoMenu", "サンプル画像");
    LoadSamplePhotoMenu = item(SamplePhotoMenu, "LoadSamplePhotoMenu", "サンプル画像1読込み");
    LoadSample2PhotoMenu = item(SamplePhotoMenu, "LoadSample2PhotoMenu", "サンプル画像2読込み");
    OpenFileMenu->addSeparator();
    OpenDataMenu = item(OpenFileMenu, "OpenDataMenu", "データ読込み(&D)");
    SampleDataMenu = submenu(OpenFileMenu, "SampleDataMenu", "サンプルデータ");
    LoadSampleDataMenu = item(SampleDataMenu, "LoadSampleDataMenu", "サンプルデータ1読込み");
    LoadSample2DataMenu = item(SampleDataMenu, "LoadSample2DataMenu", "サンプルデータ2読込み");
    OpenFileMenu->addSeparator();
    SaveDataMenu = item(OpenFileMenu, "SaveDataMenu", "データ保存(&S)");

    EditPhotoLineMenu = bar->addMenu(QStringLiteral("編集(&E)"));
    EditPhotoLineMenu->setObjectName(QStringLiteral("EditPhotoLineMenu"));
    DispSlopeMapMenu = item(EditPhotoLineMenu, "DispSlopeMapMenu", "傾斜図表示");
    DispFlatMapMenu = item(EditPhotoLineMenu, "DispFlatMapMenu", "平面図表示");
    DispSlopeMapMenu->setCheckable(true);
    DispFlatMapMenu->setCheckable(true);
    EditPhotoLineMenu->addSeparator();
    StopDrawLineMenu = item(EditPhotoLineMenu, "StopDrawLineMenu", "中止");
    EditPhotoLineMenu->addSeparator();
    for (int i = 0; i < 7; ++i) {
        InputModeMenu[static_cast<std::size_t>(i)] =
            item(EditPhotoLineMenu, "InputModeMenu", kToolMenuItems[i]);
        InputModeMenu[static_cast<std::size_t>(i)]->setObjectName(
            QStringLiteral("InputModeMenu%1").arg(i));
        connect(InputModeMenu[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { InputModeMenu_Click(i); });
    }
    EditPhotoLineMenu->addSeparator();
    ChangeBillHeightMenu = item(EditPhotoLineMenu, "ChangeBillHeightMenu", "建物高さ変更");
    Remove1TopAreaMenu = item(EditPhotoLineMenu, "Remove1TopAreaMenu", "1屋根削除(&R)");

    StartDemoMenu = bar->addMenu(QStringLiteral("デモ(&D)"));
    StartDemoMenu->setObjectName(QStringLiteral("StartDemoMenu"));
    StartDemo1Menu = item(StartDemoMenu, "StartDemo1Menu", "デモー１(&1)");
    StartDemo2Menu = item(StartDemoMenu, "StartDemo2Menu", "デモー２(&2)");

    HelpMenu = bar->addAction(QStringLiteral("ヘルプ(&H)"));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));

    connect(OPenPhotoMenu, &QAction::triggered, this, &InputLineFrm::OPenPhotoMenu_Click);
    connect(LoadSamplePhotoMenu, &QAction::triggered, this, [this] { LoadSamplePhoto(1); });
    connect(LoadSample2PhotoMenu, &QAction::triggered, this, [this] { LoadSamplePhoto(2); });
    connect(OpenDataMenu, &QAction::triggered, this, &InputLineFrm::OpenDataMenu_Click);
    connect(LoadSampleDataMenu, &QAction::triggered, this, [this] { LoadSampleData(1); });
    connect(LoadSample2DataMenu, &QAction::triggered, this, [this] { LoadSampleData(2); });
    connect(SaveDataMenu, &QAction::triggered, this, &InputLineFrm::SaveDataMenu_Click);
    connect(DispSlopeMapMenu, &QAction::triggered, this, &InputLineFrm::DispSlopeMapMenu_Click);
    connect(DispFlatMapMenu, &QAction::triggered, this, &InputLineFrm::DispFlatMapMenu_Click);
    connect(StopDrawLineMenu, &QAction::triggered, this, &InputLineFrm::StopDrawLineMenu_Click);
    connect(ChangeBillHeightMenu, &QAction::triggered, this,
            &InputLineFrm::ChangeBillHeightMenu_Click);
    connect(Remove1TopAreaMenu, &QAction::triggered, this, &InputLineFrm::Remove1TopAreaMenu_Click);
    connect(StartDemo1Menu, &QAction::triggered, this, &InputLineFrm::StartDemo1Menu_Click);
    connect(StartDemo2Menu, &QAction::triggered, this, &InputLineFrm::StartDemo2Menu_Click);
    connect(HelpMenu, &QAction::triggered, this, &InputLineFrm::HelpMenu_Click);
}

} // namespace velmora
