#include <bit>

#include "board/board.h"
#include "board/geometry.h"

namespace vardo {

// Looks outward from the target square for each kind of attacker: the answer is the same as
// following every attacking piece's own moves, at a fraction of the cost. Steps and rays are
// worked on the occupancy bits.
bool Board::Attacked(int square, int byColour) const {
    const std::uint64_t theirs = derived.occupancy[byColour];
    auto any = [&](std::uint64_t squares, int wanted) {
        for (squares &= theirs; squares; squares &= squares - 1)
            if (piece[std::countr_zero(squares)] == wanted) return true;
        return false;
    };

    // Pawns: a white pawn attacks up the board, so it stands below the target.
    const int file = square & 7;
    std::uint64_t pawnSquares = 0;
    const int behind = byColour == WHITE ? square + 8 : square - 8;
    if (behind >= 0 && behind < 64) {
        if (file != 0) pawnSquares |= std::uint64_t{1} << (behind - 1);
        if (file != 7) pawnSquares |= std::uint64_t{1} << (behind + 1);
    }
    if (any(pawnSquares, PAWN)) return true;
    if (any(GEOMETRY.knight[square], KNIGHT)) return true;
    if (any(GEOMETRY.king[square], KING)) return true;

    // Sliders: the first occupied square along each line.
    const std::uint64_t all = derived.occupancy[WHITE] | derived.occupancy[BLACK];
    for (int d : BISHOP_DIRECTIONS) {
        const int sq = GEOMETRY.FirstOnRay(square, d, all);
        if (sq != NO_SQUARE && colour[sq] == byColour &&
            (piece[sq] == BISHOP || piece[sq] == QUEEN))
            return true;
    }
    for (int d : ROOK_DIRECTIONS) {
        const int sq = GEOMETRY.FirstOnRay(square, d, all);
        if (sq != NO_SQUARE && colour[sq] == byColour && (piece[sq] == ROOK || piece[sq] == QUEEN))
            return true;
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
