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
        AddPromotions(list, from, to, move.bits);
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

namespace {
constexpr std::uint64_t FILE_A = 0x0101010101010101;
constexpr std::uint64_t FILE_H = 0x8080808080808080;
// Rows of squares 0-7 (the eighth rank, White's last) and 56-63 (the first, Black's last).
constexpr std::uint64_t RANK_8 = 0x00000000000000FF;
constexpr std::uint64_t RANK_1 = 0xFF00000000000000;

// The squares of `from` moved by `step` squares (negative: towards square 0).
constexpr std::uint64_t Shifted(std::uint64_t from, int step) {
    return step > 0 ? from << step : from >> -step;
}
}  // namespace

// The moves of a knight, bishop, rook, queen or king on s: its captures, then its moves to
// empty squares, each lowest square first (only the second when `kinds` is QUIETS; a CAPTURES
// pass takes AddPieceCaptures instead).
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
    if (kinds != Kinds::QUIETS) {
        for (std::uint64_t hits = targets & theirs; hits; hits &= hits - 1) {
            const int n = std::countr_zero(hits);
            list.push_back({MakeMoveRecord(s, n, CAPTURE), CAPTURE_SCORES[piece[n]][p]});
        }
    }
    for (std::uint64_t steps = targets & ~all; steps; steps &= steps - 1) {
        const int n = std::countr_zero(steps);
        list.push_back({MakeMoveRecord(s, n, 0), historyTable[s][n]});
    }
}

// The captures of the knights, bishops, rooks, queens and king, in GeneratePieceMoves' order
// (by kind, then square): the same moves as its CAPTURES pass, without its per-man dispatch, for
// the generation quiescence and every search node begin with.
void Board::AddPieceCaptures(MoveList& list) {
    const std::uint64_t ours = derived.occupancy[side];
    const std::uint64_t theirs = derived.occupancy[Other(side)];
    const std::uint64_t all = ours | theirs;
    const auto add = [&](int s, int p, std::uint64_t hits) {
        for (; hits; hits &= hits - 1) {
            const int n = std::countr_zero(hits);
            list.push_back({MakeMoveRecord(s, n, CAPTURE), CAPTURE_SCORES[piece[n]][p]});
        }
    };
    // A slider with none of theirs on its lines, even on an empty board, takes nothing, and
    // its attacks need not be worked out.
    const auto diagonals = [](int s) { return GEOMETRY.diagonal[s] | GEOMETRY.antiDiagonal[s]; };
    const auto straights = [](int s) {
        return GEOMETRY.fileLine[s] | ((RANK_8 << (s & 56)) & ~(std::uint64_t{1} << s));
    };
    for (std::uint64_t men = ours & derived.pieceBits[KNIGHT]; men; men &= men - 1) {
        const int s = std::countr_zero(men);
        add(s, KNIGHT, GEOMETRY.knight[s] & theirs);
    }
    for (std::uint64_t men = ours & derived.pieceBits[BISHOP]; men; men &= men - 1) {
        const int s = std::countr_zero(men);
        if (diagonals(s) & theirs) add(s, BISHOP, GEOMETRY.BishopAttacks(s, all) & theirs);
    }
    for (std::uint64_t men = ours & derived.pieceBits[ROOK]; men; men &= men - 1) {
        const int s = std::countr_zero(men);
        if (straights(s) & theirs) add(s, ROOK, GEOMETRY.RookAttacks(s, all) & theirs);
    }
    for (std::uint64_t men = ours & derived.pieceBits[QUEEN]; men; men &= men - 1) {
        const int s = std::countr_zero(men);
        if ((diagonals(s) | straights(s)) & theirs)
            add(s, QUEEN, (GEOMETRY.BishopAttacks(s, all) | GEOMETRY.RookAttacks(s, all)) & theirs);
    }
    for (std::uint64_t men = ours & derived.pieceBits[KING]; men; men &= men - 1) {
        const int s = std::countr_zero(men);
        add(s, KING, GEOMETRY.king[s] & theirs);
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

// The four promotions of a pawn move to its last rank, all scored alike; the queen first, so
// that the likeliest best of them is tried first among equals.
inline void Board::AddPromotions(MoveList& list, int from, int to, int bits) {
    for (int promote = QUEEN; promote >= KNIGHT; --promote)
        list.push_back(
            {Move{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to),
                  static_cast<std::uint8_t>(promote), static_cast<std::uint8_t>(bits | PROMOTION)},
             PROMOTION_SCORE});
}

// The pawns' moves, all pawns at once. CAPTURES lists their captures and the advances that
// promote; QUIETS the advances that do not promote and the double steps.
void Board::GeneratePawnMoves(MoveList& list, Kinds kinds) {
    const bool white = side == WHITE;
    const std::uint64_t lastRank = white ? RANK_8 : RANK_1;
    // A pawn on its last rank (set up by FEN) has no move.
    const std::uint64_t pawns = derived.pieceBits[PAWN] & derived.occupancy[side] & ~lastRank;
    const std::uint64_t empty = ~(derived.occupancy[WHITE] | derived.occupancy[BLACK]);
    const int forward = white ? -8 : 8;
    const std::uint64_t advances = Shifted(pawns, forward) & empty;

    if (kinds != Kinds::QUIETS) {
        const std::uint64_t theirs = derived.occupancy[Other(side)];
        // Towards the a-file and towards the h-file.
        for (const int step : {forward - 1, forward + 1}) {
            const std::uint64_t movers = pawns & ~(step == forward - 1 ? FILE_A : FILE_H);
            const std::uint64_t hits = Shifted(movers, step) & theirs;
            for (std::uint64_t to = hits & ~lastRank; to; to &= to - 1) {
                const int n = std::countr_zero(to);
                list.push_back({MakeMoveRecord(n - step, n, PAWN_MOVE | CAPTURE),
                                CAPTURE_SCORES[piece[n]][PAWN]});
            }
            for (std::uint64_t to = hits & lastRank; to; to &= to - 1) {
                const int n = std::countr_zero(to);
                AddPromotions(list, n - step, n, PAWN_MOVE | CAPTURE);
            }
        }
        for (std::uint64_t to = advances & lastRank; to; to &= to - 1) {
            const int n = std::countr_zero(to);
            AddPromotions(list, n - forward, n, PAWN_MOVE);
        }
    }

    if (kinds != Kinds::CAPTURES) {
        for (std::uint64_t to = advances & ~lastRank; to; to &= to - 1) {
            const int n = std::countr_zero(to);
            list.push_back(
                {MakeMoveRecord(n - forward, n, PAWN_MOVE), historyTable[n - forward][n]});
        }
        // A double step from the pawn's first rank, both squares ahead empty.
        const std::uint64_t thirdRank = white ? RANK_1 >> 16 : RANK_8 << 16;
        for (std::uint64_t to = Shifted(advances & thirdRank, forward) & empty; to; to &= to - 1) {
            const int n = std::countr_zero(to);
            const int from = n - 2 * forward;
            list.push_back(
                {MakeMoveRecord(from, n, PAWN_MOVE | DOUBLE_PUSH), historyTable[from][n]});
        }
    }
}

// Appends the moves of `kinds` to the current ply's list: the pawns', then each piece's by
// kind and square, then castling, then en passant.
void Board::Generate(Kinds kinds) {
    MoveList& list = CurrentMoves();
    GeneratePawnMoves(list, kinds);
    if (kinds == Kinds::CAPTURES) {
        AddPieceCaptures(list);
    } else {
        const std::uint64_t ours = derived.occupancy[side];
        for (int p = KNIGHT; p <= KING; ++p)
            for (std::uint64_t men = ours & derived.pieceBits[p]; men != 0; men &= men - 1)
                GeneratePieceMoves(list, std::countr_zero(men), p, kinds);
    }

    if (kinds != Kinds::CAPTURES) AddCastling(list);
    if (kinds != Kinds::QUIETS) AddEnPassant(list);
}

// Castling is listed on the rights alone; MakeMove decides whether it can be made.
void Board::AddCastling(MoveList& list) {
    for (const bool queenSide : {false, true}) {
        const CastleRule& rule = castling.For(side, queenSide);
        if (castle & rule.right) AddTo(list, CastleMove(rule));
    }
}

// Generates the moves of the man on the move's origin square alone (all the pawns' for a
// pawn), into the current ply's list, which is left empty.
bool Board::FindGenerated(Move move, MoveEntry& found) {
    const int from = move.from;
    if (from < 0 || from > 63 || colour[from] != side) return false;
    MoveList& list = CurrentMoves();
    list.clear();
    const int p = piece[from];
    if (p == PAWN) {
        GeneratePawnMoves(list, Kinds::ALL);
        AddEnPassant(list);
    } else {
        GeneratePieceMoves(list, from, p, Kinds::ALL);
        if (p == KING) AddCastling(list);
    }
    bool listed = false;
    for (const MoveEntry& entry : list)
        if (entry.move == move) {
            found = entry;
            listed = true;
            break;
        }
    list.clear();
    return listed;
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
