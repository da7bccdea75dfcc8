// SPDX-License-Identifier: GPL-3.0-or-later
// "全ビル自動トレース" through the main window on sample picture 1: every
// building registered in one undoable step, roofs already set kept, a
// cancelled run leaving the record as it was, and one status-bar line.
#include <QAction>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include "data/Scenes.h"
#include "support/Window.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

enum class Before { Nothing, OneRoofClicked, SameCommandRun };

// The record's roofs as (first corner) pairs, to compare two records.
std::vector<std::pair<float, float>> FirstCorners(const BuildingData& d) {
    std::vector<std::pair<float, float>> out;
    for (int r = 0; r < d.gEachTopAreaNumber; ++r) {
        const auto s = std::size_t(d.gEachTopAreaStartNum[std::size_t(r)]);
        out.emplace_back(d.gTopAreaX[s], d.gTopAreaY[s]);
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Before)

class TraceAllWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void traceAll_data() {
        QTest::addColumn<Before>("before");
        QTest::addColumn<int>("cancelAt"); // -1: not cancelled
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("empty record, the button") << Before::Nothing << -1 << false;
        QTest::newRow("empty record, the menu") << Before::Nothing << -1 << true;
        QTest::newRow("a roof clicked first") << Before::OneRoofClicked << -1 << false;
        QTest::newRow("run twice") << Before::SameCommandRun << -1 << false;
        QTest::newRow("cancelled at the first surface") << Before::Nothing << 1 << false;
        QTest::newRow("cancelled after a roof was clicked") << Before::OneRoofClicked << 3 << true;
    }
    void traceAll() {
        QFETCH(Before, before);
        QFETCH(int, cancelAt);
        QFETCH(bool, byMenu);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.LoadSamplePhoto(1);
        f.ShowActive();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Trace)), Qt::LeftButton);
        auto run = [&] {
            if (byMenu)
                w.findChild<QAction*>(QStringLiteral("TraceAllMenu"))->trigger();
            else
                QTest::mouseClick(w.Work().TraceAllCmd, Qt::LeftButton);
        };
        // What a run on the empty record finds.
        run();
        const std::vector<std::pair<float, float>> alone = FirstCorners(*f.data);
        const int found = f.data->gEachTopAreaNumber;
        QVERIFY2(found >= 5, qPrintable(QString::number(found)));
        QVERIFY(w.Editor().Session().CanUndo());
        w.Editor().UndoMenu_Click();
        QCOMPARE(f.data->gEachTopAreaNumber, Count(0));
        QCOMPARE(f.data->gWallEdgeNumber, Count(0));
        w.Editor().StartNewHistory();

        if (before == Before::OneRoofClicked)
            DoubleClickAt(w, SamplePictureScene(1).clickPoints[0]);
        if (before == Before::SameCommandRun)
            run();
        const Counts set = CountsOf(*f.data);
        const std::vector<std::pair<float, float>> kept = FirstCorners(*f.data);
        const bool couldUndo = w.Editor().Session().CanUndo();
        f.prompts.cancelProgressAt = cancelAt;
        f.prompts.progressTexts.clear();
        run();

        QCOMPARE(f.prompts.progressTexts.size(), qsizetype(1));
        QCOMPARE(f.prompts.unanswered, 0);
        const QString status = w.statusBar()->currentMessage();
        if (cancelAt >= 0) {
            QCOMPARE(CountsOf(*f.data), set);
            QCOMPARE(w.Editor().Session().CanUndo(), couldUndo);
            QVERIFY2(status.contains(QStringLiteral("中止")), qPrintable(status));
            return;
        }
        // The roofs set before stay first and as they were.
        const std::vector<std::pair<float, float>> now = FirstCorners(*f.data);
        QVERIFY(now.size() >= kept.size());
        QVERIFY(std::equal(kept.begin(), kept.end(), now.begin()));
        // Nothing twice: a run after a run adds nothing; after a click, the
        // clicked roof replaces the one the search found there.
        QCOMPARE(int(now.size()), before == Before::Nothing ? found : int(alone.size()));
        const int added = f.data->gEachTopAreaNumber - set.roofs;
        QVERIFY2(
            status.startsWith(QStringLiteral("全ビル自動トレース：屋上 %1 件を登録").arg(added)),
            qPrintable(status));
        // One undo step takes the whole run back.
        if (added > 0) {
            w.Editor().UndoMenu_Click();
            QCOMPARE(CountsOf(*f.data), set);
        }
    }

    // The status line groups the roofs without a height by reason.
    void summary_data() {
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("withHeight");
        QTest::addColumn<int>("two");
        QTest::addColumn<int>("weak");
        QTest::addColumn<QString>("line");
        QTest::newRow("all with heights")
            << 3 << 3 << 0 << 0
            << QStringLiteral(
                   "全ビル自動トレース：屋上 3 件を登録（高さあり 3 件、高さなし 0 件）。");
        QTest::newRow("two reasons")
            << 6 << 3 << 2 << 1
            << QStringLiteral("全ビル自動トレース：屋上 6 件を登録（高さあり 3 件、高さなし 3 "
                              "件：二つの高さが合う 2 件、壁の手がかりが弱い 1 件）。");
        QTest::newRow("nothing found")
            << 0 << 0 << 0 << 0
            << QStringLiteral(
                   "全ビル自動トレース：屋上 0 件を登録（高さあり 0 件、高さなし 0 件）。");
    }
    void summary() {
        QFETCH(int, found);
        QFETCH(int, withHeight);
        QFETCH(int, two);
        QFETCH(int, weak);
        QFETCH(QString, line);
        QCOMPARE(PhotoEditor::TraceAllSummary(found, withHeight,
                                              {{QStringLiteral("二つの高さが合う"), two},
                                               {QStringLiteral("壁の手がかりが弱い"), weak}}),
                 line);
    }
};

QTEST_MAIN(TraceAllWindowTest)
#include "test_traceall.moc"
