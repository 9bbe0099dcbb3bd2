#include <bit>

#include "board/board.h"
#include "board/geometry.h"
#include "board/tables.h"

namespace vardo {

namespace {
constexpr int CAPTURE_BASE = 100000;
constexpr int PROMOTION_SCORE = 1000000;

// An en-passant capture takes a pawn, so it is ordered as a pawn taking a pawn.
int VictimValue(int victim) {
    return victim == EMPTY ? captureValue[PAWN] : captureValue[victim];
}
}  // namespace

void Board::AddMove(Move move) {
    MoveList& list = CurrentMoves();
    const int from = move.from;
    const int to = move.to;
    if ((move.bits & PAWN_MOVE) && (side == WHITE ? to < 8 : to >= 56)) {
        for (int promote = KNIGHT; promote <= QUEEN; ++promote) {
            Move promotion = move;
            promotion.promote = static_cast<std::uint8_t>(promote);
            promotion.bits = static_cast<std::uint8_t>(move.bits | PROMOTION);
            list.push_back({promotion, PROMOTION_SCORE});
        }
        return;
    }
    int score;
    if (move.bits & CAPTURE)
        score = 10 * (VictimValue(piece[to]) + CAPTURE_BASE) - captureValue[piece[from]];
    else
        score = historyTable[from][to];
    list.push_back({move, score});
}

namespace {
inline Move MakeMoveRecord(int from, int to, int bits) {
    return Move{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to), 0,
                static_cast<std::uint8_t>(bits)};
}
}  // namespace

// The moves of a knight, bishop, rook, queen or king on s: along each direction in table
// order, quiet moves to empty squares (unless only captures are wanted) and the capture of the
// first man of the other colour.
void Board::GeneratePieceMoves(int s, int p, bool capturesOnly) {
    const int them = Other(side);
    auto target = [&](int n) {
        if (colour[n] == NO_COLOUR) {
            if (!capturesOnly) AddMove(MakeMoveRecord(s, n, 0));
            return true;
        }
        if (colour[n] == them) AddMove(MakeMoveRecord(s, n, CAPTURE));
        return false;
    };
    auto slide = [&](int d) {
        for (const std::int8_t* n = GEOMETRY.ray[s][d]; *n >= 0; ++n)
            if (!target(*n)) break;
    };
    switch (p) {
        case KNIGHT:
            for (const std::int8_t* n = GEOMETRY.knight[s]; *n >= 0; ++n) target(*n);
            break;
        case KING:
            for (const std::int8_t* n = GEOMETRY.king[s]; *n >= 0; ++n) target(*n);
            break;
        case BISHOP:
            for (int d : BISHOP_DIRECTIONS) slide(d);
            break;
        case ROOK:
            for (int d : ROOK_DIRECTIONS) slide(d);
            break;
        case QUEEN:
            for (int d = 0; d < DIRECTIONS; ++d) slide(d);
            break;
        default:
            break;
    }
}

// The en-passant captures onto the square a double step has just passed over.
void Board::AddEnPassant() {
    const int e = enPassant;
    if (e < 0 || e >= 64) return;
    const int bits = PAWN_MOVE | EN_PASSANT | CAPTURE;
    if (side == WHITE) {
        if ((e & 7) != 0 && e + 7 < 64 && piece[e + 7] == PAWN && colour[e + 7] == WHITE)
            AddMove(MakeMoveRecord(e + 7, e, bits));
        if ((e & 7) != 7 && e + 9 < 64 && piece[e + 9] == PAWN && colour[e + 9] == WHITE)
            AddMove(MakeMoveRecord(e + 9, e, bits));
    } else {
        if ((e & 7) != 0 && e - 9 >= 0 && piece[e - 9] == PAWN && colour[e - 9] == BLACK)
            AddMove(MakeMoveRecord(e - 9, e, bits));
        if ((e & 7) != 7 && e - 7 >= 0 && piece[e - 7] == PAWN && colour[e - 7] == BLACK)
            AddMove(MakeMoveRecord(e - 7, e, bits));
    }
}

// Best first. Equal scores keep their generation order, so every list is the same on every
// run and every build.
void Board::SortCurrent() {
    MoveList& list = CurrentMoves();
    const int n = list.size();
    for (int i = 1; i < n; ++i) {
        const MoveEntry entry = list[i];
        int j = i;
        while (j > 0 && list[j - 1].score < entry.score) {
            list[j] = list[j - 1];
            --j;
        }
        list[j] = entry;
    }
}

// A pawn's captures, its advance and its double step; with capturesOnly, only its captures
// and an advance that promotes.
void Board::GeneratePawnMoves(int s, bool capturesOnly) {
    const bool white = side == WHITE;
    if (white ? s < 8 : s >= 56) return;  // a pawn on its last rank (set up by FEN) has no move
    const int them = Other(side);
    const int file = s & 7;
    const int towardsA = white ? s - 9 : s + 7;
    const int towardsH = white ? s - 7 : s + 9;
    if (file != 0 && colour[towardsA] == them) AddMove(MakeMoveRecord(s, towardsA, 17));
    if (file != 7 && colour[towardsH] == them) AddMove(MakeMoveRecord(s, towardsH, 17));
    const int ahead = white ? s - 8 : s + 8;
    if (colour[ahead] != NO_COLOUR) return;
    if (capturesOnly) {
        if (white ? s <= 15 : s >= 48) AddMove(MakeMoveRecord(s, ahead, 16));
        return;
    }
    AddMove(MakeMoveRecord(s, ahead, 16));
    const int twoAhead = white ? s - 16 : s + 16;
    if ((white ? s >= 48 : s <= 15) && colour[twoAhead] == NO_COLOUR)
        AddMove(MakeMoveRecord(s, twoAhead, 24));
}

void Board::Generate(bool capturesOnly) {
    CurrentMoves().clear();
    // Squares in increasing order, as the occupancy bits come lowest first.
    for (std::uint64_t men = occupancy[side]; men != 0; men &= men - 1) {
        const int s = std::countr_zero(men);
        if (piece[s] == PAWN)
            GeneratePawnMoves(s, capturesOnly);
        else
            GeneratePieceMoves(s, piece[s], capturesOnly);
    }

    // Castling is listed on the rights alone; MakeMove decides whether it can be made.
    if (!capturesOnly) {
        if (side == WHITE) {
            if (castle & CASTLE_WK) AddMove(MakeMoveRecord(60, 62, CASTLE));
            if (castle & CASTLE_WQ) AddMove(MakeMoveRecord(60, 58, CASTLE));
        } else {
            if (castle & CASTLE_BK) AddMove(MakeMoveRecord(4, 6, CASTLE));
            if (castle & CASTLE_BQ) AddMove(MakeMoveRecord(4, 2, CASTLE));
        }
    }

    AddEnPassant();
    SortCurrent();
}

void Board::GenerateMoves() {
    Generate(false);
}

void Board::GenerateCaptures() {
    Generate(true);
}

}  // namespace vardo
