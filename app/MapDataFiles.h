// SPDX-License-Identifier: GPL-3.0-or-later
// The prediction dialogs' building files: map data (GeoJSON, GeoPackage,
// Shapefile, KML, OpenStreetMap, ...) whose buildings stand beside the
// traced roofs, read as velmora-cli's --buildings reads them: around the
// receiver or the roofs, in the plan frame of the dialog's origin.
#pragma once

#include <QStringList>
#include <QWidget>
#include <span>
#include <vector>

#include "gis/GisBuildings.h"

class QLineEdit;
class QListWidget;

namespace velmora {

class Prompts;

// The list of files with its add and remove buttons and the height field.
class MapDataFiles : public QWidget {
    Q_OBJECT
  public:
    explicit MapDataFiles(Prompts& prompts, QWidget* parent = nullptr);

    QStringList Files() const;
    // Reads every file within `margin` metres of `around` (plan points;
    // none: of the origin), unless the files, the origin, the field and
    // the area are those of the last read. A file that cannot be read is
    // skipped and named in Notes().
    const std::vector<gis::GisBuilding>& Read(double latitude, double longitude,
                                              std::span<const PlanXY> around, double margin);
    const std::vector<gis::GisBuilding>& Buildings() const { return buildings_; }
    std::vector<Footprint> Prisms() const;
    // What the last read left out, in Japanese, one line each.
    const QStringList& Notes() const { return notes_; }
    // The buildings' outlines, north-up plan metres, for the plan map.
    std::vector<std::vector<PlanXY>> Rings() const;

  signals:
    // Files were added or removed.
    void Changed();

  private:
    void Add();
    void Remove();

    Prompts& prompts_;
    QListWidget* list_;
    QLineEdit* field_;
    std::vector<gis::GisBuilding> buildings_;
    QStringList notes_;
    QString readKey_; // what the last read was of
};

} // namespace velmora
