#include "search/bench.h"

#include <charconv>

#include "board/board.h"
#include "search/stop_flag.h"

namespace vardo {

bool ParseBenchDepth(std::string_view text, int& depth, int maxDepth) {
    const char* end = text.data() + text.size();
    int value = 0;
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || ptr != end || value < 1 || value > maxDepth) return false;
    depth = value;
    return true;
}

std::optional<std::uint64_t> RunBench(SearchEngine& searcher, int depth,
                                      const std::function<void(const BenchPosition&)>& onPosition) {
    stopFlag = false;
    std::uint64_t total = 0;
    int index = 0;
    for (std::string_view fen : BENCH_POSITIONS) {
        BenchPosition done;
        done.index = ++index;
        Board board;
        if (!board.SetFromFen(fen)) {
            done.refused = true;
            onPosition(done);
            return std::nullopt;
        }
        searcher.ClearOrderingMemory();
        SearchLimits limits;
        limits.maxDepth = depth;
        done.best = searcher.Search(board, nullptr, limits);
        done.nodes = searcher.AllNodes();
        total += done.nodes;
        onPosition(done);
    }
    return total;
}

}  // namespace vardo
