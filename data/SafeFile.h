// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file so that a failure never damages it: the new content goes
// to a temporary file with a fresh name beside the target (created
// exclusively, never through a link), every write checked, synced to disk,
// given the old file's mode, and only then renamed over the target. The
// project file, the window's temporary data and every output of velmora-cli
// are written this way.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

// Why a save failed; the caller puts it into words in its own language.
enum class SaveFault {
    None,
    NoFileName, // empty path, or one ending in a folder separator
    LinkLoop,   // symbolic links that never end
    Folder,     // a folder has the name
    NotRegular, // a pipe, a device, a socket: never replaced
    ReadOnly,   // the user may not write the file
    CreateTemp, // no temporary file in the target's folder
    Write,      // a write, the sync or the close failed
    SetMode,
    Replace, // the rename failed
};

struct SaveError {
    SaveFault fault = SaveFault::None;
    std::string path; // the file or folder concerned
    int error = 0;    // the system's errno, 0 when there is none

    explicit operator bool() const { return fault != SaveFault::None; }
};

// The file a save of a path really replaces: symbolic links are followed,
// as editors do, so a link keeps naming a file with the new text (a
// dangling link gets its target created).
struct SaveTarget {
    std::filesystem::path file;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// Where a save of `path` lands and whether it may: absent, or a regular file
// the user may write.
SaveError ResolveSaveTarget(const std::string& path, SaveTarget& out);

// The complete new content of one target, written and synced beside it but
// not yet in place. Destroyed uncommitted, it leaves nothing behind.
class StagedFile {
  public:
    StagedFile();
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    SaveError Stage(const SaveTarget& target, std::string_view bytes);
    // Puts the staged file in the target's place.
    SaveError Commit();

  private:
    struct Temp;
    std::unique_ptr<Temp> temp_;
    SaveTarget target_;
};

// Resolve, stage and commit in one: `path` holds `bytes` afterwards, or it
// is as it was before.
SaveError SaveFile(const std::string& path, std::string_view bytes);

// The failure in English with the system's reason, e.g.
// "out.txt: cannot write: File too large".
std::string SaveErrorText(const SaveError& e);

// Reads an open file into `text` until it is full or the file ends (a file
// may shrink after its size was taken), retrying interrupted reads; `text`
// is cut to what was read. 0, or the errno of the read that failed.
int ReadFully(int fd, std::string& text);

} // namespace velmora
