#include "engine/bench_command.h"

#include <chrono>
#include <cstdint>
#include <string_view>

#include "board/notation.h"
#include "search/bench.h"
#include "search/searcher.h"

namespace vardo {

std::optional<int> AnswerBenchCommand(int argc, const char* const* argv, std::ostream& out,
                                      std::ostream& err) {
    if (argc < 2 || std::string_view(argv[1]) != "bench") return std::nullopt;
    int depth = DEFAULT_BENCH_DEPTH;
    if (argc > 3 || (argc == 3 && !ParseBenchDepth(argv[2], depth))) {
        err << "vardo: bench DEPTH must be a whole number from 1 to " << MAX_BENCH_DEPTH
            << "\nUsage: vardo bench [DEPTH]\n"
            << std::flush;
        return 2;
    }
    Searcher searcher;  // the default table, one thread: the signature's conditions
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::uint64_t> total =
        RunBench(searcher, depth, [&out](const BenchPosition& done) {
            if (done.refused) return;
            out << done.index << ' ' << CoordinateText(done.best.move) << ' ' << done.best.score
                << ' ' << done.nodes << '\n';
        });
    if (!total) return 1;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    const std::uint64_t nps = *total * 1000 / static_cast<std::uint64_t>(ms > 0 ? ms : 1);
    out << *total << " nodes " << nps << " nps\n" << std::flush;
    return 0;
}

}  // namespace vardo
