#include "cli/Commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "cli/CliSupport.h"
#include "cli/Export.h"
#include "cli/Report.h"
#include "cli/Shadow.h"
#include "cli/SkyMaskCommand.h"
#include "cli/Trace.h"

namespace velmora::cli {

namespace {

const char* const kUsage =
    "Usage: velmora-cli COMMAND [options]\n"
    "\n"
    "Works with velmora's project files (.dat) from the command line.\n"
    "\n"
    "Commands:\n"
    "  trace PICTURE --altitudes V,S [--north DEG] --click X,Y [--click X,Y ...] [-o OUT.dat]\n"
    "      trace roofs and walls with the one-click tool and write a project file\n"
    "  report FILE.dat [FILE.dat ...] [--json]\n"
    "      roofs, wall lines, heights, footprint areas and centroids\n"
    "  export FILE.dat --origin LAT,LON [--format geojson|kml] [-o OUT]\n"
    "      building footprints as WGS84 GeoJSON or KML\n"
    "  skymask FILE.dat --at X,Y [--antenna-height H] [-o MASK.txt] [--plot SKY.png|SKY.svg]\n"
    "          [--date YYYY-MM-DD --origin LAT,LON --utc-offset HOURS]\n"
    "      the elevation mask the buildings cast at a receiver, and a sky plot\n"
    "  shadow FILE.dat --origin LAT,LON --date YYYY-MM-DD [--from 8 --to 16]\n"
    "         (--solar-time | --utc-offset HOURS) [--plane-height 4] [--cell 1] [--extent M]\n"
    "         [--contours 2,3,4,5] [--hourly] [--json OUT] [--png MAP.png | --svg MAP.svg]\n"
    "         [--geojson LINES.geojson]\n"
    "      hours of shade on a measuring plane over a day: the shade-time map\n"
    "\n"
    "'velmora-cli COMMAND --help' describes each command.\n";

// Qt's own notices (a missing runtime folder of the offscreen platform and
// the like) would break the one-line error contract of stderr; only its
// real failures are passed on.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "velmora-cli: %s\n", qPrintable(message));
}

} // namespace

bool ParseCommandLine(QCommandLineParser& parser, const QStringList& args, int minPositional,
                      int maxPositional) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    QStringList full = args;
    full[0] = QStringLiteral("velmora-cli ") + args[0];
    if (!parser.parse(full))
        throw UsageError(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The usage line names the command, not only the program.
        text.replace(QStringLiteral("Usage: ") + QCoreApplication::applicationFilePath(),
                     QStringLiteral("Usage: velmora-cli ") + args[0]);
        std::fputs(qPrintable(text), stdout);
        return false;
    }
    const qsizetype n = parser.positionalArguments().size();
    if (n < minPositional || (maxPositional >= 0 && n > maxPositional))
        throw UsageError(QStringLiteral("%1: wrong number of arguments (see velmora-cli %1 --help)")
                             .arg(args[0]));
    return true;
}

int Main(int argc, char** argv) {
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    // Only the sky plot and the shade map draw text, which needs the GUI library's fonts; it
    // never shows a window, so no display is needed.
    qInstallMessageHandler(QuietQtMessages);
    std::unique_ptr<QCoreApplication> app;
    if (command == QStringLiteral("skymask") || command == QStringLiteral("shadow")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("velmora-cli"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    try {
        if (command == QStringLiteral("trace"))
            return TraceCommand(args);
        if (command == QStringLiteral("report"))
            return ReportCommand(args);
        if (command == QStringLiteral("export"))
            return ExportCommand(args);
        if (command == QStringLiteral("skymask"))
            return SkyMaskCommand(args);
        if (command == QStringLiteral("shadow"))
            return ShadowCommand(args);
        if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
            command == QStringLiteral("help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        throw UsageError(command.isEmpty() ? QStringLiteral("no command given")
                                           : QStringLiteral("unknown command \"%1\"").arg(command));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        if (command.isEmpty() ||
            !QStringList{"trace", "report", "export", "skymask", "shadow"}.contains(command))
            std::fputs(kUsage, stderr);
        return 2;
    } catch (const Failure& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        return 1;
    }
}

} // namespace velmora::cli
