#include "strong/history.h"

namespace vardo {

namespace {

// Multiplicative hashing: each set of squares, its upper half folded onto the lower so that
// every square reaches the high bits, times an odd constant of its own. The keys are read by
// their high bits (Histories::Slot).
constexpr std::uint64_t SPREAD[7] = {
    0x9E3779B97F4A7C15ULL, 0xC2B2AE3D27D4EB4FULL, 0x165667B19E3779F9ULL, 0xD6E8FEB86659FD93ULL,
    0xFF51AFD7ED558CCDULL, 0xC4CEB9FE1A85EC53ULL, 0x94D049BB133111EBULL};

constexpr std::uint64_t Spread(std::uint64_t squares, int index) {
    return (squares ^ (squares >> 32)) * SPREAD[index];
}

}  // namespace

std::uint64_t PawnKey(const Board& board) {
    const std::uint64_t pawns = board.Pieces(PAWN);
    return Spread(pawns & board.Occupancy(WHITE), 0) + Spread(pawns & board.Occupancy(BLACK), 6);
}

std::uint64_t MenKey(const Board& board, int colour) {
    const std::uint64_t own = board.Occupancy(colour);
    std::uint64_t key = 0;
    for (int kind = KNIGHT; kind <= KING; ++kind) key += Spread(board.Pieces(kind) & own, kind);
    return key;
}

}  // namespace vardo
