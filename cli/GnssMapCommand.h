// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli gnss-map: the gnss command's figures at every cell centre of
// a plan grid, as a five-band GeoTIFF, JSON and a picture; one band of rows
// at a time with --tile, for runs on several cores or machines.
#pragma once

#include <QStringList>

namespace velmora::cli {

int GnssMapCommand(const QStringList& args);

} // namespace velmora::cli
