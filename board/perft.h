// Perft: the number of leaves of the legal move tree below a position.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace vardo {

// Counts the leaves `depth` plies below the board's position with the board's own generator,
// make and take back. The position is unchanged afterwards; the current ply's list is refilled.
std::uint64_t Perft(Board& board, int depth);

}  // namespace vardo
