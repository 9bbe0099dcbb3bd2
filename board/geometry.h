// Move geometry precomputed per square as bit sets (bit s for square s): the squares a knight
// or king steps to, and the rays of the sliding pieces, worked out on a 10-by-12 board whose
// border stops every step that would leave the 64 squares.
#pragma once

#include <bit>
#include <cstdint>

namespace vardo {

// The eight king and queen directions, as steps on the 10-by-12 board (ten squares a rank).
constexpr int DIRECTIONS = 8;
constexpr int QUEEN_STEPS[DIRECTIONS] = {-11, -10, -9, -1, 1, 9, 10, 11};
// Indices into those eight of the bishop's and the rook's directions, in generation order.
constexpr int BISHOP_DIRECTIONS[4] = {0, 2, 5, 7};
constexpr int ROOK_DIRECTIONS[4] = {1, 3, 4, 6};

// Along a ray the square index moves by a fixed step, falling in directions 0 to 3 and rising
// in 4 to 7. The knight's and king's targets in offset order also rise, so visiting a target
// set lowest bit first follows the offset order.
struct Geometry {
    // ray[s][d]: the squares from s outward in direction d.
    std::uint64_t ray[64][DIRECTIONS];
    std::uint64_t knight[64];
    std::uint64_t king[64];

    constexpr Geometry() : ray(), knight(), king() {
        constexpr int knightSteps[8] = {-21, -19, -12, -8, 8, 12, 19, 21};
        for (int s = 0; s < 64; ++s) {
            const int index = 21 + 10 * (s >> 3) + (s & 7);
            for (int d = 0; d < DIRECTIONS; ++d) {
                for (int i = index + QUEEN_STEPS[d]; OnBoard(i); i += QUEEN_STEPS[d])
                    ray[s][d] |= Bit(SquareAt(i));
                if (OnBoard(index + knightSteps[d]))
                    knight[s] |= Bit(SquareAt(index + knightSteps[d]));
                if (OnBoard(index + QUEEN_STEPS[d]))
                    king[s] |= Bit(SquareAt(index + QUEEN_STEPS[d]));
            }
        }
    }

    // Whether the square index rises along direction d.
    static constexpr bool Rising(int d) { return d >= DIRECTIONS / 2; }

    // The first of `squares` met going outward from s in direction d, or -1.
    constexpr int FirstOnRay(int s, int d, std::uint64_t squares) const {
        const std::uint64_t met = ray[s][d] & squares;
        if (met == 0) return -1;
        return Rising(d) ? std::countr_zero(met) : 63 - std::countl_zero(met);
    }

   private:
    static constexpr std::uint64_t Bit(int square) { return std::uint64_t{1} << square; }
    static constexpr bool OnBoard(int i) {
        return i >= 21 && i <= 98 && i % 10 >= 1 && i % 10 <= 8;
    }
    static constexpr int SquareAt(int i) { return (i / 10 - 2) * 8 + (i % 10 - 1); }
};

inline constexpr Geometry GEOMETRY{};

}  // namespace vardo
