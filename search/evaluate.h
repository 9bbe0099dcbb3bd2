// Static evaluation: material, pawn structure, piece-square tables and open-file rooks.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/piece_square.h"

namespace vardo {

// Every pawn after the first of one colour on a file costs this much.
constexpr int DOUBLED_PAWN_PENALTY = 20;
// A pawn file without own pawns on either neighbouring file costs this much, once per file.
// Only files b to e are examined; pawns on a, f, g and h are never called isolated.
constexpr int ISOLATED_PAWN_PENALTY = 20;
constexpr int FIRST_ISOLATION_FILE = 1;  // file b
constexpr int LAST_ISOLATION_FILE = 4;   // file e
// A rook on a file holding no pawn of either colour earns this much.
constexpr int OPEN_FILE_ROOK_BONUS = 15;

// The material values and the piece-square tables are in board/piece_square.h.
// A colour whose material and pawn-structure score reaches this picks its set by its king's
// file; below it, the opponent switches to the endgame set.
constexpr int TABLE_SET_THRESHOLD = 1300;
// King files above this pick the king-side set, below QUEEN_SIDE_KING_FILE the queen-side set.
constexpr int KING_SIDE_KING_FILE = 4;
constexpr int QUEEN_SIDE_KING_FILE = 3;
// File used for a colour without a king (only hand-made positions): file e, which keeps the
// set it has.
constexpr int MISSING_KING_FILE = 4;

// What the evaluation reads of a position: each colour's material and piece-square sums and
// men, the pawns, kings and rooks, and the side to move. A board holds them all; the same
// values after a move follow from the move alone (Evaluator::AfterMove).
struct EvaluationInputs {
    PlacementValue sums[2];
    std::uint64_t own[2] = {0, 0};
    std::uint64_t pawns = 0;
    std::uint64_t kings = 0;
    std::uint64_t rooks = 0;
    int side = WHITE;
};

// What an evaluation works out on the way to its score, from which the score after most moves
// follows at little cost (Evaluator::AfterMove).
struct Evaluation {
    int score = 0;                // from the side to move's point of view
    int base[2] = {0, 0};         // each colour's material and pawn structure
    int set[2] = {0, 0};          // each colour's table set
    std::uint64_t openFiles = 0;  // the squares of the files without pawns

    friend bool operator==(const Evaluation&, const Evaluation&) = default;
};

// Scores positions. Holds no data; every call is a pure function of the position.
class Evaluator {
   public:
    // Score in centipawns from the side to move's point of view (positive: better for it).
    // Reads the board's side to move and its redundant sums and bit sets, so a board whose
    // colour[] or piece[] was written directly needs Refresh first; allocates nothing.
    int Evaluate(const Board& board) const {
        Evaluation evaluation;
        Evaluate(board, evaluation);
        return evaluation.score;
    }
    // The same, keeping what was worked out on the way.
    void Evaluate(const Board& board, Evaluation& evaluation) const;

    // Evaluate's Evaluation of the position `move` leads to (its score from the point of view
    // of the side to move there), worked out without making it; `before` is this position's
    // Evaluation. A search hands it to the child it searches, which need not evaluate again.
    // - A pawn's push keeps its file, so the pawn structure, the open files and the table
    //   sets; so does a king's step between files that pick the same set, or of a colour
    //   whose set its king does not pick (its material is below TABLE_SET_THRESHOLD): only
    //   the man's piece-square value changes.
    // - A move of a knight, bishop, rook or queen, quiet or taking a man other than a pawn,
    //   after which the colour that loses material (if any) stays on the same side of
    //   TABLE_SET_THRESHOLD, changes no pawn, no king's file and neither colour's table set:
    //   only the piece-square value of the man moved, the material and piece-square value of
    //   the man taken and the open-file bonus of a rook moved or taken change.
    // - Such a man taking a pawn, after which the pawn's colour stays on the same side of
    //   TABLE_SET_THRESHOLD: the same, and the pawn's colour's pawn structure, and the file
    //   the pawn leaves, which may open (each rook on it then earns its bonus).
    // - Any other move (a king's can change its colour's set, a pawn's capture the pawn
    //   structure and the open files, a capture that crosses the threshold both sets, a
    //   castling both a king and a rook): the inputs are
    //   changed as MakeMove would change the board's (the man moved or promoted, the man
    //   taken, en passant or not, the rook of a castling) and scored again whole, by the same
    //   code as Evaluate.
    // For a move MakeMove refuses, the result means nothing.
    void AfterMove(const Board& board, const Evaluation& before, Move move,
                   Evaluation& after) const;
    // Its score from the point of view of the side that makes the move.
    int AfterMove(const Board& board, const Evaluation& before, Move move) const {
        Evaluation after;
        AfterMove(board, before, move, after);
        return -after.score;
    }

    // An upper bound on how much any quiet move (neither capture nor promotion) of the side to
    // move can raise its score `before.score`; false where none is at hand (a colour with two
    // kings, set up by hand). A quiet move of a pawn, knight, bishop, rook or queen changes no
    // colour's table set and, but for a rook's open-file bonus, only the man's own
    // piece-square value: the bound is at least the most any man can gain that way. The
    // king's steps and castlings, which can change its colour's set, are each scored with
    // AfterMove.
    bool QuietGainBound(const Board& board, const Evaluation& before, int& bound) const;
};

}  // namespace vardo
