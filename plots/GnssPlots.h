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

// The plots' own words: English for velmora-cli, Japanese in the window,
// which also keys the constellations' colours.
enum class PlotLanguage { English, Japanese };

// A system's colour in the plots ('G', 'R', 'E', 'C', 'J'), and its name.
QColor SystemColour(char system);
QString SystemName(char system);

// The buildings' mask at the receiver and each satellite's track.
SkyPlotInput GnssSkyPlot(const gnss::Prediction& p, const gnss::PredictionSettings& s,
                         std::span<const Footprint> prisms, const QString& title,
                         PlotLanguage language = PlotLanguage::English);
// Satellites above the mask and seen, and both PDOPs, over the hours.
DopChartInput GnssChart(const gnss::Prediction& p, const gnss::PredictionSettings& s,
                        const QString& title, PlotLanguage language = PlotLanguage::English);

} // namespace velmora::plots
