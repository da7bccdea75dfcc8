#include "support_window.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <cmath>
#include <random>

#include "workspace/PictureView.h"

namespace velmora::testing {

WindowFixture::WindowFixture(bool withIcons) : data(std::make_unique<BuildingData>()) {
    oldCwd_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
    if (withIcons) {
        const QString ico =
            QDir(qEnvironmentVariable("VELMORA_PROGRAM_DIR")).filePath(QStringLiteral("ico"));
        QFile::link(ico, dir.filePath(QStringLiteral("ico")));
    }
}

WindowFixture::~WindowFixture() {
    window.reset();
    QDir::setCurrent(oldCwd_);
}

InputLineFrm& WindowFixture::Create() {
    window.reset();
    window = std::make_unique<InputLineFrm>(*data, prompts);
    return *window;
}

void WindowFixture::ShowActive() {
    window->show();
    QApplication::setActiveWindow(window.get());
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window.get());
}

void WindowFixture::SetAltitudes(const QString& verFeet, const QString& incliFeet) {
    window->Work().VerHeightTxt->setText(verFeet);
    window->Work().IncliHeightTxt->setText(incliFeet);
}

QString WindowFixture::IcoFile(const QString& name) const {
    return QDir(qEnvironmentVariable("VELMORA_PROGRAM_DIR"))
        .filePath(QStringLiteral("ico/") + name);
}

Counts CountsOf(const BuildingData& d) {
    return {d.gTopAreaPointTotalNumber, d.gEachTopAreaNumber, d.gWallEdgeNumber};
}

int CountDifferences(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return a.width() * a.height() + b.width() * b.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

QRgb PixelAt(const PictureView& v, double x, double y) {
    const QPointF p = v.ToPixel(x, y);
    return v.Surface().pixel(static_cast<int>(std::floor(p.x())),
                             static_cast<int>(std::floor(p.y())));
}

QImage NoisePicture(int w, int h, unsigned seed) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(byte(gen), byte(gen), byte(gen)));
    return img;
}

} // namespace velmora::testing
