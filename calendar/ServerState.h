#pragma once

// Counts of live objects, for DllCanUnloadNow. Internal to the library.
namespace daylin::server {

void ControlCreated();
void ControlDestroyed();

} // namespace daylin::server
