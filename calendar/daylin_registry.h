// SPDX-License-Identifier: LGPL-3.0-or-later
#pragma once

// Reading and changing the per-user class registry file described in
// daylin.h. Header-only, so that a host can find the library of a class id
// before it has loaded anything of daylin.
//
// The file is handled as bytes: other components' sections may hold any
// encoding and line endings, and a change of ours must leave them exactly as
// they were.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace daylin::registry {

// Environment variable that names the registry file instead of the default.
inline constexpr char kPathVariable[] = "DAYLIN_REGISTRY";

// $DAYLIN_REGISTRY when set and not empty, else daylin/classes.ini below the
// user's configuration directory ($XDG_CONFIG_HOME, normally ~/.config).
inline QString FilePath() {
    const QString overridden = qEnvironmentVariable(kPathVariable);
    if (!overridden.isEmpty()) {
        return overridden;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/daylin/classes.ini");
}

// One "[name]" section: its header line and every line up to the next
// header, byte for byte with their line endings.
struct Section {
    QString name; // between the brackets, trimmed, read as UTF-8
    QByteArray bytes;

    // The value of "key=value" (key compared without case), empty if absent.
    QString Value(const QString& key) const {
        const QByteArrayList lines = bytes.split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QString line = QString::fromUtf8(lines[i]);
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                return line.mid(eq + 1).trimmed();
            }
        }
        return {};
    }
};

struct File {
    QByteArray preamble; // everything before the first section, verbatim
    QList<Section> sections;

    const Section* Find(const QString& name) const {
        for (const Section& s : sections) {
            if (s.name.compare(name, Qt::CaseInsensitive) == 0) {
                return &s;
            }
        }
        return nullptr;
    }
    // Removes every section of that name; true if one was there.
    bool Remove(const QString& name) {
        return sections.removeIf([&](const Section& s) {
            return s.name.compare(name, Qt::CaseInsensitive) == 0;
        }) > 0;
    }
    // Adds "[name]", the lines and a blank line at the end.
    void Append(const QString& name, const QStringList& lines);
};

// The sections of any bytes; Serialize(Parse(bytes)) == bytes. Each section
// (and the preamble) is one slice of `bytes`, cut when the next header begins.
inline File Parse(const QByteArray& bytes) {
    File file;
    qsizetype chunk = 0;
    const auto cut = [&](qsizetype end) {
        (file.sections.isEmpty() ? file.preamble : file.sections.last().bytes) =
            bytes.mid(chunk, end - chunk);
        chunk = end;
    };
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start).trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            cut(start);
            file.sections.append(
                Section{QString::fromUtf8(line.sliced(1, line.size() - 2)).trimmed(), {}});
        }
        start = end;
    }
    cut(bytes.size());
    return file;
}

inline QByteArray Serialize(const File& file) {
    QByteArray bytes = file.preamble;
    for (const Section& s : file.sections) {
        bytes += s.bytes;
    }
    return bytes;
}

// Written in the file's own line ending (that of its first line). An
// unterminated last line gets one first, so that the header starts a line.
inline void File::Append(const QString& name, const QStringList& lines) {
    const QByteArray text = Serialize(*this);
    const qsizetype firstEnd = text.indexOf('\n');
    const QByteArray eol = firstEnd > 0 && text[firstEnd - 1] == '\r' ? "\r\n" : "\n";
    QByteArray& last = sections.isEmpty() ? preamble : sections.last().bytes;
    if (!last.isEmpty() && !last.endsWith('\n')) {
        last += eol;
    }
    QByteArray bytes = '[' + name.toUtf8() + ']' + eol;
    for (const QString& line : lines) {
        bytes += line.toUtf8() + eol;
    }
    sections.append(Section{name, bytes + eol});
}

namespace detail {

// Closes a descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

struct Contents {
    QByteArray bytes;
    std::optional<mode_t> mode; // none when the file does not exist
};

// A regular file's contents; a missing file reads as empty. Anything else is
// refused before it is opened: a FIFO would block the reader, and a device
// is no registry. O_NONBLOCK keeps a FIFO swapped in after the check from
// blocking the open, fstat() then refuses it.
inline std::optional<Contents> ReadRegular(const QByteArray& path, int extraFlags) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        // ENOENT also for a dangling link, which is no file to create.
        if (errno == ENOENT && ::lstat(path.constData(), &info) != 0 && errno == ENOENT) {
            return Contents{};
        }
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const Descriptor fd(
        ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | extraFlags));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    Contents contents{{}, info.st_mode & 07777};
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0) {
            return contents;
        }
        if (got > 0) {
            contents.bytes.append(buffer, got);
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

// The file that `path` names, links followed so that a linked registry
// stays a link; the path itself when nothing is there yet.
inline std::optional<QByteArray> Target(const QString& path) {
    const QByteArray name = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (char* resolved = ::realpath(name.constData(), nullptr)) {
        const QByteArray target(resolved);
        std::free(resolved);
        return target;
    }
    struct stat info {};
    if (errno == ENOENT && ::lstat(name.constData(), &info) != 0 && errno == ENOENT) {
        return name;
    }
    return std::nullopt;
}

// An exclusive lock on `name` (created when missing) held until the
// descriptor closes, or none when another holder keeps it past `wait`: a
// writer stuck with the lock must not hang every host that registers.
// flock() rather than fcntl() locks: those belong to the whole process and
// would not keep two of its threads apart. flock() cannot time out, so it
// is tried without blocking every millisecond (a change holds the lock for
// a few milliseconds, so a waiter still finds it free between changes).
inline Descriptor Lock(const QByteArray& name, std::chrono::milliseconds wait) {
    Descriptor fd(::open(name.constData(),
                         O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW, 0666));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Descriptor();
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            return Descriptor();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return fd;
}

inline bool WriteAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put > 0) {
            done += put;
        } else if (put < 0 && errno != EINTR) {
            return false;
        }
    }
    return true;
}

// Writes a new file beside `name` and renames it over `name`, so that a
// reader sees either the old or the new contents, never a part. The new
// file keeps the old one's permissions.
inline bool Replace(const QByteArray& name, const QByteArray& bytes, std::optional<mode_t> mode) {
    QByteArray temp;
    int raw = -1;
    for (int attempt = 0; raw < 0; ++attempt) {
        temp = name + '.' + QByteArray::number(::getpid()) + '.' +
               QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        raw = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (raw < 0 && (errno != EEXIST || attempt == 100)) {
            return false;
        }
    }
    Descriptor fd(raw);
    const bool replaced = (!mode || ::fchmod(fd.get(), *mode) == 0) && WriteAll(fd.get(), bytes) &&
                          ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                          ::rename(temp.constData(), name.constData()) == 0;
    if (!replaced) {
        ::unlink(temp.constData());
    }
    return replaced;
}

} // namespace detail

// The file's contents; a missing file reads as empty. Nothing when the path
// is not a regular file or cannot be read, so that a writer never replaces
// entries it could not see.
inline std::optional<File> Read(const QString& path) {
    const std::optional<detail::Contents> contents =
        detail::ReadRegular(QFile::encodeName(path), 0);
    return contents ? std::optional<File>(Parse(contents->bytes)) : std::nullopt;
}

// How long a writer waits for another writer's lock before it gives up.
inline constexpr std::chrono::milliseconds kLockWait{3000};

// Edits the file as one step among writers that all use this function:
// locks "<file>.lock" beside it, reads it, calls change(File&) and replaces
// the file when the bytes changed (creating it and its folder when missing).
// False, with the file untouched, when it is not a regular file or cannot be
// read or written, or when another writer holds the lock longer than `wait`.
template <typename Change>
bool Update(const QString& path, Change&& change, std::chrono::milliseconds wait = kLockWait) {
    const std::optional<QByteArray> target = detail::Target(path);
    if (!target || !QDir().mkpath(QFileInfo(QFile::decodeName(*target)).absolutePath())) {
        return false;
    }
    const detail::Descriptor lock = detail::Lock(*target + ".lock", wait);
    if (lock.get() < 0) {
        return false;
    }
    // O_NOFOLLOW: the target is no link, unless one was put there meanwhile.
    const std::optional<detail::Contents> contents = detail::ReadRegular(*target, O_NOFOLLOW);
    if (!contents) {
        return false;
    }
    File file = Parse(contents->bytes);
    std::forward<Change>(change)(file);
    const QByteArray bytes = Serialize(file);
    if (bytes == contents->bytes && (contents->mode || bytes.isEmpty())) {
        return true;
    }
    return detail::Replace(*target, bytes, contents->mode);
}

// The library registered for a class id ("{...}") or a ProgID
// ("daylin.CalencerOCX"), empty when the registry does not know it.
inline QString LibraryForClass(const QString& classIdOrProgId, const QString& path = FilePath()) {
    const std::optional<File> file = Read(path);
    if (!file) {
        return {};
    }
    const Section* section = file->Find(classIdOrProgId);
    if (section && !section->Value(QStringLiteral("CLSID")).isEmpty()) {
        section = file->Find(section->Value(QStringLiteral("CLSID")));
    }
    return section ? section->Value(QStringLiteral("Library")) : QString();
}

} // namespace daylin::registry
