// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a picture file and the sample pictures, and sample data drawn
// without its picture; dialogs answered by script, pictures written to a
// temporary folder.
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>

#include "app/PictureFiles.h"
#include "data/PictureCheck.h"
#include "data/Scenes.h"
#include "support/Window.h"
#include "workspace/RibbonGroup.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

// The open dialog offers every readable format in one entry, JPEG first.
bool IsPictureFilter(const QString& filter) {
    return filter.startsWith(QStringLiteral("画像ファイル (*.jpg *.jpeg *.")) &&
           filter.contains(QStringLiteral(" *.png ")) &&
           filter.contains(QStringLiteral(" *.bmp ")) &&
           filter.contains(QStringLiteral(" *.JPG ")) && DialogNameFilters(filter).size() == 1;
}

// A record with one roof and one wall, so that clearing shows.
QByteArray Encoded(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return bytes;
}

// The JPEG with the size in its frame header replaced.
QByteArray WithJpegSize(QByteArray jpeg, int width, int height) {
    const qsizetype sof = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    if (sof >= 0) {
        jpeg[sof + 5] = char(height >> 8);
        jpeg[sof + 6] = char(height & 0xff);
        jpeg[sof + 7] = char(width >> 8);
        jpeg[sof + 8] = char(width & 0xff);
    }
    return jpeg;
}

void FillSomeData(BuildingData& d) {
    AppendTopArea(d, {{10, 10}, {60, 12}, {30, 50}, {10, 10}});
    AppendWallEdge(d, {10, 10}, {5, -40}, 0);
    d.gNorthAngle = 30;
}

// The picture's pixel (0, 0) sits at the view's top-left user corner, its
// centre at the user origin, y upwards.
void CheckCentredCoordinates(const PictureView& v, double h, double w) {
    QCOMPARE(v.ScaleLeft(), -w / 2);
    QCOMPARE(v.ScaleTop(), h / 2);
    QCOMPARE(v.ScaleWidth(), w);
    QCOMPARE(v.ScaleHeight(), -h);
    const QPointF origin = v.ToPixel(0, 0);
    QVERIFY(std::abs(origin.x() - v.InnerWidth() * (w / 2) / w) < 1e-6);
    QVERIFY(v.ToPixel(0, 10).y() < origin.y());
}

// The view lies in the middle of its frame (within one pixel each way).
void CheckCentredInFrame(const QWidget& frame, const PictureView& v) {
    const int left = v.x(), right = frame.width() - (v.x() + v.Width());
    const int top = v.y(), bottom = frame.height() - (v.y() + v.Height());
    QVERIFY2(std::abs(left - right) <= 1, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    QVERIFY2(std::abs(top - bottom) <= 1, qPrintable(QStringLiteral("%1 %2").arg(top).arg(bottom)));
}

QString Str(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT
  private slots:
    void fileName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("picture");
        QTest::newRow("upper JPG") << "/a/b/roofs.JPG"
                                   << "roofs.JPG" << true;
        QTest::newRow("lower jpg") << "/a/roofs.jpg"
                                   << "roofs.jpg" << true;
        QTest::newRow("lower bmp") << "roofs.bmp"
                                   << "roofs.bmp" << true;
        QTest::newRow("upper BMP") << "C:\\pics\\x.y.BMP"
                                   << "x.y.BMP" << true;
        QTest::newRow("mixed Jpg") << "/a/roofs.Jpg"
                                   << "roofs.Jpg" << false;
        QTest::newRow("png") << "/a/roofs.png"
                             << "roofs.png" << true;
        QTest::newRow("jpeg") << "/a/roofs.jpeg"
                              << "roofs.jpeg" << true;
        QTest::newRow("upper PNG") << "/a/roofs.PNG"
                                   << "roofs.PNG" << true;
        QTest::newRow("not a picture") << "/a/roofs.dat"
                                       << "roofs.dat" << false;
        QTest::newRow("no dot in name") << "/a.jpg/roofs"
                                        << "roofs" << false;
        QTest::newRow("trailing dot") << "/a/roofs.jpg."
                                      << "roofs.jpg." << false;
    }
    void fileName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, picture);
        QCOMPARE(PictureFileName(path), name);
        QCOMPARE(IsPictureFileName(PictureFileName(path)), picture);
    }

    // The command on real files: the extension decides, the content is
    // decoded whatever its name says.
    void openPicture_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("loads");
        QTest::newRow("JPG upper case") << "site.JPG" << QByteArray("JPG") << 121 << 83 << true;
        QTest::newRow("jpg") << "site.jpg" << QByteArray("JPG") << 300 << 200 << true;
        QTest::newRow("bmp, odd size") << "site.bmp" << QByteArray("BMP") << 77 << 55 << true;
        QTest::newRow("BMP holding a jpeg") << "site.BMP" << QByteArray("JPG") << 64 << 48 << true;
        QTest::newRow("Jpg ignored") << "site.Jpg" << QByteArray("JPG") << 121 << 83 << false;
        QTest::newRow("png") << "site.png" << QByteArray("PNG") << 121 << 83 << true;
        if (QImageWriter::supportedImageFormats().contains("tiff"))
            QTest::newRow("tiff") << "site.tif" << QByteArray("TIFF") << 99 << 70 << true;
        QTest::newRow("dat ignored") << "site.dat" << QByteArray("PNG") << 121 << 83 << false;
    }
    void openPicture() {
        QFETCH(QString, file);
        QFETCH(QByteArray, format);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, loads);

        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        const QString path = f.Path(file);
        QVERIFY(NoisePicture(width, height, 7).save(path, format.constData()));

        // Start in the plan map, on sample material, with data and a bearing.
        f.SetGoodAltitudes();
        FillSomeData(*f.data);
        w.State().pSampleLoaded = kTrue;
        w.Editor().Views().SelectFlatView();
        QCOMPARE(w.Session().View(), ViewMode::Plan);
        const QString caption = ShownCaption(w);
        const QImage before = w.Work().PhotoPic2->Picture();
        QSignalSpy ready(&w.Editor(), &PhotoEditor::PictureReady);

        f.prompts.Clear();
        f.prompts.AnswerFile(path);
        w.Menus().OPenPhotoMenu->trigger();

        QCOMPARE(f.prompts.asked().size(), std::size_t(1));
        QVERIFY2(IsPictureFilter(f.prompts.asked()[0].text), qPrintable(f.prompts.asked()[0].text));
        QCOMPARE(f.prompts.asked()[0].initialName, QStringLiteral("*.jpg"));
        if (!loads) {
            QCOMPARE(CountsOf(*f.data), (Counts{4, 1, 1}));
            QCOMPARE(f.data->gNorthAngle, 30.0f);
            QCOMPARE(ShownCaption(w), caption);
            QCOMPARE(w.Session().View(), ViewMode::Plan);
            QCOMPARE(w.State().pSampleLoaded, kTrue);
            QCOMPARE(CountDifferences(w.Work().PhotoPic2->Picture(), before), 0);
            QCOMPARE(ready.count(), 0);
            return;
        }
        QCOMPARE(f.prompts.Texts(), QStringList());
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QCOMPARE(f.data->gNorthAngle, 0.0f);
        QCOMPARE(ShownCaption(w), QStringLiteral("３D写真/") + file);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QVERIFY(w.Work().SlopeOrFlatRbn->Value(0));
        QVERIFY(w.Menus().Edit.DispSlopeMapMenu->isChecked());
        QCOMPARE(w.State().pSampleLoaded, kFalse);
        for (PictureView* v : {w.Work().PhotoPic, w.Work().PhotoPic2}) {
            QCOMPARE(v->Picture().size(), QSize(width, height));
            QCOMPARE(v->InnerWidth(), width);
            QCOMPARE(v->InnerHeight(), height);
            CheckCentredCoordinates(*v, height, width);
            CheckCentredInFrame(*w.Work().BasePic, *v);
        }
        // The hidden copy is the file's picture, untouched by any drawing.
        const QImage onDisk = QImage(path).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(CountDifferences(w.Work().PhotoPic2->Picture(), onDisk), 0);
        QCOMPARE(ready.count(), 1);
    }

    void cancelledDialogChangesNothing() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        FillSomeData(*f.data);
        const QString caption = ShownCaption(w);
        f.prompts.AnswerFile(std::nullopt);
        w.OPenPhotoMenu_Click();
        QCOMPARE(CountsOf(*f.data), (Counts{4, 1, 1}));
        QCOMPARE(ShownCaption(w), caption);
        QCOMPARE(f.prompts.Texts(), QStringList());
    }

    void noPictureChosenKeepsTheTool_data() {
        QTest::addColumn<QString>("answer"); // empty: dialog cancelled
        QTest::newRow("cancelled") << QString();
        QTest::newRow("not a picture name ignored") << "roofs.dat";
        QTest::newRow("Jpg ignored") << "roofs.Jpg";
    }
    void noPictureChosenKeepsTheTool() {
        // Nothing was loaded: the tool in use keeps its pointer, whose tip
        // is where its clicks land.
        QFETCH(QString, answer);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        f.SetGoodAltitudes();
        QTest::mouseClick(w.Work().InputModeRbn->Button(Index(ToolId::Roof)), Qt::LeftButton);
        QCOMPARE(w.Session().CurrentTool(), ToolId::Roof);
        const QCursor tool = w.Work().PhotoPic->cursor();
        QCOMPARE(tool.shape(), Qt::BitmapCursor);
        f.prompts.AnswerFile(answer.isEmpty() ? std::nullopt
                                              : std::optional<QString>(f.Path(answer)));
        w.OPenPhotoMenu_Click();
        QCOMPARE(w.Session().CurrentTool(), ToolId::Roof);
        QCOMPARE(w.Work().InputModeRbn->Down(), Index(ToolId::Roof));
        for (const QWidget* v : {static_cast<QWidget*>(w.Work().PhotoPic), w.Work().BasePic}) {
            QCOMPARE(v->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(v->cursor().hotSpot(), tool.hotSpot());
        }
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // A picture whose name is Shift_JIS bytes (from a Windows archive): the
    // dialog answers with Qt's reading of the name, which has lost the
    // bytes; the window still opens the file it names.
    void nonUtf8PictureName() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        const QByteArray bytes = QFile::encodeName(f.Path(QString())) + "\x93\x8c\x8b\x9e.jpg";
        const QByteArray encoded = Encoded(NoisePicture(64, 48, 5), "JPG");
        FILE* out = std::fopen(bytes.constData(), "wb");
        QVERIFY(out);
        QCOMPARE(std::fwrite(encoded.constData(), 1, std::size_t(encoded.size()), out),
                 std::size_t(encoded.size()));
        std::fclose(out);
        const QString shown = QFile::decodeName(bytes);
        QVERIFY(!QFile::exists(shown)); // Qt alone cannot find it again
        f.prompts.AnswerFile(shown);
        w.OPenPhotoMenu_Click();
        QCOMPARE(f.prompts.Texts(), QStringList());
        QCOMPARE(w.Work().PhotoPic2->Picture().size(), QSize(64, 48));
    }

    void undecodablePicture_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QString unreadable = QStringLiteral("画像ファイルを読み込めません。");
        const QString cut = QStringLiteral("画像ファイルが途中で切れています。");
        const QByteArray jpeg = Encoded(NoisePicture(120, 80, 9), "JPG");
        const QByteArray bmp = Encoded(NoisePicture(120, 80, 9), "BMP");
        QTest::newRow("text") << QByteArray("not a picture at all\n") << unreadable;
        QTest::newRow("png cut short")
            << Encoded(NoisePicture(120, 80, 9), "PNG").left(300) << unreadable;
        QTest::newRow("empty") << QByteArray() << unreadable;
        QTest::newRow("jpeg header only") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10) << cut;
        QTest::newRow("jpeg cut short") << jpeg.left(jpeg.size() * 6 / 10) << cut;
        QTest::newRow("bmp cut short") << bmp.left(bmp.size() - 100) << cut;
        QTest::newRow("jpeg claiming 60000 x 60000")
            << WithJpegSize(jpeg, 60000, 60000) << QStringLiteral("画像が大きすぎます");
    }
    void undecodablePicture() {
        QFETCH(QByteArray, content);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        // A picture already shown stays; the data is cleared all the same.
        const QString good = f.Path(QStringLiteral("good.jpg"));
        QVERIFY(NoisePicture(90, 60, 3).save(good, "JPG"));
        f.prompts.AnswerFile(good);
        w.OPenPhotoMenu_Click();
        const QImage shown = w.Work().PhotoPic2->Picture();
        QCOMPARE(shown.size(), QSize(90, 60));
        FillSomeData(*f.data);
        w.State().pSampleLoaded = kTrue;
        QSignalSpy ready(&w.Editor(), &PhotoEditor::PictureReady);

        const QString broken = f.Path(QStringLiteral("broken.jpg"));
        QFile out(broken);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();
        f.prompts.Clear();
        f.prompts.AnswerFile(broken);
        w.OPenPhotoMenu_Click();

        const QStringList texts = f.prompts.Texts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains(QStringLiteral("broken.jpg")));
        QFETCH(QString, reason);
        QVERIFY2(texts[0].startsWith(reason), qPrintable(texts[0]));
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QCOMPARE(ShownCaption(w), QStringLiteral("３D写真/good.jpg"));
        QCOMPARE(CountDifferences(w.Work().PhotoPic2->Picture(), shown), 0);
        QCOMPARE(w.Work().PhotoPic->Picture().size(), QSize(90, 60));
        QCOMPARE(ready.count(), 0);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void pictureDataCheck_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        const QByteArray jpeg = Encoded(NoisePicture(64, 40, 4), "JPG");
        const QByteArray bmp = Encoded(NoisePicture(63, 41, 4), "BMP");
        QTest::newRow("jpeg") << jpeg << int(PictureData::Complete);
        QTest::newRow("jpeg, bytes after its end")
            << jpeg + QByteArray(300, 'x') << int(PictureData::Complete);
        QTest::newRow("jpeg without its last byte")
            << jpeg.chopped(1) << int(PictureData::Truncated);
        QTest::newRow("bmp") << bmp << int(PictureData::Complete);
        QTest::newRow("bmp one byte short") << bmp.chopped(1) << int(PictureData::Truncated);
        QTest::newRow("png") << Encoded(NoisePicture(8, 8, 4), "PNG") << int(PictureData::Unknown);
    }
    void pictureDataCheck() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QCOMPARE(
            int(CheckPictureData(std::string_view(bytes.constData(), std::size_t(bytes.size())))),
            expected);
    }

    void largePictureWithinTheLimit() {
        // Above the toolkit's default limit of 256 MB, well within a machine's.
        QCOMPARE(PictureSizeProblem(QSize(10000, 8000)), QString());
        QVERIFY(PictureAllocationLimitMB() > 256);
    }

    void samplePicture_data() {
        QTest::addColumn<int>("picture");
        QTest::addColumn<QStringList>("boxes"); // metres, metres, feet, feet
        QTest::newRow("1") << 1 << QStringList{"589", "134", "1932", "440"};
        QTest::newRow("2") << 2 << QStringList{"598", "102", "1961", "334"};
    }
    void samplePicture() {
        QFETCH(int, picture);
        QFETCH(QStringList, boxes);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        FillSomeData(*f.data);
        QSignalSpy ready(&w.Editor(), &PhotoEditor::PictureReady);

        (picture == 1 ? w.Menus().LoadSamplePhotoMenu : w.Menus().LoadSample2PhotoMenu)->trigger();

        QCOMPARE(w.Work().VerHeightmTxt->text(), boxes[0]);
        QCOMPARE(w.Work().IncliHeightmTxt->text(), boxes[1]);
        QCOMPARE(w.Work().VerHeightTxt->text(), boxes[2]);
        QCOMPARE(w.Work().IncliHeightTxt->text(), boxes[3]);
        QCOMPARE(CountsOf(*f.data), (Counts{0, 0, 0}));
        QCOMPARE(f.data->gNorthAngle, 0.0f);
        QCOMPARE(w.State().pSampleLoaded, kTrue);
        QCOMPARE(ShownCaption(w), QStringLiteral("サンプル画像%1 - velmora").arg(picture));
        const PictureSize size = SamplePictureSize(picture);
        for (PictureView* v : {w.Work().PhotoPic, w.Work().PhotoPic2}) {
            QCOMPARE(v->Picture().size(), QSize(size.width, size.height));
            // Sample pictures take their coordinates from the outer size.
            CheckCentredCoordinates(*v, v->Height(), v->Width());
            CheckCentredInFrame(*w.Work().BasePic, *v);
        }
        QCOMPARE(ready.count(), 1);

        // The presets pass the altitude check without a message.
        f.prompts.Clear();
        QCOMPARE(w.Work().Altitudes().ValidateAltitudes(), Count(1));
        QCOMPARE(f.prompts.Texts(), QStringList());
        QCOMPARE(w.Work().VerHeightTxt->text(), Str(SamplePicturePresets(picture).verHeight));
    }

    // Sample data without its picture: the tables fill and the outlines are
    // drawn over the empty view.
    void sampleDataWithoutPicture_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("roofs");
        QTest::addColumn<int>("walls");
        QTest::newRow("2") << 2 << 37 << 6 << 10;
        QTest::newRow("1") << 1 << 99 << 7 << 7;
    }
    void sampleDataWithoutPicture() {
        QFETCH(int, set);
        QFETCH(int, points);
        QFETCH(int, roofs);
        QFETCH(int, walls);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        QVERIFY(!w.Work().PhotoPic->HasPicture());
        const QImage empty = w.Work().PhotoPic->Surface().copy();
        (set == 1 ? w.Menus().LoadSampleDataMenu : w.Menus().LoadSample2DataMenu)->trigger();

        QCOMPARE(CountsOf(*f.data), (Counts{points, roofs, walls}));
        QCOMPARE(w.State().pSampleLoaded, kTrue);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        QVERIFY(CountDifferences(w.Work().PhotoPic->Surface(), empty) > 0);
        // Every roof's first edge is drawn in the roof colour at its middle.
        const BuildingData& d = *f.data;
        for (int r = 0; r < d.gEachTopAreaNumber; ++r) {
            const int s = d.gEachTopAreaStartNum[static_cast<std::size_t>(r)];
            const double x = (d.gTopAreaX[s] + d.gTopAreaX[s + 1]) / 2.0;
            const double y = (d.gTopAreaY[s] + d.gTopAreaY[s + 1]) / 2.0;
            QCOMPARE(QColor(PixelAt(*w.Work().PhotoPic, x, y)), QColor(255, 0, 200));
        }
    }
    // Sample data over its own sample picture: the set's view size must not
    // stretch the coordinates, so every outline point lands on the picture
    // pixel it was measured on (within the frame's two pixels), also when
    // the data is loaded while the plan map is shown.
    void sampleDataOverItsPicture_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<bool>("fromPlanMap");
        QTest::newRow("1") << 1 << false;
        QTest::newRow("2") << 2 << false;
        QTest::newRow("2 from the plan map") << 2 << true;
    }
    void sampleDataOverItsPicture() {
        QFETCH(int, set);
        QFETCH(bool, fromPlanMap);
        WindowFixture f;
        InputLineFrm& w = f.Create();
        f.ShowActive();
        w.LoadSamplePhoto(set);
        if (fromPlanMap) {
            w.Editor().Views().SelectFlatView();
            QCOMPARE(w.Session().View(), ViewMode::Plan);
        }
        w.LoadSampleData(set);
        QCOMPARE(w.Session().View(), ViewMode::Inclined);
        const QSize picture = w.Work().PhotoPic2->Picture().size();
        const BuildingData& d = *f.data;
        for (PictureView* v : {w.Work().PhotoPic, w.Work().PhotoPic2}) {
            for (int i = 0; i < d.gTopAreaPointTotalNumber; ++i) {
                const QPointF p = v->ToPixel(d.gTopAreaX[i], d.gTopAreaY[i]);
                const QPointF want(d.gTopAreaX[i] + picture.width() / 2.0,
                                   picture.height() / 2.0 - d.gTopAreaY[i]);
                QVERIFY2(std::abs(p.x() - want.x()) <= 2.5 && std::abs(p.y() - want.y()) <= 2.5,
                         qPrintable(QStringLiteral("point %1 at (%2, %3), picture pixel (%4, %5)")
                                        .arg(i)
                                        .arg(p.x())
                                        .arg(p.y())
                                        .arg(want.x())
                                        .arg(want.y())));
            }
        }
    }
};

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
