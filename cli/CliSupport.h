// What every command of velmora-cli shares: its failures, reading a project
// file, number pairs from the command line and writing an output whole or
// not at all.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <stdexcept>
#include <string>

#include "data/BuildingData.h"

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

// Writes `bytes` to `path` through a temporary file in the same folder that
// replaces the target only when complete; "-" or an empty path is stdout.
void WriteOutput(const QString& path, const QByteArray& bytes);

// Numbers as the outputs print them: fixed, `decimals` places, no "-0".
QString Fixed(double v, int decimals);

} // namespace velmora::cli
