// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include "workspace/Prompts.h"
#include "workspace/QtJapanese.h"

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
        // Qt reads the patterns of a filter at spaces: ";" lists are split.
        QTest::newRow("patterns joined by ;")
            << QString("RINEX|*.??n;*.rnx|") << QStringList{"RINEX (*.??n *.rnx)"};
        QTest::newRow("description naming ; patterns")
            << QString("Maps (*.a;*.b)|*.a;*.b|") << QStringList{"Maps (*.a *.b)"};
        QTest::newRow("parentheses without patterns stay")
            << QString("データ (旧形式)|*.dat|") << QStringList{"データ (旧形式) (*.dat)"};
    }
    void filterListBecomesNameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, names);
        QCOMPARE(DialogNameFilters(filter), names);
    }

    // The patterns the file dialog lists with a filter, checked on names.
    void namesShownByAFilter_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        const QString rinex = "RINEX|*.??n *.??g *.rnx|";
        QTest::newRow("GPS navigation") << rinex << "brdc3050.12n" << true;
        QTest::newRow("GLONASS navigation") << rinex << "brdc3050.12g" << true;
        QTest::newRow("RINEX 3 name") << rinex << "BRDC00IGS_R_20123050000_01D_MN.rnx" << true;
        QTest::newRow("observation file") << rinex << "site3050.12o" << false;
        QTest::newRow("; joined, GPS") << "RINEX|*.??n;*.??g|"
                                       << "brdc3050.12n" << true;
        QTest::newRow("; joined, other") << "RINEX|*.??n;*.??g|"
                                         << "notes.txt" << false;
        QTest::newRow("everything") << "All|*|"
                                    << "notes.txt" << true;
    }
    void namesShownByAFilter() {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QStringList filters = DialogNameFilters(filter);
        QVERIFY(!filters.isEmpty());
        const QStringList listed =
            QDir(dir.path()).entryList(NameFilterPatterns(filters.front()), QDir::Files);
        QCOMPARE(listed.contains(name), shown);
    }

    // Several files at once through the double; a one-file answer stands
    // for one file, none for a cancel.
    void scriptedOpenFiles_data() {
        QTest::addColumn<int>("queued"); // 0 none, 1 one file, 2 two files, 3 cancelled
        QTest::addColumn<QStringList>("answer");
        QTest::addColumn<int>("unanswered");
        QTest::newRow("two files") << 2 << QStringList{"/d/a.12n", "/d/a.12g"} << 0;
        QTest::newRow("one-file answer") << 1 << QStringList{"/d/a.12n"} << 0;
        QTest::newRow("cancelled") << 3 << QStringList{} << 0;
        QTest::newRow("unanswered") << 0 << QStringList{} << 1;
    }
    void scriptedOpenFiles() {
        QFETCH(int, queued);
        QFETCH(QStringList, answer);
        QFETCH(int, unanswered);
        ScriptedPrompts p;
        if (queued == 1)
            p.AnswerFile(answer.front());
        else if (queued == 2)
            p.AnswerFiles(answer);
        else if (queued == 3)
            p.AnswerFiles({});
        QCOMPARE(p.OpenFiles(nullptr, "F|*.12n|", "/d"), answer);
        QCOMPARE(p.unanswered, unanswered);
        QCOMPARE(p.asked().size(), std::size_t(1));
        QCOMPARE(p.asked()[0].kind, ScriptedPrompts::Kind::OpenMany);
        QCOMPARE(p.asked()[0].initialName, QString("/d"));
        QCOMPARE(p.pending(), std::size_t(0));
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

    // The save question's buttons say what they do; Escape keeps
    // everything as it is.
    void saveQuestionButtons_data() {
        QTest::addColumn<QString>("button"); // empty: closed with Escape
        QTest::addColumn<int>("choice");
        QTest::newRow("保存する") << "保存する" << int(SaveChoice::Save);
        QTest::newRow("保存しない") << "保存しない" << int(SaveChoice::Discard);
        QTest::newRow("キャンセル") << "キャンセル" << int(SaveChoice::Cancel);
        QTest::newRow("Escape") << "" << int(SaveChoice::Cancel);
    }
    void saveQuestionButtons() {
        QFETCH(QString, button);
        QFETCH(int, choice);
        const auto box = SaveQuestionBox(nullptr, "変更を保存しますか？");
        QCOMPARE(box->text(), QString("変更を保存しますか？"));
        QStringList texts;
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        texts.sort();
        QStringList expected{"キャンセル", "保存しない", "保存する"};
        expected.sort();
        QCOMPARE(texts, expected);
        QCOMPARE(box->defaultButton()->text(), QString("保存する"));
        if (button.isEmpty()) {
            QCOMPARE(box->escapeButton()->text(), QString("キャンセル"));
            box->escapeButton()->click();
        } else {
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button)
                    b->click();
        }
        QCOMPARE(int(SaveChoiceOf(*box)), choice);
    }

    void scriptedSaveQuestion_data() {
        QTest::addColumn<int>("queued"); // a SaveChoice; 3 OK, 4 Cancel of a question; -1 none
        QTest::addColumn<int>("choice");
        QTest::newRow("save") << int(SaveChoice::Save) << int(SaveChoice::Save);
        QTest::newRow("don't save") << int(SaveChoice::Discard) << int(SaveChoice::Discard);
        QTest::newRow("cancel") << int(SaveChoice::Cancel) << int(SaveChoice::Cancel);
        QTest::newRow("OK of a question") << 3 << int(SaveChoice::Save);
        QTest::newRow("Cancel of a question") << 4 << int(SaveChoice::Cancel);
        // Unanswered, the edits stay: nothing is closed or replaced.
        QTest::newRow("unanswered") << -1 << int(SaveChoice::Cancel);
    }
    void scriptedSaveQuestion() {
        QFETCH(int, queued);
        QFETCH(int, choice);
        ScriptedPrompts p;
        if (queued >= 3)
            p.AnswerQuestion(queued == 3);
        else if (queued >= 0)
            p.AnswerSave(SaveChoice(queued));
        QCOMPARE(int(p.AskToSave(nullptr, "変更を保存しますか？")), choice);
        QCOMPARE(p.Texts(), QStringList{"変更を保存しますか？"});
        QCOMPARE(p.unanswered, queued < 0 ? 1 : 0);
    }

    // Qt's own buttons speak Japanese while a Japanese dialog is open,
    // whatever the locale, and only then.
    void qtTextsInJapaneseForADialog() {
        QLocale::setDefault(QLocale(QLocale::English));
        QVERIFY(!JapaneseLocale());
        auto cancelText = [] {
            QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Ok | QMessageBox::Cancel);
            return box.button(QMessageBox::Cancel)->text();
        };
        QCOMPARE(cancelText(), QString("Cancel"));
        {
            const JapaneseQtTexts japanese;
            QCOMPARE(cancelText(), QString("キャンセル"));
            const JapaneseQtTexts nested;
            QCOMPARE(cancelText(), QString("キャンセル"));
        }
        QCOMPARE(cancelText(), QString("Cancel"));
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
