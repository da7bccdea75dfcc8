// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the outputs of a run, for velmora-cli and the window alike.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

namespace velmora {

// Writes every output of a run after all of them are complete, all or
// nothing: each target is checked first (absent or a regular file, not one
// of `inputs`, not another output of the run; compared by device and inode),
// then every new content is written and synced beside its target, and only
// then are they put in place. "-" or an empty path is standard output,
// written after the files are ready and before they replace the old ones.
// Where a replacement fails after others succeeded, those are put back
// (the old files were kept as hard links until all were in place; on a
// file system without hard links an earlier replacement stays).
// A failure throws predict::Failure (WriteFailed with the system's reason,
// StdoutTwice).
// `beforeCommit(i)`, when given, is called before the i-th file is put in
// place (the tests' way to make a replacement fail).
void WriteOutputs(const std::vector<std::pair<QString, QByteArray>>& outputs,
                  const QStringList& inputs,
                  const std::function<void(std::size_t)>& beforeCommit = {});
// One output.
void WriteOutput(const QString& path, const QByteArray& bytes, const QStringList& inputs = {});

// Numbers as the outputs print them: fixed, `decimals` places, no "-0".
QString Fixed(double v, int decimals);

} // namespace velmora
