// SPDX-License-Identifier: GPL-3.0-or-later
// The prediction dialogs' boxes from the parameters' declarations, and the
// core's errors and warnings in the window's language.
#pragma once

#include <QString>

#include "predict/Errors.h"
#include "predict/Feedback.h"
#include "predict/Parameters.h"

class QDoubleSpinBox;
class QSpinBox;
class QWidget;

namespace velmora {

// A box with the declaration's range, places, unit and default (`value`
// instead where given).
QDoubleSpinBox* DeclaredBox(const predict::Parameter& p);
QDoubleSpinBox* DeclaredBox(const predict::Parameter& p, double value);
QSpinBox* DeclaredWholeBox(const predict::Parameter& p, int value);

// The error in Japanese, its file named as the system's bytes decode.
QString ErrorText(const predict::Error& e);
QString WarningText(const predict::Warning& w);

// Puts a prediction dialog beside the plan map, so that the receiver and
// the roofs it names stay in sight: its left edge at the map's right edge,
// moved left only as far as the screen requires.
void PlaceBesidePlanMap(QWidget& dialog, const QWidget& planMap);

} // namespace velmora
