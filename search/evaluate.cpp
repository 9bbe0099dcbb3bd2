#include "search/evaluate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "board/castling.h"
#include "board/geometry.h"

namespace vardo {

namespace {

// Table set a colour picks for itself from its king's file when its score is high enough.
constexpr int SetForKingFile(int current, int kingFile) {
    if (kingFile > KING_SIDE_KING_FILE) return TABLE_SET_KING_SIDE;
    if (kingFile < QUEEN_SIDE_KING_FILE) return TABLE_SET_QUEEN_SIDE;
    return current;
}

// The files holding at least one of `squares`, as an 8-bit set (bit f: file f).
constexpr unsigned FilesOf(std::uint64_t squares) {
    squares |= squares >> 32;
    squares |= squares >> 16;
    squares |= squares >> 8;
    return static_cast<unsigned>(squares & 0xFFu);
}

// What one colour's pawn structure costs, given the number of its pawns, from a table of
// the files they stand on: every pawn beyond the first on its file costs the doubled-pawn
// penalty, and every file from b to e whose neighbours hold no pawn of the colour costs the
// isolated-pawn penalty once.
constexpr std::array<int, 256> FILE_REFUND = [] {
    std::array<int, 256> refund{};
    for (unsigned files = 0; files < 256; ++files) {
        int isolated = 0;
        for (int file = FIRST_ISOLATION_FILE; file <= LAST_ISOLATION_FILE; ++file) {
            const unsigned neighbours = (1u << (file - 1)) | (1u << (file + 1));
            if ((files >> file & 1u) && !(files & neighbours)) ++isolated;
        }
        refund[files] =
            DOUBLED_PAWN_PENALTY * std::popcount(files) - ISOLATED_PAWN_PENALTY * isolated;
    }
    return refund;
}();
constexpr int PawnStructure(int pawns, unsigned files) {
    return FILE_REFUND[files] - DOUBLED_PAWN_PENALTY * pawns;
}

// Every square of the files in an 8-bit set of files.
constexpr std::uint64_t SquaresOfFiles(unsigned files) {
    return std::uint64_t{files & 0xFFu} * 0x0101010101010101ull;
}

// The open-file bonus of `rooks`: a loop, since a colour has few rooks and std::popcount is a
// library call on the baseline instruction set.
constexpr int RookBonus(std::uint64_t rooks, std::uint64_t openFiles) {
    int total = 0;
    for (std::uint64_t r = rooks & openFiles; r; r &= r - 1) total += OPEN_FILE_ROOK_BONUS;
    return total;
}

// The evaluation of a position given by its inputs.
void Score(const EvaluationInputs& in, Evaluation& evaluation) {
    // Material and the piece-square sums of every table set are kept by the board as men
    // move; pawn structure, the kings' files and the rooks come from its piece bits.
    int score[2];
    int kingFile[2];
    unsigned pawnFiles[2];
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        const std::uint64_t own = in.own[colour];
        const PlacementValue& sums = in.sums[colour];
        pawnFiles[colour] = FilesOf(in.pawns & own);
        score[colour] = sums.Material() + PawnStructure(sums.Pawns(), pawnFiles[colour]);
        // The last king met in square order, as a scan of the board would find it.
        const std::uint64_t king = in.kings & own;
        kingFile[colour] = king ? FileOf(63 - std::countl_zero(king)) : MISSING_KING_FILE;
    }

    evaluation.base[WHITE] = score[WHITE];
    evaluation.base[BLACK] = score[BLACK];

    // Table sets: White first, then Black, so a low Black score overrides White's own choice
    // and a high Black score overrides the endgame set White's low score gave Black.
    int set[2] = {TABLE_SET_DEFAULT, TABLE_SET_DEFAULT};
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        if (score[colour] >= TABLE_SET_THRESHOLD)
            set[colour] = SetForKingFile(set[colour], kingFile[colour]);
        else
            set[Other(colour)] = TABLE_SET_ENDGAME;
    }

    // Piece-square values of the chosen sets, and rooks on files without pawns of either
    // colour.
    const std::uint64_t openFiles = SquaresOfFiles(~(pawnFiles[WHITE] | pawnFiles[BLACK]));
    for (int colour = WHITE; colour <= BLACK; ++colour)
        score[colour] +=
            in.sums[colour].Set(set[colour]) + RookBonus(in.rooks & in.own[colour], openFiles);

    evaluation.set[WHITE] = set[WHITE];
    evaluation.set[BLACK] = set[BLACK];
    evaluation.openFiles = openFiles;
    evaluation.score = in.side == WHITE ? score[WHITE] - score[BLACK] : score[BLACK] - score[WHITE];
}

EvaluationInputs InputsOf(const Board& board) {
    EvaluationInputs in;
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        in.sums[colour] = board.Placement(colour);
        in.own[colour] = board.Occupancy(colour);
    }
    in.pawns = board.Pieces(PAWN);
    in.kings = board.Pieces(KING);
    in.rooks = board.Pieces(ROOK);
    in.side = board.side;
    return in;
}

// Puts a man on an empty square of the inputs / takes one off.
void Place(EvaluationInputs& in, int colour, int piece, int square) {
    const std::uint64_t bit = std::uint64_t{1} << square;
    in.own[colour] |= bit;
    if (piece == PAWN) in.pawns |= bit;
    if (piece == KING) in.kings |= bit;
    if (piece == ROOK) in.rooks |= bit;
    in.sums[colour] += PLACEMENT[colour][piece][square];
}
void Lift(EvaluationInputs& in, int colour, int piece, int square) {
    const std::uint64_t bit = ~(std::uint64_t{1} << square);
    in.own[colour] &= bit;
    if (piece == PAWN) in.pawns &= bit;
    if (piece == KING) in.kings &= bit;
    if (piece == ROOK) in.rooks &= bit;
    in.sums[colour] -= PLACEMENT[colour][piece][square];
}

// The highest piece-square value each man can have, by colour, piece and table set.
using PeakTable = std::array<std::array<std::array<int, TABLE_SETS>, 6>, 2>;
const PeakTable& PeakValues() {
    static const PeakTable peaks = [] {
        PeakTable table{};
        for (int colour = WHITE; colour <= BLACK; ++colour)
            for (int piece = PAWN; piece <= KING; ++piece)
                for (int set = 0; set < TABLE_SETS; ++set) {
                    int peak = PLACEMENT[colour][piece][0].Set(set);
                    for (int square = 1; square < 64; ++square)
                        peak = std::max(peak, PLACEMENT[colour][piece][square].Set(set));
                    table[colour][piece][set] = peak;
                }
        return table;
    }();
    return peaks;
}

// The Evaluation after a knight, bishop, rook or queen takes a pawn; false, with `after` unset,
// where the pawn's colour then crosses TABLE_SET_THRESHOLD, which switches table sets. Nothing
// else can switch them: no king moves and the mover's colour keeps its material and pawns. The
// pawn's colour loses its material and piece-square value and may change its pawn structure;
// its file opens when no other pawn stands on it, which gives each rook on the file its bonus;
// a rook that moves may gain or lose its own.
bool TakingPawnKeepsSets(const Board& board, const Evaluation& before, Move move,
                         Evaluation& after) {
    const int us = board.side, them = Other(us);
    const int moving = board.piece[move.from];
    const std::uint64_t toBit = std::uint64_t{1} << move.to;
    const std::uint64_t pawns = board.Pieces(PAWN);
    const std::uint64_t theirPawns = pawns & board.Occupancy(them);
    const int count = board.Placement(them).Pawns();
    const int theirBase = before.base[them] - PIECE_VALUE[PAWN] +
                          PawnStructure(count - 1, FilesOf(theirPawns & ~toBit)) -
                          PawnStructure(count, FilesOf(theirPawns));
    if ((theirBase >= TABLE_SET_THRESHOLD) != (before.base[them] >= TABLE_SET_THRESHOLD))
        return false;

    const std::uint64_t file = SquaresOfFiles(1u << FileOf(move.to));
    const std::uint64_t openAfter =
        (pawns & ~toBit & file) ? before.openFiles : before.openFiles | file;
    // The pawn's material is in its colour's base.
    int gain = PLACEMENT[them][PAWN][move.to].Set(before.set[them]) -
               (theirBase - before.base[them]) +
               PLACEMENT[us][moving][move.to].Set(before.set[us]) -
               PLACEMENT[us][moving][move.from].Set(before.set[us]);
    if (openAfter != before.openFiles || moving == ROOK) {
        // Each rook's bonus, before and after.
        const std::uint64_t ours = board.Pieces(ROOK) & board.Occupancy(us);
        const std::uint64_t theirs = board.Pieces(ROOK) & board.Occupancy(them);
        const std::uint64_t oursAfter =
            moving == ROOK ? (ours & ~(std::uint64_t{1} << move.from)) | toBit : ours;
        gain += RookBonus(oursAfter, openAfter) - RookBonus(ours, before.openFiles) -
                (RookBonus(theirs, openAfter) - RookBonus(theirs, before.openFiles));
    }
    after = before;
    after.score = -(before.score + gain);
    after.base[them] = theirBase;
    after.openFiles = openAfter;
    return true;
}

}  // namespace

void Evaluator::Evaluate(const Board& board, Evaluation& evaluation) const {
    Score(InputsOf(board), evaluation);
}

void Evaluator::AfterMove(const Board& board, const Evaluation& before, Move move,
                          Evaluation& after) const {
    const int us = board.side, them = Other(us);
    const int moving = board.piece[move.from];
    // King and rook go where the castling rule puts them. A Chess960 castling record names the
    // king's own rook as its destination, which is not taken.
    const CastleRule* castling = (move.bits & CASTLE) ? board.castling.Find(move.to) : nullptr;
    const int taken =
        castling != nullptr && board.castling.IsChess960() ? EMPTY : board.piece[move.to];
    const bool pieceMove = moving >= KNIGHT && moving <= QUEEN && taken != PAWN;
    // Whether the colour that loses material, if any, stays on its side of the threshold.
    const auto keepsSets = [&] {
        if (taken == EMPTY) return true;
        const int left = before.base[them] - PIECE_VALUE[taken];
        return (left >= TABLE_SET_THRESHOLD) == (before.base[them] >= TABLE_SET_THRESHOLD);
    };
    // A pawn's push, and a king's step that keeps its colour's set (see the description).
    const bool quiet = !(move.bits & (CAPTURE | PROMOTION | CASTLE | EN_PASSANT));
    const auto sameSet = [&] {
        const auto group = [](int square) {
            const int file = FileOf(square);
            return (file > KING_SIDE_KING_FILE) - (file < QUEEN_SIDE_KING_FILE);
        };
        const std::uint64_t kings = board.Pieces(KING) & board.Occupancy(us);
        return (kings & (kings - 1)) == 0 &&
               (before.base[us] < TABLE_SET_THRESHOLD || group(move.from) == group(move.to));
    };
    // On the two short paths the pawn files, the kings' set choices and so the open files and
    // the sets stay as they were: only the score and the material of a man taken change.
    if (quiet && (moving == PAWN || (moving == KING && sameSet()))) {
        after = before;
        after.score = -(before.score + PLACEMENT[us][moving][move.to].Set(before.set[us]) -
                        PLACEMENT[us][moving][move.from].Set(before.set[us]));
        return;
    }
    if (pieceMove && keepsSets()) {
        const auto open = [&](int square) { return int(before.openFiles >> square & 1); };
        int gain = PLACEMENT[us][moving][move.to].Set(before.set[us]) -
                   PLACEMENT[us][moving][move.from].Set(before.set[us]);
        if (moving == ROOK) gain += OPEN_FILE_ROOK_BONUS * (open(move.to) - open(move.from));
        after = before;
        if (taken != EMPTY) {
            gain += PIECE_VALUE[taken] + PLACEMENT[them][taken][move.to].Set(before.set[them]);
            if (taken == ROOK) gain += OPEN_FILE_ROOK_BONUS * open(move.to);
            after.base[them] -= PIECE_VALUE[taken];
        }
        after.score = -(before.score + gain);
        return;
    }

    if (moving >= KNIGHT && moving <= QUEEN && taken == PAWN &&
        TakingPawnKeepsSets(board, before, move, after))
        return;
    if (moving == EMPTY) {  // not a move of this position
        after = before;
        after.score = -before.score;
        return;
    }
    EvaluationInputs in = InputsOf(board);
    if (taken != EMPTY) Lift(in, them, taken, move.to);
    if (move.bits & EN_PASSANT) {
        const int square = us == WHITE ? move.to + 8 : move.to - 8;
        if (board.colour[square] == them) Lift(in, them, board.piece[square], square);
    }
    if (castling != nullptr) {
        Lift(in, us, KING, castling->king);
        Lift(in, us, ROOK, castling->rookFrom);
        Place(in, us, KING, castling->kingTo);
        Place(in, us, ROOK, castling->rookTo);
    } else {
        Lift(in, us, moving, move.from);
        Place(in, us, (move.bits & PROMOTION) ? move.promote : moving, move.to);
    }
    in.side = them;
    Score(in, after);
}

bool Evaluator::QuietGainBound(const Board& board, const Evaluation& before, int& bound) const {
    const int us = board.side;
    const int set = before.set[us];
    const std::uint64_t own = board.Occupancy(us);
    const std::uint64_t king = board.Pieces(KING) & own;
    if (king == 0 || (king & (king - 1))) return false;
    const PeakTable& peaks = PeakValues();
    bound = 0;
    for (std::uint64_t men = own & ~king; men; men &= men - 1) {
        const int square = std::countr_zero(men);
        const int piece = board.piece[square];
        int gain = peaks[us][piece][set] - PLACEMENT[us][piece][square].Set(set);
        if (piece == ROOK) gain += OPEN_FILE_ROOK_BONUS;
        bound = std::max(bound, gain);
    }
    // The king's steps to empty squares and its castlings, each scored.
    const int from = std::countr_zero(king);
    for (std::uint64_t targets =
             GEOMETRY.king[from] & ~(board.Occupancy(WHITE) | board.Occupancy(BLACK));
         targets != 0; targets &= targets - 1) {
        const int to = std::countr_zero(targets);
        const Move step{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to), 0, 0};
        bound = std::max(bound, AfterMove(board, before, step) - before.score);
    }
    for (int index = 0; index < 4; ++index) {
        const CastleRule& rule = board.castling.Rule(index);
        if ((board.castle & rule.right) && rule.king == from && board.colour[from] == us)
            bound = std::max(bound, AfterMove(board, before, CastleMove(rule)) - before.score);
    }
    return true;
}

}  // namespace vardo
