// One interface for the two ways Vardo searches: the design's full-width search (Searcher) and
// the selective search of --strong. The engine and the tools pick one and drive it through
// this interface alone.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "search/line.h"
#include "search/root_moves.h"
#include "search/search_listener.h"
#include "search/search_types.h"
#include "search/transposition_table.h"

namespace vardo {

// What bounds one search besides the stop flag.
struct SearchLimits {
    int maxDepth = MAX_DEPTH;  // clamped to 1..MAX_DEPTH
    // When positive, the time after which a search that may stop between iterations begins no
    // new one (the selective search; the full-width one searches until stopped).
    float softSeconds = 0.0f;
    std::uint64_t nodeLimit = 0;  // the main thread's nodes, honoured from depth 2; 0: none
    RootMoves rootMoves;          // the root moves searched
    int lines = 1;                // lines each iteration finds (MultiPV)
};

class SearchEngine {
   public:
    virtual ~SearchEngine() = default;

    // Iterative deepening on a copy of `game` within `limits`, each completed iteration
    // reported to `listener` (may be null) with its score from White's point of view. Depth 1
    // always completes; a later iteration ends at the first node after stopFlag is raised.
    // Returns the chosen move and its score from the side to move's point of view.
    virtual BestMove Search(const Board& game, SearchListener* listener,
                            const SearchLimits& limits) = 0;
    // A soft limit that comes while the search runs (a pondering search that becomes a search
    // on the clock), in seconds since it began; a search without one ignores it.
    virtual void SetLateSoftSeconds(float seconds) { (void)seconds; }
    // Forgets what earlier searches learnt and every table entry, so that the next search runs
    // as in a new game. Only while no search runs.
    virtual void ClearOrderingMemory() = 0;
    // How many threads search, this one included; replaced only while no search runs (0: one
    // per core).
    virtual int Threads() const = 0;
    virtual void SetThreads(int threads) = 0;
    // The nodes of every thread of the current or last search.
    virtual std::uint64_t AllNodes() const = 0;
    // The deepest ply from the root the current or last search reached, quiescence included.
    virtual int SelDepth() const = 0;
    // The plies from the root to the mate a score of an iteration of `depth` plies announces:
    // positive when the side to move mates, negative when it is mated, 0 for no mate.
    virtual int MatePlies(int score, int depth) const = 0;
    // The transposition table its threads share.
    virtual TranspositionTable& Table() = 0;
    virtual const TranspositionTable& Table() const = 0;
};

}  // namespace vardo
