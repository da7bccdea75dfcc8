// SPDX-License-Identifier: GPL-3.0-or-later
// What every command of velmora-cli shares: its failures, reading a project
// file, number pairs from the command line and writing an output whole or
// not at all.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "data/BuildingData.h"
#include "picture/SystemNames.h"

namespace velmora::cli {

// A failure reported as one line on stderr with exit status 1.
class Failure : public std::runtime_error {
  public:
    explicit Failure(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// A command line that cannot be carried out: exit status 2.
class UsageError : public Failure {
  public:
    using Failure::Failure;
};

// The window's picture view has a 2-pixel border on each side; the view
// size saved in a project file includes it.
using velmora::kViewBorder;

struct Project {
    QString path;
    std::unique_ptr<BuildingData> data;
    ViewGeometry view;
};

// Reads a project file and computes heights and plan positions as the plan
// map does; a failure names the file and, where there is one, the line.
Project ReadProject(const QString& path);

// "A,B" as two finite numbers; `what` names the option in the message.
std::pair<double, double> ParsePair(const QString& text, const QString& what);
// "LAT,LON" in degrees, latitude within -90 ... 90 and longitude within
// -180 ... 180.
std::pair<double, double> ParseOrigin(const QString& text);
// One finite number.
double ParseNumber(const QString& text, const QString& what);

// Writes every output of a run after all of them are complete, all or
// nothing: each target is checked first (absent or a regular file, not one
// of `inputs`, not another output of the run; compared by device and inode),
// then every new content is written and synced beside its target, and only
// then are they put in place. "-" or an empty path is standard output,
// written after the files are ready and before they replace the old ones.
// A failure throws with the system's reason and leaves every target as it
// was.
void WriteOutputs(const std::vector<std::pair<QString, QByteArray>>& outputs,
                  const QStringList& inputs);
// One output.
void WriteOutput(const QString& path, const QByteArray& bytes, const QStringList& inputs = {});

// One warning line on stderr naming the roofs of `file` it concerns:
// "velmora-cli: FILE: roofs 2, 5: WHY". Nothing for no roofs.
void WarnRoofs(const QString& file, const std::vector<Count>& roofs, const QString& why);
inline const QString kCrossingWarning =
    QStringLiteral("outline crosses itself (a corner dragged across the roof); left out");

// Numbers as the outputs print them: fixed, `decimals` places, no "-0".
QString Fixed(double v, int decimals);

} // namespace velmora::cli
