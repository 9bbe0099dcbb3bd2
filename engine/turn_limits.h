// What bounds one computer turn besides the stop flag: whether the book may answer, how the
// time control's watch is run, and the most plies and nodes the search may take.
#pragma once

#include <cstdint>

#include "search/line.h"
#include "search/root_moves.h"
#include "search/search_listener.h"

namespace vardo {

struct TurnLimits {
    // How the turn's watch is started.
    enum class Watch {
        GAME,    // the moves to go follow the game's move count first (the xboard controls)
        AS_SET,  // the control as set just before the turn (UCI's go gives it whole)
        NONE,    // no watch: the turn ends by the limits below or the stop flag alone
    };
    bool book = true;  // a book move, when the book has one, is played without searching
    Watch watch = Watch::GAME;
    int maxDepth = MAX_DEPTH;
    std::uint32_t maxNodes = 0;  // the main thread's nodes; 0: no limit
    // The root moves searched (all, unless restricted) and the lines each iteration finds.
    RootMoves rootMoves;
    int lines = 1;
    // Receives each completed iteration; null for the engine's own thinking lines.
    SearchListener* listener = nullptr;
};

}  // namespace vardo
