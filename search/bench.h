// The bench: a fixed set of positions searched to a fixed depth, each from an empty table, on
// one searcher. On one thread the total node count is the bench signature: it changes only
// when the search's play does. vardo-bench and "vardo bench" both run it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "search/search_engine.h"

namespace vardo {

inline constexpr int DEFAULT_BENCH_DEPTH = 6;
// Each ply multiplies the time by five to seven; depth 8 already takes over half a minute here,
// and a deeper one would seem to run for ever.
inline constexpr int MAX_BENCH_DEPTH = 8;
// The selective search (--strong) reaches about twice the depth in the same time.
inline constexpr int MAX_STRONG_BENCH_DEPTH = 16;
static_assert(MAX_STRONG_BENCH_DEPTH <= MAX_DEPTH);

// Openings, middlegames with tactics, endgames and a few mates, each with a side to move.
inline constexpr std::string_view BENCH_POSITIONS[] = {
    // Openings.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2",
    "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3",
    "rnbqkb1r/ppp2ppp/4pn2/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 2 4",
    "r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    // Middlegames, many with a tactical point.
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "5rk1/1ppb3p/p1pb4/6q1/3P1p1r/2P1R2P/PP1BQ1P1/5RKN w - - 0 1",
    "r1bq2rk/pp3pbp/2p1p1pQ/7P/3P4/2PB1N2/PP3PPR/2KR4 w - - 0 1",
    "5k2/6pp/p1qN4/1p1p4/3P4/2PKP2Q/PP3r2/3R4 b - - 0 1",
    "rnbqkb1r/pppp1ppp/8/4P3/6n1/7P/PPPNPPP1/R1BQKBNR b KQkq - 0 1",
    "r4q1k/p2bR1rp/2p2Q1N/5p2/5p2/2P5/PP3PPP/R5K1 w - - 0 1",
    "3q1rk1/p4pp1/2pb3p/3p4/6Pr/1PNQ4/P1PB1PP1/4RRK1 b - - 0 1",
    "2br2k1/2q3rn/p2NppQ1/2p1P3/Pp5R/4P3/1P3PPP/3R2K1 w - - 0 1",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    // Endgames.
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/7p/5k2/5p2/p1p2P2/Pr1pPK2/1P1R3P/8 b - - 0 1",
    "7k/p7/1R5K/6r1/6p1/6P1/8/8 w - - 0 1",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",
    "1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1",
    "8/5pk1/6p1/8/1R6/5PP1/r7/6K1 w - - 0 1",
    "8/8/8/3k4/8/8/2r5/KQ6 w - - 0 1",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    "8/P7/8/8/8/8/p7/K1k5 w - - 0 1",
    "8/8/8/4k3/8/8/8/KQ6 w - - 0 1",
    // Mates in one.
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "6rk/6pp/8/6N1/8/8/8/6K1 w - - 0 1",
};

// Reads a bench depth, 1 to `maxDepth`, as the whole text; false for anything else.
bool ParseBenchDepth(std::string_view text, int& depth, int maxDepth = MAX_BENCH_DEPTH);

// What one position of the bench found: its number from 1, best move and score, and the nodes
// of every thread.
struct BenchPosition {
    int index = 0;
    bool refused = false;  // the position's FEN was refused: nothing searched
    BestMove best;
    std::uint32_t nodes = 0;
};

// Searches every bench position to `depth` with `searcher`, each as in a new game (ordering
// memory and table cleared), calling `onPosition` after each; returns the total nodes, or
// nullopt after a position whose FEN the board refused. The stop flag is lowered first:
// nothing raises it while the bench runs.
std::optional<std::uint64_t> RunBench(SearchEngine& searcher, int depth,
                                      const std::function<void(const BenchPosition&)>& onPosition);

}  // namespace vardo
