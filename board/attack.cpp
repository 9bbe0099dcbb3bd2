#include "board/board.h"
#include "board/tables.h"

namespace vardo {

// Looks outward from the target square for each kind of attacker: the answer is the same as
// following every attacking piece's own moves, at a fraction of the cost.
bool Board::Attacked(int square, int byColour) const {
    const int origin = mailbox64[square];
    auto holds = [&](int index, int wanted) {
        const int sq = mailbox[index];
        return sq != -1 && piece[sq] == wanted && colour[sq] == byColour;
    };

    // Pawns: a white pawn attacks up the board, so it stands below the target.
    if (byColour == WHITE) {
        if (holds(origin + 9, PAWN) || holds(origin + 11, PAWN)) return true;
    } else {
        if (holds(origin - 9, PAWN) || holds(origin - 11, PAWN)) return true;
    }
    for (int i = 0; i < 8; ++i)
        if (holds(origin + pieceOffsets[KNIGHT][i], KNIGHT)) return true;
    for (int i = 0; i < 8; ++i)
        if (holds(origin + pieceOffsets[KING][i], KING)) return true;

    // Sliders: the first occupied square along each line.
    for (int i = 0; i < 4; ++i) {
        const int step = pieceOffsets[BISHOP][i];
        for (int index = origin + step; mailbox[index] != -1; index += step) {
            const int sq = mailbox[index];
            if (piece[sq] == EMPTY) continue;
            if (colour[sq] == byColour && (piece[sq] == BISHOP || piece[sq] == QUEEN)) return true;
            break;
        }
    }
    for (int i = 0; i < 4; ++i) {
        const int step = pieceOffsets[ROOK][i];
        for (int index = origin + step; mailbox[index] != -1; index += step) {
            const int sq = mailbox[index];
            if (piece[sq] == EMPTY) continue;
            if (colour[sq] == byColour && (piece[sq] == ROOK || piece[sq] == QUEEN)) return true;
            break;
        }
    }
    return false;
}

bool Board::InCheck(int c) const {
    const int king = KingSquare(c);
    if (king == NO_SQUARE) return true;
    return Attacked(king, Other(c));
}

// InCheck of the side to move, cached with the current ply's list.
bool Board::PositionInCheck() {
    MoveList& list = CurrentMoves();
    if (list.checkState == MoveList::UNKNOWN)
        list.checkState = InCheck(side) ? MoveList::IN_CHECK : MoveList::NOT_IN_CHECK;
    return list.checkState == MoveList::IN_CHECK;
}

}  // namespace vardo
