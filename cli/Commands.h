// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of velmora-cli: one command word, then its arguments.
#pragma once

#include <QCommandLineParser>
#include <QStringList>

namespace velmora::cli {

// Parses `args` (the command word first) with the command's parser. Prints
// the help and returns false for --help; throws UsageError for unknown
// options, an option given twice that is not named in `repeatable`, or a
// wrong number of positional arguments (maxPositional -1: any).
bool ParseCommandLine(QCommandLineParser& parser, const QStringList& args, int minPositional,
                      int maxPositional, const QStringList& repeatable = {});

// Runs the whole program; returns the exit status.
int Main(int argc, char** argv);

} // namespace velmora::cli
