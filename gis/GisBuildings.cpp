// SPDX-License-Identifier: GPL-3.0-or-later
#include "gis/GisBuildings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gdal_priv.h>
#include <map>
#include <memory>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <sys/stat.h>

#include "gis/GdalSession.h"
#include "gis/PlanProjection.h"

namespace velmora::gis {

namespace {

// Map formats only: none of them runs a command, opens a file the data
// names (a Shapefile's own .dbf, .shx and .prj aside) or reaches the network.
// VRT, GML (schemas by URL), SQLite (extensions) and the database drivers
// are left out on purpose.
const char* const kDrivers[] = {"GeoJSON", "GeoJSONSeq", "GPKG",         "ESRI Shapefile", "KML",
                                "OSM",     "FlatGeobuf", "MapInfo File", nullptr};

constexpr double kLevelHeight = 3;   // metres a storey, for OpenStreetMap's building:levels
constexpr double kMaxHeight = 1000;  // taller than any building
constexpr std::size_t kListed = 100; // ids and problem lines kept for the messages

struct Closer {
    void operator()(GDALDataset* d) const { GDALClose(d); }
};

std::string Trim(std::string s) {
    const auto space = [](unsigned char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    };
    while (!s.empty() && space(s.back()))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && space(s[i]))
        ++i;
    return s.substr(i);
}

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Why a height of `v` metres cannot be one; none when it can.
std::optional<std::string> RangeProblem(double v, const std::string& text) {
    if (!std::isfinite(v))
        return "\"" + text + "\" is not a number";
    if (v < 0)
        return text + " is negative";
    if (v > kMaxHeight)
        return text + " is over 1000 m";
    return std::nullopt;
}

// OpenStreetMap's other tags as GDAL's OSM driver gives them, in HSTORE
// text: "key"=>"value","key"=>"value", quotes and backslashes escaped.
std::map<std::string, std::string> Hstore(const char* text) {
    std::map<std::string, std::string> tags;
    if (!text)
        return tags;
    const std::string s = text;
    std::size_t i = 0;
    const auto quoted = [&](std::string& out) {
        while (i < s.size() && s[i] != '"')
            ++i;
        if (i >= s.size())
            return false;
        ++i;
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '\\' && i + 1 < s.size())
                ++i;
            out += s[i++];
        }
        if (i >= s.size())
            return false;
        ++i;
        return true;
    };
    while (i < s.size()) {
        std::string key, value;
        if (!quoted(key))
            break;
        const std::size_t arrow = s.find("=>", i);
        if (arrow == std::string::npos)
            break;
        i = arrow + 2;
        if (!quoted(value))
            break;
        tags.emplace(std::move(key), std::move(value));
    }
    return tags;
}

// A height field's value: none, metres, or the reason it is no height.
struct Value {
    enum { None, Metres, Bad } state = None;
    double metres = 0;
    std::string why;
};

Value FromText(const std::string& raw) {
    Value v;
    const std::string text = Trim(raw);
    if (text.empty())
        return v;
    double m = 0;
    if (const auto why = HeightProblem(text, m)) {
        v.state = Value::Bad;
        v.why = *why;
    } else {
        v.state = Value::Metres;
        v.metres = m;
    }
    return v;
}

Value FromField(const OGRFeature& f, int index) {
    Value v;
    if (index < 0 || !f.IsFieldSetAndNotNull(index))
        return v;
    switch (f.GetFieldDefnRef(index)->GetType()) {
    case OFTInteger:
    case OFTInteger64:
    case OFTReal: {
        const double m = f.GetFieldAsDouble(index);
        if (const auto why = RangeProblem(m, Number(m))) {
            v.state = Value::Bad;
            v.why = *why;
        } else {
            v.state = Value::Metres;
            v.metres = m;
        }
        return v;
    }
    case OFTString:
        return FromText(f.GetFieldAsString(index));
    default:
        v.state = Value::Bad;
        v.why = std::string("\"") + f.GetFieldAsString(index) + "\" is not a number";
        return v;
    }
}

// The polygons of a geometry: multipolygons and collections taken apart,
// curves made straight.
void Polygons(const OGRGeometry* g, std::vector<std::unique_ptr<OGRPolygon>>& out) {
    if (!g || g->IsEmpty())
        return;
    if (g->hasCurveGeometry()) {
        std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
        Polygons(linear.get(), out);
        return;
    }
    switch (wkbFlatten(g->getGeometryType())) {
    case wkbPolygon:
        out.emplace_back(g->toPolygon()->clone());
        break;
    case wkbMultiPolygon:
    case wkbGeometryCollection:
    case wkbMultiSurface:
        for (const OGRGeometry* part : *g->toGeometryCollection())
            Polygons(part, out);
        break;
    case wkbPolyhedralSurface:
    case wkbTIN: {
        std::unique_ptr<OGRGeometry> multi(OGRGeometryFactory::forceToMultiPolygon(g->clone()));
        Polygons(multi.get(), out);
        break;
    }
    default:
        break;
    }
}

bool PointsOnly(OGRwkbGeometryType t) {
    switch (wkbFlatten(t)) {
    case wkbPoint:
    case wkbMultiPoint:
    case wkbLineString:
    case wkbMultiLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbMultiCurve:
    case wkbNone:
        return true;
    default:
        return false;
    }
}

class Reader {
  public:
    Reader(GisRead& out, const GisReadOptions& o, const PlanProjection& projection)
        : out_(out), o_(o), projection_(projection) {
        wgs84_.SetWellKnownGeogCS("WGS84");
        wgs84_.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }

    void Problem(const std::string& feature, const std::string& why) {
        if (out_.problems.size() < kListed)
            out_.problems.push_back(feature + ": " + why);
        else
            ++moreProblems;
    }
    void Unmeasured(const std::string& feature) {
        ++unmeasuredCount;
        if (out_.unmeasured.size() < kListed)
            out_.unmeasured.push_back(feature);
    }

    // Returns false when the layer holds no polygons at all.
    bool Layer(OGRLayer& layer, bool osm, bool nameLayer, GdalMessages& messages);

    std::size_t moreProblems = 0;
    std::size_t unmeasuredCount = 0;
    bool anyHeightField = false;

  private:
    GisRead& out_;
    const GisReadOptions& o_;
    const PlanProjection& projection_;
    OGRSpatialReference wgs84_;
};

bool Reader::Layer(OGRLayer& layer, bool osm, bool nameLayer, GdalMessages& messages) {
    const std::string layerName = layer.GetName();
    OGRFeatureDefn* defn = layer.GetLayerDefn();
    if (PointsOnly(layer.GetGeomType()))
        return false;

    std::unique_ptr<OGRSpatialReference> srs;
    std::unique_ptr<OGRCoordinateTransformation> toWgs84;
    if (const OGRSpatialReference* own = layer.GetSpatialRef(); own && !own->IsSame(&wgs84_)) {
        srs.reset(own->Clone());
        srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        toWgs84.reset(OGRCreateCoordinateTransformation(srs.get(), &wgs84_));
        if (!toWgs84) {
            Problem("layer " + layerName, "its coordinate system cannot be turned into WGS84");
            return true;
        }
    }
    if (o_.bbox) {
        double w = o_.bbox->west, s = o_.bbox->south, e = o_.bbox->east, n = o_.bbox->north;
        if (srs) {
            std::unique_ptr<OGRCoordinateTransformation> fromWgs84(
                OGRCreateCoordinateTransformation(&wgs84_, srs.get()));
            double x0, y0, x1, y1;
            if (!fromWgs84 || !fromWgs84->TransformBounds(w, s, e, n, &x0, &y0, &x1, &y1, 21)) {
                Problem("layer " + layerName, "the box cannot be placed in its coordinate system");
                return true;
            }
            w = x0, s = y0, e = x1, n = y1;
        }
        layer.SetSpatialFilterRect(w, s, e, n);
    }

    const int heightIndex = defn->GetFieldIndex(o_.heightField.c_str());
    const int baseIndex = defn->GetFieldIndex("min_height");
    const int tagsIndex = osm ? defn->GetFieldIndex("other_tags") : -1;
    const int buildingIndex = osm ? defn->GetFieldIndex("building") : -1;
    const int osmIdIndex = osm ? defn->GetFieldIndex("osm_id") : -1;
    const int wayIdIndex = osm ? defn->GetFieldIndex("osm_way_id") : -1;
    anyHeightField = anyHeightField || heightIndex >= 0 || osm;

    bool polygons = false;
    layer.ResetReading();
    messages.Clear();
    for (OGRFeatureUniquePtr f(layer.GetNextFeature()); f; f.reset(layer.GetNextFeature())) {
        std::string name;
        if (osm && osmIdIndex >= 0 && f->IsFieldSetAndNotNull(osmIdIndex))
            name = std::string("relation ") + f->GetFieldAsString(osmIdIndex);
        else if (osm && wayIdIndex >= 0 && f->IsFieldSetAndNotNull(wayIdIndex))
            name = std::string("way ") + f->GetFieldAsString(wayIdIndex);
        else
            name = (nameLayer ? "layer " + layerName + " feature " : std::string("feature ")) +
                   std::to_string(f->GetFID());

        std::map<std::string, std::string> tags;
        if (osm) {
            tags = Hstore(tagsIndex >= 0 ? f->GetFieldAsString(tagsIndex) : nullptr);
            const bool building = (buildingIndex >= 0 && f->IsFieldSetAndNotNull(buildingIndex) &&
                                   std::string(f->GetFieldAsString(buildingIndex)) != "no") ||
                                  tags.count("building") || tags.count("building:part");
            if (!building)
                continue;
        }
        std::vector<std::unique_ptr<OGRPolygon>> parts;
        Polygons(f->GetGeometryRef(), parts);
        if (parts.empty())
            continue;
        polygons = true;
        ++out_.polygonFeatures;

        // The height: the field (or tag), else for OpenStreetMap the storeys.
        const auto tagged = [&](const std::string& key, int index) {
            if (index >= 0 && f->IsFieldSetAndNotNull(index))
                return FromField(*f, index);
            const auto it = tags.find(key);
            return it == tags.end() ? Value{} : FromText(it->second);
        };
        Value height = osm ? tagged(o_.heightField, heightIndex) : FromField(*f, heightIndex);
        std::string heightName = o_.heightField;
        if (osm && height.state == Value::None) {
            const Value levels = tagged("building:levels", -1);
            heightName = "building:levels";
            height = levels;
            if (levels.state == Value::Metres)
                height.metres = levels.metres * kLevelHeight;
        }
        const Value base = osm ? tagged("min_height", baseIndex) : FromField(*f, baseIndex);
        if (height.state == Value::Bad) {
            Problem(name, heightName + " " + height.why);
            continue;
        }
        if (base.state == Value::Bad) {
            Problem(name, "min_height " + base.why);
            continue;
        }
        if (height.state == Value::None || height.metres == 0) {
            Unmeasured(name);
            continue;
        }
        const double baseMetres = base.state == Value::Metres ? base.metres : 0;
        if (baseMetres >= height.metres) {
            Problem(name, "min_height " + Number(baseMetres) + " is not below the height " +
                              Number(height.metres));
            continue;
        }

        for (std::size_t k = 0; k < parts.size(); ++k) {
            const std::string part =
                parts.size() > 1 ? name + " part " + std::to_string(k + 1) : name;
            const OGRLinearRing* ring = parts[k]->getExteriorRing();
            if (!ring)
                continue;
            if (parts[k]->getNumInteriorRings() > 0 && out_.filledCount++ < kListed)
                out_.filled.push_back(part);
            std::vector<double> xs(ring->getNumPoints()), ys(ring->getNumPoints());
            for (int i = 0; i < ring->getNumPoints(); ++i)
                xs[i] = ring->getX(i), ys[i] = ring->getY(i);
            if (toWgs84 && !xs.empty() && !toWgs84->Transform(xs.size(), xs.data(), ys.data())) {
                Problem(part, "its corners cannot be turned into WGS84");
                continue;
            }
            std::vector<std::array<double, 2>> points(xs.size());
            for (std::size_t i = 0; i < xs.size(); ++i)
                points[i] = {xs[i], ys[i]};
            projection_.ToPlan(points);
            GisBuilding b;
            b.feature = part;
            b.file = out_.file;
            b.base = baseMetres;
            b.footprint.roof = -1;
            b.footprint.height = height.metres;
            bool placed = true;
            for (const auto& p : points) {
                placed = placed && std::isfinite(p[0]);
                const PlanXY q{p[0], p[1]};
                if (b.footprint.ring.empty() ||
                    (b.footprint.ring.back().x != q.x || b.footprint.ring.back().y != q.y))
                    b.footprint.ring.push_back(q);
            }
            if (!placed) {
                Problem(part, srs ? "lies too far from the origin to be placed"
                                  : "its corners are not longitude and latitude, and the layer "
                                    "names no coordinate system");
                continue;
            }
            auto& r = b.footprint.ring;
            while (r.size() > 1 && r.back().x == r.front().x && r.back().y == r.front().y)
                r.pop_back();
            if (r.size() < 3 || SignedArea(r) == 0) {
                Problem(part, "the outline has no area");
                continue;
            }
            if (OutlineCrossesItself(r)) {
                Problem(part, "the outline crosses itself");
                continue;
            }
            out_.buildings.push_back(std::move(b));
        }
    }
    if (!messages.LastError().empty())
        Problem("layer " + layerName, "reading stopped: " + messages.LastError());
    // Within a box, a layer may hold polygons elsewhere.
    return polygons || o_.bbox.has_value();
}

} // namespace

std::optional<std::string> HeightProblem(const std::string& raw, double& metres) {
    std::string text = Trim(raw);
    std::string number = text;
    if (!number.empty() && number.back() == 'm')
        number = Trim(number.substr(0, number.size() - 1));
    double v = 0;
    const char* end = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(number.data(), end, v);
    if (number.empty() || ec != std::errc() || ptr != end)
        return "\"" + text + "\" is not a number";
    if (const auto why = RangeProblem(v, text))
        return why;
    metres = v;
    return std::nullopt;
}

GisRead ReadGisBuildings(const std::string& path, const GisReadOptions& options) {
    GisRead out;
    out.file = path;
    // A name is a file: neither one of GDAL's virtual file systems nor a
    // connection string, which an absolute path cannot be taken for.
    struct stat st {};
    if (path.empty() || path.rfind("/vsi", 0) == 0 || ::stat(path.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
        out.failure = path.empty() ? "no file name" : "not a regular file that can be read";
        return out;
    }
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(path, ec).string();
    if (ec || absolute.rfind("/vsi", 0) == 0) {
        out.failure = "not a regular file that can be read";
        return out;
    }

    GdalMessages messages;
    std::unique_ptr<GDALDataset, Closer> ds(GDALDataset::Open(
        absolute.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, kDrivers, nullptr, nullptr));
    if (!ds) {
        out.failure = "GDAL cannot read it as map data" +
                      (messages.LastError().empty() ? std::string() : ": " + messages.LastError());
        return out;
    }
    const bool osm = std::string(ds->GetDriver()->GetDescription()) == "OSM";
    std::unique_ptr<PlanProjection> projection;
    try {
        projection = std::make_unique<PlanProjection>(options.latitude, options.longitude);
    } catch (const ProjectionError& e) {
        out.failure = e.what();
        return out;
    }
    Reader reader(out, options, *projection);
    std::vector<std::string> empty;
    bool anyPolygons = false;
    const int layers = ds->GetLayerCount();
    for (int i = 0; i < layers; ++i) {
        OGRLayer* layer = ds->GetLayer(i);
        if (!layer || (osm && std::string(layer->GetName()) != "multipolygons"))
            continue;
        if (reader.Layer(*layer, osm, layers > 1 && !osm, messages))
            anyPolygons = true;
        else
            empty.push_back(layer->GetName());
    }
    if (!anyPolygons && !empty.empty()) {
        std::string names;
        for (const std::string& n : empty)
            names += (names.empty() ? "" : ", ") + n;
        out.failure = "layer " + names + ": no polygons";
    } else if (layers == 0) {
        out.failure = "no layer";
    }
    if (reader.moreProblems)
        out.problems.push_back("and " + std::to_string(reader.moreProblems) +
                               " more features with faults; left out");
    out.noHeightField = !reader.anyHeightField;
    out.unmeasuredCount = reader.unmeasuredCount;
    return out;
}

std::optional<std::size_t> GisBuildingAt(std::span<const GisBuilding> buildings, PlanXY p) {
    for (std::size_t i = 0; i < buildings.size(); ++i)
        if (RingContains(buildings[i].footprint.ring, p))
            return i;
    return std::nullopt;
}

LonLatBox BoxAround(std::span<const PlanXY> points, double margin, double latitude,
                    double longitude) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PlanXY& p = points[i];
        x0 = i ? std::min(x0, p.x) : p.x;
        x1 = i ? std::max(x1, p.x) : p.x;
        y0 = i ? std::min(y0, p.y) : p.y;
        y1 = i ? std::max(y1, p.y) : p.y;
    }
    x0 -= margin, y0 -= margin, x1 += margin, y1 += margin;
    // The box's edge, densely: the projection bends straight plan lines.
    std::vector<std::array<double, 2>> edge;
    constexpr int kSteps = 16;
    for (int k = 0; k <= kSteps; ++k) {
        const double t = static_cast<double>(k) / kSteps;
        edge.push_back({x0 + t * (x1 - x0), y0});
        edge.push_back({x0 + t * (x1 - x0), y1});
        edge.push_back({x0, y0 + t * (y1 - y0)});
        edge.push_back({x1, y0 + t * (y1 - y0)});
    }
    const PlanProjection projection(latitude, longitude);
    projection.ToLonLat(edge);
    LonLatBox b{edge[0][0], edge[0][1], edge[0][0], edge[0][1]};
    for (const auto& c : edge) {
        const double lon = longitude + std::remainder(c[0] - longitude, 360.0);
        b.west = std::min(b.west, lon);
        b.east = std::max(b.east, lon);
        b.south = std::min(b.south, c[1]);
        b.north = std::max(b.north, c[1]);
    }
    return b;
}

} // namespace velmora::gis
