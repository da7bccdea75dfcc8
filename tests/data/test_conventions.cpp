// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <cfloat>

#include "data/Conventions.h"

using namespace velmora;

class ConventionsTest : public QObject {
    Q_OBJECT
  private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks then number") << "   12.5abc" << 12.5;
        QTest::newRow("sign") << "-3.25" << -3.25;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("second point ends") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("non numeric") << "abc" << 0.0;
        QTest::newRow("comma ends") << "598,126" << 598.0;
        QTest::newRow("exponent not read") << "1E3" << 1.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("fraction below a double") << "0." + QString(400, '0') + "1" << 0.0;
        QTest::newRow("negative fraction below a double") << "-." + QString(400, '0') + "7" << 0.0;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ParseLeadingNumber(text.toStdString()), value);
    }
    void parseCheckedRejectsHugeNumbers() {
        QVERIFY(!ParseLeadingNumberChecked(std::string(40, '9')).has_value());
        QCOMPARE(*ParseLeadingNumberChecked("3.5"), 3.5);
    }
    void parseCheckedRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("largest float") << "340282346638528859811704183484516925440" << true;
        QTest::newRow("just above it") << "340282356779733661637539395458142568448" << false;
        QTest::newRow("vanishing fraction") << "0." + QString(400, '0') + "1" << true;
        QTest::newRow("huge with a point") << "-" + QString(400, '9') + ".5" << false;
    }
    // Only magnitudes above the float range are too large; one too small to
    // matter is a number like any other.
    void parseCheckedRange() {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        const auto v = ParseLeadingNumberChecked(text.toStdString());
        QCOMPARE(v.has_value(), fits);
        if (fits)
            QCOMPARE(*v, ParseLeadingNumber(text.toStdString()));
    }
    void roundHalfEven_data() {
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("3.5") << 3.5 << 4.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("-3.5") << -3.5 << -4.0;
        QTest::newRow("2.51") << 2.51 << 3.0;
        QTest::newRow("0.49") << 0.49 << 0.0;
    }
    void roundHalfEven() {
        QFETCH(double, in);
        QFETCH(double, out);
        QCOMPARE(RoundHalfEven(in), out);
    }
    void toCountRange() {
        QCOMPARE(*ToCount(32767.0), Count(32767));
        QVERIFY(!ToCount(32768.0).has_value());
        QVERIFY(!ToCount(-40000.0).has_value());
    }
    void formats_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("whole 359.6") << "whole" << 359.6 << "360";
        QTest::newRow("whole half away") << "whole" << 2.5 << "3";
        QTest::newRow("whole negative half") << "whole" << -2.5 << "-3";
        QTest::newRow("whole small negative") << "whole" << -0.2 << "0";
        QTest::newRow("fixed -62") << "fixed" << -62.0 << "-62.0";
        QTest::newRow("fixed 7") << "fixed" << 7.0 << "7.0";
        QTest::newRow("fixed 26.25") << "fixed" << 26.25 << "26.3";
        QTest::newRow("fixed 0.04") << "fixed" << 0.04 << "0.0";
        QTest::newRow("fixed -0.04") << "fixed" << -0.04 << "0.0";
        QTest::newRow("general 598") << "general" << 598.0 << "598";
        QTest::newRow("general 126.9125") << "general" << 126.9125 << "126.9125";
        QTest::newRow("general 36.51477") << "general" << 36.51477 << "36.51477";
        QTest::newRow("general 0") << "general" << 0.0 << "0";
        QTest::newRow("general -13") << "general" << -13.0 << "-13";
        QTest::newRow("general 0.1") << "general" << 0.1 << "0.1";
        QTest::newRow("general 1234567.8") << "general" << 1234567.8 << "1234568";
        QTest::newRow("general 0.00123") << "general" << 0.00123 << "0.00123";
        // Never an exponent: the readers stop at an "E".
        QTest::newRow("general 1e16") << "general" << 1e16 << "10000000000000000";
        QTest::newRow("general -2.5e-20") << "general" << -2.5e-20 << "-0.000000000000000000025";
        QTest::newRow("general largest float")
            << "general" << double(FLT_MAX) << "340282300000000000000000000000000000000";
    }
    void formats() {
        QFETCH(QString, kind);
        QFETCH(double, in);
        QFETCH(QString, out);
        std::string got;
        if (kind == "whole")
            got = FormatWhole(in);
        else if (kind == "fixed")
            got = FormatFixed1(in);
        else
            got = FormatGeneral(static_cast<float>(in));
        QCOMPARE(QString::fromStdString(got), out);
    }
};

QTEST_APPLESS_MAIN(ConventionsTest)
#include "test_conventions.moc"
