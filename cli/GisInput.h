// SPDX-License-Identifier: GPL-3.0-or-later
// The building files of the predictions (--buildings FILE, repeatable;
// --height-field; --bbox, declared in predict/Parameters): map data read as
// prisms in the plan frame of --origin, beside or instead of a project
// file's buildings.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "gis/GisBuildings.h"

namespace velmora::cli {

struct BuildingFiles {
    QStringList files; // as given
    std::vector<gis::GisBuilding> buildings;
    QString label; // the files' names for captions
};

// Reads every --buildings file within --bbox or, without one, within
// `margin` metres of `around` (plan points), warning on stderr of every
// feature left out (one line each: file, feature, reason) and of the
// features without a height (one line a file). A file that cannot be read is
// named and skipped; when no file leaves a building and there is no project
// file (`withProject` false), it is a usage error (exit status 2).
BuildingFiles ReadBuildingFiles(const QCommandLineParser& p, double latitude, double longitude,
                                std::span<const PlanXY> around, double margin, bool withProject);

// The prisms alone.
std::vector<Footprint> Prisms(const BuildingFiles& files);

// Throws naming the building file and feature when `at` lies inside one.
void CheckOutsideBuildingFiles(const BuildingFiles& files, PlanXY at);

// Usage errors before any file is read: neither a project file nor
// --buildings, or --bbox or --height-field without --buildings.
void CheckBuildingFileOptions(const QCommandLineParser& p, bool withProject);

} // namespace velmora::cli
