#include "engine/arguments.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/level.h"
#include "engine/version.h"

namespace vardo {

namespace {

constexpr const char* USAGE =
    "Usage: vardo [--hash MB] [--threads N] [--strong] [--elo N] [--seed N]\n"
    "             [--eval-file PATH] | --help | --version";

// Exit status of a command used the wrong way, as the shell's own tools use it.
constexpr int MISUSE_STATUS = 2;

// Ends a line saying what is wrong with the usage line.
int Misuse(std::ostream& err) {
    err << '\n' << USAGE << '\n' << std::flush;
    return MISUSE_STATUS;
}

// A whole argument as a decimal number from `low` to `high`; false for anything else.
template <typename Number>
bool ParseNumber(const char* text, Number low, Number high, Number& value) {
    const char* end = text + std::strlen(text);
    Number read = 0;
    const auto [ptr, error] = std::from_chars(text, end, read);
    if (error != std::errc() || ptr != end || end == text || read < low || read > high)
        return false;
    value = read;
    return true;
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
    return ParseNumber(text, std::size_t{0}, MAX_HASH_MEGABYTES, megabytes);
}

bool ParseThreads(const char* text, int& threads) {
    return ParseNumber(text, 0, MAX_THREADS, threads);
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
            << "Threads, Clear Hash, OwnBook, Strong, MultiPV (lines shown per depth), Ponder,\n"
            << "UCI_Chess960 (Chess960 games, castling written as the king taking its rook,\n"
            << "e1h1), UCI_LimitStrength and UCI_Elo (a level, as --elo sets it). \"vardo bench\n"
            << "[DEPTH]\" runs the bench and ends with \"N nodes M nps\".\n"
            << "  --hash MB    size of the transposition table in megabytes (default "
            << TranspositionTable::DEFAULT_MEGABYTES << ")\n"
            << "  --threads N  search threads (default 1; 0: one per core)\n"
            << "  --strong     play as strongly as it can: a selective search that looks\n"
            << "               deeper than the full-width one by skipping unlikely moves\n"
            << "  --elo N      play a weaker game, at a level rated N on the public lists'\n"
            << "               scale (" << MIN_LEVEL_ELO << " to " << MAX_LEVEL_ELO
            << "; 1400 a club player, 2200 a master): it looks\n"
            << "               less far, at times prefers a lesser move, and takes a\n"
            << "               natural time\n"
            << "  --seed N     the levels' choices from seed N (default: new each session)\n"
            << "  --eval-file PATH  judge positions in the selective search with the network\n"
            << "               in this net file (tools/train_net.py writes them)\n"
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
        } else if (argument == "--elo") {
            if (i + 1 == argc ||
                !ParseNumber(argv[i + 1], MIN_LEVEL_ELO, MAX_LEVEL_ELO, read.elo)) {
                err << "vardo: --elo needs a rating from " << MIN_LEVEL_ELO << " to "
                    << MAX_LEVEL_ELO;
                return Misuse(err);
            }
            ++i;
        } else if (argument == "--seed") {
            std::uint64_t seed = 0;
            if (i + 1 == argc || !ParseNumber(argv[i + 1], std::uint64_t{1}, UINT64_MAX, seed)) {
                err << "vardo: --seed needs a number from 1 to " << UINT64_MAX;
                return Misuse(err);
            }
            read.seed = seed;
            ++i;
        } else if (argument == "--eval-file") {
            if (i + 1 == argc || argv[i + 1][0] == '\0') {
                err << "vardo: --eval-file needs the path of a net file";
                return Misuse(err);
            }
            read.evalFile = argv[++i];
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
