// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GnssDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/InputLineFrm.h"
#include "app/MapDataFiles.h"
#include "app/PredictionBoxes.h"
#include "app/PredictionRunner.h"
#include "geometry/CameraModel.h"
#include "geometry/Footprints.h"
#include "outputs/GnssFiles.h"
#include "outputs/Outputs.h"
#include "picture/SystemNames.h"
#include "plots/GnssPlots.h"
#include "workspace/EditSession.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolTable.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

constexpr char kSystemLetters[5] = {'G', 'R', 'E', 'C', 'J'};

const predict::Parameter& Declared(const char* name) {
    return predict::ParameterOf(predict::GnssAlgorithm(), name);
}

QString Remembered(const char* key) {
    return QStringLiteral("gnss/") + QString::fromLatin1(key);
}

} // namespace

void GnssDialog::BuildBoxes() {
    QSettings settings;
    auto remembered = [&](const char* key, double fallback) {
        return settings.value(Remembered(key), fallback).toDouble();
    };
    const predict::Parameter& at = Declared("at");
    x_ = DeclaredBox(at, 0);
    x_->setObjectName(QStringLiteral("ReceiverX"));
    y_ = DeclaredBox(at, 0);
    y_->setObjectName(QStringLiteral("ReceiverY"));
    latitude_ = DeclaredBox(predict::kLatitude, remembered("latitude", 35.6812));
    latitude_->setObjectName(QStringLiteral("OriginLatitude"));
    longitude_ = DeclaredBox(predict::kLongitude, remembered("longitude", 139.7671));
    longitude_->setObjectName(QStringLiteral("OriginLongitude"));
    height_ = DeclaredBox(Declared("height"), remembered("height", 40.0));
    height_->setObjectName(QStringLiteral("GroundHeight"));
    antenna_ = DeclaredBox(predict::kAntennaHeight);
    offset_ = DeclaredBox(predict::kUtcOffset, remembered("utcOffset", 9.0));
    hours_ = DeclaredBox(Declared("hours"), 24);
    hours_->setObjectName(QStringLiteral("Hours"));
    step_ = DeclaredWholeBox(Declared("step"), 30);
    step_->setObjectName(QStringLiteral("Step"));
    mask_ = DeclaredBox(Declared("elevation-mask"));
    start_ = new QDateTimeEdit(QDateTime(QDate(2012, 11, 1), QTime(6, 0)));
    start_->setObjectName(QStringLiteral("StartTime"));
    start_->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QLayout* GnssDialog::BuildForm() {
    pick_ = new QPushButton(QStringLiteral("平面図で指定"));
    pick_->setObjectName(QStringLiteral("PickReceiver"));
    auto* systemsRow = new QHBoxLayout;
    const std::string chosen = predict::DefaultGnssSettings().systems;
    const char* names[5] = {"GPS", "GLONASS", "Galileo", "BeiDou", "QZSS"};
    for (int i = 0; i < 5; ++i) {
        systems_[i] = new QCheckBox(QString::fromLatin1(names[i]));
        systems_[i]->setObjectName(QStringLiteral("System%1").arg(QChar(kSystemLetters[i])));
        systems_[i]->setChecked(chosen.find(kSystemLetters[i]) != std::string::npos);
        systemsRow->addWidget(systems_[i]);
    }
    kind_ = new QComboBox;
    kind_->setObjectName(QStringLiteral("EphemerisKind"));
    kind_->addItems(
        {QStringLiteral("RINEX航法ファイル"), QStringLiteral("TLE (2行軌道要素)"),
         QString::fromUtf8(predict::ParameterOf(predict::GnssAlgorithm(), "almanac").label)});
    files_ = new QListWidget;
    files_->setObjectName(QStringLiteral("EphemerisFiles"));
    files_->setMaximumHeight(70);
    auto* add = new QPushButton(QStringLiteral("追加..."));
    add->setObjectName(QStringLiteral("AddEphemeris"));
    auto* remove = new QPushButton(QStringLiteral("削除"));
    connect(add, &QPushButton::clicked, this, &GnssDialog::AddFile);
    connect(remove, &QPushButton::clicked, this, &GnssDialog::RemoveFile);

    auto* form = new QFormLayout;
    auto* at = new QHBoxLayout;
    at->addWidget(new QLabel(QStringLiteral("東")));
    at->addWidget(x_);
    at->addWidget(new QLabel(QStringLiteral("北")));
    at->addWidget(y_);
    at->addWidget(pick_);
    form->addRow(QStringLiteral("受信点"), at);
    // Latitude and longitude on one row, as the shade map has them.
    auto* origin = new QHBoxLayout;
    origin->addWidget(latitude_);
    origin->addWidget(longitude_);
    form->addRow(QStringLiteral("画像中心の緯度・経度"), origin);
    auto* heights = new QHBoxLayout;
    heights->addWidget(height_);
    heights->addWidget(new QLabel(antenna_->toolTip()));
    heights->addWidget(antenna_);
    form->addRow(height_->toolTip(), heights);
    auto* when = new QHBoxLayout;
    when->addWidget(start_);
    when->addWidget(new QLabel(QStringLiteral("UTC+")));
    when->addWidget(offset_);
    form->addRow(QStringLiteral("開始 (現地時刻)"), when);
    auto* period = new QHBoxLayout;
    period->addWidget(hours_);
    period->addWidget(new QLabel(step_->toolTip()));
    period->addWidget(step_);
    form->addRow(hours_->toolTip(), period);
    form->addRow(mask_->toolTip(), mask_);
    form->addRow(QStringLiteral("衛星システム"), systemsRow);
    form->addRow(QStringLiteral("エフェメリス"), kind_);
    auto* fileButtons = new QVBoxLayout;
    fileButtons->addWidget(add);
    fileButtons->addWidget(remove);
    fileButtons->addStretch();
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(files_);
    fileRow->addLayout(fileButtons);
    form->addRow(QString(), fileRow);
    form->addRow(QStringLiteral("建物ファイル"), mapData_);
    return form;
}

QWidget* GnssDialog::BuildPictures() {
    // The two pictures share one place, so that the dialog fits beside the
    // plan map.
    sky_ = new QLabel;
    sky_->setObjectName(QStringLiteral("SkyPlot"));
    sky_->setAlignment(Qt::AlignCenter);
    sky_->setFixedSize(plots::SkyPlotSize() * 0.7);
    chart_ = new QLabel;
    chart_->setObjectName(QStringLiteral("DopChart"));
    chart_->setAlignment(Qt::AlignCenter);
    chart_->setFixedSize(sky_->size());
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("GnssPictures"));
    tabs->addTab(sky_, QStringLiteral("天空図"));
    tabs->addTab(chart_, QStringLiteral("衛星数と PDOP"));
    return tabs;
}

GnssDialog::GnssDialog(InputLineFrm& window) : QDialog(&window), window_(window) {
    setObjectName(QStringLiteral("GnssDialog"));
    setWindowTitle(QStringLiteral("GNSS受信予測"));
    setModal(false);
    runner_ = new PredictionRunner(this);
    BuildBoxes();
    mapData_ = new MapDataFiles(window_.Ask());

    run_ = new QPushButton(QStringLiteral("計算"));
    run_->setObjectName(QStringLiteral("RunPrediction"));
    cancel_ = new QPushButton(QStringLiteral("中止"));
    cancel_->setObjectName(QStringLiteral("CancelPrediction"));
    cancel_->setEnabled(false);
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setValue(0);
    saveSky_ = new QPushButton(QStringLiteral("天空図を保存..."));
    saveChart_ = new QPushButton(QStringLiteral("グラフを保存..."));
    saveTable_ = new QPushButton(QStringLiteral("表を保存 (CSV)..."));
    saveSky_->setObjectName(QStringLiteral("SaveSkyPlot"));
    saveChart_->setObjectName(QStringLiteral("SaveChart"));
    saveTable_->setObjectName(QStringLiteral("SaveTable"));
    for (QPushButton* b : {saveSky_, saveChart_, saveTable_})
        b->setEnabled(false);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("GnssStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = new QPushButton(QStringLiteral("閉じる"));
    close->setObjectName(QStringLiteral("CloseGnss"));
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(run_);
    runRow->addWidget(cancel_);
    runRow->addWidget(progress_);
    runRow->addWidget(close);
    auto* saveRow = new QHBoxLayout;
    saveRow->addWidget(saveSky_);
    saveRow->addWidget(saveChart_);
    saveRow->addWidget(saveTable_);

    auto* left = new QVBoxLayout;
    left->addLayout(BuildForm());
    left->addLayout(runRow);
    left->addLayout(saveRow);
    left->addWidget(status_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(BuildPictures());

    connect(pick_, &QPushButton::clicked, this, &GnssDialog::Pick);
    connect(run_, &QPushButton::clicked, this, &GnssDialog::Start);
    connect(cancel_, &QPushButton::clicked, this, &GnssDialog::Cancel);
    connect(saveSky_, &QPushButton::clicked, this, [this] { Save(0); });
    connect(saveChart_, &QPushButton::clicked, this, [this] { Save(1); });
    connect(saveTable_, &QPushButton::clicked, this, [this] { Save(2); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(runner_, &PredictionRunner::Progress, progress_, &QProgressBar::setValue);
    connect(runner_, &PredictionRunner::Finished, this, &GnssDialog::Done);
    connect(mapData_, &MapDataFiles::Changed, this, &GnssDialog::ReadMapData);
    for (QDoubleSpinBox* b : {x_, y_})
        connect(b, &QDoubleSpinBox::valueChanged, this, &GnssDialog::MarksChanged);
}

GnssDialog::~GnssDialog() {
    if (picking_ && pickTarget_)
        pickTarget_->removeEventFilter(this);
}

bool GnssDialog::Running() const {
    return runner_->Running();
}

void GnssDialog::SetReceiver(double x, double y) {
    x_->setValue(x);
    y_->setValue(y);
}

void GnssDialog::AddFile() {
    // A TLE set or an almanac is one file; navigation files may be several.
    const int kind = kind_->currentIndex();
    const bool tle = kind != 0;
    // The folder of the files chosen last: the dialog opens there again.
    const QString folder = QSettings().value(Remembered("lastFolder")).toString();
    QStringList chosen;
    if (tle) {
        const std::optional<QString> f = window_.Ask().OpenFile(
            this,
            kind == 1 ? QStringLiteral("TLEファイル|*.txt *.tle|すべてのファイル|*|")
                      : QStringLiteral("アルマナック|*.alm *.al3 *.txt|すべてのファイル|*|"),
            folder.isEmpty() ? QString() : folder + QStringLiteral("/"));
        if (f)
            chosen << *f;
    } else {
        // Navigation files of GPS, GLONASS, Galileo, BeiDou, QZSS and mixed
        // ones, RINEX 2 and 3 names; several at once (one per system).
        chosen = window_.Ask().OpenFiles(
            this,
            QStringLiteral("RINEX航法ファイル|*.??n *.??g *.??l *.??c *.??q *.??p *.rnx *.nav|"
                           "すべてのファイル|*|"),
            folder);
    }
    if (chosen.isEmpty())
        return;
    QSettings().setValue(Remembered("lastFolder"), QFileInfo(chosen.front()).absolutePath());
    if (tle)
        files_->clear();
    for (const QString& f : chosen)
        if (files_->findItems(f, Qt::MatchExactly).isEmpty())
            files_->addItem(f);
}

void GnssDialog::RemoveFile() {
    delete files_->currentItem();
}

void GnssDialog::Pick() {
    // The receiver is picked on the plan map: the view switches to it, as
    // its button would.
    if (window_.Session().View() != ViewMode::Plan)
        window_.Work().SlopeOrFlatRbn->Button(1)->click();
    if (window_.Session().View() != ViewMode::Plan) {
        status_->setText(QStringLiteral("平面図を表示できません。"));
        return;
    }
    picking_ = true;
    pickTarget_ = window_.Work().PhotoPic;
    pickTarget_->installEventFilter(this);
    status_->setText(QStringLiteral("平面図上で受信点をクリックしてください。"));
}

bool GnssDialog::eventFilter(QObject* watched, QEvent* event) {
    if (!picking_ || watched != pickTarget_)
        return QDialog::eventFilter(watched, event);
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (!press && event->type() != QEvent::MouseMove)
        return QDialog::eventFilter(watched, event);
    const auto* me = static_cast<QMouseEvent*>(event);
    const double rate = window_.Session().FlatMapRate();
    std::optional<PlanXY> at;
    if (rate > 0 && window_.Session().View() == ViewMode::Plan) {
        // The plan map draws plan metres times the map rate in canvas
        // units, turned as the picture; the receiver is given north-up.
        const QPointF user = window_.Work().PhotoPic->ToUser(
            me->position() - QPointF(PictureView::kBorder, PictureView::kBorder));
        at = NorthUpPoint(window_.Data(), user.x() / rate, user.y() / rate);
    }
    if (!press) {
        // The receiver follows the mouse until the click; the tools still
        // see the move.
        hover_ = at;
        emit MarksChanged();
        return false;
    }
    if (me->button() == Qt::LeftButton && at) {
        SetReceiver(at->x, at->y);
        status_->setText(
            QStringLiteral("受信点: 東 %1 m, 北 %2 m").arg(at->x, 0, 'f', 2).arg(at->y, 0, 'f', 2));
    }
    picking_ = false;
    hover_.reset();
    pickTarget_->removeEventFilter(this);
    emit MarksChanged();
    return true;
}

PlanMarkState GnssDialog::Marks() const {
    PlanMarkState s;
    s.roofNumbers = true;
    s.picking = picking_ && hover_.has_value();
    s.receiver = s.picking ? *hover_ : PlanXY{x_->value(), y_->value()};
    s.mapDataRings = mapData_->Rings();
    return s;
}

void GnssDialog::ReadMapData() {
    const PlanXY at{x_->value(), y_->value()};
    mapData_->Read(latitude_->value(), longitude_->value(), std::span(&at, 1),
                   predict::kBuildingFileReach);
    if (!mapData_->Notes().isEmpty())
        status_->setText(mapData_->Notes().join(u'\n'));
    emit MarksChanged();
}

bool GnssDialog::OutsideMapData(PlanXY at) {
    const auto i = gis::GisBuildingAt(mapData_->Buildings(), at);
    if (!i)
        return true;
    const gis::GisBuilding& b = mapData_->Buildings()[*i];
    window_.Ask().Message(
        this, QStringLiteral("受信点が %1 の建物 (%2) の中にあります。建物の外に置いてください。")
                  .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(b.file))).fileName(),
                       QString::fromStdString(b.feature)));
    return false;
}

std::optional<predict::GnssRequest> GnssDialog::Request() {
    predict::GnssRequest r;
    gnss::PredictionSettings& s = r.settings;
    s.latitude = latitude_->value();
    s.longitude = longitude_->value();
    s.groundHeight = height_->value();
    s.at = {x_->value(), y_->value()};
    s.antenna = antenna_->value();
    const QDateTime local = start_->dateTime();
    s.start = QDateTime(local.date(), local.time(), Qt::UTC).toSecsSinceEpoch() -
              static_cast<gnss::UtcSeconds>(std::llround(offset_->value() * 3600));
    s.hours = hours_->value();
    s.step = step_->value();
    s.mask = mask_->value();
    s.systems.clear();
    for (int i = 0; i < 5; ++i)
        if (systems_[i]->isChecked())
            s.systems += kSystemLetters[i];
    // File names as the system's bytes: names that are not UTF-8 stay whole.
    std::vector<std::string> files;
    for (int i = 0; i < files_->count(); ++i)
        files.push_back(ExistingPathBytes(files_->item(i)->text()));
    if (kind_->currentIndex() == 1 && !files.empty())
        r.tle = files.front();
    else if (kind_->currentIndex() == 2 && !files.empty())
        r.almanac = files.front();
    else
        r.nav = std::move(files);
    try {
        predict::Validate(r);
    } catch (const predict::Failure& e) {
        window_.Ask().Message(this, ErrorText(e.error()));
        return std::nullopt;
    }
    return r;
}

void GnssDialog::Start() {
    if (runner_->Running())
        return;
    const std::optional<predict::GnssRequest> r = Request();
    if (!r)
        return;
    QSettings settings;
    settings.setValue(Remembered("latitude"), latitude_->value());
    settings.setValue(Remembered("longitude"), longitude_->value());
    settings.setValue(Remembered("height"), height_->value());
    settings.setValue(Remembered("utcOffset"), offset_->value());
    ReadMapData();
    if (!OutsideMapData(r->settings.at))
        return;
    // The work gets copies: the dialog may be gone before it ends.
    auto result = std::make_shared<std::optional<predict::GnssRun>>();
    running_ = result;
    std::vector<Footprint> plan =
        PlanFootprints(window_.Data(), window_.Work().Picture().PictureScaleWidth());
    for (Footprint& f : mapData_->Prisms())
        plan.push_back(std::move(f));
    run_->setEnabled(false);
    cancel_->setEnabled(true);
    progress_->setValue(0);
    status_->setText(QStringLiteral("計算中..."));
    runner_->Start([plan = std::move(plan), request = *r, result](predict::Feedback& feedback) {
        *result = predict::RunGnss(plan, request, feedback);
    });
}

void GnssDialog::Cancel() {
    runner_->Cancel();
}

void GnssDialog::Done(bool failed, const predict::Error& error, bool cancelled) {
    run_->setEnabled(true);
    cancel_->setEnabled(false);
    const std::shared_ptr<std::optional<predict::GnssRun>> result = std::move(running_);
    if (failed) {
        const QString text = ErrorText(error);
        status_->setText(text);
        window_.Ask().Message(this, text);
    } else if (cancelled || !result || !*result) {
        status_->setText(QStringLiteral("中止しました。"));
    } else {
        result_ = std::move(**result);
        const gnss::Summary& m = result_->summary;
        QString text =
            QStringLiteral("%1 エポック: 測位可能 (4衛星以上, PDOP 6以下) 空が開けていれば %2%, "
                           "建物の間で %3%; 平均可視衛星数 %4; 測位できない最長 %5 分")
                .arg(m.epochs)
                .arg(m.shareOpen * 100, 0, 'f', 1)
                .arg(m.shareWithBuildings * 100, 0, 'f', 1)
                .arg(m.meanVisible, 0, 'f', 2)
                .arg(m.longestGapWithBuildings / 60, 0, 'f', 1);
        for (const predict::Warning& w : runner_->Warnings())
            text += QStringLiteral("\n") + WarningText(w);
        status_->setText(text);
        ShowPictures();
    }
    for (QPushButton* b : {saveSky_, saveChart_, saveTable_})
        b->setEnabled(result_.has_value());
    emit Finished();
}

void GnssDialog::ShowPictures() {
    if (!result_)
        return;
    const QString name = QFileInfo(window_.windowFilePath()).fileName();
    QImage a(plots::SkyPlotSize(), QImage::Format_RGB32);
    {
        QPainter g(&a);
        plots::DrawSkyPlot(g, GnssSkyPlotInput(*result_, name, predict::Language::Japanese));
    }
    sky_->setPixmap(
        QPixmap::fromImage(a.scaled(sky_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    QImage b(plots::DopChartSize(), QImage::Format_RGB32);
    {
        QPainter g(&b);
        plots::DrawDopChart(g, GnssChartInput(*result_, name, predict::Language::Japanese),
                            plots::DopChartSize());
    }
    chart_->setPixmap(QPixmap::fromImage(
        b.scaled(chart_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QByteArray GnssDialog::SkyPlotFile(const QString& path) const {
    const QString name = QFileInfo(window_.windowFilePath()).fileName();
    return result_ ? plots::SkyPlotBytes(
                         GnssSkyPlotInput(*result_, name, predict::Language::Japanese), path)
                   : QByteArray();
}

QByteArray GnssDialog::ChartFile(const QString& path) const {
    const QString name = QFileInfo(window_.windowFilePath()).fileName();
    return result_ ? plots::DopChartBytes(
                         GnssChartInput(*result_, name, predict::Language::Japanese), path)
                   : QByteArray();
}

QByteArray GnssDialog::TableCsv() const {
    return result_ ? GnssCsv(*result_) : QByteArray();
}

void GnssDialog::Save(int what) {
    if (!result_)
        return;
    const QString filter = what == 2
                               ? QStringLiteral("CSVファイル (*.csv)|*.csv|")
                               : QStringLiteral("PNG画像 (*.png)|*.png|SVG画像 (*.svg)|*.svg|");
    const QString name = what == 0   ? QStringLiteral("sky.png")
                         : what == 1 ? QStringLiteral("dop.png")
                                     : QStringLiteral("gnss.csv");
    const std::optional<QString> path = window_.Ask().SaveFile(this, filter, name);
    if (!path)
        return;
    const QByteArray bytes = what == 0   ? SkyPlotFile(*path)
                             : what == 1 ? ChartFile(*path)
                                         : TableCsv();
    try {
        if (bytes.isEmpty())
            throw predict::Failure({predict::ErrorCode::DrawFailed, {"plot"}, PathBytes(*path)});
        WriteOutput(*path, bytes);
    } catch (const predict::Failure& e) {
        window_.Ask().Message(this, ErrorText(e.error()));
    }
}

void GnssDialog::closeEvent(QCloseEvent* e) {
    Cancel();
    QDialog::closeEvent(e);
}

void GnssDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    emit MarksChanged();
}

void GnssDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    emit MarksChanged();
}

GnssDialog* OpenGnssDialog(InputLineFrm& window) {
    auto* d =
        window.findChild<GnssDialog*>(QStringLiteral("GnssDialog"), Qt::FindDirectChildrenOnly);
    if (!d) {
        d = new GnssDialog(window);
        d->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(d, &GnssDialog::MarksChanged, window.Work().PhotoPic,
                         qOverload<>(&QWidget::update));
        d->adjustSize();
        PlaceBesidePlanMap(*d, *window.Work().PhotoPic);
    }
    d->show();
    d->raise();
    d->activateWindow();
    return d;
}

void ConnectGnssMenu(InputLineFrm& window) {
    QObject::connect(window.Menus().GnssMenu, &QAction::triggered, &window,
                     [&window] { OpenGnssDialog(window); });
}

} // namespace velmora
