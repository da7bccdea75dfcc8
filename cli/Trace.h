// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli trace: the one-click tool of the main window run at given
// picture points, and the project file the window would save afterwards.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "data/BuildingData.h"
#include "geometry/CameraModel.h"
#include "tracing/CameraCheck.h"
#include "tracing/GreyImage.h"
#include "tracing/RoofTracer.h"

namespace velmora::cli {

// The grey copy the tracer reads, made as the window makes it. Every trace
// of the command line goes through here.
GreyRaster TraceSource(const QImage& picture);

// Reads a picture as the window does (any format Qt's image plugins read,
// decided by the content; refused from its header when too large, and when
// cut short).
QImage ReadPictureFile(const QString& path);

// The four altitude boxes as the window holds them after the metres were
// typed (each feet box follows its metres box), checked as the window's
// check does; a usage error names what is wrong.
AltitudeBoxTexts BoxesFor(double verMetres, double incliMetres);

// A usage error for the first click outside the picture.
void CheckClicksInside(const QImage& picture, const std::vector<PicturePoint>& clicks);

// Why a click traced nothing, as the trace prints it.
const char* RefusalText(TraceRefusal r);

struct TraceRequest {
    QString picture;
    double verMetres = 0;   // camera altitude of the plan view
    double incliMetres = 0; // camera altitude of the inclined view
    double north = 0;       // gNorthAngle, degrees
    std::vector<PicturePoint> clicks;
    // After the clicks, every other building of the picture.
    bool all = false;
    // A project whose roofs are kept (and not traced again); empty: none.
    QString project;
    bool northGiven = true; // false: the project's own north stays
};

struct TraceOutcome {
    std::unique_ptr<BuildingData> data;
    ViewGeometry view;
    QStringList lines;  // one per click, one per building found, the camera's, the count
    CameraCheck camera; // over the roofs traced
};

// Checks the request (altitudes as the window's check does, clicks inside
// the picture), traces every click in turn and computes the heights and
// plan points as the plan map does before a save.
TraceOutcome TracePicture(const TraceRequest& request);

// `velmora-cli trace ...`; returns the exit status.
int TraceCommand(const QStringList& args);

} // namespace velmora::cli
