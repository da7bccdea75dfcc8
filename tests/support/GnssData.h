// SPDX-License-Identifier: GPL-3.0-or-later
// The GNSS test data files (tests/data/gnss), for the tests built with
// VELMORA_GNSS_DATA.
#pragma once

#include <string>

namespace gnsstest {

// The path of data file `name`. Appended in place: GCC 12 warns falsely
// (-Warray-bounds) on the temporaries of `string + "/" + name`.
inline std::string Data(const char* name) {
    std::string path = VELMORA_GNSS_DATA;
    path += '/';
    path += name;
    return path;
}

} // namespace gnsstest
