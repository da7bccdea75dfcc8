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
#include <QThread>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/InputLineFrm.h"
#include "cli/CliSupport.h"
#include "geometry/CameraModel.h"
#include "plots/GnssPlots.h"
#include "workspace/EditSession.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/ToolTable.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

constexpr char kSystemLetters[5] = {'G', 'R', 'E', 'C', 'J'};

QDoubleSpinBox* Number(double min, double max, double value, int decimals, const QString& suffix) {
    auto* b = new QDoubleSpinBox;
    b->setRange(min, max);
    b->setDecimals(decimals);
    b->setValue(value);
    b->setSuffix(suffix);
    return b;
}

QString Dop(const std::optional<gnss::Dops>& d, double gnss::Dops::*field) {
    return d ? QString::number((*d).*field, 'f', 3) : QString();
}

} // namespace

GnssDialog::GnssDialog(InputLineFrm& window) : QDialog(&window), window_(window) {
    setObjectName(QStringLiteral("GnssDialog"));
    setWindowTitle(QStringLiteral("GNSS受信予測"));
    setModal(false);
    QSettings settings;

    x_ = Number(-100000, 100000, 0, 2, QStringLiteral(" m"));
    x_->setObjectName(QStringLiteral("ReceiverX"));
    y_ = Number(-100000, 100000, 0, 2, QStringLiteral(" m"));
    y_->setObjectName(QStringLiteral("ReceiverY"));
    pick_ = new QPushButton(QStringLiteral("平面図で指定"));
    pick_->setObjectName(QStringLiteral("PickReceiver"));
    latitude_ = Number(-90, 90, settings.value(QStringLiteral("gnss/latitude"), 35.6812).toDouble(),
                       7, QStringLiteral("°"));
    latitude_->setObjectName(QStringLiteral("OriginLatitude"));
    longitude_ =
        Number(-180, 180, settings.value(QStringLiteral("gnss/longitude"), 139.7671).toDouble(), 7,
               QStringLiteral("°"));
    longitude_->setObjectName(QStringLiteral("OriginLongitude"));
    height_ = Number(-1000, 9000, settings.value(QStringLiteral("gnss/height"), 40.0).toDouble(), 2,
                     QStringLiteral(" m"));
    height_->setObjectName(QStringLiteral("GroundHeight"));
    antenna_ = Number(0, 1000, 1.5, 2, QStringLiteral(" m"));
    start_ = new QDateTimeEdit(QDateTime(QDate(2012, 11, 1), QTime(6, 0)));
    start_->setObjectName(QStringLiteral("StartTime"));
    start_->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    offset_ = Number(-14, 14, settings.value(QStringLiteral("gnss/utcOffset"), 9.0).toDouble(), 2,
                     QStringLiteral(" 時間"));
    hours_ = Number(0.01, 168, 24, 2, QStringLiteral(" 時間"));
    hours_->setObjectName(QStringLiteral("Hours"));
    step_ = new QSpinBox;
    step_->setObjectName(QStringLiteral("Step"));
    step_->setRange(1, 3600);
    step_->setValue(30);
    step_->setSuffix(QStringLiteral(" 秒"));
    mask_ = Number(0, 89, 10, 1, QStringLiteral("°"));
    auto* systemsRow = new QHBoxLayout;
    const char* names[5] = {"GPS", "GLONASS", "Galileo", "BeiDou", "QZSS"};
    for (int i = 0; i < 5; ++i) {
        systems_[i] = new QCheckBox(QString::fromLatin1(names[i]));
        systems_[i]->setObjectName(QStringLiteral("System%1").arg(QChar(kSystemLetters[i])));
        systems_[i]->setChecked(true);
        systemsRow->addWidget(systems_[i]);
    }
    kind_ = new QComboBox;
    kind_->setObjectName(QStringLiteral("EphemerisKind"));
    kind_->addItems({QStringLiteral("RINEX航法ファイル"), QStringLiteral("TLE (2行軌道要素)")});
    files_ = new QListWidget;
    files_->setObjectName(QStringLiteral("EphemerisFiles"));
    files_->setMaximumHeight(90);
    auto* add = new QPushButton(QStringLiteral("追加..."));
    auto* remove = new QPushButton(QStringLiteral("削除"));

    auto* form = new QFormLayout;
    auto* at = new QHBoxLayout;
    at->addWidget(new QLabel(QStringLiteral("東")));
    at->addWidget(x_);
    at->addWidget(new QLabel(QStringLiteral("北")));
    at->addWidget(y_);
    at->addWidget(pick_);
    form->addRow(QStringLiteral("受信点"), at);
    form->addRow(QStringLiteral("原点の緯度"), latitude_);
    form->addRow(QStringLiteral("原点の経度"), longitude_);
    form->addRow(QStringLiteral("地面の楕円体高"), height_);
    form->addRow(QStringLiteral("アンテナ高"), antenna_);
    auto* when = new QHBoxLayout;
    when->addWidget(start_);
    when->addWidget(new QLabel(QStringLiteral("UTC+")));
    when->addWidget(offset_);
    form->addRow(QStringLiteral("開始 (現地時刻)"), when);
    form->addRow(QStringLiteral("期間"), hours_);
    form->addRow(QStringLiteral("間隔"), step_);
    form->addRow(QStringLiteral("仰角マスク"), mask_);
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
    add->setObjectName(QStringLiteral("AddEphemeris"));
    saveSky_->setObjectName(QStringLiteral("SaveSkyPlot"));
    saveChart_->setObjectName(QStringLiteral("SaveChart"));
    saveTable_->setObjectName(QStringLiteral("SaveTable"));
    for (QPushButton* b : {saveSky_, saveChart_, saveTable_})
        b->setEnabled(false);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("GnssStatus"));
    status_->setWordWrap(true);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(run_);
    runRow->addWidget(cancel_);
    runRow->addWidget(progress_);
    auto* saveRow = new QHBoxLayout;
    saveRow->addWidget(saveSky_);
    saveRow->addWidget(saveChart_);
    saveRow->addWidget(saveTable_);

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addLayout(runRow);
    left->addLayout(saveRow);
    left->addWidget(status_);
    left->addStretch();

    sky_ = new QLabel;
    sky_->setObjectName(QStringLiteral("SkyPlot"));
    sky_->setFixedSize(plots::SkyPlotSize() * 0.75);
    chart_ = new QLabel;
    chart_->setObjectName(QStringLiteral("DopChart"));
    chart_->setFixedSize(QSize(plots::DopChartSize().width() * 0.66, sky_->height()));
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(sky_);
    layout->addWidget(chart_);

    connect(pick_, &QPushButton::clicked, this, &GnssDialog::Pick);
    connect(add, &QPushButton::clicked, this, &GnssDialog::AddFile);
    connect(remove, &QPushButton::clicked, this, &GnssDialog::RemoveFile);
    connect(run_, &QPushButton::clicked, this, &GnssDialog::Start);
    connect(cancel_, &QPushButton::clicked, this, &GnssDialog::Cancel);
    connect(saveSky_, &QPushButton::clicked, this, [this] { Save(0); });
    connect(saveChart_, &QPushButton::clicked, this, [this] { Save(1); });
    connect(saveTable_, &QPushButton::clicked, this, [this] { Save(2); });
}

GnssDialog::~GnssDialog() {
    if (picking_)
        window_.Work().PhotoPic->removeEventFilter(this);
    if (worker_) {
        stop_->store(true);
        worker_->wait();
    }
}

void GnssDialog::SetReceiver(double x, double y) {
    x_->setValue(x);
    y_->setValue(y);
}

void GnssDialog::AddFile() {
    const bool tle = kind_->currentIndex() == 1;
    const std::optional<QString> f = window_.Ask().OpenFile(
        this,
        tle ? QStringLiteral("TLEファイル (*.txt;*.tle)|*.txt;*.tle|すべてのファイル (*)|*|")
            : QStringLiteral("RINEX航法ファイル "
                             "(*.??n;*.??g;*.??q;*.??l;*.??c;*.rnx)|*.??n;*.??g;*.??q;*.??l;*.??c;*"
                             ".rnx|すべてのファイル (*)|*|"),
        QString());
    if (!f)
        return;
    if (tle)
        files_->clear();
    files_->addItem(*f);
}

void GnssDialog::RemoveFile() {
    delete files_->currentItem();
}

void GnssDialog::Pick() {
    if (window_.Session().View() != ViewMode::Plan) {
        window_.Ask().Message(
            this, QStringLiteral("平面図表示にしてから、受信点を平面図上でクリックしてください。"));
        return;
    }
    picking_ = true;
    window_.Work().PhotoPic->installEventFilter(this);
    status_->setText(QStringLiteral("平面図上で受信点をクリックしてください。"));
}

bool GnssDialog::eventFilter(QObject* watched, QEvent* event) {
    if (picking_ && watched == window_.Work().PhotoPic &&
        event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const double rate = window_.Session().FlatMapRate();
        if (me->button() == Qt::LeftButton && rate > 0 &&
            window_.Session().View() == ViewMode::Plan) {
            // The plan map draws plan metres times the map rate in canvas
            // units, turned as the picture; the receiver is given north-up.
            const QPointF user = window_.Work().PhotoPic->ToUser(
                me->position() - QPointF(PictureView::kBorder, PictureView::kBorder));
            const PlanXY p = NorthUpPoint(window_.Data(), user.x() / rate, user.y() / rate);
            SetReceiver(p.x, p.y);
            status_->setText(
                QStringLiteral("受信点: 東 %1 m, 北 %2 m").arg(p.x, 0, 'f', 2).arg(p.y, 0, 'f', 2));
        }
        picking_ = false;
        window_.Work().PhotoPic->removeEventFilter(this);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

gnss::PredictionSettings GnssDialog::Settings() const {
    gnss::PredictionSettings s;
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
    return s;
}

void GnssDialog::Start() {
    if (worker_)
        return;
    Prompts& ask = window_.Ask();
    if (files_->count() == 0) {
        ask.Message(this, QStringLiteral("エフェメリスのファイルを追加してください。"));
        return;
    }
    running_ = Settings();
    if (running_.systems.empty()) {
        ask.Message(this, QStringLiteral("衛星システムを一つ以上選んでください。"));
        return;
    }
    QSettings settings;
    settings.setValue(QStringLiteral("gnss/latitude"), latitude_->value());
    settings.setValue(QStringLiteral("gnss/longitude"), longitude_->value());
    settings.setValue(QStringLiteral("gnss/height"), height_->value());
    settings.setValue(QStringLiteral("gnss/utcOffset"), offset_->value());

    // The buildings as the plan map places them, from a copy of the record.
    auto copy = std::make_unique<BuildingData>(window_.Data());
    const double width = window_.Work().Picture().PictureScaleWidth();
    ComputeRoofHeights(*copy, width);
    ComputeRoofPlanPoints(*copy, width);
    if (const std::optional<Count> roof = FootprintAt(NorthUpFootprints(*copy), running_.at)) {
        ask.Message(this,
                    QStringLiteral("受信点が屋根 %1 の中にあります。建物の外に置いてください。")
                        .arg(*roof));
        return;
    }
    gnss::Buildings b = gnss::MeasuredBuildings(*copy);
    prisms_ = std::move(b.prisms);
    unmeasured_ = std::move(b.unmeasured);
    crossing_ = std::move(b.crossing);

    std::vector<std::string> files;
    for (int i = 0; i < files_->count(); ++i)
        files.push_back(ExistingPathBytes(files_->item(i)->text()));
    const bool tle = kind_->currentIndex() == 1;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    auto outcome = std::make_shared<std::pair<std::unique_ptr<gnss::Prediction>, QString>>();
    const auto stop = stop_;
    const gnss::PredictionSettings s = running_;
    const std::vector<Footprint> prisms = prisms_;
    worker_ = QThread::create([this, files, tle, stop, s, prisms, outcome] {
        try {
            const gnss::Ephemerides orbits =
                tle ? gnss::Ephemerides::FromTle(files.front()) : gnss::Ephemerides::FromNav(files);
            if (const std::string problem = gnss::SettingsProblem(s); !problem.empty())
                throw std::invalid_argument(problem);
            const std::size_t n = gnss::EpochCount(s);
            const gnss::UtcSeconds end =
                s.start + static_cast<gnss::UtcSeconds>((n - 1) * static_cast<std::size_t>(s.step));
            const std::vector<std::string> idle = orbits.FilesCoveringNone(s.start, end, s.step);
            if (!idle.empty()) {
                outcome->second = QStringLiteral("%1: 期間中に使えるエフェメリスがありません。")
                                      .arg(QString::fromLocal8Bit(idle.front().c_str()));
                return;
            }
            auto p = std::make_unique<gnss::Prediction>(
                gnss::Predict(orbits, prisms, s, [&](std::size_t done, std::size_t total) {
                    const int percent = total ? static_cast<int>(100 * done / total) : 100;
                    QMetaObject::invokeMethod(
                        this, [this, percent] { progress_->setValue(percent); },
                        Qt::QueuedConnection);
                    return !stop->load();
                }));
            outcome->first = std::move(p);
        } catch (const std::exception& e) {
            outcome->second = QString::fromLocal8Bit(e.what());
        }
    });
    connect(worker_, &QThread::finished, this, [this, outcome] {
        worker_->deleteLater();
        worker_ = nullptr;
        if (outcome->first && !outcome->first->cancelled) {
            result_ = std::move(outcome->first);
            shown_ = running_;
            shownPrisms_ = prisms_;
        }
        Done(outcome->second);
    });
    run_->setEnabled(false);
    cancel_->setEnabled(true);
    progress_->setValue(0);
    status_->setText(QStringLiteral("計算中..."));
    worker_->start();
}

void GnssDialog::Cancel() {
    if (stop_)
        stop_->store(true);
}

void GnssDialog::Done(QString error) {
    run_->setEnabled(true);
    cancel_->setEnabled(false);
    if (!error.isEmpty()) {
        status_->setText(error);
        window_.Ask().Message(this, error);
    } else if (stop_ && stop_->load()) {
        status_->setText(QStringLiteral("中止しました。"));
    } else if (result_) {
        const gnss::Summary m = gnss::Summarise(*result_, shown_.step);
        QString text =
            QStringLiteral("%1 エポック: 測位可能 (4衛星以上, PDOP 6以下) 空が開けていれば %2%, "
                           "建物の間で %3%; 平均可視衛星数 %4; 測位できない最長 %5 分")
                .arg(m.epochs)
                .arg(m.shareOpen * 100, 0, 'f', 1)
                .arg(m.shareWithBuildings * 100, 0, 'f', 1)
                .arg(m.meanVisible, 0, 'f', 2)
                .arg(m.longestGapWithBuildings / 60, 0, 'f', 1);
        if (!unmeasured_.empty()) {
            QStringList roofs;
            for (const Count c : unmeasured_)
                roofs << QString::number(c);
            text += QStringLiteral("\n高さが測られていない屋根 (除外): ") +
                    roofs.join(QStringLiteral(", "));
        }
        if (!crossing_.empty()) {
            QStringList roofs;
            for (const Count c : crossing_)
                roofs << QString::number(c);
            text += QStringLiteral("\n輪郭が交差している屋根 (除外): ") +
                    roofs.join(QStringLiteral(", "));
        }
        if (m.incompleteEpochs > 0)
            text += QStringLiteral("\nエフェメリスのない衛星がある %1 エポックは集計から除外")
                        .arg(m.incompleteEpochs);
        status_->setText(text);
        ShowPictures();
    }
    for (QPushButton* b : {saveSky_, saveChart_, saveTable_})
        b->setEnabled(result_ != nullptr);
    emit Finished();
}

QString GnssDialog::Title() const {
    return QStringLiteral("(%1 E, %2 N) m, %3 + %4 h")
        .arg(shown_.at.x, 0, 'f', 1)
        .arg(shown_.at.y, 0, 'f', 1)
        .arg(plots::UtcText(shown_.start))
        .arg(shown_.hours);
}

void GnssDialog::ShowPictures() {
    if (!result_)
        return;
    const plots::SkyPlotInput sky = plots::GnssSkyPlot(*result_, shown_, shownPrisms_,
                                                       QStringLiteral("Satellites at ") + Title());
    QImage a(plots::SkyPlotSize(), QImage::Format_RGB32);
    {
        QPainter g(&a);
        plots::DrawSkyPlot(g, sky);
    }
    sky_->setPixmap(
        QPixmap::fromImage(a.scaled(sky_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    const plots::DopChartInput chart =
        plots::GnssChart(*result_, shown_, QStringLiteral("Satellites and PDOP, ") + Title());
    QImage b(plots::DopChartSize(), QImage::Format_RGB32);
    {
        QPainter g(&b);
        plots::DrawDopChart(g, chart, plots::DopChartSize());
    }
    chart_->setPixmap(QPixmap::fromImage(
        b.scaled(chart_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QByteArray GnssDialog::SkyPlotFile(const QString& path) const {
    return result_
               ? plots::SkyPlotBytes(plots::GnssSkyPlot(*result_, shown_, shownPrisms_,
                                                        QStringLiteral("Satellites at ") + Title()),
                                     path)
               : QByteArray();
}

QByteArray GnssDialog::ChartFile(const QString& path) const {
    return result_ ? plots::DopChartBytes(
                         plots::GnssChart(*result_, shown_,
                                          QStringLiteral("Satellites and PDOP, ") + Title()),
                         path)
                   : QByteArray();
}

QByteArray GnssDialog::TableCsv() const {
    if (!result_)
        return {};
    QByteArray out = "time_utc,above_mask,visible,gdop_open,pdop_open,hdop_open,vdop_open,"
                     "gdop_buildings,pdop_buildings,hdop_buildings,vdop_buildings,no_ephemeris\r\n";
    using D = gnss::Dops;
    for (const gnss::EpochSky& e : result_->epochs) {
        QStringList missing;
        for (const std::size_t i : e.missing)
            missing << QString::fromStdString(result_->satellites[i].id);
        out += QStringList{plots::UtcText(e.utc),          QString::number(e.aboveMask),
                           QString::number(e.visible),     Dop(e.open, &D::gdop),
                           Dop(e.open, &D::pdop),          Dop(e.open, &D::hdop),
                           Dop(e.open, &D::vdop),          Dop(e.withBuildings, &D::gdop),
                           Dop(e.withBuildings, &D::pdop), Dop(e.withBuildings, &D::hdop),
                           Dop(e.withBuildings, &D::vdop), missing.join(u' ')}
                   .join(u',')
                   .toUtf8() +
               "\r\n";
    }
    return out;
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
        cli::WriteOutput(*path, bytes);
    } catch (const cli::Failure& e) {
        window_.Ask().Message(this, QStringLiteral("保存できませんでした: ") +
                                        QString::fromLocal8Bit(e.what()));
    }
}

void GnssDialog::closeEvent(QCloseEvent* e) {
    Cancel();
    QDialog::closeEvent(e);
}

GnssDialog* OpenGnssDialog(InputLineFrm& window) {
    auto* d =
        window.findChild<GnssDialog*>(QStringLiteral("GnssDialog"), Qt::FindDirectChildrenOnly);
    if (!d) {
        d = new GnssDialog(window);
        d->setAttribute(Qt::WA_DeleteOnClose);
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
