#pragma once

#include <optional>

// `kestrivo --help` and `kestrivo --version` are answered before the window system is
// touched, so they work on a machine without a display (the manual page is made from them
// while building).
namespace ProgramCommandLine {

// Prints the help or the version when the arguments ask for one and returns the exit code;
// returns nothing when the program is to start.
std::optional<int> answer(int argc, char* argv[]);

} // namespace ProgramCommandLine
