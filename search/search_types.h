// What every search shares with its callers: the mate and draw scores, the stop signal and the
// best move a search returns.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace vardo {

// Window bound and mate base: a side to move that is checkmated with `depth` plies left
// scores -(MATE_SCORE + depth).
constexpr int MATE_SCORE = 10000;
// Any score beyond this in either direction means a mate has been seen.
constexpr int MATE_SEEN = 9000;
// Score of a draw (stalemate, fifty-move rule, repetition).
constexpr int DRAW_SCORE = 0;

// The stop signal: thrown out of a search's nodes when stopFlag is seen raised, carrying the
// node count. Only the search's driver catches it.
using StopSignal = std::uint32_t;

// Best move and its score (side to move's point of view) of a search.
struct BestMove {
    Move move;
    int score = 0;
    Move reply;  // the line's second move, the reply it expects; null when the line has none
};

}  // namespace vardo
