// SPDX-License-Identifier: GPL-3.0-or-later
// Small control factories shared by the working area's components.
#pragma once

class QLineEdit;
class QWidget;

namespace velmora {

// A right-aligned number box of a fixed width.
QLineEdit* NumberBox(const char* name, QWidget* parent, int width);

} // namespace velmora
