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

// After a move by a piece other than the king from `from` to `to`, made while the king was not
// in check, the king can only be attacked along the line through the square the piece left:
// by the first man on that line beyond it, unless that is the piece itself, now on `to`.
// `occupied`: the occupied squares after the move.
inline bool Board::ExposesKing(int king, int from, int to, std::uint64_t occupied) const {
    const int d = LINE_DIRECTIONS.direction[king][from];
    if (d < 0) return false;
    const int sq = GEOMETRY.FirstOnRay(king, d, occupied);
    if (sq == NO_SQUARE || sq == to || colour[sq] == colour[king]) return false;
    return piece[sq] == QUEEN || piece[sq] == (IsDiagonal(d) ? BISHOP : ROOK);
}

inline bool Board::KeepsKingSafe(Move move) {
    const int from = move.from;
    const int to = move.to;
    const int them = Other(side);
    const std::uint64_t after =
        ((derived.occupancy[WHITE] | derived.occupancy[BLACK]) & ~Bit(from)) | Bit(to);
    // The king itself moves: its new square must not be attacked, with the man it takes gone.
    if (piece[from] == KING) return !AttackedThrough(to, them, after, Bit(to));
    const int king = KingSquare(side);
    if (king == NO_SQUARE) return false;  // a side without a king counts as in check
    // Out of check the line through the square left is all there is to look at; in check,
    // every attacker of the king is, but the man taken.
    if (!PositionInCheck()) return !ExposesKing(king, from, to, after);
    return !AttackedThrough(king, them, after, Bit(to));
}

inline bool Board::IsWellFormed(Move move) const {
    const int from = move.from;
    const int to = move.to;
    if (from == 0 && to == 0) return false;
    if (from < 0 || from > 63 || to < 0 || to > 63 || from == to) return false;
    // Only the side to move's own men move, and never onto another of its own men.
    if (piece[from] == EMPTY || colour[from] != side || colour[to] == side) return false;
    // Records that no generator makes are refused rather than written off the board.
    if ((move.bits & PROMOTION) && (move.promote < KNIGHT || move.promote > QUEEN)) return false;
    const int taken = side == WHITE ? to + 8 : to - 8;  // the pawn an en-passant capture takes
    return !(move.bits & EN_PASSANT) || (taken >= 0 && taken <= 63);
}

bool Board::IsLegal(Move move) {
    if (move.bits & CASTLE) [[unlikely]]
        return IsLegalCastling(move);
    if (!IsWellFormed(move)) return false;
    if (move.bits & EN_PASSANT) {
        if (!MakeMove(move)) return false;
        TakeBack();
        return true;
    }
    return KeepsKingSafe(move);
}

// Whether a castling move may be made: not out of check, king and rook on their home squares
// (a FEN can grant rights the position does not support), the squares either crosses or lands
// on empty but for the two of them, and the squares the king crosses not attacked. Whether
// the king is attacked where it lands, once the rook has moved, MakeCastling sees after.
// The cheap tests come first: most castlings listed are stopped by a man in the way.
bool Board::CastleAllowed(const CastleRule& rule) const {
    if ((derived.occupancy[WHITE] | derived.occupancy[BLACK]) & rule.empty) return false;
    if (piece[rule.king] != KING || colour[rule.king] != side) return false;
    if (piece[rule.rookFrom] != ROOK || colour[rule.rookFrom] != side) return false;
    if (InCheck(side)) return false;
    const int them = Other(side);
    for (std::uint64_t path = rule.path; path != 0; path &= path - 1)
        if (Attacked(std::countr_zero(path), them)) return false;
    return true;
}

inline void Board::Place(int square, int c, int p) {
    assert(square >= 0 && square < 64 && (c == WHITE || c == BLACK) && p >= PAWN && p <= KING);
    assert(piece[square] == EMPTY);
    const std::uint64_t bit = Bit(square);
    derived.occupancy[c] |= bit;
    derived.pieceBits[p] |= bit;
    derived.placement[c] += PLACEMENT[c][p][square];
    derived.placementKey ^= zobristKeys[(c * 6 + p) * 64 + square];
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
    derived.placementKey ^= zobristKeys[(c * 6 + p) * 64 + square];
    colour[square] = NO_COLOUR;
    piece[square] = EMPTY;
}

std::uint64_t Board::KeyAfter(Move move) const {
    auto man = [](int c, int p, int square) { return zobristKeys[(c * 6 + p) * 64 + square]; };
    const int us = side;
    // Castling is generated on the rights alone, so a listed move may have no man to move;
    // MakeMove refuses such a record, and the key it would leave does not matter.
    if (move.bits & CASTLE) {
        const CastleRule* rule = castling.Find(move.to);
        if (rule == nullptr || move.from != rule->king || piece[rule->king] != KING ||
            colour[rule->king] != us || piece[rule->rookFrom] != ROOK ||
            colour[rule->rookFrom] != us)
            return PositionKey();
        std::uint64_t key = PositionKey() ^ blackToMoveKey;
        key ^= man(us, KING, rule->king) ^ man(us, KING, rule->kingTo);
        key ^= man(us, ROOK, rule->rookFrom) ^ man(us, ROOK, rule->rookTo);
        key ^= castlingKeys[castle & 15] ^ castlingKeys[castle & castling.Mask(rule->king) & 15];
        if (enPassant >= 0) key ^= enPassantKeys[enPassant & 63];
        return key;
    }
    if (!IsWellFormed(move)) return PositionKey();
    const int from = move.from;
    const int to = move.to;
    const int them = Other(us);
    const int taken = us == WHITE ? to + 8 : to - 8;  // the pawn an en-passant capture takes
    const int moving = piece[from];
    const int placed = (move.bits & PROMOTION) ? move.promote : moving;
    std::uint64_t key = PositionKey() ^ blackToMoveKey;
    key ^= man(us, moving, from) ^ man(us, placed, to);
    if (piece[to] != EMPTY) key ^= man(them, piece[to], to);
    if ((move.bits & EN_PASSANT) && colour[taken] != NO_COLOUR)
        key ^= man(colour[taken], piece[taken], taken);
    key ^= castlingKeys[castle & 15] ^
           castlingKeys[castle & castling.Mask(from) & castling.Mask(to) & 15];
    if (enPassant >= 0) key ^= enPassantKeys[enPassant & 63];
    if (move.bits & DOUBLE_PUSH) key ^= enPassantKeys[taken & 63];
    return key;
}

// Castling is rare beside other moves: kept out of line, away from the paths they take.
[[gnu::noinline]] bool Board::IsLegalCastling(Move move) {
    if (!MakeCastling(move)) return false;
    TakeBack();
    return true;
}

// King and rook are both lifted before either is put down: in Chess960 either may land on
// the other's home square, or stay where it is.
[[gnu::noinline]] bool Board::MakeCastling(Move move) {
    const CastleRule* rule = castling.Find(move.to);
    if (rule == nullptr || move.from != rule->king || !CastleAllowed(*rule)) return false;
    const int us = side;
    undoStack.push_back({EMPTY, castle, enPassant, fifty, move});
    savedDerived.push_back(derived);
    Lift(rule->king);
    Lift(rule->rookFrom);
    Place(rule->kingTo, us, KING);
    Place(rule->rookTo, us, ROOK);
    castle &= castling.Mask(rule->king);
    enPassant = NO_SQUARE;
    ++fifty;
    side = Other(us);
    plyMoves.push_back();
    if (InCheck(us)) {
        TakeBack();
        return false;
    }
    assert(IsConsistent());
    return true;
}

bool Board::MakeMove(Move move) {
    if (move.bits & CASTLE) [[unlikely]]
        return MakeCastling(move);
    if (!IsWellFormed(move)) return false;
    const int from = move.from;
    const int to = move.to;
    const int us = side;
    const int taken = us == WHITE ? to + 8 : to - 8;  // the pawn an en-passant capture takes
    const int moving = piece[from];

    // An ordinary move is tested before it is made, so an illegal one changes nothing; en
    // passant, which clears two squares of a rank, is tested after.
    if (!(move.bits & EN_PASSANT) && !KeepsKingSafe(move)) return false;

    undoStack.push_back({piece[to], castle, enPassant, fifty, move});
    savedDerived.push_back(derived);
    castle &= castling.Mask(from) & castling.Mask(to);
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
        derived.placementKey ^= zobristKeys[(them * 6 + victim) * 64 + to];
        colour[to] = NO_COLOUR;
    }
    derived.occupancy[us] ^= fromBit | toBit;
    derived.pieceBits[moving] ^= fromBit;
    derived.pieceBits[placed] ^= toBit;
    PlacementValue change = PLACEMENT[us][placed][to];
    change -= PLACEMENT[us][moving][from];
    derived.placement[us] += change;
    derived.placementKey ^=
        zobristKeys[(us * 6 + moving) * 64 + from] ^ zobristKeys[(us * 6 + placed) * 64 + to];
    colour[from] = NO_COLOUR;
    piece[from] = EMPTY;
    colour[to] = us;
    piece[to] = placed;
    if ((move.bits & EN_PASSANT) && colour[taken] != NO_COLOUR) Lift(taken);

    side = Other(us);
    plyMoves.push_back();

    if ((move.bits & EN_PASSANT) && InCheck(us)) {
        TakeBack();
        return false;
    }
    assert(IsConsistent());
    return true;
}

// Both men come off before either goes back, as they went.
[[gnu::noinline]] void Board::TakeBackCastlingMen(int to, int mover) {
    const CastleRule* rule = castling.Find(to);
    if (rule == nullptr) return;
    colour[rule->kingTo] = colour[rule->rookTo] = NO_COLOUR;
    piece[rule->kingTo] = piece[rule->rookTo] = EMPTY;
    colour[rule->king] = colour[rule->rookFrom] = mover;
    piece[rule->king] = KING;
    piece[rule->rookFrom] = ROOK;
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
    if (move.bits & CASTLE) [[unlikely]] {
        TakeBackCastlingMen(to, mover);
    } else {
        colour[from] = mover;
        piece[from] = (move.bits & PROMOTION) ? PAWN : piece[to];
        if (record.captured != EMPTY) {
            colour[to] = Other(mover);
            piece[to] = record.captured;
        } else {
            colour[to] = NO_COLOUR;
            piece[to] = EMPTY;
        }
        if (move.bits & EN_PASSANT) {
            const int taken = mover == WHITE ? to + 8 : to - 8;
            colour[taken] = Other(mover);
            piece[taken] = PAWN;
        }
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
