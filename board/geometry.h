// Move geometry precomputed per square from the mailbox tables: the squares each piece can
// step to, and the rays of the sliding pieces, in the same direction order as pieceOffsets.
#pragma once

#include <cstdint>

namespace vardo {

// The eight king/queen directions in pieceOffsets order: -11 -10 -9 -1 1 9 10 11.
constexpr int DIRECTIONS = 8;
// Indices into those eight for the bishop's and the rook's pieceOffsets, in order.
constexpr int BISHOP_DIRECTIONS[4] = {0, 2, 5, 7};
constexpr int ROOK_DIRECTIONS[4] = {1, 3, 4, 6};

struct Geometry {
    // ray[s][d]: the squares from s outward in direction d, ended by -1.
    std::int8_t ray[64][DIRECTIONS][8];
    // knight[s] / king[s]: target squares in offset order, ended by -1.
    std::int8_t knight[64][9];
    std::int8_t king[64][9];
    // The same squares as bit sets (bit s for square s). Along a ray the square index moves
    // by a fixed step, falling in directions 0 to 3 and rising in 4 to 7; the knight's and
    // king's targets in offset order also rise, so the lowest bit comes first.
    std::uint64_t rayMask[64][DIRECTIONS];
    std::uint64_t knightMask[64];
    std::uint64_t kingMask[64];

    constexpr Geometry() : ray(), knight(), king(), rayMask(), knightMask(), kingMask() {
        constexpr int queenSteps[8] = {-11, -10, -9, -1, 1, 9, 10, 11};
        constexpr int knightSteps[8] = {-21, -19, -12, -8, 8, 12, 19, 21};
        for (int s = 0; s < 64; ++s) {
            const int index = 21 + 10 * (s >> 3) + (s & 7);
            for (int d = 0; d < DIRECTIONS; ++d) {
                int n = 0;
                for (int i = index + queenSteps[d]; OnBoard(i); i += queenSteps[d])
                    ray[s][d][n++] = static_cast<std::int8_t>(SquareAt(i));
                for (; n < 8; ++n) ray[s][d][n] = -1;
            }
            int k = 0, g = 0;
            for (int d = 0; d < 8; ++d) {
                if (OnBoard(index + knightSteps[d]))
                    knight[s][k++] = static_cast<std::int8_t>(SquareAt(index + knightSteps[d]));
                if (OnBoard(index + queenSteps[d]))
                    king[s][g++] = static_cast<std::int8_t>(SquareAt(index + queenSteps[d]));
            }
            for (; k < 9; ++k) knight[s][k] = -1;
            for (; g < 9; ++g) king[s][g] = -1;
            for (int d = 0; d < DIRECTIONS; ++d)
                for (int n = 0; n < 8 && ray[s][d][n] >= 0; ++n)
                    rayMask[s][d] |= std::uint64_t{1} << ray[s][d][n];
            for (int n = 0; knight[s][n] >= 0; ++n)
                knightMask[s] |= std::uint64_t{1} << knight[s][n];
            for (int n = 0; king[s][n] >= 0; ++n) kingMask[s] |= std::uint64_t{1} << king[s][n];
        }
    }

    // Whether the square index rises along direction d.
    static constexpr bool Rising(int d) { return d >= DIRECTIONS / 2; }

   private:
    static constexpr bool OnBoard(int i) {
        return i >= 21 && i <= 98 && i % 10 >= 1 && i % 10 <= 8;
    }
    static constexpr int SquareAt(int i) { return (i / 10 - 2) * 8 + (i % 10 - 1); }
};

inline constexpr Geometry GEOMETRY{};

}  // namespace vardo
