// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <utility>

#include "app/InputLineFrm.h"
#include "app/StartArguments.h"
#include "app/StartUpFrm.h"
#include "data/BuildingData.h"
#include "workspace/Prompts.h"
#include "workspace/QtJapanese.h"

namespace {

QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

int Answer(const velmora::StartRequest& request) {
    using Action = velmora::StartRequest::Action;
    if (request.action == Action::Fail) {
        std::fprintf(stderr, "velmora: %s\n", request.problem.toLocal8Bit().constData());
        return 2;
    }
    const QString text =
        request.action == Action::Version ? velmora::VersionText() : velmora::UsageText();
    const QByteArray bytes = text.toLocal8Bit();
    // A closed or full standard output is a failure, not a printed answer.
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) !=
            static_cast<std::size_t>(bytes.size()) ||
        std::fflush(stdout) != 0) {
        std::perror("velmora: standard output");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The version and the usage need no display. (With Qt's own options
    // among the arguments they are answered once QApplication took those.)
    if (velmora::AsksVersionOrHelp(RawArguments(argc, argv))) {
        const velmora::StartRequest early = velmora::ReadStartArguments(RawArguments(argc, argv));
        if (early.action != velmora::StartRequest::Action::Fail)
            return Answer(early);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setApplicationVersion(velmora::VersionNumber());
    // Qt's own texts follow a Japanese locale everywhere; the dialogs with
    // Japanese texts get them in any locale (Prompts).
    if (velmora::JapaneseLocale())
        velmora::InstallJapaneseQtTexts();
    // What is left once Qt took its own options.
    const velmora::StartRequest request = velmora::ReadStartArguments(RawArguments(argc, argv));
    if (request.action != velmora::StartRequest::Action::Run)
        return Answer(request);

    // The record and the dialogs live for the whole run; main windows come
    // and go around them.
    static velmora::BuildingData record;
    static velmora::QtPrompts dialogs;
    static velmora::StartPrompts prompts(dialogs);
    static QString file = request.file;

    auto* splash = new velmora::StartUpFrm([] {
        auto* w = new velmora::InputLineFrm(record, prompts);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        w->activateWindow();
        velmora::TellTemporaryDataFolder(w, prompts);
        // Only the first main window of the run opens the file.
        if (!file.isEmpty())
            velmora::OpenStartFile(*w, prompts, std::exchange(file, QString()));
    });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    return app.exec();
}
