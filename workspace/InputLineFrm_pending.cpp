// Handlers whose behaviour comes with later work. Each does nothing yet; the
// work that writes one removes its definition here and defines it in a file
// of its own concern.
#include "app/InputLineFrm.h"
#include "workspace/PictureView.h"

namespace velmora {

// Guided demo and manual windows.
void InputLineFrm::ShowDemoWindow() {}
void InputLineFrm::ShowManualWindow() {}

} // namespace velmora
