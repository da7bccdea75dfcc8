#include "workspace/EditSession.h"

#include <limits>

namespace velmora {

void EditSession::CountEdit() {
    if (pChangeCount < std::numeric_limits<Count>::max())
        ++pChangeCount;
}

void EditSession::RememberMarks(const SelectBox& box) {
    pMarks.maxX = static_cast<float>(box.maxX);
    pMarks.minX = static_cast<float>(box.minX);
    pMarks.maxY = static_cast<float>(box.maxY);
    pMarks.minY = static_cast<float>(box.minY);
}

} // namespace velmora
