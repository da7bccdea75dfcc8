// SPDX-License-Identifier: GPL-3.0-or-later
#include "gis/GeoPackage.h"

#include <atomic>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <memory>
#include <ogrsf_frmts.h>
#include <stdexcept>
#include <unistd.h>

#include "gis/GdalSession.h"

namespace velmora::gis {

namespace {

struct DatasetCloser {
    void operator()(GDALDataset* d) const { GDALClose(d); }
};

[[noreturn]] void Fail(const GdalMessages& m, const std::string& what) {
    throw std::runtime_error("GeoPackage: " + what +
                             (m.LastError().empty() ? std::string() : ": " + m.LastError()));
}

} // namespace

std::string GeoPackageBytes(const std::vector<BuildingPolygon>& buildings) {
    GdalMessages messages;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    if (!driver)
        Fail(messages, "GDAL has no GeoPackage driver");
    // A name of its own in GDAL's memory file system: nothing touches the
    // disk until the hardened writer stages the finished bytes.
    static std::atomic<unsigned> serial{0};
    const std::string path =
        "/vsimem/velmora-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".gpkg";
    struct Cleanup {
        std::string path;
        ~Cleanup() {
            for (const char* suffix : {"", "-journal", "-wal", "-shm"})
                VSIUnlink((path + suffix).c_str());
        }
    } cleanup{path};

    {
        std::unique_ptr<GDALDataset, DatasetCloser> ds(
            driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds)
            Fail(messages, "cannot create the file");
        OGRSpatialReference wgs84;
        wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (wgs84.importFromEPSG(4326) != OGRERR_NONE)
            Fail(messages, "PROJ does not know EPSG:4326");
        OGRLayer* layer = ds->CreateLayer("buildings", &wgs84, wkbMultiPolygon, nullptr);
        if (!layer)
            Fail(messages, "cannot create the layer buildings");
        OGRFieldDefn roof("roof", OFTInteger);
        roof.SetNullable(FALSE);
        OGRFieldDefn height("height", OFTReal);
        OGRFieldDefn minHeight("min_height", OFTReal);
        minHeight.SetNullable(FALSE);
        OGRFieldDefn crossing("self_intersecting", OFTInteger);
        crossing.SetSubType(OFSTBoolean);
        crossing.SetNullable(FALSE);
        for (OGRFieldDefn* f : {&roof, &height, &minHeight, &crossing})
            if (layer->CreateField(f) != OGRERR_NONE)
                Fail(messages, std::string("cannot create the field ") + f->GetNameRef());
        // One transaction: a row at a time would sync the file for each.
        if (layer->StartTransaction() != OGRERR_NONE)
            Fail(messages, "cannot start writing");
        for (const BuildingPolygon& b : buildings) {
            OGRFeature feature(layer->GetLayerDefn());
            feature.SetField("roof", static_cast<int>(b.roof));
            if (b.height)
                feature.SetField("height", *b.height);
            else
                feature.SetFieldNull(feature.GetFieldIndex("height"));
            feature.SetField("min_height", 0.0);
            feature.SetField("self_intersecting", b.selfIntersecting ? 1 : 0);
            OGRMultiPolygon multi;
            for (const Ring& part : b.parts) {
                auto ring = std::make_unique<OGRLinearRing>();
                for (const auto& c : part)
                    ring->addPoint(c[0], c[1]);
                auto polygon = std::make_unique<OGRPolygon>();
                polygon->addRingDirectly(ring.release());
                multi.addGeometryDirectly(polygon.release());
            }
            multi.assignSpatialReference(&wgs84);
            feature.SetGeometry(&multi);
            if (layer->CreateFeature(&feature) != OGRERR_NONE)
                Fail(messages, "cannot write roof " + std::to_string(b.roof));
        }
        if (layer->CommitTransaction() != OGRERR_NONE)
            Fail(messages, "cannot finish writing");
        ds->FlushCache();
        // Closing writes the last pages; a failure there is a failure.
        messages.Clear();
        GDALClose(ds.release());
        if (!messages.LastError().empty())
            Fail(messages, "cannot finish the file");
    }
    vsi_l_offset size = 0;
    GByte* bytes = VSIGetMemFileBuffer(path.c_str(), &size, FALSE);
    if (!bytes || size == 0)
        Fail(messages, "the file came out empty");
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

} // namespace velmora::gis
