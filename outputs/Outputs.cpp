// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputs/Outputs.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "data/SafeFile.h"
#include "picture/SystemNames.h"
#include "predict/Errors.h"

namespace velmora {

namespace {

using predict::ErrorCode;

bool IsStdout(const QString& path) {
    return path.isEmpty() || path == QStringLiteral("-");
}

[[noreturn]] void Fail(const std::string& file, const std::string& reason) {
    predict::Error e{ErrorCode::WriteFailed};
    e.file = file;
    e.reason = reason;
    throw predict::Failure(std::move(e));
}

[[noreturn]] void Fail(const SaveError& e) {
    Fail(e.path, SaveErrorText(e));
}

// A file's identity: device and inode of the file or, for one not yet there,
// of its folder with its name.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string name; // empty for an existing file
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> IdentityOf(const SaveTarget& t) {
    if (t.exists)
        return Identity{t.device, t.inode, {}};
    std::filesystem::path folder = t.file.parent_path();
    if (folder.empty())
        folder = ".";
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return std::nullopt; // staging will say why
    return Identity{st.st_dev, st.st_ino, t.file.filename().string()};
}

void WriteStdout(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) !=
            static_cast<std::size_t>(bytes.size()) ||
        std::fflush(stdout) != 0)
        Fail({}, std::string("cannot write to standard output: ") + std::strerror(errno));
}

struct Planned {
    QString path;
    SaveTarget target;
    const QByteArray* bytes;
};

// The files of the outputs, checked against the inputs and each other.
std::vector<Planned> PlanFiles(const std::vector<std::pair<QString, QByteArray>>& outputs,
                               const QStringList& inputs, const QByteArray*& toStdout) {
    std::vector<Identity> inputIds;
    for (const QString& in : inputs) {
        struct stat st {};
        if (::stat(PathBytes(in).c_str(), &st) == 0)
            inputIds.push_back({st.st_dev, st.st_ino, {}});
    }
    std::vector<Planned> files;
    std::vector<Identity> outputIds;
    for (const auto& [path, bytes] : outputs) {
        if (IsStdout(path)) {
            if (toStdout)
                throw predict::Failure(predict::Error(ErrorCode::StdoutTwice));
            toStdout = &bytes;
            continue;
        }
        Planned p{path, {}, &bytes};
        if (const SaveError e = ResolveSaveTarget(PathBytes(path), p.target))
            Fail(e);
        if (const std::optional<Identity> id = IdentityOf(p.target)) {
            if (p.target.exists &&
                std::find(inputIds.begin(), inputIds.end(), *id) != inputIds.end())
                Fail(PathBytes(path), PathBytes(path) + ": is an input of this command; not "
                                                        "written over");
            if (std::find(outputIds.begin(), outputIds.end(), *id) != outputIds.end())
                Fail(PathBytes(path), PathBytes(path) + ": names the same file as another output");
            outputIds.push_back(*id);
        }
        files.push_back(std::move(p));
    }
    return files;
}

// The old files of the targets, kept under a second name until every new
// one is in place.
class Keep {
  public:
    explicit Keep(const std::vector<Planned>& files) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::filesystem::path& f = files[i].target.file;
            std::string kept;
            if (files[i].target.exists) {
                kept = (f.parent_path() / ("." + f.filename().string() + ".velmora-old-" +
                                           std::to_string(::getpid()) + "-" + std::to_string(i)))
                           .string();
                if (::link(f.c_str(), kept.c_str()) != 0)
                    kept.clear(); // no hard links here: this one cannot be put back
            }
            entries_.push_back({f.string(), kept, files[i].target.exists});
        }
    }
    ~Keep() {
        for (const Entry& e : entries_)
            if (!e.kept.empty())
                ::unlink(e.kept.c_str());
    }
    Keep(const Keep&) = delete;
    Keep& operator=(const Keep&) = delete;

    // Puts back the first `n` targets as they were.
    void Restore(std::size_t n) {
        for (std::size_t i = 0; i < n && i < entries_.size(); ++i) {
            Entry& e = entries_[i];
            if (!e.existed)
                ::unlink(e.file.c_str());
            else if (!e.kept.empty() && ::rename(e.kept.c_str(), e.file.c_str()) == 0)
                e.kept.clear();
        }
    }

  private:
    struct Entry {
        std::string file, kept;
        bool existed;
    };
    std::vector<Entry> entries_;
};

} // namespace

void WriteOutputs(const std::vector<std::pair<QString, QByteArray>>& outputs,
                  const QStringList& inputs, const std::function<void(std::size_t)>& beforeCommit) {
    const QByteArray* toStdout = nullptr;
    const std::vector<Planned> files = PlanFiles(outputs, inputs, toStdout);
    std::vector<std::unique_ptr<StagedFile>> staged;
    for (const Planned& p : files) {
        staged.push_back(std::make_unique<StagedFile>());
        const std::string_view bytes(p.bytes->constData(),
                                     static_cast<std::size_t>(p.bytes->size()));
        if (const SaveError e = staged.back()->Stage(p.target, bytes))
            Fail(e);
    }
    if (toStdout)
        WriteStdout(*toStdout);
    Keep keep(files);
    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (beforeCommit)
            beforeCommit(i);
        if (const SaveError e = staged[i]->Commit()) {
            keep.Restore(i + 1);
            Fail(e);
        }
    }
}

void WriteOutput(const QString& path, const QByteArray& bytes, const QStringList& inputs) {
    WriteOutputs({{path, bytes}}, inputs);
}

QString Fixed(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    if (std::round(v * scale) == 0)
        v = 0;
    return QString::number(v, 'f', decimals);
}

} // namespace velmora
