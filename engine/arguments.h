// The program's command-line arguments. Without any it plays; --version and --help answer on
// the output and end the program at once, as other command-line chess engines do; --hash sets
// the size of the transposition table and --threads the number of search threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "search/transposition_table.h"

namespace vardo {

// The one line that --version writes.
std::string VersionLine();

// What the arguments set for the session.
struct EngineOptions {
    std::size_t hashMegabytes = TranspositionTable::DEFAULT_MEGABYTES;
    int threads = 1;         // 0: one per core
    bool strong = false;     // the selective search instead of the full-width one
    int elo = 0;             // a level's rating (MIN_LEVEL_ELO to MAX_LEVEL_ELO); 0: full strength
    std::uint64_t seed = 0;  // the levels' choices; 0: from the clock, new each session
    std::string evalFile;    // a net file for the selective search; empty: the built-in one
};

// The largest table --hash takes, in megabytes; a size the machine cannot give is reduced
// when the table is allocated.
inline constexpr std::size_t MAX_HASH_MEGABYTES = std::size_t{1} << 20;

// What the programs say on standard error when the table asked for was reduced: to half the
// machine's memory, or further when the system would not give that much.
std::string TableReducedText(std::size_t askedMegabytes, std::size_t givenMegabytes);

// The most threads --threads takes.
inline constexpr int MAX_THREADS = 256;

// Reads a table size in megabytes, 0 to MAX_HASH_MEGABYTES, as --hash takes it; false for
// anything else.
bool ParseHashMegabytes(const char* text, std::size_t& megabytes);
// Reads a thread count, 0 (one per core) to MAX_THREADS, as --threads takes it.
bool ParseThreads(const char* text, int& threads);

// Answers the arguments of `main` (argv[0] is the program's name and is not read). With none,
// or only "--hash MB", "--threads N", "--strong", "--elo N", "--seed N" and "--eval-file PATH":
// nullopt, the options in `options`, and the engine is to start.
// "--version" or "--help" alone: the version line or the usage text on `out`, exit status 0.
// Anything else: what is wrong and a usage line on `err`, exit status 2. Nothing is written
// when the engine is to start.
std::optional<int> AnswerArguments(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err, EngineOptions& options);

}  // namespace vardo
