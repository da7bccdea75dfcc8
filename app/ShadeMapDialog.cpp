// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShadeMapDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <cmath>

#include "workspace/Prompts.h"

namespace velmora {

namespace {

enum PeriodChoice { kSolar8To16, kSolar9To15, kClock };

QString ProblemText(cli::ShadowProblem p) {
    switch (p) {
    case cli::ShadowProblem::NoRoofs:
        return QStringLiteral("屋根がありません。");
    case cli::ShadowProblem::NoHeights:
        return QStringLiteral("高さの測られた屋根（壁線のある屋根）がありません。");
    case cli::ShadowProblem::SunDown:
        return QStringLiteral("この期間、太陽はずっと地平線の下にあります（極夜など）。");
    case cli::ShadowProblem::GridTooLarge:
        return QStringLiteral(
            "格子が大きすぎます。格子の大きさを大きくするか、範囲を狭めてください。");
    case cli::ShadowProblem::Implausible:
        return QStringLiteral("屋根の高さか位置がありえない値です。壁線と高度を確かめてください。");
    }
    return {};
}

} // namespace

QDate NextDecemberSolstice(const QDate& today) {
    // The day of that December whose noon sun stands lowest at 35 degrees
    // north: the declination's minimum falls on the 21st or 22nd.
    for (int year = today.year();; ++year) {
        QDate best;
        double lowest = 90;
        for (int day = 19; day <= 24; ++day) {
            const double ut = SolarToUtHours(year, 12, day, 12, 135);
            const SunAngles a = SunPositionAt({year, 12, day, ut, 0}, {35, 135});
            if (a.elevation() < lowest) {
                lowest = a.elevation();
                best = QDate(year, 12, day);
            }
        }
        if (best >= today)
            return best;
    }
}

ShadeMapDialog::ShadeMapDialog(Snapshot snapshot, Prompts& prompts, QWidget* parent)
    : QDialog(parent), snapshot_(std::move(snapshot)), prompts_(prompts) {
    setObjectName(QStringLiteral("ShadeMapDialog"));
    setWindowTitle(QStringLiteral("日影図"));
    setModal(false);

    auto* form = new QFormLayout;
    DateBox = new QDateEdit(NextDecemberSolstice(QDate::currentDate()));
    DateBox->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateBox->setCalendarPopup(true);
    form->addRow(QStringLiteral("日付"), DateBox);

    LatitudeBox = new QDoubleSpinBox;
    LatitudeBox->setRange(-90, 90);
    LatitudeBox->setDecimals(5);
    LatitudeBox->setValue(35.68120);
    LongitudeBox = new QDoubleSpinBox;
    LongitudeBox->setRange(-180, 180);
    LongitudeBox->setDecimals(5);
    LongitudeBox->setValue(139.76710);
    auto* place = new QHBoxLayout;
    place->addWidget(LatitudeBox);
    place->addWidget(LongitudeBox);
    form->addRow(QStringLiteral("画像中心の緯度・経度"), place);

    PlaneBox = new QComboBox;
    PlaneBox->setEditable(true);
    PlaneBox->addItems({QStringLiteral("1.5"), QStringLiteral("4"), QStringLiteral("6.5")});
    PlaneBox->setCurrentIndex(1);
    form->addRow(QStringLiteral("測定面の高さ (m)"), PlaneBox);

    PeriodBox = new QComboBox;
    PeriodBox->addItems({QStringLiteral("真太陽時 8時〜16時"),
                         QStringLiteral("真太陽時 9時〜15時（北海道）"),
                         QStringLiteral("時計の時刻")});
    form->addRow(QStringLiteral("時間帯"), PeriodBox);
    FromBox = new QTimeEdit(QTime(8, 0));
    ToBox = new QTimeEdit(QTime(16, 0));
    for (QTimeEdit* t : {FromBox, ToBox})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    OffsetBox = new QDoubleSpinBox;
    OffsetBox->setRange(-14, 14);
    OffsetBox->setDecimals(2);
    OffsetBox->setValue(9);
    auto* clock = new QHBoxLayout;
    clock->addWidget(FromBox);
    clock->addWidget(new QLabel(QStringLiteral("〜")));
    clock->addWidget(ToBox);
    clock->addWidget(new QLabel(QStringLiteral("UTC+")));
    clock->addWidget(OffsetBox);
    form->addRow(QStringLiteral("時刻"), clock);

    ContoursBox = new QLineEdit(QStringLiteral("2,3,4,5"));
    form->addRow(QStringLiteral("等時間日影線 (時間)"), ContoursBox);
    CellBox = new QDoubleSpinBox;
    CellBox->setRange(0.1, 10);
    CellBox->setDecimals(2);
    CellBox->setValue(1);
    form->addRow(QStringLiteral("格子の大きさ (m)"), CellBox);
    ExtentBox = new QDoubleSpinBox;
    ExtentBox->setRange(0, 1000);
    ExtentBox->setDecimals(0);
    ExtentBox->setValue(50);
    form->addRow(QStringLiteral("建物の周りの範囲 (m)"), ExtentBox);
    HourlyBox = new QCheckBox(QStringLiteral("時刻日影線も描く"));
    HourlyBox->setChecked(true);
    form->addRow(QString(), HourlyBox);

    ComputeCmd = new QPushButton(QStringLiteral("計算(&C)"));
    CancelCmd = new QPushButton(QStringLiteral("中止"));
    CancelCmd->setEnabled(false);
    SaveCmd = new QPushButton(QStringLiteral("保存(&S)..."));
    SaveCmd->setEnabled(false);
    auto* closeCmd = new QPushButton(QStringLiteral("閉じる"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ComputeCmd, CancelCmd, SaveCmd, closeCmd})
        buttons->addWidget(b);
    Progress = new QProgressBar;
    Progress->setRange(0, 100);
    Progress->setValue(0);
    Status = new QLabel;
    Status->setWordWrap(true);

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addLayout(buttons);
    left->addWidget(Progress);
    left->addWidget(Status);
    left->addStretch();

    MapView = new QLabel;
    MapView->setAlignment(Qt::AlignCenter);
    MapView->setBackgroundRole(QPalette::Base);
    scroll_ = new QScrollArea;
    scroll_->setWidget(MapView);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setMinimumSize(640, 600);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(scroll_, 1);

    connect(PeriodBox, &QComboBox::currentIndexChanged, this, &ShadeMapDialog::PeriodChanged);
    connect(ComputeCmd, &QPushButton::clicked, this, [this] { Compute(); });
    connect(CancelCmd, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    connect(SaveCmd, &QPushButton::clicked, this, &ShadeMapDialog::SaveClicked);
    connect(closeCmd, &QPushButton::clicked, this, &QDialog::close);
    PeriodChanged();
}

void ShadeMapDialog::PeriodChanged() {
    const int choice = PeriodBox->currentIndex();
    const bool clock = choice == kClock;
    if (choice == kSolar8To16) {
        FromBox->setTime(QTime(8, 0));
        ToBox->setTime(QTime(16, 0));
    } else if (choice == kSolar9To15) {
        FromBox->setTime(QTime(9, 0));
        ToBox->setTime(QTime(15, 0));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{FromBox, ToBox, OffsetBox})
        w->setEnabled(clock);
}

std::optional<cli::ShadowRequest> ShadeMapDialog::ReadSettings() {
    cli::ShadowRequest r;
    const QDate d = DateBox->date();
    r.period.year = d.year();
    r.period.month = d.month();
    r.period.day = d.day();
    r.period.solarTime = PeriodBox->currentIndex() != kClock;
    r.period.utcOffset = OffsetBox->value();
    r.period.fromHours = FromBox->time().msecsSinceStartOfDay() / 3.6e6;
    r.period.toHours = ToBox->time().msecsSinceStartOfDay() / 3.6e6;
    if (!(r.period.toHours > r.period.fromHours)) {
        prompts_.Message(this, QStringLiteral("終わりの時刻は始まりの時刻より後にしてください。"));
        return std::nullopt;
    }
    r.site.latitude = LatitudeBox->value();
    r.site.longitude = LongitudeBox->value();
    bool ok = false;
    r.planeHeight = PlaneBox->currentText().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(r.planeHeight) || r.planeHeight < 0) {
        prompts_.Message(this, QStringLiteral("測定面の高さは 0 以上の数で入れてください。"));
        return std::nullopt;
    }
    r.contours.clear();
    for (const QString& part : ContoursBox->text().split(u',', Qt::SkipEmptyParts)) {
        const double h = part.trimmed().toDouble(&ok);
        if (!ok || !(h > 0) || !std::isfinite(h)) {
            prompts_.Message(this, QStringLiteral("等時間日影線は 2,3,4,5 のように正の時間を"
                                                  "コンマで区切って入れてください。"));
            return std::nullopt;
        }
        r.contours.push_back(h);
    }
    std::sort(r.contours.begin(), r.contours.end());
    r.contours.erase(std::unique(r.contours.begin(), r.contours.end()), r.contours.end());
    r.cell = CellBox->value();
    r.extent = ExtentBox->value();
    r.hourly = HourlyBox->isChecked();
    return r;
}

bool ShadeMapDialog::Compute() {
    const std::optional<cli::ShadowRequest> r = ReadSettings();
    if (!r)
        return false;
    const std::unique_ptr<BuildingData> data = snapshot_();
    cancelled_ = false;
    ComputeCmd->setEnabled(false);
    CancelCmd->setEnabled(true);
    Status->setText(QStringLiteral("計算中..."));
    Progress->setValue(0);
    std::optional<cli::ShadowResult> result;
    QString problem;
    try {
        result = cli::ComputeShadow(*data, *r, [this](int done, int total) {
            // Keeps the window and the cancel button alive while it runs.
            if (done % 8 == 0 || done == total) {
                Progress->setValue(total > 0 ? 100 * done / total : 100);
                QApplication::processEvents();
            }
            return !cancelled_;
        });
    } catch (const cli::ShadowFailure& e) {
        problem = ProblemText(e.problem);
    } catch (const std::exception& e) {
        problem = QString::fromUtf8(e.what());
    }
    ComputeCmd->setEnabled(true);
    CancelCmd->setEnabled(false);
    if (!problem.isEmpty()) {
        Status->setText(problem);
        prompts_.Message(this, QStringLiteral("日影図を作れません。") + problem);
        return false;
    }
    if (!result) {
        Progress->setValue(0);
        Status->setText(QStringLiteral("中止しました。"));
        return false;
    }
    request_ = r;
    result_ = std::move(result);
    QString status =
        QStringLiteral("%1 × %2 格子。").arg(result_->map.grid.nx).arg(result_->map.grid.ny);
    if (!result_->unmeasured.empty()) {
        QStringList roofs;
        for (const Count roof : result_->unmeasured)
            roofs << QString::number(roof);
        status += QStringLiteral("高さの測られていない屋根 %1 は除きました（斜線）。")
                      .arg(roofs.join(QStringLiteral(", ")));
    }
    if (!result_->crossing.empty()) {
        QStringList roofs;
        for (const Count roof : result_->crossing)
            roofs << QString::number(roof);
        status += QStringLiteral("輪郭が交差している屋根 %1 は除きました。")
                      .arg(roofs.join(QStringLiteral(", ")));
    }
    if (result_->map.sunDownSamples > 0)
        status += QStringLiteral("太陽が地平線の下にある %1 分は日影に数えていません。")
                      .arg(result_->map.sunDownSamples * r->period.stepMinutes);
    Status->setText(status);
    ShowMap();
    SaveCmd->setEnabled(true);
    return true;
}

ShadePlotInput ShadeMapDialog::PlotInput(const QString& name) const {
    ShadePlotInput in = cli::ShadowPlotInput(*result_, *request_, name);
    // The window's own wording for the title and caption.
    const ShadePeriod& p = request_->period;
    const QString period = p.solarTime
                               ? QStringLiteral("真太陽時 %1〜%2")
                                     .arg(cli::ClockText(p.fromHours), cli::ClockText(p.toHours))
                               : QStringLiteral("%1〜%2 (UTC%3%4)")
                                     .arg(cli::ClockText(p.fromHours), cli::ClockText(p.toHours))
                                     .arg(QChar(p.utcOffset < 0 ? u'-' : u'+'))
                                     .arg(std::fabs(p.utcOffset));
    in.title = QStringLiteral("日影図 %1 %2、測定面の高さ %3 m")
                   .arg(QDate(p.year, p.month, p.day).toString(Qt::ISODate), period)
                   .arg(request_->planeHeight);
    in.caption = QStringLiteral("緯度 %1、経度 %2。実線: 等時間日影線（時間）")
                     .arg(request_->site.latitude, 0, 'f', 5)
                     .arg(request_->site.longitude, 0, 'f', 5);
    if (request_->hourly)
        in.caption += QStringLiteral("、破線: 時刻日影線");
    in.caption += QStringLiteral("。格子 %1 m、1 分ごと。").arg(request_->cell);
    if (!result_->unmeasured.empty())
        in.caption += QStringLiteral("斜線: 高さの測られていない屋根（除外）。");
    return in;
}

void ShadeMapDialog::ShowMap() {
    if (!result_)
        return;
    // Fitted into the view; saving writes the full size.
    const QImage image = ShadePlotImage(PlotInput(QString()));
    const QSize room = scroll_->viewport()->size() - QSize(4, 4);
    MapView->setPixmap(
        QPixmap::fromImage(image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void ShadeMapDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    ShowMap();
}

bool ShadeMapDialog::SaveTo(const QString& path) {
    if (!result_ || !request_)
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    if (suffix == QStringLiteral("geojson") || suffix == QStringLiteral("json"))
        bytes = cli::ShadowGeoJson(*result_, *request_);
    else
        bytes = ShadePlotBytes(PlotInput(QFileInfo(path).completeBaseName()),
                               suffix == QStringLiteral("svg"));
    try {
        if (bytes.isEmpty())
            throw cli::Failure(path);
        cli::WriteOutput(path, bytes);
    } catch (const std::exception&) {
        prompts_.Message(this, QStringLiteral("%1 に書き込めませんでした。").arg(path));
        return false;
    }
    return true;
}

void ShadeMapDialog::SaveClicked() {
    const std::optional<QString> path = prompts_.SaveFile(
        this,
        QStringLiteral(
            "PNG 画像 (*.png)|*.png|SVG 画像 (*.svg)|*.svg|GeoJSON (*.geojson)|*.geojson"),
        QStringLiteral("shade-map.png"));
    if (path)
        SaveTo(*path);
}

} // namespace velmora
