// Which moves a search tries at its root: every move, or only those an interface names
// (UCI's "go searchmoves"), less those a search of several lines (MultiPV) has already given
// a line at the depth in progress.
#pragma once

#include "board/board.h"
#include "board/move_list.h"
#include "board/types.h"

namespace vardo {

class RootMoves {
   public:
    // Every move searched, none left out.
    RootMoves() {}
    RootMoves(const RootMoves& other) { *this = other; }
    RootMoves& operator=(const RootMoves& other);

    // Restricts the root to the moves named with Allow (the first call begins the set; a move
    // named twice counts once).
    void Allow(Move move);
    // Leaves `move` out until ClearExcluded.
    void Exclude(Move move);
    void ClearExcluded() { excludedCount = 0; }

    // Whether the root tries `move`.
    bool Searches(Move move) const {
        if (excludedCount == 0 && allowedCount == 0) return true;
        for (int i = 0; i < excludedCount; ++i)
            if (excluded[i] == move) return false;
        if (allowedCount == 0) return true;
        for (int i = 0; i < allowedCount; ++i)
            if (allowed[i] == move) return true;
        return false;
    }
    // Whether some move is left out: the root's score is then that of the moves searched,
    // not the position's value, and must not be stored as the position's.
    bool Restricted() const { return allowedCount != 0 || excludedCount != 0; }

    // How many legal moves of `position` the root tries.
    int CountLegal(const Board& position) const;

   private:
    // Only the first `count` entries of each array are ever read or copied.
    int allowedCount = 0;
    int excludedCount = 0;
    union {
        Move allowed[MAX_MOVES];
    };
    union {
        Move excluded[MAX_MOVES];
    };
};

}  // namespace vardo
