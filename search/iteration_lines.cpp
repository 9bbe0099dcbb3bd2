#include "search/iteration_lines.h"

#include "board/types.h"

namespace vardo {

void IterationLines::Reserve(int count) {
    found.resize(static_cast<std::size_t>(count));
    order.resize(static_cast<std::size_t>(count));
    size = 0;
    depth = 0;
}

void IterationLines::Begin(int depth_) {
    depth = depth_;
    size = 0;
}

void IterationLines::Add(int score, const Line& line) {
    if (size == static_cast<int>(found.size())) return;
    found[size].score = score;
    found[size].line = line;
    int at = size;
    while (at > 0 && found[order[at - 1]].score < score) {
        order[at] = order[at - 1];
        --at;
    }
    order[at] = size++;
}

void IterationLines::Report(SearchListener& listener, unsigned nodes, float seconds,
                            int side) const {
    for (int rank = 0; rank < size; ++rank) {
        const int score = side == BLACK ? -ScoreAt(rank) : ScoreAt(rank);
        if (rank == 0)
            listener.OnIteration(depth, nodes, seconds, score, LineAt(rank));
        else
            listener.OnOtherLine(depth, rank + 1, nodes, seconds, score, LineAt(rank));
    }
}

}  // namespace vardo
