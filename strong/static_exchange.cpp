#include "strong/static_exchange.h"

#include <bit>

#include "board/geometry.h"

namespace vardo {

namespace {

constexpr std::uint64_t Bit(int square) {
    return std::uint64_t{1} << square;
}

// The squares from which a pawn of `colour` attacks `square`: White's pawns advance towards
// square 0, so a white attacker stands one rank nearer square 63.
std::uint64_t PawnAttackersOf(int square, int colour) {
    const int file = square & 7;
    const int ahead = colour == WHITE ? square + 8 : square - 8;
    if (ahead < 0 || ahead > 63) return 0;
    std::uint64_t from = 0;
    if (file > 0) from |= Bit(ahead - 1);
    if (file < 7) from |= Bit(ahead + 1);
    return from;
}

// Every man of either colour attacking `square` when `occupied` are the occupied squares.
std::uint64_t AttackersTo(const Board& board, int square, std::uint64_t occupied) {
    const std::uint64_t pawns = board.Pieces(PAWN);
    const std::uint64_t diagonal = board.Pieces(BISHOP) | board.Pieces(QUEEN);
    const std::uint64_t straight = board.Pieces(ROOK) | board.Pieces(QUEEN);
    return (PawnAttackersOf(square, WHITE) & pawns & board.Occupancy(WHITE)) |
           (PawnAttackersOf(square, BLACK) & pawns & board.Occupancy(BLACK)) |
           (GEOMETRY.knight[square] & board.Pieces(KNIGHT)) |
           (GEOMETRY.king[square] & board.Pieces(KING)) |
           (GEOMETRY.BishopAttacks(square, occupied) & diagonal) |
           (GEOMETRY.RookAttacks(square, occupied) & straight);
}

}  // namespace

// The swap algorithm on a threshold: `balance` is what the side that last took is ahead by
// over the threshold if the exchange stopped now, less the value of the man it just put on the
// square; the sides take in turn with their least valuable attacker, and the side to take
// wins the exchange when the balance says it can stop ahead.
bool ExchangeAtLeast(const Board& board, Move move, int threshold) {
    if (move.bits & CASTLE) return threshold <= 0;
    const int from = move.from;
    const int to = move.to;
    int gain = 0;
    if (move.bits & EN_PASSANT)
        gain = EXCHANGE_VALUE[PAWN];
    else if (board.piece[to] != EMPTY)
        gain = EXCHANGE_VALUE[board.piece[to]];
    int mover = board.piece[from];
    if (move.bits & PROMOTION) {
        gain += EXCHANGE_VALUE[move.promote] - EXCHANGE_VALUE[PAWN];
        mover = move.promote;
    }
    int balance = gain - threshold;
    if (balance < 0) return false;
    balance = EXCHANGE_VALUE[mover] - balance;
    if (balance <= 0) return true;

    std::uint64_t occupied = (board.Occupancy(WHITE) | board.Occupancy(BLACK)) ^ Bit(from);
    if (move.bits & EN_PASSANT) occupied ^= Bit(board.side == WHITE ? to + 8 : to - 8);
    std::uint64_t attackers = AttackersTo(board, to, occupied) & occupied;
    const std::uint64_t diagonal = board.Pieces(BISHOP) | board.Pieces(QUEEN);
    const std::uint64_t straight = board.Pieces(ROOK) | board.Pieces(QUEEN);
    int taker = board.side;
    bool moverWins = true;  // whether the side that made `move` comes out ahead so far
    for (;;) {
        taker = Other(taker);
        attackers &= occupied;
        const std::uint64_t own = attackers & board.Occupancy(taker);
        if (own == 0) break;
        moverWins = !moverWins;
        int least = PAWN;
        while (least < KING && (own & board.Pieces(least)) == 0) ++least;
        if (least == KING) {
            // The king takes last, and only when nothing would take it back.
            if ((attackers & ~board.Occupancy(taker)) != 0) moverWins = !moverWins;
            break;
        }
        balance = EXCHANGE_VALUE[least] - balance;
        if (balance < (moverWins ? 1 : 0)) break;
        occupied ^= Bit(std::countr_zero(own & board.Pieces(least)));
        // A man gone from a line uncovers the slider behind it.
        if (least == PAWN || least == BISHOP || least == QUEEN)
            attackers |= GEOMETRY.BishopAttacks(to, occupied) & diagonal;
        if (least == ROOK || least == QUEEN)
            attackers |= GEOMETRY.RookAttacks(to, occupied) & straight;
    }
    return moverWins;
}

}  // namespace vardo
