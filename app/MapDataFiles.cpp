// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MapDataFiles.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "picture/SystemNames.h"
#include "predict/Parameters.h"
#include "workspace/Prompts.h"

namespace velmora {

namespace {

const QString kFolderKey = QStringLiteral("buildings/lastFolder");

QString Ids(const gis::GisRead& r) {
    QStringList ids;
    for (const std::string& id : r.unmeasured)
        ids << QString::fromStdString(id);
    QString out = ids.join(QStringLiteral(", "));
    if (r.unmeasuredCount > r.unmeasured.size())
        out += QStringLiteral(" ほか %1 件").arg(r.unmeasuredCount - r.unmeasured.size());
    return out;
}

} // namespace

MapDataFiles::MapDataFiles(Prompts& prompts, QWidget* parent) : QWidget(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("MapDataFiles"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("BuildingFileList"));
    list_->setMaximumHeight(60);
    auto* add = new QPushButton(QStringLiteral("追加..."));
    add->setObjectName(QStringLiteral("AddBuildingFiles"));
    auto* remove = new QPushButton(QStringLiteral("削除"));
    remove->setObjectName(QStringLiteral("RemoveBuildingFile"));
    field_ = new QLineEdit(QString::fromUtf8(predict::kHeightField.fallback));
    field_->setObjectName(QStringLiteral("HeightField"));
    field_->setToolTip(QStringLiteral("建物の高さ (m) の列。OpenStreetMap では height、"
                                      "なければ building:levels × 3 m"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(buttons);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(new QLabel(QStringLiteral("高さの列")));
    fieldRow->addWidget(field_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addLayout(fieldRow);
    connect(add, &QPushButton::clicked, this, &MapDataFiles::Add);
    connect(remove, &QPushButton::clicked, this, &MapDataFiles::Remove);
    connect(field_, &QLineEdit::editingFinished, this, &MapDataFiles::Changed);
}

QStringList MapDataFiles::Files() const {
    QStringList out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

void MapDataFiles::Add() {
    const QStringList chosen = prompts_.OpenFiles(
        this,
        QStringLiteral("地図データ|*.geojson *.json *.gpkg *.shp *.kml *.osm *.pbf *.fgb|"
                       "すべてのファイル|*|"),
        QSettings().value(kFolderKey).toString());
    if (chosen.isEmpty())
        return;
    QSettings().setValue(kFolderKey, QFileInfo(chosen.front()).absolutePath());
    for (const QString& f : chosen)
        if (list_->findItems(f, Qt::MatchExactly).isEmpty())
            list_->addItem(f);
    emit Changed();
}

void MapDataFiles::Remove() {
    if (!list_->currentItem())
        return;
    delete list_->currentItem();
    emit Changed();
}

const std::vector<gis::GisBuilding>& MapDataFiles::Read(double latitude, double longitude,
                                                        std::span<const PlanXY> around,
                                                        double margin) {
    gis::GisReadOptions o;
    o.latitude = latitude;
    o.longitude = longitude;
    o.heightField = field_->text().trimmed().toStdString();
    if (o.heightField.empty())
        o.heightField = predict::kHeightField.fallback;
    const PlanXY origin{0, 0};
    o.bbox = gis::BoxAround(around.empty() ? std::span<const PlanXY>(&origin, 1) : around, margin,
                            latitude, longitude);
    const QStringList files = Files();
    const QString key = QStringLiteral("%1|%2|%3|%4|%5,%6,%7,%8")
                            .arg(files.join(u'\n'))
                            .arg(latitude, 0, 'g', 17)
                            .arg(longitude, 0, 'g', 17)
                            .arg(QString::fromStdString(o.heightField))
                            .arg(o.bbox->west, 0, 'g', 17)
                            .arg(o.bbox->south, 0, 'g', 17)
                            .arg(o.bbox->east, 0, 'g', 17)
                            .arg(o.bbox->north, 0, 'g', 17);
    if (key == readKey_)
        return buildings_;
    readKey_ = key;
    buildings_.clear();
    notes_.clear();
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        const gis::GisRead r = gis::ReadGisBuildings(ExistingPathBytes(file), o);
        if (!r.failure.empty()) {
            notes_ << QStringLiteral("%1: 読めません（%2）")
                          .arg(name, QString::fromStdString(r.failure));
            continue;
        }
        if (!r.problems.empty())
            notes_ << QStringLiteral("%1: データに誤りのある %2 件を除外しました（%3）")
                          .arg(name)
                          .arg(r.problems.size())
                          .arg(QString::fromStdString(r.problems.front()));
        if (r.unmeasuredCount > 0)
            notes_ << QStringLiteral("%1: 高さのない %2 件を除外しました（%3）")
                          .arg(name)
                          .arg(r.unmeasuredCount)
                          .arg(Ids(r));
        buildings_.insert(buildings_.end(), r.buildings.begin(), r.buildings.end());
    }
    return buildings_;
}

std::vector<Footprint> MapDataFiles::Prisms() const {
    std::vector<Footprint> out;
    out.reserve(buildings_.size());
    for (const gis::GisBuilding& b : buildings_)
        out.push_back(b.footprint);
    return out;
}

std::vector<std::vector<PlanXY>> MapDataFiles::Rings() const {
    std::vector<std::vector<PlanXY>> out;
    out.reserve(buildings_.size());
    for (const gis::GisBuilding& b : buildings_)
        out.push_back(b.footprint.ring);
    return out;
}

} // namespace velmora
