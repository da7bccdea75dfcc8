// SPDX-License-Identifier: LGPL-3.0-or-later
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "daylin.h"

using daylin::registry::File;

namespace {

const QString kForeignClass = QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}");
// Other components' entries: CR LF and LF lines, blank lines, bytes that are
// not UTF-8. kStale is an earlier registration of ours between them.
const QByteArray kForeignHead = "; written by another installer\r\n"
                                "\r\n"
                                "[{01234567-89AB-CDEF-0123-456789ABCDEF}]\r\n"
                                "Library=/opt/other/libother.so\r\n"
                                "Vendor=Caf\xe9 \xff\r\n"
                                "\r\n"
                                "\r\n";
const QByteArray kStale = "[{f54b5950-59b8-4b15-a121-f8b4c68a3132}]\r\n"
                          "Library=/old/libdaylin.so.1\r\n"
                          "\r\n"
                          "[daylin.CalencerOCX]\n"
                          "CLSID={F54B5950-59B8-4B15-A121-F8B4C68A3132}\n";
const QByteArray kForeignTail = "[other.Widget]\n"
                                "CLSID={01234567-89AB-CDEF-0123-456789ABCDEF}\n"
                                "\n"
                                "; \x80\x81 end\n";

// Loads the library named in the registry for a class id and resolves one
// of its entry points, as a host that does not link daylin would.
template <typename Fn> Fn Resolve(QLibrary& library, const char* name) {
    library.setFileName(
        daylin::registry::LibraryForClass(DaylinGuidToString(DaylinClsidCalencerOCX)));
    return reinterpret_cast<Fn>(library.resolve(name));
}

DaylinClassFactory* GetFactory() {
    void* object = nullptr;
    if (DllGetClassObject(&DaylinClsidCalencerOCX, &DaylinIidClassFactory, &object) != DaylinOk) {
        return nullptr;
    }
    return static_cast<DaylinClassFactory*>(object);
}

// Another process that holds the lock of a registry file until Release()
// (or its end), as a second installer stuck in the middle of a change would.
class LockHolder {
  public:
    explicit LockHolder(const QByteArray& lockFile) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) { // only async-signal-safe calls from here on
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(lockFile.constData(), O_RDWR | O_CREAT, 0666);
            char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &c, 1);
            (void)!::read(release[0], &c, 1); // returns when the parent closes it
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char c = 0;
        held_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1 && c == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool Held() const { return held_; }
    // Returns once the holder has ended, so the lock is free.
    void Release() {
        if (release_ >= 0) {
            ::close(std::exchange(release_, -1));
        }
        if (pid_ > 0) {
            ::waitpid(std::exchange(pid_, -1), nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool held_ = false;
};

} // namespace

class ServerTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("config/daylin/classes.ini"));
        qputenv(daylin::registry::kPathVariable, path_.toLocal8Bit());
        QCOMPARE(daylin::registry::FilePath(), path_);
    }

    void init() {
        QFile::remove(path_);
        QDir().rmdir(path_ + ".lock");
        QVERIFY(WriteRegistry(kForeignHead + kForeignTail));
        QCOMPARE(DllCanUnloadNow(), DaylinOk);
    }

    void registerRecordsClass() {
        QByteArray previous;
        for (int pass = 0; pass < 2; ++pass) { // registering twice changes nothing
            QCOMPARE(DllRegisterServer(), DaylinOk);
            QVERIFY(pass == 0 || Contents() == previous);
            previous = Contents();
            const std::optional<File> file = daylin::registry::Read(path_);
            QVERIFY(file.has_value());
            QCOMPARE(file->sections.size(), 5);
            QCOMPARE(file->Find(kForeignClass)->Value(QStringLiteral("Library")),
                     QStringLiteral("/opt/other/libother.so"));

            const auto* cls = file->Find(QStringLiteral("{f54b5950-59b8-4b15-a121-f8b4c68a3132}"));
            QVERIFY(cls != nullptr);
            QCOMPARE(cls->Value(QStringLiteral("ProgID")), QStringLiteral("daylin.CalencerOCX"));
            QCOMPARE(cls->Value(QStringLiteral("Class")), QStringLiteral("CalencerOCX"));
            QCOMPARE(cls->Value(QStringLiteral("Version")), QStringLiteral("1.0"));
            QCOMPARE(cls->Value(QStringLiteral("Interface")),
                     QStringLiteral("{99D84073-51F7-4886-921C-9E4780211C5C}"));
            QCOMPARE(cls->Value(QStringLiteral("EventInterface")),
                     QStringLiteral("{104DB9A3-2C14-4DC1-B156-EA152FB334B6}"));
            QCOMPARE(cls->Value(QStringLiteral("TypeLib")),
                     QStringLiteral("{A6E03D33-5BA4-4071-ABF7-B81ADE2C122C}"));
            const auto* lib = file->Find(QStringLiteral("{A6E03D33-5BA4-4071-ABF7-B81ADE2C122C}"));
            QVERIFY(lib != nullptr);
            QCOMPARE(lib->Value(QStringLiteral("Name")), QStringLiteral("daylin"));

            const QString library = cls->Value(QStringLiteral("Library"));
            QVERIFY(QFileInfo(library).isAbsolute());
            QVERIFY(QFileInfo::exists(library));
            QCOMPARE(daylin::registry::LibraryForClass(QStringLiteral("daylin.CalencerOCX")),
                     library);
        }
    }

    void registeredLibraryIsThisOne() {
        QCOMPARE(DllRegisterServer(), DaylinOk);
        QLibrary library;
        auto get = Resolve<DaylinGetClassObjectFn>(library, "DllGetClassObject");
        QVERIFY2(get != nullptr, qPrintable(library.errorString()));
        QVERIFY(get == &DllGetClassObject); // the very library this test links
        for (const char* name : {"DllRegisterServer", "DllUnregisterServer", "DllCanUnloadNow"}) {
            QVERIFY2(library.resolve(name) != nullptr, name);
        }
    }

    void unwritableRegistry() {
        QFile blocker(dir_.filePath(QStringLiteral("plain-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv(daylin::registry::kPathVariable,
                (blocker.fileName() + "/classes.ini").toLocal8Bit());
        const DaylinResult registered = DllRegisterServer();
        qputenv(daylin::registry::kPathVariable, path_.toLocal8Bit());
        QCOMPARE(registered, DaylinSelfRegClass);
    }

    void otherBytesKept_data() {
        QTest::addColumn<QByteArray>("own"); // placed between the foreign sections
        QTest::addColumn<bool>("linked");    // the registry path a link to the file
        QTest::newRow("foreign only") << QByteArray() << false;
        QTest::newRow("stale registration amid foreign") << kStale << false;
        QTest::newRow("through a link") << kStale << true;
    }
    void otherBytesKept() {
        QFETCH(QByteArray, own);
        QFETCH(bool, linked);
        QVERIFY(WriteRegistry(kForeignHead + own + kForeignTail));
        QFile::remove(path_ + ".target");
        QVERIFY(!linked ||
                (QFile::rename(path_, path_ + ".target") && QFile::link(path_ + ".target", path_)));
        const QByteArray others = kForeignHead + kForeignTail;
        QCOMPARE(DllRegisterServer(), DaylinOk);
        QCOMPARE(Contents().left(others.size()), others); // ours appended after them
        QVERIFY(QFileInfo::exists(
            daylin::registry::LibraryForClass(QStringLiteral("daylin.CalencerOCX"))));
        QCOMPARE(DllUnregisterServer(), DaylinOk);
        QCOMPARE(Contents(), others);
        QCOMPARE(QFileInfo(path_).isSymLink(), linked); // a linked registry stays linked
    }

    void nonRegularRegistry_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("device node") << "device";
        QTest::newRow("link to a fifo") << "link";
        QTest::newRow("lock file is a folder") << "lock";
    }
    void nonRegularRegistry() {
        QFETCH(QString, kind);
        const QByteArray path = QFile::encodeName(path_);
        const QByteArray fifo = kind == u"link" ? path + ".fifo" : path;
        QFile::remove(path_ + ".lock");
        if (kind == u"lock") {
            QVERIFY(QDir().mkdir(path_ + ".lock"));
        } else {
            QFile::remove(path_);
        }
        if (kind == u"device" && ::mknod(path, S_IFCHR | 0600, makedev(1, 3)) != 0) {
            QSKIP("creating a device node needs privileges");
        }
        QVERIFY(kind != u"fifo" || ::mkfifo(fifo, 0600) == 0);
        QVERIFY(kind != u"link" || (::mkfifo(fifo, 0600) == 0 && ::symlink(fifo, path) == 0));
        struct stat before {};
        QCOMPARE(::lstat(path, &before), 0);
        for (DaylinResult (*entry)() : {&DllRegisterServer, &DllUnregisterServer}) {
            auto call = std::async(std::launch::async, entry);
            if (call.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
                ::close(::open(fifo, O_WRONLY | O_NONBLOCK)); // ends the read, so no hang
                QFAIL("blocked on the registry");
            }
            QCOMPARE(call.get(), DaylinSelfRegClass);
            struct stat after {};
            QCOMPARE(::lstat(path, &after), 0); // neither replaced nor changed
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(after.st_mode, before.st_mode);
        }
        ::unlink(path + ".fifo");
    }

    void concurrentWritersLoseNothing() {
        constexpr int kOthers = 100;
        std::atomic<bool> othersDone{false};
        bool othersWritten = true;
        std::thread other([&] { // another component, through the same locking
            for (int i = 0; i < kOthers; ++i) {
                othersWritten &= daylin::registry::Update(path_, [i](File& file) {
                    file.Append(QStringLiteral("other.%1").arg(i), {QStringLiteral("Library=x")});
                });
            }
            othersDone = true;
        });
        bool ownWritten = true;
        for (int call = 0; !othersDone; ++call) {
            ownWritten &= (call % 2 ? DllUnregisterServer() : DllRegisterServer()) == DaylinOk;
        }
        other.join();
        QVERIFY(ownWritten && othersWritten);
        const std::optional<File> file = daylin::registry::Read(path_);
        QVERIFY(file.has_value());
        QStringList missing;
        for (int i = 0; i < kOthers; ++i) {
            if (file->Find(QStringLiteral("other.%1").arg(i)) == nullptr) {
                missing << QString::number(i);
            }
        }
        QCOMPARE(missing, QStringList());
    }

    // A lock held by another process delays a change by at most the wait;
    // past it the change fails and the file stays as it was.
    void heldLockIsWaitedForBriefly_data() {
        QTest::addColumn<int>("releasedAfterMs"); // -1: held throughout
        QTest::addColumn<bool>("written");
        QTest::newRow("held throughout") << -1 << false;
        QTest::newRow("released within the wait") << 150 << true;
        QTest::newRow("released just after the wait") << 900 << false;
    }
    void heldLockIsWaitedForBriefly() {
        QFETCH(int, releasedAfterMs);
        QFETCH(bool, written);
        constexpr std::chrono::milliseconds kWait(600);
        const QByteArray before = Contents();
        LockHolder holder(QFile::encodeName(QFileInfo(path_).canonicalFilePath() + ".lock"));
        QVERIFY(holder.Held());
        std::thread releaser([&] {
            if (releasedAfterMs >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(releasedAfterMs));
                holder.Release();
            }
        });
        QElapsedTimer clock;
        clock.start();
        const bool updated = daylin::registry::Update(
            path_, [](File& file) { file.Append(QStringLiteral("late"), {}); }, kWait);
        const qint64 waited = clock.elapsed();
        releaser.join();
        holder.Release();
        QCOMPARE(updated, written);
        QCOMPARE(Contents() == before, !written);
        if (written) {
            QVERIFY2(waited >= releasedAfterMs && waited < kWait.count(),
                     qPrintable(QString::number(waited)));
        } else {
            QVERIFY2(waited >= kWait.count() && waited < kWait.count() + 2000,
                     qPrintable(QString::number(waited)));
        }
    }

    // Registration gives up after its few seconds as for any registry error,
    // and works again once the other writer is done.
    void registrationGivesUpOnAHeldLock() {
        const QByteArray before = Contents();
        LockHolder holder(QFile::encodeName(QFileInfo(path_).canonicalFilePath() + ".lock"));
        QVERIFY(holder.Held());
        QElapsedTimer clock;
        clock.start();
        auto call = std::async(std::launch::async, &DllRegisterServer);
        if (call.wait_for(std::chrono::seconds(15)) == std::future_status::timeout) {
            holder.Release(); // lets the call end, so the test does not hang
            QFAIL("registration waits for the lock without end");
        }
        QCOMPARE(call.get(), DaylinSelfRegClass);
        QVERIFY(clock.elapsed() >= daylin::registry::kLockWait.count());
        QCOMPARE(Contents(), before);
        holder.Release();
        QCOMPARE(DllRegisterServer(), DaylinOk);
        QVERIFY(Contents() != before);
    }

    void classObject_data() {
        QTest::addColumn<bool>("ownClass");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<bool>("withPointer");
        QTest::addColumn<int>("result");
        QTest::newRow("class factory") << true << "factory" << true << int(DaylinOk);
        QTest::newRow("unknown") << true << "unknown" << true << int(DaylinOk);
        QTest::newRow("control interface") << true << "control" << true << int(DaylinNoInterface);
        QTest::newRow("other class") << false << "factory" << true << int(DaylinClassNotAvailable);
        QTest::newRow("no pointer") << true << "factory" << false << int(DaylinPointer);
    }
    void classObject() {
        QFETCH(bool, ownClass);
        QFETCH(QString, interface);
        QFETCH(bool, withPointer);
        QFETCH(int, result);
        const DaylinGuid iid = interface == u"factory"   ? DaylinIidClassFactory
                               : interface == u"unknown" ? DaylinIidUnknown
                                                         : DaylinIidCalencerOCX;
        void* object = reinterpret_cast<void*>(1);
        const DaylinResult got =
            DllGetClassObject(ownClass ? &DaylinClsidCalencerOCX : &DaylinIidCalencerOCX, &iid,
                              withPointer ? &object : nullptr);
        QCOMPARE(int(got), result);
        if (withPointer) {
            QCOMPARE(object != nullptr, got == DaylinOk);
        }
        if (got == DaylinOk) {
            QCOMPARE(DllCanUnloadNow(), DaylinFalse);
            QCOMPARE(static_cast<DaylinClassFactory*>(object)->Release(), 0u);
        }
        QCOMPARE(DllCanUnloadNow(), DaylinOk);
    }

    void createByClassIdAndUnload() {
        QCOMPARE(DllRegisterServer(), DaylinOk);
        QLibrary library;
        auto get = Resolve<DaylinGetClassObjectFn>(library, "DllGetClassObject");
        auto canUnload = reinterpret_cast<DaylinCanUnloadNowFn>(library.resolve("DllCanUnloadNow"));
        QVERIFY(get != nullptr && canUnload != nullptr);
        void* object = nullptr;
        QCOMPARE(get(&DaylinClsidCalencerOCX, &DaylinIidClassFactory, &object), DaylinOk);
        auto* factory = static_cast<DaylinClassFactory*>(object);

        auto host = std::make_unique<QWidget>();
        void* created = nullptr;
        QCOMPARE(factory->CreateInstance(host.get(), &DaylinIidCalencerOCX, &created), DaylinOk);
        QWidget* control = static_cast<QWidget*>(created);
        QCOMPARE(control->parentWidget(), host.get());
        QVERIFY(qobject_cast<daylin::CalencerOCX*>(control) != nullptr);
        QCOMPARE(control->property("Value").toString(),
                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
        QCOMPARE(factory->Release(), 0u);

        QCOMPARE(canUnload(), DaylinFalse); // the control still lives
        host.reset();
        QCOMPARE(canUnload(), DaylinOk);
    }

    void createRefusesOtherInterface() {
        DaylinClassFactory* factory = GetFactory();
        QVERIFY(factory != nullptr);
        QWidget host;
        void* created = reinterpret_cast<void*>(1);
        QCOMPARE(factory->CreateInstance(&host, &DaylinIidClassFactory, &created),
                 DaylinNoInterface);
        QCOMPARE(created, nullptr);
        QVERIFY(host.children().isEmpty());
        factory->Release();
        QCOMPARE(DllCanUnloadNow(), DaylinOk);
    }

    void unloadRefused_data() {
        QTest::addColumn<QString>("holder");
        QTest::newRow("linked control") << "control";
        QTest::newRow("factory reference") << "factory";
        QTest::newRow("server lock") << "lock";
    }
    void unloadRefused() {
        QFETCH(QString, holder);
        std::unique_ptr<daylin::CalencerOCX> control;
        DaylinClassFactory* factory = nullptr;
        if (holder == u"control") {
            control = std::make_unique<daylin::CalencerOCX>();
        } else {
            factory = GetFactory();
            QVERIFY(factory != nullptr);
            if (holder == u"lock") {
                factory->LockServer(true);
                factory->Release();
            }
        }
        QCOMPARE(DllCanUnloadNow(), DaylinFalse);
        if (holder == u"control") {
            control.reset();
        } else if (holder == u"factory") {
            factory->Release();
        } else {
            factory = GetFactory();
            factory->LockServer(false);
            factory->Release();
        }
        QCOMPARE(DllCanUnloadNow(), DaylinOk);
    }

    void unregisterRemovesOnlyOwnEntries() {
        QCOMPARE(DllRegisterServer(), DaylinOk);
        for (int pass = 0; pass < 2; ++pass) {
            QCOMPARE(DllUnregisterServer(), DaylinOk);
            const std::optional<File> file = daylin::registry::Read(path_);
            QVERIFY(file.has_value());
            QCOMPARE(file->sections.size(), 2);
            QVERIFY(file->Find(kForeignClass) != nullptr);
            QVERIFY(daylin::registry::LibraryForClass(DaylinGuidToString(DaylinClsidCalencerOCX))
                        .isEmpty());
            QVERIFY(
                daylin::registry::LibraryForClass(QStringLiteral("daylin.CalencerOCX")).isEmpty());
        }
        QFile::remove(path_);
        QCOMPARE(DllUnregisterServer(), DaylinOk); // nothing registered at all
    }

  private:
    QByteArray Contents() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    bool WriteRegistry(const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        QFile file(path_);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes) == bytes.size();
    }

    QTemporaryDir dir_;
    QString path_;
};

QTEST_MAIN(ServerTest)
#include "test_server.moc"
