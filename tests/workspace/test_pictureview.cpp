// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSignalSpy>
#include <QtTest>

#include "support/Images.h"
#include "workspace/PictureView.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

// A view sized to its picture with the centred picture coordinates.
void SetUpPictureView(PictureView& v, const QImage& picture) {
    v.SetPicture(picture);
    v.SizeToPicture();
    const double w = v.InnerWidth(), h = v.InnerHeight();
    v.SetScale(-w / 2, h / 2, w, -h);
}

enum class Figure { Line, SteepLine, Circle, Box, Text, Handles };

void Draw(PictureView& v, Figure f, QColor c) {
    switch (f) {
    case Figure::Line:
        v.Line(-40, 10, 55, -23, c);
        break;
    case Figure::SteepLine:
        v.Line(3, -45, 7, 44, c);
        break;
    case Figure::Circle:
        v.Circle(12.5, -7.25, 2, c);
        break;
    case Figure::Box:
        v.Box(-30, 30, 25, -12, c);
        break;
    case Figure::Text:
        v.Print(-50, 40, QStringLiteral("傾斜図表示 26m"), 16, true, c);
        break;
    case Figure::Handles:
        for (auto [cx, cy] : {std::pair{20.0, 15.0}, {-20.0, 15.0}, {20.0, -15.0}, {-20.0, -15.0}})
            v.Box(cx + 5, cy + 5, cx - 5, cy - 5, c);
        break;
    }
}

} // namespace

class PictureViewTest : public QObject {
    Q_OBJECT
  private slots:
    void xorTwiceRestoresEveryPixel_data() {
        QTest::addColumn<int>("figure");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("width");
        QTest::newRow("line, roof colour") << int(Figure::Line) << QColor(255, 0, 200) << 2;
        QTest::newRow("steep line, wall colour")
            << int(Figure::SteepLine) << QColor(0, 150, 255) << 2;
        QTest::newRow("thin line") << int(Figure::Line) << QColor(0, 255, 200) << 1;
        QTest::newRow("marker circle") << int(Figure::Circle) << QColor(0, 200, 60) << 2;
        QTest::newRow("box") << int(Figure::Box) << QColor(255, 255, 255) << 2;
        QTest::newRow("bold text") << int(Figure::Text) << QColor(128, 128, 128) << 2;
        QTest::newRow("four handles") << int(Figure::Handles) << QColor(255, 255, 255) << 2;
    }
    void xorTwiceRestoresEveryPixel() {
        QFETCH(int, figure);
        QFETCH(QColor, colour);
        QFETCH(int, width);
        PictureView v;
        SetUpPictureView(v, NoisePicture(121, 97, 7));
        v.Line(-60, 0, 60, 0, Qt::red); // something already drawn under it
        v.SetDrawWidth(width);
        v.SetMode(DrawMode::Xor);
        const QImage before = v.Surface().copy();
        Draw(v, Figure(figure), colour);
        QVERIFY(CountDifferences(before, v.Surface()) > 0);
        Draw(v, Figure(figure), colour);
        QCOMPARE(CountDifferences(before, v.Surface()), 0);
    }

    void xorCombinesWithThePixelsUnderneath() {
        PictureView v;
        QImage flat(40, 40, QImage::Format_RGB32);
        flat.fill(qRgb(0x12, 0x34, 0x56));
        SetUpPictureView(v, flat);
        v.SetDrawWidth(2);
        v.SetMode(DrawMode::Xor);
        v.Line(-15, 0, 15, 0, QColor(0xff, 0x0f, 0x01));
        QCOMPARE(v.Point(0, 0), (0x12 ^ 0xff) + 256 * (0x34 ^ 0x0f) + 65536 * (0x56 ^ 0x01));
    }

    void opaqueDrawingReplacesPixels() {
        PictureView v;
        SetUpPictureView(v, NoisePicture(60, 60, 3));
        v.SetDrawWidth(2);
        v.SetMode(DrawMode::Copy);
        v.Line(-20, 5, 20, 5, QColor(255, 100, 0));
        v.Line(-20, 5, 20, 5, QColor(255, 100, 0));
        QCOMPARE(v.Point(0, 5), 255 + 256 * 100);
    }

    void clearingKeepsThePicture() {
        PictureView v;
        const QImage picture = NoisePicture(80, 50, 11);
        SetUpPictureView(v, picture);
        v.SetDrawWidth(2);
        for (DrawMode m : {DrawMode::Copy, DrawMode::Xor}) {
            v.SetMode(m);
            Draw(v, Figure::Box, Qt::white);
            Draw(v, Figure::Text, Qt::gray);
        }
        QVERIFY(CountDifferences(picture, v.Surface()) > 0);
        v.Cls();
        QCOMPARE(v.Surface().size(), picture.size());
        QCOMPARE(CountDifferences(picture, v.Surface()), 0);
    }

    void removingThePictureLeavesTheBackground() {
        PictureView v;
        SetUpPictureView(v, NoisePicture(30, 20, 5));
        v.RemovePicture();
        QVERIFY(!v.HasPicture());
        QCOMPARE(v.Point(0, 0), 255 + 256 * 255 + 65536 * 255);
    }

    // Centred picture coordinates: one unit a pixel, y up, origin in the
    // middle of a w x h picture.
    void centredCoordinatesHaveYUp_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        // 100 x 80 picture: x = -50 is the left edge, y = 40 the top edge.
        QTest::newRow("origin") << 0.0 << 0.0 << 50 << 40;
        QTest::newRow("up is smaller rows") << 0.0 << 30.0 << 50 << 10;
        QTest::newRow("down is larger rows") << 0.0 << -30.0 << 50 << 70;
        QTest::newRow("left edge") << -49.5 << 0.0 << 0 << 40;
        QTest::newRow("top right") << 49.5 << 39.5 << 99 << 0;
        QTest::newRow("bottom left") << -49.5 << -39.5 << 0 << 79;
    }
    void centredCoordinatesHaveYUp() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(int, column);
        QFETCH(int, row);
        PictureView v;
        QImage blank(100, 80, QImage::Format_RGB32);
        blank.fill(Qt::black);
        SetUpPictureView(v, blank);
        const QPointF px = v.ToPixel(x, y);
        QCOMPARE(int(std::floor(px.x())), column);
        QCOMPARE(int(std::floor(px.y())), row);
        // A pixel marked there reads back through the same coordinates.
        QImage marked = blank;
        marked.setPixel(column, row, qRgb(1, 2, 3));
        v.SetPicture(marked);
        QCOMPARE(v.Point(x, y), 1 + 256 * 2 + 65536 * 3);
        QCOMPARE(v.ToUser(px).x(), x);
        QCOMPARE(v.ToUser(px).y(), y);
    }

    void pointOutsideIsMinusOne_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("right of it") << 50.5 << 0.0;
        QTest::newRow("above it") << 0.0 << 40.5;
        QTest::newRow("far below") << 0.0 << -1.0e12;
    }
    void pointOutsideIsMinusOne() {
        QFETCH(double, x);
        QFETCH(double, y);
        PictureView v;
        SetUpPictureView(v, NoisePicture(100, 80, 2));
        QCOMPARE(v.Point(x, y), -1);
    }

    void copiesThePictureOfAnotherView() {
        PictureView source, target;
        const QImage picture = NoisePicture(64, 48, 21);
        SetUpPictureView(source, picture);
        SetUpPictureView(target, NoisePicture(64, 48, 22));
        target.SetMode(DrawMode::Copy);
        target.Line(-30, 0, 30, 0, Qt::green);
        target.RemovePicture();
        target.CopyPictureFrom(source);
        QCOMPARE(target.Picture(), source.Picture());
        QCOMPARE(CountDifferences(picture, target.Surface()), 0);
        // Taking a copy does not change the source.
        target.Line(-30, 0, 30, 0, Qt::green);
        QCOMPARE(CountDifferences(picture, source.Surface()), 0);
    }

    void outerSizeIncludesTheFrame() {
        PictureView v;
        SetUpPictureView(v, NoisePicture(70, 40, 1));
        QCOMPARE(v.Width(), 70 + 2 * PictureView::kBorder);
        QCOMPARE(v.Height(), 40 + 2 * PictureView::kBorder);
        QCOMPARE(v.Surface().size(), QSize(70, 40));
    }

    void drawListUsesEachOpsMode() {
        PictureView v;
        const QImage picture = NoisePicture(50, 50, 9);
        SetUpPictureView(v, picture);
        v.SetDrawWidth(2);
        DrawList ops;
        ops.push_back(DrawOp::Line(-10, 0, 10, 0, Rgb{255, 0, 200}, DrawMode::Copy));
        ops.push_back(DrawOp::Box(-5, 5, 5, -5, Rgb{255, 255, 255}, DrawMode::Xor));
        v.Paint(ops);
        QCOMPARE(v.Mode(), DrawMode::Xor);
        QCOMPARE(v.Point(-10, 0), 255 + 65536 * 200);
        const QImage once = v.Surface().copy();
        // Clearing is part of a list too.
        DrawList again{DrawOp::Clear()};
        v.Paint(again);
        QCOMPARE(CountDifferences(picture, v.Surface()), 0);
        v.Paint(ops);
        QCOMPARE(CountDifferences(once, v.Surface()), 0);
    }

    // Texts are laid out once and kept; each drawing from the kept layout
    // lights the pixels a plain drawText of the same font does, also after
    // the view's font changed.
    void keptTextsDrawAsDrawTextDoes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("xorMode");
        QTest::addColumn<bool>("fontChanged");
        QTest::newRow("caption") << QStringLiteral("平面図表示") << 16 << true << false << false;
        QTest::newRow("height label") << QStringLiteral("26.3m") << 9 << false << false << false;
        QTest::newRow("label in xor") << QStringLiteral("17m") << 9 << true << true << false;
        QTest::newRow("after a font change")
            << QStringLiteral("19m") << 12 << false << false << true;
    }
    void keptTextsDrawAsDrawTextDoes() {
        QFETCH(QString, text);
        QFETCH(int, pointSize);
        QFETCH(bool, bold);
        QFETCH(bool, xorMode);
        QFETCH(bool, fontChanged);
        PictureView v;
        v.SetPicture(NoisePicture(200, 60, 4));
        v.SizeToPicture();
        v.SetMode(xorMode ? DrawMode::Xor : DrawMode::Copy);
        const QColor c(90, 200, 30);
        // The first drawing lays the text out; the second draws from it.
        v.Print(7, 11, text, pointSize, bold, c);
        if (fontChanged) {
            QFont other = v.font();
            other.setFamily(QStringLiteral("DejaVu Serif"));
            v.setFont(other);
        }
        v.Cls();
        const QImage before = v.Base().copy();
        v.Print(7, 11, text, pointSize, bold, c);
        v.Print(120, 30, text, pointSize, bold, c);

        QImage expected = before;
        QPainter p(&expected);
        QFont f = v.font();
        f.setPointSize(pointSize);
        f.setBold(bold);
        f.setStyleStrategy(QFont::NoAntialias);
        p.setFont(f);
        p.setPen(c);
        if (xorMode)
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        const int ascent = p.fontMetrics().ascent();
        p.drawText(QPointF(7, 11 + ascent), text);
        p.drawText(QPointF(120, 30 + ascent), text);
        p.end();
        QVERIFY(CountDifferences(before, v.Base()) > 20);
        QCOMPARE(CountDifferences(expected, v.Base()), 0);
    }

    // The overlay shows over the base without touching it, until it is
    // replaced, committed or cleared away with the drawing.
    void overlayLiesOverTheBase_data() {
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("inBase");
        QTest::addColumn<bool>("shown");
        QTest::newRow("still shown") << 0 << false << true;
        QTest::newRow("cleared") << 1 << false << false;
        QTest::newRow("committed") << 2 << true << true;
        QTest::newRow("view cleared") << 3 << false << false;
        QTest::newRow("redrawn from a clear") << 4 << false << false;
    }
    void overlayLiesOverTheBase() {
        QFETCH(int, end);
        QFETCH(bool, inBase);
        QFETCH(bool, shown);
        PictureView v;
        const QImage picture = NoisePicture(90, 70, 17);
        SetUpPictureView(v, picture);
        v.SetDrawWidth(2);
        v.SetMode(DrawMode::Copy);
        const DrawOp band = DrawOp::Line(-30, 10, 35, -20, kRoofRubberColour, DrawMode::Xor);
        v.SetOverlay({band});
        const int under = CountDifferences(picture, v.Base());
        QCOMPARE(under, 0);
        switch (end) {
        case 1:
            v.ClearOverlay();
            break;
        case 2:
            v.CommitOverlay();
            QVERIFY(v.Overlay().empty());
            // Committing leaves the view's own mode as it was.
            QCOMPARE(v.Mode(), DrawMode::Copy);
            break;
        case 3:
            v.Cls();
            break;
        case 4:
            v.Paint({DrawOp::Clear()});
            break;
        default:
            break;
        }
        QCOMPARE(CountDifferences(picture, v.Base()) > 0, inBase);
        QCOMPARE(CountDifferences(picture, v.Surface()) > 0, shown);
        // What shows equals the band drawn straight on a fresh view.
        if (shown) {
            PictureView fresh;
            SetUpPictureView(fresh, picture);
            fresh.SetDrawWidth(2);
            fresh.Paint({band});
            QCOMPARE(CountDifferences(fresh.Base(), v.Surface()), 0);
        }
    }

    void mouseEventsArriveInUserCoordinates_data() {
        QTest::addColumn<int>("qtButton");
        QTest::addColumn<int>("code");
        QTest::newRow("left") << int(Qt::LeftButton) << PictureView::kLeftButton;
        QTest::newRow("right") << int(Qt::RightButton) << PictureView::kRightButton;
    }
    void mouseEventsArriveInUserCoordinates() {
        QFETCH(int, qtButton);
        QFETCH(int, code);
        PictureView v;
        SetUpPictureView(v, NoisePicture(200, 100, 4));
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QSignalSpy down(&v, &PictureView::MouseDown);
        QSignalSpy up(&v, &PictureView::MouseUp);
        QSignalSpy dbl(&v, &PictureView::DoubleClick);
        // Widget pixel (frame + 130, frame + 20) is picture (30, 30).
        const QPoint at(PictureView::kBorder + 130, PictureView::kBorder + 20);
        QTest::mousePress(&v, Qt::MouseButton(qtButton), {}, at);
        QTest::mouseRelease(&v, Qt::MouseButton(qtButton), {}, at);
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][0].toInt(), code);
        QCOMPARE(down[0][1].toDouble(), 30.0);
        QCOMPARE(down[0][2].toDouble(), 30.0);
        QCOMPARE(up.count(), 1);
        QCOMPARE(up[0][0].toInt(), code);
        QTest::mouseDClick(&v, Qt::MouseButton(qtButton), {}, at);
        QCOMPARE(dbl.count(), 1);
    }
};

QTEST_MAIN(PictureViewTest)
#include "test_pictureview.moc"
