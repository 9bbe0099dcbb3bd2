// The draws that read the game's history: the fifty-move rule, counted in plies since the last
// capture or pawn move, and threefold repetition within those plies.
#pragma once

namespace vardo {

// A position whose fifty-move counter has reached this many plies is drawn.
inline constexpr int FIFTY_MOVE_LIMIT = 100;

// Fewest reversible plies in which a placement can occur a third time.
inline constexpr int MIN_REPETITION_PLIES = 6;

}  // namespace vardo
