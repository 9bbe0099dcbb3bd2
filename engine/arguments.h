// The program's command-line arguments. Without any it plays; --version and --help answer on
// the output and end the program at once, as other command-line chess engines do.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace vardo {

// The one line that --version writes.
std::string VersionLine();

// Answers the arguments of `main` (argv[0] is the program's name and is not read). With no
// argument: nullopt, and the engine is to start. "--version" or "--help" alone: the version
// line or the usage text on `out`, exit status 0. Anything else: a usage line on `err`, exit
// status 2. Nothing is written when the engine is to start.
std::optional<int> AnswerArguments(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err);

}  // namespace vardo
