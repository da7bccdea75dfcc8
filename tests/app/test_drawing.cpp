// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing roofs and walls with the mouse on the inclined view, selecting and
// editing them by double-click, all with scripted answers.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>
#include <limits>

#include "data/Conventions.h"
#include "data/Editing.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

// Hot-spot shift of the roof and wall tools: the drawing position is the
// pointer position moved left and down by 14 units.
constexpr double kPenShift = 14;

// A window on a 788 x 678 view, one unit per pixel, y up, inclined view.
InputLineFrm& DrawingWindow(WindowFixture& f) {
    InputLineFrm& w = f.Create();
    f.ShowActive();
    f.SetGoodAltitudes();
    w.Work().PhotoPic->SetOuterGeometry(0, 0, 788 + 2 * PictureView::kBorder,
                                        678 + 2 * PictureView::kBorder);
    w.Work().Picture().SetPictureCoordinates(678, 788);
    w.Editor().Views().SelectSlopeView();
    return w;
}

// Pointer events at drawing positions, through the view's own signals.
void Press(InputLineFrm& w, double x, double y, int button = PictureView::kLeftButton) {
    emit w.Work().PhotoPic->MouseDown(button, x + kPenShift, y - kPenShift);
    emit w.Work().PhotoPic->MouseUp(button, x + kPenShift, y - kPenShift);
}
void Hover(InputLineFrm& w, double x, double y) {
    emit w.Work().PhotoPic->MouseMove(0, x + kPenShift, y - kPenShift);
}
void DoubleClick(InputLineFrm& w, double x, double y) {
    Press(w, x, y);
    emit w.Work().PhotoPic->DoubleClick();
}

// A real pointer press on the pixel under a drawing position.
void MousePress(InputLineFrm& w, double x, double y) {
    const QPointF px = w.Work().PhotoPic->ToPixel(x + kPenShift, y - kPenShift);
    const QPoint at(int(std::lround(px.x())) + PictureView::kBorder,
                    int(std::lround(px.y())) + PictureView::kBorder);
    QTest::mousePress(w.Work().PhotoPic, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w.Work().PhotoPic, Qt::LeftButton, {}, at);
}

QStringList FileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString Fixed1(double v) {
    return QString::fromStdString(FormatFixed1(v));
}

using Corner = QPointF;

} // namespace

class DrawingTest : public QObject {
    Q_OBJECT
  private slots:
    void twoRoofsAndThreeWallsAreSaved() {
        WindowFixture f;
        InputLineFrm& w = DrawingWindow(f);
        const QList<Corner> roofA{{-200, 100}, {-100, 100}, {-100, 150}, {-200, 150}};
        const QList<Corner> roofB{{50, -50}, {150, -50}, {150, 20}, {50, 20}};
        w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
        for (const QList<Corner>* roof : {&roofA, &roofB}) {
            for (const Corner& c : *roof) {
                Press(w, c.x(), c.y());
                Hover(w, c.x() + 30, c.y() + 7);
            }
            // Near the first corner, not on it: the outline ends on it exactly.
            Press(w, roof->first().x() + 2, roof->first().y() + 1);
            QCOMPARE(w.Editor().Tools().Roof().Outline().pDrawPointNum, Count(0));
        }
        QCOMPARE(CountsOf(*f.data), (Counts{10, 2, 0}));
        const Count afterRoofs = w.Session().ChangeCount();
        QCOMPARE(afterRoofs, Count(2));

        // Walls: pick a corner of the selected roof, then the ground below.
        struct Wall {
            int roof;
            Corner near, top, bottom;
        };
        const QList<Wall> walls{{0, {-199, 101}, {-200, 100}, {-205, 30}},
                                {0, {-101, 99}, {-100, 100}, {-95, 35}},
                                {1, {149, -51}, {150, -50}, {155, -120}}};
        w.Editor().Tools().InputModeMenu_Click(ToolId::Wall);
        QList<double> heights;
        int moves = 0;
        for (const Wall& wall : walls) {
            if (w.Session().ActiveRoof() != wall.roof) {
                const Corner inside = (wall.roof == 0 ? roofA : roofB)[0] + QPointF(20, 20);
                DoubleClick(w, inside.x(), inside.y());
                QCOMPARE(w.Session().ActiveRoof(), Count(wall.roof));
                QVERIFY(w.Menus().Edit.Remove1TopAreaMenu->isEnabled());
            }
            Press(w, wall.near.x(), wall.near.y());
            QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartSet, Count(1));
            QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartX, float(wall.top.x()));
            QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartY, float(wall.top.y()));
            Hover(w, wall.bottom.x(), wall.bottom.y() + 20);
            ++moves;
            Press(w, wall.bottom.x(), wall.bottom.y());
            QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartSet, Count(0));
            const QString shown = w.Work().HeightTxt->text();
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d$")).match(shown).hasMatch(),
                     qPrintable(shown));
            heights << shown.toDouble();
        }
        QCOMPARE(CountsOf(*f.data), (Counts{10, 2, 3}));
        QCOMPARE(w.Session().ChangeCount(), Count(afterRoofs + 3 + moves));
        // The longer wall line of roof 0 stands for the taller building.
        QVERIFY(heights[0] > heights[1]);
        QVERIFY(heights[1] > 0);

        f.prompts.Clear();
        f.prompts.AnswerFile(f.Path("drawn.dat"));
        w.SaveDataMenu_Click();
        const QStringList lines = FileLines(f.Path("drawn.dat"));
        QVERIFY(lines.size() > 4);
        int at = 3;
        QCOMPARE(lines[at++], QStringLiteral("10"));
        for (const QList<Corner>* roof : {&roofA, &roofB}) {
            for (const Corner& c : *roof)
                QCOMPARE(lines[at++], Fixed1(c.x()) + ',' + Fixed1(c.y()));
            QCOMPARE(lines[at++], Fixed1(roof->first().x()) + ',' + Fixed1(roof->first().y()));
        }
        QCOMPARE(lines[at++], QStringLiteral("2"));
        for (int r = 0; r < 2; ++r) {
            const QStringList fields = lines[at++].split(',');
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields.mid(0, 3), (QStringList{Fixed1(5 * r), Fixed1(5), Fixed1(1)}));
        }
        QCOMPARE(lines[at++], QStringLiteral("3"));
        for (const Wall& wall : walls)
            QCOMPARE(lines[at++], QStringList({Fixed1(wall.top.x()), Fixed1(wall.top.y()),
                                               Fixed1(wall.bottom.x()), Fixed1(wall.bottom.y()),
                                               Fixed1(wall.roof)})
                                      .join(','));
        QCOMPARE(at, int(lines.size()));
    }

    void roofClosesNearItsFirstCorner_data() {
        QTest::addColumn<QList<QPointF>>("clicks");
        QTest::addColumn<int>("roofs");
        QTest::addColumn<int>("buffered");
        const QList<QPointF> square{{0, 0}, {100, 0}, {100, 100}};
        QTest::newRow("within 5 closes") << (square + QList<QPointF>{{3, 3}}) << 1 << 0;
        QTest::newRow("exactly 5 is a corner") << (square + QList<QPointF>{{4, 3}}) << 0 << 4;
        QTest::newRow("two corners never close")
            << QList<QPointF>{{0, 0}, {100, 0}, {2, 2}} << 0 << 3;
    }
    void roofClosesNearItsFirstCorner() {
        QFETCH(QList<QPointF>, clicks);
        QFETCH(int, roofs);
        QFETCH(int, buffered);
        WindowFixture f;
        InputLineFrm& w = DrawingWindow(f);
        w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
        for (const QPointF& c : clicks)
            MousePress(w, c.x(), c.y());
        QCOMPARE(int(f.data->gEachTopAreaNumber), roofs);
        QCOMPARE(int(w.Editor().Tools().Roof().Outline().pDrawPointNum), buffered);
        QCOMPARE(int(w.Session().ChangeCount()), roofs);
        if (roofs == 1) {
            const int last = f.data->gTopAreaPointTotalNumber - 1;
            QCOMPARE(f.data->gTopAreaX[last], 0.0f);
            QCOMPARE(f.data->gTopAreaY[last], 0.0f);
            // The closed roof is drawn in the roof colour.
            QCOMPARE(QColor(PixelAt(*w.Work().PhotoPic, 50, 0)),
                     QColor(kRoofColour.r, kRoofColour.g, kRoofColour.b));
        }
    }

    void rubberBandLeavesNothingBehind() {
        WindowFixture f;
        InputLineFrm& w = DrawingWindow(f);
        w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
        Press(w, 0, 0);
        const QImage afterClick = w.Work().PhotoPic->Surface().copy();
        for (int i = 1; i <= 5; ++i)
            Hover(w, 20.0 * i, 7.0 * i);
        QVERIFY(CountDifferences(afterClick, w.Work().PhotoPic->Surface()) > 0);
        // Back over the clicked corner: only the band there is left, and it
        // is a single point under the corner's mark.
        Hover(w, 0, 0);
        QVERIFY(CountDifferences(afterClick, w.Work().PhotoPic->Surface()) <= 1);
    }

    void wallStartPicksNearCorners_data() {
        QTest::addColumn<bool>("select");
        QTest::addColumn<double>("dx");
        QTest::addColumn<int>("started");
        QTest::newRow("5.9 away picks") << true << 5.9 << 1;
        QTest::newRow("6 away misses") << true << 6.0 << 0;
        QTest::newRow("no selected roof") << false << 0.0 << 0;
    }
    void wallStartPicksNearCorners() {
        QFETCH(bool, select);
        QFETCH(double, dx);
        QFETCH(int, started);
        WindowFixture f;
        InputLineFrm& w = DrawingWindow(f);
        AppendTopArea(*f.data, {{0, 0}, {100, 0}, {100, 80}, {0, 80}, {0, 0}});
        w.Editor().Tools().InputModeMenu_Click(ToolId::Wall);
        if (select)
            DoubleClick(w, 50, 40);
        QCOMPARE(w.Session().ActiveRoof(), Count(select ? 0 : -1));
        Press(w, 100 + dx, 80);
        QCOMPARE(int(w.Editor().Tools().Wall().Start().pWallStartSet), started);
        QCOMPARE(w.Session().DownX(), float(100 + dx));
        if (started == 1) {
            QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartX, 100.0f);
            QCOMPARE(w.Editor().Tools().Wall().Start().pWallStartY, 80.0f);
        }
        Press(w, 130, -20);
        QCOMPARE(int(f.data->gWallEdgeNumber), started);
        QCOMPARE(int(w.Session().ChangeCount()), started);
        if (started == 1)
            QCOMPARE(f.data->gWallEdgefotEachTopArea[0], Count(0));
    }

    void changeCountStopsAtItsLargestValue_data() {
        QTest::addColumn<ToolId>("tool");
        QTest::newRow("roof closed") << ToolId::Roof;
        QTest::newRow("wall rubber band") << ToolId::Wall;
        QTest::newRow("point dragged") << ToolId::Move;
    }
    void changeCountStopsAtItsLargestValue() {
        QFETCH(ToolId, tool);
        WindowFixture f;
        InputLineFrm& w = DrawingWindow(f);
        AppendTopArea(*f.data, {{0, 0}, {100, 0}, {100, 80}, {0, 80}, {0, 0}});
        w.Editor().Tools().InputModeMenu_Click(tool);
        constexpr Count kMost = std::numeric_limits<Count>::max();
        if (tool == ToolId::Roof) {
            for (const QPointF& c : QList<QPointF>{{-300, 0}, {-200, 0}, {-200, 100}})
                Press(w, c.x(), c.y());
            w.Session().SetChangeCount(kMost);
            Press(w, -299, 1);
            QCOMPARE(int(f.data->gEachTopAreaNumber), 2);
        } else if (tool == ToolId::Wall) {
            DoubleClick(w, 50, 40);
            Press(w, 100, 80);
            QCOMPARE(int(w.Editor().Tools().Wall().Start().pWallStartSet), 1);
            w.Session().SetChangeCount(kMost);
            Hover(w, 120, -20);
        } else {
            // The move tool's tip is 13 units left of and below the pointer.
            emit w.Work().PhotoPic->MouseDown(PictureView::kLeftButton, 50 + 13, 40 - 13);
            emit w.Work().PhotoPic->MouseUp(PictureView::kLeftButton, 50 + 13, 40 - 13);
            emit w.Work().PhotoPic->DoubleClick();
            QCOMPARE(w.Session().ActiveRoof(), Count(0));
            emit w.Work().PhotoPic->MouseDown(PictureView::kLeftButton, 100 + 13, 80 - 13);
            QCOMPARE(int(w.Editor().Tools().Move().Grab().pGrabbed), 1);
            w.Session().SetChangeCount(kMost);
            emit w.Work().PhotoPic->MouseMove(PictureView::kLeftButton, 110 + 13, 90 - 13);
            QCOMPARE(f.data->gTopAreaX[2], 110.0f);
        }
        // Wrapping to a negative count would let the window close unasked.
        QCOMPARE(w.Session().ChangeCount(), kMost);
    }

    void fullTablesRefuseWithAMessage() {
        WindowFixture f;
        InputLineFrm& w = DrawingWindow(f);
        // Small runs, so that the roof table fills before the point store.
        for (std::size_t i = 0; i < kRoofCapacity; ++i)
            AppendTopArea(*f.data, {{0, 0}, {1, 0}, {0, 0}});
        QCOMPARE(std::size_t(f.data->gEachTopAreaNumber), kRoofCapacity);
        const Counts before = CountsOf(*f.data);
        w.Editor().Tools().InputModeMenu_Click(ToolId::Roof);
        f.prompts.Clear();
        for (const QPointF& c : QList<QPointF>{{-300, 0}, {-200, 0}, {-200, 100}, {-299, 1}})
            Press(w, c.x(), c.y());
        QCOMPARE(CountsOf(*f.data), before);
        QCOMPARE(w.Session().ChangeCount(), Count(0));
        const std::string_view text = RefusalMessage(EditRefusal::RoofTableFull);
        QVERIFY(!f.prompts.Texts().isEmpty());
        QVERIFY(f.prompts.Texts().contains(QString::fromUtf8(text.data(), qsizetype(text.size()))));
    }
};

QTEST_MAIN(DrawingTest)
#include "test_drawing.moc"
