// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the bytes of a picture file hold the whole picture their headers
// announce. Decoders fill a picture cut short with grey without a word, and
// the tracer would then find roofs in the padding.
#pragma once

#include <string_view>

namespace velmora {

enum class PictureData {
    Complete,  // all the data the headers announce is there
    Truncated, // the file ends before its picture data does
    Unknown,   // not a JPEG or BMP file: the decoder decides
};

// JPEG: the last scan is followed by its end-of-image marker. BMP: the file
// is as long as its pixel data's offset and size say.
PictureData CheckPictureData(std::string_view bytes);

} // namespace velmora
