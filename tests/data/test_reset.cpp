// SPDX-License-Identifier: GPL-3.0-or-later
// Clearing all data empties every slot of the tables, the last ones too.
#include <QtTest>

#include "data/BuildingData.h"

using namespace velmora;

class ResetTest : public QObject {
    Q_OBJECT

  private slots:
    void clearsEverySlot() {
        auto d = std::make_unique<BuildingData>();
        d->gTopAreaX.fill(1);
        d->gFlatTopAreaY.fill(2);
        d->gSecondWallEdgeY.fill(3);
        d->gWallEdgefotEachTopArea.fill(4);
        d->gEachTopAreaPointNum.fill(5);
        d->gFlatTopHeight.fill(6);
        d->gEachTopAreaNumber = 7;
        ResetAllDataBuildingData(*d);
        const auto empty = std::make_unique<BuildingData>();
        QCOMPARE(d->gTopAreaX, empty->gTopAreaX);
        QCOMPARE(d->gFlatTopAreaY, empty->gFlatTopAreaY);
        QCOMPARE(d->gSecondWallEdgeY, empty->gSecondWallEdgeY);
        QCOMPARE(d->gWallEdgefotEachTopArea, empty->gWallEdgefotEachTopArea);
        QCOMPARE(d->gEachTopAreaPointNum, empty->gEachTopAreaPointNum);
        QCOMPARE(d->gFlatTopHeight, empty->gFlatTopHeight);
        QCOMPARE(d->gEachTopAreaNumber, 0);
        // The tilt table is not data of the buildings.
        QCOMPARE(d->gTiltRatioTable, empty->gTiltRatioTable);
    }
};

QTEST_APPLESS_MAIN(ResetTest)
#include "test_reset.moc"
