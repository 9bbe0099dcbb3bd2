#include <bit>

#include "board/board.h"
#include "board/geometry.h"

namespace vardo {

// Looks outward from the target square for each kind of attacker: the answer is the same as
// following every attacking piece's own moves, at a fraction of the cost. A slider attacks the
// target when the target, moving like it, would reach it.
bool Board::AttackedThrough(int square, int byColour, std::uint64_t occupied,
                            std::uint64_t ignored) const {
    const std::uint64_t theirs = derived.occupancy[byColour] & ~ignored;
    const std::uint64_t* pieces = derived.pieceBits;

    // Pawns: a white pawn attacks up the board, so it stands below the target.
    const int file = square & 7;
    std::uint64_t pawnSquares = 0;
    const int behind = byColour == WHITE ? square + 8 : square - 8;
    if (behind >= 0 && behind < 64) {
        if (file != 0) pawnSquares |= std::uint64_t{1} << (behind - 1);
        if (file != 7) pawnSquares |= std::uint64_t{1} << (behind + 1);
    }
    if (pawnSquares & pieces[PAWN] & theirs) return true;
    if (GEOMETRY.knight[square] & pieces[KNIGHT] & theirs) return true;
    if (GEOMETRY.king[square] & pieces[KING] & theirs) return true;

    const std::uint64_t queens = pieces[QUEEN] & theirs;
    const std::uint64_t diagonal = (pieces[BISHOP] & theirs) | queens;
    if (diagonal && (GEOMETRY.BishopAttacks(square, occupied) & diagonal)) return true;
    const std::uint64_t straight = (pieces[ROOK] & theirs) | queens;
    return straight && (GEOMETRY.RookAttacks(square, occupied) & straight);
}

bool Board::Attacked(int square, int byColour) const {
    return AttackedThrough(square, byColour, derived.occupancy[WHITE] | derived.occupancy[BLACK],
                           0);
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
