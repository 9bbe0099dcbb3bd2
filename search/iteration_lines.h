// The lines one iteration of a search of several lines (MultiPV) has found, each led by another
// root move, kept best first for the report.
#pragma once

#include <vector>

#include "search/line.h"
#include "search/search_listener.h"

namespace vardo {

class IterationLines {
   public:
    // Room for `count` lines. Allocates: once a search, before its first iteration.
    void Reserve(int count);
    // Forgets the lines held and starts those of `depth`.
    void Begin(int depth);
    // A line found at this depth, with its score from the side to move's point of view. It
    // goes behind every line that scores as much or more, ahead of those that score less, so
    // lines of equal score stay in the order they were found.
    void Add(int score, const Line& line);

    int Depth() const { return depth; }
    int Size() const { return size; }
    // The line of `rank` (0: the best) and its score.
    const Line& LineAt(int rank) const { return found[order[rank]].line; }
    int ScoreAt(int rank) const { return found[order[rank]].score; }

    // The lines best first: the first to OnIteration, the others to OnOtherLine. The scores go
    // from White's point of view; `side` is the root's side to move.
    void Report(SearchListener& listener, unsigned nodes, float seconds, int side) const;

   private:
    struct Found {
        int score = 0;
        Line line;
    };
    std::vector<Found> found;  // in the order found
    std::vector<int> order;    // indices into found, best first
    int size = 0;
    int depth = 0;
};

}  // namespace vardo
