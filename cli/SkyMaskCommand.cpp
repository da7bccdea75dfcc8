#include "cli/SkyMaskCommand.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <cmath>
#include <numbers>

#include "cli/CliSupport.h"
#include "cli/Commands.h"

namespace velmora::cli {

namespace {

constexpr int kPlotWidth = 640;
constexpr int kPlotHeight = 720;
constexpr double kPlotRadius = 260;
const QPointF kPlotCentre(320, 330);

// Zenith at the centre, the horizon on the outer ring, north up, east to
// the right: the sky as GNSS sky plots show it.
QPointF SkyPoint(double azimuthDeg, double elevationDeg) {
    const double r = kPlotRadius * (90 - std::clamp(elevationDeg, 0.0, 90.0)) / 90;
    const double a = azimuthDeg * std::numbers::pi / 180;
    return kPlotCentre + QPointF(r * std::sin(a), -r * std::cos(a));
}

QString Clock(double hours) {
    const int minutes = static_cast<int>(std::lround(hours * 60));
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QChar(u'0'))
        .arg(minutes % 60, 2, 10, QChar(u'0'));
}

void DrawSkyPlot(QPainter& g, const SkyPlotInput& in) {
    g.setRenderHint(QPainter::Antialiasing);
    g.fillRect(QRectF(0, 0, kPlotWidth, kPlotHeight), Qt::white);
    QFont font = g.font();
    font.setPixelSize(14);
    g.setFont(font);
    g.setPen(Qt::black);
    g.drawText(QRectF(10, 8, kPlotWidth - 20, 40), Qt::AlignHCenter | Qt::TextWordWrap, in.title);

    // The mask: the band between the horizon and the buildings' tops.
    QPainterPath mask;
    mask.setFillRule(Qt::OddEvenFill);
    mask.addEllipse(kPlotCentre, kPlotRadius, kPlotRadius);
    QPolygonF tops;
    const std::size_t n = in.mask.size();
    for (std::size_t i = 0; i < n; ++i)
        tops << SkyPoint(360.0 * static_cast<double>(i) / static_cast<double>(n), in.mask[i]);
    mask.addPolygon(tops);
    mask.closeSubpath();
    g.fillPath(mask, QColor(150, 150, 160));
    g.setPen(QPen(QColor(70, 70, 80), 1.5));
    g.drawPolygon(tops);

    // Rings at 0, 30 and 60 degrees, spokes every 30 degrees of azimuth.
    g.setPen(QPen(QColor(90, 90, 90), 1));
    g.setBrush(Qt::NoBrush);
    for (const int el : {0, 30, 60}) {
        const double r = kPlotRadius * (90 - el) / 90;
        g.drawEllipse(kPlotCentre, r, r);
        g.drawText(SkyPoint(0, el) + QPointF(4, 14), QStringLiteral("%1°").arg(el));
    }
    for (int az = 0; az < 360; az += 30) {
        g.drawLine(kPlotCentre, SkyPoint(az, 0));
        static const QStringList kCardinal{QStringLiteral("N"), QStringLiteral("E"),
                                           QStringLiteral("S"), QStringLiteral("W")};
        const QString label = az % 90 == 0 ? kCardinal[az / 90] : QString::number(az);
        const double a = az * std::numbers::pi / 180;
        const QPointF at = kPlotCentre + QPointF((kPlotRadius + 18) * std::sin(a),
                                                 -(kPlotRadius + 18) * std::cos(a));
        g.drawText(QRectF(at.x() - 20, at.y() - 10, 40, 20), Qt::AlignCenter, label);
    }

    if (in.sun) {
        // The sun's path: yellow in direct sun, dark red where blocked.
        const std::vector<SunMinute>& s = in.sun->minutes;
        for (std::size_t i = 1; i < s.size(); ++i) {
            if (s[i].hours - s[i - 1].hours > 1.5 / 60)
                continue;
            g.setPen(QPen(s[i].blocked ? QColor(150, 30, 30) : QColor(240, 170, 0), 3));
            g.drawLine(SkyPoint(s[i - 1].azimuth, s[i - 1].elevation),
                       SkyPoint(s[i].azimuth, s[i].elevation));
        }
        g.setPen(Qt::black);
        g.setBrush(QColor(240, 170, 0));
        for (const SunMinute& m : s) {
            // Hourly marks on the first minute of each hour.
            if (std::lround(m.hours * 60 - 0.5) % 60 != 0)
                continue;
            const QPointF at = SkyPoint(m.azimuth, m.elevation);
            g.drawEllipse(at, 4, 4);
            g.drawText(at + QPointF(6, -6), QString::number(static_cast<int>(m.hours)));
        }
        g.setBrush(Qt::NoBrush);
        g.drawText(QRectF(10, kPlotHeight - 80, kPlotWidth - 20, 70),
                   Qt::AlignHCenter | Qt::TextWordWrap, in.sunCaption);
    }
}

QByteArray MaskText(const std::vector<double>& mask, const QStringList& header) {
    QByteArray out;
    for (const QString& h : header)
        out += "% " + h.toUtf8() + "\n";
    for (std::size_t i = 0; i < mask.size(); ++i)
        out += QStringLiteral("%1 %2\n").arg(i).arg(Fixed(mask[i], 2)).toLatin1();
    return out;
}

} // namespace

QByteArray SkyPlotBytes(const SkyPlotInput& in, const QString& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(kPlotWidth, kPlotHeight));
        svg.setViewBox(QRect(0, 0, kPlotWidth, kPlotHeight));
        svg.setTitle(in.title);
        QPainter g(&svg);
        DrawSkyPlot(g, in);
    } else {
        QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
        {
            QPainter g(&image);
            DrawSkyPlot(g, in);
        }
        image.save(&buffer, "PNG");
    }
    return bytes;
}

int SkyMaskCommand(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "The buildings of a project file as prisms of their heights, seen from a receiver: for "
        "every azimuth 0 ... 359 degrees (clockwise from true north) the highest elevation a "
        "building covers. The receiver stands at a point of the north-up plan frame (metres east "
        "and north of the ground point at the picture centre) outside every building."));
    p.addPositionalArgument(QStringLiteral("file"), QStringLiteral("project file (.dat)"));
    p.addOption({QStringLiteral("at"), QStringLiteral("the receiver's plan position in metres"),
                 QStringLiteral("X,Y")});
    p.addOption({QStringLiteral("antenna-height"),
                 QStringLiteral("the receiver's height above the ground in metres (default 1.5)"),
                 QStringLiteral("H"), QStringLiteral("1.5")});
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("mask file to write (default: standard output)"),
                 QStringLiteral("MASK.txt")});
    p.addOption({QStringLiteral("plot"), QStringLiteral("polar sky plot to write (.png or .svg)"),
                 QStringLiteral("SKY.png|SKY.svg")});
    p.addOption({QStringLiteral("date"),
                 QStringLiteral("also the sun's path of that day and its minutes of direct and "
                                "blocked sun (needs --origin and --utc-offset)"),
                 QStringLiteral("YYYY-MM-DD")});
    p.addOption({QStringLiteral("origin"),
                 QStringLiteral("latitude and longitude in degrees of the ground point at the "
                                "picture centre"),
                 QStringLiteral("LAT,LON")});
    p.addOption({QStringLiteral("utc-offset"),
                 QStringLiteral("hours of local clock time ahead of UTC"),
                 QStringLiteral("HOURS")});
    if (!ParseCommandLine(p, args, 1, 1))
        return 0;

    if (!p.isSet(QStringLiteral("at")))
        throw UsageError(QStringLiteral("--at X,Y is required"));
    const auto [x, y] = ParsePair(p.value(QStringLiteral("at")), QStringLiteral("--at"));
    const double antenna =
        ParseNumber(p.value(QStringLiteral("antenna-height")), QStringLiteral("--antenna-height"));
    if (antenna < 0)
        throw UsageError(QStringLiteral("--antenna-height: the height cannot be negative"));
    const QString plot = p.value(QStringLiteral("plot"));
    if (!plot.isEmpty() && !plot.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
        !plot.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        throw UsageError(QStringLiteral("--plot %1: the name must end in .png or .svg").arg(plot));
    const bool withSun = p.isSet(QStringLiteral("date"));
    if (withSun != p.isSet(QStringLiteral("origin")) ||
        withSun != p.isSet(QStringLiteral("utc-offset")))
        throw UsageError(QStringLiteral("--date, --origin and --utc-offset go together"));
    SunClock date;
    SunSite site;
    if (withSun) {
        // The day only: Qt's ISO reading would also take a time after it.
        const QString text = p.value(QStringLiteral("date"));
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid() || text.size() != 10)
            throw UsageError(QStringLiteral("--date %1: expected a date YYYY-MM-DD")
                                 .arg(p.value(QStringLiteral("date"))));
        date.year = d.year();
        date.month = d.month();
        date.day = d.day();
        date.utcOffset =
            ParseNumber(p.value(QStringLiteral("utc-offset")), QStringLiteral("--utc-offset"));
        if (std::fabs(date.utcOffset) > 14)
            throw UsageError(QStringLiteral("--utc-offset: expected hours within -14 ... 14"));
        std::tie(site.latitude, site.longitude) = ParseOrigin(p.value(QStringLiteral("origin")));
    }

    const Project project = ReadProject(p.positionalArguments().at(0));
    // Only buildings of a measured height cast a mask: one of unknown height
    // is neither open sky nor a wall of some made-up height.
    std::vector<Footprint> footprints;
    std::vector<Count> crossing, unknown;
    for (Footprint& f : NorthUpFootprints(*project.data)) {
        if (f.crossesItself)
            crossing.push_back(f.roof);
        else if (f.heightState != RoofHeight::Measured)
            unknown.push_back(f.roof);
        if (!f.crossesItself)
            footprints.push_back(std::move(f));
    }
    WarnRoofs(project.path, crossing, kCrossingWarning);
    WarnRoofs(project.path, unknown,
              QStringLiteral("height unknown (no wall line, or one drawn upwards); left out of the "
                             "mask"));
    const PlanXY at{x, y};
    if (const std::optional<Count> roof = FootprintAt(footprints, at))
        throw Failure(QStringLiteral("%1: the point (%2, %3) lies inside roof %4; a receiver must "
                                     "stand outside the buildings")
                          .arg(project.path, Fixed(x, 2), Fixed(y, 2))
                          .arg(*roof));
    std::erase_if(footprints,
                  [](const Footprint& f) { return f.heightState != RoofHeight::Measured; });
    const SkyScene scene(footprints, at, antenna);
    const std::vector<double> mask = scene.Mask(1);

    const QString where = QStringLiteral("(%1 E, %2 N) m, antenna %3 m above the ground")
                              .arg(Fixed(x, 2), Fixed(y, 2), Fixed(antenna, 2));
    QStringList header{
        QStringLiteral("velmora-cli sky mask of %1 at %2")
            .arg(QFileInfo(project.path).fileName(), where),
        QStringLiteral("azimuth: degrees clockwise from true north; elevation: degrees above the "
                       "horizon that buildings cover (0: open sky)"),
        QStringLiteral("azimuth elevation")};
    if (!unknown.empty() || !crossing.empty()) {
        QStringList names;
        for (const Count r : unknown)
            names << QString::number(r);
        for (const Count r : crossing)
            names << QString::number(r);
        header.insert(2, QStringLiteral("left out (height or outline unknown): roofs ") +
                             names.join(QStringLiteral(", ")));
    }
    SunDay day;
    QString sunCaption;
    if (withSun) {
        day = SunOverDay(scene, date, site);
        const QString offset = QStringLiteral("UTC%1%2")
                                   .arg(QChar(date.utcOffset < 0 ? u'-' : u'+'))
                                   .arg(std::fabs(date.utcOffset));
        sunCaption =
            QStringLiteral("%1 at %2, %3 (%4): sunrise %5, sunset %6; direct sun %7 min, sun "
                           "blocked by buildings %8 min")
                .arg(p.value(QStringLiteral("date")), Fixed(site.latitude, 5),
                     Fixed(site.longitude, 5), offset,
                     day.events.sunrise ? Clock(*day.events.sunrise) : QStringLiteral("-"),
                     day.events.sunset ? Clock(*day.events.sunset) : QStringLiteral("-"))
                .arg(day.directMinutes)
                .arg(day.blockedMinutes);
        header.insert(2, QStringLiteral("sun on ") + sunCaption);
    }
    // Both outputs are made before either is written.
    std::vector<std::pair<QString, QByteArray>> outputs{
        {p.value(QStringLiteral("output")), MaskText(mask, header)}};
    if (!plot.isEmpty()) {
        SkyPlotInput in{
            mask,
            QStringLiteral("Sky mask of %1 at %2").arg(QFileInfo(project.path).fileName(), where),
            withSun ? &day : nullptr, sunCaption};
        QByteArray plotBytes = SkyPlotBytes(in, plot);
        if (plotBytes.isEmpty())
            throw Failure(plot + QStringLiteral(": the plot could not be drawn"));
        outputs.emplace_back(plot, std::move(plotBytes));
    }
    WriteOutputs(outputs, {project.path});
    return 0;
}

} // namespace velmora::cli
