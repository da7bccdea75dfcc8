// SPDX-License-Identifier: GPL-3.0-or-later
// A large real picture (10000 x 8000 JPEG): loading it through the main
// window's picture command (decode, both views, the tracer's grey copy) and
// the grey copy alone, beside the copy made through a converted picture.
// The peak resident memory of a load is reported as peak_MB.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <fstream>
#include <random>
#include <string>

#include "app/InputLineFrm.h"
#include "picture/GreyPicture.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/WorkingArea.h"

using namespace velmora;

namespace {

constexpr int kWidth = 10000;
constexpr int kHeight = 8000;

// The picture file, made once: blocks of colour and noise, so that the JPEG
// has the size of a real photograph.
const QString& PictureFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("big.jpg"));
        QImage img(kWidth, kHeight, QImage::Format_RGB32);
        std::mt19937 gen(5);
        std::uniform_int_distribution<int> noise(-12, 12);
        for (int y = 0; y < kHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < kWidth; ++x) {
                const int base = ((x / 97) * 37 + (y / 83) * 59) % 200 + 20;
                const int g = std::clamp(base + noise(gen), 0, 255);
                line[x] = qRgb(g, std::clamp(g + 10, 0, 255), std::clamp(g - 10, 0, 255));
            }
        }
        img.save(p, "JPG", 85);
        return p;
    }();
    return path;
}

long long PeakResidentKB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long long kb = 0;
        if (key == "VmHWM:" && status >> kb)
            return kb;
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The grey copy as it was made before: a converted picture read pixel by
// pixel through the raster's checked setter.
GreyRaster ConvertedGreyCopy(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    GreyRaster grey(rgb.width(), rgb.height());
    for (int row = 0; row < rgb.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int col = 0; col < rgb.width(); ++col)
            grey.SetRgb(col, row, qRed(line[col]), qGreen(line[col]), qBlue(line[col]));
    }
    return grey;
}

void WholeLoad(benchmark::State& state) {
    const QString path = PictureFile();
    long long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            BuildingData data;
            ScriptedPrompts prompts;
            auto w = std::make_unique<InputLineFrm>(data, prompts);
            prompts.AnswerFile(path);
            ResetPeak();
            state.ResumeTiming();
            w->OPenPhotoMenu_Click();
            state.PauseTiming();
            peak = std::max(peak, PeakResidentKB());
            if (w->Work().PhotoPic2->Picture().width() != kWidth)
                state.SkipWithError(qPrintable(QStringLiteral("not loaded: ") +
                                               prompts.Texts().join(QStringLiteral(" | "))));
        }
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024;
}
BENCHMARK(WholeLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

void GreyCopy(benchmark::State& state) {
    const QImage picture(PictureFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(GreyCopyOf(picture).Width());
}
BENCHMARK(GreyCopy)->Unit(benchmark::kMillisecond);

void GreyCopyThroughConversion(benchmark::State& state) {
    const QImage picture(PictureFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertedGreyCopy(picture).Width());
}
BENCHMARK(GreyCopyThroughConversion)->Unit(benchmark::kMillisecond);

} // namespace
