// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "workspace/Prompts.h"

using namespace velmora;

class PromptsTest : public QObject {
    Q_OBJECT
  private slots:
    void filterListBecomesNameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("project files")
            << QString("データファイル (*.dat)|*.dat|dat ファイル (*.txt)|*.txt|")
            << QStringList{"データファイル (*.dat)", "dat ファイル (*.txt)"};
        QTest::newRow("description without pattern")
            << QString("Pictures|*.jpg|") << QStringList{"Pictures (*.jpg)"};
        QTest::newRow("no trailing bar") << QString("A (*.a)|*.a") << QStringList{"A (*.a)"};
        QTest::newRow("empty") << QString() << QStringList{};
    }
    void filterListBecomesNameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, names);
        QCOMPARE(DialogNameFilters(filter), names);
    }

    void scriptedAnswersInOrderAndRecordsQuestions() {
        ScriptedPrompts p;
        p.AnswerFile(QString("/tmp/a.dat"));
        p.AnswerQuestion(false);
        p.AnswerFile(std::nullopt);
        QCOMPARE(p.OpenFile(nullptr, "F|*.dat|", "*.dat"), std::optional<QString>("/tmp/a.dat"));
        p.Message(nullptr, "note");
        QCOMPARE(p.Question(nullptr, "sure?"), false);
        QCOMPARE(p.SaveFile(nullptr, "G|*.txt|", "x.dat"), std::optional<QString>());
        QCOMPARE(p.unanswered, 0);
        QCOMPARE(p.Texts(), (QStringList{"note", "sure?"}));
        QCOMPARE(int(p.asked().size()), 4);
        QCOMPARE(p.asked()[0].kind, ScriptedPrompts::Kind::Open);
        QCOMPARE(p.asked()[0].initialName, QString("*.dat"));
        QCOMPARE(p.asked()[3].kind, ScriptedPrompts::Kind::Save);
        QCOMPARE(p.asked()[3].text, QString("G|*.txt|"));
    }

    void unscriptedQuestionsAreCancelledAndCounted() {
        ScriptedPrompts p;
        QCOMPARE(p.Question(nullptr, "q"), false);
        QCOMPARE(p.OpenFile(nullptr, "", ""), std::optional<QString>());
        QCOMPARE(p.unanswered, 2);
        p.Message(nullptr, "m"); // messages need no answer
        QCOMPARE(p.unanswered, 2);
    }
};

QTEST_MAIN(PromptsTest)
#include "test_prompts.moc"
