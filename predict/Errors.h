// SPDX-License-Identifier: GPL-3.0-or-later
// One error model for the predictions and their front ends: a failure is a
// code with its arguments (the file, the line, the system's reason and the
// numbers the message names). Each message is worded once per language, so
// the command line says it in English and the window in Japanese.
#pragma once

#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace velmora::predict {

enum class ErrorCode {
    // Parameters: {1} the option's name, {2} the lowest, {3} the highest
    // value, {4} the unit, {5} the value given.
    OutOfRange,
    AtLeast,       // {1} name, {2} lowest, {4} unit
    NotANumber,    // {1} name, {5} the text
    BadContours,   // {5} the text
    BadSystems,    // {5} the text
    NoSystems,     //
    EmptyPeriod,   // the period ends before it begins
    TooManyEpochs, // {1} hours, {2} step, {3} the capacity
    NoEphemerisFiles,
    // Computation.
    NoRoofs,
    NoHeights,
    SunDown,       // {1} the period, {2} latitude, {3} longitude
    GridTooLarge,  // {1} columns, {2} rows, {3} the capacity in millions
    InsideRoof,    // file, {1} x, {2} y, {3} the roof
    EphemerisFile, // reason: the reader's account of it
    EphemerisIdle, // file, {1} start, {2} end
    Cancelled,
    WriteFailed, // file, reason
    DrawFailed,  // file, {1} what: "map", "plot", "chart"
    Projection,  // reason: PROJ's
    TooFar,      // a point too far from the origin to be placed
    StdoutTwice, // two outputs go to standard output
    Unexpected,  // reason: what went wrong
    RoofTooFar,  // {1} the roof, {2} the reach in km
    RoofTooTall, // {1} the roof, {2} its height, {3} the most there is
    BadSettings, // reason: why the settings cannot be computed (English)
};

enum class Language { English, Japanese };

struct Error {
    Error() = default;
    Error(ErrorCode code, std::vector<std::string> args = {}, std::string file = {}, long line = 0,
          std::string reason = {})
        : code(code), args(std::move(args)), file(std::move(file)), line(line),
          reason(std::move(reason)) {}

    ErrorCode code = ErrorCode::Cancelled;
    std::vector<std::string> args; // {1}, {2}, ... in the wording
    std::string file;              // as the system's bytes; empty: none
    long line = 0;                 // 0: none
    std::string reason;            // the system's or the reader's reason
};

// True for a failure of the request itself (a command line that cannot be
// carried out) rather than of its computation.
bool IsRequestError(ErrorCode code);

// The wording of the code in the language with {1} ... {n} and {reason}
// filled in and, when the error names a file, "FILE: " (and "line N: ")
// before it. `fileText` is the file as the front end shows it.
std::string Message(const Error& e, Language language, const std::string& fileText);

// A failure thrown by the algorithms; what() is the English message.
class Failure : public std::exception {
  public:
    explicit Failure(Error e);
    const Error& error() const noexcept { return error_; }
    const char* what() const noexcept override { return english_.c_str(); }

  private:
    Error error_;
    std::string english_;
};

// Numbers as the messages and outputs print them: fixed, `decimals`
// places, no "-0".
std::string FixedText(double v, int decimals);
// The shortest text that reads back as the number ("0.05", "5000").
std::string NumberText(double v);

} // namespace velmora::predict
