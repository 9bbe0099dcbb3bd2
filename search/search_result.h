// The move a finished computer turn leaves behind for the command loop to play.
#pragma once

#include <string>

#include "board/types.h"

namespace vardo {

// The outcome of one computer turn. A default-built result holds the null move and so is not
// pending: a search that found no move leaves nothing to play.
struct SearchResult {
    std::string text;  // the move as announced after "move "
    Move move;
    int score = 0;  // from the point of view of the side that moves
    Move ponder;    // the reply the search's line expects, when it has one; null otherwise

    bool Pending() const { return !move.IsNull(); }
};

}  // namespace vardo
