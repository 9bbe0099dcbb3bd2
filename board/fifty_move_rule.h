// The fifty-move draw, counted in plies since the last capture or pawn move.
#pragma once

namespace vardo {

// A position whose fifty-move counter has reached this many plies is drawn.
inline constexpr int FIFTY_MOVE_LIMIT = 100;

}  // namespace vardo
