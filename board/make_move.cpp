#include <cassert>

#include "board/board.h"
#include "board/castling.h"
#include "board/geometry.h"
#include "board/tables.h"

namespace vardo {

namespace {

constexpr std::uint64_t Bit(int square) {
    return std::uint64_t{1} << square;
}

// The direction (an index into the eight queen directions) from one square towards another
// on the same rank, file or diagonal; -1 when they share no line.
struct LineDirections {
    std::int8_t direction[64][64];
    constexpr LineDirections() : direction() {
        for (int a = 0; a < 64; ++a)
            for (int b = 0; b < 64; ++b) {
                direction[a][b] = -1;
                const int dr = (b >> 3) - (a >> 3);
                const int df = (b & 7) - (a & 7);
                if (a == b || !(dr == 0 || df == 0 || dr == df || dr == -df)) continue;
                const int step = 10 * (dr > 0   ? 1
                                       : dr < 0 ? -1
                                                : 0) +
                                 (df > 0   ? 1
                                  : df < 0 ? -1
                                           : 0);
                for (int d = 0; d < DIRECTIONS; ++d)
                    if (QUEEN_STEPS[d] == step) direction[a][b] = static_cast<std::int8_t>(d);
            }
    }
};
constexpr LineDirections LINE_DIRECTIONS;

constexpr bool IsDiagonal(int d) {
    return d == BISHOP_DIRECTIONS[0] || d == BISHOP_DIRECTIONS[1] || d == BISHOP_DIRECTIONS[2] ||
           d == BISHOP_DIRECTIONS[3];
}

}  // namespace

// After a move by a piece other than the king, made while the king was not in check, the king
// can only be attacked along the line through the square the piece left.
bool Board::ExposesKing(int king, int from) const {
    const int d = LINE_DIRECTIONS.direction[king][from];
    if (d < 0) return false;
    const int sq =
        GEOMETRY.FirstOnRay(king, d, derived.occupancy[WHITE] | derived.occupancy[BLACK]);
    if (sq == NO_SQUARE || colour[sq] == colour[king]) return false;
    return piece[sq] == QUEEN || piece[sq] == (IsDiagonal(d) ? BISHOP : ROOK);
}

// Whether the castling move to `to` may be made: not out of check, king and rook on their
// home squares (a FEN can grant rights the position does not support), the squares between
// them empty and the squares the king crosses not attacked.
bool Board::CastleAllowed(int to) const {
    const CastleRule* rule = FindCastleRule(to);
    if (rule == nullptr) return false;
    if (InCheck(side)) return false;
    if (piece[rule->king] != KING || colour[rule->king] != side) return false;
    if (piece[rule->rookFrom] != ROOK || colour[rule->rookFrom] != side) return false;
    for (int i = 0; i < rule->emptyCount; ++i)
        if (piece[rule->empty[i]] != EMPTY) return false;
    const int them = Other(side);
    return !Attacked(rule->safe[0], them) && !Attacked(rule->safe[1], them);
}

inline void Board::Place(int square, int c, int p) {
    assert(square >= 0 && square < 64 && (c == WHITE || c == BLACK) && p >= PAWN && p <= KING);
    assert(piece[square] == EMPTY);
    const std::uint64_t bit = Bit(square);
    derived.occupancy[c] |= bit;
    derived.pieceBits[p] |= bit;
    derived.placement[c] += PLACEMENT[c][p][square];
    colour[square] = c;
    piece[square] = p;
}

inline void Board::Lift(int square) {
    assert(square >= 0 && square < 64 && piece[square] != EMPTY);
    const int c = colour[square];
    const int p = piece[square];
    const std::uint64_t bit = Bit(square);
    derived.occupancy[c] &= ~bit;
    derived.pieceBits[p] &= ~bit;
    derived.placement[c] -= PLACEMENT[c][p][square];
    colour[square] = NO_COLOUR;
    piece[square] = EMPTY;
}

bool Board::MakeMove(Move move) {
    const int from = move.from;
    const int to = move.to;
    if (from == 0 && to == 0) return false;
    if (from < 0 || from > 63 || to < 0 || to > 63 || from == to) return false;
    const int us = side;
    // Only the side to move's own men move, and never onto another of its own men.
    if (piece[from] == EMPTY || colour[from] != us || colour[to] == us) return false;

    // Records that no generator makes are refused rather than written off the board.
    if ((move.bits & PROMOTION) && (move.promote < KNIGHT || move.promote > QUEEN)) return false;
    const int taken = us == WHITE ? to + 8 : to - 8;  // the pawn an en-passant capture takes
    if ((move.bits & EN_PASSANT) && (taken < 0 || taken > 63)) return false;

    const int moving = piece[from];
    // A piece other than the king, moving while its king is not in check, can only expose the
    // king along the line through the square it leaves. Whether the king is in check is worked
    // out once per position and kept with the position's move list.
    const bool lineTestSuffices =
        moving != KING && !(move.bits & (EN_PASSANT | CASTLE)) && !PositionInCheck();

    const CastleRule* rule = nullptr;
    if (move.bits & CASTLE) {
        rule = FindCastleRule(to);
        if (rule == nullptr || from != rule->king || !CastleAllowed(to)) return false;
    }

    undoStack.push_back({piece[to], castle, enPassant, fifty, move});
    savedDerived.push_back(derived);
    if (rule != nullptr) {
        Lift(rule->rookFrom);
        Place(rule->rookTo, us, ROOK);
    }
    castle &= CASTLE_MASK[from] & CASTLE_MASK[to];
    if (move.bits & DOUBLE_PUSH)
        enPassant = taken;
    else
        enPassant = NO_SQUARE;
    if (move.bits & (CAPTURE | PAWN_MOVE))
        fifty = 0;
    else
        ++fifty;

    // The man moves from `from` to `to`, taking what stood there: one update of each set and
    // sum with what the move changes.
    const int placed = (move.bits & PROMOTION) ? move.promote : moving;
    const std::uint64_t fromBit = Bit(from);
    const std::uint64_t toBit = Bit(to);
    const int victim = piece[to];
    if (victim != EMPTY) {
        const int them = Other(us);
        derived.occupancy[them] ^= toBit;
        derived.pieceBits[victim] ^= toBit;
        derived.placement[them] -= PLACEMENT[them][victim][to];
        colour[to] = NO_COLOUR;
    }
    derived.occupancy[us] ^= fromBit | toBit;
    derived.pieceBits[moving] ^= fromBit;
    derived.pieceBits[placed] ^= toBit;
    PlacementValue change = PLACEMENT[us][placed][to];
    change -= PLACEMENT[us][moving][from];
    derived.placement[us] += change;
    colour[from] = NO_COLOUR;
    piece[from] = EMPTY;
    colour[to] = us;
    piece[to] = placed;
    if ((move.bits & EN_PASSANT) && colour[taken] != NO_COLOUR) Lift(taken);

    side = Other(us);
    plyMoves.push_back();

    const bool illegal = lineTestSuffices ? ExposesKing(KingSquare(us), from) : InCheck(us);
    if (illegal) {
        TakeBack();
        return false;
    }
    assert(IsConsistent());
    return true;
}

void Board::TakeBack() {
    if (undoStack.empty()) return;
    const UndoRecord& record = undoStack.back();
    const Move move = record.move;
    const int from = move.from;
    const int to = move.to;
    const int mover = Other(side);
    side = mover;
    castle = record.castle;
    enPassant = record.enPassant;
    fifty = record.fifty;

    // The men go back square by square; the bit sets, sums and king squares come back whole
    // from the copy MakeMove saved.
    colour[from] = mover;
    piece[from] = (move.bits & PROMOTION) ? PAWN : piece[to];
    if (record.captured != EMPTY) {
        colour[to] = Other(mover);
        piece[to] = record.captured;
    } else {
        colour[to] = NO_COLOUR;
        piece[to] = EMPTY;
    }
    if (move.bits & CASTLE) {
        if (const CastleRule* rule = FindCastleRule(to)) {
            colour[rule->rookFrom] = mover;
            piece[rule->rookFrom] = ROOK;
            colour[rule->rookTo] = NO_COLOUR;
            piece[rule->rookTo] = EMPTY;
        }
    }
    if (move.bits & EN_PASSANT) {
        const int taken = mover == WHITE ? to + 8 : to - 8;
        colour[taken] = Other(mover);
        piece[taken] = PAWN;
    }
    plyMoves.pop_back();
    undoStack.pop_back();
    if (savedDerived.size() > undoStack.size()) {
        derived = savedDerived.back();
        savedDerived.pop_back();
    } else {
        Refresh();  // a record older than the saved copies (a board set up over its history)
    }
    assert(IsConsistent());
}

}  // namespace vardo
