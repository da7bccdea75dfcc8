// SPDX-License-Identifier: GPL-3.0-or-later
// The parameters of the predictions, declared once: name, type, range,
// default and help. velmora-cli builds its options from these declarations
// and the window its boxes, so a range or default changed here changes in
// both.
#pragma once

#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::predict {

enum class ParamType {
    Number, // a finite number within the range
    Whole,  // a whole number within the range
    Flag,   // present or not
    Text,   // a list or name parsed by its algorithm
    Pair,   // "A,B": two numbers, each within the range
    Date,   // YYYY-MM-DD
    Time,   // an hour of the day, H or H:MM, within the range
    Files,  // input files (repeatable where the help says so)
};

inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

struct Parameter {
    const char* name; // the command line's option without "--"
    ParamType type;
    double min = -kUnbounded, max = kUnbounded; // accepted values, ends included
    bool minOpen = false;                       // the lowest value itself is refused
    bool maxOpen = false;                       // the highest value itself is refused
    const char* fallback = "";                  // the default as the command line takes it
    const char* valueName = "";                 // the command line's placeholder
    const char* help = "";                      // English; "(default X)" is added
    const char* unit = "";                      // English unit in messages
    const char* label = "";                     // the window's caption
    const char* unitJa = "";                    // the window's unit
    int decimals = 2;                           // the window's box
};

// An algorithm: its name, what it does (English) and its parameters in the
// order the command line's help lists them.
struct Algorithm {
    const char* name;
    const char* description;
    std::span<const Parameter* const> parameters;
};

const Algorithm& ShadowAlgorithm();
const Algorithm& GnssAlgorithm();
const Algorithm& SkyMaskAlgorithm();

// The declaration of that name (in any algorithm), or null.
const Parameter* FindParameter(std::string_view name);
// The declaration of that name in the algorithm; a name it lacks is a
// programming error and throws std::logic_error.
const Parameter& ParameterOf(const Algorithm& a, std::string_view name);

// The default as a number (NaN when there is none or it is no number).
double DefaultValue(const Parameter& p);
// The help with "(default X)" added where there is a default.
std::string HelpText(const Parameter& p);

// Throws Failure (OutOfRange or AtLeast) for a value outside the range or
// not finite, naming the parameter.
void CheckValue(const Parameter& p, double v);
// The same with a value that the window's box can hold: the lowest and
// highest acceptable value to `decimals` places.
double LowestValue(const Parameter& p);
double HighestValue(const Parameter& p);

// The comma-separated items of a Text value, each stripped of spaces and tabs;
// empty items are kept (the caller decides whether they are an error).
std::vector<std::string> ListItems(std::string_view text);

// The parameters shared by more than one algorithm.
extern const Parameter kLatitude, kLongitude, kUtcOffset, kAntennaHeight;
// Buildings from map data: files, the height's field, the box read.
extern const Parameter kBuildings, kHeightField, kBbox;
// Without --bbox, the building files of the GNSS prediction are read this
// many metres around the receiver.
inline constexpr double kBuildingFileReach = 1000;

} // namespace velmora::predict
