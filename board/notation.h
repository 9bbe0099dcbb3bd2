// Move text: coordinate and algebraic notation in, algebraic notation out.
#pragma once

#include <string>
#include <string_view>

#include "board/board.h"

namespace vardo {

// Reads a square from the first two characters ("e4..."); false when they name none.
bool ParseSquare(std::string_view text, int& square);

// Finds the move a text names among the generated moves of the position: a castling word,
// coordinate form (e2e4, e7e8q) or algebraic notation (Nf3, exd5, e8=Q, Nbd2, Ng1f3), then
// nothing but check, mate and annotation marks. Text after the move, or a text that two men's
// legal moves fit, names no move. Returns the generated entry, a built castling entry, or the
// all-zero entry. The board is only read (the work is done on a copy).
MoveEntry ParseMove(std::string_view text, const Board& board);
// ParseMove without the copy: the moves are generated into the board's own current list, and
// the position is left as it was. The result equals ParseMove's when the board's history
// table is all zero and it holds a single ply list, as on a board that has just been cleared;
// the book loader keeps such a board for a whole file rather than copying one per token.
MoveEntry ParseMoveInPlace(std::string_view text, Board& board);
// The algebraic stage of ParseMove, run on a board whose current list holds the generated moves.
MoveEntry ParseSan(std::string_view text, Board& copy);

// The move as the engine announces it: "o-o"/"o-o-o" for castling, otherwise algebraic
// notation with "+" or "#". The board is the position before the move; it is only read.
std::string FormatMove(Move move, const Board& board);
std::string FormatSan(Move move, const Board& board);

// Coordinate text of a move: e2e4, e7e8q.
std::string CoordinateText(Move move);

}  // namespace vardo
