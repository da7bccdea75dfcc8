// SPDX-License-Identifier: GPL-3.0-or-later
// "日影図": the shade-time map of the current buildings, worked out for a
// day, a measuring plane and a period, shown and saved as a plan map (PNG or
// SVG), as the grid (JSON) or as lines (GeoJSON), the files velmora-cli
// shadow writes. Modeless: the main window stays usable, and the dialog may
// be closed while it computes.
#pragma once

#include <QDate>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "geometry/Footprints.h"
#include "plots/ShadeMapPlot.h"
#include "predict/Shadow.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTimeEdit;

namespace velmora {

class MapDataFiles;
class Prompts;
class PredictionRunner;

// The day of the December solstice on or after `today` (the winter solstice
// of the northern hemisphere, the day of the shade regulation).
QDate NextDecemberSolstice(const QDate& today);

class ShadeMapDialog : public QDialog {
    Q_OBJECT

  public:
    // `snapshot` gives the buildings' footprints as the plan map shows
    // them (PlanFootprints).
    using Snapshot = std::function<std::vector<Footprint>()>;
    ShadeMapDialog(Snapshot snapshot, Prompts& prompts, QWidget* parent = nullptr);

    // Starts the map with the settings shown in the background; false when
    // it cannot start (the settings are refused, it runs already). Finished
    // follows a start.
    bool Compute();
    bool Running() const;
    // Writes the map shown to `path` (.png, .svg or .geojson).
    bool SaveTo(const QString& path);
    bool HasMap() const { return result_.has_value(); }
    const predict::ShadowResult* Result() const { return result_ ? &*result_ : nullptr; }
    const predict::ShadowRequest* Request() const { return request_ ? &*request_ : nullptr; }

    QDateEdit* DateBox = nullptr;
    QDoubleSpinBox* LatitudeBox = nullptr;
    QDoubleSpinBox* LongitudeBox = nullptr;
    QComboBox* PlaneBox = nullptr;
    QComboBox* PeriodBox = nullptr;
    QTimeEdit* FromBox = nullptr;
    QTimeEdit* ToBox = nullptr;
    QDoubleSpinBox* OffsetBox = nullptr;
    QLineEdit* ContoursBox = nullptr;
    QDoubleSpinBox* CellBox = nullptr;
    QDoubleSpinBox* ExtentBox = nullptr;
    QCheckBox* HourlyBox = nullptr;
    QPushButton* ComputeCmd = nullptr;
    QPushButton* CancelCmd = nullptr;
    QPushButton* SaveCmd = nullptr;
    QProgressBar* Progress = nullptr;
    QLabel* Status = nullptr;
    QLabel* MapView = nullptr;
    // Buildings from map data beside the record's.
    MapDataFiles* MapData = nullptr;
    // Their outlines, north-up plan metres, for the plan map.
    std::vector<std::vector<PlanXY>> MapDataRings() const;

  signals:
    void Finished();
    // The buildings of the building files were read again, or the dialog
    // was shown or hidden: the plan map's marks change.
    void MarksChanged();

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    QLayout* BuildForm();
    std::optional<predict::ShadowRequest> ReadSettings();
    void Done(bool failed, const predict::Error& error, bool cancelled);
    ShadePlotInput PlotInput(const QString& name) const;
    void ShowMap();
    void PeriodChanged();
    void SaveClicked();
    // Reads the building files around the record's buildings, as far as
    // the map reaches; `plan` the record's footprints.
    void ReadMapData(const std::vector<Footprint>& plan);

    Snapshot snapshot_;
    Prompts& prompts_;
    QScrollArea* scroll_ = nullptr;
    PredictionRunner* runner_ = nullptr;
    std::shared_ptr<std::optional<predict::ShadowResult>> running_;
    std::optional<predict::ShadowRequest> runningRequest_;
    std::optional<predict::ShadowRequest> request_;
    std::optional<predict::ShadowResult> result_;
};

} // namespace velmora
