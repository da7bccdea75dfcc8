// SPDX-License-Identifier: GPL-3.0-or-later
// Closing the main window, the temporary data file, and opening and saving
// project files, all with scripted answers.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <limits>

#include "data/ProjectFile.h"
#include "support/Window.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

const QString kSaveQuestion = QStringLiteral("変更を保存しますか？");
const QString kOverwrite = QStringLiteral("同じファイル名があります上書きしますか？");
const QString kRefused = QStringLiteral("このデータは保存できません。");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// A project file with one triangle roof and one wall, written by the
// program's own writer from a record built here.
QByteArray SmallProject(float north, float source, float slide) {
    auto d = std::make_unique<BuildingData>();
    d->gNorthAngle = north;
    d->gSourceHeight = source;
    d->gSlideHeight = slide;
    d->gFlatHeight = 130;
    d->gSlideAngle = 35;
    const std::vector<PicturePoint> roof{{10, 10}, {60, 12}, {30, 50}, {10, 10}};
    AppendTopArea(*d, roof);
    AppendWallEdge(*d, {10, 10}, {5, -40}, 0);
    ViewGeometry g;
    g.height = 500;
    g.width = 600;
    return QByteArray::fromStdString(ProjectFileText(*d, g));
}

enum class Via { Command, Box };

} // namespace

class CloseOpenTest : public QObject {
    Q_OBJECT
  private slots:
    // ---- Closing ----

    void closeMatrix_data() {
        QTest::addColumn<int>("via");
        QTest::addColumn<bool>("sample");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("answer"); // -1 no question expected, else a SaveChoice
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("tempWritten");
        QTest::addColumn<int>("tempStatus"); // gTempDataSTS afterwards (it starts true)
        QTest::addColumn<bool>("saveDialog");
        const int C = int(Via::Command), B = int(Via::Box);
        const int save = int(SaveChoice::Save), discard = int(SaveChoice::Discard),
                  cancel = int(SaveChoice::Cancel);
        QTest::newRow("command, no edits") << C << false << 0 << -1 << true << true << -1 << false;
        QTest::newRow("command, sample with edits")
            << C << true << 3 << -1 << true << true << -1 << false;
        QTest::newRow("command, edits, save")
            << C << false << 3 << save << false << false << -1 << true;
        QTest::newRow("command, edits, don't save")
            << C << false << 3 << discard << true << true << -1 << false;
        QTest::newRow("command, edits, cancel")
            << C << false << 3 << cancel << false << false << -1 << false;
        QTest::newRow("box, no edits") << B << false << 0 << -1 << true << false << -1 << false;
        QTest::newRow("box, sample with edits")
            << B << true << 3 << -1 << true << false << -1 << false;
        QTest::newRow("box, edits, save")
            << B << false << 3 << save << false << false << -1 << true;
        QTest::newRow("box, edits, don't save")
            << B << false << 3 << discard << true << false << 0 << false;
        QTest::newRow("box, edits, cancel")
            << B << false << 3 << cancel << false << false << -1 << false;
    }
    void closeMatrix() {
        QFETCH(int, via);
        QFETCH(bool, sample);
        QFETCH(int, changes);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, tempWritten);
        QFETCH(int, tempStatus);
        QFETCH(bool, saveDialog);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = ToVBool(sample);
        w.Session().SetChangeCount(Count(changes));
        f.data->gTempDataSTS = kTrue;
        f.prompts.Clear();
        if (answer >= 0)
            f.prompts.AnswerSave(SaveChoice(answer));
        f.prompts.AnswerFile(std::nullopt); // the save dialog, if it comes, is cancelled
        if (Via(via) == Via::Command)
            QTest::mouseClick(w.Work().CloseCmd, Qt::LeftButton);
        else
            w.close();
        QCOMPARE(f.prompts.Texts(), answer >= 0 ? QStringList{kSaveQuestion} : QStringList{});
        const bool dialog = !f.prompts.asked().empty() &&
                            f.prompts.asked().back().kind == ScriptedPrompts::Kind::Save;
        QCOMPARE(dialog, saveDialog);
        QCOMPARE(w.isVisible(), !closed);
        QCOMPARE(QFileInfo::exists(f.Path("Sample1/TempData1.dat")), tempWritten);
        QCOMPARE(f.data->gTempDataSTS, Count(tempStatus));
        // The command looks at the plan map first (the altitudes pass).
        if (Via(via) == Via::Command)
            QCOMPARE(w.Session().View(), ViewMode::Plan);
        // A cancelled save leaves the edits marked unsaved.
        if (!closed)
            QCOMPARE(w.Session().ChangeCount(), Count(changes));
    }

    // A count at its largest value stays there: closing still asks.
    void closeAsksAfterTheCountRanOver_data() {
        QTest::addColumn<int>("via");
        QTest::newRow("command") << int(Via::Command);
        QTest::newRow("box") << int(Via::Box);
    }
    void closeAsksAfterTheCountRanOver() {
        QFETCH(int, via);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.SetGoodAltitudes();
        w.Session().SetChangeCount(std::numeric_limits<Count>::max());
        w.Work().AzimusTxt->setText(QStringLiteral("10"));
        QTest::keyClick(w.Work().AzimusTxt, Qt::Key_Return); // a typed bearing is one more edit
        f.prompts.Clear();
        f.prompts.AnswerSave(SaveChoice::Discard);
        if (Via(via) == Via::Command)
            QTest::mouseClick(w.Work().CloseCmd, Qt::LeftButton);
        else
            w.close();
        QCOMPARE(f.prompts.Texts(), QStringList{kSaveQuestion});
        QVERIFY(!w.isVisible());
    }

    void temporaryFileHoldsTheRecord() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        QTest::mouseClick(w.Work().CloseCmd, Qt::LeftButton);
        auto back = std::make_unique<BuildingData>();
        ViewGeometry g;
        QVERIFY(ReadProjectFile(*back,
                                QFile::encodeName(f.Path("Sample1/TempData1.dat")).toStdString(), g)
                    .ok);
        QCOMPARE(CountsOf(*back), (Counts{37, 6, 10}));
        QCOMPARE(back->gTopAreaX[1], 111.0f);
        QCOMPARE(back->gTopAreaY[1], -62.0f);
    }

    void secondWindowReadsTheTemporaryFileBack() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kFalse;
        QTest::mouseClick(w.Work().CloseCmd, Qt::LeftButton);
        QCOMPARE(f.data->gTempDataSTS, kTrue);
        f.DestroyWindow();

        InputLineFrm& again = f.Create();
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0})); // creation clears the record
        f.ShowActive();
        QCOMPARE(again.State().pFirstActivate, kFalse);
        QCOMPARE(CountsOf(*f.data), (Counts{37, 6, 10}));
        QCOMPARE(again.Work().VerHeightmTxt->text(), QString("598"));
        QCOMPARE(again.Work().IncliHeightmTxt->text(), QString("102"));
        QCOMPARE(again.Work().VerHeightTxt->text(), QString("1962"));
        QCOMPARE(again.Work().IncliHeightTxt->text(), QString("335"));
        QCOMPARE(again.Session().View(), ViewMode::Plan); // the plan map is selected
        QVERIFY(f.prompts.Texts().isEmpty());
    }

    void noReadBackWhenTheStatusIsOff() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        QTest::mouseClick(w.Work().CloseCmd, Qt::LeftButton);
        f.data->gTempDataSTS = kFalse;
        f.Create();
        f.ShowActive();
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QCOMPARE(f.window->Session().View(), ViewMode::Inclined);
    }

    void failedTemporaryWriteIsNotReadBack() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.SetGoodAltitudes();
        WriteText(f.Path("Sample1"), "a file where the folder should be");
        f.data->gTempDataSTS = kTrue;
        QTest::mouseClick(w.Work().CloseCmd, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(f.data->gTempDataSTS, kFalse);
        QVERIFY(f.prompts.Texts().isEmpty()); // no message for the temporary file
    }

    void unreadableTemporaryFileIsSkipped() {
        WindowFixture f;
        f.Create();
        QVERIFY(QDir().mkpath(f.Path("Sample1")));
        WriteText(f.Path("Sample1/TempData1.dat"), "0\r\n1,1,0,0\r\n1,1,1,1\r\n99999\r\n");
        f.data->gTempDataSTS = kTrue;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QVERIFY(w.Work().VerHeightTxt->text().isEmpty());
        QCOMPARE(f.prompts.unanswered, 0);
    }

    // ---- Opening ----

    void openChoosesByExtension_data() {
        QTest::addColumn<QString>("relative"); // file written below the program directory
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("name");
        QTest::newRow("dat") << "site.dat" << false << true << "site.dat";
        QTest::newRow("txt") << "site.txt" << false << true << "site.txt";
        QTest::newRow("dotted folder") << "v1.2/site.dat" << false << true << "site.dat";
        QTest::newRow("upper-case DAT ignored") << "site.DAT" << false << false << "";
        QTest::newRow("no extension, dotted folder") << "v1.2/site" << false << false << "";
        QTest::newRow("csv ignored") << "site.csv" << false << false << "";
        QTest::newRow("cancelled") << "site.dat" << true << false << "";
    }
    void openChoosesByExtension() {
        QFETCH(QString, relative);
        QFETCH(bool, cancel);
        QFETCH(bool, read);
        QFETCH(QString, name);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QVERIFY(QDir().mkpath(QFileInfo(f.Path(relative)).absolutePath()));
        WriteText(f.Path(relative), SmallProject(45, 589, 134));
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kTrue;
        w.Session().SetChangeCount(3);
        const QString title = ShownCaption(w);
        f.prompts.Clear();
        f.prompts.AnswerFile(cancel ? std::nullopt : std::optional<QString>(f.Path(relative)));
        w.Menus().OpenDataMenu->trigger();
        QCOMPARE(f.prompts.asked().size(), std::size_t(1));
        QCOMPARE(f.prompts.asked()[0].text,
                 QString("データファイル (*.dat)|*.dat|dat ファイル (*.txt)|*.txt|"));
        QCOMPARE(f.prompts.asked()[0].initialName, QString("*.dat"));
        if (read) {
            QCOMPARE(CountsOf(*f.data), (Counts{4, 1, 1}));
            QCOMPARE(ShownCaption(w), "データファイル/" + name);
            QCOMPARE(w.State().pDataFileName[0], name);
            QCOMPARE(w.Session().ChangeCount(), Count(0));
            QCOMPARE(w.State().pSampleLoaded, kFalse);
            QCOMPARE(f.data->gNorthAngle, 45.0f);
            QCOMPARE(w.Work().AzimusTxt->text(), QString("45"));
            QCOMPARE(w.Work().VerHeightmTxt->text(), QString("589"));
            QCOMPARE(w.Work().VerHeightTxt->text(), QString("1932"));
            QCOMPARE(w.Work().IncliHeightmTxt->text(), QString("134"));
            QCOMPARE(w.Work().IncliHeightTxt->text(), QString("440"));
            QCOMPARE(w.Work().PhotoPic->Width(), 600);
            QCOMPARE(w.Work().PhotoPic->Height(), 500);
            // The dial points north-east: its point's centre on the circle at 45 degrees.
            QVERIFY(std::abs(w.Work().Dial().PointImgLeft + 10 - 63.64f) < 0.01f);
            QVERIFY(std::abs(w.Work().Dial().PointImgTop - 10 - 63.64f) < 0.01f);
            QCOMPARE(w.Session().View(), ViewMode::Inclined);
            QCOMPARE(PixelAt(*w.Work().PhotoPic, 35, 11), qRgb(255, 0, 200)); // roof edge drawn
        } else {
            // Nothing opened, nothing lost: the edits still count.
            QCOMPARE(CountsOf(*f.data), (Counts{37, 6, 10}));
            QCOMPARE(ShownCaption(w), title);
            QCOMPARE(w.State().pDataFileName[0], QString("*.dat"));
            QCOMPARE(w.Session().ChangeCount(), Count(3));
            QCOMPARE(w.State().pSampleLoaded, kTrue);
        }
        QVERIFY(f.prompts.Texts().isEmpty());
    }

    void unreadableProjectLeavesEverything_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no such file
        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("too many points") << QByteArray("0\r\n1,1,0,0\r\n598,1,102,36\r\n5000\r\n");
        QTest::newRow("ends early") << QByteArray("0\r\n1,1,0,0\r\n598,1,102,36\r\n3\r\n1,2\r\n");
        QTest::newRow("wall of no roof") << QByteArray(
            "0\r\n1,1,0,0\r\n598,1,102,36\r\n1\r\n1,2\r\n1\r\n0,1,1,0\r\n1\r\n0,0,1,1,4\r\n");
    }
    void unreadableProjectLeavesEverything() {
        QFETCH(QByteArray, content);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kFalse;
        w.Session().SetChangeCount(2);
        w.State().pDataFileName[0] = QStringLiteral("earlier.dat");
        w.setWindowTitle(QStringLiteral("データファイル/earlier.dat"));
        const QImage screen = w.Work().PhotoPic->Surface().copy();
        const QSize size = w.Work().PhotoPic->size();
        if (!content.isEmpty())
            WriteText(f.Path("broken.dat"), content);
        f.prompts.Clear();
        // Unsaved edits: the save question comes first, and "保存しない" goes on.
        f.prompts.AnswerSave(SaveChoice::Discard);
        f.prompts.AnswerFile(f.Path("broken.dat"));
        w.OpenDataMenu_Click();
        QCOMPARE(f.prompts.Texts().size(), 2);
        QCOMPARE(f.prompts.Texts()[0], QString("変更を保存しますか？"));
        QVERIFY(f.prompts.Texts()[1].startsWith("データファイルを読み込めませんでした。"));
        QCOMPARE(CountsOf(*f.data), (Counts{37, 6, 10}));
        QCOMPARE(f.data->gSourceHeight, 598.0f);
        QCOMPARE(ShownCaption(w), QString("データファイル/earlier.dat"));
        QCOMPARE(w.State().pDataFileName[0], QString("earlier.dat"));
        QCOMPARE(w.Session().ChangeCount(), Count(2));
        QCOMPARE(w.Work().VerHeightTxt->text(), QString("1962"));
        QCOMPARE(w.Work().PhotoPic->size(), size);
        QCOMPARE(CountDifferences(screen, w.Work().PhotoPic->Surface()), 0);
    }

    // ---- Saving ----

    void saveRules_data() {
        QTest::addColumn<QString>("chosen");  // empty: dialog cancelled
        QTest::addColumn<QString>("written"); // file expected, or empty
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("cleared"); // change count back to 0
        QTest::newRow("dat") << "out.dat"
                             << "out.dat"
                             << "" << true;
        QTest::newRow("txt") << "out.txt"
                             << "out.txt"
                             << "" << true;
        QTest::newRow("no extension gets .dat") << "out"
                                                << "out.dat"
                                                << "" << true;
        QTest::newRow("dotted folder, no extension") << "v1.2/out"
                                                     << "v1.2/out.dat"
                                                     << "" << true;
        QTest::newRow("other extension") << "out.csv"
                                         << ""
                                         << "" << false;
        QTest::newRow("sample name 10") << "LineData10.dat"
                                        << "" << kRefused << false;
        QTest::newRow("sample name 5 in a folder") << "v1.2/LineData5.dat"
                                                   << "" << kRefused << false;
        QTest::newRow("sample name without extension") << "LineData10"
                                                       << "" << kRefused << false;
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << "" << false;
        QTest::newRow("folder missing") << "nowhere/out.dat"
                                        << ""
                                        << "データを保存できませんでした。" << false;
    }
    void saveRules() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QString, message);
        QFETCH(bool, cleared);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        QVERIFY(QDir().mkpath(f.Path("v1.2")));
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kTrue;
        w.Session().SetChangeCount(5);
        w.State().pDataFileName[0] = QStringLiteral("site.dat");
        const QString title = ShownCaption(w);
        f.prompts.Clear();
        f.prompts.AnswerFile(chosen.isEmpty() ? std::nullopt
                                              : std::optional<QString>(f.Path(chosen)));
        w.Menus().SaveDataMenu->trigger();
        QCOMPARE(f.prompts.asked()[0].kind, ScriptedPrompts::Kind::Save);
        QCOMPARE(f.prompts.asked()[0].text,
                 QString("プロジェクト ファイル (*.dat)|*.dat|txt ファイル (*.txt)|*.txt|"));
        QCOMPARE(f.prompts.asked()[0].initialName, QString("site.dat"));
        const QStringList texts = f.prompts.Texts();
        if (message.isEmpty())
            QCOMPARE(texts, QStringList{});
        else
            QVERIFY2(texts.size() == 1 && texts[0].startsWith(message),
                     qPrintable(texts.join('|')));
        QStringList files =
            QDir(f.dir.path()).entryList({"*.dat", "*.txt", "*.csv", "out*"}, QDir::Files);
        files += QDir(f.Path("v1.2")).entryList(QDir::Files);
        QCOMPARE(files.size(), written.isEmpty() ? 0 : 1);
        if (!written.isEmpty()) {
            QVERIFY(QFileInfo::exists(f.Path(written)));
            auto back = std::make_unique<BuildingData>();
            ViewGeometry g;
            QVERIFY(ReadProjectFile(*back, QFile::encodeName(f.Path(written)).toStdString(), g).ok);
            QCOMPARE(CountsOf(*back), (Counts{37, 6, 10}));
            // Heights were measured by the plan map before writing.
            QVERIFY(std::abs(back->gFlatTopHeight[0] - f.data->gFlatTopHeight[0]) <= 0.05f);
            QVERIFY(back->gFlatTopHeight[0] > 10);
        }
        QCOMPARE(w.Session().ChangeCount(), Count(cleared ? 0 : 5));
        QCOMPARE(w.State().pSampleLoaded, cleared ? kFalse : kTrue);
        QCOMPARE(w.State().pDataFileName[0], QString("site.dat"));
        // No picture or project file named in the caption: the written file is.
        QCOMPARE(ShownCaption(w),
                 written.isEmpty() ? title : QFileInfo(written).fileName() + " - velmora");
        QCOMPARE(w.Session().View(), ViewMode::Plan);
    }

    void overwriteAsksFirst_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK overwrites") << true;
        QTest::newRow("Cancel keeps the file and the edits") << false;
    }
    void overwriteAsksFirst() {
        QFETCH(bool, ok);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kFalse;
        w.Session().SetChangeCount(4);
        WriteText(f.Path("old.dat"), "old");
        f.prompts.Clear();
        f.prompts.AnswerFile(f.Path("old.dat"));
        f.prompts.AnswerQuestion(ok);
        w.SaveDataMenu_Click();
        QCOMPARE(f.prompts.Texts(), QStringList{kOverwrite});
        QCOMPARE(ReadAll(f.Path("old.dat")) == "old", !ok);
        QCOMPARE(w.Session().ChangeCount(), Count(ok ? 0 : 4));
        // After Cancel the close command still offers to save.
        f.prompts.Clear();
        f.prompts.AnswerSave(SaveChoice::Cancel);
        w.CloseCmd_Click();
        QCOMPARE(f.prompts.Texts(), ok ? QStringList{} : QStringList{kSaveQuestion});
    }

    void saveOfferedByCloseWritesTheFile() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.SetGoodAltitudes();
        w.LoadSampleData(2);
        w.State().pSampleLoaded = kFalse;
        w.Session().SetChangeCount(1);
        f.prompts.Clear();
        f.prompts.AnswerSave(SaveChoice::Save);
        f.prompts.AnswerFile(f.Path("kept.dat"));
        w.CloseCmd_Click();
        QVERIFY(w.isVisible());
        QVERIFY(QFileInfo::exists(f.Path("kept.dat")));
        QCOMPARE(w.Session().ChangeCount(), Count(0));
        // Now it closes without asking.
        f.prompts.Clear();
        w.close();
        QVERIFY(!w.isVisible());
        QVERIFY(f.prompts.Texts().isEmpty());
    }
};

QTEST_MAIN(CloseOpenTest)
#include "test_closeopen.moc"
