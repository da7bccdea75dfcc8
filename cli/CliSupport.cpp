// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSupport.h"

#include <QFile>
#include <algorithm>
#include <optional>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "data/ProjectFile.h"
#include "data/SafeFile.h"
#include "geometry/CameraModel.h"
#include "picture/SystemNames.h"

namespace velmora::cli {

Project ReadProject(const QString& path) {
    Project p;
    p.path = path;
    p.data = std::make_unique<BuildingData>();
    const FileResult r = ReadProjectFile(*p.data, PathBytes(path), p.view);
    if (!r.ok)
        throw Failure(path + QStringLiteral(": ") + QString::fromStdString(r.English()));
    // The file keeps no plan positions: they are worked out as the plan map
    // does, heights first, with the picture's width (the saved view less
    // its border).
    const double width = static_cast<double>(p.view.width) - 2 * kViewBorder;
    if (p.data->gEachTopAreaNumber > 0 && !(width > 0))
        throw Failure(path + QStringLiteral(": line 2: the picture view has no width"));
    ComputeRoofHeights(*p.data, width);
    ComputeRoofPlanPoints(*p.data, width);
    return p;
}

std::pair<double, double> ParsePair(const QString& text, const QString& what) {
    const QStringList parts = text.split(u',');
    bool ok1 = false, ok2 = false;
    double a = 0, b = 0;
    if (parts.size() == 2) {
        a = parts[0].trimmed().toDouble(&ok1);
        b = parts[1].trimmed().toDouble(&ok2);
    }
    if (!ok1 || !ok2 || !std::isfinite(a) || !std::isfinite(b))
        throw UsageError(QStringLiteral("%1 \"%2\": expected two numbers A,B").arg(what, text));
    return {a, b};
}

std::pair<double, double> ParseOrigin(const QString& text) {
    const auto [lat, lon] = ParsePair(text, QStringLiteral("--origin"));
    if (std::fabs(lat) > 90 || std::fabs(lon) > 180)
        throw UsageError(QStringLiteral("--origin %1: the latitude must lie within -90 ... 90 and "
                                        "the longitude within -180 ... 180 degrees")
                             .arg(text));
    return {lat, lon};
}

double ParseNumber(const QString& text, const QString& what) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw UsageError(QStringLiteral("%1 \"%2\": expected a number").arg(what, text));
    return v;
}

namespace {

bool IsStdout(const QString& path) {
    return path.isEmpty() || path == QStringLiteral("-");
}

QString Text(const std::string& s) {
    return ArgumentText(s.c_str());
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
        throw Failure(QStringLiteral("cannot write to standard output: ") +
                      QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

void WriteOutputs(const std::vector<std::pair<QString, QByteArray>>& outputs,
                  const QStringList& inputs) {
    std::vector<Identity> inputIds;
    for (const QString& in : inputs) {
        struct stat st {};
        if (::stat(PathBytes(in).c_str(), &st) == 0)
            inputIds.push_back({st.st_dev, st.st_ino, {}});
    }
    struct Planned {
        QString path;
        SaveTarget target;
        const QByteArray* bytes;
    };
    std::vector<Planned> files;
    std::vector<Identity> outputIds;
    const QByteArray* toStdout = nullptr;
    for (const auto& [path, bytes] : outputs) {
        if (IsStdout(path)) {
            if (toStdout)
                throw UsageError(QStringLiteral("two outputs go to standard output"));
            toStdout = &bytes;
            continue;
        }
        Planned p{path, {}, &bytes};
        if (const SaveError e = ResolveSaveTarget(PathBytes(path), p.target))
            throw Failure(Text(SaveErrorText(e)));
        if (const std::optional<Identity> id = IdentityOf(p.target)) {
            if (p.target.exists &&
                std::find(inputIds.begin(), inputIds.end(), *id) != inputIds.end())
                throw Failure(path + QStringLiteral(": is an input of this command; not "
                                                    "written over"));
            if (std::find(outputIds.begin(), outputIds.end(), *id) != outputIds.end())
                throw Failure(path + QStringLiteral(": names the same file as another output"));
            outputIds.push_back(*id);
        }
        files.push_back(std::move(p));
    }
    std::vector<std::unique_ptr<StagedFile>> staged;
    for (const Planned& p : files) {
        staged.push_back(std::make_unique<StagedFile>());
        const std::string_view bytes(p.bytes->constData(),
                                     static_cast<std::size_t>(p.bytes->size()));
        if (const SaveError e = staged.back()->Stage(p.target, bytes))
            throw Failure(Text(SaveErrorText(e)));
    }
    if (toStdout)
        WriteStdout(*toStdout);
    for (std::size_t i = 0; i < staged.size(); ++i)
        if (const SaveError e = staged[i]->Commit())
            throw Failure(Text(SaveErrorText(e)));
}

void WriteOutput(const QString& path, const QByteArray& bytes, const QStringList& inputs) {
    WriteOutputs({{path, bytes}}, inputs);
}

void WarnRoofs(const QString& file, const std::vector<Count>& roofs, const QString& why) {
    if (roofs.empty())
        return;
    QStringList names;
    for (const Count r : roofs)
        names << QString::number(r);
    std::fprintf(stderr, "velmora-cli: %s: %s %s: %s\n", PathBytes(file).c_str(),
                 roofs.size() == 1 ? "roof" : "roofs", qPrintable(names.join(QStringLiteral(", "))),
                 qPrintable(why));
}

QString Fixed(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    if (std::round(v * scale) == 0)
        v = 0;
    return QString::number(v, 'f', decimals);
}

} // namespace velmora::cli
