// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS prediction's files: the table as text, JSON or CSV, and the sky
// plot's and chart's drawing input, for velmora-cli and the window.
#pragma once

#include <QByteArray>
#include <QString>

#include "plots/GnssPlots.h"
#include "predict/Gnss.h"

namespace velmora {

// One line per epoch and a summary; `file` is the project file.
QByteArray GnssText(const predict::GnssRun& r, const QString& file);
QByteArray GnssJson(const predict::GnssRun& r);
// One row per epoch with every DOP.
QByteArray GnssCsv(const predict::GnssRun& r);

// The pictures, titled in the language; `name` is the project's file name.
plots::SkyPlotInput GnssSkyPlotInput(const predict::GnssRun& r, const QString& name,
                                     predict::Language language);
plots::DopChartInput GnssChartInput(const predict::GnssRun& r, const QString& name,
                                    predict::Language language);

} // namespace velmora
