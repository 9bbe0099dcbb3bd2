#include "board/board.h"
#include "board/fifty_move_rule.h"

namespace vardo {

bool Board::IsListed(Move move) {
    ClearPlyState();
    GenerateMoves();
    for (const MoveEntry& entry : CurrentMoves())
        if (entry.move == move) return true;
    return false;
}

// Takes the reversible moves back square by square, newest first: the balance d counts the
// squares whose present occupant is away, and every return of d to zero is one more
// occurrence of the present placement.
bool Board::IsRepetition() const {
    const int n = fifty;
    if (n < MIN_REPETITION_PLIES) return false;
    if (undoStack.size() < static_cast<std::size_t>(n)) return false;
    int count[64] = {};
    int balance = 0;
    int repetitions = 1;
    for (std::size_t i = undoStack.size(); i-- > undoStack.size() - n;) {
        const Move& move = undoStack[i].move;
        balance += ++count[move.from] != 0 ? 1 : -1;
        balance += --count[move.to] != 0 ? 1 : -1;
        if (balance == 0) ++repetitions;
    }
    return repetitions >= 3;
}

bool Board::IsGameOver(int& result) const {
    result = NO_COLOUR;
    if (fifty >= FIFTY_MOVE_LIMIT) return true;
    if (IsRepetition()) return true;
    Board copy(*this);
    copy.ClearPlyState();
    copy.GenerateMoves();
    const MoveList moves = copy.CurrentMoves();
    for (const MoveEntry& entry : moves) {
        if (copy.MakeMove(entry.move)) return false;
    }
    if (copy.InCheck(copy.side)) result = Other(copy.side);
    return true;
}

}  // namespace vardo
