#include "workspace/EditSession.h"

#include <limits>

namespace velmora {

void EditSession::CountEdit() {
    if (pChangeCount < std::numeric_limits<Count>::max())
        ++pChangeCount;
}

SelectBox EditSession::ShownMarks() const {
    SelectBox shown;
    shown.maxX = pMarkMaxX;
    shown.minX = pMarkMinX;
    shown.maxY = pMarkMaxY;
    shown.minY = pMarkMinY;
    return shown;
}

void EditSession::RememberMarks(const SelectBox& box) {
    pMarkMaxX = static_cast<float>(box.maxX);
    pMarkMinX = static_cast<float>(box.minX);
    pMarkMaxY = static_cast<float>(box.maxY);
    pMarkMinY = static_cast<float>(box.minY);
}

} // namespace velmora
