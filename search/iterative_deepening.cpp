#include <algorithm>
#include <chrono>

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

BestMove Searcher::Search(const Board& game, SearchListener* listener, int maxDepth,
                          float softSeconds) {
    if (selective) return selective->Search(game, listener, maxDepth, softSeconds, nodeLimit);
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

            // Step 3. Report the completed iteration, score from White's point of view.
            if (listener) {
                const std::chrono::duration<float> seconds =
                    std::chrono::steady_clock::now() - start;
                listener->OnIteration(depth, AllNodes(), seconds.count(),
                                      board->side == BLACK ? -score : score, rootLine);
            }

            // Step 4. Keep its move; with an empty line (every move loses to a mate) the
            // previous iteration's result stands.
            if (!rootLine.empty()) best = {rootLine.front().move, score};
            previousLine = rootLine;

            // Step 5. History counts order one iteration only.
            board->ClearPlyState();

            // Step 6. A mate for either side has been seen: deeper search changes nothing.
            if (score > MATE_SEEN || score < -MATE_SEEN) break;
        }
    } catch (StopSignal) {
        // The iteration in progress is abandoned; `best` holds the last completed one.
    }
    honourStop = true;
    return best;
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
