#include <QSignalSpy>
#include <QtTest>
#include <random>

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

// A drawing of many figures of every kind and mode over the whole view
// (and past it), as the inclined view and the plan map draw.
DrawList RandomDrawing(std::mt19937& rng, int figures) {
    std::uniform_real_distribution<double> x(-110, 110), y(-85, 85);
    std::uniform_int_distribution<int> kind(0, 9), byte(0, 255);
    DrawList ops{DrawOp::Clear()};
    for (int i = 0; i < figures; ++i) {
        const Rgb c{static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng)),
                    static_cast<std::uint8_t>(byte(rng))};
        const DrawMode m = kind(rng) < 2 ? DrawMode::Xor : DrawMode::Copy;
        switch (kind(rng)) {
        case 0:
            ops.push_back(DrawOp::Circle(x(rng), y(rng), kMarkerRadius, c, m));
            break;
        case 1:
            ops.push_back(DrawOp::Box(x(rng), y(rng), x(rng), y(rng), c, m));
            break;
        case 2:
            ops.push_back(DrawOp::Text(x(rng), y(rng), "26.3m", 9, true, c, m));
            break;
        case 3: {
            const double at = y(rng);
            ops.push_back(DrawOp::Line(x(rng), at, x(rng), at, c, m));
            break;
        }
        default:
            ops.push_back(DrawOp::Line(x(rng), y(rng), x(rng), y(rng), c, m));
        }
    }
    return ops;
}

enum class Change { Moved, Removed, Inserted, Relabelled, FarOff, Overlaid, Nothing };

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

    // A redraw that differs in a few figures draws only their pixels; it
    // must match drawing the new list on a fresh view.
    void redrawOfAFewChangesMatchesAWholeDrawing_data() {
        QTest::addColumn<int>("change");
        QTest::newRow("lines moved") << int(Change::Moved);
        QTest::newRow("figures removed") << int(Change::Removed);
        QTest::newRow("figures inserted") << int(Change::Inserted);
        QTest::newRow("label changed") << int(Change::Relabelled);
        QTest::newRow("line to far off") << int(Change::FarOff);
        QTest::newRow("marks drawn since") << int(Change::Overlaid);
        QTest::newRow("nothing changed") << int(Change::Nothing);
    }
    void redrawOfAFewChangesMatchesAWholeDrawing() {
        QFETCH(int, change);
        const QImage picture = NoisePicture(200, 150, 13);
        for (unsigned seed = 1; seed <= 12; ++seed) {
            std::mt19937 rng(seed);
            const DrawList before = RandomDrawing(rng, 400);
            DrawList after = before;
            std::uniform_int_distribution<std::size_t> at(1, before.size() - 3);
            for (int k = 0; k < 3; ++k) {
                const std::size_t i = at(rng);
                switch (Change(change)) {
                case Change::Moved:
                    after[i] = DrawOp::Line(after[i].x1 + 7, after[i].y1 - 3, -after[i].x1, 20,
                                            after[i].colour, after[i].mode);
                    break;
                case Change::Removed: // a roof's figures, once
                    if (k == 0)
                        after.erase(after.begin() + static_cast<std::ptrdiff_t>(i),
                                    after.begin() + static_cast<std::ptrdiff_t>(i + 3));
                    break;
                case Change::Inserted:
                    if (k == 0)
                        after.insert(
                            after.begin() + static_cast<std::ptrdiff_t>(i),
                            {DrawOp::Box(-30, 20, 40, -25, Rgb{0, 255, 200}, DrawMode::Xor),
                             DrawOp::Line(-90, 5, 80, 30, kWallColour, DrawMode::Copy)});
                    break;
                case Change::Relabelled:
                    after[i] = DrawOp::Text(after[i].x1, after[i].y1, "傾斜図表示 8.5m", 12, true,
                                            kCaptionColour, DrawMode::Copy);
                    break;
                case Change::FarOff:
                    after[i] = DrawOp::Line(3, 4, 1e9, -4e8, kRoofColour, DrawMode::Copy);
                    break;
                case Change::Overlaid:
                case Change::Nothing:
                    break;
                }
            }
            PictureView v, fresh;
            for (PictureView* p : {&v, &fresh}) {
                SetUpPictureView(*p, picture);
                p->SetDrawWidth(2);
            }
            v.Paint(before);
            if (Change(change) == Change::Overlaid) {
                v.SetMode(DrawMode::Xor);
                v.Line(-90, -60, 95, 70, Qt::green);
                v.Circle(10, 10, 2, Qt::white);
            }
            v.Paint(after);
            fresh.Paint(after);
            QCOMPARE(CountDifferences(v.Surface(), fresh.Surface()), 0);
            QCOMPARE(v.Mode(), fresh.Mode());
        }
    }

    // A whole drawing replaced is kept aside and shown again when the same
    // figures come back on the same picture, never on another one.
    void aDrawingPutAsideComesBackOnlyOnItsPicture_data() {
        QTest::addColumn<bool>("newPicture");
        QTest::newRow("cleared, then drawn again") << false;
        QTest::newRow("another picture between") << true;
    }
    void aDrawingPutAsideComesBackOnlyOnItsPicture() {
        QFETCH(bool, newPicture);
        std::mt19937 rng(3);
        const DrawList full = RandomDrawing(rng, 300);
        const QImage picture = NoisePicture(200, 150, 13), other = NoisePicture(200, 150, 14);
        PictureView v, fresh;
        for (PictureView* p : {&v, &fresh}) {
            SetUpPictureView(*p, picture);
            p->SetDrawWidth(2);
        }
        v.Paint(full);
        if (newPicture) {
            v.SetPicture(other);
            fresh.SetPicture(other);
        } else {
            v.Cls();
        }
        v.Paint(DrawList{DrawOp::Clear(), DrawOp::Line(0, 0, 9, 9, kRoofColour, DrawMode::Copy)});
        v.Paint(full);
        fresh.Paint(full);
        QCOMPARE(CountDifferences(v.Surface(), fresh.Surface()), 0);
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
