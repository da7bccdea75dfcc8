// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "workspace/CursorFile.h"

using namespace velmora;

namespace {

QString IcoDir() {
    return QDir(qEnvironmentVariable("VELMORA_PROGRAM_DIR")).filePath(QStringLiteral("ico"));
}

bool Opaque(const QImage& img, QPoint p) {
    return img.rect().contains(p) && qAlpha(img.pixel(p)) > 0;
}

} // namespace

// The generated tool cursors: each image's tip lies where the tool's
// drawing position points, i.e. at the hot spot shifted by the tool's
// offset (y up in drawing units, so +dy is dy pixels higher on the screen).
class CursorFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("VELMORA_PROGRAM_DIR"),
                 "run through ctest, which names the program directory");
    }

    void tipSitsAtTheToolOffset_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<QString>("shape");
        QTest::newRow("roof pen") << "RedPen.ICO" << -14 << 14 << "pointer";
        QTest::newRow("wall pen") << "BluePen.ICO" << -14 << 14 << "pointer";
        QTest::newRow("move pen") << "MovePen.ICO" << -13 << 13 << "pointer";
        QTest::newRow("plan move") << "POINT14.ICO" << -13 << 13 << "pointer";
        QTest::newRow("one-click arrow") << "ARW10NW2.ICO" << -10 << 10 << "pointer";
        QTest::newRow("add") << "AddPen.ICO" << -1 << 0 << "cross";
        QTest::newRow("remove") << "Remove.ICO" << -1 << 0 << "cross";
        QTest::newRow("magnifier") << "Magnify.cur" << 0 << 0 << "lens";
    }
    void tipSitsAtTheToolOffset() {
        QFETCH(QString, file);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(QString, shape);
        const auto c = ReadCursorFile(QDir(IcoDir()).filePath(file));
        QVERIFY2(c.has_value(), qPrintable(file));
        const QImage& img = c->image;
        QCOMPARE(img.size(), QSize(32, 32));
        if (file.endsWith(".ICO")) // icons as cursors: the centre
            QCOMPARE(c->hotSpot, QPoint(16, 16));
        const QPoint tip = c->hotSpot + QPoint(dx, -dy);
        QVERIFY2(Opaque(img, tip), qPrintable(QString("tip %1,%2").arg(tip.x()).arg(tip.y())));
        if (shape == "pointer") {
            // Pointing up-left: nothing of the picture lies beyond the tip.
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    if (Opaque(img, {x, y}) && QPoint(x, y) != tip)
                        QVERIFY2(x + y > tip.x() + tip.y(),
                                 qPrintable(QString("pixel %1,%2 beyond the tip").arg(x).arg(y)));
        } else if (shape == "cross") {
            for (int k = 1; k <= 6; ++k)
                for (QPoint d : {QPoint(k, 0), QPoint(-k, 0), QPoint(0, k), QPoint(0, -k)})
                    QVERIFY(Opaque(img, tip + d));
        } else {
            // The hot spot is the centre of the lens ring.
            int reach[4] = {0, 0, 0, 0};
            const QPoint dirs[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (int i = 0; i < 4; ++i) {
                int k = 2;
                while (k < 32 && qAlpha(img.pixel(tip + k * dirs[i])) < 255)
                    ++k;
                reach[i] = k;
            }
            QVERIFY(reach[0] < 32);
            QCOMPARE(reach[1], reach[0]);
            QCOMPARE(reach[2], reach[0]);
            QCOMPARE(reach[3], reach[0]);
        }
    }

    void unreadableFilesGiveNoCursor_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not an icon at all, just some words");
        QTest::newRow("bitmap type 3")
            << QByteArray::fromHex("000003000100") + QByteArray(40, '\0');
        QTest::newRow("truncated icon") << QByteArray::fromHex("0000010001002020000001002000");
    }
    void unreadableFilesGiveNoCursor() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("bad.ico");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QVERIFY(!ReadCursorFile(path).has_value());
        QVERIFY(!LoadCursorFile(path).has_value());
    }

    void missingFileGivesNoCursor() {
        QVERIFY(!LoadCursorFile(QDir(IcoDir()).filePath("NoSuchPen.ICO")).has_value());
    }

    void loadedCursorKeepsTheHotSpot() {
        const auto c = LoadCursorFile(QDir(IcoDir()).filePath("Magnify.cur"));
        QVERIFY(c.has_value());
        const auto raw = ReadCursorFile(QDir(IcoDir()).filePath("Magnify.cur"));
        QCOMPARE(c->hotSpot(), raw->hotSpot);
        QVERIFY(raw->hotSpot != QPoint(16, 16)); // its own, not the centre
    }
};

QTEST_MAIN(CursorFilesTest)
#include "test_cursorfiles.moc"
