// SPDX-License-Identifier: GPL-3.0-or-later
// A program run as a child process, for the tests that drive velmora-cli
// as users do: its exit code (-1 when it crashed) and what it printed.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace velmora::testing {

struct ProcessRun {
    int code = -1;
    QString out, err;
};

// `inChild` runs in the child before the program starts; with `stdoutFile`
// its standard output goes there instead of into `out`.
inline ProcessRun RunProgram(const QString& program, const QStringList& args,
                             const std::function<void()>& inChild = {},
                             const QString& stdoutFile = {}) {
    QProcess p;
    if (inChild)
        p.setChildProcessModifier(inChild);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace velmora::testing
