// SPDX-License-Identifier: GPL-3.0-or-later
// A run of satellite predictions as the sky plot's tracks and the chart's
// series.
#pragma once

#include <QString>
#include <span>

#include "gnss/Prediction.h"
#include "plots/DopChart.h"
#include "plots/SkyPlot.h"

namespace velmora::plots {

// "2012-10-31T21:00:00Z"
QString UtcText(gnss::UtcSeconds t);

// The buildings' mask at the receiver and each satellite's track.
SkyPlotInput GnssSkyPlot(const gnss::Prediction& p, const gnss::PredictionSettings& s,
                         std::span<const Footprint> prisms, const QString& title);
// Satellites above the mask and seen, and both PDOPs, over the hours.
DopChartInput GnssChart(const gnss::Prediction& p, const gnss::PredictionSettings& s,
                        const QString& title);

} // namespace velmora::plots
