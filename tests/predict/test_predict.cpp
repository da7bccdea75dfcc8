// SPDX-License-Identifier: GPL-3.0-or-later
// The predictions' declarations, their validation and error messages in
// both languages, the feedback object, and the algorithms' refusals.
#include <QtTest>
#include <cmath>

#include "predict/Gnss.h"
#include "predict/Parameters.h"
#include "predict/Shadow.h"
#include "predict/SkyMask.h"

using namespace velmora;
using namespace velmora::predict;

namespace {

Footprint Box(Count roof, double x0, double y0, double size, double height, RoofHeight state) {
    Footprint f;
    f.roof = roof;
    f.ring = {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
    f.height = height;
    f.heightState = state;
    return f;
}

ErrorCode CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& e) {
        return e.error().code;
    }
    return ErrorCode::Unexpected; // nothing thrown
}

} // namespace

Q_DECLARE_METATYPE(velmora::predict::ErrorCode)

class PredictTest : public QObject {
    Q_OBJECT

  private slots:
    // Every number parameter takes its ends, refuses what lies beyond, and
    // says so naming the option (English) or the box (Japanese).
    void ranges_data() {
        QTest::addColumn<QString>("name");
        for (const Algorithm* a : {&ShadowAlgorithm(), &GnssAlgorithm(), &SkyMaskAlgorithm()})
            for (const Parameter* p : a->parameters)
                if (p->type == ParamType::Number || p->type == ParamType::Whole)
                    QTest::addRow("%s %s", a->name, p->name) << QString::fromUtf8(p->name);
        QTest::newRow("latitude") << "latitude";
        QTest::newRow("longitude") << "longitude";
    }
    void ranges() {
        QFETCH(QString, name);
        const Parameter* p = FindParameter(name.toStdString());
        QVERIFY(p);
        QVERIFY2(std::isfinite(p->min) && p->min < p->max, p->name);
        QVERIFY(*p->label);
        const double inside = std::isfinite(p->max) ? (p->min + p->max) / 2 : p->min + 1;
        CheckValue(*p, inside);
        CheckValue(*p, LowestValue(*p));
        CheckValue(*p, HighestValue(*p));
        QCOMPARE(CodeOf([&] { CheckValue(*p, p->min - 1); }), ErrorCode::OutOfRange);
        QCOMPARE(CodeOf([&] { CheckValue(*p, p->max + 1); }), ErrorCode::OutOfRange);
        QCOMPARE(CodeOf([&] { CheckValue(*p, NAN); }), ErrorCode::OutOfRange);
        try {
            CheckValue(*p, p->max + 1);
        } catch (const Failure& e) {
            const QString en = QString::fromStdString(e.what());
            QVERIFY2(en.startsWith("--" + name + ": expected "), qPrintable(en));
            QVERIFY2(en.contains(QString::fromStdString(NumberText(p->max))), qPrintable(en));
            const QString ja =
                QString::fromStdString(Message(e.error(), Language::Japanese, std::string()));
            QVERIFY2(ja.startsWith(QString::fromUtf8(p->label)), qPrintable(ja));
        }
        const double fallback = DefaultValue(*p);
        if (*p->fallback)
            CheckValue(*p, fallback);
    }

    void helpNamesTheDefault() {
        const Parameter& cell = ParameterOf(ShadowAlgorithm(), "cell");
        QCOMPARE(HelpText(cell), std::string("cell size in metres (default 1)"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, ParameterOf(ShadowAlgorithm(), "none"));
    }

    void messages_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("japanese");
        QTest::newRow("inside a roof")
            << int(ErrorCode::InsideRoof) << QStringList{"1.00", "2.00", "3"} << "town.dat" << 0
            << "town.dat: the point (1.00, 2.00) lies inside roof 3; a receiver must stand "
               "outside the buildings"
            << "受信点が屋根 #3 の中にあります。建物の外に置いてください。";
        QTest::newRow("idle file with a line")
            << int(ErrorCode::EphemerisIdle) << QStringList{"A", "B"} << "x.12n" << 7
            << "x.12n: line 7: covers none of the period A ... B"
            << "x.12n: 行 7: 期間中（A 〜 B）に使えるエフェメリスがありません。";
        QTest::newRow("grid capacity")
            << int(ErrorCode::GridTooLarge) << QStringList{"5000", "4000", "16"} << "" << 0
            << "the grid would have 5000 x 4000 cells; choose a larger cell or a smaller extent "
               "(at most 16 million cells)"
            << "格子が 5000 × 4000 になり、大きすぎます（16 "
               "百万まで）。格子の大きさを大きくするか、範囲を"
               "狭めてください。";
        QTest::newRow("braces in a file name stay")
            << int(ErrorCode::WriteFailed) << QStringList{} << "{1}.png" << 0 << "why {1}"
            << "{1}.png に書き込めませんでした（why {1}）。";
    }
    void messages() {
        QFETCH(int, code);
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, english);
        QFETCH(QString, japanese);
        Error e(static_cast<ErrorCode>(code), {}, file.toStdString(), line);
        for (const QString& a : args)
            e.args.push_back(a.toStdString());
        if (e.code == ErrorCode::WriteFailed)
            e.reason = "why {1}";
        QCOMPARE(QString::fromStdString(Failure(e).what()), english);
        QCOMPARE(QString::fromStdString(Message(e, Language::Japanese, e.file)), japanese);
    }

    void contoursAndSystems_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("contours");  // else systems
        QTest::addColumn<QString>("parsed"); // empty: refused
        QTest::newRow("contours sorted, repeats dropped") << " 4, 2,4 ,3" << true << "2 3 4";
        QTest::newRow("contour 0") << "0,2" << true << "";
        QTest::newRow("contour not a number") << "2,x" << true << "";
        QTest::newRow("empty parts skipped") << "2,,3" << true << "2 3";
        QTest::newRow("systems") << "g, R,J" << false << "GRJ";
        QTest::newRow("unknown system") << "G,S" << false << "";
        QTest::newRow("two letters") << "GR" << false << "";
    }
    void contoursAndSystems() {
        QFETCH(QString, text);
        QFETCH(bool, contours);
        QFETCH(QString, parsed);
        const std::string t = text.toStdString();
        QString got;
        try {
            if (contours) {
                QStringList hours;
                for (const double h : ParseContours(t))
                    hours << QString::number(h);
                got = hours.join(' ');
            } else {
                got = QString::fromStdString(ParseSystems(t));
            }
        } catch (const Failure& e) {
            QCOMPARE(e.error().code, contours ? ErrorCode::BadContours : ErrorCode::BadSystems);
        }
        QCOMPARE(got, parsed);
    }

    void warnings_data() {
        QTest::addColumn<int>("roofs");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("japanese");
        QTest::newRow("one roof") << 1 << "roof 4: height unknown"
                                  << "高さの測られていない屋根 1 棟（屋根 #4）を除外しました。";
        QTest::newRow("two roofs")
            << 2 << "roofs 4, 5: height unknown"
            << "高さの測られていない屋根 2 棟（屋根 #4, #5）を除外しました。";
    }
    void warnings() {
        QFETCH(int, roofs);
        QFETCH(QString, english);
        QFETCH(QString, japanese);
        Feedback f;
        Warning w{WarningCode::HeightUnknown, {}};
        for (int i = 0; i < roofs; ++i)
            w.roofs.push_back(4 + i);
        f.Warn({WarningCode::HeightUnknown, {}}); // no roofs: nothing to say
        f.Warn(w);
        QCOMPARE(f.Warnings().size(), std::size_t(1));
        QVERIFY(QString::fromStdString(WarningText(w, Language::English)).startsWith(english));
        QCOMPARE(QString::fromStdString(WarningText(w, Language::Japanese)), japanese);
    }

    // The shade map refuses what it cannot map, and stops when cancelled.
    void shadowRuns() {
        ShadowRequest r = DefaultShadowRequest();
        r.site = {35.68, 139.77};
        const std::vector<Footprint> none;
        Feedback f;
        QCOMPARE(CodeOf([&] { RunShadow(none, r, f); }), ErrorCode::NoRoofs);
        const std::vector<Footprint> bare{Box(0, 0, 0, 10, 0, RoofHeight::NoWallLine)};
        QCOMPARE(CodeOf([&] { RunShadow(bare, r, f); }), ErrorCode::NoHeights);
        const std::vector<Footprint> plan{Box(0, 0, 0, 10, 10, RoofHeight::Measured),
                                          Box(1, 30, 0, 10, 0, RoofHeight::NoWallLine)};
        // The frame follows the shade cast: buildings far apart make the grid.
        const std::vector<Footprint> apart{Box(0, 0, 0, 10, 10, RoofHeight::Measured),
                                           Box(1, 4000, 4000, 10, 10, RoofHeight::Measured)};
        r.cell = 0.05;
        QCOMPARE(CodeOf([&] { RunShadow(apart, r, f); }), ErrorCode::GridTooLarge);
        r = DefaultShadowRequest();
        r.site = {80, 15}; // polar night
        QCOMPARE(CodeOf([&] { RunShadow(plan, r, f); }), ErrorCode::SunDown);
        r.site = {35.68, 139.77};
        Feedback cancelled;
        cancelled.Cancel();
        QVERIFY(!RunShadow(plan, r, cancelled));
        Feedback ok;
        const std::optional<ShadowResult> s = RunShadow(plan, r, ok);
        QVERIFY(s);
        QCOMPARE(s->unmeasured, std::vector<Count>{1});
        QCOMPARE(ok.Warnings().size(), std::size_t(1));
        r.period.toHours = r.period.fromHours;
        QCOMPARE(CodeOf([&] { Validate(r); }), ErrorCode::EmptyPeriod);
    }

    void gnssRefusals() {
        GnssRequest r;
        r.settings = DefaultGnssSettings();
        r.settings.hours = 1;
        r.nav = {"x.12n"};
        Validate(r);
        r.settings.systems.clear();
        QCOMPARE(CodeOf([&] { Validate(r); }), ErrorCode::NoSystems);
        r.settings.systems = "G";
        r.settings.hours = 48;
        r.settings.step = 1;
        QCOMPARE(CodeOf([&] { Validate(r); }), ErrorCode::TooManyEpochs);
        r.settings.step = 2; // 86401 epochs: the most there may be
        Validate(r);
        r.tle = "x.txt";
        QCOMPARE(CodeOf([&] { Validate(r); }), ErrorCode::NoEphemerisFiles);
        r.tle.clear();
        const std::vector<Footprint> plan{Box(3, -5, -5, 10, 10, RoofHeight::Measured)};
        Feedback f;
        QCOMPARE(CodeOf([&] { RunGnss(plan, r, f, "t.dat"); }), ErrorCode::InsideRoof);
        r.settings.at = {50, 50};
        QCOMPARE(CodeOf([&] { RunGnss(plan, r, f, "t.dat"); }), ErrorCode::EphemerisFile);
    }

    void skyMaskLeavesOut() {
        std::vector<Footprint> plan{Box(0, 10, -5, 10, 20, RoofHeight::Measured),
                                    Box(1, -20, -5, 10, 20, RoofHeight::NoWallLine)};
        plan.push_back(Box(2, -5, 20, 10, 20, RoofHeight::Measured));
        plan.back().crossesItself = true;
        SkyMaskRequest r;
        Feedback f;
        const SkyMaskResult m = RunSkyMask(plan, r, f);
        QCOMPARE(m.mask.size(), std::size_t(360));
        QVERIFY(m.mask[90] > 0);    // the measured roof, east
        QCOMPARE(m.mask[270], 0.0); // the one of unknown height, west
        QCOMPARE(m.mask[0], 0.0);   // the crossing one, north
        QCOMPARE(m.unknown, std::vector<Count>{1});
        QCOMPARE(m.crossing, std::vector<Count>{2});
        QCOMPARE(f.Warnings().size(), std::size_t(2));
        r.at = {15, 0};
        QCOMPARE(CodeOf([&] { RunSkyMask(plan, r, f); }), ErrorCode::InsideRoof);
    }
};

QTEST_APPLESS_MAIN(PredictTest)
#include "test_predict.moc"
