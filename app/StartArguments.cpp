// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartArguments.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/InputLineFrm.h"
#include "app/PictureFiles.h"

namespace velmora {

namespace {

bool IsOption(const QString& argument) {
    return argument.size() > 1 && argument.startsWith(u'-');
}

// The names the data command takes (exactly these spellings, as there).
bool IsProjectFileName(const QString& path) {
    const QString name = PictureFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString ext = dot < 0 ? QString() : name.mid(dot + 1);
    return ext == QLatin1String("dat") || ext == QLatin1String("txt");
}

} // namespace

StartRequest ReadStartArguments(const QStringList& arguments) {
    StartRequest request;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options &&
                   (argument == QLatin1String("--version") || argument == QLatin1String("-v"))) {
            // The first of --version and --help wins, as with most programs.
            if (request.action == StartRequest::Action::Run)
                request.action = StartRequest::Action::Version;
        } else if (options &&
                   (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            if (request.action == StartRequest::Action::Run)
                request.action = StartRequest::Action::Help;
        } else if (options && IsOption(argument)) {
            return {StartRequest::Action::Fail,
                    {},
                    QStringLiteral("unknown option %1 (see velmora --help)").arg(argument)};
        } else if (!request.file.isEmpty()) {
            // One window shows one picture: a second file would be dropped.
            return {StartRequest::Action::Fail,
                    {},
                    QStringLiteral("one file at a time: %1 and %2").arg(request.file, argument)};
        } else if (argument.isEmpty()) {
            return {StartRequest::Action::Fail, {}, QStringLiteral("empty file name")};
        } else {
            request.file = argument;
        }
    }
    if (request.action != StartRequest::Action::Run)
        request.file.clear();
    return request;
}

bool AsksVersionOrHelp(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v") ||
            argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return true;
    }
    return false;
}

QString VersionNumber() {
    return QStringLiteral(VELMORA_VERSION);
}

QString VersionText() {
    return QStringLiteral("velmora %1\n").arg(VersionNumber());
}

QString UsageText() {
    return QStringLiteral("Usage: velmora [FILE]\n"
                          "       velmora --version | --help\n"
                          "\n"
                          "Building footprints and heights from an oblique aerial picture.\n"
                          "FILE is a picture (.jpg, .bmp) or a project file (.dat, .txt), opened\n"
                          "in the main window as from its File menu.\n"
                          "\n"
                          "  -h, --help     print this text and end\n"
                          "  -v, --version  print the version and end\n"
                          "  --             end of options: a FILE may start with \"-\"\n");
}

void StartPrompts::Message(QWidget* parent, const QString& text) {
    next_.Message(parent, text);
}

bool StartPrompts::Question(QWidget* parent, const QString& text) {
    return next_.Question(parent, text);
}

SaveChoice StartPrompts::AskToSave(QWidget* parent, const QString& text) {
    return next_.AskToSave(parent, text);
}

std::optional<QString> StartPrompts::OpenFile(QWidget* parent, const QString& filter,
                                              const QString& initialName) {
    if (pending_) {
        std::optional<QString> answer;
        answer.swap(pending_);
        return answer;
    }
    return next_.OpenFile(parent, filter, initialName);
}

std::optional<QString> StartPrompts::SaveFile(QWidget* parent, const QString& filter,
                                              const QString& initialName) {
    return next_.SaveFile(parent, filter, initialName);
}

QStringList StartPrompts::OpenFiles(QWidget* parent, const QString& filter, const QString& folder) {
    return next_.OpenFiles(parent, filter, folder);
}

void OpenStartFile(InputLineFrm& window, StartPrompts& prompts, const QString& file) {
    const QString path = QFileInfo(file).absoluteFilePath();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        prompts.Message(&window, QStringLiteral("ファイルを開けません。\n") + path);
        return;
    }
    const bool project = IsProjectFileName(path);
    if (!project && !IsPictureFileName(PictureFileName(path))) {
        prompts.Message(&window, QStringLiteral("画像ファイルでもデータファイル (*.dat, *.txt) "
                                                "でもないため開けません。\n") +
                                     path);
        return;
    }
    prompts.AnswerNextOpen(path);
    if (project)
        window.OpenDataMenu_Click();
    else
        window.OPenPhotoMenu_Click();
    // A command that asked nothing leaves no answer behind for the next dialog.
    prompts.Forget();
}

void TellTemporaryDataFolder(QWidget* window, Prompts& prompts) {
    if (!qEnvironmentVariableIsSet(kTemporaryDataVariable))
        return;
    const QString folder = qEnvironmentVariable(kTemporaryDataVariable);
    // Once: a later main window of this run, or a program started from
    // this one, is not told again.
    qunsetenv(kTemporaryDataVariable);
    if (folder.isEmpty()) {
        prompts.Message(window,
                        QStringLiteral("データフォルダも一時フォルダも作成できませんでした。"
                                       "一時データは保存されません。"));
        return;
    }
    prompts.Message(window, QStringLiteral("データフォルダを作成できませんでした。一時データは"
                                           "次のフォルダに保存します（ログアウトや再起動で"
                                           "消えることがあります）。\n") +
                                folder);
}

} // namespace velmora
