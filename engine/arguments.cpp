#include "engine/arguments.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/version.h"

namespace vardo {

namespace {

constexpr const char* USAGE =
    "Usage: vardo [--hash MB] [--threads N] [--strong] | --help | --version";

// Exit status of a command used the wrong way, as the shell's own tools use it.
constexpr int MISUSE_STATUS = 2;

// Ends a line saying what is wrong with the usage line.
int Misuse(std::ostream& err) {
    err << '\n' << USAGE << '\n' << std::flush;
    return MISUSE_STATUS;
}

}  // namespace

std::string VersionLine() {
    return std::string("Vardo ") + VERSION;
}

std::string TableReducedText(std::size_t askedMegabytes, std::size_t givenMegabytes) {
    return "a hash table of " + std::to_string(askedMegabytes) +
           " MB is more than this machine can give (a table takes at most half its memory); "
           "using " +
           std::to_string(givenMegabytes) + " MB";
}

bool ParseHashMegabytes(const char* text, std::size_t& megabytes) {
    const char* end = text + std::strlen(text);
    std::size_t value = 0;
    const auto [ptr, error] = std::from_chars(text, end, value);
    if (error != std::errc() || ptr != end || end == text || value > MAX_HASH_MEGABYTES)
        return false;
    megabytes = value;
    return true;
}

bool ParseThreads(const char* text, int& threads) {
    const char* end = text + std::strlen(text);
    int value = 0;
    const auto [ptr, error] = std::from_chars(text, end, value);
    if (error != std::errc() || ptr != end || end == text || value < 0 || value > MAX_THREADS)
        return false;
    threads = value;
    return true;
}

std::optional<int> AnswerArguments(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err, EngineOptions& options) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        out << VersionLine() << '\n' << std::flush;
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        out << USAGE << "\n"
            << "Vardo plays chess against a person typing moves at the console, or under an\n"
            << "xboard interface (xboard -fcp vardo -firstScoreAbs true).\n"
            << "Without arguments it reads moves and commands from standard input: type \"new\",\n"
            << "then \"st 5\" to give it five seconds a move. \"help\" lists some commands, and\n"
            << "vardo(6) all of them.\n"
            << "A session that opens with \"uci\" is played in UCI, with the options Hash,\n"
            << "Threads, Clear Hash, OwnBook, Strong, MultiPV (lines shown per depth), Ponder\n"
            << "and UCI_Chess960 (Chess960 games, castling written as the king taking its\n"
            << "rook, e1h1); \"vardo bench [DEPTH]\" runs the bench and ends with\n"
            << "\"N nodes M nps\".\n"
            << "  --hash MB    size of the transposition table in megabytes (default "
            << TranspositionTable::DEFAULT_MEGABYTES << ")\n"
            << "  --threads N  search threads (default 1; 0: one per core)\n"
            << "  --strong     play as strongly as it can: a selective search that looks\n"
            << "               deeper than the full-width one by skipping unlikely moves\n"
            << "  --help       show this text and exit\n"
            << "  --version    show the version and exit\n"
            << std::flush;
        return 0;
    }
    EngineOptions read;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--hash") {
            if (i + 1 == argc || !ParseHashMegabytes(argv[i + 1], read.hashMegabytes)) {
                err << "vardo: --hash needs a size in megabytes from 0 to " << MAX_HASH_MEGABYTES;
                return Misuse(err);
            }
            ++i;
        } else if (argument == "--threads") {
            if (i + 1 == argc || !ParseThreads(argv[i + 1], read.threads)) {
                err << "vardo: --threads needs a number from 0 to " << MAX_THREADS;
                return Misuse(err);
            }
            ++i;
        } else if (argument == "--strong") {
            read.strong = true;
        } else if (argument == "--help" || argument == "--version") {
            err << "vardo: '" << argument << "' stands alone";
            return Misuse(err);
        } else {
            err << "vardo: unknown option '" << argument << "'";
            return Misuse(err);
        }
    }
    options = read;
    return std::nullopt;
}

}  // namespace vardo
