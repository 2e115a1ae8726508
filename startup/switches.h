#pragma once
// How the command line picks a display mode. Pure functions, so that they can be tested and
// fuzzed without a window.
#include <cstdint>
#include <string>
#include <string_view>

namespace tessiva {

enum class DisplayMode { None, Saver, Preview, Config };

// The command line with surrounding spaces removed, in upper case.
std::string switchText(std::string_view commandLine);

// "/S", "/P", "/C" by the first two characters of the switch text, in that order.
DisplayMode chooseMode(const std::string& switchText);

// The display mode a command line asks for: chooseMode of its switch text. Main decides by
// it, and so does the composition root where it prepares for a mode before Main runs.
DisplayMode displayModeOf(std::string_view commandLine);

// The preview host's handle: the switch text without its first three characters, whatever
// the third is ("/P 123" and "/P:123" give 123, "/P123" gives 23). Raises Invalid procedure
// call when the text is shorter than three characters, Type mismatch when the rest is not a
// number and Overflow when it doesn't fit 32 bits.
std::int32_t hostHandle(const std::string& switchText);

// The command-line text from argv[1..], joined with single spaces, so that
// `tessiva /p 123` and `tessiva "/p 123"` read alike.
std::string joinArguments(int argc, const char* const* argv);

}  // namespace tessiva
