// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli report: what a project file holds, roof by roof.
#pragma once

#include <QString>
#include <QStringList>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/CliSupport.h"

namespace velmora::cli {

struct ReportTotals {
    std::size_t files = 0;
    int roofs = 0;
    int walls = 0;
    double area = 0;
};

// Per roof of one file its corners and wall lines (picture coordinates),
// height (none when not measured), plan footprint area and centroid
// (north-up plan frame), and the file's totals, which are also added to
// `totals`. Roofs whose outline crosses itself are left out with a warning.
nlohmann::ordered_json ReportFileJson(const Project& p, ReportTotals& totals);
QString ReportFileText(const Project& p, ReportTotals& totals);
nlohmann::ordered_json ReportUnitsJson();
nlohmann::ordered_json ReportTotalsJson(const ReportTotals& t);
QString ReportTotalsText(const ReportTotals& t);

int ReportCommand(const QStringList& args);

} // namespace velmora::cli
