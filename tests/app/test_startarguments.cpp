// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "app/StartArguments.h"
#include "data/ProjectFile.h"
#include "data/Scenes.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;
using Action = StartRequest::Action;

Q_DECLARE_METATYPE(StartRequest::Action)

class StartArgumentsTest : public QObject {
    Q_OBJECT
  private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("answeredWithoutDisplay");
        QTest::newRow("nothing") << QStringList() << Action::Run << "" << false;
        QTest::newRow("a picture") << QStringList{"site.jpg"} << Action::Run << "site.jpg" << false;
        QTest::newRow("version") << QStringList{"--version"} << Action::Version << "" << true;
        QTest::newRow("short version") << QStringList{"-v"} << Action::Version << "" << true;
        QTest::newRow("help") << QStringList{"--help"} << Action::Help << "" << true;
        QTest::newRow("help after a file")
            << QStringList{"site.jpg", "-h"} << Action::Help << "" << true;
        QTest::newRow("first of help and version")
            << QStringList{"--help", "--version"} << Action::Help << "" << true;
        QTest::newRow("file after --")
            << QStringList{"--", "-odd.jpg"} << Action::Run << "-odd.jpg" << false;
        QTest::newRow("--version as a file name")
            << QStringList{"--", "--version"} << Action::Run << "--version" << false;
        QTest::newRow("a lone dash is a name") << QStringList{"-"} << Action::Run << "-" << false;
        QTest::newRow("unknown option") << QStringList{"--verbose"} << Action::Fail << "" << false;
        QTest::newRow("two files") << QStringList{"a.jpg", "b.dat"} << Action::Fail << "" << false;
        QTest::newRow("empty name") << QStringList{""} << Action::Fail << "" << false;
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, file);
        QFETCH(bool, answeredWithoutDisplay);
        const StartRequest request = ReadStartArguments(arguments);
        QCOMPARE(request.action, action);
        QCOMPARE(request.file, file);
        QCOMPARE(request.problem.isEmpty(), action != Action::Fail);
        QCOMPARE(AsksVersionOrHelp(arguments), answeredWithoutDisplay);
    }

    void versionAndUsage() {
        QCOMPARE(VersionText(), QStringLiteral("velmora %1\n").arg(VersionNumber()));
        // The splash shows the same version.
        QCOMPARE(VersionNumber(), QString("8.1"));
        QVERIFY(UsageText().startsWith("Usage: velmora [FILE]\n"));
    }

    // A file named on the command line opens through the window's own open
    // commands, as if chosen in their dialogs.
    void fileOpensInTheWindow_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind"); // what to write there
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("roofs");
        QTest::addColumn<QString>("message"); // start of the one message, if any
        QTest::newRow("picture") << "site.jpg"
                                 << "jpeg"
                                 << "３D写真/site.jpg" << 0 << "";
        QTest::newRow("bmp picture") << "site.BMP"
                                     << "bmp"
                                     << "３D写真/site.BMP" << 0 << "";
        QTest::newRow("project file") << "town.dat"
                                      << "project"
                                      << "データファイル/town.dat" << 6 << "";
        QTest::newRow("project as .txt") << "town.txt"
                                         << "project"
                                         << "データファイル/town.txt" << 6 << "";
        QTest::newRow("broken picture") << "cut.jpg"
                                        << "text"
                                        << "" << 0 << "画像ファイル";
        QTest::newRow("broken project") << "bad.dat"
                                        << "jpeg"
                                        << "" << 0 << "データファイルを読み込めませんでした。";
        QTest::newRow("other kind") << "notes.pdf"
                                    << "text"
                                    << "" << 0 << "画像ファイルでもデータファイル";
        QTest::newRow("missing") << "gone.jpg"
                                 << ""
                                 << "" << 0 << "ファイルを開けません。";
        QTest::newRow("a folder") << "folder.jpg"
                                  << "folder"
                                  << "" << 0 << "ファイルを開けません。";
    }
    void fileOpensInTheWindow() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(int, roofs);
        QFETCH(QString, message);
        WindowFixture f;
        const QString path = f.Path(name);
        if (kind == u"jpeg" || kind == u"bmp") {
            QVERIFY(NoisePicture(90, 60, 3).save(path, kind == u"jpeg" ? "JPG" : "BMP"));
        } else if (kind == u"project") {
            BuildingData sample;
            QVERIFY(LoadSampleDataTables(sample, 2));
            ViewGeometry view{};
            QVERIFY(WriteProjectFile(sample, view, QFile::encodeName(path).toStdString()).ok);
        } else if (kind == u"text") {
            QFile text(path);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("not what the name says\n");
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkdir(path));
        }
        StartPrompts prompts(f.prompts);
        InputLineFrm w(*f.data, prompts);
        w.setWindowTitle(QStringLiteral("before"));
        // Opened from the program's folder, named relative to the caller's.
        QDir::setCurrent(f.dir.path());
        OpenStartFile(w, prompts, name);

        QCOMPARE(ShownCaption(w), title.isEmpty() ? QString("before") : title);
        QCOMPARE(f.data->gEachTopAreaNumber, roofs);
        const QStringList texts = f.prompts.Texts();
        QCOMPARE(texts.size(), message.isEmpty() ? 0 : 1);
        QVERIFY2(message.isEmpty() || texts[0].startsWith(message), qPrintable(texts.join('|')));
        // No dialog was shown for the file, and none is answered later.
        QCOMPARE(f.prompts.unanswered, 0);
        QVERIFY(!prompts.Pending());
        w.OPenPhotoMenu_Click();
        QCOMPARE(f.prompts.unanswered, 1);
    }

    void launcherFallbackIsToldOnce_data() {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("data folder made") << false << ""
                                          << "";
        QTest::newRow("private folder") << true << "/run/user/1000/velmora"
                                        << "データフォルダを作成できませんでした。";
        QTest::newRow("no folder at all") << true << ""
                                          << "データフォルダも一時フォルダも作成できませんでした。";
    }
    void launcherFallbackIsToldOnce() {
        QFETCH(bool, set);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        if (set)
            qputenv(kTemporaryDataVariable, folder.toLocal8Bit());
        else
            qunsetenv(kTemporaryDataVariable);
        ScriptedPrompts prompts;
        for (int window = 0; window < 2; ++window)
            TellTemporaryDataFolder(nullptr, prompts);
        const QStringList texts = prompts.Texts();
        QCOMPARE(texts.size(), message.isEmpty() ? 0 : 1);
        QVERIFY(message.isEmpty() || texts[0].startsWith(message));
        QVERIFY(message.isEmpty() || texts[0].endsWith(folder));
        QVERIFY(!qEnvironmentVariableIsSet(kTemporaryDataVariable));
    }
};

QTEST_MAIN(StartArgumentsTest)
#include "test_startarguments.moc"
