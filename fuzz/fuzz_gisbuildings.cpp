// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the map-data reader. The first byte picks the
// format's file name (GeoJSON, OpenStreetMap XML, KML, GeoPackage), the rest
// is the file. Whatever the bytes, every building read must be a prism the
// predictions can use: three or more finite corners with an area, a height
// within 0 ... 1000 m and a base below it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "gis/GisBuildings.h"

using namespace velmora;

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "map data reader: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static const char* const kNames[] = {"in.geojson", "in.osm", "in.kml", "in.gpkg"};
    static const std::string dir = [] {
        char folder[] = "/tmp/velmora-fuzz-gis-XXXXXX";
        if (!::mkdtemp(folder))
            Fault("no temporary folder");
        return std::string(folder);
    }();
    const std::string path = dir + "/" + kNames[data[0] % 4];
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        Fault("cannot write the input");
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    gis::GisReadOptions o;
    o.latitude = 35;
    o.longitude = 139;
    const gis::GisRead r = gis::ReadGisBuildings(path, o);
    if (!r.failure.empty() && !r.buildings.empty())
        Fault("a failed file gave buildings");
    for (const gis::GisBuilding& b : r.buildings) {
        const Footprint& fp = b.footprint;
        if (fp.ring.size() < 3)
            Fault("fewer than three corners");
        for (const PlanXY& p : fp.ring)
            if (!std::isfinite(p.x) || !std::isfinite(p.y))
                Fault("a corner is not finite");
        if (SignedArea(fp.ring) == 0)
            Fault("no area");
        if (!(fp.height > 0 && fp.height <= 1000))
            Fault("height out of range");
        if (!(b.base >= 0 && b.base < fp.height))
            Fault("base not below the top");
    }
    ::unlink(path.c_str());
    return 0;
}
