// velmora-cli report: what a project file holds, roof by roof.
#pragma once

#include <QString>
#include <QStringList>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/CliSupport.h"

namespace velmora::cli {

// Per roof its corners and wall lines (picture coordinates), height, plan
// footprint area and centroid (north-up plan frame), then the totals.
nlohmann::ordered_json ReportJson(const std::vector<Project>& projects);
QString ReportText(const std::vector<Project>& projects);

int ReportCommand(const QStringList& args);

} // namespace velmora::cli
