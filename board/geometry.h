// Move geometry precomputed per square as bit sets (bit s for square s): the squares a knight
// or king steps to, and the rays and lines of the sliding pieces, worked out on a 10-by-12
// board whose border stops every step that would leave the 64 squares; and the squares a
// rook or bishop attacks on a given board.
#pragma once

#include <bit>
#include <cstdint>

namespace vardo {

// The eight king and queen directions, as steps on the 10-by-12 board (ten squares a rank).
constexpr int DIRECTIONS = 8;
constexpr int QUEEN_STEPS[DIRECTIONS] = {-11, -10, -9, -1, 1, 9, 10, 11};
// Indices into those eight of the bishop's and the rook's directions.
constexpr int BISHOP_DIRECTIONS[4] = {0, 2, 5, 7};
constexpr int ROOK_DIRECTIONS[4] = {1, 3, 4, 6};

// Along a ray the square index moves by a fixed step, falling in directions 0 to 3 and rising
// in 4 to 7.
struct Geometry {
    // ray[s][d]: the squares from s outward in direction d.
    std::uint64_t ray[64][DIRECTIONS];
    std::uint64_t knight[64];
    std::uint64_t king[64];
    // The squares a rook or bishop on s reaches along each of its lines, s itself excluded:
    // its file, its diagonal running a8-h1 and its diagonal running h8-a1.
    std::uint64_t fileLine[64];
    std::uint64_t diagonal[64];
    std::uint64_t antiDiagonal[64];
    // rankReach[f][inner]: the files a rook on file f reaches along its rank, given which of
    // files b to g are occupied (bit 0 for file b), as an 8-bit set.
    std::uint8_t rankReach[8][64];

    constexpr Geometry()
        : ray(), knight(), king(), fileLine(), diagonal(), antiDiagonal(), rankReach() {
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
            fileLine[s] = ray[s][1] | ray[s][6];
            diagonal[s] = ray[s][0] | ray[s][7];
            antiDiagonal[s] = ray[s][2] | ray[s][5];
        }
        for (int f = 0; f < 8; ++f)
            for (int inner = 0; inner < 64; ++inner) {
                const int occupied = inner << 1;
                int reach = 0;
                for (int g = f + 1; g < 8; ++g) {
                    reach |= 1 << g;
                    if (occupied >> g & 1) break;
                }
                for (int g = f - 1; g >= 0; --g) {
                    reach |= 1 << g;
                    if (occupied >> g & 1) break;
                }
                rankReach[f][inner] = static_cast<std::uint8_t>(reach);
            }
    }

    // The squares a rook / a bishop on s attacks with the squares `occupied` occupied: along
    // each line up to and including the first occupied square.
    std::uint64_t RookAttacks(int s, std::uint64_t occupied) const {
        const int shift = s & 56;
        const int inner = static_cast<int>(occupied >> (shift + 1)) & 63;
        return LineAttacks(s, fileLine[s], occupied) | std::uint64_t{rankReach[s & 7][inner]}
                                                           << shift;
    }
    std::uint64_t BishopAttacks(int s, std::uint64_t occupied) const {
        return LineAttacks(s, diagonal[s], occupied) | LineAttacks(s, antiDiagonal[s], occupied);
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
    // Attacks along a line that crosses every rank at most once (a file or a diagonal), by
    // subtraction: subtracting the slider's bit from the line's other occupied squares borrows
    // from the first of them above it, flipping every bit up to it; the same on the board
    // turned upside down (bytes reversed) gives the squares below it.
    static std::uint64_t LineAttacks(int s, std::uint64_t line, std::uint64_t occupied) {
        const std::uint64_t slider = Bit(s);
        std::uint64_t forward = occupied & line;
        std::uint64_t reverse = __builtin_bswap64(forward);
        forward -= slider;
        reverse -= __builtin_bswap64(slider);
        return (forward ^ __builtin_bswap64(reverse)) & line;
    }
    static constexpr std::uint64_t Bit(int square) { return std::uint64_t{1} << square; }
    static constexpr bool OnBoard(int i) {
        return i >= 21 && i <= 98 && i % 10 >= 1 && i % 10 <= 8;
    }
    static constexpr int SquareAt(int i) { return (i / 10 - 2) * 8 + (i % 10 - 1); }
};

inline constexpr Geometry GEOMETRY{};

}  // namespace vardo
