#pragma once

// Reading and writing the per-user class registry file described in
// daylin.h. Header-only, so that a host can find the library of a class id
// before it has loaded anything of daylin.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

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

// One "[name]" section and the lines below it, kept verbatim.
struct Section {
    QString name;
    QStringList lines;

    // The value of "key=value" (key compared without case), empty if absent.
    QString Value(const QString& key) const {
        for (const QString& line : lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                return line.mid(eq + 1).trimmed();
            }
        }
        return {};
    }
};

struct File {
    QStringList preamble; // comment lines before the first section
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
};

// The file's contents; a missing file reads as empty, an unreadable one as
// nothing (so that a writer never replaces entries it could not see).
inline std::optional<File> Read(const QString& path) {
    File file;
    QFile in(path);
    if (!in.exists()) {
        return file;
    }
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    QTextStream stream(&in);
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            file.sections.append(Section{trimmed.mid(1, trimmed.size() - 2).trimmed(), {}});
        } else if (file.sections.isEmpty()) {
            file.preamble.append(line);
        } else if (!trimmed.isEmpty()) {
            file.sections.last().lines.append(line);
        }
    }
    return file;
}

// Replaces the file as a whole, creating its folder when needed.
inline bool Write(const QString& path, const File& file) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream stream(&out);
    for (const QString& line : file.preamble) {
        stream << line << '\n';
    }
    for (const Section& s : file.sections) {
        stream << '[' << s.name << "]\n";
        for (const QString& line : s.lines) {
            stream << line << '\n';
        }
        stream << '\n';
    }
    stream.flush();
    return stream.status() == QTextStream::Ok && out.commit();
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
