// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli gnss: the satellites a receiver among the buildings sees over
// a period, from broadcast ephemerides or two-line elements, with the
// dilutions of precision, as text or JSON, a sky plot and a chart.
#pragma once

#include <QString>
#include <QStringList>

namespace velmora::cli {

int GnssCommand(const QStringList& args);

} // namespace velmora::cli
