// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli camera: the typed camera checked against the verticals of
// the buildings traced at the given picture points.
#pragma once

#include <QStringList>

namespace velmora::cli {

// `velmora-cli camera ...`; returns the exit status.
int CameraCommand(const QStringList& args);

} // namespace velmora::cli
