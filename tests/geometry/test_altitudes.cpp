// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "geometry/Altitudes.h"

using namespace velmora;

Q_DECLARE_METATYPE(velmora::AltitudeBox)

namespace {

const QString kNoPartner = "(none)";

} // namespace

class AltitudesTest : public QObject {
    Q_OBJECT
  private slots:
    void boxChange_data() {
        QTest::addColumn<AltitudeBox>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("focus");
        QTest::addColumn<bool>("rejected");
        QTest::addColumn<QString>("partner");
        QTest::newRow("589 m gives feet")
            << AltitudeBox::VerMetres << "589" << 1 << false << "1932";
        QTest::newRow("440 ft gives metres")
            << AltitudeBox::IncliFeet << "440" << 2 << false << "134";
        QTest::newRow("102 m inclined") << AltitudeBox::IncliMetres << "102" << 1 << false << "335";
        QTest::newRow("1962 ft plan") << AltitudeBox::VerFeet << "1962" << 2 << false << "598";
        QTest::newRow("1500 m is the top")
            << AltitudeBox::VerMetres << "1500" << 1 << false << "4921";
        QTest::newRow("1501 m rejected")
            << AltitudeBox::VerMetres << "1501" << 1 << true << kNoPartner;
        QTest::newRow("5000 ft is the top")
            << AltitudeBox::IncliFeet << "5000" << 2 << false << "1524";
        QTest::newRow("5001 ft rejected")
            << AltitudeBox::IncliFeet << "5001" << 2 << true << kNoPartner;
        QTest::newRow("negative rejected")
            << AltitudeBox::IncliMetres << "-1" << 1 << true << kNoPartner;
        QTest::newRow("rejected whatever the focus")
            << AltitudeBox::VerFeet << "6000" << 1 << true << kNoPartner;
        QTest::newRow("emptied box drives 0") << AltitudeBox::VerMetres << "" << 1 << false << "0";
        QTest::newRow("leading number") << AltitudeBox::VerMetres << "12x" << 1 << false << "39";
        QTest::newRow("other unit focused")
            << AltitudeBox::VerMetres << "589" << 2 << false << kNoPartner;
        QTest::newRow("feet box, metres focused")
            << AltitudeBox::VerFeet << "1932" << 1 << false << kNoPartner;
        QTest::newRow("nothing focused yet")
            << AltitudeBox::IncliMetres << "134" << 0 << false << kNoPartner;
    }
    void boxChange() {
        QFETCH(AltitudeBox, box);
        QFETCH(QString, text);
        QFETCH(int, focus);
        QFETCH(bool, rejected);
        QFETCH(QString, partner);
        const AltitudeBoxChange c =
            AltitudeBoxChanged(box, text.toStdString(), static_cast<Count>(focus));
        QCOMPARE(c.rejected, rejected);
        QCOMPARE(c.partnerText ? QString::fromStdString(*c.partnerText) : kNoPartner, partner);
    }

    // Typing 1501 in a metres box: rejected, the box is cleared, and the
    // change that the clearing raises sets the feet partner to 0.
    void rejectionSequence() {
        const AltitudeBoxChange first = AltitudeBoxChanged(AltitudeBox::IncliMetres, "1501", 1);
        QVERIFY(first.rejected);
        const AltitudeBoxChange second = AltitudeBoxChanged(AltitudeBox::IncliMetres, "", 1);
        QVERIFY(!second.rejected);
        QCOMPARE(PartnerBox(AltitudeBox::IncliMetres), AltitudeBox::IncliFeet);
        QVERIFY(second.partnerText);
        QCOMPARE(*second.partnerText, std::string("0"));
    }

    void validate_data() {
        QTest::addColumn<QString>("ver");
        QTest::addColumn<QString>("incli");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::newRow("both empty") << ""
                                    << "" << -1 << kAltitudesMissingMessage;
        QTest::newRow("both 0") << "0"
                                << "0" << -1 << kAltitudesMissingMessage;
        QTest::newRow("9 and 5 too low") << "9"
                                         << "5" << -1 << kAltitudeTooLowMessage;
        QTest::newRow("only plan given") << "1932"
                                         << "" << -1 << kAltitudeTooLowMessage;
        QTest::newRow("too high") << "5001"
                                  << "100" << -1 << kAltitudeTooHighMessage;
        QTest::newRow("inclined too high") << "4000"
                                           << "5001" << -1 << kAltitudeTooHighMessage;
        QTest::newRow("1932 / 1740 ratio") << "1932"
                                           << "1740" << -1 << kAltitudeRatioMessage;
        QTest::newRow("1932 / 1738 passes") << "1932"
                                            << "1738" << 1 << "";
        QTest::newRow("exactly 0.9 passes") << "1000"
                                            << "900" << 1 << "";
        QTest::newRow("low pair, ratio") << "12"
                                         << "11" << -1 << kAltitudeRatioMessage;
        QTest::newRow("low pair passes") << "12"
                                         << "10" << 1 << "";
        QTest::newRow("sample altitudes") << "1962"
                                          << "335" << 1 << "";
        QTest::newRow("5000 is allowed") << "5000"
                                         << "4500" << 1 << "";
    }
    void validate() {
        QFETCH(QString, ver);
        QFETCH(QString, incli);
        QFETCH(int, result);
        QFETCH(QString, message);
        const AltitudeValidation v = ValidateAltitudes(ver.toStdString(), incli.toStdString());
        QCOMPARE(int(v.result), result);
        QCOMPARE(QString::fromStdString(v.message), message);
    }
};

QTEST_APPLESS_MAIN(AltitudesTest)
#include "test_altitudes.moc"
