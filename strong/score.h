// A middlegame and an endgame value held in one integer, as the strong evaluation keeps every
// weight and sum: scores add, subtract and multiply by whole numbers as one, and are split
// only once, when the game phase blends them.
#pragma once

#include <cstdint>

namespace vardo {

// The endgame value in the upper 16 bits, the middlegame value in the lower 16 (a negative
// middlegame value borrows one from the upper half, which EgOf gives back).
using Score = std::int32_t;

constexpr Score S(int mg, int eg) {
    return static_cast<Score>(static_cast<std::uint32_t>(eg) << 16) + mg;
}
constexpr int MgOf(Score score) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(score)));
}
constexpr int EgOf(Score score) {
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>((static_cast<std::uint32_t>(score) + 0x8000u) >> 16));
}

}  // namespace vardo
