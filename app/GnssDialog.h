// SPDX-License-Identifier: GPL-3.0-or-later
// "GNSS受信予測": the satellites a receiver among the buildings of the open
// record sees over a period, shown as the sky plot and the chart that
// velmora-cli gnss draws, and saved as pictures and a table.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <atomic>
#include <memory>

#include "gnss/Prediction.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;

namespace velmora {

class InputLineFrm;

class GnssDialog : public QDialog {
    Q_OBJECT
  public:
    explicit GnssDialog(InputLineFrm& window);
    ~GnssDialog() override;

    // The receiver point, plan metres east and north.
    void SetReceiver(double x, double y);
    // Runs the prediction in a worker thread; Finished() follows.
    void Start();
    void Cancel();
    bool Running() const { return worker_ != nullptr; }
    const gnss::Prediction* Result() const { return result_.get(); }
    // The table of the last result as CSV.
    QByteArray TableCsv() const;
    QByteArray SkyPlotFile(const QString& path) const;
    QByteArray ChartFile(const QString& path) const;

  signals:
    void Finished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void AddFile();
    void RemoveFile();
    void Pick();
    void Done(QString error);
    void ShowPictures();
    void Save(int what);
    gnss::PredictionSettings Settings() const;
    QString Title() const;

    InputLineFrm& window_;
    QDoubleSpinBox *x_, *y_, *latitude_, *longitude_, *height_, *antenna_, *offset_, *hours_,
        *mask_;
    QSpinBox* step_;
    QDateTimeEdit* start_;
    QCheckBox* systems_[5];
    QComboBox* kind_;
    QListWidget* files_;
    QPushButton *pick_, *run_, *cancel_, *saveSky_, *saveChart_, *saveTable_;
    QProgressBar* progress_;
    QLabel *sky_, *chart_, *status_;

    QThread* worker_ = nullptr;
    std::shared_ptr<std::atomic<bool>> stop_;
    gnss::PredictionSettings running_;
    std::vector<Footprint> prisms_;
    std::vector<Count> unmeasured_;
    std::vector<Count> crossing_; // roofs left out: the outline crosses itself
    std::unique_ptr<gnss::Prediction> result_;
    gnss::PredictionSettings shown_;
    std::vector<Footprint> shownPrisms_;
    bool picking_ = false;
};

// Opens the dialog from "GNSS受信予測(&G)..." (one per window, brought to the
// front when already open).
void ConnectGnssMenu(InputLineFrm& window);
// The window's dialog, if open.
GnssDialog* OpenGnssDialog(InputLineFrm& window);

} // namespace velmora
