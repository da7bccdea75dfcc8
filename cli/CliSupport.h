// SPDX-License-Identifier: GPL-3.0-or-later
// What every command of velmora-cli shares: its failures, reading a project
// file, number pairs from the command line and writing an output whole or
// not at all.
#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "data/BuildingData.h"
#include "outputs/Outputs.h"
#include "picture/SystemNames.h"
#include "predict/Feedback.h"
#include "predict/Parameters.h"

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

// Reads a project file and brings it to the plan map's state (heights and
// plan positions, ComputePlanState); a failure names the file and, where
// there is one, the line.
Project ReadProject(const QString& path);

// "A,B" as two finite numbers; `what` names the option in the message.
std::pair<double, double> ParsePair(const QString& text, const QString& what);
// "LAT,LON" in degrees, within the declared latitude and longitude.
std::pair<double, double> ParseOrigin(const QString& text);
// One finite number.
double ParseNumber(const QString& text, const QString& what);

// The outputs' writer and number format are the window's too.
using velmora::Fixed;
using velmora::WriteOutput;
using velmora::WriteOutputs;

// The algorithm's options, built from its declarations: name, placeholder,
// help and default.
void AddOptions(QCommandLineParser& parser, const predict::Algorithm& algorithm);

// The commands that read a picture with its camera: the picture argument and
// the --altitudes option.
void AddPictureAndAltitudes(QCommandLineParser& parser);
// The number given for the parameter (its default when not given); throws
// UsageError for a text that is no number. The range is the algorithm's
// to check.
double NumberOption(const QCommandLineParser& parser, const predict::Parameter& p);

// The feedback's warnings on stderr, those about roofs naming `file`:
// "velmora-cli: FILE: roofs 2, 5: WHY".
void PrintWarnings(const QString& file, const predict::Feedback& feedback);

// One warning line on stderr naming the roofs of `file` it concerns:
// "velmora-cli: FILE: roofs 2, 5: WHY". Nothing for no roofs.
void WarnRoofs(const QString& file, const std::vector<Count>& roofs, const QString& why);
inline const QString kCrossingWarning =
    QStringLiteral("outline crosses itself (a corner dragged across the roof); left out");

} // namespace velmora::cli
