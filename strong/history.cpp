#include "strong/history.h"

#include <bit>

namespace vardo {

namespace {

// splitmix64's finaliser: every bit of the result depends on every bit of z.
constexpr std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t PawnKey(const Board& board) {
    const std::uint64_t pawns = board.Pieces(PAWN);
    return Mix(Mix(pawns & board.Occupancy(WHITE)) ^ (pawns & board.Occupancy(BLACK)));
}

std::uint64_t MenKey(const Board& board, int colour) {
    const std::uint64_t own = board.Occupancy(colour);
    // Each kind's squares spread by a multiplier of its own, then mixed once.
    std::uint64_t key = colour == WHITE ? 0x5741u : 0x424Cu;
    constexpr std::uint64_t SPREAD[6] = {0,
                                         0x9E3779B97F4A7C15ULL,
                                         0xC2B2AE3D27D4EB4FULL,
                                         0x165667B19E3779F9ULL,
                                         0xD6E8FEB86659FD93ULL,
                                         0xFF51AFD7ED558CCDULL};
    for (int kind = KNIGHT; kind <= KING; ++kind)
        key += std::rotl((board.Pieces(kind) & own) * SPREAD[kind], 9 * kind);
    return Mix(key);
}

}  // namespace vardo
