// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <sstream>

#include "data/ProjectFile.h"
#include "data/Scenes.h"

using namespace velmora;

// While non-zero, every allocation of at least this many bytes fails, so a
// test can run out of memory on purpose.
static std::size_t gFailAllocationsFrom = 0;

void* operator new(std::size_t n) {
    if (gFailAllocationsFrom != 0 && n >= gFailAllocationsFrom)
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

std::unique_ptr<BuildingData> NewRecord() {
    return std::make_unique<BuildingData>();
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            out.push_back(text.substr(pos));
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

// A record with `roofs` roofs of `perRoof` points each (closed outlines),
// `walls` wall lines spread over the roofs, and values that exercise signs and
// fractions beyond one decimal.
void Fill(BuildingData& d, int roofs, int perRoof, int walls, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-600.0f, 600.0f);
    std::uniform_real_distribution<float> height(0.0f, 120.0f);
    for (int r = 0; r < roofs; ++r) {
        std::vector<PicturePoint> outline;
        for (int i = 0; i + 1 < perRoof; ++i)
            outline.push_back({coord(rng), coord(rng)});
        outline.push_back(outline.front());
        QCOMPARE(AppendTopArea(d, outline), AppendResult::Ok);
        d.gFlatTopHeight[static_cast<std::size_t>(r)] = height(rng);
    }
    for (int w = 0; w < walls; ++w)
        QCOMPARE(AppendWallEdge(d, {coord(rng), coord(rng)}, {coord(rng), coord(rng)},
                                static_cast<Count>(roofs > 0 ? w % roofs : 0)),
                 AppendResult::Ok);
    d.gNorthAngle = std::uniform_real_distribution<float>(0.0f, 360.0f)(rng);
    d.gSourceHeight = 598.4172f;
    d.gFlatHeight = 126.91253f;
    d.gSlideHeight = 102.00031f;
    d.gSlideAngle = 36.514771f;
}

bool WithinOneDecimal(float read, float written) {
    return std::fabs(static_cast<double>(read) - static_cast<double>(written)) <= 0.05 + 1e-4;
}

bool SevenDigits(float read, float written) {
    const double w = written;
    return std::fabs(static_cast<double>(read) - w) <= std::fabs(w) * 6e-7 + 1e-30;
}

// The invariants a successful read must guarantee to every later reader.
void CheckConsistent(const BuildingData& d) {
    QVERIFY(d.gTopAreaPointTotalNumber >= 0);
    QVERIFY(static_cast<std::size_t>(d.gTopAreaPointTotalNumber) <= kPointCapacity);
    QVERIFY(d.gEachTopAreaNumber >= 0);
    QVERIFY(static_cast<std::size_t>(d.gEachTopAreaNumber) <= kRoofCapacity);
    QVERIFY(d.gWallEdgeNumber >= 0);
    QVERIFY(static_cast<std::size_t>(d.gWallEdgeNumber) <= kWallCapacity);
    for (int r = 0; r < d.gEachTopAreaNumber; ++r) {
        const auto s = static_cast<std::size_t>(r);
        QVERIFY(d.gEachTopAreaStartNum[s] >= 0);
        QVERIFY(d.gEachTopAreaPointNum[s] >= 0);
        QVERIFY(d.gEachTopAreaStartNum[s] + d.gEachTopAreaPointNum[s] <=
                d.gTopAreaPointTotalNumber);
    }
    for (int w = 0; w < d.gWallEdgeNumber; ++w) {
        const Count owner = d.gWallEdgefotEachTopArea[static_cast<std::size_t>(w)];
        QVERIFY(owner >= 0 && owner < d.gEachTopAreaNumber);
    }
}

void CheckEmpty(const BuildingData& d) {
    QCOMPARE(d.gTopAreaPointTotalNumber, Count(0));
    QCOMPARE(d.gEachTopAreaNumber, Count(0));
    QCOMPARE(d.gWallEdgeNumber, Count(0));
}

// A small valid file: 5 points, 2 roofs, 2 walls.
const std::string kValid = "12\r\n"
                           "657,788,-13,-3\r\n"
                           "598,126.9125,102,36.51477\r\n"
                           "5\r\n"
                           "1.0,2.0\r\n"
                           "3.0,4.0\r\n"
                           "1.0,2.0\r\n"
                           "-5.5,6.5\r\n"
                           "-5.5,6.5\r\n"
                           "2\r\n"
                           "0.0,3.0,1.0,20.5\r\n"
                           "3.0,2.0,1.0,30.0\r\n"
                           "2\r\n"
                           "1.0,2.0,1.0,-40.0,0.0\r\n"
                           "-5.5,6.5,-5.5,-20.0,1.0\r\n";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto pos = text.find(from);
    if (pos != std::string::npos)
        text.replace(pos, from.size(), to);
    return text;
}

// The floats a project file carries, each with the rounding step of its
// field's format (0: 7 significant digits).
std::vector<std::pair<float*, double>> Floats(BuildingData& r, ViewGeometry& v) {
    std::vector<std::pair<float*, double>> out;
    for (float* f : {&r.gNorthAngle, &v.top, &v.left})
        out.push_back({f, 0.5});
    for (float* f :
         {&v.height, &v.width, &r.gSourceHeight, &r.gFlatHeight, &r.gSlideHeight, &r.gSlideAngle})
        out.push_back({f, 0.0});
    for (float* f : {&r.gTopAreaX[0], &r.gTopAreaY[0], &r.gFlatTopHeight[0], &r.gFirstWallEdgeX[0],
                     &r.gFirstWallEdgeY[0], &r.gSecondWallEdgeX[0], &r.gSecondWallEdgeY[0]})
        out.push_back({f, 0.05});
    return out;
}

// A refused text fails at `line`, empties the tables and changes neither
// the view parameters nor the view.
void ExpectRejected(const std::string& text, int line) {
    auto d = NewRecord();
    Fill(*d, 3, 5, 4, 11);
    const float north = d->gNorthAngle;
    const float flat = d->gFlatHeight;
    const ViewGeometry before{1, 2, 3, 4};
    ViewGeometry view = before;
    const FileResult r = ReadProjectText(*d, text, view);
    QVERIFY(!r.ok);
    QCOMPARE(r.line, line);
    QVERIFY2(QString::fromStdString(r.error).startsWith(QString("line %1: ").arg(line)),
             r.error.c_str());
    CheckEmpty(*d);
    QCOMPARE(d->gNorthAngle, north);
    QCOMPARE(d->gFlatHeight, flat);
    QCOMPARE(view, before);
}

} // namespace

class ProjectFileTest : public QObject {
    Q_OBJECT
  private slots:
    void sampleTwoLines_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("north") << 1 << "0";
        QTest::newRow("view") << 2 << "657,788,-13,-3";
        QTest::newRow("altitudes") << 3 << "598,126.9125,102,36.51477";
        QTest::newRow("point count") << 4 << "37";
        QTest::newRow("first point") << 5 << "110.0,4.0";
        QTest::newRow("second point") << 6 << "111.0,-62.0";
        QTest::newRow("roof count") << 42 << "6";
        QTest::newRow("roof 0") << 43 << "0.0,7.0,1.0,26.3";
        QTest::newRow("wall count") << 49 << "10";
        QTest::newRow("wall 0") << 50 << "111.0,-62.0,93.0,-146.0,0.0";
    }
    // The second built-in sample data set, written out.
    void sampleTwoLines() {
        QFETCH(int, line);
        QFETCH(QString, text);
        auto d = NewRecord();
        const SampleDataValues& sample = SampleDataFor(2);
        QVERIFY(LoadSampleDataTables(*d, 2));
        d->gNorthAngle = sample.northAngle;
        d->gSourceHeight = sample.parameters.sourceHeight;
        d->gFlatHeight = sample.parameters.flatHeight;
        d->gSlideHeight = sample.parameters.slideHeight;
        d->gSlideAngle = sample.parameters.slideAngle;
        const auto lines = LinesOf(ProjectFileText(*d, sample.view));
        QCOMPARE(lines.size(), std::size_t(3 + 1 + 37 + 1 + 6 + 1 + 10));
        QCOMPARE(QString::fromStdString(lines[static_cast<std::size_t>(line - 1)]), text);
    }

    void emptyRecordIsSixLines() {
        auto d = NewRecord();
        Fill(*d, 4, 5, 3, 1);
        ResetAllDataBuildingData(*d);
        const std::string text = ProjectFileText(*d, {100, 200, 0, 0});
        const auto lines = LinesOf(text);
        QCOMPARE(lines.size(), std::size_t(6));
        QCOMPARE(lines[3], std::string("0"));
        QCOMPARE(lines[4], std::string("0"));
        QCOMPARE(lines[5], std::string("0"));
        QVERIFY(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n");
    }

    void northAngleLine_data() {
        QTest::addColumn<float>("angle");
        QTest::addColumn<QString>("line");
        QTest::newRow("359.6") << 359.6f << "360";
        QTest::newRow("12.5 away from zero") << 12.5f << "13";
        QTest::newRow("0.4") << 0.4f << "0";
        QTest::newRow("360") << 360.0f << "360";
    }
    void northAngleLine() {
        QFETCH(float, angle);
        QFETCH(QString, line);
        auto d = NewRecord();
        d->gNorthAngle = angle;
        QCOMPARE(QString::fromStdString(LinesOf(ProjectFileText(*d, {}))[0]), line);
    }

    void roundTrip_data() {
        QTest::addColumn<int>("roofs");
        QTest::addColumn<int>("perRoof");
        QTest::addColumn<int>("walls");
        QTest::newRow("empty") << 0 << 0 << 0;
        QTest::newRow("one roof no walls") << 1 << 5 << 0;
        QTest::newRow("small") << 6 << 6 << 10;
        QTest::newRow("at capacity") << 500 << 4 << 801; // 2000 points
    }
    void roundTrip() {
        QFETCH(int, roofs);
        QFETCH(int, perRoof);
        QFETCH(int, walls);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string path = dir.filePath("round.dat").toStdString();
        // An older, longer file at the target is replaced as a whole.
        std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
        auto src = NewRecord();
        Fill(*src, roofs, perRoof, walls, 7u + static_cast<unsigned>(roofs));
        const ViewGeometry view{657.25f, 788.5f, -13.4f, -2.6f};
        QVERIFY(WriteProjectFile(*src, view, path).ok);

        auto back = NewRecord();
        // Stale plan coordinates must not survive a read.
        back->gFlatTopAreaX.fill(9);
        back->gFlatTopAreaY.fill(9);
        ViewGeometry viewBack;
        const FileResult r = ReadProjectFile(*back, path, viewBack);
        QVERIFY2(r.ok, r.error.c_str());
        CheckConsistent(*back);

        QCOMPARE(back->gNorthAngle, std::round(src->gNorthAngle));
        QVERIFY(SevenDigits(back->gSourceHeight, src->gSourceHeight));
        QVERIFY(SevenDigits(back->gFlatHeight, src->gFlatHeight));
        QVERIFY(SevenDigits(back->gSlideHeight, src->gSlideHeight));
        QVERIFY(SevenDigits(back->gSlideAngle, src->gSlideAngle));
        QVERIFY(SevenDigits(viewBack.height, view.height));
        QVERIFY(SevenDigits(viewBack.width, view.width));
        QCOMPARE(viewBack.top, -13.0f);
        QCOMPARE(viewBack.left, -3.0f);

        QCOMPARE(back->gTopAreaPointTotalNumber, src->gTopAreaPointTotalNumber);
        QCOMPARE(back->gEachTopAreaNumber, src->gEachTopAreaNumber);
        QCOMPARE(back->gWallEdgeNumber, src->gWallEdgeNumber);
        for (std::size_t i = 0; i < static_cast<std::size_t>(src->gTopAreaPointTotalNumber); ++i) {
            QVERIFY(WithinOneDecimal(back->gTopAreaX[i], src->gTopAreaX[i]));
            QVERIFY(WithinOneDecimal(back->gTopAreaY[i], src->gTopAreaY[i]));
            QCOMPARE(back->gFlatTopAreaX[i], 0.0f);
            QCOMPARE(back->gFlatTopAreaY[i], 0.0f);
        }
        for (std::size_t r2 = 0; r2 < static_cast<std::size_t>(src->gEachTopAreaNumber); ++r2) {
            QCOMPARE(back->gEachTopAreaStartNum[r2], src->gEachTopAreaStartNum[r2]);
            QCOMPARE(back->gEachTopAreaPointNum[r2], src->gEachTopAreaPointNum[r2]);
            QCOMPARE(back->gEachClosedTopAreaSTS[r2], Count(1));
            QVERIFY(WithinOneDecimal(back->gFlatTopHeight[r2], src->gFlatTopHeight[r2]));
        }
        for (std::size_t w = 0; w < static_cast<std::size_t>(src->gWallEdgeNumber); ++w) {
            QVERIFY(WithinOneDecimal(back->gFirstWallEdgeX[w], src->gFirstWallEdgeX[w]));
            QVERIFY(WithinOneDecimal(back->gFirstWallEdgeY[w], src->gFirstWallEdgeY[w]));
            QVERIFY(WithinOneDecimal(back->gSecondWallEdgeX[w], src->gSecondWallEdgeX[w]));
            QVERIFY(WithinOneDecimal(back->gSecondWallEdgeY[w], src->gSecondWallEdgeY[w]));
            QCOMPARE(back->gWallEdgefotEachTopArea[w], src->gWallEdgefotEachTopArea[w]);
        }
        // Written again, the text is identical: nothing drifts on a second
        // save; and the file holds exactly that text.
        QCOMPARE(ProjectFileText(*back, viewBack), ProjectFileText(*src, view));
        std::ifstream in(path, std::ios::binary);
        std::stringstream onDisk;
        onDisk << in.rdbuf();
        QCOMPARE(onDisk.str(), ProjectFileText(*src, view));
        QVERIFY(!std::filesystem::exists(path + ".velmora-tmp"));
    }

    void everyWrittenValueReadsBack_data() {
        QTest::addColumn<int>("minExp");
        QTest::addColumn<int>("maxExp");
        QTest::newRow("below 1e-15, down to the smallest") << -150 << -50;
        QTest::newRow("ordinary") << -20 << 20;
        QTest::newRow("above 1e15, up to the largest") << 50 << 128;
        QTest::newRow("any magnitude") << -150 << 128;
    }
    // Whatever finite float the writer is given reads back as the value it
    // wrote (7 significant digits, one decimal or a whole number by field).
    void everyWrittenValueReadsBack() {
        QFETCH(int, minExp);
        QFETCH(int, maxExp);
        std::mt19937 rng(4242u + static_cast<unsigned>(minExp + 200));
        std::uniform_real_distribution<double> mantissa(0.5, 1.0);
        std::uniform_int_distribution<int> exponent(minExp, maxExp);
        for (int round = 0; round < 250; ++round) {
            auto src = NewRecord();
            ViewGeometry view;
            src->gTopAreaPointTotalNumber = 1;
            src->gEachTopAreaNumber = 1;
            src->gEachTopAreaPointNum[0] = 1;
            src->gWallEdgeNumber = 1;
            for (const auto& field : Floats(*src, view)) {
                do {
                    const double sign = rng() % 2 ? -1.0 : 1.0;
                    *field.first =
                        static_cast<float>(sign * std::ldexp(mantissa(rng), exponent(rng)));
                } while (!std::isfinite(*field.first));
            }
            const std::string text = ProjectFileText(*src, view);
            auto back = NewRecord();
            ViewGeometry viewBack;
            const FileResult r = ReadProjectText(*back, text, viewBack);
            QVERIFY2(r.ok, (r.error + "\n" + text).c_str());
            const auto written = Floats(*src, view);
            const auto read = Floats(*back, viewBack);
            for (std::size_t i = 0; i < written.size(); ++i) {
                const auto [w, step] = written[i];
                const float got = *read[i].first;
                // Plus the float rounding of the value read.
                const double allowed =
                    step + std::fabs(*w) * (step == 0 ? 6e-7 : 1.2e-7) + FLT_TRUE_MIN;
                QVERIFY2(std::fabs(static_cast<double>(got) - *w) <= allowed,
                         qPrintable(
                             QString("wrote %1, read %2").arg(*w, 0, 'g', 9).arg(got, 0, 'g', 9)));
            }
            // Saved again, nothing drifts. (The text may change once: 7 digits
            // round a float just above 1E+28 to a value read as one below.)
            auto again = NewRecord();
            ViewGeometry viewAgain;
            QVERIFY(ReadProjectText(*again, ProjectFileText(*back, viewBack), viewAgain).ok);
            const auto reread = Floats(*again, viewAgain);
            for (std::size_t i = 0; i < read.size(); ++i)
                QCOMPARE(*reread[i].first, *read[i].first);
        }
    }

    void tempDataFlag_data() {
        QTest::addColumn<int>("roofs");
        QTest::addColumn<int>("walls");
        QTest::addColumn<bool>("keep");
        QTest::newRow("no roofs") << 0 << 0 << false;
        QTest::newRow("two roofs") << 2 << 2 << false;
        QTest::newRow("three roofs") << 3 << 1 << true;
        QTest::newRow("three roofs no wall") << 3 << 0 << false;
        QTest::newRow("many") << 40 << 60 << true;
    }
    void tempDataFlag() {
        QFETCH(int, roofs);
        QFETCH(int, walls);
        QFETCH(bool, keep);
        QTemporaryDir dir;
        auto d = NewRecord();
        Fill(*d, roofs, 4, walls, 3);
        // Start from the opposite value so the write must set it.
        d->gTempDataSTS = ToVBool(!keep);
        QVERIFY(WriteProjectFile(*d, {}, dir.filePath("t.dat").toStdString()).ok);
        QCOMPARE(d->gTempDataSTS, ToVBool(keep));
    }

    void failedWriteKeepsExistingFile_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("temporary file cannot be written") << "blocked";
        QTest::newRow("target is a folder") << "folder";
        QTest::newRow("missing folder") << "missing";
    }
    void failedWriteKeepsExistingFile() {
        QFETCH(QString, how);
        QTemporaryDir dir;
        std::string path = dir.filePath("keep.dat").toStdString();
        const std::string before = "old contents\r\n";
        if (how == "blocked") {
            std::ofstream(path, std::ios::binary) << before;
        } else if (how == "folder") {
            std::filesystem::create_directories(path + "/inner");
        } else {
            path = dir.filePath("nowhere/keep.dat").toStdString();
        }
        auto d = NewRecord();
        Fill(*d, 3, 4, 2, 5);
        d->gTempDataSTS = kFalse;
        // Blocked: the temporary file is created but takes no byte (root
        // is not exempt from this limit).
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit saved = limit;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = how == "blocked" ? 0 : saved.rlim_cur;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileResult r = WriteProjectFile(*d, {}, path);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        for (const auto& e : std::filesystem::directory_iterator(dir.path().toStdString()))
            QVERIFY2(e.path().filename().string().rfind(".velmora-", 0) != 0,
                     "a temporary file is left");
        QVERIFY(!r.ok);
        QVERIFY(!r.error.empty());
        QCOMPARE(d->gTempDataSTS, kFalse);
        if (how == "blocked") {
            std::ifstream in(path, std::ios::binary);
            std::stringstream got;
            got << in.rdbuf();
            QCOMPARE(got.str(), before);
        } else if (how == "folder") {
            QVERIFY(std::filesystem::is_directory(path + "/inner"));
            QVERIFY(!std::filesystem::exists(path + ".velmora-tmp"));
        }
    }

    void savesThroughLinksOnly_data() {
        QTest::addColumn<QStringList>("links"); // "name>target", made in order; @ is the folder
        QTest::addColumn<QString>("written");   // where the text must land
        QTest::newRow("relative link") << QStringList{"site.dat>real.dat"} << "real.dat";
        QTest::newRow("absolute link") << QStringList{"site.dat>@/real.dat"} << "real.dat";
        QTest::newRow("link into a subfolder")
            << QStringList{"site.dat>sub/real.dat"} << "sub/real.dat";
        QTest::newRow("chain of links")
            << QStringList{"site.dat>sub/next.dat", "sub/next.dat>../real.dat"} << "real.dat";
        QTest::newRow("dangling link") << QStringList{"site.dat>sub/new.dat"} << "sub/new.dat";
        QTest::newRow("planted temporary name")
            << QStringList{"site.dat.velmora-tmp>victim.dat"} << "site.dat";
    }
    // A save through a link replaces the file it names and keeps the link;
    // a link planted under a temporary name redirects nothing.
    void savesThroughLinksOnly() {
        QFETCH(QStringList, links);
        QFETCH(QString, written);
        namespace fs = std::filesystem;
        QTemporaryDir tmp;
        const fs::path dir = tmp.path().toStdString();
        fs::create_directory(dir / "sub");
        const std::string old = "old contents\r\n";
        std::vector<std::string> files{"real.dat", "sub/real.dat", "victim.dat"};
        if (!links.join(' ').startsWith("site.dat>"))
            files.push_back("site.dat");
        for (const auto& f : files)
            std::ofstream(dir / f, std::ios::binary) << old;
        for (const QString& link : links)
            fs::create_symlink(link.section('>', 1).replace("@", tmp.path()).toStdString(),
                               dir / link.section('>', 0, 0).toStdString());
        auto d = NewRecord();
        Fill(*d, 3, 4, 2, 5);
        const FileResult r = WriteProjectFile(*d, {}, (dir / "site.dat").string());
        QVERIFY2(r.ok, r.error.c_str());
        QCOMPARE(ReadAll((dir / written.toStdString()).string()), ProjectFileText(*d, {}));
        for (const auto& f : files)
            if (f != written.toStdString())
                QCOMPARE(ReadAll((dir / f).string()), old);
        for (const QString& link : links)
            QVERIFY(fs::is_symlink(dir / link.section('>', 0, 0).toStdString()));
        for (const auto& e : fs::recursive_directory_iterator(dir))
            QVERIFY(e.path().filename().string().rfind(".velmora-", 0) != 0);
    }

    void permissions_data() {
        QTest::addColumn<int>("mode"); // -1: no file yet
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("asUser");  // root saves as an ordinary user
        QTest::addColumn<int>("expected"); // mode after the save; -1: refused
        QTest::newRow("private file") << 0600 << 022 << false << 0600;
        QTest::newRow("group readable") << 0640 << 077 << false << 0640;
        QTest::newRow("executable bits") << 0755 << 022 << false << 0755;
        QTest::newRow("new file follows the umask") << -1 << 027 << false << 0640;
        QTest::newRow("read-only file") << 0444 << 022 << true << -1;
        QTest::newRow("file anyone may write") << 0666 << 022 << true << 0666;
    }
    // The new file keeps the old one's mode, and a file the user may not
    // write is not replaced. Root may write any file, so the save runs in a
    // child process that becomes an ordinary user when the tests run as root.
    void permissions() {
        QFETCH(int, mode);
        QFETCH(int, mask);
        QFETCH(bool, asUser);
        QFETCH(int, expected);
        QTemporaryDir dir;
        // Anyone may add files to the folder: only the file's mode can stop
        // the save.
        QCOMPARE(::chmod(dir.path().toLocal8Bit().constData(), 0777), 0);
        const std::string path = dir.filePath("m.dat").toStdString();
        const std::string old = "old contents\r\n";
        if (mode >= 0) {
            std::ofstream(path, std::ios::binary) << old;
            QCOMPARE(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0);
        }
        auto d = NewRecord();
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::umask(static_cast<mode_t>(mask));
            if (asUser && ::getuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            const FileResult r = WriteProjectFile(*d, {}, path);
            ::_exit(r.ok ? 0 : r.error.empty() ? 2 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            QSKIP("cannot run the save as an ordinary user");
        QCOMPARE(WEXITSTATUS(status), expected < 0 ? 1 : 0);
        QCOMPARE(ReadAll(path) == old, expected < 0);
        struct stat st {};
        QCOMPARE(::stat(path.c_str(), &st), 0);
        QCOMPARE(static_cast<int>(st.st_mode & 07777), expected < 0 ? mode : expected);
    }

    void acceptedVariants_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("as written") << QString::fromStdString(kValid);
        QString lf = QString::fromStdString(kValid);
        lf.replace("\r\n", "\n");
        QTest::newRow("lone line feeds") << lf;
        QString blanks = QString::fromStdString(kValid);
        blanks.replace(",", " , ");
        blanks.replace("\r\n", " \r\n ");
        QTest::newRow("blanks around fields") << blanks;
        QString noEnd = QString::fromStdString(kValid);
        noEnd.chop(2);
        QTest::newRow("no final line end") << noEnd;
        QTest::newRow("trailing text ignored")
            << QString::fromStdString(kValid) + "whatever\r\n1,2,3\r\n";
        // Written by many Windows editors; toStdString gives EF BB BF.
        QTest::newRow("UTF-8 byte-order mark") << QChar(0xFEFF) + QString::fromStdString(kValid);
        QTest::newRow("mark and line feeds") << QChar(0xFEFF) + lf;
    }
    // Variants of the same file all read to the same record.
    void acceptedVariants() {
        QFETCH(QString, text);
        auto d = NewRecord();
        ViewGeometry view;
        const FileResult r = ReadProjectText(*d, text.toStdString(), view);
        QVERIFY2(r.ok, r.error.c_str());
        auto ref = NewRecord();
        ViewGeometry refView;
        QVERIFY(ReadProjectText(*ref, kValid, refView).ok);
        QCOMPARE(ProjectFileText(*d, view), ProjectFileText(*ref, refView));
        QCOMPARE(d->gNorthAngle, 12.0f);
        QCOMPARE(view.width, 788.0f);
        QCOMPARE(d->gTopAreaPointTotalNumber, Count(5));
        QCOMPARE(d->gTopAreaX[3], -5.5f);
        QCOMPARE(d->gEachTopAreaStartNum[1], Count(3));
        QCOMPARE(d->gFlatTopHeight[0], 20.5f);
        QCOMPARE(d->gWallEdgefotEachTopArea[1], Count(1));
        QCOMPARE(d->gSecondWallEdgeY[0], -40.0f);
    }

    void lenientFields_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("field");
        QTest::addColumn<float>("value");
        QTest::newRow("missing y reads 0") << "3.0,4.0\r\n"
                                           << "3.0\r\n"
                                           << "y1" << 0.0f;
        QTest::newRow("non-numeric x reads 0") << "3.0,4.0\r\n"
                                               << "abc,4.0\r\n"
                                               << "x1" << 0.0f;
        QTest::newRow("third field is plan x") << "3.0,4.0\r\n"
                                               << "3.0,4.0,7.5,-8.5\r\n"
                                               << "flatx1" << 7.5f;
        QTest::newRow("fourth field is plan y") << "3.0,4.0\r\n"
                                                << "3.0,4.0,7.5,-8.5\r\n"
                                                << "flaty1" << -8.5f;
        QTest::newRow("empty north line") << "12\r\n"
                                          << "\r\n"
                                          << "north" << 0.0f;
        QTest::newRow("north not rounded") << "12\r\n"
                                           << "12.75\r\n"
                                           << "north" << 12.75f;
        QTest::newRow("doubled comma shifts a field") << "598,126.9125,102"
                                                      << "598,,126.9125,102"
                                                      << "flat" << 0.0f;
        QTest::newRow("status rounds half to even") << "0.0,3.0,1.0,20.5"
                                                    << "0.0,3.0,2.5,20.5"
                                                    << "status0" << 2.0f;
        QTest::newRow("count rounds half to even") << "2\r\n0.0,3.0"
                                                   << "2.5\r\n0.0,3.0"
                                                   << "roofs" << 2.0f;
        // Too small for a double, not too large for a float.
        QTest::newRow("vanishing fraction reads 0") << "598,"
                                                    << "0." + QString(400, '0') + "1,"
                                                    << "source" << 0.0f;
    }
    void lenientFields() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, field);
        QFETCH(float, value);
        const std::string text = Replace(kValid, from.toStdString(), to.toStdString());
        QVERIFY(text != kValid);
        auto d = NewRecord();
        ViewGeometry view;
        const FileResult r = ReadProjectText(*d, text, view);
        QVERIFY2(r.ok, r.error.c_str());
        float got = -999;
        if (field == "y1")
            got = d->gTopAreaY[1];
        else if (field == "x1")
            got = d->gTopAreaX[1];
        else if (field == "flatx1")
            got = d->gFlatTopAreaX[1];
        else if (field == "flaty1")
            got = d->gFlatTopAreaY[1];
        else if (field == "north")
            got = d->gNorthAngle;
        else if (field == "flat")
            got = d->gFlatHeight;
        else if (field == "status0")
            got = d->gEachClosedTopAreaSTS[0];
        else if (field == "roofs")
            got = d->gEachTopAreaNumber;
        else if (field == "source")
            got = d->gSourceHeight;
        QCOMPARE(got, value);
    }

    void rejectedFiles_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("line");
        const QString big = QString(40, '9');
        QTest::newRow("empty file") << ""
                                    << "" << 1;
        QTest::newRow("points above capacity") << "\r\n5\r\n"
                                               << "\r\n2002\r\n"
                                               << 4;
        QTest::newRow("points beyond 16 bits") << "\r\n5\r\n"
                                               << "\r\n40000\r\n"
                                               << 4;
        QTest::newRow("roofs below 0") << "\r\n2\r\n0.0"
                                       << "\r\n-1\r\n0.0" << 10;
        QTest::newRow("roofs above capacity") << "\r\n2\r\n0.0"
                                              << "\r\n502\r\n0.0" << 10;
        QTest::newRow("walls above capacity") << "\r\n2\r\n1.0"
                                              << "\r\n802\r\n1.0" << 13;
        QTest::newRow("too few points") << "\r\n5\r\n"
                                        << "\r\n50\r\n"
                                        << 16;
        QTest::newRow("too few walls") << "\r\n2\r\n1.0"
                                       << "\r\n3\r\n1.0" << 16;
        QTest::newRow("roof run past points") << "3.0,2.0,1.0"
                                              << "3.0,3.0,1.0" << 12;
        QTest::newRow("roof start negative") << "3.0,2.0,1.0"
                                             << "-1.0,2.0,1.0" << 12;
        QTest::newRow("roof count negative") << "3.0,2.0,1.0"
                                             << "3.0,-2.0,1.0" << 12;
        QTest::newRow("roof start beyond 16 bits") << "3.0,2.0,1.0"
                                                   << "70000.0,2.0,1.0" << 12;
        QTest::newRow("wall owner names no roof") << "-20.0,1.0"
                                                  << "-20.0,2.0" << 15;
        QTest::newRow("wall owner negative") << "-40.0,0.0"
                                             << "-40.0,-1.0" << 14;
        QTest::newRow("40 digits in a point") << "3.0,4.0"
                                              << "3.0," + big << 6;
        QTest::newRow("40 digits north") << "12\r\n" << big + "\r\n" << 1;
        QTest::newRow("40 digits altitude") << "598," << big + "," << 3;
        QTest::newRow("40 digits view") << "657,"
                                        << "-" + big + "," << 2;
        QTest::newRow("40 digits height") << "20.5" << big << 11;
        QTest::newRow("40 digits count") << "\r\n2\r\n1.0"
                                         << "\r\n" + big + "\r\n1.0" << 13;
    }
    // Each fault fails the read as a whole at the line it is on; the tables
    // end up empty and the view values stay as they were.
    void rejectedFiles() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, line);
        const std::string text =
            from.isEmpty() ? std::string() : Replace(kValid, from.toStdString(), to.toStdString());
        QVERIFY(from.isEmpty() || text != kValid);
        ExpectRejected(text, line);
    }

    void notProjectFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        const QString valid = QString::fromStdString(kValid);
        QByteArray utf16(reinterpret_cast<const char*>(valid.utf16()), valid.size() * 2);
        QTest::newRow("UTF-16 with mark") << QByteArray("\xFF\xFE") + utf16 << 1;
        for (qsizetype i = 0; i + 1 < utf16.size(); i += 2)
            std::swap(utf16[i], utf16[i + 1]);
        QTest::newRow("UTF-16 big-endian, no mark") << utf16 << 1;
        QTest::newRow("blank lines only") << QByteArray("\r\n\r\n\r\n\r\n\r\n\r\n\r\n") << 2;
        QTest::newRow("text without numbers")
            << QByteArray("[settings]\r\nname=site\r\ncolour=red\r\n0\r\n0\r\n0\r\n") << 2;
        const QByteArray ascii = QByteArray::fromStdString(kValid);
        QTest::newRow("Latin-1 degree sign") << QByteArray(ascii).replace("20.5", "20.5\xB0") << 11;
        QTest::newRow("UTF-8 word")
            << QByteArray(ascii).replace("30.0", "30.0 \xE5\xB1\x8B\xE6\xA0\xB9") << 12;
        QTest::newRow("NUL in trailing text") << ascii + QByteArray("x\0y", 3) << 16;
        QTest::newRow("mark twice") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF") + ascii << 1;
    }
    // Files that are not project files are refused, never opened as an
    // empty or partial project.
    void notProjectFiles() {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        ExpectRejected(text.toStdString(), line);
    }

    void oversizedFiles_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("sparse");
        QTest::addColumn<bool>("ok");
        const qint64 cap = 16 * 1024 * 1024;
        QTest::newRow("16 MB of valid text") << cap << false << true;
        QTest::newRow("one byte more") << cap + 1 << false << false;
        QTest::newRow("8 GB, never read") << (qint64(8) << 30) << true << false;
    }
    // The size decides before the text is read: a huge file is refused at
    // once instead of exhausting memory.
    void oversizedFiles() {
        QFETCH(qint64, size);
        QFETCH(bool, sparse);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const std::string path = dir.filePath("big.dat").toStdString();
        {
            std::ofstream out(path, std::ios::binary);
            out << kValid;
            if (!sparse) // trailing text after the walls is ignored
                out << std::string(static_cast<std::size_t>(size) - kValid.size(), '#');
        }
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
        auto d = NewRecord();
        Fill(*d, 3, 5, 4, 11);
        const ViewGeometry before{1, 2, 3, 4};
        ViewGeometry view = before;
        const FileResult r = ReadProjectFile(*d, path, view);
        QVERIFY2(r.ok == ok, r.error.c_str());
        if (!ok) {
            QCOMPARE(r.line, 0);
            QVERIFY2(r.error.find(std::to_string(size) + " バイト、上限 16 MB") !=
                         std::string::npos,
                     r.error.c_str());
            CheckEmpty(*d);
            QCOMPARE(view, before);
        }
    }

    void outOfMemory_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("from");
        QTest::newRow("file reader, its buffer") << "file" << (1 << 19);
        QTest::newRow("text reader, any string") << "text" << 16;
        QTest::newRow("writer, its text") << "write" << 4096;
    }
    // Running out of memory is a failed read or save, never an exception
    // that ends the program.
    void outOfMemory() {
        QFETCH(QString, call);
        QFETCH(int, from);
        QTemporaryDir dir;
        const std::string path = dir.filePath("m.dat").toStdString();
        std::ofstream(path, std::ios::binary) << kValid << std::string(std::size_t(1) << 20, '#');
        auto d = NewRecord();
        Fill(*d, 30, 5, 40, 11);
        ViewGeometry view;
        FileResult r;
        gFailAllocationsFrom = static_cast<std::size_t>(from);
        try {
            if (call == "file")
                r = ReadProjectFile(*d, path, view);
            else if (call == "text")
                r = ReadProjectText(*d, kValid, view);
            else
                r = WriteProjectFile(*d, view, path);
        } catch (...) {
            gFailAllocationsFrom = 0;
            QFAIL("an exception left the call");
        }
        gFailAllocationsFrom = 0;
        QVERIFY(!r.ok);
        // Where even short strings fail, so does the reason's own text.
        QVERIFY(call == "text" || !r.error.empty());
        if (call != "write")
            CheckEmpty(*d);
        else
            QCOMPARE(ReadAll(path).size(), kValid.size() + (std::size_t(1) << 20));
    }

    void unreadablePathFails_data() {
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing file") << false;
        QTest::newRow("folder named like a project file") << true;
    }
    void unreadablePathFails() {
        QFETCH(bool, folder);
        QTemporaryDir dir;
        if (folder)
            QVERIFY(QDir(dir.path()).mkdir("site.dat"));
        auto d = NewRecord();
        Fill(*d, 2, 4, 1, 2);
        ViewGeometry view;
        const FileResult r = ReadProjectFile(*d, dir.filePath("site.dat").toStdString(), view);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.empty());
        CheckEmpty(*d);
    }

    // A file cut after any whole line fails at the first missing line; a cut
    // anywhere else never crashes and leaves a consistent record.
    void truncations() {
        const auto lines = LinesOf(kValid);
        std::string prefix;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            auto d = NewRecord();
            ViewGeometry view;
            const FileResult r = ReadProjectText(*d, prefix, view);
            QVERIFY2(!r.ok, prefix.c_str());
            QCOMPARE(r.line, static_cast<int>(k) + 1);
            CheckEmpty(*d);
            prefix += lines[k] + "\r\n";
        }
        for (std::size_t cut = 0; cut < kValid.size(); ++cut) {
            auto d = NewRecord();
            ViewGeometry view;
            const FileResult r = ReadProjectText(*d, kValid.substr(0, cut), view);
            CheckConsistent(*d);
            if (!r.ok)
                CheckEmpty(*d);
        }
    }

    void randomBytes_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("noise") << "noise";
        QTest::newRow("digits and separators") << "digits";
        QTest::newRow("mutated valid file") << "mutated";
    }
    void randomBytes() {
        QFETCH(QString, kind);
        std::mt19937 rng(20240601);
        const std::string alphabet = "0123456789.,-+ \r\n";
        int accepted = 0;
        for (int round = 0; round < 3000; ++round) {
            std::string text;
            if (kind == "noise") {
                text.resize(rng() % 400);
                for (char& c : text)
                    c = static_cast<char>(rng() & 0xFF);
            } else if (kind == "digits") {
                text.resize(rng() % 400);
                for (char& c : text)
                    c = alphabet[rng() % alphabet.size()];
            } else {
                text = kValid;
                const int edits = 1 + static_cast<int>(rng() % 4);
                for (int e = 0; e < edits; ++e)
                    text[rng() % text.size()] = alphabet[rng() % alphabet.size()];
            }
            auto d = NewRecord();
            ViewGeometry view;
            const FileResult r = ReadProjectText(*d, text, view);
            CheckConsistent(*d);
            if (r.ok)
                ++accepted;
            else
                CheckEmpty(*d);
        }
        if (kind == "mutated")
            QVERIFY(accepted > 0); // harmless edits (a digit for a digit) still read
    }

    void splitters_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sep");
        QTest::addColumn<int>("last");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("doubled comma") << "line"
                                       << "1.0,,2.0"
                                       << "," << 1 << QStringList{"1.0", ",2.0"};
        QTest::newRow("trailing comma") << "line"
                                        << "1.0,2.0,"
                                        << "," << 1 << QStringList{"1.0", "2.0"};
        QTest::newRow("empty text") << "line"
                                    << ""
                                    << "," << -1 << QStringList{""};
        QTest::newRow("empty separator") << "line"
                                         << "a,b"
                                         << "" << -1 << QStringList{""};
        QTest::newRow("leading comma, line") << "line"
                                             << ",a"
                                             << "," << 1 << QStringList{"", "a"};
        QTest::newRow("leading separator, path") << "path"
                                                 << ",a"
                                                 << "," << 0 << QStringList{",a"};
        QTest::newRow("blanks trimmed") << "line"
                                        << " 1 ,  2 "
                                        << "," << 1 << QStringList{"1", "2"};
        QTest::newRow("windows path") << "path"
                                      << "C:\\dir.x\\name.dat"
                                      << "\\" << 2 << QStringList{"C:", "dir.x", "name.dat"};
        QTest::newRow("extension") << "path"
                                   << "C:\\dir.x\\name.dat"
                                   << "." << 2 << QStringList{"C:\\dir", "x\\name", "dat"};
        QTest::newRow("path from root") << "path"
                                        << "\\a\\b"
                                        << "\\" << 1 << QStringList{"\\a", "b"};
        QTest::newRow("longer separator never matches") << "line"
                                                        << "a,,b"
                                                        << ",," << 0 << QStringList{"a,,b"};
        QTest::newRow("tripled comma") << "line"
                                       << "a,,,b"
                                       << "," << 1 << QStringList{"a", ",,b"};
    }
    void splitters() {
        QFETCH(QString, which);
        QFETCH(QString, text);
        QFETCH(QString, sep);
        QFETCH(int, last);
        QFETCH(QStringList, fields);
        auto d = NewRecord();
        const bool line = which == "line";
        // Fill the fields first: the splitter must not leave stale text in
        // fields 0 to 10.
        if (line)
            SplitLine(*d, "p,q,r,s,t,u,v,w,x,y,z,zz", ",");
        else
            SplitPath(*d, "p\\q\\r\\s\\t\\u\\v\\w\\x\\y\\z\\zz", "\\");
        const int got = line ? SplitLine(*d, text.toStdString(), sep.toStdString())
                             : SplitPath(*d, text.toStdString(), sep.toStdString());
        QCOMPARE(got, last);
        const auto& f = line
                            ? std::vector<std::string>(d->gSplitField.begin(), d->gSplitField.end())
                            : std::vector<std::string>(d->gPathField.begin(), d->gPathField.end());
        for (int i = 0; i <= 10; ++i) {
            const QString want = i < fields.size() ? fields[i] : QString();
            QCOMPARE(QString::fromStdString(f[static_cast<std::size_t>(i)]), want);
        }
        // Only fields 0 to 10 are cleared: field 11 keeps what it had.
        QCOMPARE(QString::fromStdString(f[11]), QString("zz"));
    }

    void splittersStopAtTheirCapacity_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<int>("capacity");
        QTest::newRow("line") << "line" << int(kSplitFieldCapacity);
        QTest::newRow("path") << "path" << int(kPathFieldCapacity);
    }
    void splittersStopAtTheirCapacity() {
        QFETCH(QString, which);
        QFETCH(int, capacity);
        std::string text;
        for (int i = 0; i < capacity + 10; ++i)
            text += (i ? "," : "") + std::to_string(i);
        auto d = NewRecord();
        const int got = which == "line" ? SplitLine(*d, text, ",") : SplitPath(*d, text, ",");
        QCOMPARE(got, capacity - 1);
        const std::string& lastField = which == "line"
                                           ? d->gSplitField[static_cast<std::size_t>(capacity - 1)]
                                           : d->gPathField[static_cast<std::size_t>(capacity - 1)];
        // The rest of the text stays in the last field, nothing is lost.
        QCOMPARE(lastField.substr(0, std::to_string(capacity - 1).size() + 1),
                 std::to_string(capacity - 1) + ",");
        const std::string tail = "," + std::to_string(capacity + 9);
        QVERIFY(lastField.size() > tail.size() &&
                lastField.substr(lastField.size() - tail.size()) == tail);
    }
};

QTEST_APPLESS_MAIN(ProjectFileTest)
#include "test_projectfile.moc"
