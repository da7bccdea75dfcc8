// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's built-in files (ico/, Pic01/, Sample1/) are found.
#pragma once

#include <QString>
#include <string>

namespace velmora {

// `relative` below the program directory `appPath` when it is there, else
// beside the executable, else in the installed data folder (share/velmora
// next to the executable's bin/); the first when none has it.
QString BuiltInFile(const std::string& appPath, const QString& relative);

// Shows the busy pointer until destroyed.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace velmora
