// vardo-bench [--hash MB] [--threads N] [--strong] [DEPTH]: searches a fixed set of positions to a
// fixed depth with a transposition table of MB megabytes (default 32) on N threads (default 1), and
// prints, per position, "<index> <best move> <score> <nodes>", then "bench nodes <N> time_ms
// <T> nps <R>". The nodes are those of every thread. On one thread the total node count is the
// bench signature: it changes only when the search's play does. Every position starts from an
// empty table, so the signature does not depend on their order. --strong searches with the
// selective search, whose own signature is pinned beside the full-width one.

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "board/board.h"
#include "board/notation.h"
#include "engine/arguments.h"
#include "search/searcher.h"
#include "search/stop_flag.h"
#include "support/standard_streams.h"

namespace {

constexpr int DEFAULT_DEPTH = 6;
// Each ply multiplies the time by five to seven; depth 8 already takes over half a minute here,
// and a deeper one would seem to run for ever.
constexpr int MAX_BENCH_DEPTH = 8;
// The selective search reaches twice the depth in the same time.
constexpr int MAX_STRONG_BENCH_DEPTH = 16;
static_assert(MAX_STRONG_BENCH_DEPTH <= vardo::MAX_DEPTH);

// Openings, middlegames with tactics, endgames and a few mates, each with a side to move.
constexpr std::string_view POSITIONS[] = {
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

bool ParseDepth(std::string_view text, int& depth) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, depth);
    return error == std::errc() && ptr == end && depth >= 1;
}

}  // namespace

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    int depth = DEFAULT_DEPTH;
    std::size_t hashMegabytes = vardo::TranspositionTable::DEFAULT_MEGABYTES;
    int threads = 1;
    bool depthGiven = false;
    bool strong = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argc == 2 && (argument == "--help" || argument == "-h")) {
            std::printf(
                "usage: vardo-bench [--hash MB] [--threads N] [--strong] [DEPTH]\n"
                "Searches %zu fixed positions to DEPTH (1 to %d, default %d) and prints each\n"
                "one's move, score and nodes, then the node total (on one thread, the bench\n"
                "signature), the time and the speed. --hash sizes the table (default %zu MB),\n"
                "--threads sets the search threads (default 1, 0 for one per core),\n"
                "--strong searches with the selective search.\n",
                std::size(POSITIONS), MAX_BENCH_DEPTH, DEFAULT_DEPTH,
                vardo::TranspositionTable::DEFAULT_MEGABYTES);
            return 0;
        }
        if (argument == "--hash") {
            if (i + 1 == argc || !vardo::ParseHashMegabytes(argv[++i], hashMegabytes)) {
                std::fprintf(stderr,
                             "vardo-bench: --hash needs a size in megabytes from 0 to %zu\n",
                             vardo::MAX_HASH_MEGABYTES);
                return 2;
            }
        } else if (argument == "--threads") {
            if (i + 1 == argc || !vardo::ParseThreads(argv[++i], threads)) {
                std::fprintf(stderr, "vardo-bench: --threads needs a number from 0 to %d\n",
                             vardo::MAX_THREADS);
                return 2;
            }
        } else if (argument == "--strong") {
            strong = true;
        } else if (depthGiven || !ParseDepth(argument, depth)) {
            std::fprintf(stderr, "vardo-bench: DEPTH must be a whole number from 1 to %d\n",
                         MAX_BENCH_DEPTH);  // the larger bound with --strong is checked below
            return 2;
        } else {
            depthGiven = true;
        }
    }
    if (depth > (strong ? MAX_STRONG_BENCH_DEPTH : MAX_BENCH_DEPTH)) {
        std::fprintf(stderr, "vardo-bench: DEPTH must be a whole number from 1 to %d%s\n",
                     strong ? MAX_STRONG_BENCH_DEPTH : MAX_BENCH_DEPTH,
                     strong ? " with --strong" : "");
        return 2;
    }

    vardo::Searcher searcher(hashMegabytes, threads);
    searcher.SetStrong(strong);
    if (searcher.table.Megabytes() != hashMegabytes)
        std::fprintf(stderr, "vardo-bench: %s\n",
                     vardo::TableReducedText(hashMegabytes, searcher.table.Megabytes()).c_str());
    vardo::stopFlag = false;  // no timer: nothing raises it
    std::uint64_t total = 0;
    const auto start = std::chrono::steady_clock::now();
    int index = 0;
    for (std::string_view fen : POSITIONS) {
        ++index;
        vardo::Board board;
        if (!board.SetFromFen(fen)) {
            std::fprintf(stderr, "vardo-bench: position %d refused: %.*s\n", index,
                         static_cast<int>(fen.size()), fen.data());
            return 1;
        }
        searcher.ClearOrderingMemory();  // each position searched as in a new game, table empty
        const vardo::BestMove best = searcher.Search(board, nullptr, depth);
        total += searcher.AllNodes();
        std::printf("%d %s %d %u\n", index, vardo::CoordinateText(best.move).c_str(), best.score,
                    static_cast<unsigned>(searcher.AllNodes()));
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    const long long nps =
        static_cast<long long>(total * 1000 / static_cast<std::uint64_t>(ms > 0 ? ms : 1));
    std::printf("bench nodes %llu time_ms %lld nps %lld\n", static_cast<unsigned long long>(total),
                ms, nps);
    return 0;
}
