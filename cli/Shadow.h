// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli shadow: shade-time maps of the buildings on a measuring plane
// over a period of one day. The algorithm is predict/Shadow, its files
// outputs/ShadowFiles, both shared with the window's shade-map dialog.
#pragma once

#include <QStringList>

namespace velmora::cli {

int ShadowCommand(const QStringList& args);

} // namespace velmora::cli
