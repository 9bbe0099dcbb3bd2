// Levels a person can beat: a rating (800 to 2400, on the scale of the public rating lists)
// becomes a strength from 0 to LEVEL_TOP, and the strength the settings of a weaker game.
//
// A level plays the selective search, so that it judges positions as a stronger player would,
// and is made weaker the way people are weaker:
//   - it looks less far: its search stops at a depth and a node count of its own, and so
//     overlooks what lies deeper;
//   - it searches several lines and does not always play the best: each line's score counts
//     only in part, a random bonus is added, and the line with the most wins. The part grows
//     and the bonus shrinks as the level rises;
//   - it never plays a line that its own search finds worse than the best by more than the
//     level's most loss, so it drops a pawn, not a queen to a one-move capture;
//   - on the clock it takes a natural time: a share of what the move is allotted, not less,
//     even when its search ends at once.
#pragma once

#include <cstdint>
#include <vector>

#include "board/types.h"
#include "support/random.h"

namespace vardo {

// The ratings a level takes (UCI_Elo, --elo).
inline constexpr int MIN_LEVEL_ELO = 800;
inline constexpr int MAX_LEVEL_ELO = 2400;
// The strongest strength; the settings of strength LEVEL_TOP are those of the full search
// but for the lines chosen among.
inline constexpr double LEVEL_TOP = 20.0;

struct LevelSettings {
    int maxDepth = 1;         // plies of the level's search
    std::uint64_t nodes = 0;  // the search's nodes at most (its first iteration always ends)
    int lines = 1;            // the best lines it chooses among
    int keepPercent = 100;    // how much of a line's shortfall from the best counts against it
    int noise = 0;            // the random bonus of a line: 0 to this, in centipawns
    int maxLoss = 0;          // no line further below the best than this is played
    // On the clock, the move is not played before this share of its allotment has passed,
    // drawn from LOW to HIGH for each move.
    float thinkShareLow = 0.0f;
    float thinkShareHigh = 0.0f;
};

// The strength of a rating, by the table measured in games (interpolated, clamped to the
// ratings a level takes).
double LevelStrength(int elo);
// The settings of a strength (0 to LEVEL_TOP).
LevelSettings SettingsOfStrength(double strength);
inline LevelSettings LevelFor(int elo) {
    return SettingsOfStrength(LevelStrength(elo));
}

// One line of the level's last completed search: its first move and reply, and its score
// from the side to move's point of view.
struct LevelLine {
    Move move;
    Move reply;
    int score = 0;
};

// The index of the line a level plays among `lines` (best first, at least one).
int ChooseLevelLine(const std::vector<LevelLine>& lines, const LevelSettings& settings,
                    Random& random);

}  // namespace vardo
