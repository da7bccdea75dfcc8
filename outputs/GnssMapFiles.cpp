// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputs/GnssMapFiles.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <gdal_priv.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <ogr_spatialref.h>
#include <unistd.h>

#include "gis/GdalSession.h"
#include "gis/PlanProjection.h"

namespace velmora {

namespace {

struct DatasetCloser {
    void operator()(GDALDataset* d) const { GDALClose(d); }
};

[[noreturn]] void Fail(const std::string& what, const gis::GdalMessages& messages) {
    predict::Error e{predict::ErrorCode::Unexpected};
    e.reason = what + (messages.LastError().empty() ? "" : ": " + messages.LastError());
    throw predict::Failure(std::move(e));
}

// A scale bar's length: 1, 2 or 5 times a power of ten, about a fifth of
// the map's width.
double ScaleLength(double metres) {
    const double target = metres / 5;
    double unit = std::pow(10.0, std::floor(std::log10(std::max(target, 1e-3))));
    for (double k : {5.0, 2.0, 1.0})
        if (k * unit <= target)
            return k * unit;
    return unit;
}

} // namespace

QByteArray GnssMapGeoTiff(const predict::GnssMap& map, const predict::GnssMapRequest& r) {
    gis::PrepareGdal();
    gis::GdalMessages messages;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!driver)
        Fail("GDAL has no GeoTIFF driver", messages);
    const predict::MapGrid& grid = map.grid;
    // A name of its own in GDAL's memory file system: the bytes go to the
    // output's one writer afterwards.
    static std::atomic<int> serial{0};
    const std::string path = "/vsimem/velmora-map-" + std::to_string(::getpid()) + "-" +
                             std::to_string(serial++) + ".tif";
    struct Unlink {
        std::string path;
        ~Unlink() { VSIUnlink(path.c_str()); }
    } unlink{path};
    {
        char** options = nullptr;
        options = CSLSetNameValue(options, "COMPRESS", "DEFLATE");
        options = CSLSetNameValue(options, "PREDICTOR", "3");
        std::unique_ptr<GDALDataset, DatasetCloser> ds(driver->Create(
            path.c_str(), grid.columns, grid.TileRows(), predict::kMapBands, GDT_Float32, options));
        CSLDestroy(options);
        if (!ds)
            Fail("cannot make the GeoTIFF", messages);
        // Pixels centred on the cell centres; row 0 the tile's northernmost.
        double transform[6] = {grid.X(0) - grid.cell / 2,
                               grid.cell,
                               0,
                               grid.Y(grid.firstRow) + grid.cell / 2,
                               0,
                               -grid.cell};
        OGRSpatialReference crs;
        const std::string definition =
            gis::PlanDefinition(r.gnss.settings.latitude, r.gnss.settings.longitude);
        if (ds->SetGeoTransform(transform) != CE_None ||
            crs.importFromProj4(definition.c_str()) != OGRERR_NONE ||
            ds->SetSpatialRef(&crs) != CE_None)
            Fail("cannot place the GeoTIFF", messages);
        const auto names = predict::MapBandNames();
        for (int b = 0; b < predict::kMapBands; ++b) {
            GDALRasterBand* band = ds->GetRasterBand(b + 1);
            band->SetDescription(names[static_cast<std::size_t>(b)]);
            band->SetNoDataValue(predict::kMapNodata);
            std::vector<float> values = map.bands[static_cast<std::size_t>(b)];
            if (band->RasterIO(GF_Write, 0, 0, grid.columns, grid.TileRows(), values.data(),
                               grid.columns, grid.TileRows(), GDT_Float32, 0, 0) != CE_None)
                Fail("cannot write the GeoTIFF's cells", messages);
        }
        // GDAL reports a failure to finish the file only as a message.
        messages.Clear();
        GDALClose(ds.release());
        if (!messages.LastError().empty())
            Fail("cannot finish the GeoTIFF", messages);
    }
    vsi_l_offset size = 0;
    GByte* bytes = VSIGetMemFileBuffer(path.c_str(), &size, FALSE);
    if (!bytes || size == 0)
        Fail("the GeoTIFF came out empty", messages);
    return QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
}

QByteArray GnssMapJson(const predict::GnssMap& map, const predict::GnssMapRequest& r) {
    using nlohmann::ordered_json;
    const predict::MapGrid& grid = map.grid;
    const gnss::PredictionSettings& s = r.gnss.settings;
    ordered_json j;
    j["origin"] = {{"latitude", s.latitude}, {"longitude", s.longitude}};
    j["crs"] = gis::PlanDefinition(s.latitude, s.longitude);
    j["area"] = {r.x0, r.y0, r.x1, r.y1};
    j["cell_m"] = grid.cell;
    j["columns"] = grid.columns;
    j["rows"] = grid.rows;
    j["tile"] = {{"index", r.tile},
                 {"count", r.tiles},
                 {"first_row", grid.firstRow},
                 {"last_row", grid.lastRow - 1}};
    j["west_m"] = grid.X(0);
    j["north_m"] = grid.Y(grid.firstRow);
    j["start"] = predict::UtcTimeText(s.start);
    j["end"] = predict::UtcTimeText(gnss::LastEpoch(s));
    j["step_s"] = s.step;
    j["elevation_mask_deg"] = s.mask;
    j["systems"] = s.systems;
    j["min_satellites"] = r.minSatellites;
    j["max_pdop"] = r.maxPdop;
    j["epochs"] = map.epochs;
    j["incomplete_epochs"] = map.incompleteEpochs;
    j["satellites"] = map.satellites;
    j["cells_inside_footprints"] = map.insideCells;
    const auto names = predict::MapBandNames();
    static constexpr const char* kKeys[] = {"position_percent", "mean_visible", "mean_pdop",
                                            "longest_outage_min", "mean_reflected"};
    ordered_json bands = ordered_json::array();
    for (int b = 0; b < predict::kMapBands; ++b) {
        ordered_json rows = ordered_json::array();
        for (int row = grid.firstRow; row < grid.lastRow; ++row) {
            ordered_json cells = ordered_json::array();
            for (int c = 0; c < grid.columns; ++c) {
                const float v = map.At(b, row, c);
                if (v == predict::kMapNodata)
                    cells.push_back(nullptr);
                else
                    cells.push_back(std::round(static_cast<double>(v) * 1e4) / 1e4);
            }
            rows.push_back(std::move(cells));
        }
        bands.push_back({{"band", b + 1},
                         {"key", kKeys[b]},
                         {"description", names[static_cast<std::size_t>(b)]},
                         {"rows", std::move(rows)}});
    }
    j["bands"] = std::move(bands);
    return QByteArray::fromStdString(j.dump(1) + "\n");
}

QColor PositionShareColour(double percent) {
    // Red where a position is rare, through amber to green where it is sure.
    const double t = std::clamp(percent / 100, 0.0, 1.0);
    const QColor low(200, 30, 30), mid(240, 190, 40), high(30, 150, 60);
    const auto mix = [](const QColor& a, const QColor& b, double u) {
        return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * u),
                                static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * u),
                                static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * u));
    };
    return t < 0.5 ? mix(low, mid, t * 2) : mix(mid, high, (t - 0.5) * 2);
}

QImage GnssMapImage(const predict::GnssMap& map, std::span<const Footprint> plan,
                    const QString& title, const QString& caption) {
    const predict::MapGrid& grid = map.grid;
    const double widthM = grid.columns * grid.cell, heightM = grid.TileRows() * grid.cell;
    // About 700 pixels across the longer side, at least 2 per cell.
    const double scale = std::max(700 / std::max(widthM, heightM), 2 / grid.cell);
    const int margin = 20, top = 56, legendW = 150, bottom = 60;
    const int mapW = static_cast<int>(std::ceil(widthM * scale));
    const int mapH = static_cast<int>(std::ceil(heightM * scale));
    // The legend needs its height even beside a thin tile.
    const int lh = std::clamp(mapH - 30, 100, 240);
    const int height = std::max(top + mapH + bottom, top + 20 + lh + 80);
    QImage image(margin + mapW + margin + legendW, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    QPainter g(&image);
    g.setRenderHint(QPainter::Antialiasing);
    const double west = grid.X(0) - grid.cell / 2, north = grid.Y(grid.firstRow) + grid.cell / 2;
    const auto toPixel = [&](PlanXY p) {
        return QPointF(margin + (p.x - west) * scale, top + (north - p.y) * scale);
    };
    // The cells, edge to edge: whole pixels without smoothing, so that no
    // seam shows between neighbours.
    const QColor none(205, 205, 205);
    g.save();
    g.setRenderHint(QPainter::Antialiasing, false);
    g.setClipRect(QRect(margin, top, mapW, mapH));
    for (int row = grid.firstRow; row < grid.lastRow; ++row)
        for (int c = 0; c < grid.columns; ++c) {
            const float v = map.At(0, row, c);
            const QPointF a = toPixel({grid.X(c) - grid.cell / 2, grid.Y(row) + grid.cell / 2});
            const QPointF b = toPixel({grid.X(c) + grid.cell / 2, grid.Y(row) - grid.cell / 2});
            const QPoint a0(static_cast<int>(std::lround(a.x())),
                            static_cast<int>(std::lround(a.y())));
            const QPoint b0(static_cast<int>(std::lround(b.x())),
                            static_cast<int>(std::lround(b.y())));
            g.fillRect(QRect(a0, QSize(b0.x() - a0.x(), b0.y() - a0.y())),
                       v == predict::kMapNodata ? none : PositionShareColour(v));
        }
    g.restore();
    g.save();
    g.setClipRect(QRect(margin, top, mapW, mapH));
    // The footprints over them.
    g.setPen(QPen(QColor(40, 40, 40), 1.2));
    for (const Footprint& f : plan) {
        if (f.ring.size() < 3)
            continue;
        QPolygonF poly;
        for (const PlanXY& p : f.ring)
            poly << toPixel(p);
        g.setBrush(f.heightState == RoofHeight::Measured ? QColor(110, 110, 125)
                                                         : QColor(255, 255, 255, 160));
        g.drawPolygon(poly);
    }
    g.restore();
    g.setPen(QPen(Qt::black, 1));
    g.setBrush(Qt::NoBrush);
    g.drawRect(QRect(margin, top, mapW, mapH));

    QFont font = g.font();
    font.setPixelSize(15);
    font.setBold(true);
    g.setFont(font);
    g.drawText(QRect(margin, 6, image.width() - 2 * margin, 22), Qt::AlignLeft, title);
    font.setBold(false);
    font.setPixelSize(12);
    g.setFont(font);
    g.drawText(QRect(margin, 30, image.width() - 2 * margin, 20), Qt::AlignLeft, caption);

    // Legend: the colour ramp with its percentages.
    const int lx = margin + mapW + margin, ly = top + 20;
    g.drawText(QRect(lx, top - 4, legendW, 20), Qt::AlignLeft, QStringLiteral("position (%)"));
    for (int y = 0; y < lh; ++y)
        g.fillRect(QRect(lx, ly + y, 22, 1), PositionShareColour(100.0 * (lh - 1 - y) / (lh - 1)));
    g.drawRect(QRect(lx, ly, 22, lh));
    for (int k = 0; k <= 4; ++k) {
        const int y = ly + (lh - 1) * (4 - k) / 4;
        g.drawLine(lx + 22, y, lx + 27, y);
        g.drawText(QRect(lx + 30, y - 8, 60, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(25 * k));
    }
    g.fillRect(QRect(lx, ly + lh + 12, 22, 14), none);
    g.drawRect(QRect(lx, ly + lh + 12, 22, 14));
    g.drawText(QRect(lx + 30, ly + lh + 11, legendW - 30, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("no figures"));
    g.setBrush(QColor(110, 110, 125));
    g.drawRect(QRect(lx, ly + lh + 32, 22, 14));
    g.drawText(QRect(lx + 30, ly + lh + 31, legendW - 30, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("building"));
    g.setBrush(Qt::white);
    g.drawRect(QRect(lx, ly + lh + 52, 22, 14));
    g.drawText(QRect(lx + 30, ly + lh + 51, legendW - 30, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("height unknown"));
    g.setBrush(Qt::NoBrush);

    // Scale bar under the map, north arrow beside it.
    const double bar = ScaleLength(widthM);
    const int by = top + mapH + 28;
    const int bw = static_cast<int>(std::lround(bar * scale));
    g.setPen(QPen(Qt::black, 2));
    g.drawLine(margin, by, margin + bw, by);
    g.drawLine(margin, by - 5, margin, by + 5);
    g.drawLine(margin + bw, by - 5, margin + bw, by + 5);
    g.setPen(QPen(Qt::black, 1));
    g.drawText(QRect(margin + bw + 8, by - 9, 120, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1 m").arg(bar));
    const QPointF tip(margin + mapW - 14, top + mapH + 12);
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(7, 22));
    arrow.lineTo(tip + QPointF(0, 16));
    arrow.lineTo(tip + QPointF(-7, 22));
    arrow.closeSubpath();
    g.fillPath(arrow, Qt::black);
    g.drawText(QRectF(tip.x() - 12, tip.y() + 22, 24, 18), Qt::AlignCenter, QStringLiteral("N"));
    g.end();
    return image;
}

QByteArray GnssMapPng(const predict::GnssMap& map, std::span<const Footprint> plan,
                      const QString& title, const QString& caption) {
    const QImage image = GnssMapImage(map, plan, title, caption);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

} // namespace velmora
