// The interface through which the search reports each completed iteration as it deepens.
#pragma once

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
    // A search that finds several lines (MultiPV) reports each iteration's lines best first:
    // the first to OnIteration, then the others here in order, `rank` 2 and up, with the same
    // depth, nodes and seconds. Each starts with another root move. Unless overridden, only
    // the first line is shown.
    virtual void OnOtherLine(int /*depth*/, int /*rank*/, unsigned /*nodes*/, float /*seconds*/,
                             int /*score*/, const Line& /*line*/) {}
};

}  // namespace vardo
