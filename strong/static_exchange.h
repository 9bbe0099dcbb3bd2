// Static exchange evaluation: what a capture wins or loses on its square once both sides have
// taken back and forth there with their least valuable men, without searching.
#pragma once

#include "board/board.h"

namespace vardo {

// The values the exchange counts with: pawn, knight, bishop, rook, queen, king.
inline constexpr int EXCHANGE_VALUE[6] = {100, 320, 330, 500, 950, 20000};

// Whether `move` of the side to move wins at least `threshold` centipawns in the exchange it
// starts on its target square (either side may stop taking when it would lose by going on).
// Pins are ignored. Castling counts as 0; a promotion counts the promoted man's gain.
bool ExchangeAtLeast(const Board& board, Move move, int threshold);

}  // namespace vardo
