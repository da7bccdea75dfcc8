// Where the program's built-in files (ico/, Pic01/, Sample1/) are found.
#pragma once

#include <QString>
#include <string>

namespace velmora {

// `relative` below the program directory `appPath` when it is there, else
// beside the executable; the first when neither has it.
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
