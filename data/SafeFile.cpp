// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

// nullopt for a loop of links.
std::optional<fs::path> FollowLinks(fs::path p) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::error_code ec;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec)
            return std::nullopt;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return std::nullopt;
}

// The mode a plain create gives a new file: 0666 less the umask. Linux shows
// the umask in /proc; umask() would change it for every thread for a moment.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

fs::path FolderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

SaveError Fault(SaveFault fault, const fs::path& path, int error = 0) {
    return {fault, path.string(), error};
}

} // namespace

// The temporary file: closed, and removed unless it took the target's place,
// on every way out.
struct StagedFile::Temp {
    int fd = -1;
    std::string name;
    bool placed = false;

    ~Temp() {
        Close();
        if (!name.empty() && !placed)
            ::unlink(name.c_str());
    }
    bool Close() {
        const int f = fd;
        fd = -1;
        return f < 0 || ::close(f) == 0;
    }
    // A fresh name, created exclusively and never through a link: a name
    // planted in the folder beforehand cannot redirect the save.
    bool Create(const fs::path& folder) {
        static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device device;
        std::mt19937_64 rng((static_cast<std::uint64_t>(device()) << 32) ^ device());
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string leaf = ".velmora-";
            for (int i = 0; i < 12; ++i)
                leaf += kAlphabet[rng() % (sizeof kAlphabet - 1)];
            leaf += ".tmp";
            const std::string candidate = (folder / leaf).string();
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0600);
            if (fd >= 0) {
                name = candidate;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }
    bool Write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                errno = ENOSPC;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
};

SaveError ResolveSaveTarget(const std::string& path, SaveTarget& out) {
    if (path.empty() || !fs::path(path).has_filename())
        return Fault(SaveFault::NoFileName, path);
    const std::optional<fs::path> resolved = FollowLinks(path);
    if (!resolved)
        return Fault(SaveFault::LinkLoop, path, ELOOP);
    out = SaveTarget{};
    out.file = *resolved;
    struct stat st {};
    out.exists = ::stat(out.file.c_str(), &st) == 0;
    if (!out.exists)
        return {};
    if (S_ISDIR(st.st_mode))
        return Fault(SaveFault::Folder, out.file, EISDIR);
    if (!S_ISREG(st.st_mode))
        return Fault(SaveFault::NotRegular, out.file);
    // Replacing goes through the folder, so a file the user may not write
    // would otherwise be replaced without a word.
    if (::access(out.file.c_str(), W_OK) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS))
        return Fault(SaveFault::ReadOnly, out.file, errno);
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.mode = st.st_mode & 07777;
    out.owner = st.st_uid;
    out.group = st.st_gid;
    return {};
}

StagedFile::StagedFile() = default;
StagedFile::~StagedFile() = default;

SaveError StagedFile::Stage(const SaveTarget& target, std::string_view bytes) {
    target_ = target;
    temp_ = std::make_unique<Temp>();
    const fs::path folder = FolderOf(target.file);
    if (!temp_->Create(folder))
        return Fault(SaveFault::CreateTemp, folder, errno);
    if (!temp_->Write(bytes))
        return Fault(SaveFault::Write, target.file, errno);
    if (target.exists && ::fchown(temp_->fd, target.owner, target.group) != 0) {
        // Keeping the owner is a courtesy only root (or the owner, for the
        // group) can give; the save goes on without it.
    }
    // The new file keeps the mode of the one it replaces.
    if (::fchmod(temp_->fd, target.exists ? target.mode : NewFileMode()) != 0)
        return Fault(SaveFault::SetMode, target.file, errno);
    // On disk before the rename, so a power cut leaves the old or the new
    // file, never an empty one. Some file systems report a failed write only
    // here or at the close.
    if (::fsync(temp_->fd) != 0 || !temp_->Close())
        return Fault(SaveFault::Write, target.file, errno);
    return {};
}

SaveError StagedFile::Commit() {
    if (!temp_ || temp_->name.empty() || temp_->fd >= 0)
        return Fault(SaveFault::Write, target_.file, EINVAL);
    if (::rename(temp_->name.c_str(), target_.file.c_str()) != 0)
        return Fault(SaveFault::Replace, target_.file, errno);
    temp_->placed = true;
    // Makes the rename itself durable. The file is already replaced, so a
    // folder that cannot be synced (some file systems refuse) is no failure.
    const int dirFd = ::open(FolderOf(target_.file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

SaveError SaveFile(const std::string& path, std::string_view bytes) {
    SaveTarget target;
    if (SaveError e = ResolveSaveTarget(path, target))
        return e;
    StagedFile staged;
    if (SaveError e = staged.Stage(target, bytes))
        return e;
    return staged.Commit();
}

std::string SaveErrorText(const SaveError& e) {
    const std::string reason = e.error != 0 ? std::string(": ") + std::strerror(e.error) : "";
    switch (e.fault) {
    case SaveFault::None:
        return {};
    case SaveFault::NoFileName:
        return e.path.empty() ? "no file name given" : e.path + ": no file name";
    case SaveFault::LinkLoop:
        return e.path + ": cannot follow the symbolic links" + reason;
    case SaveFault::Folder:
        return e.path + ": is a folder; not replaced";
    case SaveFault::NotRegular:
        return e.path + ": not a regular file (a pipe or a device); not replaced";
    case SaveFault::ReadOnly:
        return e.path + ": cannot replace a file that may not be written" + reason;
    case SaveFault::CreateTemp:
        return e.path + ": cannot create a temporary file in this folder" + reason;
    case SaveFault::Write:
        return e.path + ": cannot write" + reason;
    case SaveFault::SetMode:
        return e.path + ": cannot set the file's mode" + reason;
    case SaveFault::Replace:
        return e.path + ": cannot replace" + reason;
    }
    return e.path + reason;
}

int ReadFully(int fd, std::string& text) {
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break; // the file shrank since its size was taken
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return 0;
}

} // namespace velmora
