// The selective search's move picker: hands out a node's moves one at a time, in stages, doing
// no work for the moves a cutoff leaves untried. The table move comes first, before anything
// is generated; then the captures and promotions that do not lose material, best victim first
// (the capture history breaking near ties), their static exchange worked out only when their
// turn comes; then the quiet moves, generated only now: the killers and the counter move, the
// rest by their histories; and last the captures that lose material.
#pragma once

#include <array>

#include "board/board.h"
#include "strong/history.h"

namespace vardo {

class MovePicker {
   public:
    // What the move handed out is.
    enum class Kind { TABLE, GOOD_CAPTURE, KILLER, QUIET, BAD_CAPTURE };

    // The moves of `board`'s side to move, in its current ply's list: every move, or with
    // `capturesOnly` the captures and promotions that do not lose material (quiescence, where
    // the table move too is handed out only when it is such a move). `rows` are the
    // continuation rows of the moves one and two plies before (either may be null).
    MovePicker(Board& board, const Histories& histories, Move tableMove,
               const std::array<Move, 2>& killers, Move counter,
               const std::array<const ContinuationRow*, 2>& rows, bool capturesOnly);

    // The next pseudo-legal move, or the null move when none is left.
    Move Next();
    // What the last move handed out is.
    Kind LastKind() const { return kind; }
    // Hands out no more quiet moves (the losing captures still come).
    void SkipQuiets() { skipQuiets = true; }

    // The ordering score of a capture or promotion (victim first, then capture history), and
    // the summed histories of a quiet move.
    static int CaptureOrder(const Board& board, const Histories& histories, Move move);
    static int QuietOrder(const Board& board, const Histories& histories,
                          const std::array<const ContinuationRow*, 2>& rows, Move move);

   private:
    static constexpr int SELECTED_QUIETS = 3;
    enum class Stage { TABLE, CAPTURES, GOOD_CAPTURES, QUIETS_FOUND, KILLERS, QUIETS, BAD, DONE };

    // The entry with the best score from `from` on, moved to `from`.
    void SelectBest(int from);
    bool IsTableMove(Move move) const { return move == tableMove; }
    bool IsSpecial(Move move) const;

    Board& board;
    const Histories& histories;
    MoveList& list;
    Move tableMove;
    std::array<Move, 3> special;  // killers and counter move, in their order
    std::array<const ContinuationRow*, 2> rows;
    bool capturesOnly;
    bool skipQuiets = false;
    Stage stage = Stage::TABLE;
    Kind kind = Kind::TABLE;
    int next = 0;         // the next entry to look at in the current stage
    int badEnd = 0;       // the losing captures found so far stand in [0, badEnd)
    int captureEnd = 0;   // the captures and promotions stand in [0, captureEnd)
    int specialNext = 0;  // the next of `special` to look for
};

}  // namespace vardo
