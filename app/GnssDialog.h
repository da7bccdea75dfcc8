// SPDX-License-Identifier: GPL-3.0-or-later
// "GNSS受信予測": the satellites a receiver among the buildings of the open
// record sees over a period, shown as the sky plot and the chart that
// velmora-cli gnss draws, and saved as pictures and a table.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <memory>
#include <optional>

#include "predict/Gnss.h"
#include "workspace/PlanMarks.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QLayout;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace velmora {

class InputLineFrm;
class MapDataFiles;
class PredictionRunner;

class GnssDialog : public QDialog {
    Q_OBJECT
  public:
    explicit GnssDialog(InputLineFrm& window);
    ~GnssDialog() override;

    // The receiver point, plan metres east and north.
    void SetReceiver(double x, double y);
    // Runs the prediction in the background (PredictionRunner); Finished()
    // follows a start.
    void Start();
    void Cancel();
    bool Running() const;
    const gnss::Prediction* Result() const { return result_ ? &result_->prediction : nullptr; }
    const predict::GnssRun* Run() const { return result_ ? &*result_ : nullptr; }
    // What the plan map shows for the dialog: the roofs' numbers, the
    // receiver (following the mouse while it is picked) and the buildings
    // of the building files.
    PlanMarkState Marks() const;
    bool Picking() const { return picking_; }
    MapDataFiles& MapData() { return *mapData_; }
    // The table of the last result as CSV.
    QByteArray TableCsv() const;
    QByteArray SkyPlotFile(const QString& path) const;
    QByteArray ChartFile(const QString& path) const;

  signals:
    void Finished();
    // What Marks() gives has changed, or the dialog was shown or hidden.
    void MarksChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    void AddFile();
    void RemoveFile();
    void Pick();
    void BuildBoxes();
    QLayout* BuildForm();
    QWidget* BuildPictures();
    void ReadMapData();
    bool OutsideMapData(PlanXY at);
    void Done(bool failed, const predict::Error& error, bool cancelled);
    void ShowPictures();
    void Save(int what);
    std::optional<predict::GnssRequest> Request();

    InputLineFrm& window_;
    QDoubleSpinBox *x_, *y_, *latitude_, *longitude_, *height_, *antenna_, *offset_, *hours_,
        *mask_;
    QSpinBox* step_;
    QDateTimeEdit* start_;
    QCheckBox* systems_[5];
    QComboBox* kind_;
    QListWidget* files_;
    MapDataFiles* mapData_;
    QPushButton *pick_, *run_, *cancel_, *saveSky_, *saveChart_, *saveTable_;
    QProgressBar* progress_;
    QLabel *sky_, *chart_, *status_;

    PredictionRunner* runner_ = nullptr;
    std::shared_ptr<std::optional<predict::GnssRun>> running_;
    std::optional<predict::GnssRun> result_;
    bool picking_ = false;
    std::optional<PlanXY> hover_; // north-up, while picking
    // The view watched while picking: compared and released without asking
    // the window, which may be half destroyed by then.
    QPointer<QObject> pickTarget_;
};

// Opens the dialog from "GNSS受信予測(&G)..." (one per window, brought to the
// front when already open).
void ConnectGnssMenu(InputLineFrm& window);
// The window's dialog, if open.
GnssDialog* OpenGnssDialog(InputLineFrm& window);

} // namespace velmora
