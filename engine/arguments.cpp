#include "engine/arguments.h"

#include <string>
#include <string_view>

#include "engine/version.h"

namespace vardo {

namespace {

constexpr const char* USAGE = "Usage: vardo [--help | --version]";

// Exit status of a command used the wrong way, as the shell's own tools use it.
constexpr int MISUSE_STATUS = 2;

}  // namespace

std::string VersionLine() {
    return std::string("Vardo ") + VERSION;
}

std::optional<int> AnswerArguments(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err) {
    if (argc <= 1) return std::nullopt;
    const std::string_view first = argv[1];
    if (argc == 2 && first == "--version") {
        out << VersionLine() << '\n' << std::flush;
        return 0;
    }
    if (argc == 2 && first == "--help") {
        out << USAGE << "\n"
            << "Vardo plays chess against a person typing moves at the console, or under an\n"
            << "xboard interface (xboard -fcp vardo -firstScoreAbs true).\n"
            << "Without arguments it reads moves and commands from standard input: type \"new\",\n"
            << "then \"st 5\" to give it five seconds a move. \"help\" lists some commands, and\n"
            << "vardo(6) all of them.\n"
            << "  --help     show this text and exit\n"
            << "  --version  show the version and exit\n"
            << std::flush;
        return 0;
    }
    err << USAGE << '\n' << std::flush;
    return MISUSE_STATUS;
}

}  // namespace vardo
