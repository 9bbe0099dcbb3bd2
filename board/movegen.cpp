#include <array>
#include <bit>

#include "board/board.h"
#include "board/castling.h"
#include "board/geometry.h"
#include "board/tables.h"

namespace vardo {

namespace {
constexpr int CAPTURE_BASE = 100000;
static_assert(10 * (captureValue[PAWN] + CAPTURE_BASE) - captureValue[QUEEN] >= PROMOTION_SCORE,
              "every capture scores at least as much as a promotion");

// Ordering score of a capture, by victim and attacker: ten times the victim's value plus a
// base that puts every capture above every promotion, less the attacker's value. An
// en-passant capture (no victim on its destination, EMPTY) takes a pawn.
constexpr auto CAPTURE_SCORES = [] {
    std::array<std::array<int, 6>, 7> scores{};
    for (int victim = PAWN; victim <= EMPTY; ++victim)
        for (int attacker = PAWN; attacker <= KING; ++attacker)
            scores[victim][attacker] =
                10 * (captureValue[victim == EMPTY ? PAWN : victim] + CAPTURE_BASE) -
                captureValue[attacker];
    return scores;
}();
}  // namespace

// The list is passed in so that a generator looks up the current ply's list once, not once
// per move.
inline void Board::AddTo(MoveList& list, Move move) {
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
    const int score =
        (move.bits & CAPTURE) ? CAPTURE_SCORES[piece[to]][piece[from]] : historyTable[from][to];
    list.push_back({move, score});
}

namespace {
inline Move MakeMoveRecord(int from, int to, int bits) {
    return Move{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to), 0,
                static_cast<std::uint8_t>(bits)};
}
}  // namespace

// The moves of a knight, bishop, rook, queen or king on s: its captures, then its moves to
// empty squares, each lowest square first (only one of the two when `kinds` asks for it).
void Board::GeneratePieceMoves(MoveList& list, int s, int p, Kinds kinds) {
    const std::uint64_t theirs = derived.occupancy[Other(side)];
    const std::uint64_t all = derived.occupancy[WHITE] | derived.occupancy[BLACK];
    std::uint64_t targets;
    switch (p) {
        case KNIGHT:
            targets = GEOMETRY.knight[s];
            break;
        case KING:
            targets = GEOMETRY.king[s];
            break;
        case BISHOP:
            targets = GEOMETRY.BishopAttacks(s, all);
            break;
        case ROOK:
            targets = GEOMETRY.RookAttacks(s, all);
            break;
        case QUEEN:
            targets = GEOMETRY.BishopAttacks(s, all) | GEOMETRY.RookAttacks(s, all);
            break;
        default:
            return;
    }
    // No pawn moves here, so no promotions: each move is scored and stored directly.
    const std::uint64_t ours = derived.occupancy[side];
    if (kinds != Kinds::QUIETS) {
        for (std::uint64_t hits = targets & theirs; hits; hits &= hits - 1) {
            const int n = std::countr_zero(hits);
            list.push_back({MakeMoveRecord(s, n, CAPTURE), CAPTURE_SCORES[piece[n]][p]});
        }
    }
    if (kinds != Kinds::CAPTURES) {
        for (std::uint64_t steps = targets & ~(ours | theirs); steps; steps &= steps - 1) {
            const int n = std::countr_zero(steps);
            list.push_back({MakeMoveRecord(s, n, 0), historyTable[s][n]});
        }
    }
}

// The en-passant captures onto the square a double step has just passed over.
void Board::AddEnPassant(MoveList& list) {
    const int e = enPassant;
    if (e < 0 || e >= 64) return;
    const int bits = PAWN_MOVE | EN_PASSANT | CAPTURE;
    if (side == WHITE) {
        if ((e & 7) != 0 && e + 7 < 64 && piece[e + 7] == PAWN && colour[e + 7] == WHITE)
            AddTo(list, MakeMoveRecord(e + 7, e, bits));
        if ((e & 7) != 7 && e + 9 < 64 && piece[e + 9] == PAWN && colour[e + 9] == WHITE)
            AddTo(list, MakeMoveRecord(e + 9, e, bits));
    } else {
        if ((e & 7) != 0 && e - 9 >= 0 && piece[e - 9] == PAWN && colour[e - 9] == BLACK)
            AddTo(list, MakeMoveRecord(e - 9, e, bits));
        if ((e & 7) != 7 && e - 7 >= 0 && piece[e - 7] == PAWN && colour[e - 7] == BLACK)
            AddTo(list, MakeMoveRecord(e - 7, e, bits));
    }
}

// A pawn's captures, its advance and its double step. CAPTURES lists the captures and the
// advance that promotes; QUIETS the advance that does not promote and the double step.
void Board::GeneratePawnMoves(MoveList& list, int s, Kinds kinds) {
    const bool white = side == WHITE;
    if (white ? s < 8 : s >= 56) return;  // a pawn on its last rank (set up by FEN) has no move
    const int them = Other(side);
    const int file = s & 7;
    if (kinds != Kinds::QUIETS) {
        const int towardsA = white ? s - 9 : s + 7;
        const int towardsH = white ? s - 7 : s + 9;
        if (file != 0 && colour[towardsA] == them)
            AddTo(list, MakeMoveRecord(s, towardsA, PAWN_MOVE | CAPTURE));
        if (file != 7 && colour[towardsH] == them)
            AddTo(list, MakeMoveRecord(s, towardsH, PAWN_MOVE | CAPTURE));
    }
    const int ahead = white ? s - 8 : s + 8;
    if (colour[ahead] != NO_COLOUR) return;
    const bool promotes = white ? s <= 15 : s >= 48;
    if (promotes) {
        if (kinds != Kinds::QUIETS) AddTo(list, MakeMoveRecord(s, ahead, PAWN_MOVE));
        return;
    }
    if (kinds == Kinds::CAPTURES) return;
    AddTo(list, MakeMoveRecord(s, ahead, PAWN_MOVE));
    const int twoAhead = white ? s - 16 : s + 16;
    if ((white ? s >= 48 : s <= 15) && colour[twoAhead] == NO_COLOUR)
        AddTo(list, MakeMoveRecord(s, twoAhead, PAWN_MOVE | DOUBLE_PUSH));
}

// Appends the moves of `kinds` to the current ply's list: men by square, then castling,
// then en passant.
void Board::Generate(Kinds kinds) {
    MoveList& list = CurrentMoves();
    // Squares in increasing order, as the occupancy bits come lowest first.
    for (std::uint64_t men = derived.occupancy[side]; men != 0; men &= men - 1) {
        const int s = std::countr_zero(men);
        if (piece[s] == PAWN)
            GeneratePawnMoves(list, s, kinds);
        else
            GeneratePieceMoves(list, s, piece[s], kinds);
    }

    // Castling is listed on the rights alone; MakeMove decides whether it can be made.
    if (kinds != Kinds::CAPTURES) {
        for (const bool queenSide : {false, true}) {
            const CastleRule& rule = CastleRuleFor(side, queenSide);
            if (castle & rule.right) AddTo(list, CastleMove(rule));
        }
    }

    if (kinds != Kinds::QUIETS) AddEnPassant(list);
}

void Board::GenerateMoves() {
    GenerateMovesUnsorted();
    CurrentMoves().SortFrom(0);
}

void Board::GenerateCaptures() {
    GenerateCapturesUnsorted();
    CurrentMoves().SortFrom(0);
}

void Board::GenerateMovesUnsorted() {
    CurrentMoves().clear();
    Generate(Kinds::ALL);
}

void Board::GenerateCapturesUnsorted() {
    CurrentMoves().clear();
    Generate(Kinds::CAPTURES);
}

void Board::AddQuietMoves() {
    Generate(Kinds::QUIETS);
}

}  // namespace vardo
