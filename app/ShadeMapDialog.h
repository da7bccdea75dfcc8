// SPDX-License-Identifier: GPL-3.0-or-later
// "日影図": the shade-time map of the current buildings, worked out for a
// day, a measuring plane and a period, shown and saved as a plan map (PNG or
// SVG) or as lines (GeoJSON). Modeless: the main window stays usable.
#pragma once

#include <QDate>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "cli/Shadow.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTimeEdit;

namespace velmora {

class Prompts;

// The day of the December solstice on or after `today` (the winter solstice
// of the northern hemisphere, the day of the shade regulation).
QDate NextDecemberSolstice(const QDate& today);

class ShadeMapDialog : public QDialog {
    Q_OBJECT

  public:
    // `snapshot` gives a copy of the buildings with heights and plan
    // positions worked out as the plan map shows them.
    using Snapshot = std::function<std::unique_ptr<BuildingData>()>;
    ShadeMapDialog(Snapshot snapshot, Prompts& prompts, QWidget* parent = nullptr);

    // Works out the map with the settings shown; false when there is none.
    bool Compute();
    // Writes the map shown to `path` (.png, .svg or .geojson).
    bool SaveTo(const QString& path);
    bool HasMap() const { return result_.has_value(); }
    const cli::ShadowResult* Result() const { return result_ ? &*result_ : nullptr; }

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

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    std::optional<cli::ShadowRequest> ReadSettings();
    ShadePlotInput PlotInput(const QString& name) const;
    void ShowMap();
    void PeriodChanged();
    void SaveClicked();

    Snapshot snapshot_;
    Prompts& prompts_;
    QScrollArea* scroll_ = nullptr;
    bool cancelled_ = false;
    std::optional<cli::ShadowRequest> request_;
    std::optional<cli::ShadowResult> result_;
};

} // namespace velmora
