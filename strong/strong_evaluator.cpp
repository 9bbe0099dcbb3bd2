#include "strong/strong_evaluator.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "board/geometry.h"
#include "strong/eval_masks.h"
#include "strong/eval_values.h"
#include "strong/selective_tuning.h"

namespace vardo {

namespace {

const EvalWeights& W = EVAL_WEIGHTS;

// The piece-square table of each piece code.
constexpr const Score* PIECE_SQUARE[6] = {W.pawnSquare, W.knightSquare, W.bishopSquare,
                                          W.rookSquare, W.queenSquare,  W.kingSquare};
// A man's entry in its piece-square table: the rank from the far side times four, and the file
// folded onto a to d.
constexpr int SquareIndex(int colour, int square) {
    const int own = colour == WHITE ? square : square ^ 56;
    const int file = own & 7;
    return (own >> 3) * 4 + (file < 4 ? file : 7 - file);
}

// Phase weights by piece code, and material in the units the draw scaling compares.
constexpr int PHASE_WEIGHT[6] = {0, 1, 1, 2, 4, 0};
constexpr int SCALE_MATERIAL[6] = {0, 3, 3, 5, 9, 0};

constexpr int DARK = 1;
constexpr int SquareColour(int square) {
    return ((square >> 3) + (square & 7)) & 1;
}
constexpr std::uint64_t DARK_SQUARES = [] {
    std::uint64_t dark = 0;
    for (int s = 0; s < 64; ++s)
        if (SquareColour(s) == DARK) dark |= SquareBit(s);
    return dark;
}();

// Where a weight stands among all of them, for the trace.
int WeightIndex(const Score& weight) {
    return static_cast<int>(
        (reinterpret_cast<const char*>(&weight) - reinterpret_cast<const char*>(&EVAL_WEIGHTS)) /
        static_cast<std::ptrdiff_t>(sizeof(Score)));
}

// Adds weights to each colour's sums, and with TRACE counts them in the trace as well.
template <bool TRACE>
struct Sums {
    Score score[2] = {0, 0};
    Score danger[2] = {0, 0};  // the danger each colour's men pose to the other king
    EvalTrace* trace = nullptr;

    void Add(int colour, const Score& weight, int count = 1) {
        score[colour] += weight * count;
        if constexpr (TRACE)
            trace->linear[WeightIndex(weight)][colour] =
                static_cast<std::int16_t>(trace->linear[WeightIndex(weight)][colour] + count);
    }
    void AddDanger(int colour, const Score& weight, int count = 1) {
        danger[colour] += weight * count;
        if constexpr (TRACE)
            trace->safety[WeightIndex(weight)][colour] =
                static_cast<std::int16_t>(trace->safety[WeightIndex(weight)][colour] + count);
    }
};

// What a position's men attack, by colour.
struct Attacks {
    std::uint64_t by[2][6] = {};  // by piece code
    std::uint64_t all[2] = {0, 0};
    std::uint64_t twice[2] = {0, 0};  // by two men or more
    // The men of each colour that attack the other king's zone, and how often.
    int zoneAttackers[2] = {0, 0};

    void Add(int colour, int piece, std::uint64_t squares) {
        by[colour][piece] |= squares;
        twice[colour] |= all[colour] & squares;
        all[colour] |= squares;
    }
};

struct Position {
    std::uint64_t own[2];
    std::uint64_t pawns[2];
    std::uint64_t occupied;
    int king[2];
};

// Pawn structure: what depends on the pawns alone, and which pawns are passed.
template <bool TRACE>
void EvaluatePawns(const Position& p, Sums<TRACE>& sums, std::uint64_t passed[2]) {
    for (int c = WHITE; c <= BLACK; ++c) {
        const int them = Other(c);
        const std::uint64_t ours = p.pawns[c];
        const std::uint64_t theirs = p.pawns[them];
        const std::uint64_t defended = PawnAttacks(c, ours);
        passed[c] = 0;
        for (std::uint64_t left = ours; left; left &= left - 1) {
            const int s = std::countr_zero(left);
            const int file = s & 7;
            const int rank = RelativeRank(c, s);
            const std::uint64_t neighbours = ours & EVAL_MASKS.adjacentFiles[file];
            const int stop = s + PawnPush(c);

            if constexpr (EVAL_PAWN_STRUCTURE != 0) {
                if (neighbours == 0) sums.Add(c, W.pawnIsolated[0]);
                if (ours & EVAL_MASKS.front[c][s]) sums.Add(c, W.pawnDoubled[0]);
                // Behind every neighbour, and its stop square held by an enemy pawn: it cannot
                // advance to be defended.
                if (neighbours != 0 && (neighbours & ~EVAL_MASKS.attackSpan[c][s]) == 0 &&
                    (PawnAttacks(them, theirs) & SquareBit(stop)))
                    sums.Add(c, W.pawnBackward[0]);
                if (defended & SquareBit(s)) sums.Add(c, W.pawnConnected[rank]);
                const std::uint64_t beside = ((SquareBit(s) << 1) & ~FILE_A_SQUARES) |
                                             ((SquareBit(s) >> 1) & ~FILE_H_SQUARES);
                if (ours & beside) sums.Add(c, W.pawnPhalanx[rank]);
            }
            if ((theirs & (EVAL_MASKS.front[c][s] | EVAL_MASKS.attackSpan[c][s])) == 0 &&
                (ours & EVAL_MASKS.front[c][s]) == 0)
                passed[c] |= SquareBit(s);
        }
    }
}

template <bool TRACE>
void EvaluatePassed(const Board& board, const Position& p, const Attacks& attacks,
                    const std::uint64_t passed[2], Sums<TRACE>& sums) {
    if constexpr (EVAL_PASSED_PAWNS == 0) return;
    for (int c = WHITE; c <= BLACK; ++c) {
        const int them = Other(c);
        const bool enemyHasPieces = (p.own[them] & ~p.pawns[them] & ~SquareBit(p.king[them])) != 0;
        for (std::uint64_t left = passed[c]; left; left &= left - 1) {
            const int s = std::countr_zero(left);
            const int rank = RelativeRank(c, s);
            const int stop = s + PawnPush(c);
            sums.Add(c, W.passedPawn[rank]);
            if ((EVAL_MASKS.front[c][s] & p.occupied) == 0) sums.Add(c, W.passedFree[rank]);
            if ((attacks.all[them] & SquareBit(stop)) == 0) sums.Add(c, W.passedSafe[rank]);
            if (rank >= 4) {
                const int weight = rank - 3;
                sums.Add(c, W.passedOwnKing[0], EVAL_MASKS.distance[p.king[c]][stop] * weight);
                sums.Add(c, W.passedEnemyKing[0], EVAL_MASKS.distance[p.king[them]][stop] * weight);
            }
            // The rule of the square: the enemy king, a move later when it is not to move,
            // cannot reach the promotion square before the pawn, which nothing of its own
            // blocks.
            if (!enemyHasPieces && (EVAL_MASKS.front[c][s] & p.own[c]) == 0) {
                const int promotion = (s & 7) + (c == WHITE ? 0 : 56);
                const int pawnMoves = 7 - std::max(rank, 2);
                const int kingMoves =
                    EVAL_MASKS.distance[p.king[them]][promotion] - (board.side == them ? 1 : 0);
                if (kingMoves > pawnMoves) sums.Add(c, W.passedUnstoppable[0]);
            }
        }
    }
}

// Mobility, and the attacks that king safety and threats read.
template <bool TRACE>
void EvaluatePieces(const Board& board, const Position& p, Attacks& attacks, Sums<TRACE>& sums,
                    int zoneAttacks[2]) {
    for (int c = WHITE; c <= BLACK; ++c) {
        const int them = Other(c);
        const std::uint64_t area = ~p.own[c] & ~attacks.by[them][PAWN];
        const std::uint64_t zone = EVAL_MASKS.kingZone[p.king[them]];
        for (int piece = KNIGHT; piece <= QUEEN; ++piece) {
            for (std::uint64_t left = board.Pieces(piece) & p.own[c]; left; left &= left - 1) {
                const int s = std::countr_zero(left);
                std::uint64_t reach = 0;
                switch (piece) {
                    case KNIGHT:
                        reach = GEOMETRY.knight[s];
                        if constexpr (EVAL_MOBILITY != 0)
                            sums.Add(c, W.knightMobility[CountSquares(reach & area)]);
                        break;
                    case BISHOP:
                        reach = GEOMETRY.BishopAttacks(s, p.occupied);
                        if constexpr (EVAL_MOBILITY != 0)
                            sums.Add(c, W.bishopMobility[CountSquares(reach & area)]);
                        break;
                    case ROOK:
                        reach = GEOMETRY.RookAttacks(s, p.occupied);
                        if constexpr (EVAL_MOBILITY != 0)
                            sums.Add(c, W.rookMobility[CountSquares(reach & area)]);
                        break;
                    default:
                        reach = GEOMETRY.BishopAttacks(s, p.occupied) |
                                GEOMETRY.RookAttacks(s, p.occupied);
                        if constexpr (EVAL_MOBILITY != 0)
                            sums.Add(c, W.queenMobility[CountSquares(reach & area)]);
                        break;
                }
                attacks.Add(c, piece, reach);
                if (reach & zone) {
                    ++attacks.zoneAttackers[c];
                    zoneAttacks[c] += CountSquares(reach & zone);
                    sums.AddDanger(c, W.safetyAttacker[piece]);
                }
            }
        }
    }
}

// The pawns in front of each king and on its neighbouring files, and the danger to it.
template <bool TRACE>
void EvaluateKings(const Board& board, const Position& p, const Attacks& attacks,
                   const int zoneAttacks[2], Sums<TRACE>& sums) {
    if constexpr (EVAL_KING_SAFETY == 0) {
        sums.danger[WHITE] = sums.danger[BLACK] = 0;
        if constexpr (TRACE)
            for (auto& counts : sums.trace->safety) counts[WHITE] = counts[BLACK] = 0;
        return;
    }
    const std::uint64_t allPawns = p.pawns[WHITE] | p.pawns[BLACK];
    for (int c = WHITE; c <= BLACK; ++c) {
        const int them = Other(c);
        const int king = p.king[c];
        const int kingFile = king & 7;
        const std::uint64_t ahead = EVAL_MASKS.ranksAhead[c][king];
        for (int file = std::max(kingFile - 1, 0); file <= std::min(kingFile + 1, 7); ++file) {
            const std::uint64_t squares = FileSquares(file);
            const std::uint64_t ownAhead = p.pawns[c] & squares & ahead;
            const std::uint64_t theirsAhead = p.pawns[them] & squares & ahead;
            // Nearest the king: for White the highest square number below it, for Black the
            // lowest above it.
            const auto nearest = [c](std::uint64_t pawns) {
                return c == WHITE ? 63 - std::countl_zero(pawns) : std::countr_zero(pawns);
            };
            const int shelter = ownAhead ? RelativeRank(c, nearest(ownAhead)) : 0;
            sums.Add(c, W.kingShelter[(file == kingFile ? 0 : 8) + shelter]);
            int storm = 0;
            bool blocked = false;
            if (theirsAhead) {
                const int s = nearest(theirsAhead);
                storm = RelativeRank(c, s);
                blocked = (p.pawns[c] & SquareBit(s + PawnPush(them))) != 0;
            }
            sums.Add(c, W.kingStorm[(blocked ? 8 : 0) + storm]);
            if ((p.pawns[c] & squares) == 0) sums.Add(c, W.kingSemiOpenFile[0]);
            if ((allPawns & squares) == 0) sums.Add(c, W.kingOpenFile[0]);
        }

        // The danger `them` poses to this king: counted once enough men attack its zone
        // (two, or one with a queen on the board).
        const int queens = CountSquares(board.Pieces(QUEEN) & p.own[them]);
        if (attacks.zoneAttackers[them] <= 1 - std::min(queens, 1)) {
            sums.danger[them] = 0;
            if constexpr (TRACE)
                for (auto& counts : sums.trace->safety) counts[them] = 0;
            continue;
        }
        if constexpr (TRACE) sums.trace->danger[them] = true;
        const std::uint64_t zone = EVAL_MASKS.kingZone[king];
        const std::uint64_t weak = attacks.all[them] & ~attacks.twice[c] &
                                   (~attacks.all[c] | attacks.by[c][KING] | attacks.by[c][QUEEN]);
        const std::uint64_t safe = ~p.own[them] & (~attacks.all[c] | (weak & attacks.twice[them]));
        const std::uint64_t knightChecks = GEOMETRY.knight[king];
        const std::uint64_t bishopChecks = GEOMETRY.BishopAttacks(king, p.occupied);
        const std::uint64_t rookChecks = GEOMETRY.RookAttacks(king, p.occupied);
        sums.AddDanger(them, W.safetyZoneAttacks[0], zoneAttacks[them]);
        sums.AddDanger(them, W.safetyWeakZone[0], CountSquares(weak & zone));
        sums.AddDanger(them, W.safetyCheck[KNIGHT],
                       CountSquares(knightChecks & attacks.by[them][KNIGHT] & safe));
        sums.AddDanger(them, W.safetyCheck[BISHOP],
                       CountSquares(bishopChecks & attacks.by[them][BISHOP] & safe));
        sums.AddDanger(them, W.safetyCheck[ROOK],
                       CountSquares(rookChecks & attacks.by[them][ROOK] & safe));
        sums.AddDanger(them, W.safetyCheck[QUEEN],
                       CountSquares((bishopChecks | rookChecks) & attacks.by[them][QUEEN] & safe));
        if (queens == 0) sums.AddDanger(them, W.safetyNoQueen[0]);
        sums.AddDanger(them, W.safetyOffset[0]);
    }
}

// Men attacked by pawns, by minor pieces and by rooks, and men left hanging.
template <bool TRACE>
void EvaluateThreats(const Board& board, const Position& p, const Attacks& attacks,
                     Sums<TRACE>& sums) {
    if constexpr (EVAL_THREATS == 0) return;
    for (int c = WHITE; c <= BLACK; ++c) {
        const int them = Other(c);
        const std::uint64_t victims = p.own[them] & ~SquareBit(p.king[them]);
        const std::uint64_t pieces = victims & ~p.pawns[them];
        for (std::uint64_t left = pieces & attacks.by[c][PAWN]; left; left &= left - 1)
            sums.Add(c, W.threatByPawn[board.piece[std::countr_zero(left)]]);
        const std::uint64_t byMinor = victims & (attacks.by[c][KNIGHT] | attacks.by[c][BISHOP]) &
                                      ~(p.pawns[them] & attacks.by[them][PAWN]);
        for (std::uint64_t left = byMinor; left; left &= left - 1)
            sums.Add(c, W.threatByMinor[board.piece[std::countr_zero(left)]]);
        const std::uint64_t byRook =
            victims & attacks.by[c][ROOK] & (board.Pieces(QUEEN) | ~attacks.all[them]);
        for (std::uint64_t left = byRook; left; left &= left - 1)
            sums.Add(c, W.threatByRook[board.piece[std::countr_zero(left)]]);
        const int hanging = CountSquares(victims & attacks.all[c] & ~attacks.all[them]);
        if (hanging) sums.Add(c, W.threatHanging[0], hanging);
    }
}

// The bishop pair, rooks' files and the seventh rank, outposts.
template <bool TRACE>
void EvaluatePlacement(const Board& board, const Position& p, const Attacks& attacks,
                       Sums<TRACE>& sums) {
    if constexpr (EVAL_PIECES == 0) return;
    const std::uint64_t allPawns = p.pawns[WHITE] | p.pawns[BLACK];
    for (int c = WHITE; c <= BLACK; ++c) {
        const int them = Other(c);
        if (CountSquares(board.Pieces(BISHOP) & p.own[c]) >= 2) sums.Add(c, W.bishopPair[0]);
        for (std::uint64_t left = board.Pieces(ROOK) & p.own[c]; left; left &= left - 1) {
            const int s = std::countr_zero(left);
            const std::uint64_t file = FileSquares(s & 7);
            if ((allPawns & file) == 0)
                sums.Add(c, W.rookOpenFile[0]);
            else if ((p.pawns[c] & file) == 0)
                sums.Add(c, W.rookSemiOpenFile[0]);
            if (RelativeRank(c, s) == 6) {
                const std::uint64_t rank = std::uint64_t{0xFF} << (s & 56);
                if (RelativeRank(c, p.king[them]) == 7 || (p.pawns[them] & rank))
                    sums.Add(c, W.rookOnSeventh[0]);
            }
        }
        for (int piece = KNIGHT; piece <= BISHOP; ++piece) {
            for (std::uint64_t left = board.Pieces(piece) & p.own[c]; left; left &= left - 1) {
                const int s = std::countr_zero(left);
                const int rank = RelativeRank(c, s);
                if (rank >= 3 && rank <= 5 && (attacks.by[c][PAWN] & SquareBit(s)) &&
                    (p.pawns[them] & EVAL_MASKS.attackSpan[c][s]) == 0)
                    sums.Add(c, piece == KNIGHT ? W.knightOutpost[0] : W.bishopOutpost[0]);
            }
        }
    }
}

// How far toward a draw the endgame value is scaled, for the side it favours.
int EndgameScale(const Board& board, const Position& p, int strong) {
    if constexpr (EVAL_SCALING == 0) return SCALE_NORMAL;
    const int weak = Other(strong);
    int material[2] = {0, 0};
    for (int piece = KNIGHT; piece <= QUEEN; ++piece)
        for (int c = WHITE; c <= BLACK; ++c)
            material[c] += SCALE_MATERIAL[piece] * CountSquares(board.Pieces(piece) & p.own[c]);
    if (p.pawns[strong] == 0 && material[strong] - material[weak] <= SCALE_MATERIAL[BISHOP]) {
        if (material[strong] < SCALE_MATERIAL[ROOK]) return SCALE_LONE_MINOR;
        return material[weak] <= SCALE_MATERIAL[BISHOP] ? SCALE_AGAINST_MINOR : SCALE_PAWNLESS;
    }
    const std::uint64_t bishops = board.Pieces(BISHOP);
    // A bishop and pawns on one rook's file only, the bishop of the other colour than the
    // corner where they promote, and the weak king at that corner: it cannot be driven out, and
    // nothing else can win. (a1 and h8 are dark; the board counts from a8.)
    const std::uint64_t strongPawns = p.pawns[strong];
    const std::uint64_t strongBishop = bishops & p.own[strong];
    if (material[strong] == SCALE_MATERIAL[BISHOP] && strongBishop != 0 && strongPawns != 0 &&
        ((strongPawns & ~FILE_A_SQUARES) == 0 || (strongPawns & ~FILE_H_SQUARES) == 0)) {
        const int file = (strongPawns & FILE_A_SQUARES) != 0 ? 0 : 7;
        const int corner = strong == WHITE ? file : 56 + file;
        const bool darkBishop = (strongBishop & DARK_SQUARES) != 0;
        if ((SquareColour(corner) == DARK) != darkBishop &&
            EVAL_MASKS.distance[corner][p.king[weak]] <= 1)
            return SCALE_WRONG_BISHOP;
    }
    if (material[WHITE] == SCALE_MATERIAL[BISHOP] && material[BLACK] == SCALE_MATERIAL[BISHOP] &&
        CountSquares(bishops) == 2 && CountSquares(bishops & DARK_SQUARES) == 1)
        return SCALE_OPPOSITE_BISHOPS;
    return SCALE_NORMAL;
}

// Positions scored by a rule of their own, from White's point of view; false for the others.
// - Neither side can mate: no pawn, rook or queen, and a minor piece at most on each side, or
//   two knights against a bare king.
// - King, bishop and knight against a king: driven to a corner of the bishop's colour.
// - A bare king against a rook or more with no pawns: the normal score, and the bare king
//   pushed to the edge with the kings brought together (added to `bonus`).
bool KnownEndgame(const Board& board, const Position& p, int& score, int& bonus) {
    bonus = 0;
    if constexpr (EVAL_SCALING == 0) return false;
    const std::uint64_t heavy = board.Pieces(ROOK) | board.Pieces(QUEEN);
    const std::uint64_t minors = board.Pieces(KNIGHT) | board.Pieces(BISHOP);
    const int men[2] = {CountSquares(p.own[WHITE]), CountSquares(p.own[BLACK])};
    if ((p.pawns[WHITE] | p.pawns[BLACK] | heavy) == 0) {
        const int minorCount[2] = {CountSquares(minors & p.own[WHITE]),
                                   CountSquares(minors & p.own[BLACK])};
        const bool twoKnights = (minorCount[WHITE] == 0 || minorCount[BLACK] == 0) &&
                                (minors & ~board.Pieces(KNIGHT)) == 0 &&
                                minorCount[WHITE] + minorCount[BLACK] == 2;
        if ((minorCount[WHITE] <= 1 && minorCount[BLACK] <= 1) || twoKnights) {
            score = 0;
            return true;
        }
    }
    for (int strong = WHITE; strong <= BLACK; ++strong) {
        const int weak = Other(strong);
        if (men[weak] != 1) continue;
        const int weakKing = p.king[weak];
        const int kings = EVAL_MASKS.distance[p.king[strong]][weakKing];
        const std::uint64_t ownMen = p.own[strong];
        if (men[strong] == 3 && CountSquares(board.Pieces(BISHOP) & ownMen) == 1 &&
            CountSquares(board.Pieces(KNIGHT) & ownMen) == 1) {
            const bool dark = (board.Pieces(BISHOP) & ownMen & DARK_SQUARES) != 0;
            // a1 and h8 are dark, a8 and h1 light; the corner counted in steps along ranks
            // and files, 0 to 14.
            const auto steps = [weakKing](int corner) {
                return EvalMasks::Apart(weakKing >> 3, corner >> 3) +
                       EvalMasks::Apart(weakKing & 7, corner & 7);
            };
            const int corner = dark ? std::min(steps(56), steps(7)) : std::min(steps(0), steps(63));
            const int value = KBN_WIN + KBN_CORNER * (14 - corner) + KBN_KINGS * (7 - kings);
            score = strong == WHITE ? value : -value;
            return true;
        }
        if ((p.pawns[strong] == 0) && (heavy & ownMen) != 0) {
            const int file = weakKing & 7;
            const int row = weakKing >> 3;
            const int centre =
                std::max(3 - std::min(file, 7 - file), 0) + std::max(3 - std::min(row, 7 - row), 0);
            const int value = LONE_KING_EDGE * centre + LONE_KING_KINGS * (7 - kings);
            bonus = strong == WHITE ? value : -value;
        }
    }
    return false;
}

template <bool TRACE>
int EvaluateWhite(const Board& board, StrongEvaluator::PawnEntry* pawnTable, int entries,
                  EvalTrace* trace) {
    Position p;
    p.own[WHITE] = board.Occupancy(WHITE);
    p.own[BLACK] = board.Occupancy(BLACK);
    p.occupied = p.own[WHITE] | p.own[BLACK];
    p.pawns[WHITE] = board.Pieces(PAWN) & p.own[WHITE];
    p.pawns[BLACK] = board.Pieces(PAWN) & p.own[BLACK];
    p.king[WHITE] = board.KingSquare(WHITE);
    p.king[BLACK] = board.KingSquare(BLACK);
    // Hand-made positions without a king are scored as if it stood on a corner.
    for (int c = WHITE; c <= BLACK; ++c)
        if (p.king[c] == NO_SQUARE) p.king[c] = c == WHITE ? 63 : 0;

    int known = 0;
    int bonus = 0;
    if (KnownEndgame(board, p, known, bonus)) {
        if constexpr (TRACE) trace->special = true;
        return known;
    }
    if constexpr (TRACE) trace->special = trace->special || bonus != 0;

    Sums<TRACE> sums;
    sums.trace = trace;
    int phase = 0;
    for (int c = WHITE; c <= BLACK; ++c) {
        for (int piece = PAWN; piece <= KING; ++piece) {
            const std::uint64_t men = board.Pieces(piece) & p.own[c];
            if (men == 0) continue;
            const int count = CountSquares(men);
            if (piece != KING) sums.Add(c, W.pieceValue[piece], count);
            phase += PHASE_WEIGHT[piece] * count;
            for (std::uint64_t left = men; left; left &= left - 1)
                sums.Add(c, PIECE_SQUARE[piece][SquareIndex(c, std::countr_zero(left))]);
        }
    }
    phase = std::min(phase, MAX_PHASE);

    // Pawn structure, from the table when it has this placement.
    std::uint64_t passed[2];
    if constexpr (TRACE) {
        EvaluatePawns(p, sums, passed);
    } else {
        const std::uint64_t key =
            (p.pawns[WHITE] * 0x9E3779B97F4A7C15ULL) ^ (p.pawns[BLACK] * 0xC2B2AE3D27D4EB4FULL);
        StrongEvaluator::PawnEntry& entry = pawnTable[(key >> 40) & (entries - 1)];
        if (!entry.filled || entry.pawns[WHITE] != p.pawns[WHITE] ||
            entry.pawns[BLACK] != p.pawns[BLACK]) {
            Sums<false> pawnSums;
            EvaluatePawns(p, pawnSums, entry.passed);
            entry.pawns[WHITE] = p.pawns[WHITE];
            entry.pawns[BLACK] = p.pawns[BLACK];
            entry.score = pawnSums.score[WHITE] - pawnSums.score[BLACK];
            entry.filled = true;
        }
        sums.score[WHITE] += entry.score;
        passed[WHITE] = entry.passed[WHITE];
        passed[BLACK] = entry.passed[BLACK];
    }

    Attacks attacks;
    for (int c = WHITE; c <= BLACK; ++c) {
        attacks.Add(c, PAWN, PawnAttacks(c, p.pawns[c]));
        attacks.twice[c] |= PawnDoubleAttacks(c, p.pawns[c]);
        attacks.Add(c, KING, GEOMETRY.king[p.king[c]]);
    }
    int zoneAttacks[2] = {0, 0};
    EvaluatePieces(board, p, attacks, sums, zoneAttacks);
    EvaluatePassed(board, p, attacks, passed, sums);
    EvaluateKings(board, p, attacks, zoneAttacks, sums);
    EvaluateThreats(board, p, attacks, sums);
    EvaluatePlacement(board, p, attacks, sums);
    sums.Add(board.side, W.tempo[0]);

    Score total = sums.score[WHITE] - sums.score[BLACK];
    for (int c = WHITE; c <= BLACK; ++c) {
        const int mg = std::clamp(MgOf(sums.danger[c]), 0, DANGER_CAP);
        const int eg = std::clamp(EgOf(sums.danger[c]), 0, DANGER_CAP);
        const Score danger = S(mg * mg / DANGER_MG_DIVISOR, eg / DANGER_EG_DIVISOR);
        total += c == WHITE ? danger : -danger;
    }
    const int mg = MgOf(total);
    const int eg = EgOf(total);
    const int scale = EndgameScale(board, p, eg >= 0 ? WHITE : BLACK);
    if constexpr (TRACE) {
        trace->phase = phase;
        trace->scale = scale;
    }
    return (mg * phase + eg * (MAX_PHASE - phase) * scale / SCALE_NORMAL) / MAX_PHASE + bonus;
}

}  // namespace

StrongEvaluator::StrongEvaluator()
    : pawnTable(new PawnEntry[PAWN_ENTRIES]), scoreTable(new ScoreEntry[SCORE_ENTRIES]) {}

StrongEvaluator::~StrongEvaluator() = default;

void StrongEvaluator::Clear() {
    for (int i = 0; i < PAWN_ENTRIES; ++i) pawnTable[i] = PawnEntry();
    for (int i = 0; i < SCORE_ENTRIES; ++i) scoreTable[i] = ScoreEntry();
}

int StrongEvaluator::Evaluate(const Board& board) {
    const std::uint64_t key = board.PositionKey();
    ScoreEntry& entry = scoreTable[key & (SCORE_ENTRIES - 1)];
    if (entry.filled && entry.key == key) return entry.score;
    const int white = EvaluateWhite<false>(board, pawnTable.get(), PAWN_ENTRIES, nullptr);
    entry.key = key;
    entry.score = board.side == WHITE ? white : -white;
    entry.filled = true;
    return entry.score;
}

int StrongEvaluator::Trace(const Board& board, EvalTrace& trace) {
    std::memset(&trace, 0, sizeof trace);
    trace.scale = SCALE_NORMAL;
    trace.score = EvaluateWhite<true>(board, nullptr, 0, &trace);
    return trace.score;
}

}  // namespace vardo
