// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli skymask: the elevation mask that the buildings cast at a
// receiver, as the plain text GNSS tools read and as a polar sky plot.
#pragma once

#include <QStringList>

namespace velmora::cli {

int SkyMaskCommand(const QStringList& args);

} // namespace velmora::cli
