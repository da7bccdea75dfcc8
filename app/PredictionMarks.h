// SPDX-License-Identifier: GPL-3.0-or-later
// The plan map's marks while a prediction dialog is open: the roofs'
// numbers the dialogs' texts name, the GNSS receiver, and the buildings of
// the dialogs' building files.
#pragma once

#include "data/DrawList.h"

namespace velmora {

class InputLineFrm;

// The marks of the open dialogs (none in the inclined view or with no
// dialog shown).
DrawList PredictionMarkOps(InputLineFrm& window);
// Makes the window's view paint them.
void ConnectPredictionMarks(InputLineFrm& window);

} // namespace velmora
