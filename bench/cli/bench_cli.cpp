// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli: the export of a record filled to every capacity, and the
// whole program tracing the seven roofs of sample picture 1.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "bench/FullRecord.h"
#include "cli/Export.h"
#include "data/Scenes.h"
#include "geometry/CameraModel.h"

extern char** environ;

using namespace velmora;

namespace {

void BM_ExportAtCapacity(benchmark::State& state) {
    auto d = bench::FullRecord(7);
    if (!d) {
        state.SkipWithError("record could not be filled");
        return;
    }
    ComputeRoofPlanPoints(*d, 788);
    d->gNorthAngle = 30;
    const bool kml = state.range(0) == 1;
    for (auto _ : state) {
        const std::vector<cli::BuildingPolygon> b = cli::BuildingPolygons(*d, 35.68, 139.77);
        const QByteArray text =
            kml ? cli::KmlText(b, QStringLiteral("bench")) : cli::GeoJsonText(b);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetLabel(kml ? "kml" : "geojson");
}
BENCHMARK(BM_ExportAtCapacity)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Start to exit of `velmora-cli trace` on sample picture 1 at its seven
// click points, output to a scratch file.
void BM_TraceSevenRoofsProcess(benchmark::State& state) {
    const AltitudeTexts& t = SamplePicturePresets(1);
    // The tool reads JPEG and BMP files; the built-in copy is a PNG.
    const char* picture = "/tmp/velmora_bench_sample1.bmp";
    QImage(QStringLiteral(VELMORA_SAMPLE_PICTURE_DIR "/sample1.png"))
        .save(QString::fromUtf8(picture), "BMP");
    std::vector<std::string> args{VELMORA_CLI,
                                  "trace",
                                  picture,
                                  "--altitudes",
                                  std::string(t.verHeightm) + "," + std::string(t.incliHeightm),
                                  "-o",
                                  "/tmp/velmora_bench_trace.dat"};
    for (const PicturePoint& c : SamplePictureScene(1).clickPoints) {
        args.push_back("--click");
        args.push_back(std::to_string(c.x) + "," + std::to_string(c.y));
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("velmora-cli trace failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&quiet);
}
BENCHMARK(BM_TraceSevenRoofsProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // Qt's text and XML classes want an application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
