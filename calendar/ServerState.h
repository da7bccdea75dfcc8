// SPDX-License-Identifier: LGPL-3.0-or-later
#pragma once

// Counts of live objects, for DllCanUnloadNow. Internal to the library.
namespace daylin::server {

void ControlCreated();
void ControlDestroyed();

} // namespace daylin::server
