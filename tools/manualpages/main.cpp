// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the manual's page pictures from their sources
// (manual/pages/page0.html ...), with screenshots of the program taken the
// same run, into the program directory's Pic01/.
//   velmora_manualpages <page source folder> <ico folder> <output folder> <gnss data folder>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>
#include <cmath>
#include <cstdio>

#include "Shots.h"
#include "manual/Manual4Frm.h"

namespace {

constexpr int kPageWidth = 850;
constexpr int kMargin = 40;
// Rendered at twice the page's size: the viewer shows a page about 750
// pixels wide, so the text stays sharp after scaling down.
constexpr int kResolution = 2;

QString StyleSheet(int bodyPx) {
    return QStringLiteral(
               "body { font-family: 'Noto Sans CJK JP'; font-size: %1px; color: #1e2430; }"
               "h1 { font-size: %2px; color: #203a78; margin-bottom: 6px; }"
               "h2 { font-size: %3px; color: #203a78; margin-top: 14px; margin-bottom: 4px; }"
               "p { margin-top: 4px; margin-bottom: 4px; }"
               "p.lead { color: #404858; margin-bottom: 8px; }"
               "p.figure { text-align: center; color: #505868; font-size: %4px; margin-top: 8px; "
               "margin-bottom: 8px; }"
               "p.note { background-color: #fff6dc; color: #8a2a10; }"
               "li { margin-top: 2px; }"
               "table.grid { border-collapse: collapse; margin-top: 4px; }"
               "th { background-color: #e4e8f2; padding: 3px; }"
               "td { padding: 3px; }")
        .arg(bodyPx)
        .arg(bodyPx + 9)
        .arg(bodyPx + 3)
        .arg(bodyPx - 2);
}

// Lays a page out at the largest body size that fits its height.
void LayOut(QTextDocument& doc, const QString& html, int height, const QString& name) {
    for (int px = 15; px >= 12; --px) {
        doc.setDefaultStyleSheet(StyleSheet(px));
        doc.setHtml(html);
        doc.setTextWidth(kPageWidth);
        if (doc.size().height() <= height - 24)
            return;
    }
    std::fprintf(stderr, "%s: the page is %d pixels long, more than its %d; it is cut\n",
                 qPrintable(name), int(doc.size().height()), height);
}

// The page's height when it is laid out 850 wide: the proportion the viewer
// shows it in, so that text, circles and screenshots keep their shape.
int LayoutHeight(int page) {
    const QSize shown = velmora::Manual4Frm::ShownPageSize(page);
    return static_cast<int>(std::lround(double(kPageWidth) * shown.height() / shown.width()));
}

bool RenderPage(int page, const QString& html, const QMap<QString, QImage>& shots,
                const QDir& out) {
    const int height = LayoutHeight(page);
    QTextDocument doc;
    doc.setDocumentMargin(kMargin);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(15);
    doc.setDefaultFont(font);
    for (auto it = shots.begin(); it != shots.end(); ++it)
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("shot:") + it.key()),
                        QVariant(it.value()));
    const QString name = QString::fromLatin1(velmora::Manual4Frm::PageFile(page));
    LayOut(doc, html, height, name);

    QImage image(kPageWidth * kResolution, height * kResolution, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(kResolution, kResolution);
    doc.drawContents(&p, QRectF(0, 0, kPageWidth, height - 24));
    // The foot of the page: the manual's name and the page number.
    QFont foot = font;
    foot.setPixelSize(11);
    p.setFont(foot);
    p.setPen(QColor(140, 146, 158));
    p.drawLine(QPointF(kMargin, height - 30), QPointF(kPageWidth - kMargin, height - 30));
    p.drawText(
        QRectF(kMargin, height - 26, kPageWidth - 2 * kMargin, 18), Qt::AlignRight,
        QStringLiteral("velmora 操作マニュアル　%1 / %2").arg(page + 1).arg(velmora::kManualPages));
    p.end();
    const QString path = out.filePath(name);
    if (!image.save(path, "JPEG", 90)) {
        std::fprintf(stderr, "%s: cannot write\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: %s <page source folder> <ico folder> <output folder> "
                     "<gnss data folder>\n",
                     argv[0]);
        return 2;
    }
    const QDir sources(QString::fromLocal8Bit(argv[1]));
    const QString icoDir = QString::fromLocal8Bit(argv[2]);
    QDir out(QString::fromLocal8Bit(argv[3]));
    out.mkpath(QStringLiteral("."));

    // The main window takes the directory it starts in as its program
    // directory: an empty one, so nothing of a user's is read.
    QTemporaryDir programDir;
    QDir::setCurrent(programDir.path());
    // Dialogs that keep settings keep them there too, not in the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, programDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, programDir.path());
    const QMap<QString, QImage> shots =
        velmora::manual::TakeShots(icoDir, QString::fromLocal8Bit(argv[4]));

    bool ok = true;
    for (int page = 0; page < velmora::kManualPages; ++page) {
        QFile f(sources.filePath(QStringLiteral("page%1.html").arg(page)));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: cannot read\n", qPrintable(f.fileName()));
            ok = false;
            continue;
        }
        ok = RenderPage(page, QString::fromUtf8(f.readAll()), shots, out) && ok;
    }
    return ok ? 0 : 1;
}
