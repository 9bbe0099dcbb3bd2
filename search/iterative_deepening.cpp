#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "search/searcher.h"
#include "search/stop_flag.h"

namespace vardo {

namespace {

// Records the deepest line can need: MAX_DEPTH full-width plies, then quiescence, whose
// captures and promotions number fewer than the men on the board.
constexpr std::size_t SEARCH_RECORD_ROOM = 2 * MAX_DEPTH;

// Discards the searcher's board copy when the driver leaves, however it leaves.
struct CopyGuard {
    Searcher& searcher;
    ~CopyGuard() { searcher.board.reset(); }
};

}  // namespace

BestMove Searcher::Search(const Board& game, SearchListener* listener, const SearchLimits& limits) {
    // The count is the main thread's 32-bit counter: a larger limit is its largest.
    nodeLimit = static_cast<std::uint32_t>(std::min<std::uint64_t>(limits.nodeLimit, UINT32_MAX));
    rootMoves = limits.rootMoves;
    lines = limits.lines;
    return Search(game, listener, limits.maxDepth);
}

BestMove Searcher::Search(const Board& game, SearchListener* listener, int maxDepth) {
    // Step 1. Fresh counters and result; the copy the search plays on.
    nodes = 0;
    BestMove best;
    board = std::make_unique<Board>(game);
    // Room for every record of the deepest line: a search never allocates.
    board->ReserveRecords(SEARCH_RECORD_ROOM);
    rootRecords = deepestRecords = board->undoStack.size();
    CopyGuard guard{*this};
    // The helpers search alongside until this search ends, however it ends.
    struct HelperGuard {
        Searcher& searcher;
        ~HelperGuard() { searcher.StopHelpers(); }
    };
    table.NewSearch();  // before any helper stores
    signals.depth = 1;
    StartHelpers(game);
    HelperGuard helperGuard{*this};
    Line rootLine;
    const auto start = std::chrono::steady_clock::now();
    const int lastDepth = std::clamp(maxDepth, 1, MAX_DEPTH);
    // Several lines, where asked for: no more than the root has moves to lead them.
    const int lineCount = lines > 1 ? std::min(lines, rootMoves.CountLegal(game)) : 1;
    if (lineCount > 1) {
        iterationLines.Reserve(lineCount);
        previousLines.Reserve(lineCount);
    }

    // Step 2. Deepen one ply at a time; the first iteration ignores the stop flag.
    honourStop = false;
    previousLine.clear();
    for (auto& pair : killers) pair = {};
    try {
        for (int depth = 1; depth <= lastDepth; ++depth) {
            signals.depth = depth;  // the helpers join this iteration
            rootLine.clear();
            linePlies = 0;
            MeasureHistoryPeak();
            const int score = AlphaBetaAt(-MATE_SCORE, MATE_SCORE, depth, 0, rootLine);
            honourStop = true;

            // Step 3. Where several lines are asked for, the others, after the first, which is
            // this iteration as a search of one line makes it. A stop meanwhile ends the
            // search once the lines found are reported.
            const bool severalLines = lineCount > 1 && !rootLine.empty();
            const bool stopped =
                severalLines && !SearchOtherLines(depth, score, rootLine, lineCount);

            // Step 4. Report the completed iteration, score from White's point of view.
            if (listener) {
                const std::chrono::duration<float> seconds =
                    std::chrono::steady_clock::now() - start;
                if (severalLines)
                    iterationLines.Report(*listener, static_cast<unsigned>(AllNodes()),
                                          seconds.count(), board->side);
                else
                    listener->OnIteration(depth, static_cast<unsigned>(AllNodes()), seconds.count(),
                                          board->side == BLACK ? -score : score, rootLine);
            }

            // Step 5. Keep its move; with an empty line (every move loses to a mate) the
            // previous iteration's result stands.
            if (!rootLine.empty())
                best = {rootLine.front().move, score,
                        rootLine.size() > 1 ? rootLine[1].move : Move()};
            previousLine = rootLine;
            if (stopped) break;

            // Step 6. History counts order one iteration only.
            board->ClearPlyState();

            // Step 7. A mate for either side has been seen: deeper search changes nothing.
            if (score > MATE_SEEN || score < -MATE_SEEN) break;
        }
    } catch (StopSignal) {
        // The iteration in progress is abandoned; `best` holds the last completed one.
    }
    honourStop = true;
    return best;
}

// Every line after the first is the best of the root moves that lead no line yet: the root
// leaves out the first moves of the lines found, and is searched with the first line's window
// opened below, so that a move mated by force still gives a line, scored by its mate's
// distance. Above, the window stays the first line's, so no line outscores the one before it
// and the lines come out in the order found. The root's own order is left as the first line
// left it: its successes and killers are put back, and the history counts are cleared before
// the next iteration, so the next first line tries the root's moves in the order a search of
// one line would, and finds the same move.
bool Searcher::SearchOtherLines(int depth, int firstScore, const Line& first, int lineCount) {
    std::swap(iterationLines, previousLines);
    iterationLines.Begin(depth);
    iterationLines.Add(firstScore, first);
    std::memcpy(firstLineSuccesses, rootSuccesses, sizeof rootSuccesses);
    const std::array<Move, 2> firstLineKillers = killers[0];
    bool completed = true;
    try {
        rootMoves.Exclude(first.front().move);
        Line line;
        for (int rank = 1; rank < lineCount; ++rank) {
            // The line of this rank at the last iteration leads the tie-breaks, as the first
            // line follows the last first line.
            if (previousLines.Depth() == depth - 1 && rank < previousLines.Size())
                previousLine = previousLines.LineAt(rank);
            else
                previousLine.clear();
            line.clear();
            linePlies = 0;
            MeasureHistoryPeak();
            const int score = AlphaBetaAt(-MATE_SCORE - MAX_DEPTH - 1, MATE_SCORE, depth, 0, line);
            iterationLines.Add(score, line);
            rootMoves.Exclude(line.front().move);
        }
    } catch (StopSignal) {
        completed = false;
    }
    rootMoves.ClearExcluded();
    std::memcpy(rootSuccesses, firstLineSuccesses, sizeof rootSuccesses);
    killers[0] = firstLineKillers;
    return completed;
}

// A helper searches the depth of the main thread's iteration, or the next one when it has
// completed that before the main thread: what it stores is what the main thread is about to
// look up. When the main thread moves past its depth it drops the iteration and catches up.
void Searcher::Help(const Board& game) {
    nodes = 0;
    honourStop = true;
    previousLine.clear();
    for (auto& pair : killers) pair = {};
    int depth = mainDepthOf->load();
    while (depth <= MAX_DEPTH) {
        board = std::make_unique<Board>(game);
        board->ReserveRecords(SEARCH_RECORD_ROOM);
        CopyGuard guard{*this};
        helperDepth = depth;
        try {
            Line rootLine;
            linePlies = 0;
            MeasureHistoryPeak();
            AlphaBetaAt(-MATE_SCORE, MATE_SCORE, depth, 0, rootLine);
            previousLine = rootLine;
            depth = std::max(depth + 1, mainDepthOf->load());
        } catch (StopSignal) {
            // Stopped with the main thread, which is ending its search (the stop flag is left
            // raised until then), or left behind by it.
            if (helperStop->load() || stopFlag.load()) return;
            depth = mainDepthOf->load();
        }
    }
}

}  // namespace vardo
