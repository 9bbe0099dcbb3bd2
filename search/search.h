// What a search hands back: the per-iteration report and the record a finished turn leaves.
#pragma once

#include <string>

#include "board/types.h"
#include "search/line.h"

namespace vardo {

// Receives one report per completed iteration of the iterative-deepening driver.
class SearchListener {
   public:
    virtual ~SearchListener() = default;
    // depth: the depth just completed; nodes: the count so far in this search; seconds: since
    // the search began; score: from White's point of view; line: the principal variation from
    // the root of the searched position.
    virtual void OnIteration(int depth, unsigned nodes, float seconds, int score,
                             const Line& line) = 0;
};

// The outcome of one computer turn, left for the command loop. The defaults mean "nothing
// pending".
struct SearchResult {
    std::string text = "INVALIDATED";
    Move move;
    int score = 0;  // from the point of view of the side that moves
};

}  // namespace vardo
