// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShadeMapDialog.h"

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

#include "app/MapDataFiles.h"
#include "app/PredictionBoxes.h"
#include "app/PredictionRunner.h"
#include "outputs/Outputs.h"
#include "outputs/ShadowFiles.h"
#include "picture/SystemNames.h"
#include "workspace/Prompts.h"

namespace velmora {

namespace {

enum PeriodChoice { kSolar8To16, kSolar9To15, kClock };

const predict::Parameter& Declared(const char* name) {
    return predict::ParameterOf(predict::ShadowAlgorithm(), name);
}

QTime TimeOf(double hours) {
    return QTime(0, 0).addSecs(static_cast<int>(std::lround(hours * 3600)));
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
    runner_ = new PredictionRunner(this);

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
    left->addLayout(BuildForm());
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
    connect(CancelCmd, &QPushButton::clicked, runner_, &PredictionRunner::Cancel);
    connect(SaveCmd, &QPushButton::clicked, this, &ShadeMapDialog::SaveClicked);
    connect(closeCmd, &QPushButton::clicked, this, &QDialog::close);
    connect(runner_, &PredictionRunner::Progress, Progress, &QProgressBar::setValue);
    connect(runner_, &PredictionRunner::Finished, this, &ShadeMapDialog::Done);
    PeriodChanged();
}

QLayout* ShadeMapDialog::BuildForm() {
    const predict::ShadowRequest defaults = predict::DefaultShadowRequest();
    auto* form = new QFormLayout;
    DateBox = new QDateEdit(NextDecemberSolstice(QDate::currentDate()));
    DateBox->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateBox->setCalendarPopup(true);
    form->addRow(QStringLiteral("日付"), DateBox);

    LatitudeBox = DeclaredBox(predict::kLatitude, 35.68120);
    LatitudeBox->setDecimals(5);
    LongitudeBox = DeclaredBox(predict::kLongitude, 139.76710);
    LongitudeBox->setDecimals(5);
    for (QDoubleSpinBox* b : {LatitudeBox, LongitudeBox})
        b->setSuffix(QString());
    auto* place = new QHBoxLayout;
    place->addWidget(LatitudeBox);
    place->addWidget(LongitudeBox);
    form->addRow(QStringLiteral("画像中心の緯度・経度"), place);

    // The heights of the building code's measuring planes.
    PlaneBox = new QComboBox;
    PlaneBox->setEditable(true);
    PlaneBox->addItems({QStringLiteral("1.5"), QStringLiteral("4"), QStringLiteral("6.5")});
    PlaneBox->setCurrentText(QString::number(defaults.planeHeight));
    form->addRow(QStringLiteral("測定面の高さ (m)"), PlaneBox);

    PeriodBox = new QComboBox;
    PeriodBox->addItems({QStringLiteral("真太陽時 %1時〜%2時")
                             .arg(defaults.period.fromHours)
                             .arg(defaults.period.toHours),
                         QStringLiteral("真太陽時 9時〜15時（北海道）"),
                         QStringLiteral("時計の時刻")});
    form->addRow(QStringLiteral("時間帯"), PeriodBox);
    FromBox = new QTimeEdit(TimeOf(defaults.period.fromHours));
    ToBox = new QTimeEdit(TimeOf(defaults.period.toHours));
    for (QTimeEdit* t : {FromBox, ToBox})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    OffsetBox = DeclaredBox(predict::kUtcOffset, 9);
    OffsetBox->setSuffix(QString());
    auto* clock = new QHBoxLayout;
    clock->addWidget(FromBox);
    clock->addWidget(new QLabel(QStringLiteral("〜")));
    clock->addWidget(ToBox);
    clock->addWidget(new QLabel(QStringLiteral("UTC+")));
    clock->addWidget(OffsetBox);
    form->addRow(QStringLiteral("時刻"), clock);

    ContoursBox = new QLineEdit(QString::fromUtf8(Declared("contours").fallback));
    form->addRow(QString::fromUtf8(Declared("contours").label), ContoursBox);
    CellBox = DeclaredBox(Declared("cell"));
    form->addRow(QString::fromUtf8(Declared("cell").label), CellBox);
    ExtentBox = DeclaredBox(Declared("extent"));
    form->addRow(QString::fromUtf8(Declared("extent").label), ExtentBox);
    HourlyBox = new QCheckBox(QString::fromUtf8(Declared("hourly").label));
    HourlyBox->setChecked(true);
    form->addRow(QString(), HourlyBox);
    MapData = new MapDataFiles(prompts_);
    connect(MapData, &MapDataFiles::Changed, this, [this] { ReadMapData(snapshot_()); });
    form->addRow(QStringLiteral("建物ファイル"), MapData);
    return form;
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

std::optional<predict::ShadowRequest> ShadeMapDialog::ReadSettings() {
    predict::ShadowRequest r = predict::DefaultShadowRequest();
    const QDate d = DateBox->date();
    r.period.year = d.year();
    r.period.month = d.month();
    r.period.day = d.day();
    r.period.solarTime = PeriodBox->currentIndex() != kClock;
    r.period.utcOffset = OffsetBox->value();
    r.period.fromHours = FromBox->time().msecsSinceStartOfDay() / 3.6e6;
    r.period.toHours = ToBox->time().msecsSinceStartOfDay() / 3.6e6;
    r.site.latitude = LatitudeBox->value();
    r.site.longitude = LongitudeBox->value();
    try {
        bool ok = false;
        r.planeHeight = PlaneBox->currentText().trimmed().toDouble(&ok);
        if (!ok)
            throw predict::Failure({predict::ErrorCode::NotANumber, {"plane-height"}});
        r.contours = predict::ParseContours(ContoursBox->text().toStdString());
        r.cell = CellBox->value();
        r.extent = ExtentBox->value();
        r.hourly = HourlyBox->isChecked();
        predict::Validate(r);
    } catch (const predict::Failure& e) {
        prompts_.Message(this, ErrorText(e.error()));
        return std::nullopt;
    }
    return r;
}

bool ShadeMapDialog::Running() const {
    return runner_->Running();
}

bool ShadeMapDialog::Compute() {
    if (runner_->Running())
        return false;
    const std::optional<predict::ShadowRequest> r = ReadSettings();
    if (!r)
        return false;
    // The work gets copies: the dialog may be gone before it ends.
    auto result = std::make_shared<std::optional<predict::ShadowResult>>();
    running_ = result;
    runningRequest_ = r;
    ComputeCmd->setEnabled(false);
    CancelCmd->setEnabled(true);
    Status->setText(QStringLiteral("計算中..."));
    Progress->setValue(0);
    std::vector<Footprint> plan = snapshot_();
    ReadMapData(plan);
    for (Footprint& f : MapData->Prisms())
        plan.push_back(std::move(f));
    runner_->Start([plan = std::move(plan), request = *r, result](predict::Feedback& feedback) {
        *result = predict::RunShadow(plan, request, feedback);
    });
    return true;
}

void ShadeMapDialog::ReadMapData(const std::vector<Footprint>& plan) {
    // As velmora-cli shadow reads them: around every corner of the record's
    // roofs, as far as the grid reaches.
    std::vector<PlanXY> around;
    for (const Footprint& f : plan)
        around.insert(around.end(), f.ring.begin(), f.ring.end());
    MapData->Read(LatitudeBox->value(), LongitudeBox->value(), around, ExtentBox->value());
    if (!MapData->Notes().isEmpty())
        Status->setText(MapData->Notes().join(u'\n'));
    emit MarksChanged();
}

std::vector<std::vector<PlanXY>> ShadeMapDialog::MapDataRings() const {
    return MapData->Rings();
}

void ShadeMapDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    emit MarksChanged();
}

void ShadeMapDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    emit MarksChanged();
}

void ShadeMapDialog::Done(bool failed, const predict::Error& error, bool cancelled) {
    ComputeCmd->setEnabled(true);
    CancelCmd->setEnabled(false);
    const std::shared_ptr<std::optional<predict::ShadowResult>> result = std::move(running_);
    if (failed) {
        const QString problem = ErrorText(error);
        Status->setText(problem);
        prompts_.Message(this, QStringLiteral("日影図を作れません。") + problem);
    } else if (cancelled || !result || !*result) {
        Progress->setValue(0);
        Status->setText(QStringLiteral("中止しました。"));
    } else {
        request_ = runningRequest_;
        result_ = std::move(**result);
        QStringList status{
            QStringLiteral("%1 × %2 格子。").arg(result_->map.grid.nx).arg(result_->map.grid.ny)};
        for (const predict::Warning& w : runner_->Warnings())
            status << WarningText(w);
        Status->setText(status.join(QString()));
        ShowMap();
        SaveCmd->setEnabled(true);
    }
    emit Finished();
}

ShadePlotInput ShadeMapDialog::PlotInput(const QString& name) const {
    return ShadowPlotInput(*result_, *request_, name, predict::Language::Japanese);
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
    // The same contents as velmora-cli shadow's files of these kinds.
    const QString suffix = QFileInfo(path).suffix().toLower();
    try {
        QByteArray bytes;
        if (suffix == QStringLiteral("geojson"))
            bytes = ShadowGeoJson(*result_, *request_);
        else if (suffix == QStringLiteral("json"))
            bytes = ShadowJson(*result_, *request_);
        else
            bytes = ShadePlotBytes(PlotInput(QFileInfo(path).completeBaseName()),
                                   suffix == QStringLiteral("svg"));
        if (bytes.isEmpty())
            throw predict::Failure({predict::ErrorCode::DrawFailed, {"map"}, PathBytes(path)});
        WriteOutput(path, bytes);
    } catch (const predict::Failure& e) {
        prompts_.Message(this, ErrorText(e.error()));
        return false;
    }
    return true;
}

void ShadeMapDialog::SaveClicked() {
    const std::optional<QString> path = prompts_.SaveFile(
        this,
        QStringLiteral(
            "PNG 画像 (*.png)|*.png|SVG 画像 (*.svg)|*.svg|GeoJSON 線 (*.geojson)|*.geojson|"
            "JSON 格子 (*.json)|*.json"),
        QStringLiteral("shade-map.png"));
    if (path)
        SaveTo(*path);
}

} // namespace velmora
