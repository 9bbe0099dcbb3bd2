// vardo-bench [--hash MB] [--threads N] [DEPTH]: searches a fixed set of positions to a fixed
// depth with a transposition table of MB megabytes (default 32) on N threads (default 1), and
// prints, per position, "<index> <best move> <score> <nodes>", then "bench nodes <N> time_ms
// <T> nps <R>". The nodes are those of every thread. On one thread the total node count is the
// bench signature: it changes only when the search's play does. Every position starts from an
// empty table, so the signature does not depend on their order. --strong searches with the
// selective search, whose own signature is pinned beside the full-width one; it judges positions
// as `vardo --strong` does, with the net built into the program when there is one (or the net
// file of --eval-file, or, with --no-net, the hand-written evaluation). --portable makes the
// net's arithmetic use its portable code rather than AVX2, to time the two.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "board/notation.h"
#include "engine/arguments.h"
#include "engine/search_choice.h"
#include "search/bench.h"
#include "strong/network.h"
#include "support/standard_streams.h"

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    int depth = vardo::DEFAULT_BENCH_DEPTH;
    std::size_t hashMegabytes = vardo::TranspositionTable::DEFAULT_MEGABYTES;
    int threads = 1;
    bool depthGiven = false;
    bool strong = false;
    bool noNet = false;
    std::string evalFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argc == 2 && (argument == "--help" || argument == "-h")) {
            std::printf(
                "usage: vardo-bench [--hash MB] [--threads N] [--strong [--eval-file NET | "
                "--no-net] [--portable]] [DEPTH]\n"
                "Searches %zu fixed positions to DEPTH (1 to %d, default %d) and prints each\n"
                "one's move, score and nodes, then the node total (on one thread, the bench\n"
                "signature), the time and the speed. --hash sizes the table (default %zu MB),\n"
                "--threads sets the search threads (default 1, 0 for one per core),\n"
                "--strong searches with the selective search (DEPTH up to %d), judging\n"
                "positions with the net built into the program, if any, or the net file of\n"
                "--eval-file, or with --no-net the hand-written evaluation; --portable\n"
                "computes the net without AVX2.\n",
                std::size(vardo::BENCH_POSITIONS), vardo::MAX_BENCH_DEPTH,
                vardo::DEFAULT_BENCH_DEPTH, vardo::TranspositionTable::DEFAULT_MEGABYTES,
                vardo::MAX_STRONG_BENCH_DEPTH);
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
        } else if (argument == "--eval-file") {
            if (i + 1 == argc) {
                std::fprintf(stderr, "vardo-bench: --eval-file needs the path of a net file\n");
                return 2;
            }
            evalFile = argv[++i];
        } else if (argument == "--no-net") {
            noNet = true;
        } else if (argument == "--portable") {
            vardo::UsePortableNetworkKernels(true);
        } else if (depthGiven ||
                   !vardo::ParseBenchDepth(argument, depth, vardo::MAX_STRONG_BENCH_DEPTH)) {
            std::fprintf(stderr, "vardo-bench: DEPTH must be a whole number from 1 to %d\n",
                         vardo::MAX_BENCH_DEPTH);
            return 2;
        } else {
            depthGiven = true;
        }
    }
    if (noNet && !evalFile.empty()) {
        std::fprintf(stderr, "vardo-bench: --eval-file and --no-net exclude each other\n");
        return 2;
    }
    if (!strong && depth > vardo::MAX_BENCH_DEPTH) {
        std::fprintf(stderr, "vardo-bench: DEPTH must be a whole number from 1 to %d\n",
                     vardo::MAX_BENCH_DEPTH);
        return 2;
    }

    const std::unique_ptr<vardo::SearchEngine> search =
        vardo::MakeSearch(strong, hashMegabytes, threads);
    vardo::SearchEngine& searcher = *search;
    auto network = std::make_unique<vardo::Network>();
    if (strong && !noNet) {
        std::string why;
        if (network->LoadChosen(evalFile, why)) {
            vardo::SetSearchNetwork(searcher, network.get());
        } else if (!why.empty()) {
            std::fprintf(stderr, "vardo-bench: %s: %s\n",
                         evalFile.empty() ? "the built-in net" : evalFile.c_str(), why.c_str());
            return 2;
        }
    }
    if (searcher.Table().Megabytes() != hashMegabytes)
        std::fprintf(stderr, "vardo-bench: %s\n",
                     vardo::TableReducedText(hashMegabytes, searcher.Table().Megabytes()).c_str());
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::uint64_t> total =
        vardo::RunBench(searcher, depth, [](const vardo::BenchPosition& done) {
            if (done.refused) {
                std::fprintf(stderr, "vardo-bench: position %d refused\n", done.index);
                return;
            }
            std::printf("%d %s %d %u\n", done.index, vardo::CoordinateText(done.best.move).c_str(),
                        done.best.score, static_cast<unsigned>(done.nodes));
        });
    if (!total) return 1;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    const long long nps =
        static_cast<long long>(*total * 1000 / static_cast<std::uint64_t>(ms > 0 ? ms : 1));
    std::printf("bench nodes %llu time_ms %lld nps %lld\n", static_cast<unsigned long long>(*total),
                ms, nps);
    return 0;
}
