// SPDX-License-Identifier: GPL-3.0-or-later
// The writer of several outputs: all of them or none, also when a
// replacement fails after others are already in place.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "outputs/Outputs.h"
#include "predict/Errors.h"

using namespace velmora;

namespace {

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

class OutputsTest : public QObject {
    Q_OBJECT

  private slots:
    // The third replacement fails (its target turned into a folder after
    // the checks): the first two targets are as they were, the new one is
    // gone again, and nothing is left beside them.
    void failedReplacementPutsBackTheOthers_data() {
        QTest::addColumn<int>("failing");
        QTest::newRow("first") << 0;
        QTest::newRow("second") << 1;
        QTest::newRow("third") << 2;
    }
    void failedReplacementPutsBackTheOthers() {
        QFETCH(int, failing);
        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt"),
                      c = dir.filePath("c.txt");
        Put(a, "old a");
        Put(c, "old c");
        const QString failingPath = QStringList{a, b, c}[failing];
        bool threw = false;
        try {
            WriteOutputs({{a, "new a"}, {b, "new b"}, {c, "new c"}}, {}, [&](std::size_t i) {
                if (static_cast<int>(i) != failing)
                    return;
                // A folder with something in it cannot be
                // renamed over.
                QFile::remove(failingPath);
                QDir().mkpath(failingPath + "/inside");
            });
        } catch (const predict::Failure& e) {
            threw = true;
            QCOMPARE(e.error().code, predict::ErrorCode::WriteFailed);
        }
        QVERIFY(threw);
        if (failing != 0)
            QCOMPARE(Slurp(a), QByteArray("old a"));
        if (failing != 1)
            QVERIFY(!QFile::exists(b));
        if (failing != 2)
            QCOMPARE(Slurp(c), QByteArray("old c"));
        QStringList names =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.sort();
        QStringList expected{"a.txt", "c.txt"};
        if (failing == 1)
            expected = QStringList{"a.txt", "b.txt", "c.txt"};
        QCOMPARE(names, expected);
    }

    void allInPlace() {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt");
        Put(a, "old a");
        WriteOutputs({{a, "new a"}, {b, "new b"}}, {});
        QCOMPARE(Slurp(a), QByteArray("new a"));
        QCOMPARE(Slurp(b), QByteArray("new b"));
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                     .size(),
                 2);
    }

    void twoOnStandardOutput() {
        bool threw = false;
        try {
            WriteOutputs({{"-", "x"}, {QString(), "y"}}, {});
        } catch (const predict::Failure& e) {
            threw = e.error().code == predict::ErrorCode::StdoutTwice;
        }
        QVERIFY(threw);
    }
};

QTEST_GUILESS_MAIN(OutputsTest)
#include "test_outputs.moc"
