// Creation, activation and closing of the main window; the demo and help
// entries; where the built-in files are found.
#include "app/InputLineFrm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <cmath>

#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"

namespace velmora {

namespace {

const QString kSaveQuestion = QStringLiteral("変更を保存しますか？");

// Size the window opens with; smaller screens get their available area.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 800;
// Room left for the window frame's title bar.
constexpr int kTitleAllowance = 32;

} // namespace

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

InputLineFrm::InputLineFrm(BuildingData& data, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), data_(data), prompts_(prompts) {
    setObjectName(QStringLiteral("InputLineFrm"));
    setWindowTitle(QStringLiteral("InputLine"));
    BuildControls();
    BuildMenus();

    // 1. Top-left corner of the screen.
    QSize size(kDefaultWidth, kDefaultHeight - kTitleAllowance);
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        size = size.boundedTo(QSize(avail.width(), avail.height() - kTitleAllowance));
    }
    resize(size);
    move(0, 0);

    // 2. The program directory is where the program was started.
    data_.gAppPath = QDir::toNativeSeparators(QDir::currentPath()).toStdString();

    // 3. Centred coordinates with y up for the view and its hidden copy.
    const double h = PhotoPic->ScaleHeight();
    const double w = PhotoPic->ScaleWidth();
    PhotoPic->SetScale(-w / 2, h / 2, w, -h);
    PhotoPic2->SetScale(-w / 2, h / 2, w, -h);
    PhotoPic->SetDrawWidth(2);
    PhotoPic->SetMode(DrawMode::Xor);
    CentrePhotoPic();

    // 4.
    data_.gEachTopAreaNumber = 0;
    pActiveTopArea = -1;
    pFirstActivate = kTrue;

    // 5. The dial: +-100 units, origin at the centre, y up.
    AzimusPic->SetScale(-100, 100, 200, -200);
    DrawCompassDial();
    MovePointImg(PointImgLeft, PointImgTop);

    // 6.
    ResetAllDataBuildingData();
    // 7.
    InitMapScaleTables();
    // 9.
    pChangeCount = 0;
    pSampleLoaded = kFalse;
    pDataFileName = {QStringLiteral("*.dat"), QStringLiteral("LineData5.dat"),
                     QStringLiteral("LineData10.dat")};
    // 10. (The tracing keeps its work tables in its own record; step 8's
    // grid set-up has no counterpart.)
    InitImageAnalysis();
    // 11.
    Remove1TopAreaMenu->setEnabled(false);
}

InputLineFrm::~InputLineFrm() = default;

void InputLineFrm::ResetAllDataBuildingData() {
    velmora::ResetAllDataBuildingData(data_);
    pChangeCount = 0;
    SelectSlopeView();
}

void InputLineFrm::ResetDataCmd_Click() {
    PhotoPic->RemovePicture();
    ResetAllDataBuildingData();
    pChangeCount = 0;
    pSampleLoaded = kFalse;
    pDataFileName[0] = QStringLiteral("*.dat");
    SetDefaultCursors();
    SlopeOrFlatRbn->SetValue(0, true);
    SlopeOrFlatRbn->SetValue(1, false);
}

void InputLineFrm::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void InputLineFrm::Form_Activate() {
    if (!IsTrue(pFirstActivate))
        return;
    SlopeOrFlatRbn->SetValue(0, true);
    pFirstActivate = kFalse;
    if (IsTrue(data_.gTempDataSTS))
        RestoreTempDataFile();
}

void InputLineFrm::CloseCmd_Click() {
    if (pViewMode != 2)
        SlopeOrFlatRbn->SetValue(1, true);
    if (IsTrue(pSampleLoaded) || pChangeCount < 1) {
        ClosingSequence();
        return;
    }
    if (prompts_.Question(this, kSaveQuestion))
        SaveDataMenu_Click();
    else
        ClosingSequence();
}

void InputLineFrm::ClosingSequence() {
    pChangeCount = 0;
    // Only a file that was really written is worth reading back.
    data_.gTempDataSTS = ToVBool(SaveTempDataFile());
    close();
}

void InputLineFrm::closeEvent(QCloseEvent* e) {
    if (IsTrue(pSampleLoaded) || pChangeCount < 1) {
        e->accept();
        return;
    }
    if (prompts_.Question(this, kSaveQuestion)) {
        e->ignore();
        SaveDataMenu_Click();
        return;
    }
    data_.gTempDataSTS = kFalse;
    e->accept();
}

void InputLineFrm::StartDemo1Menu_Click() {
    if (IsTrue(data_.gDemoRunning))
        return;
    data_.gDemoRunning = kTrue;
    data_.gDemoNumber = 1;
    ShowDemoWindow();
}

void InputLineFrm::StartDemo2Menu_Click() {
    if (IsTrue(data_.gDemoRunning))
        return;
    data_.gDemoRunning = kTrue;
    data_.gDemoNumber = 2;
    ShowDemoWindow();
}

void InputLineFrm::HelpMenu_Click() {
    ShowManualWindow();
}

QString InputLineFrm::BuiltInFile(const QString& relative) const {
    const QString first = QDir(QString::fromStdString(data_.gAppPath)).filePath(relative);
    if (QFileInfo::exists(first))
        return QDir::toNativeSeparators(first);
    // Started from elsewhere: the files shipped beside the executable.
    const QString second = QDir(QCoreApplication::applicationDirPath()).filePath(relative);
    if (QFileInfo::exists(second))
        return QDir::toNativeSeparators(second);
    return QDir::toNativeSeparators(first);
}

QString InputLineFrm::TempDataFilePath() const {
    const QString folder = QStringLiteral("Sample1");
    const QString name = QStringLiteral("TempData1.dat");
    const QDir app(QString::fromStdString(data_.gAppPath));
    QDir dir = app;
    if (!app.exists(folder)) {
        const QDir exe(QCoreApplication::applicationDirPath());
        if (exe.exists(folder))
            dir = exe;
    }
    return QDir::toNativeSeparators(QDir(dir.filePath(folder)).filePath(name));
}

bool InputLineFrm::SaveTempDataFile() {
    const QString path = TempDataFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return WriteProjectFile(data_, PictureGeometry(), QFile::encodeName(path).toStdString()).ok;
}

bool InputLineFrm::RestoreTempDataFile() {
    const bool ok = ReadProjectIntoWindow(TempDataFilePath()).ok;
    SlopeOrFlatRbn->SetValue(1, true);
    return ok;
}

void InputLineFrm::MovePointImg(float left, float top) {
    PointImgLeft = left;
    PointImgTop = top;
    const QPointF px = AzimusPic->ToPixel(left, top);
    PointImg->move(static_cast<int>(std::lround(px.x())) + PictureView::kBorder,
                   static_cast<int>(std::lround(px.y())) + PictureView::kBorder);
}

bool InputLineFrm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == BasePic && e->type() == QEvent::Resize) {
        CentrePhotoPic();
    } else if (e->type() == QEvent::FocusIn) {
        if (watched == VerHeightmTxt || watched == IncliHeightmTxt)
            pHeightUnitFocus = kFocusMetres;
        else if (watched == VerHeightTxt || watched == IncliHeightTxt)
            pHeightUnitFocus = kFocusFeet;
    } else if (watched == PointImg &&
               (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease)) {
        // Positions relative to the point's top-left corner in dial units,
        // x to the right and y downwards (the way the drag formula reads them).
        const auto* me = static_cast<QMouseEvent*>(e);
        const double ux = std::abs(AzimusPic->ScaleWidth()) / AzimusPic->InnerWidth();
        const double uy = std::abs(AzimusPic->ScaleHeight()) / AzimusPic->InnerHeight();
        const double x = me->position().x() * ux;
        const double y = me->position().y() * uy;
        if (e->type() == QEvent::MouseMove) {
            int buttons = 0;
            if (me->buttons() & Qt::LeftButton)
                buttons |= PictureView::kLeftButton;
            if (me->buttons() & Qt::RightButton)
                buttons |= PictureView::kRightButton;
            PointImg_MouseMove(buttons, x, y);
        } else {
            const int button = me->button() == Qt::LeftButton    ? PictureView::kLeftButton
                               : me->button() == Qt::RightButton ? PictureView::kRightButton
                                                                 : 0;
            PointImg_MouseUp(button, x, y);
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace velmora
