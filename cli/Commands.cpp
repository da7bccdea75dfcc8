// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "cli/CameraCommand.h"
#include "cli/CliSupport.h"
#include "cli/Export.h"
#include "cli/GnssCommand.h"
#include "cli/GnssMapCommand.h"
#include "cli/Report.h"
#include "cli/Shadow.h"
#include "cli/SkyMaskCommand.h"
#include "cli/Trace.h"
#include "predict/Errors.h"

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
    "  camera PICTURE --altitudes V,S --click X,Y [--click X,Y ...] [--json]\n"
    "      check the camera against the verticals of the buildings traced at the points\n"
    "  report FILE.dat [FILE.dat ...] [--json]\n"
    "      roofs, wall lines, heights, footprint areas and centroids\n"
    "  export FILE.dat --origin LAT,LON [--format geojson|kml|gpkg] [-o OUT]\n"
    "      building footprints as WGS84 GeoJSON, KML or GeoPackage\n"
    "  skymask FILE.dat --at X,Y [--antenna-height H] [-o MASK.txt] [--plot SKY.png|SKY.svg]\n"
    "          [--date YYYY-MM-DD --origin LAT,LON --utc-offset HOURS]\n"
    "      the elevation mask the buildings cast at a receiver, and a sky plot\n"
    "  gnss FILE.dat --at X,Y --origin LAT,LON (--nav FILE [--nav FILE ...] | --tle FILE)\n"
    "          --start YYYY-MM-DDTHH:MM:SSZ --hours H --step SECONDS [--json] [-o OUT]\n"
    "          [--plot SKY.png|SKY.svg] [--chart DOP.png|DOP.svg]\n"
    "      satellites seen among the buildings over a period, with DOPs\n"
    "  gnss-map FILE.dat --origin LAT,LON --area X0,Y0,X1,Y1 --cell C (--nav FILE ... | --tle\n"
    "           FILE) --start ... --hours H --step SECONDS [--min-satellites N] [--max-pdop P]\n"
    "           [--tile I/N] --geotiff OUT.tif [--png MAP.png] [--json OUT.json]\n"
    "      the gnss figures at every cell of a plan grid: a five-band GeoTIFF\n"
    "  shadow FILE.dat --origin LAT,LON --date YYYY-MM-DD [--from 8 --to 16]\n"
    "         (--solar-time | --utc-offset HOURS) [--plane-height 4] [--cell 1] [--extent M]\n"
    "         [--contours 2,3,4,5] [--hourly] [--json OUT] [--png MAP.png | --svg MAP.svg]\n"
    "         [--geojson LINES.geojson]\n"
    "      hours of shade on a measuring plane over a day: the shade-time map\n"
    "  skymask, gnss and shadow also take [--buildings FILE ...] [--height-field NAME]\n"
    "      [--bbox W,S,E,N]: buildings from GIS vector data, beside or instead of FILE.dat\n"
    "\n"
    "'velmora-cli COMMAND --help' describes each command; 'velmora-cli --version' names the\n"
    "version.\n";

// Qt's own notices (a missing runtime folder of the offscreen platform and
// the like) would break the one-line error contract of stderr; only its
// real failures are passed on.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "velmora-cli: %s\n", qPrintable(message));
}

// What was printed must have arrived: a full disk or a closed standard
// output is a failure, not a success.
int FinishStdout() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "velmora-cli: cannot write to standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace

bool ParseCommandLine(QCommandLineParser& parser, const QStringList& args, int minPositional,
                      int maxPositional, const QStringList& repeatable) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    QStringList full = args;
    full[0] = QStringLiteral("velmora-cli ") + args[0];
    if (!parser.parse(full))
        throw UsageError(parser.errorText());
    // Taking the last of two values would silently drop the other.
    for (const QString& name : parser.optionNames())
        if (!repeatable.contains(name) && parser.values(name).size() > 1)
            throw UsageError(
                QStringLiteral("%1%2 is given more than once")
                    .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name));
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The usage line names the command, not only the program.
        // Qt writes argv[0] as typed, which is not the absolute path when
        // the program was started from a relative one.
        text.replace(QStringLiteral("Usage: ") + QCoreApplication::arguments().constFirst(),
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
    // A closed standard stream would be taken by the next file opened, and
    // the messages meant for it would land in an output file. Read-only
    // /dev/null keeps the numbers taken and makes every write to it fail.
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
    const QString command = argc > 1 ? ArgumentText(argv[1]) : QString();
    // Only the plots and the shade map draw text, which needs the GUI library's fonts; it
    // never shows a window, so no display is needed.
    qInstallMessageHandler(QuietQtMessages);
    std::unique_ptr<QCoreApplication> app;
    if (command == QStringLiteral("skymask") || command == QStringLiteral("gnss") ||
        command == QStringLiteral("shadow") || command == QStringLiteral("gnss-map")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("velmora-cli"));
    // Taken from argv itself: Qt's own list loses file names that are not
    // UTF-8.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << ArgumentText(argv[i]);
    try {
        if (command == QStringLiteral("trace"))
            return TraceCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("camera"))
            return CameraCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("report"))
            return ReportCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("export"))
            return ExportCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("skymask"))
            return SkyMaskCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("gnss"))
            return GnssCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("shadow"))
            return ShadowCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("gnss-map"))
            return GnssMapCommand(args) == 0 ? FinishStdout() : 1;
        if (command == QStringLiteral("--version")) {
            std::printf("velmora-cli %s\n", VELMORA_VERSION);
            return FinishStdout();
        }
        if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
            command == QStringLiteral("help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        throw UsageError(command.isEmpty() ? QStringLiteral("no command given")
                                           : QStringLiteral("unknown command \"%1\"").arg(command));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        if (command.isEmpty() || !QStringList{"trace", "camera", "report", "export", "skymask",
                                              "gnss", "shadow", "gnss-map"}
                                      .contains(command))
            std::fputs(kUsage, stderr);
        return 2;
    } catch (const Failure& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        return 1;
    } catch (const predict::Failure& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        return predict::IsRequestError(e.error().code) ? 2 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-cli: %s\n", e.what());
        return 1;
    }
}

} // namespace velmora::cli
