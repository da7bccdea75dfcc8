// SPDX-License-Identifier: GPL-3.0-or-later
// The manual window and the page pictures generated for it.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "manual/Manual4Frm.h"
#include "support/Window.h"

using namespace velmora;
using namespace velmora::testing;

namespace {

QString ProgramDir() {
    return qEnvironmentVariable("VELMORA_PROGRAM_DIR");
}

// The text colour a title's style sheet sets.
QString TitleColour(const Manual4Frm& m, int page) {
    const QString css = m.ItemName1Lbl[std::size_t(page)]->styleSheet();
    const qsizetype at = css.indexOf(QStringLiteral(" color: rgb("));
    return css.mid(at + 12, css.indexOf(u')', at) - at - 12);
}

// A program directory holding the pages named, copied from the built ones.
struct PageDir {
    QTemporaryDir dir;
    explicit PageDir(const QStringList& files) {
        QDir(dir.path()).mkpath(QStringLiteral("Pic01"));
        for (const QString& f : files)
            QFile::copy(QDir(ProgramDir()).filePath(QStringLiteral("Pic01/") + f),
                        QDir(dir.path()).filePath(QStringLiteral("Pic01/") + f));
    }
};

} // namespace

class ManualTest : public QObject {
    Q_OBJECT
  private slots:
    void opensWithoutAPage() {
        WindowFixture f;
        InputLineFrm& w = f.Create();
        w.Menus().HelpMenu->trigger();
        Manual4Frm* m = w.ManualWindow();
        QVERIFY(m);
        QCOMPARE(m->windowTitle(), QString("操作マニュアル"));
        QCOMPARE(m->parentWidget(), &w);
        QCOMPARE(m->SelectedPage(), -1);
        QVERIFY(!m->DocImg->isVisible());
        for (int i = 0; i < kManualPages; ++i)
            QCOMPARE(TitleColour(*m, i), QString("0, 0, 255"));
        QCOMPARE(m->ItemName1Lbl[0]->text(),
                 QString("１・Google Earthからの　　　　　３D画像取得"));
        // Asked again while open: the same window.
        w.Menus().HelpMenu->trigger();
        QCOMPARE(w.ManualWindow(), m);
        // Closed and opened again: a new window without a page.
        m->ItemName1Lbl_Click(2);
        m->CloseCmd->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w.ManualWindow());
        w.Menus().HelpMenu->trigger();
        QCOMPARE(w.ManualWindow()->SelectedPage(), -1);
    }

    void titleClicks_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("scrollBefore"); // moved before the last click
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("height");
        QTest::newRow("page 3") << QList<int>{3} << 0 << 14 << 1330.8;
        QTest::newRow("page 3 then 0") << QList<int>{3, 0} << 9 << 16 << 1431.6;
        QTest::newRow("same title twice") << QList<int>{5, 5} << 7 << 16 << 1431.6;
    }
    void titleClicks() {
        QFETCH(QList<int>, clicks);
        QFETCH(int, scrollBefore);
        QFETCH(int, range);
        QFETCH(double, height);
        Manual4Frm m(QDir(ProgramDir()).absolutePath().toStdString());
        m.show();
        for (int i = 0; i < clicks.size(); ++i) {
            if (i == clicks.size() - 1)
                m.VScroll1->setValue(scrollBefore);
            QTest::mouseClick(m.ItemName1Lbl[std::size_t(clicks[i])], Qt::LeftButton);
        }
        const int page = clicks.last();
        QCOMPARE(m.SelectedPage(), page);
        for (int i = 0; i < kManualPages; ++i)
            QCOMPARE(TitleColour(m, i), QString(i == page ? "192, 64, 0" : "0, 0, 255"));
        QCOMPARE(m.VScroll1->maximum(), range);
        QCOMPARE(m.VScroll1->value(), 0);
        QCOMPARE(m.ImageTop(), 0.0);
        QCOMPARE(m.ImageHeight(), height);
        QVERIFY(m.DocImg->isVisible());
        QCOMPARE(m.DocImg->width(), m.DocPic->width());
    }

    // The wheel over the page scrolls it as the scroll bar does.
    void wheelScrollsThePage_data() {
        QTest::addColumn<int>("delta"); // one notch down is -120
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("moves");
        QTest::newRow("down") << -120 << 0 << true;
        QTest::newRow("up") << 120 << 10 << true;
        QTest::newRow("up at the top") << 120 << 0 << false;
    }
    void wheelScrollsThePage() {
        QFETCH(int, delta);
        QFETCH(int, start);
        QFETCH(bool, moves);
        Manual4Frm m(QDir(ProgramDir()).absolutePath().toStdString());
        m.show();
        m.ItemName1Lbl_Click(0);
        m.VScroll1->setValue(start);
        const QPointF at(100, 100);
        QWheelEvent e(at, m.DocImg->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m.DocImg, &e);
        QCOMPARE(m.VScroll1->value() != start, moves);
        if (moves)
            QCOMPARE(m.VScroll1->value() > start, delta < 0);
        QCOMPARE(m.ImageTop(), -50.0 * m.VScroll1->value());
    }

    // Every title has room for its lines.
    void titlesFitTheirBoxes() {
        Manual4Frm m(QDir(ProgramDir()).absolutePath().toStdString());
        m.show();
        for (int i = 0; i < kManualPages; ++i) {
            const QLabel* l = m.ItemName1Lbl[std::size_t(i)];
            // The lines themselves; the 2-pixel padding may be taken.
            QVERIFY2(l->heightForWidth(l->width()) - 4 <= l->height(),
                     qPrintable(QStringLiteral("%1: %2 in %3")
                                    .arg(l->text())
                                    .arg(l->heightForWidth(l->width()))
                                    .arg(l->height())));
        }
    }

    void lastStepOfALongPage() {
        Manual4Frm m(QDir(ProgramDir()).absolutePath().toStdString());
        m.ItemName1Lbl_Click(0);
        m.VScroll1->setValue(m.VScroll1->maximum());
        QCOMPARE(m.ImageTop(), -800.0);
        QCOMPARE(m.DocImg->y(), qRound(-800.0 * m.DocPic->height() / 900));
    }

    void missingPageLeavesThePreviousPicture() {
        PageDir only({QStringLiteral("Manua40.jpg")});
        Manual4Frm m(only.dir.path().toStdString());
        m.ItemName1Lbl_Click(0);
        const qint64 shown = m.DocImg->pixmap().cacheKey();
        QVERIFY(!m.DocImg->pixmap().isNull());
        m.ItemName1Lbl_Click(3); // Manua43.jpg is not there
        QCOMPARE(m.DocImg->pixmap().cacheKey(), shown);
        QCOMPARE(m.SelectedPage(), 3);
        QCOMPARE(m.VScroll1->maximum(), 14);
        QCOMPARE(m.ImageHeight(), 1330.8);
    }

    // The pages the build renders: the nine pictures in the proportion the
    // window shows them in (not stretched), each source titled as its page
    // and with a page's worth of text.
    void generatedPages_data() {
        QTest::addColumn<int>("page");
        for (int i = 0; i < kManualPages; ++i)
            QTest::addRow("%s", Manual4Frm::PageFile(i)) << i;
    }
    void generatedPages() {
        QFETCH(int, page);
        const QImage picture(
            QDir(ProgramDir()).filePath(QStringLiteral("Pic01/") + Manual4Frm::PageFile(page)));
        QVERIFY(!picture.isNull());
        Manual4Frm m(ProgramDir().toStdString());
        m.ItemName1Lbl_Click(page);
        const QSize shown = m.DocImg->size();
        QCOMPARE(shown, Manual4Frm::ShownPageSize(page));
        // Scaled to the width shown, the picture is as tall as shown, to the pixel.
        const double scaledHeight = double(picture.height()) * shown.width() / picture.width();
        QVERIFY2(std::abs(scaledHeight - shown.height()) <= 1.0,
                 qPrintable(QStringLiteral("%1 x %2 shown as %3 x %4")
                                .arg(picture.width())
                                .arg(picture.height())
                                .arg(shown.width())
                                .arg(shown.height())));
        QFile source(QStringLiteral(VELMORA_SOURCE_DIR "/manual/pages/page%1.html").arg(page));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QTextDocument doc;
        doc.setHtml(QString::fromUtf8(source.readAll()));
        const QString text = doc.toPlainText();
        QString title = Manual4Frm::PageTitle(page);
        title.remove(QChar(0x3000));
        QVERIFY2(text.startsWith(title), qPrintable(text.left(40)));
        // Several paragraphs of Japanese (about 45 characters a line).
        QVERIFY2(text.size() > 400, qPrintable(QString::number(text.size())));
    }
};

QTEST_MAIN(ManualTest)
#include "test_manual.moc"
