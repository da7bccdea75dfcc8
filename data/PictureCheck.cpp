// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/PictureCheck.h"

#include <cstdint>
#include <cstdlib>

namespace velmora {

namespace {

std::uint32_t Le32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}
std::uint16_t Le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

bool Marker(std::string_view b, std::size_t at, unsigned char code) {
    return static_cast<unsigned char>(b[at]) == 0xFF &&
           static_cast<unsigned char>(b[at + 1]) == code;
}

PictureData CheckJpeg(std::string_view b) {
    // Inside scan data a 0xFF byte is always followed by 0x00 or a restart
    // marker, so the last start-of-scan marker is the last scan's, and an
    // end-of-image marker after it closes the picture.
    std::size_t lastScan = std::string_view::npos;
    for (std::size_t i = 0; i + 1 < b.size(); ++i)
        if (Marker(b, i, 0xDA))
            lastScan = i;
    if (lastScan == std::string_view::npos)
        return PictureData::Truncated;
    for (std::size_t i = lastScan + 2; i + 1 < b.size(); ++i)
        if (Marker(b, i, 0xD9))
            return PictureData::Complete;
    return PictureData::Truncated;
}

PictureData CheckBmp(std::string_view b) {
    constexpr std::size_t kFileHeader = 14;
    if (b.size() < kFileHeader + 16)
        return PictureData::Truncated;
    const std::uint64_t offset = Le32(b, 10);
    const std::uint32_t infoSize = Le32(b, 14);
    std::uint64_t dataSize = 0;
    if (infoSize == 12) { // OS/2 core header
        const std::uint64_t width = Le16(b, 18);
        const std::uint64_t height = Le16(b, 20);
        const std::uint64_t bits = Le16(b, 24);
        dataSize = (width * bits + 31) / 32 * 4 * height;
    } else {
        if (b.size() < kFileHeader + 40)
            return PictureData::Truncated;
        const auto width = static_cast<std::int32_t>(Le32(b, 18));
        const auto height = static_cast<std::int32_t>(Le32(b, 22));
        const std::uint64_t bits = Le16(b, 28);
        const std::uint32_t compression = Le32(b, 30);
        const std::uint32_t imageSize = Le32(b, 34);
        const bool plain = compression == 0 || compression == 3 || compression == 6;
        if (plain)
            dataSize = (static_cast<std::uint64_t>(std::llabs(width)) * bits + 31) / 32 * 4 *
                       static_cast<std::uint64_t>(std::llabs(height));
        else
            dataSize = imageSize; // run-length and embedded data name their size
    }
    return offset + dataSize <= b.size() ? PictureData::Complete : PictureData::Truncated;
}

} // namespace

PictureData CheckPictureData(std::string_view bytes) {
    if (bytes.size() >= 3 && Marker(bytes, 0, 0xD8) && static_cast<unsigned char>(bytes[2]) == 0xFF)
        return CheckJpeg(bytes);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return CheckBmp(bytes);
    return PictureData::Unknown;
}

} // namespace velmora
