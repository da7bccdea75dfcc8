// SPDX-License-Identifier: GPL-3.0-or-later
// What velmora is asked to do by its command line, and what the launcher
// tells it, before and just after the main window appears.
//
//   velmora [FILE]      opens FILE (a picture or a project file) once the
//                       main window is up
//   velmora --version   prints the version and ends
//   velmora --help      prints the usage and ends
//
// Qt's own options (-platform, -style ...) are taken off the command line by
// QApplication before the rest is read.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "workspace/Prompts.h"

namespace velmora {

class InputLineFrm;

struct StartRequest {
    enum class Action { Run, Version, Help, Fail };
    Action action = Action::Run;
    QString file;    // Run: the file to open, empty for none
    QString problem; // Fail: why the command line is refused (one line)
};

// The arguments after the program name. "--" ends the options, so that a
// file whose name starts with "-" can be given.
StartRequest ReadStartArguments(const QStringList& arguments);

// True when the raw command line asks only for the version or the usage:
// those are answered before a display is needed.
bool AsksVersionOrHelp(const QStringList& arguments);

// "8.1", as the splash window shows it.
QString VersionNumber();
QString VersionText();
QString UsageText();

// Prompts that answer the next file dialog with a given path, then pass
// everything on: a file named on the command line goes through the same
// open commands as one chosen in the dialog.
class StartPrompts final : public Prompts {
  public:
    explicit StartPrompts(Prompts& next) : next_(next) {}
    void AnswerNextOpen(const QString& path) { pending_ = path; }
    bool Pending() const { return pending_.has_value(); }
    void Forget() { pending_.reset(); }

    void Message(QWidget* parent, const QString& text) override;
    bool Question(QWidget* parent, const QString& text) override;
    SaveChoice AskToSave(QWidget* parent, const QString& text) override;
    std::optional<QString> OpenFile(QWidget* parent, const QString& filter,
                                    const QString& initialName) override;
    std::optional<QString> SaveFile(QWidget* parent, const QString& filter,
                                    const QString& initialName) override;
    QStringList OpenFiles(QWidget* parent, const QString& filter, const QString& folder) override;

  private:
    Prompts& next_;
    std::optional<QString> pending_;
};

// Opens `file` in the window through "データ読込み(&D)" (.dat, .txt) or
// "画像ファイル読込み(&P)" (the picture names that command takes); `prompts`
// must be the window's. Anything else, or a file that is not there, is
// refused with a message, never silently.
void OpenStartFile(InputLineFrm& window, StartPrompts& prompts, const QString& file);

// The environment variable by which the launcher names the folder its
// temporary data went to when the user's data folder could not be made
// (empty: no folder could be made at all).
inline constexpr char kTemporaryDataVariable[] = "VELMORA_TEMPORARY_DATA_FOLDER";

// Tells the user once (the variable is cleared after) where the temporary
// data goes when the launcher had to fall back. Nothing when it did not.
void TellTemporaryDataFolder(QWidget* window, Prompts& prompts);

} // namespace velmora
